#include "tests/support/sample_data.h"

#include <map>
#include <optional>

#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "replication/replication_sql.h"
#include "schema/replicated_tables.h"

namespace brindle::testing {

namespace {

using ibx::TFieldType;
using ibx::TIBDataSet;

struct Column {
  std::string name;
  TFieldType type;
  unsigned size;
};

std::vector<Column> ColumnsOf(ibx::TIBDatabase& db, const std::string& table) {
  TIBDataSet probe(db);
  probe.SetSelectSQL("SELECT FIRST 1 * FROM \"" + table + "\"");
  probe.Prepare();
  std::vector<Column> columns;
  for (std::size_t i = 0; i < probe.FieldCount(); ++i) {
    auto& field = probe.Fields(i);
    if (field.FieldName() == "MODIFYDATE") continue;
    columns.push_back({field.FieldName(), field.DataType(), field.Size()});
  }
  return columns;
}

std::string Text(const std::string& column, std::int32_t id, unsigned size) {
  std::string text = "Ж" + column + "-" + std::to_string(id);  // Ж is one byte in WIN1251
  std::size_t chars = 0, cut = 0;
  for (; cut < text.size() && chars < size; ++chars) {
    cut += (static_cast<unsigned char>(text[cut]) >= 0xC0) ? 2 : 1;
  }
  return text.substr(0, cut);
}

void SetValue(ibx::TIBParam& param, const Column& column, bool is_key, std::int32_t id) {
  const TDateTime base = EncodeDateTime({2024, 5, 17, 14, 3, 59, 120});
  switch (column.type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
      param.SetAsInteger(is_key ? id : id % 2);
      break;
    case TFieldType::ftLargeint:
      param.SetAsInt64(static_cast<std::int64_t>(id) * 1000003);
      break;
    case TFieldType::ftBCD:
      param.SetAsString(std::to_string(id) + ".1234");
      break;
    case TFieldType::ftFloat:
      param.SetAsFloat(id * 1.5);
      break;
    case TFieldType::ftString:
    case TFieldType::ftBytes:
      param.SetAsString(is_key ? std::to_string(id) : Text(column.name, id, column.size));
      break;
    case TFieldType::ftDate:
      param.SetAsDateTime(base + id);
      break;
    case TFieldType::ftTime:
      param.SetAsDateTime(static_cast<double>(id % 86400) / 86400);
      break;
    case TFieldType::ftDateTime:
      param.SetAsDateTime(base + id / 86400.0);
      break;
    case TFieldType::ftMemo:
    case TFieldType::ftBlob:
      param.SetAsString("текст " + std::to_string(id) + std::string(100, 'x'));
      break;
    case TFieldType::ftNull:
      param.Clear();
      break;
  }
}

// Inserts the rows, or updates them by key to the values of key + shift when `shift` is set.
void WriteSampleRows(ibx::TIBDatabase& db, const std::string& table, const std::string& key,
                     std::int32_t first, std::int32_t count, std::optional<std::int32_t> shift) {
  const std::vector<Column> columns = ColumnsOf(db, table);
  std::string sql;
  if (shift) {
    for (const Column& column : columns) {
      if (column.name == key) continue;
      sql += (sql.empty() ? "\"" : ",\"") + column.name + "\"=:" + column.name;
    }
    sql = "UPDATE \"" + table + "\" SET " + sql + " WHERE \"" + key + "\"=:" + key;
  } else {
    std::string names, values;
    for (const Column& column : columns) {
      names += (names.empty() ? "\"" : ",\"") + column.name + "\"";
      values += (values.empty() ? ":" : ",:") + column.name;
    }
    sql = "INSERT INTO \"" + table + "\" (" + names + ") VALUES (" + values + ")";
  }
  ibx::TIBTransaction transaction(db, ibx::TIBTransactionKind::ReadWrite);
  TIBDataSet statement(db, &transaction);
  statement.SetSelectSQL(sql);
  for (std::int32_t id = first; id < first + count; ++id) {
    for (const Column& column : columns) {
      const bool is_key = column.name == key;
      SetValue(statement.ParamByName(column.name), column, is_key,
               is_key ? id : id + shift.value_or(0));
    }
    statement.ExecSQL();
  }
  transaction.Commit();
}

}  // namespace

void ExecuteCommitted(ibx::TIBDatabase& db, const std::string& sql) {
  ibx::TIBTransaction transaction(db, ibx::TIBTransactionKind::ReadWrite);
  TIBDataSet statement(db, &transaction);
  statement.SetSelectSQL(sql);
  statement.ExecSQL();
  transaction.Commit();
}

std::string QueryText(ibx::TIBDatabase& db, const std::string& sql) {
  TIBDataSet query(db);
  query.SetSelectSQL(sql);
  query.Open();
  const std::string text =
      query.Eof() || query.Fields(0).IsNull() ? "" : query.Fields(0).AsString();
  query.Close();
  return text;
}

void InsertSampleRows(ibx::TIBDatabase& db, const std::string& table, const std::string& key,
                      std::int32_t first, std::int32_t count) {
  WriteSampleRows(db, table, key, first, count, std::nullopt);
}

void UpdateSampleRows(ibx::TIBDatabase& db, const std::string& table, const std::string& key,
                      std::int32_t first, std::int32_t count, std::int32_t version) {
  WriteSampleRows(db, table, key, first, count, version * 100000);
}

void FillReplicatedTables(ibx::TIBDatabase& db, std::int32_t rows_per_table) {
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    InsertSampleRows(db, std::string(entry.table), std::string(entry.key_column), 0,
                     rows_per_table);
  }
}

TableDifference CompareTable(ibx::TIBDatabase& work, ibx::TIBDatabase& copy,
                             const ReplicatedTable& entry) {
  const std::string table(entry.table), key(entry.key_column);
  TableDifference result;
  std::map<std::string, std::vector<std::pair<bool, std::string>>> copied;
  TIBDataSet target(copy);
  target.SetSelectSQL("SELECT * FROM \"" + table + "\"");
  target.Open();
  std::vector<std::string> target_columns;
  for (std::size_t i = 0; i < target.FieldCount(); ++i) {
    target_columns.push_back(target.Fields(i).FieldName());
  }
  for (; !target.Eof(); target.Next()) {
    auto& row = copied[target.FieldByName(key).AsString()];
    for (std::size_t i = 0; i < target.FieldCount(); ++i) {
      const auto& field = target.Fields(i);
      row.emplace_back(field.IsNull(), field.IsNull() ? "" : field.AsString());
    }
  }
  target.Close();

  TIBDataSet source(work);
  source.SetSelectSQL("SELECT t.* " + SourceQueryTail(entry, 0));
  source.Open();
  for (; !source.Eof(); source.Next()) {
    ++result.rows_checked;
    const std::string id = source.FieldByName(key).AsString();
    const auto found = copied.find(id);
    if (found == copied.end()) {
      result.differences.push_back(table + " " + id + ": missing in the copy");
      continue;
    }
    for (std::size_t i = 0; i < source.FieldCount(); ++i) {
      const auto& field = source.Fields(i);
      for (std::size_t j = 0; j < target_columns.size(); ++j) {
        if (target_columns[j] != field.FieldName()) continue;
        const auto& [null, text] = found->second[j];
        if (null != field.IsNull() || (!null && text != field.AsString())) {
          result.differences.push_back(table + " " + id + "." + field.FieldName() + ": '" +
                                       (field.IsNull() ? "NULL" : field.AsString()) + "' vs '" +
                                       (null ? "NULL" : text) + "'");
        }
      }
    }
  }
  source.Close();
  return result;
}

TableDifference CompareReplicatedTables(ibx::TIBDatabase& work, ibx::TIBDatabase& copy) {
  TableDifference all;
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    TableDifference one = CompareTable(work, copy, entry);
    all.rows_checked += one.rows_checked;
    all.differences.insert(all.differences.end(), one.differences.begin(), one.differences.end());
  }
  return all;
}

}  // namespace brindle::testing
