// When brindle-sync feeds the service manager's watchdog: only while the copy thread shows signs
// of life, so that a pass stuck in one call (a server that stopped answering, a row lock that is
// never released) gets the service restarted.
//
// The thread is alive while it waits between passes, or while its pulse (copy_engine.h) changed
// within half the watchdog interval. While it is alive the watchdog is fed every quarter of the
// interval, well within the half that systemd asks for. So a pass that makes no progress is
// restarted between one and one and a half intervals after its last step: the interval must
// exceed the longest single step of a pass (a connection attempt to a server that is down takes
// up to three minutes).
//
// A value of the main thread's loop; the times are given by the caller.
#pragma once

#include <chrono>
#include <optional>

#include "replication/copy_engine.h"

namespace brindle {

class TWatchdogFeeder {
 public:
  using Clock = std::chrono::steady_clock;

  explicit TWatchdogFeeder(std::chrono::microseconds interval);

  // Takes the thread's pulse as seen at `now`; true when WATCHDOG=1 is due.
  bool Due(const TCopyEngine::Pulse& pulse, Clock::time_point now);

 private:
  std::chrono::microseconds interval_;
  std::optional<TCopyEngine::Pulse> last_pulse_;
  Clock::time_point last_sign_of_life_{};
  std::optional<Clock::time_point> last_feed_;
};

}  // namespace brindle
