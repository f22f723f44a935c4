#include "replication/overlap_stamps.h"

#include <algorithm>
#include <future>
#include <string>
#include <utility>
#include <vector>

#include "dbaccess/fyrn.h"
#include "ibx/dataset.h"
#include "ibx/field.h"
#include "platform/text_forms.h"
#include "replication/key_order.h"
#include "replication/replication_sql.h"

namespace brindle {

namespace {

std::string Quoted(std::string_view name) {
  return "\"" + std::string(name) + "\"";
}

// A MODIFYDATE as one number, for equality only.
std::int64_t StampOf(const ibx::TIBValue& value) {
  const ibx::TIBTimestamp stamp = value.AsTimestamp();
  return static_cast<std::int64_t>(stamp.date.days) * 864'000'000 + stamp.time.fractions;
}

// The keys and stamps of "SELECT key, MODIFYDATE <tail>", in the order of their keys here.
template <class Key, class KeyOf>
std::vector<std::pair<Key, std::int64_t>> ReadStamps(TFyrn& fyrn, ibx::TIBDatabase& db,
                                                     const ReplicatedTable& table,
                                                     const std::string& tail, KeyOf key_of) {
  const auto query = fyrn.CreateDataSet(db, nullptr);
  query->SetSelectSQL("SELECT t." + Quoted(table.key_column) + ", t.MODIFYDATE" + tail);
  std::vector<std::pair<Key, std::int64_t>> rows;
  for (query->Open(); !query->Eof(); query->Next()) {
    rows.emplace_back(key_of(query->Fields(0)), StampOf(query->Fields(1).AsVariant()));
  }
  query->Close();
  std::sort(rows.begin(), rows.end());
  return rows;
}

// Both sides read at once, the copy's on a thread of its own, then merged by key. Key is int64
// for integer keys, the text as the server compares it for text keys.
template <class Key, class KeyOf, class ValueOf>
TOverlapStamps Compare(TFyrn& fyrn, ibx::TIBDatabase& work, ibx::TIBDatabase& copy,
                       const ReplicatedTable& table, const std::string& copy_tail,
                       const std::string& work_tail, KeyOf key_of, ValueOf value_of) {
  auto copied = std::async(std::launch::async,
                           [&] { return ReadStamps<Key>(fyrn, copy, table, copy_tail, key_of); });
  std::vector<std::pair<Key, std::int64_t>> working;
  try {
    working = ReadStamps<Key>(fyrn, work, table, work_tail, key_of);
  } catch (...) {
    copied.wait();
    throw;
  }
  const std::vector<std::pair<Key, std::int64_t>> stamps = copied.get();
  TOverlapStamps result;
  auto at = stamps.begin();
  for (const auto& [key, stamp] : working) {
    while (at != stamps.end() && at->first < key) ++at;
    if (at != stamps.end() && at->first == key && at->second == stamp) {
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
  const std::string copy_tail = " FROM " + Quoted(table.table) +
                                " t WHERE t.MODIFYDATE > TIMESTAMP '" + FormatSqlDateTime(bound) +
                                "'";
  const std::string work_tail = SourceQueryTail(table, bound);
  if (table.text_key) {
    return Compare<std::string>(
        fyrn, work, copy, table, copy_tail, work_tail,
        [](const ibx::TIBField& key) { return KeyText(key.AsVariant(), true); },
        [](const std::string& key) { return ibx::TIBValue::Text(key); });
  }
  return Compare<std::int64_t>(
      fyrn, work, copy, table, copy_tail, work_tail,
      [](const ibx::TIBField& key) { return key.AsInt64(); },
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
