#include "replication/replication_sql.h"

#include "replication/text_forms.h"

namespace brindle {

std::string ReplicationMarkKey(const std::string& table) { return "LAST_" + table + "_MODIFYDATE"; }

std::string SourceQueryTail(const std::string& table, TDateTime bound) {
  std::string where;
  if (bound > 0) where = " WHERE t.MODIFYDATE > '" + FormatSqlDateTime(bound) + "' ";
  if (table == "PC_CARD" || table == "PC_CARDSTATE") {
    const std::string card_column = table == "PC_CARD" ? "ID" : "CARD_ID";
    where += where.empty() ? " WHERE " : " AND ";
    where += " EXISTS (SELECT c.ID FROM PC_COSHEL c WHERE c.CARD_ID=t." + card_column + ") ";
  }
  return " FROM \"" + table + "\" t " + where;
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
