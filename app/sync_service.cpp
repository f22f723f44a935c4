#include "app/sync_service.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

#include "app/service_notify.h"
#include "app/service_watchdog.h"
#include "app/sync_checks.h"
#include "dbaccess/fyrn.h"
#include "infra/program_log.h"

namespace brindle {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

int WaitForStopSignal() {
  const sigset_t set = StopSignals();
  timespec timeout{0, 200'000'000};
  const int signal = sigtimedwait(&set, nullptr, &timeout);
  return signal > 0 ? signal : 0;
}

void PassReports::Add(TPassResult report) {
  std::lock_guard guard(lock_);
  reports_.push_back(std::move(report));
}

std::optional<TPassResult> PassReports::Take() {
  std::lock_guard guard(lock_);
  if (reports_.empty()) return std::nullopt;
  TPassResult report = std::move(reports_.front());
  reports_.pop_front();
  return report;
}

void WarnOfMetrics(const std::string& failure) {
  if (!failure.empty()) std::fprintf(stderr, "brindle-sync: внимание: %s\n", failure.c_str());
}

void TakeReport(const TPassResult& report, bool copy_enabled, ProgressLine& progress,
                TMetricsFile* metrics) {
  PrintReport(report, progress);
  if (metrics) WarnOfMetrics(metrics->Update(report, copy_enabled));
}

namespace {

// Service mode: the start checks, tried again every period while a database cannot be reached.
// Each failed try counts as a failed pass: printed, written to the metrics file and told to the
// service manager, which hears that the service is up and what it waits for. False when a stop
// signal came first. Any other failed check raises, as in the once mode.
bool WaitForDatabases(TCopyEngine& engine, TServiceNotifier& service,
                      std::optional<TWatchdogFeeder>& watchdog, TMetricsFile* metrics,
                      ProgressLine& progress) {
  for (std::int32_t failed = 1;; ++failed) {
    TPassResult attempt;
    attempt.Started = Now();
    try {
      CheckBeforeCopying(engine);
      if (metrics) metrics->SetLastSuccess(engine.Outcome().LastCopyTime);
      return true;
    } catch (const DatabaseUnreachable& e) {
      attempt.Status = TPassStatus::kFailed;
      attempt.Finished = Now();
      attempt.FailedPasses = failed;
      attempt.Error.emplace().Text = e.what();
    }
    const std::int32_t period = engine.Settings().CheckPeriod;
    const std::string waiting =
        "Ожидание баз данных (неудачных попыток: " + std::to_string(failed) + ", следующая через " +
        std::to_string(period) + " с): " + attempt.Error->Text;
    LogProgram(waiting, LogWarning);
    TakeReport(attempt, true, progress, metrics);
    if (failed == 1) {
      std::printf("Ожидание баз данных: проверки перед копированием повторяются каждые %d с\n",
                  period);
      std::fflush(stdout);
      service.Ready(waiting);
    } else {
      service.Status(waiting);
    }
    const auto next = std::chrono::steady_clock::now() + std::chrono::seconds(period);
    while (std::chrono::steady_clock::now() < next) {
      if (const int signal = WaitForStopSignal(); signal != 0) {
        service.Stopping(std::string("Получен сигнал ") + strsignal(signal) + ": завершение");
        std::printf("Получен сигнал %s: завершение\n", strsignal(signal));
        std::fflush(stdout);
        return false;
      }
      if (watchdog && watchdog->Due(engine.TakePulse(), TWatchdogFeeder::Clock::now())) {
        service.FeedWatchdog();
      }
    }
  }
}

}  // namespace

int RunCopying(bool once, TCopyEngine& engine, PassReports& reports, TMetricsFile* metrics,
               TSlicedCheck* check) {
  ProgressLine progress;
  TServiceNotifier service;
  std::optional<TWatchdogFeeder> watchdog;
  if (const auto interval = service.WatchdogInterval()) watchdog.emplace(*interval);
  if (once) {
    CheckBeforeCopying(engine);
  } else if (!WaitForDatabases(engine, service, watchdog, metrics, progress)) {
    return kExitOk;
  }
  bool stopping = false;
  bool failed = false;
  int printed = 0;
  if (once) {
    engine.RunOnePass();
  } else {
    engine.SetCopyEnabled(true);
    engine.WakeUp();
  }
  service.Ready("Копирование включено, период " + std::to_string(engine.Settings().CheckPeriod) +
                " с");
  if (!once) {
    std::printf("Копирование включено, период %d с; остановка: SIGINT или SIGTERM\n",
                engine.Settings().CheckPeriod);
    std::fflush(stdout);
  }
  for (;;) {
    const int signal = WaitForStopSignal();
    if (signal != 0 && !stopping) {
      stopping = true;
      engine.SetCopyEnabled(false);
      if (check) check->Stop();
      progress.Clear();
      const char* ending = engine.Busy() ? "копирование будет доведено до конца" : "завершение";
      service.Stopping(std::string("Получен сигнал ") + strsignal(signal) + ": " + ending);
      std::printf("Получен сигнал %s: %s\n", strsignal(signal), ending);
      std::fflush(stdout);
    }
    while (std::optional<TPassResult> report = reports.Take()) {
      if (check && metrics) metrics->AddVerified(check->State().Verified);
      TakeReport(*report, engine.CopyEnabled(), progress, metrics);
      service.Status(PassStatusText(*report));
      failed = report->Failed();
      ++printed;
    }
    if (check) {
      if (const std::optional<TCheckResult> round = check->TakeFinished()) {
        progress.Clear();
        std::printf("%s\n", CheckSummaryText(*round).c_str());
        std::fflush(stdout);
        if (metrics) {
          metrics->AddVerified(check->State().Verified);
          WarnOfMetrics(metrics->UpdateCheck(*round, engine.CopyEnabled()));
        }
      }
    }
    if (once && printed > 0) break;
    if (stopping && !engine.Busy()) break;
    if (watchdog && watchdog->Due(engine.TakePulse(), TWatchdogFeeder::Clock::now())) {
      service.FeedWatchdog();
    }
    progress.Show(engine.Progress());
  }
  progress.Clear();
  engine.SetCopyEnabled(false);
  if (!once) return kExitOk;
  if (printed == 0) {
    std::fprintf(stderr, "Копирование не выполнено: получен сигнал до его начала\n");
    return kExitPassFailed;
  }
  return failed ? kExitPassFailed : kExitOk;
}

}  // namespace brindle
