#include "replication/replication_sql.h"

#include "replication/text_forms.h"

namespace brindle {

std::string ReplicationMarkKey(const std::string& table) {
  return "LAST_" + table + "_MODIFYDATE";
}

std::string SourceQueryTail(const ReplicatedTable& table, TDateTime bound) {
  std::string where;
  if (bound > 0) where = " WHERE t.MODIFYDATE > '" + FormatSqlDateTime(bound) + "' ";
  if (!table.card_column.empty()) {
    where += where.empty() ? " WHERE " : " AND ";
    where += " EXISTS (SELECT c.ID FROM PC_COSHEL c WHERE c.CARD_ID=t." +
             std::string(table.card_column) + ") ";
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
      "SELECT " + cols + " FROM \"" + table + "\" WHERE \"" + key + "\" = :ID ",
      "INSERT INTO \"" + table + "\" (" + cols + ") VALUES (" + values + ")",
      "UPDATE \"" + table + "\" SET " + assigns + " WHERE \"" + key + "\" = :" + key,
  };
}

}  // namespace brindle
