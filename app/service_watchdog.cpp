#include "app/service_watchdog.h"

namespace brindle {

TWatchdogFeeder::TWatchdogFeeder(std::chrono::microseconds interval) : interval_(interval) {}

bool TWatchdogFeeder::Due(const TCopyEngine::Pulse& pulse, Clock::time_point now) {
  if (pulse.Waiting || pulse != last_pulse_) {
    last_pulse_ = pulse;
    last_sign_of_life_ = now;
  }
  if (now - last_sign_of_life_ >= interval_ / 2) return false;
  if (last_feed_ && now - *last_feed_ < interval_ / 4) return false;
  last_feed_ = now;
  return true;
}

}  // namespace brindle
