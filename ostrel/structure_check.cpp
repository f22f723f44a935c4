#include "ostrel/structure_check.h"

#include <ibase.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>
#include <string_view>

#include "ibx/connection_string.h"
#include "ibx/dataset.h"
#include "ibx/ib_error.h"
#include "ibx/transaction.h"
#include "ostrel/check_log.h"
#include "ostrel/ddl.h"
#include "ostrel/sql_text.h"
#include "ostrel/structure_plan.h"
#include "ostrel/structure_reader.h"
#include "platform/text.h"

namespace brindle::ostrel {

namespace {

constexpr std::string_view kModifyDate = "MODIFYDATE";

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

bool SameNames(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (NameKey(a[i]) != NameKey(b[i])) return false;
  }
  return true;
}

std::string DefaultShown(const std::string& source) {
  return source.empty() ? "нет" : source;
}

class StructureCheck {
 public:
  StructureCheck(const StructurePlan& plan, ibx::TIBDatabase& database, CheckLog& log)
      : plan_(plan), database_(database), log_(log) {}

  void Run() {
    Reread();
    Phase([&] { Domains(); });
    Phase([&] { Tables(); });
    Phase([&] { Columns(); });
    Phase([&] { Keys(); });
    Phase([&] { Indexes(); });
    Phase([&] { Generators(); });
    Triggers();
    Flush();
  }

 private:
  // Runs a phase and reads the structure again when it created anything, so that the next
  // phase sees what the server holds now.
  template <class Body>
  void Phase(Body&& body) {
    const int before = log_.CreatedCount();
    body();
    Flush();
    if (log_.CreatedCount() != before) Reread();
  }

  void Reread() {
    WithContext("Чтение структуры БД", [&] { existing_ = ReadStructure(database_); });
  }

  // A statement that creates something, with what is logged once it is committed.
  struct Statement {
    Statement(std::string sql_text, std::string step, std::string created_text)
        : sql(std::move(sql_text)), what(std::move(step)), created(std::move(created_text)) {}

    std::string sql;
    std::string what;  // the step, named by a failure
    std::string created;
    std::vector<std::string> notes;
    std::vector<std::string> differences;
  };

  void Queue(Statement statement) { pending_.push_back(std::move(statement)); }

  // Runs the queued statements of a phase in one transaction: a commit per statement costs the
  // server a synchronous write of every page it touched. When any of them fails, the work is
  // rolled back and the statements run again one by one, each committed, so that the failure
  // names its own statement and everything before it stays.
  void Flush() {
    std::vector<Statement> batch;
    batch.swap(pending_);
    if (batch.empty()) return;
    bool failed = false;
    std::string batch_error;
    try {
      ibx::TIBTransaction transaction(database_);
      ibx::TIBDataSet statement(database_, &transaction);
      statement.SetParamCheck(false);
      for (const Statement& queued : batch) {
        statement.SetSelectSQL(queued.sql);
        statement.ExecSQL();
      }
      transaction.Commit();
    } catch (const std::exception& e) {
      failed = true;
      batch_error = e.what();
    }
    if (failed) {
      log_.Note("Группа из " + std::to_string(batch.size()) +
                " операторов не выполнена, они выполняются по одному: " + batch_error);
    }
    for (const Statement& done : batch) {
      if (failed) ExecuteNow(done.sql, done.what);
      log_.Created(done.created);
      for (const std::string& note : done.notes) log_.Note(note);
      for (const std::string& difference : done.differences) log_.Difference(difference);
    }
  }

  // One statement in a committed transaction of its own; what names the step for a failure.
  void ExecuteNow(const std::string& sql, const std::string& what) {
    try {
      ibx::TIBTransaction transaction(database_);
      ibx::TIBDataSet statement(database_, &transaction);
      statement.SetParamCheck(false);
      statement.SetSelectSQL(sql);
      statement.ExecSQL();
      transaction.Commit();
    } catch (...) {
      log_.Error("Не выполнен оператор:\r\n" + sql);
      WrapException(what);
    }
  }

  std::int64_t Count(const std::string& sql) {
    ibx::TIBDataSet query(database_);
    query.SetSelectSQL(sql);
    query.Open();
    return query.Fields(0).AsInt64();
  }

  // The table as read after the tables phase; every planned table that is not skipped exists.
  const ExistingTable& TableOf(const PlannedTable& table) const {
    const ExistingTable* found = existing_.FindTable(table.name);
    if (!found) throw Exception("Таблица " + table.name + " не найдена в БД после её создания");
    return *found;
  }

  bool Skipped(const PlannedTable& table) const { return skipped_tables_.contains(table.name); }

  // The column's name as the database holds it, which may differ in letter case.
  std::vector<std::string> ExactColumns(const ExistingTable& table,
                                        const std::vector<std::string>& columns) const {
    std::vector<std::string> exact;
    for (const std::string& name : columns) {
      const ExistingColumn* column = table.FindColumn(name);
      exact.push_back(column ? column->name : name);
    }
    return exact;
  }

  // --- Domains -------------------------------------------------------------------------------

  void Domains() {
    for (const PlannedDomain& domain : plan_.domains) {
      const ExistingDomain* found = existing_.FindDomain(domain.name);
      if (!found) {
        Queue({CreateDomainSql(domain), "Создание домена " + domain.name,
               "Создан домен " + domain.name});
        continue;
      }
      const std::string shown = "Домен " + found->name;
      if (CanonicalType(domain.type) != found->type) {
        log_.Difference(shown + ": тип " + found->type + ", по описанию " + domain.type +
                        "; не изменён");
      }
      const std::string check = domain.check.empty() ? "" : "CHECK " + Enclose(domain.check);
      if (NormalizeSql(check) != NormalizeSql(found->check_source)) {
        log_.Difference(shown + ": проверка " + DefaultShown(found->check_source) +
                        ", по описанию " + DefaultShown(check) + "; не изменена");
      }
      if (found->not_null)
        log_.Difference(shown + ": NOT NULL, по описанию без NOT NULL; не изменён");
      if (!found->default_source.empty()) {
        log_.Difference(shown + ": значение по умолчанию " + found->default_source +
                        ", по описанию нет; не изменено");
      }
    }
  }

  // --- Tables and columns --------------------------------------------------------------------

  void Tables() {
    for (const PlannedTable& table : plan_.tables) {
      const ExistingTable* found = existing_.FindTable(table.name);
      if (found && found->view) {
        log_.Difference("Таблица " + table.name + " существует как представление " + found->name +
                        "; не изменено, её ключ, индексы и триггеры не создаются");
        skipped_tables_.insert(table.name);
        continue;
      }
      if (found) continue;
      Statement create{
          CreateTableSql(table), "Создание таблицы " + table.name,
          "Создана таблица " + table.name + ", столбцов: " + std::to_string(table.columns.size())};
      for (const PlannedColumn& column : table.columns) {
        if (column.not_null_for_key) {
          create.notes.push_back("Столбец " + table.name + "." + column.name +
                                 " создан NOT NULL, хотя объявлен без NOT NULL: он входит в "
                                 "первичный ключ " +
                                 table.key->name);
        }
      }
      Queue(std::move(create));
    }
  }

  void Columns() {
    for (const PlannedTable& table : plan_.tables) {
      if (Skipped(table)) continue;
      const ExistingTable& found = TableOf(table);
      for (const PlannedColumn& column : table.columns) {
        const ExistingColumn* existing = found.FindColumn(column.name);
        if (existing) {
          CompareColumn(table, found, column, *existing);
        } else {
          AddColumn(table, found, column);
        }
      }
    }
  }

  void AddColumn(const PlannedTable& table, const ExistingTable& found,
                 const PlannedColumn& column) {
    const std::string shown = table.name + "." + column.name;
    PlannedColumn added = column;
    if (column.not_null && column.default_text.empty() &&
        Count("SELECT COUNT(*) FROM (SELECT FIRST 1 1 AS X FROM " + QuoteName(found.name) + ")") >
            0) {
      added.not_null = false;
    }
    Statement add{AddColumnSql(found.name, added), "Добавление столбца " + shown,
                  "Добавлен столбец " + shown};
    if (column.not_null && !added.not_null) {
      add.differences.push_back("Столбец " + shown +
                                " добавлен без NOT NULL: в таблице есть строки, а значения по "
                                "умолчанию у столбца нет");
    }
    Queue(std::move(add));
  }

  bool InMissingKey(const PlannedTable& table, const ExistingTable& found,
                    const std::string& column) const {
    if (!table.key || found.primary_key) return false;
    for (const std::string& name : table.key->columns) {
      if (name == column) return true;
    }
    return false;
  }

  void CompareColumn(const PlannedTable& table, const ExistingTable& found,
                     const PlannedColumn& column, const ExistingColumn& existing) {
    const std::string shown = "Столбец " + table.name + "." + column.name;
    if (existing.name != column.name) {
      log_.Difference(shown + " существует под именем \"" + existing.name + "\"; не изменён");
    }
    const std::string existing_type = existing.domain.empty() ? existing.type : existing.domain;
    bool same_type;
    if (column.domain) {
      same_type = NameKey(existing.domain) == NameKey(column.type);
    } else {
      same_type = CanonicalType(column.type) == existing.type;
    }
    if (!same_type) {
      log_.Difference(shown + ": тип " + existing_type + ", по описанию " + column.type +
                      "; не изменён");
    }
    if (column.not_null != existing.not_null && !InMissingKey(table, found, column.name)) {
      log_.Difference(shown +
                      (existing.not_null ? ": NOT NULL, по описанию без NOT NULL"
                                         : ": без NOT NULL, по описанию NOT NULL") +
                      "; не изменён");
    }
    const std::string default_source =
        column.default_text.empty() ? "" : "DEFAULT " + column.default_text;
    if (NormalizeSql(default_source) != NormalizeSql(existing.default_source)) {
      log_.Difference(shown + ": значение по умолчанию " + DefaultShown(existing.default_source) +
                      ", по описанию " + DefaultShown(default_source) + "; не изменено");
    }
  }

  // --- Keys ----------------------------------------------------------------------------------

  void Keys() {
    for (const PlannedTable& table : plan_.tables) {
      if (Skipped(table) || !table.key) continue;
      const PlannedKey& key = *table.key;
      const ExistingTable& found = TableOf(table);
      if (found.primary_key) {
        const ExistingKey& existing = *found.primary_key;
        if (NameKey(existing.name) != key.name || !SameNames(existing.columns, key.columns)) {
          log_.Difference("Первичный ключ таблицы " + table.name + ": " + existing.name + " (" +
                          Joined(existing.columns) + "), по описанию " + key.name + " (" +
                          Joined(key.columns) + "); не изменён");
        }
        continue;
      }
      if (const ExistingIndex* taken = existing_.FindIndex(key.name)) {
        log_.Difference("Первичный ключ " + key.name + " таблицы " + table.name +
                        " не создан: это имя носит индекс таблицы " + taken->table);
        continue;
      }
      if (PrepareKeyColumns(table, found)) {
        Queue({AddPrimaryKeySql(found.name, {key.name, ExactColumns(found, key.columns)}),
               "Создание первичного ключа " + key.name + " таблицы " + table.name,
               "Создан первичный ключ " + key.name + " таблицы " + table.name + " (" +
                   Joined(key.columns) + ")"});
      }
    }
  }

  // Makes the key's nullable columns NOT NULL when they hold no NULL; false when the key
  // cannot be made.
  bool PrepareKeyColumns(const PlannedTable& table, const ExistingTable& found) {
    const PlannedKey& key = *table.key;
    for (const std::string& name : key.columns) {
      const ExistingColumn* column = found.FindColumn(name);
      if (!column) {
        log_.Difference("Первичный ключ " + key.name + " таблицы " + table.name +
                        " не создан: нет столбца " + name);
        return false;
      }
      if (column->not_null) continue;
      const std::int64_t nulls = Count("SELECT COUNT(*) FROM " + QuoteName(found.name) + " WHERE " +
                                       QuoteName(column->name) + " IS NULL");
      if (nulls > 0) {
        log_.Difference("Первичный ключ " + key.name + " таблицы " + table.name +
                        " не создан: столбец " + column->name + " без NOT NULL содержит NULL в " +
                        std::to_string(nulls) + " строк(ах)");
        return false;
      }
    }
    for (const std::string& name : key.columns) {
      const ExistingColumn& column = *found.FindColumn(name);
      if (column.not_null) continue;
      const std::string shown = table.name + "." + column.name;
      ExecuteNow(SetNotNullSql(found.name, column.name), "Установка NOT NULL столбца " + shown);
      log_.Changed("Столбец " + shown + " сделан NOT NULL для первичного ключа " + key.name +
                   ": NULL в нём нет");
    }
    return true;
  }

  // --- Indexes -------------------------------------------------------------------------------

  void Indexes() {
    for (const PlannedTable& table : plan_.tables) {
      if (Skipped(table)) continue;
      const ExistingTable& found = TableOf(table);
      for (const PlannedIndex& index : table.indexes) CheckIndex(table, found, index);
    }
  }

  void CheckIndex(const PlannedTable& table, const ExistingTable& found,
                  const PlannedIndex& index) {
    const ExistingIndex* existing = existing_.FindIndex(index.name);
    if (!existing && index.tracking) {
      for (const ExistingIndex* other : existing_.IndexesOf(found.name)) {
        if (!other->expression && SameNames(other->columns, {std::string(kModifyDate)})) {
          return;  // change tracking has its index, under another name
        }
      }
    }
    if (!existing) {
      PlannedIndex exact = index;
      exact.columns = ExactColumns(found, index.columns);
      Queue({CreateIndexSql(found.name, exact),
             "Создание индекса " + index.name + " таблицы " + table.name,
             "Создан индекс " + index.name + " таблицы " + table.name + " (" +
                 Joined(index.columns) + ")" + (index.unique ? ", уникальный" : "") +
                 (index.descending ? ", по убыванию" : "")});
      return;
    }
    const std::string shown = "Индекс " + existing->name;
    if (NameKey(existing->table) != NameKey(found.name)) {
      log_.Difference(shown + " таблицы " + table.name +
                      " не создан: это имя носит индекс таблицы " + existing->table);
      return;
    }
    if (existing->expression) {
      log_.Difference(shown + " таблицы " + table.name +
                      " построен по выражению, по описанию по столбцам; не изменён");
    } else if (!SameNames(existing->columns, index.columns)) {
      log_.Difference(shown + " таблицы " + table.name + ": столбцы " + Joined(existing->columns) +
                      ", по описанию " + Joined(index.columns) + "; не изменён");
    }
    if (existing->unique != index.unique) {
      log_.Difference(shown +
                      (existing->unique ? ": уникальный, по описанию нет"
                                        : ": не уникальный, по описанию уникальный") +
                      "; не изменён");
    }
    if (existing->descending != index.descending) {
      log_.Difference(shown +
                      (existing->descending ? ": по убыванию, по описанию по возрастанию"
                                            : ": по возрастанию, по описанию по убыванию") +
                      "; не изменён");
    }
    if (!existing->active) log_.Difference(shown + " неактивен; не изменён");
  }

  // --- Generators ----------------------------------------------------------------------------

  void Generators() {
    for (const PlannedGenerator& generator : plan_.generators) {
      if (existing_.HasGenerator(generator.name)) continue;
      Queue({CreateGeneratorSql(generator), "Создание генератора " + generator.name,
             "Создан генератор " + generator.name});
    }
  }

  // --- Triggers ------------------------------------------------------------------------------

  void Triggers() {
    for (const PlannedTable& table : plan_.tables) {
      if (Skipped(table)) continue;
      const ExistingTable& found = TableOf(table);
      for (const PlannedTrigger& trigger : table.triggers) CheckTrigger(table, found, trigger);
    }
  }

  // An active trigger that runs before an insert or an update and names MODIFYDATE.
  static bool KeepsModifyDate(const ExistingTrigger& trigger) {
    // The server's encoding: type + 1 holds the phase in bit 0 (0 before) and up to three
    // actions (1 insert, 2 update, 3 delete) in two-bit slots from bit 1 on; database and DDL
    // triggers have types from 8192 on.
    const std::int64_t code = static_cast<std::int64_t>(trigger.type) + 1;
    if (trigger.type <= 0 || trigger.type >= 8192 || (code & 1) != 0) return false;
    bool insert_or_update = false;
    for (int slot = 1; slot <= 3; ++slot) {
      const std::int64_t action = (code >> (slot * 2 - 1)) & 3;
      if (action == 1 || action == 2) insert_or_update = true;
    }
    return trigger.active && insert_or_update &&
           NormalizeSql(trigger.source).find(kModifyDate) != std::string::npos;
  }

  void CheckTrigger(const PlannedTable& table, const ExistingTable& found,
                    const PlannedTrigger& trigger) {
    const int type = TriggerTypeCode(trigger.timing, trigger.events);
    const std::string source = NormalizeSql(TriggerSource(trigger.body));
    if (const ExistingTrigger* existing = existing_.FindTrigger(trigger.name)) {
      CompareTrigger(table, found, trigger, *existing, type, source);
      return;
    }
    for (const ExistingTrigger* other : existing_.TriggersOf(found.name)) {
      if (other->type == type && NormalizeSql(other->source) == source) {
        if (trigger.tracking || trigger.name_chosen) return;  // the library's name is no promise
        log_.Difference("Триггер " + trigger.name + " таблицы " + table.name +
                        " не создан: тот же триггер существует под именем " + other->name);
        return;
      }
    }
    if (trigger.keeps_modify_date) {
      for (const ExistingTrigger* other : existing_.TriggersOf(found.name)) {
        if (!KeepsModifyDate(*other)) continue;
        log_.Difference("Триггер " + trigger.name + " таблицы " + table.name +
                        " не создан: MODIFYDATE уже поддерживает триггер " + other->name +
                        " с другим текстом, а два таких триггера нарушают правило даты изменения");
        return;
      }
    }
    std::string created = "Создан триггер " + trigger.name + " таблицы " + table.name;
    if (trigger.tracking) created += " (отслеживание изменений MODIFYDATE)";
    if (trigger.name_chosen) created += " (объявлен без имени, имя дано библиотекой)";
    Queue({CreateTriggerSql(found.name, trigger),
           "Создание триггера " + trigger.name + " таблицы " + table.name, created});
  }

  void CompareTrigger(const PlannedTable& table, const ExistingTable& found,
                      const PlannedTrigger& trigger, const ExistingTrigger& existing, int type,
                      const std::string& source) {
    const std::string shown = "Триггер " + existing.name;
    if (NameKey(existing.table) != NameKey(found.name)) {
      log_.Difference(
          shown + " таблицы " + table.name + " не создан: это имя носит триггер " +
          (existing.table.empty() ? std::string("базы данных") : "таблицы " + existing.table));
      return;
    }
    if (existing.type != type) {
      log_.Difference(shown + ": тип " + std::to_string(existing.type) + ", по описанию " +
                      std::to_string(type) + "; не изменён");
    }
    if (existing.position != trigger.position) {
      log_.Difference(shown + ": позиция " + std::to_string(existing.position) + ", по описанию " +
                      std::to_string(trigger.position) + "; не изменён");
    }
    if (existing.active != trigger.active) {
      log_.Difference(shown +
                      (existing.active ? ": активен, по описанию неактивен"
                                       : ": неактивен, по описанию активен") +
                      "; не изменён");
    }
    if (NormalizeSql(existing.source) != source) {
      log_.Difference(shown + ": текст отличается от описания; не изменён");
    }
  }

  const StructurePlan& plan_;
  ibx::TIBDatabase& database_;
  CheckLog& log_;
  ExistingStructure existing_;
  std::set<std::string> skipped_tables_;
  std::vector<Statement> pending_;
};

// Opens the database, or creates it when the server reports that its file does not exist.
// A server path that names a file wherever the server is: "/..." or "C:\..." (or "C:/...").
// Anything else is taken by the server relative to its own working folder, or as an alias.
bool IsAbsoluteServerPath(std::string_view path) {
  if (path.starts_with('/') || path.starts_with('\\')) return true;
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         (path[2] == '\\' || path[2] == '/');
}

bool OpenOrCreate(ibx::TIBDatabase& database, const std::string& path) {
  try {
    database.Open();
    return false;
  } catch (const ibx::EIBError& open_error) {
    if (!open_error.HasErrorCode(isc_io_error)) ibx::RaiseInContext(open_error, "Подключение к БД");
    // A mistyped path ("localhost" for a copy) would otherwise create a database in the
    // server's own folder.
    if (!IsAbsoluteServerPath(path)) {
      open_error.RaiseWithMessage(
          "Подключение к БД -> " + open_error.Message() + "\r\nСоздание БД -> база данных \"" +
          path +
          "\" не найдена, а новая создаётся только по полному пути к файлу на сервере "
          "(например /var/lib/firebird/data/office.fdb): укажите полный путь или имя "
          "существующей базы данных");
    }
    try {
      database.CreateDatabase(/*forced_writes=*/true);
    } catch (const ibx::EIBError& create_error) {
      create_error.RaiseWithMessage("Подключение к БД -> " + open_error.Message() +
                                    "\r\nСоздание БД -> " + create_error.Message());
    }
    return true;
  }
}

// A database that holds tables of its own but none of the description's belongs to another
// program: completing it would add the whole office schema to it.
void RefuseForeignDatabase(const StructurePlan& plan, ibx::TIBDatabase& database) {
  const std::vector<std::string> tables = database.GetTableNames();
  if (tables.empty()) return;
  for (const PlannedTable& table : plan.tables) {
    if (std::find(tables.begin(), tables.end(), table.name) != tables.end()) return;
  }
  std::string named;
  for (std::size_t i = 0; i < tables.size() && i < 3; ++i) named += (i ? ", " : "") + tables[i];
  if (tables.size() > 3) named += ", ...";
  throw Exception("в базе данных есть свои таблицы (" + named +
                  "), но ни одной таблицы базы данных офиса: это не база данных офиса, её "
                  "структура не изменена. Укажите базу данных офиса или новый файл");
}

std::string ChangesText(const std::vector<std::string>& changes) {
  std::string text = "\r\nДо ошибки в базе данных изменено (" + std::to_string(changes.size()) +
                     "), эти изменения остались: ";
  for (std::size_t i = 0; i < changes.size(); ++i) text += (i ? "; " : "") + changes[i];
  return text;
}

}  // namespace

std::string ConnectionString(const ConnectionDescription& connection) {
  const std::string host = connection.host.empty() ? "localhost" : connection.host;
  if (connection.port <= 0) return host + ":" + connection.path;
  return BuildConnStr(host, connection.port, connection.path);
}

CheckResult CheckDatabaseStructure(const TfbDataBaseDescription& description,
                                   const std::string& log_file) {
  if (!description.Connection()) {
    throw EDescriptionError(
        "Проверка структуры БД -> не задано подключение к БД (SetConnection не вызван)");
  }
  const ConnectionDescription& connection = *description.Connection();
  const std::string connection_string = ConnectionString(connection);
  const std::string prefix = "Проверка структуры БД " + connection_string;
  const StructurePlan plan = WithContext(prefix, [&] { return PlanStructure(description); });
  std::unique_ptr<CheckLog> log;
  WithContext(prefix, [&] { log = std::make_unique<CheckLog>(log_file); });

  CheckResult result;
  log->Note(prefix + ": начало");
  try {
    ibx::TIBDatabase database;
    database.SetDatabaseName(connection_string);
    database.SetPassword(connection.password);
    result.database_created = OpenOrCreate(database, connection.path);
    if (!result.database_created) RefuseForeignDatabase(plan, database);
    if (result.database_created) {
      log->Changed("Создана база данных " + connection_string +
                   " (кодировка по умолчанию WIN1251)");
    }
    StructureCheck(plan, database, *log).Run();
    database.Close();
  } catch (const std::exception& e) {
    log->Error(prefix + " -> " + e.what());
    try {
      WrapException(prefix);
    } catch (const Exception& wrapped) {
      if (log->Changes().empty()) throw;
      // Each change is committed as it is made, so the operator learns what stays.
      wrapped.RaiseWithMessage(wrapped.Message() + ChangesText(log->Changes()));
    }
  }
  result.created = log->CreatedCount();
  result.differences = log->DifferenceCount();
  log->Note(prefix + ": завершена, создано объектов: " + std::to_string(result.created) +
            ", расхождений: " + std::to_string(result.differences));
  return result;
}

}  // namespace brindle::ostrel
