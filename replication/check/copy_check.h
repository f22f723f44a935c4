// The check of the copy against the working database, and its repair. For each table it reads
// both databases in key order, range by range (TKeyRanges, one short read-only transaction per
// range, the two sides on two threads) and compares row by row with the copy pass's exact text
// forms (SameCopiedValue). Working rows at or after the table's stored mark are still to be
// copied, and rows of cards without a purse are not copied at all: both are left out, with the
// copy rows of their keys; a table without a usable mark is not compared and says why. Without a
// repair no row of either database is changed. A repair runs only against the working database
// the copy was filled from (WorkDatabaseIdentity); it hands its findings to TCopyRepair, which
// writes range by range under the copy's lock, so passes go on in between. Either way the
// summary is recorded in the copy's REPLICATION_INFO keys (StoreCheckFreshness), for --status and
// the web side. Runs on the caller's thread, on connections of its own. A check may also go in
// slices (RunCheckSlice), each ending at a deadline and the next going on from the key where the
// last stopped.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ibx/value.h"
#include "replication/check_result.h"
#include "schema/replicated_tables.h"
#include "settings/copy_settings.h"

namespace brindle {

class TFyrn;
class TfbIniFile;

using TCheckClock = std::chrono::steady_clock;

struct TCheckOptions {
  std::vector<ReplicatedTable> Tables;  // in this order; empty: every replicated table
  bool Repair = false;
  bool DeleteOrphans = false;  // with Repair
  // With DeleteOrphans: delete a table's orphans however many there are (OrphanBound otherwise).
  bool NoOrphanLimit = false;
  // With Repair: the copy was filled from another working database, and the one given is where
  // the office is now; the repair goes on and the copy records the new one.
  bool OfficeMoved = false;
  // Rows of the working database read per second at most; 0: as fast as it gives them.
  std::int64_t MaxRowsPerSecond = 0;
  std::size_t RangeRows = 5000;  // rows per range and read-only transaction
  // When set and it becomes true, the check stops within a range: what was repaired stays
  // committed, and the result ends as interrupted.
  const std::atomic<bool>* Cancel = nullptr;
};

// The replicated tables of a comma-separated list of names (any letter case), in list order;
// raises Exception naming an unknown or repeated table.
std::vector<ReplicatedTable> ParseCheckedTables(const std::string& names);

// The tables a check goes through, in order: options.Tables, or every replicated table.
std::vector<ReplicatedTable> CheckedTables(const TCheckOptions& options);

// Where a check in slices stands.
struct TRoundPosition {
  std::size_t Table = 0;  // in CheckedTables; their count: every table is done
  // In that table, the key to go on from; none: from its first key.
  std::optional<ibx::TIBValue> FromKey;
  // Orphans the slices before found in that table: they count against the repair's bound.
  std::int64_t OrphansBefore = 0;
};

// Never raises: a table that cannot be checked has its Error and the others go on; what stops
// the whole check (a connection, a repair against another working database) is the result's
// End and Error. The caller has made sure that the copy is a copy and the working database a
// working one. The result is recorded in the copy: a completed check as the last check, any
// other as the last attempt beside it (StoreCheckFreshness).
TCheckResult RunCopyCheck(TFyrn& fyrn, const TCopySettings& settings, const TCheckOptions& options);

// The check from `position` on until `deadline`, within a range's worth of rows, as RunCopyCheck
// otherwise: the result holds the tables it came to, each with what this slice compared of it,
// and `position` is moved on to where the next slice starts (a table that failed or was not
// compared is done; an interrupted one starts again from where this slice started it). Instead
// of the check's own record, `record` is called with the copy's configuration, when the copy was
// reached; what it raises ends the result as failed.
TCheckResult RunCheckSlice(TFyrn& fyrn, const TCopySettings& settings, const TCheckOptions& options,
                           TRoundPosition& position, TCheckClock::time_point deadline,
                           const std::function<void(TfbIniFile&, TCheckResult&)>& record);

}  // namespace brindle
