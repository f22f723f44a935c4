#include "replication/check/key_ranges.h"

#include <algorithm>
#include <thread>

#include "dbaccess/fyrn.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "platform/error.h"

namespace brindle {

namespace {

std::string Quoted(const std::string& name) {
  return "\"" + name + "\"";
}

// The first range starts at query.from_key when there is one, every other after the last key.
std::string RangeSql(const TKeyRangeQuery& query, std::size_t rows, bool after_key) {
  std::string sql = "SELECT ";
  for (std::size_t i = 0; i < query.expressions.size(); ++i) {
    sql += (i ? ", " : "") + query.expressions[i];
  }
  const std::string key = "t." + Quoted(query.key_column);
  sql += " FROM " + Quoted(query.table) + " t";
  if (after_key) {
    sql += " WHERE " + key + " > ?";
  } else if (query.from_key) {
    sql += " WHERE " + key + " >= ?";
  }
  return sql + " ORDER BY " + key + " ROWS " + std::to_string(rows);
}

}  // namespace

TKeyRanges::TKeyRanges(TFyrn& fyrn, ibx::TIBDatabase& db, TKeyRangeQuery query)
    : fyrn_(fyrn),
      db_(db),
      query_(std::move(query)),
      // A paced reading asks for no more than a second's rows at a time.
      range_rows_(std::max<std::int64_t>(
          1, query_.max_rows_per_second > 0
                 ? std::min<std::int64_t>(static_cast<std::int64_t>(query_.range_rows),
                                          query_.max_rows_per_second)
                 : static_cast<std::int64_t>(query_.range_rows))),
      started_(std::chrono::steady_clock::now()),
      fields_(ibx::TIBPackedRows::FirstFields(query_.expressions.size())),
      rows_(std::make_unique<TReadAhead<ibx::TIBPackedRows>>([this] { return ReadRange(); })) {}

TKeyRanges::~TKeyRanges() {
  stopping_ = true;
  rows_.reset();
}

ibx::TIBPackedRows TKeyRanges::ReadRange() {
  if (last_range_) return {};
  if (query_.max_rows_per_second > 0) {
    // Waits until the rows read so far fit the rate, a little at a time so that a stop is heard.
    const auto due =
        started_ +
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(static_cast<double>(read_) /
                                          static_cast<double>(query_.max_rows_per_second)));
    while (!stopping_ && std::chrono::steady_clock::now() < due) {
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
          std::chrono::milliseconds(100), due - std::chrono::steady_clock::now()));
    }
    if (stopping_) return {};
  }
  if (!transaction_) {
    transaction_ = std::make_unique<ibx::TIBTransaction>(db_, ibx::TIBTransactionKind::ReadOnly);
  }
  // Each range starts the transaction again, and ends it below.
  auto& range = last_key_ ? next_range_ : first_range_;
  if (!range) {
    range = fyrn_.CreateDataSet(db_, transaction_.get());
    range->SetSelectSQL(RangeSql(query_, range_rows_, last_key_.has_value()));
  }
  if (last_key_) {
    range->Params(0).SetAsVariant(*last_key_);
  } else if (query_.from_key) {
    range->Params(0).SetAsVariant(*query_.from_key);
  }
  ibx::TIBPackedRows rows;
  for (range->Open(); !range->Eof() && rows.Bytes() < kSourceBatchBytes; range->Next()) {
    rows.Append(*range, fields_);
    ibx::TIBValue key = rows.Value(rows.size() - 1, query_.key_index);
    if (last_key_ && CompareKeys(*last_key_, key, query_.text_key) >= 0) {
      throw Exception("Таблица " + query_.table + ": сервер дал ключ " + key.AsString() +
                      " после " + last_key_->AsString() +
                      ", порядок ключей не тот, по которому идёт сравнение");
    }
    last_key_ = std::move(key);
  }
  // A range cut short by its bytes goes on from its last key.
  last_range_ = range->Eof() && rows.size() < range_rows_;
  range->Close();
  transaction_->Commit();
  read_ += static_cast<std::int64_t>(rows.size());
  return rows;
}

TRangeRow TKeyRanges::Next() {
  if (at_ >= batch_.size()) {
    batch_ = rows_->Next();
    at_ = 0;
    if (batch_.empty()) return {};
  }
  ++given_;
  return {&batch_, at_++};
}

}  // namespace brindle
