#include "ui/load_copy_settings.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "dbaccess/fyrn.h"
#include "dbaccess/office_db_verification.h"
#include "infra/program_log.h"
#include "infra/safe_ini_file.h"
#include "platform/suite_root.h"
#include "replication/copy_settings.h"
#include "replication/password_scrambler.h"
#include "ui/copy_control.h"

namespace brindle {

namespace {

// The stored password of a section, when it unscrambles to one that is not empty.
std::optional<std::string> StoredPassword(const char* section) {
  std::optional<std::string> password =
      UnscramblePassword(ReadSettingString(kCopySettingsName, section, "Password", ""));
  if (password && password->empty()) return std::nullopt;
  return password;
}

// A settings file that holds bytes but not one section cannot be read at all (damaged, or not a
// settings file): every value then comes from the defaults, which the operator must be told.
std::optional<std::string> UnreadableFile(const std::string& name) {
  const std::string path = SettingsFileName(name);
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error || size == 0 || !TSafeIniFile(path).ReadSections().empty()) return std::nullopt;
  return path;
}

}  // namespace

TCopySettings LoadCopySettings(bool verify_office_db, std::vector<std::string>* warnings) {
  for (const char* name : {"cnf", kCopySettingsName}) {
    if (const auto path = UnreadableFile(name)) {
      const std::string warning = "Файл настроек " + *path +
                                  " не удалось прочитать (в нём нет ни одного раздела): все его "
                                  "значения взяты по умолчанию";
      LogProgram(warning, LogWarning);
      if (warnings) warnings->push_back(warning);
    }
  }
  TCopySettings settings;
  settings.WorkDBPassword = Fyrn().GetPassword();
  if (auto password = StoredPassword("OFCDB")) settings.WorkDBPassword = *password;
  std::string& work = settings.WorkDBConnStr;
  work = ReadSettingString("cnf", "OFCDB", "ConnStr", DefaultOfficeDBConnStr());
  if (verify_office_db) {
    try {
      const TfbDataBase::CheckOutcome made = VerifyOfficeDB(work, settings.WorkDBPassword);
      if (made.database_created || made.objects_created > 0) {
        // The operator must learn that the office database was changed, not only the check log.
        const std::string note =
            (made.database_created ? "Создана база данных офиса [" + work + "]"
                                   : "Структура базы данных офиса [" + work + "] дополнена") +
            ": создано объектов " + std::to_string(made.objects_created) + " (подробности в " +
            SuitePath("LogFiles/OstrelCheck.log") + ")";
        LogProgram(note, LogWarning);
        if (warnings) warnings->push_back(note);
      }
    } catch (const std::exception& e) {
      if (TMirtLogger* log = ProgramLog()) {
        log->WriteFmt("Ошибка коррекции базы данных [%s]: %s", {work, e.what()}, LogPlain);
      }
    }
  }
  work = ReadSettingString(kCopySettingsName, "OFCDB", "ConnStr", work);

  settings.CopyDBConnStr =
      ReadSettingString(kCopySettingsName, "TARGETDB", "ConnStr", DefaultOfficeDBConnStr());
  settings.CopyDBPassword = Fyrn().GetPassword();
  if (auto password = StoredPassword("TARGETDB")) settings.CopyDBPassword = *password;

  settings.CheckPeriod =
      ReadSettingInt(kCopySettingsName, "PARAMS", "CheckPeriod", settings.CheckPeriod);
  settings.AutoStartCopy =
      ReadSettingBool(kCopySettingsName, "PARAMS", "AutoStartCopy", settings.AutoStartCopy);
  // Kept by hand in the file, never written by the program; absent or negative values keep the
  // defaults.
  const std::int32_t overlap_seconds =
      ReadSettingInt(kCopySettingsName, "PARAMS", "MarkOverlapSeconds", -1);
  if (overlap_seconds >= 0) settings.MarkOverlap = overlap_seconds / 86400.0;
  const std::int32_t hold_hours = ReadSettingInt(kCopySettingsName, "PARAMS", "MarkHoldHours", -1);
  if (hold_hours >= 0) settings.MarkHoldLimit = hold_hours / 24.0;
  return settings;
}

}  // namespace brindle
