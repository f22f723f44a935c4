// The rows of one table of the copy, written many per round trip. Rows come in the working
// database's order. For each, the copy's row with the same key is fetched (many keys per query)
// and compared on the client by the exact text forms of every copied column: the server's own
// comparison takes 'a' and 'a ' for equal. A row the copy lacks is inserted, a row that differs
// in any column is updated, an equal row is left alone. Rows go out in EXECUTE BLOCK statements,
// in the order they came; when a block fails, which undoes the whole block, its rows are sent
// again one at a time, so a failure names its row as before. All writes of the table go into one
// transaction. Memory is bounded by one batch of rows, whatever the table's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ibx/packed_rows.h"
#include "ibx/value.h"
#include "schema/replicated_tables.h"

namespace brindle {

class TFyrn;
namespace ibx {
class TIBDatabase;
class TIBDataSet;
class TIBTransaction;
}  // namespace ibx

// Whether a copied value equals its working value: by the exact text forms, NULL apart from ''.
bool SameCopiedValue(const ibx::TIBValue& a, const ibx::TIBValue& b);

// Compares the first fields of packed rows of two sides, field i with field i, by the rule of
// SameCopiedValue. Fields both sides encode alike are compared by their bytes first, a whole row
// at once when all are: equal bytes are equal values, and only bytes that differ are turned into
// values and compared by their text forms. Every row given to one comparer must come alike.
class TCopiedRowComparer {
 public:
  explicit TCopiedRowComparer(std::size_t fields) : fields_(fields) {}

  // The fields that differ, in order; only the first when `first_only`.
  std::vector<std::size_t> Differing(const ibx::TIBPackedRows& a, std::size_t a_row,
                                     const ibx::TIBPackedRows& b, std::size_t b_row,
                                     bool first_only = false);

 private:
  const std::size_t fields_;
  std::vector<bool> by_bytes_;  // per field, set at the first pair of rows
  bool all_by_bytes_ = false;
};

class TCopyWriter {
 public:
  // Reads the copy table's columns and whether it holds any row.
  TCopyWriter(TFyrn& fyrn, ibx::TIBDatabase& copy, const ReplicatedTable& table);
  ~TCopyWriter();  // rolls back what was not committed
  TCopyWriter(const TCopyWriter&) = delete;
  TCopyWriter& operator=(const TCopyWriter&) = delete;

  bool HasColumn(std::string_view name) const;
  // The columns to copy, each in the copy, the key among them; prepares the statements.
  // With `keep_stamps`, every row written keeps the working row's MODIFYDATE, NULL included,
  // through the copy's modification-date trigger: a NULL goes as 1900-01-01, which the trigger
  // turns into NULL, and a row whose stored MODIFYDATE equals the one written has it moved to
  // NULL first, in the same transaction, so that the trigger does not stamp the copy's time.
  void Begin(std::vector<std::string> columns, bool keep_stamps = false);
  // Rows written together, after Begin.
  std::size_t BatchRows() const { return batch_rows_; }
  // A row of the working database, its first fields those of Begin's columns in their order.
  // May write earlier rows. A row that cannot be written raises with
  // "Вставка/Изменение записи с ID=<key>", and FailedKey names it.
  void Add(const ibx::TIBPackedRows& rows, std::size_t row);
  // Writes the rows still held.
  void Flush();
  void Commit();

  // The rows handled so far, written or not yet committed.
  struct Counts {
    std::int64_t Inserted = 0;
    std::int64_t Updated = 0;
    std::int64_t Unchanged = 0;  // equal in every column, left alone
  };
  Counts Written() const { return counts_; }
  // The key of the row that could not be written; empty before a failure.
  const std::string& FailedKey() const { return failed_key_; }

 private:
  enum class Kind { kInsert, kUpdate, kSame };
  struct Row {
    std::string key;  // KeyText of the row's key
    Kind kind = Kind::kInsert;
    bool unstamp = false;  // keep_stamps: the stored MODIFYDATE is the one to write
  };

  void Probe();
  // keep_stamps: moves the stored MODIFYDATE of the rows to update with it to NULL.
  void Unstamp();
  // The query that fetches the copy's rows of the batch, with its parameters set.
  ibx::TIBDataSet& ProbeOfBatch();
  // Sets the parameters from `first` on to the values of row `row` of the batch.
  void SetParams(ibx::TIBDataSet& statement, std::size_t first, std::size_t row) const;
  void WriteRun(Kind kind, const std::vector<std::size_t>& rows);
  // The prepared block of `rows` rows; null when the server refused to prepare it.
  ibx::TIBDataSet* Block(Kind kind, std::size_t rows);
  void WriteSingle(std::size_t row);
  std::size_t MaxBlockRows(Kind kind) const;

  TFyrn& fyrn_;
  ibx::TIBDatabase& copy_;
  const ReplicatedTable& table_;
  std::vector<std::string> copy_columns_;
  bool empty_ = false;
  std::vector<std::string> columns_;
  std::size_t key_index_ = 0;
  std::optional<std::size_t> kept_stamp_;  // keep_stamps: the MODIFYDATE column
  std::size_t row_message_bytes_ = 0;      // a row's share of a block's message, estimated
  std::size_t batch_rows_ = 1;             // rows per batch and keys per probe

  ibx::TIBPackedRows rows_;  // the batch's values
  std::vector<Row> batch_;
  std::unordered_map<std::string, std::size_t> batch_keys_;
  std::vector<std::size_t> probe_fields_;  // every field of a probe
  ibx::TIBPackedRows probed_;              // the probe's current row
  std::unique_ptr<TCopiedRowComparer> comparer_;
  Counts counts_;
  std::string failed_key_;

  // Declared first, destroyed last: the statements go before their transaction.
  std::unique_ptr<ibx::TIBTransaction> transaction_;
  std::unique_ptr<ibx::TIBDataSet> probe_;        // the batch's keys as a list
  std::unique_ptr<ibx::TIBDataSet> probe_range_;  // a range of integer keys
  std::unique_ptr<ibx::TIBDataSet> insert_;
  std::unique_ptr<ibx::TIBDataSet> update_;
  std::unique_ptr<ibx::TIBDataSet> unstamp_;  // keep_stamps: MODIFYDATE of keys to NULL
  std::map<std::size_t, std::unique_ptr<ibx::TIBDataSet>> insert_blocks_;
  std::map<std::size_t, std::unique_ptr<ibx::TIBDataSet>> update_blocks_;
};

}  // namespace brindle
