// The one worker thread: it sleeps for the copy period and, each time the sleep ends while
// copying is switched on, runs one pass. The main window cuts the sleep short with WakeUp. After
// each wait, while copying is on, it does the work between passes, if it has any: while that work
// says it goes on, it is done again at once until the next pass is due, which then waits for one
// piece at most. The
// pass publishes its own progress and result (replication/copy_engine.h); the thread only knows
// whether it runs one. Its beats are for a watchdog in another thread: they tell a thread that
// waits from one that is stuck or has ended.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "platform/auto_reset_event.h"

namespace brindle {

class TCopyDBThread {
 public:
  using Pass = std::function<void()>;
  // The copy period in seconds, asked anew before every wait.
  using Period = std::function<std::int32_t()>;
  // One piece of the work between passes; true when there is more.
  using Between = std::function<bool()>;

  // Starts the thread at once with copying off; it runs `pass` for every pass.
  TCopyDBThread(Pass pass, Period period, Between between = {});
  // Requests termination, wakes the thread and waits for it: a running pass ends first.
  ~TCopyDBThread();
  TCopyDBThread(const TCopyDBThread&) = delete;
  TCopyDBThread& operator=(const TCopyDBThread&) = delete;

  // Cuts the wait short, unless a pass is running (then nothing happens, not even later).
  void WakeUp();
  // Cuts the wait short for the work between passes only; no pass comes before it is due.
  void Nudge();

  // Switched by the operator; a running pass is not interrupted by switching it off.
  std::atomic<bool> CopyEnabled{false};

  // Signs of life: while the thread sleeps between passes it is Waiting, and each wait it begins
  // or ends counts a beat.
  bool Waiting() const { return waiting_; }
  std::uint64_t Beats() const { return beats_; }

  // The wait of one period: CheckPeriod seconds as a 32-bit count of milliseconds, so a
  // negative period is a very long wait (-1 gives 4294966296 ms).
  static std::uint32_t PeriodMs(std::int32_t check_period);

 private:
  void Execute();

  Pass pass_;
  Period period_;
  Between between_;
  AutoResetEvent wake_event_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> woken_{false};    // by WakeUp: a pass at once
  std::atomic<bool> running_{false};  // a pass is running
  std::atomic<bool> waiting_{false};
  std::atomic<std::uint64_t> beats_{0};
  std::thread thread_;  // last: starts once everything else is built
};

}  // namespace brindle
