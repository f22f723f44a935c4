// One complete copy from the working database to the copy database: opens both, marks the copy,
// replicates every table of ReplicatedTables in order, carries the REPORTS section and two KO
// keys over, and records the time of the successful pass. Runs on the copy thread.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "platform/date_time.h"
#include "replication/pass_progress.h"
#include "replication/pass_result.h"
#include "replication/table_replication.h"
#include "replication/write_horizon.h"
#include "settings/copy_settings.h"

namespace brindle {

class TFyrn;

// What the passes of one engine remember from one pass to the next, so that a warning about the
// same cause is logged once. Belongs to the copy thread.
struct TPassMemory {
  // Open transactions already warned about, by attachment and start (commit retaining changes
  // a transaction's number, not these).
  std::set<std::pair<std::int64_t, TDateTime>> warned_transactions;
  bool monitoring_failure_logged = false;
  // The last look at the working database's open transactions, and which database it was:
  // the next look compares with it to see what a commit retaining committed.
  std::optional<TWriteHorizon> last_horizon;
  std::string last_horizon_of;
  // The failed passes since the last completed one, as the last pass left the count: counted on
  // from here while the copy cannot be reached.
  std::int32_t failed_passes = 0;
  // Per table, what its last committed pass saw of the working database: the next pass reads of
  // its overlap only what was written since (TSeenRows).
  std::map<std::string, TSeenRows> seen_rows;
};

// The log line of a pass skipped because another program held the copy; the holder may be
// unknown (empty).
std::string SkippedPassText(const std::string& holder, bool held_by_repair);

// Never raises: a failure is logged with "Ошибка при копировании БД: " and returned in the result;
// whatever the pass opened is released either way. Counts its tables and rows into `progress` as it
// goes; Busy is the caller's. A pass that ran records its freshness in the copy
// (replication/copy_record.h); a failed one does so whenever the copy can still be reached.
TPassResult RunCopyPass(TFyrn& fyrn, const TCopySettings& settings, TPassProgress& progress,
                        TPassMemory& memory);

}  // namespace brindle
