// The check of the copy against the working database, and its repair. For each table it reads
// both databases in key order, range by range (TKeyRanges, one short read-only transaction per
// range, the two sides on two threads) and compares row by row with the copy pass's exact text
// forms (SameCopiedValue). Working rows at or after the table's stored mark are still to be
// copied, and rows of cards without a purse are not copied at all: both are left out, with the
// copy rows of their keys. Without a repair no row of either database is changed; with one,
// missing and different rows are written as the pass writes them, and orphans deleted only when
// asked, all under the copy's lock. Either way the summary is recorded in the copy's
// REPLICATION_INFO keys (StoreCheckFreshness), for --status and the web side. Runs on the caller's
// thread, on connections of its own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "replication/check_result.h"
#include "replication/copy_settings.h"
#include "schema/replicated_tables.h"

namespace brindle {

class TFyrn;

struct TCheckOptions {
  std::vector<ReplicatedTable> Tables;  // in this order; empty: every replicated table
  bool Repair = false;
  bool DeleteOrphans = false;  // with Repair
  // Rows of the working database read per second at most; 0: as fast as it gives them.
  std::int64_t MaxRowsPerSecond = 0;
  std::size_t RangeRows = 5000;  // rows per range and read-only transaction
  // When set and it becomes true, the check stops soon with the error "Проверка прервана".
  const std::atomic<bool>* Cancel = nullptr;
};

// The replicated tables of a comma-separated list of names (any letter case), in list order;
// raises Exception naming an unknown or repeated table.
std::vector<ReplicatedTable> ParseCheckedTables(const std::string& names);

// Never raises: a table that cannot be checked has its Error and the others go on; what stops
// the whole check (a connection, the copy's lock) is the result's Error.
TCheckResult RunCopyCheck(TFyrn& fyrn, const TCopySettings& settings, const TCheckOptions& options);

}  // namespace brindle
