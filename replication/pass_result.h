// What one copy pass did, as a value: per table the rows it read and wrote, the marks before and
// after, the time it took; on failure a typed error with the server's codes. The window and
// brindle-sync show and print from it; the log says the same for people, in its own words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/date_time.h"

namespace brindle {

enum class TPassStatus {
  kCompleted,
  kFailed,
  // Another program held the copy; nothing was written and the pass does not count as failed.
  kSkipped,
};

// Where in the pass a failure happened.
enum class TPassStep {
  kConnectWork,  // connecting to the working database or opening its configuration
  kConnectCopy,  // the same for the copy
  kLockCopy,     // taking the copy's lock
  kMarkCopy,     // DB_IS_COPY and the working database's location in the copy
  kReadHorizon,  // the working server's time and its open transactions
  kTable,        // replicating a table
  kCarryOver,    // the REPORTS section and the KO keys
  kFinish,       // LAST_COPY_TIME and closing the connections
};

// A short name of the step for people ("таблица", ...).
const char* PassStepName(TPassStep step);

struct TPassError {
  TPassStep Step = TPassStep::kConnectWork;
  std::string Table;                    // the table being replicated; empty outside the tables
  std::string Key;                      // the key of the row being written; empty when no row was
  std::int32_t SqlCode = 0;             // the server's SQLCODE; 0 when not a server error
  std::vector<std::intptr_t> GdsCodes;  // the server's error codes, the main one first
  std::string Text;                     // the message as the log and the window show it
};

struct TTableResult {
  std::string Table;
  std::int64_t Read = 0;       // rows read from the working database
  std::int64_t Inserted = 0;   // written as new rows of the copy
  std::int64_t Updated = 0;    // written over rows that differed
  std::int64_t Unchanged = 0;  // equal in every copied column, left alone
  TDateTime MarkBefore = 0;    // the stored mark the table was read from (0: none)
  TDateTime MarkAfter = 0;     // the mark stored after it; MarkBefore when the table failed
  double Seconds = 0;
  bool Failed = false;
  std::string FailedKey;  // the key of the row being written when the table failed, if a row

  std::int64_t Copied() const { return Inserted + Updated; }
};

// A transaction of the working database that holds a table's mark back.
struct TMarkHolder {
  std::int64_t TransactionId = 0;
  TDateTime Started = 0;  // on the working server's clock
  std::string User, RemoteAddress, RemoteProcess;
  std::int32_t RemotePid = 0;
  std::vector<std::string> Tables;  // replicated tables it wrote; empty: any it may write
};

struct TPassResult {
  TPassStatus Status = TPassStatus::kCompleted;
  TDateTime Started = 0;   // local time
  TDateTime Finished = 0;  // local time; LastCopyTime after a completed pass
  // The tables in copy order, as far as the pass got. A table that fails does not stop the
  // others; each failed table is marked, and its error is in TableErrors.
  std::vector<TTableResult> Tables;
  std::optional<TPassError> Error;      // set when Failed: the first failure
  std::vector<TPassError> TableErrors;  // every table that failed, in copy order
  std::string LockHolder;               // who held the copy, when Skipped
  bool LockHeldByRepair = false;        // the holder repairs the copy rather than copies
  // Transactions that held a mark back by more than the overlap in this pass.
  std::vector<TMarkHolder> Holders;
  // The monitoring tables of the working database could not be read; marks were not held.
  bool MonitoringUnavailable = false;
  // Warnings the pass logged, as logged.
  std::vector<std::string> Warnings;
  // Failed passes since the last completed one, this one included, as the copy records them; the
  // engine counts on by itself while the copy cannot be reached. A skipped pass gives the copy's
  // count.
  std::int32_t FailedPasses = 0;
  // The working server's clock less this computer's, in days, seen when the pass read the
  // working server's time; empty when it did not get that far. Lag is taken on that clock.
  std::optional<double> WorkClockOffset;

  bool Failed() const { return Status == TPassStatus::kFailed; }
  std::int64_t Copied() const;
  // Tables that had rows written.
  std::size_t TablesCopied() const;
};

}  // namespace brindle
