#include "ostrel/structure_plan.h"

#include <set>

#include "ostrel/modify_date_rule.h"
#include "ostrel/sql_text.h"
#include "platform/text.h"

namespace brindle::ostrel {

namespace {

constexpr std::string_view kModifyDate = "MODIFYDATE";

[[noreturn]] void Refuse(const std::string& what) {
  throw EDescriptionError("Описание структуры БД не может быть выполнено: " + what);
}

// base + suffix within the longest name the database takes, the base shortened as needed.
std::string FitName(const std::string& base, const std::string& suffix) {
  const std::size_t room = kMaxNameLength > suffix.size() ? kMaxNameLength - suffix.size() : 0;
  return base.substr(0, room) + suffix;
}

// A name for an object that the library names, not yet in `taken`; it is added there.
std::string ChooseName(const std::string& table, const std::string& suffix,
                       std::set<std::string>& taken) {
  std::string name = FitName(table, suffix);
  for (int n = 2; taken.contains(name); ++n)
    name = FitName(table, suffix + "_" + std::to_string(n));
  taken.insert(name);
  return name;
}

// Adds a declared name to its database-wide name space; a second object of that name is an error.
void Claim(std::set<std::string>& taken, const std::string& name, const std::string& shown) {
  if (!taken.insert(name).second) Refuse("имя " + name + " объявлено повторно (" + shown + ")");
}

std::string TriggerSuffix(const PlannedTrigger& trigger) {
  std::string suffix = trigger.timing == TriggerTiming::kBefore ? "_B" : "_A";
  if (trigger.events & kTriggerOnInsert) suffix += 'I';
  if (trigger.events & kTriggerOnUpdate) suffix += 'U';
  return suffix + std::to_string(trigger.position);
}

bool IsModifyDateRule(std::string_view body) {
  return NormalizeSql(body) == NormalizeSql(kModifyDateTriggerBody);
}

std::vector<std::string> ResolveColumns(const PlannedTable& table,
                                        const std::vector<ListedColumn>& listed,
                                        const std::string& owner) {
  std::vector<std::string> columns;
  for (const ListedColumn& column : listed) {
    const PlannedColumn* found = nullptr;
    for (const PlannedColumn& candidate : table.columns) {
      if (SameText(candidate.name, column.name)) found = &candidate;
    }
    if (!found) Refuse(owner + " таблицы " + table.name + ": нет столбца " + column.name);
    columns.push_back(found->name);
  }
  return columns;
}

PlannedTable PlanTable(const TfbTableDescription& described,
                       const std::vector<DomainDescription>& domains) {
  PlannedTable table;
  table.name = DatabaseName(described.Name());
  if (described.ChangeTrackingMode() != ChangeTracking::kNone &&
      described.ChangeTrackingMode() != ChangeTracking::kModifyDate) {
    Refuse("таблица " + table.name + ": неизвестный режим отслеживания изменений " +
           std::to_string(static_cast<int>(described.ChangeTrackingMode())));
  }
  table.tracking = described.ChangeTrackingMode() == ChangeTracking::kModifyDate;

  for (const FieldDescription& field : described.Fields()) {
    PlannedColumn column;
    column.name = DatabaseName(field.name);
    if (table.FindColumn(column.name))
      Refuse("столбец " + table.name + "." + column.name + " объявлен повторно");
    column.type = field.type;
    for (const DomainDescription& domain : domains) {
      if (SameText(domain.name, field.type)) {
        column.type = DatabaseName(domain.name);
        column.domain = true;
      }
    }
    column.default_text = field.default_text;
    column.not_null = field.not_null;
    table.columns.push_back(std::move(column));
  }
  if (table.tracking && !table.FindColumn(kModifyDate)) {
    table.columns.push_back({std::string(kModifyDate), "TIMESTAMP", false, "", false, false, true});
  }

  if (const auto& key = described.PrimaryKey()) {
    PlannedKey planned{DatabaseName(key->name),
                       ResolveColumns(table, key->columns, "первичный ключ " + key->name)};
    for (const std::string& name : planned.columns) {
      for (PlannedColumn& column : table.columns) {
        if (column.name == name && !column.not_null) {
          column.not_null = true;
          column.not_null_for_key = true;
        }
      }
    }
    table.key = std::move(planned);
  }
  bool modify_date_indexed = false;
  for (const IndexDescription& index : described.Indexes()) {
    PlannedIndex planned{DatabaseName(index.name), index.unique, index.descending,
                         ResolveColumns(table, index.columns, "индекс " + index.name), false};
    if (planned.columns == std::vector<std::string>{std::string(kModifyDate)}) {
      modify_date_indexed = true;
    }
    table.indexes.push_back(std::move(planned));
  }
  bool modify_date_triggered = false;
  for (const TriggerDescription& trigger : described.Triggers()) {
    if ((trigger.events & ~kTriggerOnInsertOrUpdate) != 0) {
      Refuse("триггер таблицы " + table.name + ": события " + std::to_string(trigger.events) +
             " не поддерживаются (только вставка и изменение)");
    }
    if (trigger.timing != TriggerTiming::kBefore && trigger.timing != TriggerTiming::kAfter) {
      Refuse("триггер таблицы " + table.name + ": неизвестный момент срабатывания");
    }
    PlannedTrigger planned;
    planned.name = DatabaseName(trigger.name);  // chosen later when empty
    planned.name_chosen = trigger.name.empty();
    planned.timing = trigger.timing;
    planned.events = trigger.events;
    planned.position = trigger.position;
    planned.active = trigger.active;
    planned.body = trigger.body;
    planned.keeps_modify_date = IsModifyDateRule(trigger.body);
    if (planned.keeps_modify_date && trigger.timing == TriggerTiming::kBefore &&
        trigger.events == kTriggerOnInsertOrUpdate) {
      modify_date_triggered = true;
    }
    table.triggers.push_back(std::move(planned));
  }
  if (table.tracking && !modify_date_indexed) {
    table.indexes.push_back({"", false, false, {std::string(kModifyDate)}, true});
  }
  if (table.tracking && !modify_date_triggered) {
    PlannedTrigger trigger;
    trigger.timing = TriggerTiming::kBefore;
    trigger.events = kTriggerOnInsertOrUpdate;
    trigger.position = kModifyDateTriggerPosition;
    trigger.active = true;
    trigger.body = std::string(kModifyDateTriggerBody);
    trigger.tracking = true;
    trigger.keeps_modify_date = true;
    table.triggers.push_back(std::move(trigger));
  }
  return table;
}

}  // namespace

const PlannedColumn* PlannedTable::FindColumn(std::string_view database_name) const {
  for (const PlannedColumn& column : columns) {
    if (column.name == database_name) return &column;
  }
  return nullptr;
}

StructurePlan PlanStructure(const TfbDataBaseDescription& description) {
  StructurePlan plan;
  std::set<std::string> domains, tables, generators, indexes, triggers;
  for (const DomainDescription& domain : description.Domains()) {
    PlannedDomain planned{DatabaseName(domain.name), domain.type, domain.check};
    Claim(domains, planned.name, "домен");
    plan.domains.push_back(std::move(planned));
  }
  for (const auto& described : description.Tables()) {
    PlannedTable table = PlanTable(*described, description.Domains());
    Claim(tables, table.name, "таблица");
    if (table.key) Claim(indexes, table.key->name, "первичный ключ таблицы " + table.name);
    for (const PlannedIndex& index : table.indexes) {
      if (!index.tracking) Claim(indexes, index.name, "индекс таблицы " + table.name);
    }
    for (const PlannedTrigger& trigger : table.triggers) {
      if (!trigger.tracking && !trigger.name_chosen) {
        Claim(triggers, trigger.name, "триггер таблицы " + table.name);
      }
    }
    plan.tables.push_back(std::move(table));
  }
  // Chosen names come after every declared one, so a declared name is never taken from it.
  for (PlannedTable& table : plan.tables) {
    for (PlannedIndex& index : table.indexes) {
      if (index.tracking) index.name = ChooseName(table.name, "_MD_IDX", indexes);
    }
    for (PlannedTrigger& trigger : table.triggers) {
      if (trigger.tracking) {
        trigger.name = ChooseName(table.name, "_MD_BIU", triggers);
      } else if (trigger.name_chosen) {
        trigger.name = ChooseName(table.name, TriggerSuffix(trigger), triggers);
      }
    }
  }
  for (const GeneratorDescription& generator : description.Generators()) {
    PlannedGenerator planned{DatabaseName(generator.name), generator.start_value};
    Claim(generators, planned.name, "генератор");
    plan.generators.push_back(std::move(planned));
  }
  return plan;
}

}  // namespace brindle::ostrel
