#include "ui/load_copy_settings.h"

#include <exception>
#include <optional>
#include <string>

#include "dbaccess/fyrn.h"
#include "dbaccess/office_db_verification.h"
#include "infra/program_log.h"
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

}  // namespace

void LoadCopySettings() {
  WorkDBConnStr = DefaultOfficeDBConnStr();
  WorkDBConnStr = ReadSettingString("cnf", "OFCDB", "ConnStr", WorkDBConnStr);
  try {
    VerifyOfficeDB(WorkDBConnStr);
  } catch (const std::exception& e) {
    if (TMirtLogger* log = ProgramLog()) {
      log->WriteFmt("Ошибка коррекции базы данных [%s]: %s", {WorkDBConnStr, e.what()}, LogPlain);
    }
  }
  WorkDBConnStr = ReadSettingString(kCopySettingsName, "OFCDB", "ConnStr", WorkDBConnStr);
  WorkDBPassword = Fyrn().GetPassword();
  if (auto password = StoredPassword("OFCDB")) WorkDBPassword = *password;

  CopyDBConnStr =
      ReadSettingString(kCopySettingsName, "TARGETDB", "ConnStr", DefaultOfficeDBConnStr());
  CopyDBPassword = Fyrn().GetPassword();
  if (auto password = StoredPassword("TARGETDB")) CopyDBPassword = *password;

  CheckPeriod = ReadSettingInt(kCopySettingsName, "PARAMS", "CheckPeriod", CheckPeriod.load());
  AutoStartCopy = ReadSettingBool(kCopySettingsName, "PARAMS", "AutoStartCopy", AutoStartCopy);
}

}  // namespace brindle
