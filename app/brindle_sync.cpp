// brindle-sync: the copy without the window, for servers without a desktop and for services.
//
// Start-up and shutdown are the window program's (app/main.cpp) without the toolkit: the log,
// the binding, the program module with its copy thread, in the same order and with the same log
// lines. Message boxes go to stderr. Overrides from the command line change the copy settings in
// memory only; nothing is written to the settings files. The command line is read in
// sync_options; sync_reports prints, sync_checks checks before the work and sync_service copies.
#include <signal.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/check_command.h"
#include "app/status_report.h"
#include "app/sync_checks.h"
#include "app/sync_options.h"
#include "app/sync_reports.h"
#include "app/sync_service.h"
#include "dbaccess/fyrn.h"
#include "dbaccess/fyrn_second_binding.h"
#include "dbaccess/office_db_verification.h"
#include "infra/logger.h"
#include "observe/pass_metrics.h"
#include "platform/character_handling.h"
#include "platform/error.h"
#include "platform/message_box.h"
#include "platform/shared_library.h"
#include "platform/suite_root.h"
#include "replication/copy_engine.h"
#include "replication/copy_record.h"
#include "startup/error_box.h"
#include "startup/program_module.h"
#include "startup/startup_guards.h"

namespace {

using namespace brindle;

constexpr int kExitLagging = 1;
constexpr int kExitUsage = 2;

static_assert(kRefusedStartExitCode == kExitUsage, "a refused start is a validation error");

void ApplyOverrides(const Options& options, TCopyEngine& engine) {
  engine.UpdateSettings([&](TCopySettings& settings) {
    if (options.work) settings.WorkDBConnStr = *options.work;
    if (options.copy) settings.CopyDBConnStr = *options.copy;
    if (options.work_password) settings.WorkDBPassword = *options.work_password;
    if (options.copy_password) settings.CopyDBPassword = *options.copy_password;
    if (options.period) settings.CheckPeriod = *options.period;
    if (options.check_every_hours) {
      settings.CheckEveryHours = *options.check_every_hours;
      settings.CheckRepair = options.check.Repair;
    }
  });
}

// --- modes -------------------------------------------------------------------------------------

// Only reads. The exit status says whether a table lags more than the limit, or cannot be told.
int ShowStatus(TFyrn& fyrn, const TCopySettings& settings, bool json,
               std::optional<std::int32_t> max_lag) {
  TCopyFreshness freshness;
  RunCheck(
      "Чтение конфигурации копии базы данных", settings.CopyDBConnStr, "--copy-password",
      kCopyPasswordVariable,
      [&] {
        freshness =
            ReadCopyFreshness(*fyrn.OpenConf(settings.CopyDBConnStr, settings.CopyDBPassword));
      },
      "не пройдено");
  TStatusClock clock;
  RunCheck(
      "Чтение времени сервера копии базы данных", settings.CopyDBConnStr, "--copy-password",
      kCopyPasswordVariable,
      [&] { clock = ReadStatusClock(fyrn, settings, freshness.WorkClockOffset); }, "не пройдено");
  NoteFutureTimes(freshness, clock, Now());
  const std::vector<TLaggingTable> lagging =
      max_lag ? TablesLaggingMore(freshness, clock, *max_lag) : std::vector<TLaggingTable>{};
  const int status = lagging.empty() ? kExitOk : kExitLagging;
  const std::string report =
      json ? StatusJson(settings.CopyDBConnStr, freshness, clock, lagging, status)
           : StatusText(settings.CopyDBConnStr, freshness, clock);
  std::fputs(report.c_str(), stdout);
  std::fflush(stdout);
  if (lagging.empty()) return status;
  std::string tables;
  for (const TLaggingTable& table : lagging) {
    tables += (tables.empty() ? "" : "; ") + table.Table + " (" + table.Reason + ")";
  }
  std::fprintf(stderr, "brindle-sync: отставание больше %d с или неизвестно: %s\n", *max_lag,
               tables.c_str());
  return status;
}

// --status --json and --check --json print one object on stdout whatever happens.
void PrintJsonError(const Options& options, const std::string& copy_conn_str,
                    const std::string& error) {
  if (!options.json) return;
  if (options.mode == Mode::kCheck) PrintCheckJsonError(error);
  if (options.mode == Mode::kStatus) {
    std::fputs(StatusErrorJson(copy_conn_str, error, kExitUsage).c_str(), stdout);
    std::fflush(stdout);
  }
}

// A refusal of the start checks is reported as the check's result, JSON included, and recorded
// nowhere: the copy named may be no copy.
int RunCheckMode(TFyrn& fyrn, const TCopySettings& settings, const Options& options) {
  try {
    CheckBeforeChecking(fyrn, settings);
  } catch (const UsageError& e) {
    return ReportCheck(RefusedCheck(e.what()), options.json);
  }
  return RunCheckCommand(fyrn, settings, options.check, options.json, WaitForStopSignal);
}

int Verify(TFyrn& fyrn, const std::string& conn_str,
           const std::optional<std::string>& given_password) {
  const std::string password = given_password ? *given_password : fyrn.GetPassword();
  RunCheck("Проверка структуры базы данных", conn_str, "--password", kPasswordVariable,
           [&] { VerifyOfficeDB(fyrn, conn_str, password); });
  std::printf("Структура базы данных %s проверена\n", conn_str.c_str());
  std::fflush(stdout);
  return kExitOk;
}

int Run(const Options& options) {
  if (const std::string problem = SuiteRootProblem(); !problem.empty()) {
    std::fprintf(stderr, "brindle-sync: %s\n", problem.c_str());
    PrintJsonError(options, options.copy.value_or(""), problem);
    return kExitUsage;
  }
  // The log goes where the window program's goes; its folder may not exist on a new server.
  std::error_code ignored;
  std::filesystem::create_directories(SuitePath("LogFiles"), ignored);

  LoggerModule logger_module;
  TFyrnSecondBinding second_binding;
  TFyrn fyrn;

  PassReports reports;
  std::optional<TMetricsFile> metrics;  // outlives the engine, for the passes that end with it
  const bool once = options.mode == Mode::kOnce;
  TProgramModuleOptions module_options;
  // Modes that name their database, or only read, leave the suite's office database alone.
  module_options.verify_office_db = options.mode == Mode::kOnce || options.mode == Mode::kRun;
  module_options.observer = [&reports](const TPassResult& result) { reports.Add(result); };
  // Only the service checks the copy between passes.
  module_options.check_between_passes = options.mode == Mode::kRun;
  module_options.check = options.check;
  int status = kExitOk;
  std::string copy_conn_str = options.copy.value_or("");  // for the JSON of an error
  try {
    TProgramModule program(fyrn, std::move(module_options));
    TCopyEngine& engine = program.Engine();
    for (const std::string& warning : program.StartupWarnings()) {
      std::fprintf(stderr, "brindle-sync: внимание: %s\n", warning.c_str());
    }
    ApplyOverrides(options, engine);
    copy_conn_str = engine.Settings().CopyDBConnStr;
    if (options.mode != Mode::kVerify) CheckDatabasesNamed(options);
    switch (options.mode) {
      case Mode::kVerify:
        status = Verify(fyrn, options.verify_conn_str, options.password);
        break;
      case Mode::kStatus:
        status = ShowStatus(fyrn, engine.Settings(), options.json, options.max_lag);
        break;
      case Mode::kCheck:
        status = RunCheckMode(fyrn, engine.Settings(), options);
        break;
      case Mode::kOnce:
      case Mode::kRun:
        if (options.metrics_file) metrics.emplace(*options.metrics_file, 0);
        status = RunCopying(once, engine, reports, metrics ? &*metrics : nullptr, program.Check());
        break;
      case Mode::kHelp:
        break;
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "%s: %s\n", ProgramFileName().c_str(), e.what());
    status = kExitUsage;
    PrintJsonError(options, copy_conn_str, e.what());
  } catch (const std::exception& e) {
    ShowErrorBox(e);
    status = kExitUsage;
    PrintJsonError(options, copy_conn_str, WithoutClassName(e.what()));
  }
  // A pass that began just as copying was switched off has ended with the thread's stop.
  ProgressLine progress;
  while (std::optional<TPassResult> report = reports.Take()) {
    TakeReport(*report, false, progress, metrics ? &*metrics : nullptr);
  }
  // A monitor must not take a stopped service for one that copies.
  if (metrics) WarnOfMetrics(metrics->Write(false));
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  UseUtf8CharacterHandling();
  // Blocked before any thread starts, so every thread inherits the mask and the main thread
  // alone takes the signals, between its looks at the copy thread.
  const sigset_t stop_signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  SetMessageBoxHandler(&PrintMessageBox);

  const std::vector<std::string> args(argv + 1, argv + argc);
  WipePasswordArguments(argc, argv);
  Options options;
  try {
    options = ParseOptions(args, [](const char* name) { return std::getenv(name); });
  } catch (const UsageError& e) {
    std::fprintf(stderr, "brindle-sync: %s\nСправка: brindle-sync --help\n", e.what());
    // The line did not parse; what it asks for is read from its words.
    const auto given = [&](const char* word) { return std::ranges::count(args, word) > 0; };
    Options wanted;
    wanted.json = given("--json");
    wanted.mode = given("--check") ? Mode::kCheck : given("--status") ? Mode::kStatus : Mode::kRun;
    PrintJsonError(wanted, "", e.what());
    return kExitUsage;
  }
  if (options.mode == Mode::kHelp) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  try {
    return Run(options);
  } catch (const ERefusedStart& refusal) {
    ShowRefusal(refusal);
    PrintJsonError(options, options.copy.value_or(""), refusal.what());
    return kRefusedStartExitCode;
  }
}
