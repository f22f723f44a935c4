#include "ui/copy_control.h"

#include <memory>

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "dbaccess/office_db_verification.h"
#include "platform/error.h"
#include "platform/text.h"
#include "replication/connection_string.h"
#include "replication/copy_settings.h"
#include "replication/password_scrambler.h"

namespace brindle {

namespace {

constexpr char kUser[] = "SYSDBA";
constexpr char kCharset[] = "WIN1251";
constexpr char kConfName[] = "CONF";
constexpr char kStructVersion[] = "OFFICE_DB_STRUCT_VERSION";
constexpr char kIsCopy[] = "DB_IS_COPY";
constexpr char kOff[] = "ОТКЛЮЧЕНО";

// The configuration CONF of the database of a connection string; the caller owns it.
std::unique_ptr<TfbIniFile> OpenConf(const std::string& conn_str, const std::string& password) {
  return Fyrn().IniCreator().CreateIniOnDatabase(
      ExtractHost(conn_str), ExtractPort(conn_str, kDefaultPort), ExtractPath(conn_str), kUser,
      password, kCharset, kConfName, false);
}

void CheckCopyDB() {
  if (!CopyThread) throw Exception("Поток копирования не запущен");
  std::unique_ptr<TfbIniFile> conf = OpenConf(CopyDBConnStr, CopyDBPassword);
  const bool is_copy = ReadParamBool(*conf, kIsCopy, false);
  const std::int32_t version = ReadParamInt(*conf, kStructVersion, 0);
  if (!is_copy && version > 0) {
    throw Exception("Заданная в настройках копия базы данных на самом деле является рабочей БД!");
  }
  CopyThread->SetLastCopyTime(ReadConfDateTime(*conf, "REPLICATION_INFO", "LAST_COPY_TIME", 0));
}

void CheckWorkDB() {
  std::unique_ptr<TfbIniFile> conf = OpenConf(WorkDBConnStr, WorkDBPassword);
  if (ReadParamInt(*conf, kStructVersion, 0) == 0) {
    throw Exception(
        "Заданная в настройках рабочая БД скорее всего не является рабочей (версия БД не "
        "найдена)!");
  }
  if (ReadParamBool(*conf, kIsCopy, false)) {
    throw Exception("Заданная в настройках рабочая база данных на самом деле является копией БД!");
  }
}

void StoreDB(const char* section, std::string& conn_str_var, std::string& password_var,
             const std::string& conn_str, const std::string& password,
             const std::function<void()>& shown) {
  conn_str_var = conn_str;
  password_var = password;
  if (shown) shown();
  Fyrn().SetPassword(password);
  WriteSettingString(kCopySettingsName, section, "Password", ScramblePassword(password));
  WriteSettingString(kCopySettingsName, section, "ConnStr", conn_str);
}

std::string JoinLines(const std::string& text) {
  std::string joined;
  joined.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      joined += ' ';
      ++i;
    } else {
      joined += text[i];
    }
  }
  return joined;
}

}  // namespace

void SwitchCopying(const std::string& source_text, const std::string& target_text,
                   const std::string& period_text) {
  if (CopyEnabled) {
    CopyEnabled = false;
    return;
  }
  CheckCopyingPaths(source_text, target_text);
  const std::int32_t period = StrToInt(period_text);
  CheckPeriod = period;
  WriteSettingInt(kCopySettingsName, "PARAMS", "CheckPeriod", period);
  VerifyOfficeDB(CopyDBConnStr);
  CheckCopyDB();
  CheckWorkDB();
  CopyEnabled = true;
  CopyThread->WakeUp();
}

void CheckCopyingPaths(const std::string& source_text, const std::string& target_text) {
  if (source_text.empty()) throw Exception("Не указан файл рабочей базы данных КОРТА-ОФИС");
  if (target_text.empty()) throw Exception("Не указан файл копии базы данных");
  if (SameText(source_text, target_text)) throw Exception("Указана одна и та же база данных!");
}

void CheckCopyDatabase() {
  CheckCopyDB();
}

void CheckWorkDatabase() {
  CheckWorkDB();
}

void StoreWorkDB(const std::string& conn_str, const std::string& password,
                 const std::function<void()>& shown) {
  StoreDB("OFCDB", WorkDBConnStr, WorkDBPassword, conn_str, password, shown);
}

void StoreCopyDB(const std::string& conn_str, const std::string& password,
                 const std::function<void()>& shown) {
  StoreDB("TARGETDB", CopyDBConnStr, CopyDBPassword, conn_str, password, shown);
}

void StoreAutoStartCopy(bool enabled) {
  AutoStartCopy = enabled;
  WriteSettingBool(kCopySettingsName, "PARAMS", "AutoStartCopy", enabled);
}

TCopyState ReadCopyState() {
  TCopyState state;
  state.CopyEnabled = CopyEnabled;
  if (const TCopyDBThread* thread = CopyThread) {
    state.Busy = thread->Busy;
    state.TableNo = thread->TableNo;
    state.TableCount = thread->TableCount;
    state.RecordNo = thread->RecordNo;
    state.RecordCount = thread->RecordCount;
    state.Outcome = thread->Snapshot();
  }
  return state;
}

bool MainWindowMayClose() {
  return !(CopyThread && CopyThread->Busy);
}

TMainWindowDisplay ComputeMainWindowDisplay(const TCopyState& state,
                                            const DateTimeText& date_time_text) {
  TMainWindowDisplay display;
  display.PathsEnabled = !state.CopyEnabled;
  display.RunEnabled = !state.Busy;
  display.ErrorVisible = state.Outcome.LastErrorTime > 1.0;
  if (display.ErrorVisible) {
    display.ErrorText =
        date_time_text(state.Outcome.LastErrorTime) + ": " + JoinLines(state.Outcome.LastErrorText);
  }
  display.LastCopyTimeText =
      state.Outcome.LastCopyTime > 1.0 ? date_time_text(state.Outcome.LastCopyTime) : "неизвестно";
  if (!state.CopyEnabled) {
    display.WorkStateText = kOff;
    display.WorkStateColor = kStateRed;
    display.StatusText = kOff;
    display.StatusColor = kStateRed;
    display.RunCaption = "ЗАПУСТИТЬ";
  } else {
    display.WorkStateText = "ЗАПУЩЕНА";
    display.WorkStateColor = kStateGreen;
    display.StatusText = state.Busy ? "КОПИРОВАНИЕ (таблица " + std::to_string(state.TableNo) +
                                          " / " + std::to_string(state.TableCount) + ", запись " +
                                          std::to_string(state.RecordNo) + " / " +
                                          std::to_string(state.RecordCount) + ")"
                                    : "ОЖИДАНИЕ";
    display.StatusColor = kStateGreen;
    display.RunCaption = "ОСТАНОВИТЬ";
  }
  return display;
}

}  // namespace brindle
