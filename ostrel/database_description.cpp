#include "ostrel/database_description.h"

#include <algorithm>

#include "platform/text.h"

namespace brindle {

namespace {

void CheckName(std::string_view what, const std::string& name) {
  if (name.empty()) throw EDescriptionError("Не задано имя: " + std::string(what));
  if (name.size() > kMaxNameLength) {
    throw EDescriptionError("Имя длиннее " + std::to_string(kMaxNameLength) +
                            " символов: " + std::string(what) + " " + name);
  }
}

const std::string& NameOf(const std::unique_ptr<TfbTableDescription>& table) {
  return table->Name();
}
template <class Item>
const std::string& NameOf(const Item& item) {
  return item.name;
}

// shown: the object as the message names it.
template <class Items>
void CheckUnique(const std::string& shown, const std::string& name, const Items& items) {
  const bool taken = std::any_of(items.begin(), items.end(),
                                 [&](const auto& item) { return SameText(NameOf(item), name); });
  if (taken) throw EDescriptionError("Повторное объявление: " + shown);
}

// Keys and indexes share one name space in the database.
void CheckIndexName(const std::string& name, const std::optional<KeyDescription>& key,
                    const std::vector<IndexDescription>& indexes) {
  CheckName("индекс", name);
  CheckUnique("индекс " + name, name, indexes);
  if (key && SameText(key->name, name)) {
    throw EDescriptionError("Повторное объявление: индекс " + name);
  }
}

}  // namespace

TfbTableDescription::TfbTableDescription(std::string name) : name_(std::move(name)) {
  CheckName("таблица", name_);
}

void TfbTableDescription::AddField(const std::string& name, const std::string& type,
                                   const std::string& default_text, bool not_null) {
  CheckName("столбец", name);
  CheckUnique("столбец " + name_ + "." + name, name, fields_);
  if (type.empty()) throw EDescriptionError("Не задан тип столбца " + name_ + "." + name);
  fields_.push_back({name, type, default_text, not_null});
}

void TfbTableDescription::SetPrimaryKey(const std::string& constraint_name,
                                        const std::string& column_list) {
  if (primary_key_) {
    throw EDescriptionError("Первичный ключ таблицы " + name_ +
                            " уже задан: " + primary_key_->name);
  }
  CheckIndexName(constraint_name, primary_key_, indexes_);
  primary_key_ = KeyDescription{constraint_name, column_list, ParseColumnList(column_list)};
}

void TfbTableDescription::AddIndex(const std::string& name, bool unique, bool descending,
                                   const std::string& column_list) {
  CheckIndexName(name, primary_key_, indexes_);
  indexes_.push_back({name, unique, descending, column_list, ParseColumnList(column_list)});
}

void TfbTableDescription::AddTrigger(TriggerTiming timing, TriggerEvents events,
                                     std::int32_t position, bool active, const std::string& name,
                                     const std::string& body) {
  if (!name.empty()) {
    CheckName("триггер", name);
    CheckUnique("триггер " + name, name, triggers_);
  }
  if (events == 0) throw EDescriptionError("Не заданы события триггера таблицы " + name_);
  if (body.empty()) throw EDescriptionError("Не задан текст триггера таблицы " + name_);
  triggers_.push_back({timing, events, position, active, name, body});
}

void TfbTableDescription::SetChangeTracking(ChangeTracking mode) {
  change_tracking_ = mode;
}

const FieldDescription* TfbTableDescription::FindField(std::string_view name) const {
  for (const auto& field : fields_) {
    if (SameText(field.name, name)) return &field;
  }
  return nullptr;
}

void TfbDataBaseDescription::SetConnection(const std::string& host, const std::string& path,
                                           const std::string& password, std::int32_t port,
                                           const VariantArray& parameters) {
  connection_ = ConnectionDescription{host, path, password, port, parameters};
}

void TfbDataBaseDescription::AddDomain(const std::string& name, const std::string& type,
                                       std::int32_t reserved1, std::int32_t reserved2,
                                       const std::string& check) {
  CheckName("домен", name);
  CheckUnique("домен " + name, name, domains_);
  if (type.empty()) throw EDescriptionError("Не задан тип домена " + name);
  domains_.push_back({name, type, reserved1, reserved2, check});
  declarations_.push_back({Declaration::Kind::kDomain, domains_.size() - 1});
}

TfbTableDescription* TfbDataBaseDescription::AddTable(const std::string& name) {
  CheckUnique("таблица " + name, name, tables_);
  tables_.push_back(std::make_unique<TfbTableDescription>(name));
  declarations_.push_back({Declaration::Kind::kTable, tables_.size() - 1});
  return tables_.back().get();
}

void TfbDataBaseDescription::AddGenerator(const std::string& name, std::int64_t start_value) {
  CheckName("генератор", name);
  CheckUnique("генератор " + name, name, generators_);
  generators_.push_back({name, start_value});
  declarations_.push_back({Declaration::Kind::kGenerator, generators_.size() - 1});
}

const TfbTableDescription* TfbDataBaseDescription::FindTable(std::string_view name) const {
  for (const auto& table : tables_) {
    if (SameText(table->Name(), name)) return table.get();
  }
  return nullptr;
}

}  // namespace brindle
