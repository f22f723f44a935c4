#include "app/periodic_check.h"

#include "infra/program_log.h"
#include "replication/check/copy_check.h"

namespace brindle {

TPeriodicCheck::TPeriodicCheck(TFyrn& fyrn, double hours, TCheckOptions options,
                               std::function<TCopySettings()> settings)
    : fyrn_(fyrn),
      every_(
          std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(hours * 3600))),
      options_(std::move(options)),
      settings_(std::move(settings)) {
  // A schedule never decides on its own that the office moved.
  options_.OfficeMoved = false;
  options_.Cancel = &cancel_;
}

TPeriodicCheck::~TPeriodicCheck() {
  cancel_ = true;
  if (thread_.joinable()) thread_.join();
}

void TPeriodicCheck::PassEnded(Clock::time_point now) {
  if (running_ || (last_started_ && now - *last_started_ < every_)) return;
  if (thread_.joinable()) thread_.join();  // ended, its result already kept
  last_started_ = now;
  running_ = true;
  thread_ = std::thread([this, settings = settings_()] {
    LogProgram("Начало проверки копии БД");
    TCheckResult result = RunCopyCheck(fyrn_, settings, options_);
    LogProgram(CheckSummaryText(result), result.Failed() ? LogError : LogInfo);
    const std::lock_guard lock(mutex_);
    finished_ = std::move(result);
    running_ = false;
  });
}

std::optional<TCheckResult> TPeriodicCheck::TakeFinished() {
  const std::lock_guard lock(mutex_);
  return std::exchange(finished_, std::nullopt);
}

}  // namespace brindle
