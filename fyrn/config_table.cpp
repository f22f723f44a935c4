#include "fyrn/config_table.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "fyrn/sha1.h"
#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/ib_error.h"
#include "ibx/transaction.h"
#include "ibx/win1251.h"
#include "infra/ini_format.h"
#include "platform/suite_root.h"
#include "platform/text.h"

namespace brindle::fyrn {

namespace {

using ibx::EIBError;
using ibx::TFieldType;

constexpr const char* kTable = "CONFIGPARAMS";
constexpr const char* kAllOwners = "*";
constexpr std::size_t kModifyUserLength = 100;

// As the office schema defines the table.
constexpr const char* kCreateTable =
    "CREATE TABLE CONFIGPARAMS ("
    "FILENAME VARCHAR(100) NOT NULL, COMPUTERNAME VARCHAR(100) NOT NULL, "
    "USERNAME VARCHAR(100) NOT NULL, SECTIONNAME VARCHAR(100) NOT NULL, "
    "PARAMNAME VARCHAR(100) NOT NULL, PARAMVALUE VARCHAR(10000), PARAMBLOB BLOB, "
    "PARAMBLOBHASH VARCHAR(50), MODIFYDATE TIMESTAMP, MODIFYUSER VARCHAR(100), "
    "CONSTRAINT CONFIGPARAMS_PK PRIMARY KEY "
    "(FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME))";

constexpr const char* kKeyCondition =
    "FILENAME = :FILENAME AND COMPUTERNAME = :COMPUTERNAME AND USERNAME = :USERNAME AND "
    "SECTIONNAME = :SECTIONNAME";

std::string OsUserName() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_name && *found->pw_name) {
    return found->pw_name;
  }
  const char* user = std::getenv("USER");
  return user && *user ? user : std::to_string(geteuid());
}

std::string WriterName() {
  return std::string(LeftChars(OsUserName() + "@" + ComputerName(), kModifyUserLength));
}

bool HasTable(ibx::TIBDatabase& database) {
  ibx::TIBDataSet query(database);
  query.SetSelectSQL("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = :NAME");
  query.ParamByName("NAME").SetAsString(kTable);
  query.Open();
  return !query.Eof();
}

void CreateTable(ibx::TIBDatabase& database) {
  ibx::TIBTransaction transaction(database);
  ibx::TIBDataSet ddl(database, &transaction);
  ddl.SetSelectSQL(kCreateTable);
  ddl.ExecSQL();
  transaction.Commit();
}

}  // namespace

struct TfbConfigTable::Session {
  explicit Session(ibx::TIBDatabase connection)
      : database(std::move(connection)),
        read(database),
        section(database),
        write_transaction(database, ibx::TIBTransactionKind::ReadWrite),
        write(database, &write_transaction) {}

  // Sets the parameters that name the configuration, the owner and the section.
  void SetScope(ibx::TIBDataSet& statement, const std::string& ini_name, bool all_computers,
                bool all_users, const std::string& section_name) {
    statement.ParamByName("FILENAME").SetAsString(ini_name);
    statement.ParamByName("COMPUTERNAME").SetAsString(all_computers ? kAllOwners : computer);
    statement.ParamByName("USERNAME").SetAsString(all_users ? kAllOwners : user);
    statement.ParamByName("SECTIONNAME").SetAsString(section_name);
  }

  ibx::TIBDatabase database;
  ibx::TIBDataSet read;
  ibx::TIBDataSet section;
  ibx::TIBTransaction write_transaction;
  ibx::TIBDataSet write;
  std::size_t value_length = 0;  // PARAMVALUE's length in WIN1251 bytes, one per character
  std::string computer = ComputerName();
  std::string user = OsUserName();
  std::string writer = WriterName();
};

TfbConfigTable::TfbConfigTable(std::string ini_name, bool create_table)
    : ini_name_(std::move(ini_name)), create_table_(create_table) {}

TfbConfigTable::~TfbConfigTable() = default;

void TfbConfigTable::SetConnectionName(const std::string& name) {
  connection_name_ = name;
}

void TfbConfigTable::SetConnectionParams(const std::string& host, std::int32_t port,
                                         const std::string& path, const std::string& user,
                                         const std::string& password, const std::string& charset) {
  session_.reset();
  ibx::TIBDatabase database;
  database.SetConnection(host, port, path);
  database.SetUserName(user);
  database.SetPassword(password);
  database.SetCharacterSet(charset);
  database.Open();
  if (!HasTable(database)) {
    if (!create_table_) {
      throw EIBError("В базе данных " + database.DatabaseName() + " нет таблицы " + kTable +
                     ", в которой хранится конфигурация \"" + ini_name_ +
                     "\". Создайте структуру базы данных и повторите.");
    }
    CreateTable(database);
  }

  auto session = std::make_unique<Session>(std::move(database));
  const std::string where = kKeyCondition;
  session->read.SetSelectSQL("SELECT PARAMVALUE, PARAMBLOB FROM CONFIGPARAMS WHERE " + where +
                             " AND PARAMNAME = :PARAMNAME");
  session->section.SetSelectSQL("SELECT PARAMNAME FROM CONFIGPARAMS WHERE " + where +
                                " ORDER BY PARAMNAME");
  session->write.SetSelectSQL(
      "UPDATE OR INSERT INTO CONFIGPARAMS (FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, "
      "PARAMNAME, PARAMVALUE, PARAMBLOB, PARAMBLOBHASH, MODIFYDATE, MODIFYUSER) "
      "VALUES (:FILENAME, :COMPUTERNAME, :USERNAME, :SECTIONNAME, :PARAMNAME, :PARAMVALUE, "
      ":PARAMBLOB, :PARAMBLOBHASH, CURRENT_TIMESTAMP, :MODIFYUSER) "
      "MATCHING (FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME)");
  try {
    session->read.Prepare();
    session->section.Prepare();
    session->write.Prepare();
  } catch (const EIBError& e) {
    ibx::RaiseInContext(e, std::string("Таблица ") + kTable + " базы данных " +
                               session->database.DatabaseName() +
                               " не подходит для хранения конфигурации \"" + ini_name_ + "\"");
  }
  session->value_length = session->read.FieldByName("PARAMVALUE").Size();
  session_ = std::move(session);
}

TfbConfigTable::Session& TfbConfigTable::Connected() {
  if (session_) return *session_;
  std::string message = "Конфигурация \"" + ini_name_ + "\" не связана с базой данных";
  if (!connection_name_.empty()) {
    message += ": подключение \"" + connection_name_ + "\" библиотеке неизвестно";
  }
  throw EIBError(message + ". Задайте параметры подключения (SetConnectionParams).");
}

std::optional<std::string> TfbConfigTable::Read(bool all_computers, bool all_users,
                                                const std::string& section,
                                                const std::string& key) {
  Session& s = Connected();
  s.SetScope(s.read, ini_name_, all_computers, all_users, section);
  s.read.ParamByName("PARAMNAME").SetAsString(key);
  s.read.Open();
  std::optional<std::string> value;
  if (!s.read.Eof()) {
    const ibx::TIBField& blob = s.read.FieldByName("PARAMBLOB");
    if (blob.IsNull()) {
      value = s.read.FieldByName("PARAMVALUE").AsString();
    } else {
      value = blob.DataType() == TFieldType::ftMemo ? blob.AsString()
                                                    : ibx::Win1251ToUtf8(blob.AsString());
    }
  }
  s.read.Close();
  return value;
}

void TfbConfigTable::Write(bool all_computers, bool all_users, const std::string& section,
                           const std::string& key, const std::string& value) {
  Session& s = Connected();
  // Raises, naming the character, for text that the database's character set cannot hold.
  const std::string bytes = ibx::Utf8ToWin1251(value);
  ibx::TIBDataSet& w = s.write;
  s.SetScope(w, ini_name_, all_computers, all_users, section);
  w.ParamByName("PARAMNAME").SetAsString(key);
  if (bytes.size() <= s.value_length) {
    w.ParamByName("PARAMVALUE").SetAsString(value);
    w.ParamByName("PARAMBLOB").Clear();
    w.ParamByName("PARAMBLOBHASH").Clear();
  } else {
    w.ParamByName("PARAMVALUE").Clear();
    ibx::TIBParam& blob = w.ParamByName("PARAMBLOB");
    if (blob.DataType() == TFieldType::ftMemo) {
      blob.SetAsString(value);
    } else {
      blob.SetAsVariant(ibx::TIBValue::Bytes(bytes));
    }
    w.ParamByName("PARAMBLOBHASH").SetAsString(Sha1Hex(bytes));
  }
  w.ParamByName("MODIFYUSER").SetAsString(s.writer);
  try {
    w.ExecSQL();
    s.write_transaction.Commit();
  } catch (...) {
    try {
      s.write_transaction.Rollback();
    } catch (...) {
      // The write's own failure is the one to report.
    }
    throw;
  }
}

void TfbConfigTable::WriteString(bool all_computers, bool all_users, const std::string& section,
                                 const std::string& key, const std::string& value) {
  Write(all_computers, all_users, section, key, value);
}

void TfbConfigTable::WriteBool(bool all_computers, bool all_users, const std::string& section,
                               const std::string& key, bool value) {
  Write(all_computers, all_users, section, key, value ? "1" : "0");
}

void TfbConfigTable::WriteFloat(bool all_computers, bool all_users, const std::string& section,
                                const std::string& key, double value) {
  Write(all_computers, all_users, section, key, FormatIniFloat(value));
}

void TfbConfigTable::WriteDateTime(bool all_computers, bool all_users, const std::string& section,
                                   const std::string& key, TDateTime value) {
  Write(all_computers, all_users, section, key, FormatIniDateTime(value));
}

std::string TfbConfigTable::ReadString(bool all_computers, bool all_users,
                                       const std::string& section, const std::string& key,
                                       const std::string& default_value) {
  return Read(all_computers, all_users, section, key).value_or(default_value);
}

std::int32_t TfbConfigTable::ReadInteger(bool all_computers, bool all_users,
                                         const std::string& section, const std::string& key,
                                         std::int32_t default_value) {
  const std::optional<std::string> text = Read(all_computers, all_users, section, key);
  return text ? TryStrToInt(*text).value_or(default_value) : default_value;
}

bool TfbConfigTable::ReadBool(bool all_computers, bool all_users, const std::string& section,
                              const std::string& key, bool default_value) {
  return ReadInteger(all_computers, all_users, section, key, default_value ? 1 : 0) != 0;
}

double TfbConfigTable::ReadFloat(bool all_computers, bool all_users, const std::string& section,
                                 const std::string& key, double default_value) {
  const std::optional<std::string> text = Read(all_computers, all_users, section, key);
  return text ? ParseIniFloat(*text).value_or(default_value) : default_value;
}

TDateTime TfbConfigTable::ReadDateTime(bool all_computers, bool all_users,
                                       const std::string& section, const std::string& key,
                                       TDateTime default_value) {
  const std::optional<std::string> text = Read(all_computers, all_users, section, key);
  return text ? ParseIniDateTime(*text).value_or(default_value) : default_value;
}

void TfbConfigTable::ReadSection(bool all_computers, bool all_users, const std::string& section,
                                 std::vector<std::string>& keys) {
  Session& s = Connected();
  s.SetScope(s.section, ini_name_, all_computers, all_users, section);
  std::vector<std::string> names;
  for (s.section.Open(); !s.section.Eof(); s.section.Next()) {
    names.push_back(s.section.Fields(0).AsString());
  }
  s.section.Close();
  keys = std::move(names);
}

}  // namespace brindle::fyrn
