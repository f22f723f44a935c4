// The one worker thread: it sleeps for the copy period and, each time the sleep ends while
// copying is switched on, runs one copy pass. The main window cuts the sleep short with WakeUp
// and polls the published fields from its timer.
//
// Threads: the flag and four numbers are written by this thread only and read without a lock;
// the error and copy times are handed over as one snapshot under a lock, so a reader never
// sees a text of one failure with the time of another. The pulse is for a watchdog in another
// thread: it tells a thread that waits or makes progress from one that is stuck or has ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/auto_reset_event.h"
#include "platform/date_time.h"

namespace brindle {

class TCopyDBThread {
 public:
  using Pass = std::function<void(TCopyDBThread&)>;
  // The copy period in seconds, asked anew before every wait.
  using Period = std::function<std::int32_t()>;

  // Starts the thread at once with copying off; it runs `pass` for every pass.
  TCopyDBThread(Pass pass, Period period);
  // Requests termination, wakes the thread and waits for it: a running pass ends first.
  ~TCopyDBThread();
  TCopyDBThread(const TCopyDBThread&) = delete;
  TCopyDBThread& operator=(const TCopyDBThread&) = delete;

  // Cuts the wait short, unless a pass is running (then nothing happens, not even later).
  void WakeUp();

  struct Outcome {
    std::string LastErrorText;  // empty when the last pass did not fail
    TDateTime LastErrorTime = 0;
    TDateTime LastCopyTime = 0;  // 0 while not known
  };
  Outcome Snapshot() const;
  void SetLastError(std::string text, TDateTime time);
  void SetLastCopyTime(TDateTime time);

  // Switched by the operator; a running pass is not interrupted by switching it off.
  std::atomic<bool> CopyEnabled{false};

  // Published progress of the running pass.
  std::atomic<bool> Busy{false};
  std::atomic<std::int32_t> TableNo{0};
  std::atomic<std::int32_t> TableCount{0};
  std::atomic<std::int32_t> RecordNo{0};
  std::atomic<std::int32_t> RecordCount{0};

  // Signs of life. While the thread sleeps between passes it is Waiting; each wait it begins or
  // ends counts a beat; during a pass, progress shows in the table and record numbers. A pass
  // stuck in one call, or a thread that has ended, changes none of them.
  struct Pulse {
    bool Waiting = false;
    std::uint64_t Beats = 0;
    std::int32_t TableNo = 0;
    std::int32_t RecordNo = 0;
    std::int32_t RecordCount = 0;
    bool operator==(const Pulse&) const = default;
  };
  Pulse TakePulse() const;

  // The wait of one period: CheckPeriod seconds as a 32-bit count of milliseconds, so a
  // negative period is a very long wait (-1 gives 4294966296 ms).
  static std::uint32_t PeriodMs(std::int32_t check_period);

 private:
  void Execute();

  Pass pass_;
  Period period_;
  AutoResetEvent wake_event_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> waiting_{false};
  std::atomic<std::uint64_t> beats_{0};
  mutable std::mutex outcome_lock_;
  Outcome outcome_;
  std::thread thread_;  // last: starts once everything else is built
};

}  // namespace brindle
