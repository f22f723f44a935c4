// Writes what a check found into the copy, as the copy pass writes: working rows the copy lacks
// or holds differently go through a TCopyWriter (insert or update, compared again by the exact
// text forms), and, when asked, copy rows whose working row is gone are deleted. Rows are held
// until a range's worth has gathered, then written in one transaction of their own, so memory is
// bounded and a failure loses at most the range being written. The caller holds the copy's lock.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ibx/packed_rows.h"
#include "ibx/value.h"
#include "replication/check_result.h"
#include "schema/replicated_tables.h"

namespace brindle {

class TFyrn;
namespace ibx {
class TIBDatabase;
}

class TCopyRepair {
 public:
  // `copy` is a connection of the repair's own; `columns` are the copied columns, key among them,
  // in the order of the rows' values.
  TCopyRepair(TFyrn& fyrn, ibx::TIBDatabase& copy, const ReplicatedTable& table,
              std::vector<std::string> columns, bool delete_orphans);

  // A working row to write, its first fields those of `columns`; may write the rows held,
  // counting into `result`.
  void Write(const ibx::TIBPackedRows& rows, std::size_t row, TTableCheck& result);
  // The key of a copy row whose working row is gone; ignored without delete_orphans.
  void Delete(ibx::TIBValue key, TTableCheck& result);
  // Writes what is held.
  void Flush(TTableCheck& result);

 private:
  void FlushIfFull(TTableCheck& result);

  TFyrn& fyrn_;
  ibx::TIBDatabase& copy_;
  const ReplicatedTable& table_;
  const std::vector<std::string> columns_;
  const bool delete_orphans_;
  ibx::TIBPackedRows rows_;
  std::vector<ibx::TIBValue> orphans_;
};

}  // namespace brindle
