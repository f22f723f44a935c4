// brindle-sync --check-every HOURS: in the service, a check of the copy between passes, at most
// once in the given hours; with --repair it mends what it finds, with the guards of a repair (only
// from the working database the copy is filled from, orphans only with --delete-orphans and within
// its bound). The check runs on a thread of its own, so the copy
// passes, the stop signals and the watchdog go on while it reads; its summary goes to the log.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "replication/check/copy_check.h"
#include "replication/check_result.h"
#include "settings/copy_settings.h"

namespace brindle {

class TFyrn;

class TPeriodicCheck {
 public:
  using Clock = std::chrono::steady_clock;

  // `settings` gives the copy settings at the start of each check; called on the caller's thread.
  // Each check runs with `options` (the pace and the repair among them), never with OfficeMoved.
  TPeriodicCheck(TFyrn& fyrn, double hours, TCheckOptions options,
                 std::function<TCopySettings()> settings);
  // Stops a running check between its rows and waits for it.
  ~TPeriodicCheck();
  TPeriodicCheck(const TPeriodicCheck&) = delete;
  TPeriodicCheck& operator=(const TPeriodicCheck&) = delete;

  // A pass has ended: starts a check when none runs and the last one started `hours` ago or
  // more (the first one after the first pass).
  void PassEnded(Clock::time_point now);
  // The result of a check that ended since the last call, once.
  std::optional<TCheckResult> TakeFinished();

 private:
  TFyrn& fyrn_;
  const Clock::duration every_;
  TCheckOptions options_;
  const std::function<TCopySettings()> settings_;
  std::optional<Clock::time_point> last_started_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> running_{false};
  std::mutex mutex_;
  std::optional<TCheckResult> finished_;
  std::thread thread_;
};

}  // namespace brindle
