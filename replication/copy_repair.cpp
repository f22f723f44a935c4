#include "replication/copy_repair.h"

#include "dbaccess/fyrn.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "platform/error.h"
#include "replication/copy_writer.h"

namespace brindle {

namespace {

// Rows and keys written per transaction.
constexpr std::size_t kRepairRangeRows = 1000;

}  // namespace

TCopyRepair::TCopyRepair(TFyrn& fyrn, ibx::TIBDatabase& copy, const ReplicatedTable& table,
                         std::vector<std::string> columns, bool delete_orphans)
    : fyrn_(fyrn),
      copy_(copy),
      table_(table),
      columns_(std::move(columns)),
      delete_orphans_(delete_orphans) {}

void TCopyRepair::Write(const ibx::TIBPackedRows& rows, std::size_t row, TTableCheck& result) {
  rows_.AppendRow(rows, row, columns_.size());
  FlushIfFull(result);
}

void TCopyRepair::Delete(ibx::TIBValue key, TTableCheck& result) {
  if (!delete_orphans_) return;
  orphans_.push_back(std::move(key));
  FlushIfFull(result);
}

void TCopyRepair::FlushIfFull(TTableCheck& result) {
  if (rows_.size() + orphans_.size() >= kRepairRangeRows) Flush(result);
}

void TCopyRepair::Flush(TTableCheck& result) {
  if (!rows_.empty()) {
    TTableResult written;
    try {
      TCopyWriter writer(fyrn_, copy_, table_);
      writer.Begin(columns_);
      for (std::size_t row = 0; row < rows_.size(); ++row) writer.Add(rows_, row, written);
      writer.Flush(written);
      writer.Commit();
    } catch (...) {
      WrapException("Исправление копии, таблица " + std::string(table_.table));
    }
    rows_.clear();
    result.Inserted += written.Inserted;
    result.Updated += written.Updated;
  }
  if (!orphans_.empty()) {
    const std::string key = std::string(table_.key_column);
    try {
      const auto transaction = fyrn_.CreateTransaction(copy_);
      const auto statement = fyrn_.CreateDataSet(copy_, transaction.get());
      statement->SetSelectSQL("DELETE FROM \"" + std::string(table_.table) + "\" WHERE \"" + key +
                              "\" = ?");
      std::int64_t deleted = 0;
      for (const ibx::TIBValue& orphan : orphans_) {
        statement->Params(0).SetAsVariant(orphan);
        statement->ExecSQL();
        deleted += statement->RowsAffected();
      }
      transaction->Commit();
      result.Deleted += deleted;
    } catch (...) {
      WrapException("Удаление лишних записей копии, таблица " + std::string(table_.table));
    }
    orphans_.clear();
  }
}

}  // namespace brindle
