#include "ostrel/structure_reader.h"

#include "ibx/dataset.h"
#include "ostrel/sql_text.h"
#include "platform/text.h"

namespace brindle::ostrel {

namespace {

using ibx::TIBDataSet;
using ibx::TIBField;

std::string Name(const TIBField& field) {
  return std::string(Trim(field.AsString()));
}

std::int32_t Int(const TIBField& field) {
  return field.IsNull() ? 0 : field.AsInteger();
}

template <class Map>
auto Find(Map& map, std::string_view name) -> decltype(&map.begin()->second) {
  const auto found = map.find(NameKey(name));
  return found == map.end() ? nullptr : &found->second;
}

SystemFieldType FieldType(TIBDataSet& query, std::size_t first) {
  return {Int(query.Fields(first)),     Int(query.Fields(first + 1)), Int(query.Fields(first + 2)),
          Int(query.Fields(first + 3)), Int(query.Fields(first + 4)), Int(query.Fields(first + 5))};
}

constexpr std::string_view kTypeColumns =
    "f.RDB$FIELD_TYPE, f.RDB$FIELD_SUB_TYPE, f.RDB$FIELD_LENGTH, f.RDB$FIELD_PRECISION, "
    "f.RDB$FIELD_SCALE, f.RDB$CHARACTER_LENGTH";

void ReadDomains(TIBDataSet& query, ExistingStructure& s) {
  query.SetSelectSQL("SELECT f.RDB$FIELD_NAME, " + std::string(kTypeColumns) +
                     ", f.RDB$NULL_FLAG, f.RDB$DEFAULT_SOURCE, f.RDB$VALIDATION_SOURCE "
                     "FROM RDB$FIELDS f WHERE COALESCE(f.RDB$SYSTEM_FLAG, 0) = 0 "
                     "AND f.RDB$FIELD_NAME NOT STARTING WITH 'RDB$'");
  for (query.Open(); !query.Eof(); query.Next()) {
    ExistingDomain domain;
    domain.name = Name(query.Fields(0));
    domain.type = SystemTypeText(FieldType(query, 1));
    domain.not_null = Int(query.Fields(7)) == 1;
    domain.default_source = std::string(Trim(query.Fields(8).AsString()));
    domain.check_source = std::string(Trim(query.Fields(9).AsString()));
    s.domains[NameKey(domain.name)] = std::move(domain);
  }
  query.Close();
}

void ReadTables(TIBDataSet& query, ExistingStructure& s) {
  query.SetSelectSQL(
      "SELECT RDB$RELATION_NAME, IIF(RDB$VIEW_BLR IS NULL, 0, 1) FROM RDB$RELATIONS "
      "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0");
  for (query.Open(); !query.Eof(); query.Next()) {
    ExistingTable table;
    table.name = Name(query.Fields(0));
    table.view = Int(query.Fields(1)) == 1;
    s.tables[NameKey(table.name)] = std::move(table);
  }
  query.Close();

  query.SetSelectSQL(
      "SELECT rf.RDB$RELATION_NAME, rf.RDB$FIELD_NAME, rf.RDB$FIELD_SOURCE, " +
      std::string(kTypeColumns) +
      ", rf.RDB$NULL_FLAG, f.RDB$NULL_FLAG, rf.RDB$DEFAULT_SOURCE, f.RDB$DEFAULT_SOURCE "
      "FROM RDB$RELATION_FIELDS rf "
      "JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE "
      "JOIN RDB$RELATIONS r ON r.RDB$RELATION_NAME = rf.RDB$RELATION_NAME "
      "WHERE COALESCE(r.RDB$SYSTEM_FLAG, 0) = 0 "
      "ORDER BY rf.RDB$RELATION_NAME, rf.RDB$FIELD_POSITION");
  for (query.Open(); !query.Eof(); query.Next()) {
    ExistingTable* table = s.FindTable(Name(query.Fields(0)));
    if (!table) continue;
    ExistingColumn column;
    column.name = Name(query.Fields(1));
    const std::string source = Name(query.Fields(2));
    if (!source.starts_with("RDB$")) column.domain = source;
    column.type = SystemTypeText(FieldType(query, 3));
    column.not_null = Int(query.Fields(9)) == 1 || Int(query.Fields(10)) == 1;
    column.default_source = std::string(Trim(query.Fields(11).AsString()));
    if (column.default_source.empty()) {
      column.default_source = std::string(Trim(query.Fields(12).AsString()));
    }
    table->columns.push_back(std::move(column));
  }
  query.Close();
}

void ReadIndexes(TIBDataSet& query, ExistingStructure& s) {
  query.SetSelectSQL(
      "SELECT i.RDB$INDEX_NAME, i.RDB$RELATION_NAME, i.RDB$UNIQUE_FLAG, i.RDB$INDEX_TYPE, "
      "i.RDB$INDEX_INACTIVE, IIF(i.RDB$EXPRESSION_BLR IS NULL, 0, 1), sg.RDB$FIELD_NAME "
      "FROM RDB$INDICES i "
      "LEFT JOIN RDB$INDEX_SEGMENTS sg ON sg.RDB$INDEX_NAME = i.RDB$INDEX_NAME "
      "WHERE COALESCE(i.RDB$SYSTEM_FLAG, 0) = 0 "
      "ORDER BY i.RDB$INDEX_NAME, sg.RDB$FIELD_POSITION");
  for (query.Open(); !query.Eof(); query.Next()) {
    const std::string name = Name(query.Fields(0));
    ExistingIndex& index = s.indexes[NameKey(name)];
    if (index.name.empty()) {
      index.name = name;
      index.table = Name(query.Fields(1));
      index.unique = Int(query.Fields(2)) == 1;
      index.descending = Int(query.Fields(3)) == 1;
      index.active = Int(query.Fields(4)) == 0;
      index.expression = Int(query.Fields(5)) == 1;
    }
    if (!query.Fields(6).IsNull()) index.columns.push_back(Name(query.Fields(6)));
  }
  query.Close();

  query.SetSelectSQL(
      "SELECT RDB$CONSTRAINT_NAME, RDB$RELATION_NAME, RDB$INDEX_NAME "
      "FROM RDB$RELATION_CONSTRAINTS WHERE RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'");
  for (query.Open(); !query.Eof(); query.Next()) {
    ExistingTable* table = s.FindTable(Name(query.Fields(1)));
    if (!table) continue;
    ExistingKey key{Name(query.Fields(0)), Name(query.Fields(2)), {}};
    if (const ExistingIndex* index = s.FindIndex(key.index_name)) key.columns = index->columns;
    table->primary_key = std::move(key);
  }
  query.Close();
}

void ReadGenerators(TIBDataSet& query, ExistingStructure& s) {
  query.SetSelectSQL(
      "SELECT RDB$GENERATOR_NAME FROM RDB$GENERATORS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0");
  for (query.Open(); !query.Eof(); query.Next()) {
    const std::string name = Name(query.Fields(0));
    s.generators[NameKey(name)] = name;
  }
  query.Close();
}

void ReadTriggers(TIBDataSet& query, ExistingStructure& s) {
  query.SetSelectSQL(
      "SELECT RDB$TRIGGER_NAME, RDB$RELATION_NAME, RDB$TRIGGER_TYPE, RDB$TRIGGER_SEQUENCE, "
      "RDB$TRIGGER_INACTIVE, RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS "
      "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0");
  for (query.Open(); !query.Eof(); query.Next()) {
    ExistingTrigger trigger;
    trigger.name = Name(query.Fields(0));
    trigger.table = Name(query.Fields(1));
    trigger.type =
        static_cast<std::int32_t>(query.Fields(2).IsNull() ? 0 : query.Fields(2).AsInt64());
    trigger.position = Int(query.Fields(3));
    trigger.active = Int(query.Fields(4)) == 0;
    trigger.source = query.Fields(5).AsString();
    s.triggers[NameKey(trigger.name)] = std::move(trigger);
  }
  query.Close();
}

}  // namespace

std::string NameKey(std::string_view name) {
  return DatabaseName(name);
}

const ExistingColumn* ExistingTable::FindColumn(std::string_view column) const {
  const std::string key = NameKey(column);
  for (const ExistingColumn& candidate : columns) {
    if (NameKey(candidate.name) == key) return &candidate;
  }
  return nullptr;
}

const ExistingDomain* ExistingStructure::FindDomain(std::string_view name) const {
  return Find(domains, name);
}
const ExistingTable* ExistingStructure::FindTable(std::string_view name) const {
  return Find(tables, name);
}
ExistingTable* ExistingStructure::FindTable(std::string_view name) {
  return Find(tables, name);
}
const ExistingIndex* ExistingStructure::FindIndex(std::string_view name) const {
  return Find(indexes, name);
}
bool ExistingStructure::HasGenerator(std::string_view name) const {
  return generators.contains(NameKey(name));
}
const ExistingTrigger* ExistingStructure::FindTrigger(std::string_view name) const {
  return Find(triggers, name);
}

std::vector<const ExistingTrigger*> ExistingStructure::TriggersOf(std::string_view table) const {
  std::vector<const ExistingTrigger*> found;
  for (const auto& [key, trigger] : triggers) {
    if (NameKey(trigger.table) == NameKey(table)) found.push_back(&trigger);
  }
  return found;
}

std::vector<const ExistingIndex*> ExistingStructure::IndexesOf(std::string_view table) const {
  std::vector<const ExistingIndex*> found;
  for (const auto& [key, index] : indexes) {
    if (NameKey(index.table) == NameKey(table)) found.push_back(&index);
  }
  return found;
}

ExistingStructure ReadStructure(ibx::TIBDatabase& database) {
  ExistingStructure structure;
  TIBDataSet query(database);
  ReadDomains(query, structure);
  ReadTables(query, structure);
  ReadIndexes(query, structure);
  ReadGenerators(query, structure);
  ReadTriggers(query, structure);
  return structure;
}

}  // namespace brindle::ostrel
