// What brindle-sync tells the service manager through systemd's notification socket
// (sd_notify): that it is ready, the status line `systemctl status` shows, that it is alive (the
// watchdog) and that it is stopping.
//
// Without NOTIFY_SOCKET (run from a terminal) every call does nothing. A message that cannot be
// sent never stops the program: the first failure is said on stderr, and the service manager
// acts on what it heard last (a watchdog that is no longer fed restarts the service).
// One object, used by the main thread only.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "replication/pass_result.h"

namespace brindle {

class TServiceNotifier {
 public:
  // Reads the watchdog interval the service manager asks for (WATCHDOG_USEC).
  TServiceNotifier();

  // None when the service manager wants no watchdog (no WatchdogSec=, or not run by systemd).
  std::optional<std::chrono::microseconds> WatchdogInterval() const { return watchdog_; }

  // Status texts are one line: line breaks become blanks.
  void Ready(std::string_view status);
  void Status(std::string_view status);
  void FeedWatchdog();
  void Stopping(std::string_view status);

 private:
  void Send(const std::string& message);

  std::optional<std::chrono::microseconds> watchdog_;
  bool warned_ = false;
};

// The status line for a pass that ended: its outcome, when it ended, and what it copied or the
// error that ended it.
std::string PassStatusText(const TPassResult& result);

}  // namespace brindle
