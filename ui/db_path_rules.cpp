#include "ui/db_path_rules.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "platform/error.h"
#include "platform/message_box.h"
#include "platform/suite_root.h"
#include "platform/text.h"
#include "startup/error_box.h"

#ifndef BRINDLE_HEAD_OFFICE_DB_HOST
#define BRINDLE_HEAD_OFFICE_DB_HOST "office-db"
#endif

namespace brindle {

namespace {

constexpr std::size_t kMinPathChars = 6;
constexpr char kAttention[] = "Внимание!";

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

TDBPathFields SplitDBConnStr(std::string_view conn_str, std::string password) {
  TDBPathFields fields;
  fields.Password = std::move(password);
  const auto colon = conn_str.find(':');
  const auto slash = conn_str.find('/');
  // As for every connection string, a "/" after the first ":" belongs to the path.
  const bool has_port = colon != std::string_view::npos && slash < colon;
  if (has_port) {
    fields.Server = conn_str.substr(0, slash);
  } else if (colon != std::string_view::npos) {
    fields.Server = conn_str.substr(0, colon);
  }
  fields.Port = ExtractPort(conn_str, kDefaultPort);
  fields.FileName = colon == std::string_view::npos ? conn_str : conn_str.substr(colon + 1);
  return fields;
}

std::string BuildDBConnStr(const TDBPathFields& fields, bool is_working_db) {
  const std::string server(Trim(fields.Server));
  if (server.empty()) {
    throw EDBPathError("Не задано имя компьютера, на котором расположена база данных");
  }
  const std::string path(Trim(fields.FileName));
  if (path.find("//") != std::string::npos || path.find("\\\\") != std::string::npos) {
    throw EDBPathError(
        "Имя файла базы данных должно быть задано относительно того компьютера, на котором "
        "расположена база данных. Сетевой путь к файлу БД не допускается!");
  }
  if (CharCount(path) < kMinPathChars) {
    throw EDBPathError("Слишком короткое имя файла базы данных!");
  }
  if (CharCount(path) > kMaxPathChars) {
    throw EDBPathError("Имя файла базы данных длиннее " + std::to_string(kMaxPathChars) +
                       " символов!");
  }
  if (is_working_db && IsLocalHost(server) && !FileExists(path)) {
    throw EDBPathError("Файл [" + path + "] не найден на этом компьютере!");
  }
  return BuildConnStr(server, fields.Port, path);
}

void CheckDBConnection(TFyrn& fyrn, const TDBPathFields& fields, bool is_working_db,
                       bool check_office_db) {
  BuildDBConnStr(fields, is_working_db);
  // The parts of the string just built, so the test reaches the database that is stored.
  const std::string server(Trim(fields.Server));
  const std::string path(Trim(fields.FileName));
  TFyrn::Connection connection = fyrn.CreateConnection(server, fields.Port, path, kDatabaseUser,
                                                       fields.Password, kDatabaseCharset);
  if (check_office_db) {
    const std::vector<std::string> tables = connection->GetTableNames();
    if (!Contains(tables, "OFFICE")) {
      throw EDBPathError("Выбранная БД не является базой данных КОРТА-ОФИСа!");
    }
    if (!Contains(tables, "CONFIGPARAMS")) {
      throw EDBPathError("Выбранная БД не содержит таблицу CONFIGPARAMS!");
    }
    std::unique_ptr<TfbIniFile> conf =
        fyrn.OpenConf(BuildConnStr(server, fields.Port, path), fields.Password);
    const std::int32_t version = ReadParamInt(*conf, "OFFICE_DB_STRUCT_VERSION", 0);
    conf.reset();
    if (version < kRequiredOfficeDBVersion) {
      throw EDBPathError(
          "Версия структуры базы данных КОРТА-ОФИСА слишком старая! Требуется версия " +
          std::to_string(kRequiredOfficeDBVersion) + ", сейчас версия " + std::to_string(version) +
          ". Возможны ошибки при работе с базой данных");
    }
  }
  fyrn.FreeConnection(std::move(connection));
}

TDBPathPreset LocalWorkingCopyPreset() {
  return {"localhost", SuitePath("Ofc/OFFICE_w.FDB")};
}

TDBPathPreset HeadOfficePreset() {
  return {BRINDLE_HEAD_OFFICE_DB_HOST, SuitePath("OfficeDB/OFFICE.FDB")};
}

std::string BrowseStartFolder(std::string_view file_name) {
  const auto slash = file_name.rfind('/');
  if (slash == std::string_view::npos) return {};
  std::string folder(file_name.substr(0, slash + 1));
  std::error_code error;
  return std::filesystem::is_directory(folder, error) ? folder : std::string();
}

bool TDBPathEditor::Accept(const TDBPathFields& fields) {
  std::string conn_str;
  try {
    conn_str = BuildDBConnStr(fields, IsWorkingDB);
  } catch (const std::exception& e) {
    ShowErrorBox(e);
    return false;
  }
  ConnStr = conn_str;
  Password = fields.Password;
  if (!(Modified && IsWorkingDB)) return true;
  switch (ShowMessageBox({kAttention, "ТЕСТИРОВАТЬ ПОДКЛЮЧЕНИЕ К БАЗЕ ДАННЫХ?",
                          MessageIcon::kQuestion, MessageButtons::kYesNoCancel})) {
    case MessageResult::kYes:
      return TestConnection(fields);
    case MessageResult::kNo:
      return true;
    case MessageResult::kCancel:
    case MessageResult::kOk:
      break;
  }
  return false;
}

bool TDBPathEditor::TestConnection(const TDBPathFields& fields) {
  try {
    if (!Binding) throw Exception("библиотека libFyrn.so не подключена");
    CheckDBConnection(*Binding, fields, IsWorkingDB, CheckOfficeDB);
  } catch (const std::exception& e) {
    ShowMessageBox({kAttention, std::string("Невозможно установить подключение: ") + e.what(),
                    MessageIcon::kError, MessageButtons::kOk});
    return false;
  }
  Modified = false;
  ShowMessageBox(
      {"", "Подключение прошло успешно", MessageIcon::kInformation, MessageButtons::kOk});
  return true;
}

}  // namespace brindle
