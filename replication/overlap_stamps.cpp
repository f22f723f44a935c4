#include "replication/overlap_stamps.h"

#include <string>
#include <unordered_map>

#include "dbaccess/fyrn.h"
#include "ibx/dataset.h"
#include "ibx/packed_rows.h"
#include "platform/text_forms.h"
#include "replication/key_order.h"
#include "replication/replication_sql.h"
#include "replication/source_rows.h"

namespace brindle {

namespace {

constexpr std::size_t kStampBatchRows = 20000;

std::string Quoted(std::string_view name) {
  return "\"" + std::string(name) + "\"";
}

std::string UpTo(TDateTime mark) {
  return " AND t.MODIFYDATE <= '" + FormatSqlDateTime(mark) + "'";
}

// A MODIFYDATE as one number, for equality only.
std::int64_t StampOf(const ibx::TIBValue& value) {
  const ibx::TIBTimestamp stamp = value.AsTimestamp();
  return static_cast<std::int64_t>(stamp.date.days) * 864'000'000 + stamp.time.fractions;
}

// Calls `take(key, stamp)` for each row of "SELECT key, MODIFYDATE <tail>", read ahead.
template <class Take>
void ReadStamps(TFyrn& fyrn, ibx::TIBDatabase& db, const ReplicatedTable& table,
                const std::string& tail, Take take) {
  const auto query = fyrn.CreateDataSet(db, nullptr);
  query->SetSelectSQL("SELECT t." + Quoted(table.key_column) + ", t.MODIFYDATE" + tail);
  query->Open();
  {
    TSourceRows rows(*query, {0, 1}, kStampBatchRows);
    for (auto batch = rows.Next(); !batch.empty(); batch = rows.Next()) {
      for (std::size_t row = 0; row < batch.size(); ++row) {
        take(batch.Value(row, 0), StampOf(batch.Value(row, 1)));
      }
    }
  }
  query->Close();
}

}  // namespace

TOverlapStamps CompareOverlapStamps(TFyrn& fyrn, ibx::TIBDatabase& work, ibx::TIBDatabase& copy,
                                    const ReplicatedTable& table, TDateTime bound, TDateTime mark) {
  std::unordered_map<std::string, std::int64_t> copied;
  const std::string window =
      " WHERE t.MODIFYDATE > '" + FormatSqlDateTime(bound) + "'" + UpTo(mark);
  ReadStamps(fyrn, copy, table, " FROM " + Quoted(table.table) + " t" + window,
             [&](const ibx::TIBValue& key, std::int64_t stamp) {
               copied.emplace(KeyText(key, table.text_key), stamp);
             });
  TOverlapStamps result;
  ReadStamps(fyrn, work, table, SourceQueryTail(table, bound) + UpTo(mark),
             [&](const ibx::TIBValue& key, std::int64_t stamp) {
               const auto found = copied.find(KeyText(key, table.text_key));
               if (found != copied.end() && found->second == stamp) {
                 ++result.Same;
               } else {
                 result.ReadAgain.push_back(key);
               }
             });
  return result;
}

std::string ReadAgainSql(const ReplicatedTable& table, std::size_t keys, TDateTime mark) {
  std::string list;
  for (std::size_t i = 0; i < keys; ++i) list += i ? ", ?" : "?";
  std::string sql = "SELECT t.* FROM " + Quoted(table.table) + " t WHERE t." +
                    Quoted(table.key_column) + " IN (" + list + ")" + UpTo(mark);
  if (!table.card_column.empty()) sql += " AND " + CardHasPurse(table);
  return sql;
}

}  // namespace brindle
