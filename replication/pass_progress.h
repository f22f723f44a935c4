// Where the running pass has got to, for the window's status line, brindle-sync's progress line
// and the watchdog. The engine owns it; the pass only counts into it. Every field is an atomic
// of its own: a reader may see the table of one moment with the row of the next, which a
// progress line tolerates.
#pragma once

#include <atomic>
#include <cstdint>

namespace brindle {

struct TPassProgress {
  std::atomic<bool> Busy{false};  // a pass is running
  std::atomic<std::int32_t> TableNo{0};
  std::atomic<std::int32_t> TableCount{0};
  std::atomic<std::int32_t> RecordNo{0};
  std::atomic<std::int32_t> RecordCount{0};

  // A new pass: nothing of the last one's progress may pass for this one's.
  void Start() {
    TableNo = 0;
    RecordNo = 0;
    RecordCount = 0;
    Busy = true;
  }
};

}  // namespace brindle
