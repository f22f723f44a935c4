// Writes what a check found into the copy. The check hands over keys: of working rows the copy
// lacks or holds differently, and, when asked, of copy rows whose working row is gone. They are
// held until a range's worth has gathered; then, under the copy's lock, taken for that range only
// so that passes go on between ranges, the working rows of those keys are read again and written
// as the copy pass writes them (TCopyWriter, compared again by the exact text forms), keeping the
// working row's MODIFYDATE, and orphans that are still orphans are deleted, all in one
// transaction. Reading again under the lock means a row that a pass copied since the check read
// it is never put back to an older version. Memory is bounded, and a failure loses at most the
// range being written.
//
// Orphans are deleted only at the end of the table, and only when they are at most the bound:
// beyond it the copy is more likely filled from another database than holding a few stray rows.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ibx/packed_rows.h"
#include "ibx/value.h"
#include "schema/replicated_tables.h"

namespace brindle {

class TFyrn;
class TCopyLock;
namespace ibx {
class TIBDatabase;
class TIBDataSet;
}  // namespace ibx

// What refuses a check or its repair as a whole (another working database, the copy's lock taken
// longer than a repair waits for it): the check ends as refused.
class TCheckRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Orphans a repair deletes from a table of `copy_rows` rows without being told it may delete
// more: 1% of the rows, at least 100.
std::int64_t OrphanBound(std::int64_t copy_rows);

struct TRepairOptions {
  bool DeleteOrphans = false;
  // Orphans deleted at most per table; negative: no bound.
  std::int64_t OrphanBound = -1;
  // Stops the wait for the copy's lock when set.
  const std::atomic<bool>* Cancel = nullptr;
};

// What a repair did to one table.
struct TRepairCounts {
  std::int64_t Inserted = 0;
  std::int64_t Updated = 0;
  std::int64_t Deleted = 0;
  // Findings left mended: rows written or deleted, and rows a pass had made equal meanwhile.
  std::int64_t Mended = 0;
  // More orphans than the bound: none were deleted.
  bool OrphansOverBound = false;
};

class TCopyRepair {
 public:
  // `work` and `copy` are connections of the repair's own; `columns` are the copied columns, key
  // among them, in the order of the rows' values.
  TCopyRepair(TFyrn& fyrn, ibx::TIBDatabase& work, ibx::TIBDatabase& copy,
              const ReplicatedTable& table, std::vector<std::string> columns,
              TRepairOptions options);
  ~TCopyRepair();
  TCopyRepair(const TCopyRepair&) = delete;
  TCopyRepair& operator=(const TCopyRepair&) = delete;

  // The key of a working row to write; may write the rows held.
  void Write(ibx::TIBValue key);
  // The key of a copy row whose working row is gone; ignored without DeleteOrphans.
  void Delete(ibx::TIBValue key);
  // The table's end: writes what is held and deletes the orphans when they are within the bound.
  void Finish();
  // What was committed so far.
  const TRepairCounts& Done() const { return done_; }

 private:
  void Flush(bool last);
  // Waits for the copy's lock while a pass holds it; raises when cancelled or after long.
  void AcquireLock(TCopyLock& lock);
  // The working rows of `keys` as they are now, into rows_.
  void ReadAgain(const std::vector<ibx::TIBValue>& keys);

  TFyrn& fyrn_;
  ibx::TIBDatabase& work_;
  ibx::TIBDatabase& copy_;
  const ReplicatedTable& table_;
  const std::vector<std::string> columns_;
  const std::size_t key_index_;
  const TRepairOptions options_;
  std::vector<ibx::TIBValue> keys_;
  std::vector<ibx::TIBValue> orphans_;
  std::int64_t orphans_seen_ = 0;
  std::unique_ptr<ibx::TIBDataSet> read_again_;
  ibx::TIBPackedRows rows_;
  TRepairCounts done_;
};

}  // namespace brindle
