// The copy engine: the one worker thread with its copy settings. It is given the settings as a
// value and takes a copy of them under a lock at the start of each pass, so a change made while
// a pass runs applies from the next one. Each pass returns a result, which the engine keeps and
// hands to its observer; the window and brindle-sync are its clients and share nothing else.
//
// Threads: the settings, the copy switch, WakeUp and the published state may be used from any
// thread. The observer runs on the copy thread after every pass and must not block for long.
#pragma once

#include <functional>
#include <mutex>
#include <optional>

#include "replication/copy_pass.h"
#include "replication/copy_settings.h"
#include "replication/copy_thread.h"
#include "replication/pass_result.h"

namespace brindle {

class TFyrn;

class TCopyEngine {
 public:
  using PassObserver = std::function<void(const TPassResult&)>;
  // A pass of the caller's own instead of the copy pass, for tests that must hold a pass at a
  // chosen point. It publishes its progress on the thread as the copy pass does.
  using PassBody = std::function<TPassResult(const TCopySettings&, TCopyDBThread&)>;

  // Starts the thread with copying off. `fyrn` must outlive the engine. With a body, the passes
  // are the body's.
  TCopyEngine(TFyrn& fyrn, TCopySettings settings, PassObserver observer = {}, PassBody body = {});
  // Passes of the body only; no database library is needed.
  TCopyEngine(TCopySettings settings, PassBody body, PassObserver observer = {});
  // Stops the thread: a running pass ends first.
  ~TCopyEngine();
  TCopyEngine(const TCopyEngine&) = delete;
  TCopyEngine& operator=(const TCopyEngine&) = delete;

  TCopySettings Settings() const;
  void SetSettings(TCopySettings settings);
  // Changes the settings in place, under the lock.
  void UpdateSettings(const std::function<void(TCopySettings&)>& change);

  // Switching copying off does not interrupt a running pass; it keeps the next from starting.
  void SetCopyEnabled(bool enabled) { thread_.CopyEnabled = enabled; }
  bool CopyEnabled() const { return thread_.CopyEnabled; }
  // Cuts the wait short, unless a pass is running.
  void WakeUp() { thread_.WakeUp(); }

  // The published progress and outcome of the passes.
  const TCopyDBThread& Thread() const { return thread_; }
  bool Busy() const { return thread_.Busy; }
  TCopyDBThread::Outcome Outcome() const { return thread_.Snapshot(); }
  // The time of the last copy, as the copy database records it, when copying is switched on.
  void SetLastCopyTime(TDateTime time) { thread_.SetLastCopyTime(time); }
  // The result of the last pass that ended; none before the first.
  std::optional<TPassResult> LastResult() const;

 private:
  TCopyEngine(TFyrn* fyrn, TCopySettings settings, PassObserver observer, PassBody body);
  void Pass(TCopyDBThread& thread);

  TFyrn* fyrn_;  // null when the body makes every pass
  PassObserver observer_;
  PassBody body_;
  mutable std::mutex lock_;  // guards settings_ and last_
  TCopySettings settings_;
  std::optional<TPassResult> last_;
  TPassMemory memory_;    // the copy thread's only
  TCopyDBThread thread_;  // last: starts once everything else is built
};

}  // namespace brindle
