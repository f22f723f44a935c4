#include "settings/settings_file.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "infra/program_log.h"
#include "infra/safe_ini_file.h"
#include "platform/suite_root.h"
#include "settings/copy_settings.h"
#include "settings/password_scrambler.h"

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

const char* Section(TDatabaseRole role) {
  return role == TDatabaseRole::kWork ? "OFCDB" : "TARGETDB";
}

}  // namespace

TCopySettings LoadCopySettings(const std::string& default_password,
                               std::vector<std::string>* warnings) {
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
  settings.WorkDBPassword = default_password;
  if (auto password = StoredPassword("OFCDB")) settings.WorkDBPassword = *password;
  std::string& work = settings.WorkDBConnStr;
  work = OfficeDBSetting();
  work = ReadSettingString(kCopySettingsName, "OFCDB", "ConnStr", work);

  settings.CopyDBConnStr =
      ReadSettingString(kCopySettingsName, "TARGETDB", "ConnStr", DefaultOfficeDBConnStr());
  settings.CopyDBPassword = default_password;
  if (auto password = StoredPassword("TARGETDB")) settings.CopyDBPassword = *password;

  settings.CheckPeriod =
      ReadSettingInt(kCopySettingsName, "PARAMS", "CheckPeriod", settings.CheckPeriod);
  settings.AutoStartCopy =
      ReadSettingBool(kCopySettingsName, "PARAMS", "AutoStartCopy", settings.AutoStartCopy);
  // Kept by hand in the file, never written by the program; absent or out-of-range values keep
  // the defaults.
  const std::int32_t overlap_seconds =
      ReadSettingInt(kCopySettingsName, "PARAMS", "MarkOverlapSeconds", -1);
  if (overlap_seconds >= 0) settings.MarkOverlap = overlap_seconds / 86400.0;
  const std::int32_t hold_hours = ReadSettingInt(kCopySettingsName, "PARAMS", "MarkHoldHours", -1);
  if (hold_hours >= 0) settings.MarkHoldLimit = hold_hours / 24.0;
  settings.OverlapByStamps =
      ReadSettingBool(kCopySettingsName, "PARAMS", "OverlapByStamps", settings.OverlapByStamps);
  const std::int32_t check_hours =
      ReadSettingInt(kCopySettingsName, "PARAMS", "CheckEveryHours", 0);
  if (check_hours > 0) settings.CheckEveryHours = check_hours;
  settings.CheckRepair = ReadSettingBool(kCopySettingsName, "PARAMS", "CheckRepair", false);
  const std::int32_t slice_seconds =
      ReadSettingInt(kCopySettingsName, "PARAMS", "CheckSliceSeconds", -1);
  if (slice_seconds > 0) settings.CheckSliceSeconds = slice_seconds;
  return settings;
}

bool DatabaseSettingNamed(TDatabaseRole role) {
  if (role == TDatabaseRole::kWork && OfficeDBSettingNamed()) return true;
  return !ReadSettingString(kCopySettingsName, Section(role), "ConnStr", "").empty();
}

bool OfficeDBSettingNamed() {
  return !ReadSettingString("cnf", "OFCDB", "ConnStr", "").empty();
}

std::string OfficeDBSetting() {
  return ReadSettingString("cnf", "OFCDB", "ConnStr", DefaultOfficeDBConnStr());
}

void StoreDatabaseSetting(TDatabaseRole role, const std::string& conn_str,
                          const std::string& password) {
  WriteSettingString(kCopySettingsName, Section(role), "Password", ScramblePassword(password));
  WriteSettingString(kCopySettingsName, Section(role), "ConnStr", conn_str);
}

void StoreCheckPeriod(std::int32_t seconds) {
  WriteSettingInt(kCopySettingsName, "PARAMS", "CheckPeriod", seconds);
}

void StoreAutoStartCopy(bool enabled) {
  WriteSettingBool(kCopySettingsName, "PARAMS", "AutoStartCopy", enabled);
}

}  // namespace brindle
