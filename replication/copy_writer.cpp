#include "replication/copy_writer.h"

#include <algorithm>
#include <bit>

#include "dbaccess/fyrn.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "infra/program_log.h"
#include "platform/error.h"
#include "platform/text.h"
#include "replication/key_order.h"
#include "replication/replication_sql.h"

namespace brindle {

namespace {

// Keys per probe, and so rows per batch, at most: under the server's 1,500 values of an IN list.
// Fewer, larger probes cost the server less per row.
constexpr std::size_t kBatchRows = 1000;
// Bytes of values a batch may hold before it is written.
constexpr std::size_t kBatchBytes = 4 << 20;
// A request may hold about 255 contexts: an INSERT takes one, an UPDATE two.
constexpr std::size_t kMaxInsertsPerBlock = 200;
constexpr std::size_t kMaxUpdatesPerBlock = 100;
// The server's limit on a message is 64 KB.
constexpr std::size_t kMaxBlockMessage = 60000;

// The value the modification-date trigger turns into NULL without stamping the row.
constexpr char kNoStamp[] = "1900-01-01";

ibx::TIBTimestamp NoStamp() {
  static const ibx::TIBTimestamp stamp = ibx::ParseTimestamp(kNoStamp);
  return stamp;
}

}  // namespace

// NULL and an empty text are different values, so NULL-ness counts as well as the exact text.
// Equal values have equal texts; only values that differ are compared by text, which is slower.
bool SameCopiedValue(const ibx::TIBValue& a, const ibx::TIBValue& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull();
  return a == b || a.AsString() == b.AsString();
}

std::vector<std::size_t> TCopiedRowComparer::Differing(const ibx::TIBPackedRows& a,
                                                       std::size_t a_row,
                                                       const ibx::TIBPackedRows& b,
                                                       std::size_t b_row, bool first_only) {
  if (by_bytes_.empty()) {
    for (std::size_t i = 0; i < fields_; ++i) by_bytes_.push_back(a.SameEncoding(i, b, i));
    all_by_bytes_ = std::find(by_bytes_.begin(), by_bytes_.end(), false) == by_bytes_.end();
  }
  std::vector<std::size_t> differing;
  if (all_by_bytes_ && a.PackedPrefix(a_row, fields_) == b.PackedPrefix(b_row, fields_)) {
    return differing;
  }
  for (std::size_t i = 0; i < fields_; ++i) {
    if (by_bytes_[i] && a.Packed(a_row, i) == b.Packed(b_row, i)) continue;
    if (!SameCopiedValue(a.Value(a_row, i), b.Value(b_row, i))) {
      differing.push_back(i);
      if (first_only) break;
    }
  }
  return differing;
}

TCopyWriter::TCopyWriter(TFyrn& fyrn, ibx::TIBDatabase& copy, const ReplicatedTable& table)
    : fyrn_(fyrn),
      copy_(copy),
      table_(table),
      transaction_(fyrn.CreateTransaction(copy)),
      probe_(fyrn.CreateDataSet(copy, nullptr)),
      probe_range_(fyrn.CreateDataSet(copy, nullptr)),
      insert_(fyrn.CreateDataSet(copy, transaction_.get())),
      update_(fyrn.CreateDataSet(copy, transaction_.get())) {
  probe_->SetSelectSQL("SELECT FIRST 1 * FROM \"" + std::string(table.table) + "\"");
  probe_->Open();
  empty_ = probe_->Eof();
  for (std::size_t i = 0; i < probe_->FieldCount(); ++i) {
    copy_columns_.push_back(probe_->Fields(i).FieldName());
  }
  probe_->Close();
}

TCopyWriter::~TCopyWriter() = default;

bool TCopyWriter::HasColumn(std::string_view name) const {
  return std::any_of(copy_columns_.begin(), copy_columns_.end(),
                     [&](const std::string& column) { return SameText(column, name); });
}

void TCopyWriter::Begin(std::vector<std::string> columns, bool keep_stamps) {
  columns_ = std::move(columns);
  const std::string table(table_.table), key(table_.key_column);
  const auto key_at = std::find(columns_.begin(), columns_.end(), key);
  if (key_at == columns_.end()) throw Exception("Ключ " + key + " не входит в копируемые поля");
  key_index_ = static_cast<std::size_t>(key_at - columns_.begin());
  kept_stamp_.reset();
  if (keep_stamps) {
    const auto stamp_at = std::find(columns_.begin(), columns_.end(), "MODIFYDATE");
    if (stamp_at == columns_.end()) throw Exception("Поле MODIFYDATE не входит в копируемые поля");
    kept_stamp_ = static_cast<std::size_t>(stamp_at - columns_.begin());
  }

  const ReplicationStatements single = BuildReplicationStatements(table, key, columns_);
  insert_->SetSelectSQL(single.insert);
  update_->SetSelectSQL(single.update);
  if (insert_->ParamCount() != columns_.size() || update_->ParamCount() != columns_.size()) {
    throw Exception("Число параметров не совпадает с числом копируемых полей");
  }
  // A row's share of a block's message: each value in its column's size, a NULL flag, and room
  // for alignment.
  probe_->SetSelectSQL(BuildProbeManySql(table, key, columns_, 1));
  row_message_bytes_ = 0;
  std::size_t key_bytes = 0;  // a key's share of a probe's message
  for (std::size_t i = 0; i < probe_->FieldCount(); ++i) {
    const ibx::TIBField& field = probe_->Fields(i);
    const bool text = field.DataType() == ibx::TFieldType::ftString ||
                      field.DataType() == ibx::TFieldType::ftBytes;
    const std::size_t bytes = (text ? field.Size() + 2 : 8) + 2 + 8;
    row_message_bytes_ += bytes;
    if (i == key_index_) key_bytes = bytes;
  }
  // Whole blocks per batch, so that a batch of new rows leaves no short block behind, and no
  // more keys than fit a probe's message.
  const std::size_t block = MaxBlockRows(Kind::kInsert);
  const std::size_t most = std::min(kBatchRows, kMaxBlockMessage / key_bytes);
  batch_rows_ = block * std::max<std::size_t>(1, most / block);
  probe_->SetTextParamsAsDeclared(true);
  probe_->SetSelectSQL(BuildProbeManySql(table, key, columns_, batch_rows_));
  probe_fields_ = ibx::TIBPackedRows::FirstFields(columns_.size());
  comparer_ = std::make_unique<TCopiedRowComparer>(columns_.size());
  if (!table_.text_key) probe_range_->SetSelectSQL(BuildProbeRangeSql(table, key, columns_));
  if (kept_stamp_) {
    // The batch's keys in one statement, as the probe fetches them.
    std::string places;
    for (std::size_t i = 0; i < batch_rows_; ++i) places += i ? ",?" : "?";
    unstamp_ = fyrn_.CreateDataSet(copy_, transaction_.get());
    unstamp_->SetTextParamsAsDeclared(true);
    unstamp_->SetSelectSQL("UPDATE \"" + table + "\" SET MODIFYDATE = '" + kNoStamp + "' WHERE \"" +
                           key + "\" IN (" + places + ")");
  }
}

void TCopyWriter::Add(const ibx::TIBPackedRows& rows, std::size_t row) {
  std::string key = KeyText(rows.Value(row, key_index_), table_.text_key);
  // A key met again is written after its first row, as it would have been one row at a time.
  if (batch_keys_.contains(key)) Flush();
  rows_.AppendRow(rows, row, columns_.size());
  batch_keys_.emplace(key, batch_.size());
  batch_.push_back({std::move(key), Kind::kInsert});
  if (batch_.size() >= batch_rows_ || rows_.Bytes() >= kBatchBytes) Flush();
}

void TCopyWriter::SetParams(ibx::TIBDataSet& statement, std::size_t first, std::size_t row) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    ibx::TIBValue value = rows_.Value(row, i);
    if (i == kept_stamp_ && value.IsNull()) value = ibx::TIBValue::Timestamp(NoStamp());
    statement.Params(first + i).SetAsVariant(value);
  }
}

ibx::TIBDataSet& TCopyWriter::ProbeOfBatch() {
  // Rows that arrive together often have neighbouring keys (new rows of a log), and one range
  // costs the server far less than as many single keys; rows of the range outside the batch are
  // passed over.
  if (!table_.text_key) {
    std::int64_t low = rows_.Value(0, key_index_).AsInt64(), high = low;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
      const std::int64_t key = rows_.Value(row, key_index_).AsInt64();
      low = std::min(low, key);
      high = std::max(high, key);
    }
    if (static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low) < 2 * batch_rows_) {
      probe_range_->Params(0).SetAsInt64(low);
      probe_range_->Params(1).SetAsInt64(high);
      return *probe_range_;
    }
  }
  for (std::size_t i = 0; i < batch_rows_; ++i) {
    if (i < batch_.size()) {
      probe_->Params(i).SetAsVariant(rows_.Value(i, key_index_));
    } else {
      probe_->Params(i).Clear();  // matches nothing
    }
  }
  return *probe_;
}

void TCopyWriter::Probe() {
  ibx::TIBDataSet& probe = ProbeOfBatch();
  std::vector<bool> found(batch_.size(), false);
  for (probe.Open(); !probe.Eof(); probe.Next()) {
    probed_.clear();
    probed_.Append(probe, probe_fields_);
    const std::string key = KeyText(probed_.Value(0, key_index_), table_.text_key);
    const auto at = batch_keys_.find(key);
    if (at == batch_keys_.end() || found[at->second]) continue;  // the first of equal keys counts
    found[at->second] = true;
    Row& written = batch_[at->second];
    written.kind = comparer_->Differing(rows_, at->second, probed_, 0, true).empty()
                       ? Kind::kSame
                       : Kind::kUpdate;
    if (written.kind == Kind::kUpdate && kept_stamp_) {
      const ibx::TIBValue stamp = rows_.Value(at->second, *kept_stamp_);
      written.unstamp = !stamp.IsNull() && SameCopiedValue(stamp, probed_.Value(0, *kept_stamp_));
    }
  }
  probe.Close();
}

void TCopyWriter::Unstamp() {
  std::size_t keys = 0;
  for (std::size_t row = 0; row < batch_.size(); ++row) {
    if (batch_[row].unstamp) unstamp_->Params(keys++).SetAsVariant(rows_.Value(row, key_index_));
  }
  if (keys == 0) return;
  for (std::size_t i = keys; i < batch_rows_; ++i) unstamp_->Params(i).Clear();  // matches nothing
  unstamp_->ExecSQL();
}

void TCopyWriter::Flush() {
  if (batch_.empty()) return;
  if (!empty_) Probe();
  if (kept_stamp_) Unstamp();
  // Runs of rows of one kind, in the order the rows came.
  std::vector<std::size_t> run;
  Kind run_kind = Kind::kInsert;
  for (std::size_t row = 0; row < batch_.size(); ++row) {
    const Kind kind = batch_[row].kind;
    if (kind == Kind::kSame) {
      ++counts_.Unchanged;
      continue;
    }
    if (!run.empty() && kind != run_kind) {
      WriteRun(run_kind, run);
      run.clear();
    }
    run_kind = kind;
    run.push_back(row);
  }
  if (!run.empty()) WriteRun(run_kind, run);
  batch_.clear();
  batch_keys_.clear();
  rows_.clear();
}

std::size_t TCopyWriter::MaxBlockRows(Kind kind) const {
  const std::size_t by_contexts = kind == Kind::kInsert ? kMaxInsertsPerBlock : kMaxUpdatesPerBlock;
  const std::size_t by_message = kMaxBlockMessage / std::max<std::size_t>(row_message_bytes_, 1);
  return std::max<std::size_t>(1, std::min(by_contexts, by_message));
}

void TCopyWriter::WriteRun(Kind kind, const std::vector<std::size_t>& rows) {
  const std::size_t most = MaxBlockRows(kind);
  for (std::size_t done = 0; done < rows.size();) {
    const std::size_t left = rows.size() - done;
    // The largest block, then halves, so that a table needs only a few block shapes.
    const std::size_t count = left >= most ? most : std::bit_floor(left);
    if (count == 1) {
      WriteSingle(rows[done]);
      ++done;
      continue;
    }
    bool written = false;
    if (ibx::TIBDataSet* block = Block(kind, count)) {
      try {
        for (std::size_t r = 0; r < count; ++r) {
          SetParams(*block, r * columns_.size(), rows[done + r]);
        }
        block->ExecSQL();
        written = true;
      } catch (const std::exception&) {
        // The block undid itself; its rows one at a time find the row at fault, or go through.
      }
    }
    for (std::size_t r = 0; r < count; ++r) {
      if (!written) {
        WriteSingle(rows[done + r]);
      } else {
        ++(kind == Kind::kInsert ? counts_.Inserted : counts_.Updated);
      }
    }
    done += count;
  }
}

ibx::TIBDataSet* TCopyWriter::Block(Kind kind, std::size_t rows) {
  auto& blocks = kind == Kind::kInsert ? insert_blocks_ : update_blocks_;
  const auto [at, made] = blocks.try_emplace(rows);
  if (!made) return at->second.get();
  try {
    const BatchStatements sql = BuildBatchStatements(
        std::string(table_.table), std::string(table_.key_column), columns_, rows);
    auto block = fyrn_.CreateDataSet(copy_, transaction_.get());
    block->SetParamCheck(false);
    block->SetTextParamsAsDeclared(true);
    block->SetSelectSQL(kind == Kind::kInsert ? sql.insert_block : sql.update_block);
    block->Prepare();
    at->second = std::move(block);
  } catch (const std::exception& e) {
    // The rows still go, one at a time: slower, with the same result.
    LogProgram(FormatLogText(
        "Таблица [%s]: блок из %d записей не подготовлен, записи идут по одной: %s",
        {std::string(table_.table), static_cast<std::int64_t>(rows), std::string(e.what())}));
  }
  return at->second.get();
}

void TCopyWriter::WriteSingle(std::size_t row) {
  const Kind kind = batch_[row].kind;
  ibx::TIBDataSet& statement = kind == Kind::kInsert ? *insert_ : *update_;
  try {
    SetParams(statement, 0, row);
    statement.ExecSQL();
  } catch (...) {
    failed_key_ = rows_.Value(row, key_index_).AsString();
    WrapException("Вставка/Изменение записи с ID=" + failed_key_, true);
  }
  ++(kind == Kind::kInsert ? counts_.Inserted : counts_.Updated);
}

void TCopyWriter::Commit() {
  if (transaction_->InTransaction()) transaction_->Commit();
}

}  // namespace brindle
