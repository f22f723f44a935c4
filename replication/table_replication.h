// Brings one table of the copy database up to date with the working database: reads the rows
// changed since the table's high-water mark (less the overlap; of the overlap only those whose
// stamp the copy does not hold, or only those written since the engine's last pass of the table
// looked), inserts those whose key the copy lacks, updates those that differ in any copied
// column, and leaves equal rows alone. All writes of the table go into one transaction with one
// commit; the new mark, which the pass chose, is stored only after it.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/date_time.h"
#include "replication/pass_progress.h"
#include "replication/pass_result.h"
#include "replication/write_horizon.h"
#include "schema/replicated_tables.h"

namespace brindle {

class TFyrn;
class TfbIniFile;
namespace ibx {
class TIBDatabase;
}

// What a table's last committed pass saw of the working database: every row stamped after `bound`
// that a transaction numbered below `pending_from` wrote (TWriteHorizon::PendingFrom). Those
// transactions had ended before that pass read the table, or wrote it only later with stamps
// after `mark`, so that pass read such rows and the copy holds them as they were. A later pass
// between the same databases, whose window starts no earlier and which finds the mark that pass
// stored, reads of its window only rows stamped from that mark on or written by transactions
// numbered from `pending_from` on (RDB$RECORD_VERSION). A row that someone else changes or
// deletes in the copy is then left to the check.
struct TSeenRows {
  std::string databases;  // the working database's identity and the copy's connection string
  TDateTime mark = 0;     // the mark it stored
  TDateTime bound = 0;
  std::int64_t pending_from = 0;
};

// What a pass gives every table: its open connections, the copy's configuration, where progress
// is published, and the overlap. All belong to the pass.
struct TTableContext {
  TFyrn& fyrn;
  ibx::TIBDatabase& work;
  ibx::TIBDatabase& copy;
  TfbIniFile& copy_conf;
  TPassProgress& progress;  // RecordNo and RecordCount
  double overlap = 0;       // days read again before the stored mark
  // The overlap is compared by keys and stamps first, and read whole only where they differ
  // (replication/overlap_stamps.h); false: read whole, as rows after the mark are.
  bool overlap_by_stamps = true;
  // For TSeenRows: the databases of this pass, its look at the working database's transactions,
  // and the engine's entries by table, which ReplicateTable replaces or drops (null: none kept).
  std::string databases;
  const TWriteHorizon* horizon = nullptr;
  std::map<std::string, TSeenRows>* seen = nullptr;
};

// Fills `result` as it goes, so that a failure leaves what was done. A failure raises an
// exception of the first failure's class whose message starts with Репликация таблицы "T" and
// ends with the class name; the table's mark is then unchanged, result.Failed is set and
// result.FailedKey holds the key of the row being written, when it was a row.
void ReplicateTable(const TTableContext& context, const ReplicatedTable& table, TDateTime new_mark,
                    TTableResult& result);

}  // namespace brindle
