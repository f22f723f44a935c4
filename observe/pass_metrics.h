// The copy's state as a Prometheus text-format file, for node_exporter's textfile collector:
// brindle-sync in service mode rewrites it after every pass, from the passes' results alone.
//
// Metrics: brindle_table_lag_seconds{table} and brindle_table_rows_last_pass{table} (every table
// a pass has made complete up to some time; the figures of the last pass that reached it),
// brindle_lag_estimated (1 while lag is not on a clock the last pass read),
// brindle_pass_duration_seconds, brindle_last_success_timestamp_seconds (0: none known),
// brindle_failed_passes (since the last success) and brindle_copy_enabled (0 or 1); once a check
// of the copy has ended in this run, brindle_check_timestamp_seconds, brindle_check_rows_compared,
// brindle_check_rows{kind="missing"|"different"|"orphan"} and brindle_check_failed of the last
// check that went through every table, and brindle_check_attempt_timestamp_seconds and
// brindle_check_attempt_completed of the last check of any end. Lag is taken
// on the working server's clock, as the last pass that read it saw that clock (this computer's
// clock until a pass has).
//
// One thread uses an object at a time.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/date_time.h"
#include "replication/check_result.h"
#include "replication/pass_result.h"

namespace brindle {

class TPassMetrics {
 public:
  // `last_success`: the end of the last completed pass before these (local time; 0: none known).
  explicit TPassMetrics(TDateTime last_success = 0) : last_success_(last_success) {}
  // Takes in a pass that ended. Tables it did not reach keep the figures of the passes before.
  void Add(const TPassResult& result);
  // The end of the last completed pass, once it is known (local time).
  void SetLastSuccess(TDateTime last_success) { last_success_ = last_success; }
  // Takes in a check of the copy that ended at `finished` (local time).
  void AddCheck(const TCheckResult& result, TDateTime finished);
  // The working server's times as of which tables were proven equal, as the copy records them
  // and the check between passes learns them; later than what is known, they replace it.
  void AddVerified(const std::map<std::string, TDateTime>& verified);
  // The file's text at `now` (local time).
  std::string Text(TDateTime now, bool copy_enabled) const;

 private:
  struct Table {
    TDateTime complete_as_of = 0;  // on the working server's clock
    std::int64_t rows = 0;
  };
  std::map<std::string, Table> tables_;
  // The working server's time as of which a check last proved each table equal.
  std::map<std::string, TDateTime> verified_;
  double clock_offset_ = 0;    // the working server's clock less this computer's, in days
  bool lag_estimated_ = true;  // no pass has read the working server's clock yet
  double pass_seconds_ = 0;
  std::int32_t failed_passes_ = 0;
  TDateTime last_success_ = 0;
  struct Check {
    TDateTime finished = 0;
    std::int64_t compared = 0, missing = 0, different = 0, orphans = 0;
    bool failed = false;
  };
  std::optional<Check> check_;  // the last completed check
  struct Attempt {
    TDateTime finished = 0;
    bool completed = false;
  };
  std::optional<Attempt> attempt_;
};

// Replaces the file the textfile collector's way: the text goes into a temporary file in the
// same folder, which is then renamed over it, so a reader never sees half a file. The file is
// readable by everyone (0644). Raises EOSError naming the file and the system's reason.
void ReplaceMetricsFile(const std::string& path, const std::string& text);

// The metrics of one program run, kept in the file at `path`.
class TMetricsFile {
 public:
  TMetricsFile(std::string path, TDateTime last_success)
      : path_(std::move(path)), metrics_(last_success) {}
  // Takes in the pass and rewrites the file. Never raises: a failure is logged as a warning, once
  // while the same failure repeats, and then returned; otherwise the result is empty.
  std::string Update(const TPassResult& result, bool copy_enabled);
  // Takes in a check that ended now and rewrites the file; as Update.
  std::string UpdateCheck(const TCheckResult& result, bool copy_enabled);
  // Rewrites the file without a new pass, as when copying has been switched off; as Update.
  std::string Write(bool copy_enabled);
  // As TPassMetrics::SetLastSuccess; the file is written with the next pass.
  void SetLastSuccess(TDateTime last_success) { metrics_.SetLastSuccess(last_success); }
  // As TPassMetrics::AddVerified; the file is written with the next pass.
  void AddVerified(const std::map<std::string, TDateTime>& verified) {
    metrics_.AddVerified(verified);
  }

 private:
  std::string path_;
  TPassMetrics metrics_;
  std::string last_failure_;
};

}  // namespace brindle
