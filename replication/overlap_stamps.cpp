#include "replication/overlap_stamps.h"

#include <future>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

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

namespace {

// Both sides read at once, the copy's into a map on a thread of its own; then each working row is
// looked up. Key is int64 for integer keys, the text as the server compares it for text keys.
template <class Key, class KeyOf, class ValueOf>
TOverlapStamps Compare(TFyrn& fyrn, ibx::TIBDatabase& work, ibx::TIBDatabase& copy,
                       const ReplicatedTable& table, const std::string& copy_tail,
                       const std::string& work_tail, KeyOf key_of, ValueOf value_of) {
  auto copied = std::async(std::launch::async, [&] {
    std::unordered_map<Key, std::int64_t> stamps;
    ReadStamps(fyrn, copy, table, copy_tail, [&](const ibx::TIBValue& key, std::int64_t stamp) {
      stamps.emplace(key_of(key), stamp);
    });
    return stamps;
  });
  std::vector<std::pair<Key, std::int64_t>> working;
  try {
    ReadStamps(fyrn, work, table, work_tail, [&](const ibx::TIBValue& key, std::int64_t stamp) {
      working.emplace_back(key_of(key), stamp);
    });
  } catch (...) {
    copied.wait();
    throw;
  }
  const std::unordered_map<Key, std::int64_t> stamps = copied.get();
  TOverlapStamps result;
  for (const auto& [key, stamp] : working) {
    const auto found = stamps.find(key);
    if (found != stamps.end() && found->second == stamp) {
      ++result.Same;
    } else {
      result.ReadAgain.push_back(value_of(key));
    }
  }
  return result;
}

}  // namespace

TOverlapStamps CompareStamps(TFyrn& fyrn, ibx::TIBDatabase& work, ibx::TIBDatabase& copy,
                             const ReplicatedTable& table, TDateTime bound) {
  const std::string copy_tail =
      " FROM " + Quoted(table.table) + " t WHERE t.MODIFYDATE > '" + FormatSqlDateTime(bound) + "'";
  const std::string work_tail = SourceQueryTail(table, bound);
  if (table.text_key) {
    return Compare<std::string>(
        fyrn, work, copy, table, copy_tail, work_tail,
        [](const ibx::TIBValue& key) { return KeyText(key, true); },
        [](const std::string& key) { return ibx::TIBValue::Text(key); });
  }
  return Compare<std::int64_t>(
      fyrn, work, copy, table, copy_tail, work_tail,
      [](const ibx::TIBValue& key) { return key.AsInt64(); },
      [](std::int64_t key) { return ibx::TIBValue::Int(key); });
}

std::string ReadAgainSql(const ReplicatedTable& table, std::size_t keys) {
  std::string list;
  for (std::size_t i = 0; i < keys; ++i) list += i ? ", ?" : "?";
  std::string sql = "SELECT t.* FROM " + Quoted(table.table) + " t WHERE t." +
                    Quoted(table.key_column) + " IN (" + list + ")";
  if (!table.card_column.empty()) sql += " AND " + CardHasPurse(table);
  return sql;
}

}  // namespace brindle
