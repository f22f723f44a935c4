// The rows of one table in key order, read range after range ("WHERE key > :last ORDER BY key
// ROWS n"), each range in a read-only transaction of its own that ends as soon as the range is
// read, so that no long transaction is held on the server. The ranges are read ahead on a thread
// of their own (TReadAhead), so two of these, one per database, read side by side while their
// rows are compared; the rows are kept packed as the server sent them (TIBPackedRows), and memory
// holds a few ranges, whatever the table's size.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ibx/packed_rows.h"
#include "ibx/value.h"
#include "replication/key_order.h"
#include "replication/source_rows.h"

namespace brindle {

class TFyrn;
namespace ibx {
class TIBDatabase;
class TIBDataSet;
class TIBTransaction;
}  // namespace ibx

struct TKeyRangeQuery {
  std::string table;
  std::string key_column;
  bool text_key = false;
  // The expressions of the select list, each naming the table as t; the key among them.
  std::vector<std::string> expressions;
  std::size_t key_index = 0;
  std::size_t range_rows = 5000;
  // Rows read per second at most, paced range by range; 0: no limit.
  std::int64_t max_rows_per_second = 0;
  // The rows from this key on only; none: from the first.
  std::optional<ibx::TIBValue> from_key;
};

// A row of a range, valid until the next TKeyRanges::Next; false after the last row.
struct TRangeRow {
  const ibx::TIBPackedRows* rows = nullptr;
  std::size_t at = 0;

  explicit operator bool() const { return rows != nullptr; }
  ibx::TIBValue Value(std::size_t field) const { return rows->Value(at, field); }
};

class TKeyRanges {
 public:
  // Starts reading; until this object is gone nothing else may use `db`. The caller owns `db`.
  TKeyRanges(TFyrn& fyrn, ibx::TIBDatabase& db, TKeyRangeQuery query);
  // Stops the reading and waits for its thread.
  ~TKeyRanges();
  TKeyRanges(const TKeyRanges&) = delete;
  TKeyRanges& operator=(const TKeyRanges&) = delete;

  // The next row. Raises what the reading raised, also when the server's order of the keys is
  // not CompareKeys's.
  TRangeRow Next();
  // Rows given so far.
  std::int64_t RowsGiven() const { return given_; }

 private:
  ibx::TIBPackedRows ReadRange();  // on the reading thread

  TFyrn& fyrn_;
  ibx::TIBDatabase& db_;
  const TKeyRangeQuery query_;
  const std::size_t range_rows_;
  // The reading thread's own. The statements, prepared once, go before their transaction.
  std::unique_ptr<ibx::TIBTransaction> transaction_;
  std::unique_ptr<ibx::TIBDataSet> first_range_;
  std::unique_ptr<ibx::TIBDataSet> next_range_;
  std::optional<ibx::TIBValue> last_key_;
  bool last_range_ = false;
  std::int64_t read_ = 0;
  std::chrono::steady_clock::time_point started_;
  std::vector<std::size_t> fields_;  // every field of the select list
  // The consumer's own.
  ibx::TIBPackedRows batch_;
  std::size_t at_ = 0;
  std::int64_t given_ = 0;

  std::atomic<bool> stopping_{false};
  std::unique_ptr<TReadAhead<ibx::TIBPackedRows>>
      rows_;  // last: its thread starts once the rest is built
};

}  // namespace brindle
