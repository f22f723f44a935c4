// What a check of the copy against the working database found, as a value: per table the rows
// compared, those the copy lacks, those that differ (a few keys with the differing columns), the
// copy's rows whose working row is gone, the rows each side gave and the time taken; after a
// repair, what was written. brindle-sync prints and the service logs from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/date_time.h"

namespace brindle {

// Keys kept as examples of each kind of finding, per table.
inline constexpr std::size_t kCheckExampleKeys = 5;

// A row of the copy that differs from its working row.
struct TDifferentRow {
  std::string Key;
  std::vector<std::string> Columns;  // the copied columns whose values differ
};

struct TTableCheck {
  std::string Table;
  // Why no row of the table was compared (no mark yet, a damaged mark, no such table in the
  // copy); empty when it was compared.
  std::string NotCompared;
  std::int64_t Compared = 0;   // rows held by both databases, compared column by column
  std::int64_t Missing = 0;    // working rows the copy lacks
  std::int64_t Different = 0;  // rows that differ in at least one column
  std::int64_t Orphans = 0;    // copy rows whose working row is gone
  // Working rows at or after the table's mark (the pass has yet to copy them), and rows of cards
  // without a purse, which the pass does not copy: left out, with their copy rows.
  std::int64_t LeftOut = 0;
  std::int64_t WorkRows = 0;  // rows the working database gave
  std::int64_t CopyRows = 0;  // rows the copy gave
  double Seconds = 0;
  std::vector<std::string> MissingKeys;      // up to kCheckExampleKeys
  std::vector<TDifferentRow> DifferentRows;  // up to kCheckExampleKeys
  std::vector<std::string> OrphanKeys;       // up to kCheckExampleKeys
  // Written by a repair.
  std::int64_t Inserted = 0;
  std::int64_t Updated = 0;
  std::int64_t Deleted = 0;
  // Findings the repair left mended: the rows it wrote or deleted, and those a pass had already
  // made equal by the time the repair came to them.
  std::int64_t Mended = 0;
  // Orphans found beyond the bound a repair deletes without being told otherwise; none of the
  // table's orphans were deleted then.
  bool OrphansOverBound = false;
  std::string Error;  // why the table could not be checked; empty when it was
  // The working server's time as of which the copy's table held what the working database's did,
  // if the comparison found them equal: the earlier of the table's mark and the moment the
  // comparison began; 0 when the table was not compared.
  TDateTime VerifiedAsOf = 0;

  std::int64_t Found() const { return Missing + Different + Orphans; }
  // What a repair left as it was: orphans unless they were deleted; everything without a repair.
  std::int64_t Left() const { return Found() - Mended; }
  // The whole table was compared and the copy holds what the working database held (after a
  // repair: now holds it).
  bool ProvedEqual() const {
    return VerifiedAsOf > 0 && NotCompared.empty() && Error.empty() && Left() == 0;
  }
};

// How a check ended: it went through every table (some may have failed on their own), or it was
// refused before it read anything (another working database, the copy's lock), stopped by an
// error that ends the whole check, or interrupted by a stop signal.
enum class TCheckEnd { kCompleted, kRefused, kFailed, kInterrupted };

struct TCheckResult {
  bool Repair = false;  // the check repaired what it found
  std::vector<TTableCheck> Tables;
  TCheckEnd End = TCheckEnd::kCompleted;
  std::string Error;  // what refused, stopped or interrupted the check; empty when it completed

  bool Completed() const { return End == TCheckEnd::kCompleted; }
  bool Failed() const;
  std::int64_t Compared() const;
  std::int64_t Missing() const;
  std::int64_t Different() const;
  std::int64_t Orphans() const;
  std::int64_t Found() const;
  std::int64_t Left() const;
  std::int64_t Repaired() const;     // findings mended
  std::int64_t NotCompared() const;  // tables
};

inline constexpr int kCheckInterruptedStatus = 130;

// 0: the copy was compared and holds what the working database holds (after a repair: now holds
// it); 1: it does not, or not every table or no row was compared; 2: the check failed or was
// refused; kCheckInterruptedStatus: a stop signal ended it.
int CheckExitStatus(const TCheckResult& result);

// "completed", "refused", "failed", "interrupted": how a check ended, as the copy records it and
// --json says it; CheckEndFromName reads it back (kFailed for a name it does not know).
const char* CheckEndName(TCheckEnd end);
TCheckEnd CheckEndFromName(const std::string& name);

// One line for the log and the service status: "Проверка копии: таблиц N, сравнено записей
// N, ...", with the tables not compared and why, and how the check ended when it did not
// complete.
std::string CheckSummaryText(const TCheckResult& result);

}  // namespace brindle
