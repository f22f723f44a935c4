// What a check of the copy against the working database found, as a value: per table the rows
// compared, those the copy lacks, those that differ (a few keys with the differing columns), the
// copy's rows whose working row is gone, the rows each side gave and the time taken; after a
// repair, what was written. brindle-sync prints and the service logs from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
  std::string Error;  // why the table could not be checked; empty when it was

  std::int64_t Found() const { return Missing + Different + Orphans; }
  // What a repair left as it was: orphans unless they were deleted; everything without a repair.
  std::int64_t Left() const { return Found() - Inserted - Updated - Deleted; }
};

struct TCheckResult {
  bool Repair = false;  // the check repaired what it found
  std::vector<TTableCheck> Tables;
  std::string Error;  // what stopped the check before or between tables; empty when nothing

  bool Failed() const;
  std::int64_t Compared() const;
  std::int64_t Missing() const;
  std::int64_t Different() const;
  std::int64_t Orphans() const;
  std::int64_t Found() const;
  std::int64_t Left() const;
};

// 0: the copy holds what the working database holds (after a repair: now holds it); 1: it does
// not; 2: the check failed.
int CheckExitStatus(const TCheckResult& result);

// One line for the log and the service status: "Проверка копии: сравнено N записей, ...".
std::string CheckSummaryText(const TCheckResult& result);

}  // namespace brindle
