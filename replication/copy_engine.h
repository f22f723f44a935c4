// The copy engine: the one worker thread with its copy settings. It is given the settings as a
// value and takes a copy of them under a lock at the start of each pass, so a change made while
// a pass runs applies from the next one. A pass counts its progress into the engine's progress
// and returns its result, which the engine keeps and hands to its observer; what the window
// shows is derived from that result. The window and brindle-sync are its clients and share
// nothing else.
//
// Threads: the settings, the copy switch, WakeUp and the published state may be used from any
// thread. The observer runs on the copy thread after every pass and must not block for long.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "replication/copy_pass.h"
#include "replication/copy_thread.h"
#include "replication/pass_progress.h"
#include "replication/pass_result.h"
#include "settings/copy_settings.h"

namespace brindle {

class TFyrn;

// What the window shows of the passes: derived from the last result and the copy's record.
struct TPassOutcome {
  std::string LastErrorText;  // empty when the last pass did not fail, or one is running
  TDateTime LastErrorTime = 0;
  TDateTime LastCopyTime = 0;  // 0 while not known
};

// The outcome once `last` has ended, the copy time known before it being `copy_time`.
TPassOutcome OutcomeAfter(const TPassResult& last, TDateTime copy_time);

class TCopyEngine {
 public:
  using PassObserver = std::function<void(const TPassResult&)>;
  // A pass of the caller's own instead of the copy pass, for tests that must hold a pass at a
  // chosen point. It publishes its progress as the copy pass does.
  using PassBody = std::function<TPassResult(const TCopySettings&, TPassProgress&)>;
  // One piece of the work between passes (the check of the copy in slices), on the copy thread
  // with the settings of the moment; true when it has more to do at once.
  using BetweenPasses = std::function<bool(const TCopySettings&)>;

  // Starts the thread with copying off. `fyrn` must outlive the engine. With a body, the passes
  // are the body's.
  TCopyEngine(TFyrn& fyrn, TCopySettings settings, PassObserver observer = {}, PassBody body = {});
  // Passes of the body only; no database library is needed.
  TCopyEngine(TCopySettings settings, PassBody body, PassObserver observer = {});
  // Stops the thread: a running pass ends first.
  ~TCopyEngine();
  TCopyEngine(const TCopyEngine&) = delete;
  TCopyEngine& operator=(const TCopyEngine&) = delete;

  // The database library's binding the engine was given; raises Exception for an engine of a
  // body only.
  TFyrn& Binding() const;

  TCopySettings Settings() const;
  void SetSettings(TCopySettings settings);
  // Changes the settings in place, under the lock.
  void UpdateSettings(const std::function<void(TCopySettings&)>& change);

  // Switching copying off does not interrupt a running pass; it keeps the next from starting.
  void SetCopyEnabled(bool enabled) { thread_.CopyEnabled = enabled; }
  bool CopyEnabled() const { return thread_.CopyEnabled; }
  // Cuts the wait short, unless a pass is running.
  void WakeUp() { thread_.WakeUp(); }
  // The work between passes from now on; what it uses must outlive the engine or the next call.
  void SetBetweenPasses(BetweenPasses work);
  // Cuts the wait short for the work between passes, without a pass.
  void Nudge() { thread_.Nudge(); }
  // Switches copying on for one pass, which starts at once; copying is off again when it ends,
  // before the observer hears of it.
  void RunOnePass();

  // The running pass's progress.
  const TPassProgress& Progress() const { return progress_; }
  bool Busy() const { return progress_.Busy; }
  TPassOutcome Outcome() const;
  // The time of the last copy as the copy database records it, until a pass completes.
  void SetLastCopyTime(TDateTime time);
  // The result of the last pass that ended; none before the first.
  std::optional<TPassResult> LastResult() const;

  // Signs of life for a watchdog: a thread that waits or makes progress changes them; a pass
  // stuck in one call, or a thread that has ended, does not.
  struct Pulse {
    bool Waiting = false;
    std::uint64_t Beats = 0;
    std::int32_t TableNo = 0;
    std::int32_t RecordNo = 0;
    std::int32_t RecordCount = 0;
    bool operator==(const Pulse&) const = default;
  };
  Pulse TakePulse() const;

 private:
  TCopyEngine(TFyrn* fyrn, TCopySettings settings, PassObserver observer, PassBody body);
  void Pass();
  bool Between();

  TFyrn* fyrn_;  // null when the body makes every pass
  PassObserver observer_;
  PassBody body_;
  mutable std::mutex lock_;  // guards settings_, last_, outcome_ and between_
  TCopySettings settings_;
  BetweenPasses between_;
  std::optional<TPassResult> last_;
  TPassOutcome outcome_;
  TPassMemory memory_;  // the copy thread's only
  TPassProgress progress_;
  std::atomic<bool> one_pass_{false};
  TCopyDBThread thread_;  // last: starts once everything else is built
};

}  // namespace brindle
