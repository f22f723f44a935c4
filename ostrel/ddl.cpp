#include "ostrel/ddl.h"

#include "ostrel/sql_text.h"

namespace brindle::ostrel {

namespace {

std::string ColumnListSql(const std::vector<std::string>& columns) {
  std::string list;
  for (const std::string& column : columns) {
    if (!list.empty()) list += ", ";
    list += QuoteName(column);
  }
  return "(" + list + ")";
}

}  // namespace

std::string CreateDomainSql(const PlannedDomain& domain) {
  std::string sql = "CREATE DOMAIN " + QuoteName(domain.name) + " AS " + domain.type;
  if (!domain.check.empty()) sql += " CHECK " + Enclose(domain.check);
  return sql;
}

std::string ColumnSql(const PlannedColumn& column) {
  std::string sql =
      QuoteName(column.name) + " " + (column.domain ? QuoteName(column.type) : column.type);
  if (!column.default_text.empty()) sql += " DEFAULT " + column.default_text;
  if (column.not_null) sql += " NOT NULL";
  return sql;
}

std::string CreateTableSql(const PlannedTable& table) {
  std::string sql = "CREATE TABLE " + QuoteName(table.name) + " (";
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    sql += (i == 0 ? "\n  " : ",\n  ") + ColumnSql(table.columns[i]);
  }
  return sql + "\n)";
}

std::string AddColumnSql(std::string_view table, const PlannedColumn& column) {
  return "ALTER TABLE " + QuoteName(table) + " ADD " + ColumnSql(column);
}

std::string SetNotNullSql(std::string_view table, std::string_view column) {
  return "ALTER TABLE " + QuoteName(table) + " ALTER " + QuoteName(column) + " SET NOT NULL";
}

std::string AddPrimaryKeySql(std::string_view table, const PlannedKey& key) {
  return "ALTER TABLE " + QuoteName(table) + " ADD CONSTRAINT " + QuoteName(key.name) +
         " PRIMARY KEY " + ColumnListSql(key.columns);
}

std::string CreateIndexSql(std::string_view table, const PlannedIndex& index) {
  std::string sql = "CREATE ";
  if (index.unique) sql += "UNIQUE ";
  if (index.descending) sql += "DESCENDING ";
  return sql + "INDEX " + QuoteName(index.name) + " ON " + QuoteName(table) + " " +
         ColumnListSql(index.columns);
}

std::string CreateGeneratorSql(const PlannedGenerator& generator) {
  return "CREATE SEQUENCE " + QuoteName(generator.name) + " START WITH " +
         std::to_string(generator.start_value);
}

std::string TriggerSource(std::string_view body) {
  return "AS\r\nBEGIN\r\n" + std::string(body) + "\r\nEND";
}

std::string CreateTriggerSql(std::string_view table, const PlannedTrigger& trigger) {
  std::string events;
  if (trigger.events & kTriggerOnInsert) events = "INSERT";
  if (trigger.events & kTriggerOnUpdate) events += events.empty() ? "UPDATE" : " OR UPDATE";
  return "CREATE TRIGGER " + QuoteName(trigger.name) + " FOR " + QuoteName(table) + "\r\n" +
         (trigger.active ? "ACTIVE " : "INACTIVE ") +
         (trigger.timing == TriggerTiming::kBefore ? "BEFORE " : "AFTER ") + events + " POSITION " +
         std::to_string(trigger.position) + "\r\n" + TriggerSource(trigger.body);
}

int TriggerTypeCode(TriggerTiming timing, TriggerEvents events) {
  // The server's encoding: type + 1 = phase bit (0 before, 1 after) + each action's code
  // (insert 1, update 2, delete 3) in two-bit slots from bit 1 on.
  int code = timing == TriggerTiming::kBefore ? 0 : 1;
  int slot = 1;
  if (events & kTriggerOnInsert) {
    code += 1 << slot;
    slot += 2;
  }
  if (events & kTriggerOnUpdate) code += 2 << slot;
  return code - 1;
}

}  // namespace brindle::ostrel
