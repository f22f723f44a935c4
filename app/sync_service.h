// brindle-sync copying: on until SIGINT or SIGTERM, or for the one pass of --once. Each pass is
// printed, told to systemd and written to the metrics file; the watchdog is fed while the copy
// thread lives, and the scheduled check of the copy runs between passes.
#pragma once

#include <signal.h>

#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "app/sync_reports.h"
#include "observe/pass_metrics.h"
#include "replication/check/sliced_check.h"
#include "replication/copy_engine.h"
#include "replication/pass_result.h"

namespace brindle {

inline constexpr int kExitOk = 0;
inline constexpr int kExitPassFailed = 1;

// SIGINT and SIGTERM, which the main thread alone takes, with WaitForStopSignal.
sigset_t StopSignals();

// Waits up to 200 ms for SIGINT or SIGTERM; returns the signal or 0.
int WaitForStopSignal();

// Passes finished on the copy thread, waiting to be printed by the main thread.
class PassReports {
 public:
  void Add(TPassResult report);
  std::optional<TPassResult> Take();

 private:
  std::mutex lock_;
  std::deque<TPassResult> reports_;
};

// Prints the pass and, in service mode with a metrics file, rewrites the file; a failure to
// write it is said and logged, and copying goes on.
void TakeReport(const TPassResult& report, bool copy_enabled, ProgressLine& progress,
                TMetricsFile* metrics);

// Says a failure to write the metrics file, if there was one.
void WarnOfMetrics(const std::string& failure);

// The start checks, then copying on until the pass the once mode asks for has ended, or until a
// stop signal; a pass running when the signal comes goes on to its end first. Returns the exit
// status; a start check that fails raises UsageError, except that in service mode a database that
// cannot be reached is waited for, each try counting as a failed pass. Each round of `check` that
// ends is printed and written to the metrics file.
int RunCopying(bool once, TCopyEngine& engine, PassReports& reports, TMetricsFile* metrics,
               TSlicedCheck* check);

}  // namespace brindle
