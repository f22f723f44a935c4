#include "replication/replication_sql.h"

#include "platform/text_forms.h"

namespace brindle {

std::string CardHasPurse(const ReplicatedTable& table) {
  return "EXISTS (SELECT c.ID FROM PC_COSHEL c WHERE c.CARD_ID=t." +
         std::string(table.card_column) + ")";
}

std::string SourceQueryTail(const ReplicatedTable& table, TDateTime bound) {
  std::string where;
  // A typed literal: an untyped one is converted again for every row, which doubled the scan.
  if (bound > 0) where = " WHERE t.MODIFYDATE > TIMESTAMP '" + FormatSqlDateTime(bound) + "' ";
  if (!table.card_column.empty()) {
    where += where.empty() ? " WHERE " : " AND ";
    where += CardHasPurse(table) + " ";
  }
  return " FROM \"" + std::string(table.table) + "\" t " + where;
}

ReplicationStatements BuildReplicationStatements(const std::string& table, const std::string& key,
                                                 const std::vector<std::string>& columns) {
  std::string cols, values, assigns;
  for (const std::string& name : columns) {
    const char* separator = cols.empty() ? "" : ",";
    cols += separator + ("\"" + name + "\"");
    values += separator + (":" + name);
    assigns += separator + ("\"" + name + "\" = :" + name);
  }
  return {
      "INSERT INTO \"" + table + "\" (" + cols + ") VALUES (" + values + ")",
      "UPDATE \"" + table + "\" SET " + assigns + " WHERE \"" + key + "\" = :" + key,
  };
}

namespace {

std::string Quoted(const std::string& name) {
  return "\"" + name + "\"";
}

// The block's declaration of its parameters, each typed as the column it fills, so the message
// carries each value in its column's own size.
std::string BlockHead(const std::string& table, const std::vector<std::string>& columns,
                      std::size_t rows) {
  std::string head = "EXECUTE BLOCK (";
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      head += (r + i ? ", " : "") + ("P" + std::to_string(r) + "_" + std::to_string(i)) +
              " TYPE OF COLUMN " + Quoted(table) + "." + Quoted(columns[i]) + " = ?";
    }
  }
  return head + ") AS BEGIN\n";
}

}  // namespace

BatchStatements BuildBatchStatements(const std::string& table, const std::string& key,
                                     const std::vector<std::string>& columns, std::size_t rows) {
  std::string cols;
  std::size_t key_index = 0;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    cols += (i ? "," : "") + Quoted(columns[i]);
    if (columns[i] == key) key_index = i;
  }
  const std::string head = BlockHead(table, columns, rows);
  std::string inserts = head, updates = head;
  for (std::size_t r = 0; r < rows; ++r) {
    const std::string row = ":P" + std::to_string(r) + "_";
    std::string values, assigns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      values += (i ? "," : "") + row + std::to_string(i);
      assigns += (i ? "," : "") + Quoted(columns[i]) + " = " + row + std::to_string(i);
    }
    inserts += "INSERT INTO " + Quoted(table) + " (" + cols + ") VALUES (" + values + ");\n";
    updates += "UPDATE " + Quoted(table) + " SET " + assigns + " WHERE " + Quoted(key) + " = " +
               row + std::to_string(key_index) + ";\n";
  }
  return {inserts + "END", updates + "END"};
}

namespace {

std::string SelectColumns(const std::string& table, const std::vector<std::string>& columns) {
  std::string cols;
  for (std::size_t i = 0; i < columns.size(); ++i) cols += (i ? "," : "") + Quoted(columns[i]);
  return "SELECT " + cols + " FROM " + Quoted(table);
}

}  // namespace

std::string BuildProbeManySql(const std::string& table, const std::string& key,
                              const std::vector<std::string>& columns, std::size_t keys) {
  std::string places;
  for (std::size_t i = 0; i < keys; ++i) places += i ? ",?" : "?";
  return SelectColumns(table, columns) + " WHERE " + Quoted(key) + " IN (" + places + ")";
}

std::string BuildProbeRangeSql(const std::string& table, const std::string& key,
                               const std::vector<std::string>& columns) {
  return SelectColumns(table, columns) + " WHERE " + Quoted(key) + " BETWEEN ? AND ?";
}

}  // namespace brindle
