#include "ui/copy_control.h"

#include <memory>

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "dbaccess/office_db_verification.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/text_forms.h"
#include "replication/copy_record.h"
#include "settings/copy_settings.h"
#include "settings/settings_file.h"
#include "startup/start_checks.h"

namespace brindle {

namespace {

constexpr char kOff[] = "ОТКЛЮЧЕНО";

// Which database of the settings a path dialog changes.
struct TDBSetting {
  TDatabaseRole role;
  std::string TCopySettings::*conn_str;
  std::string TCopySettings::*password;
};
constexpr TDBSetting kWorkDB{TDatabaseRole::kWork, &TCopySettings::WorkDBConnStr,
                             &TCopySettings::WorkDBPassword};
constexpr TDBSetting kCopyDB{TDatabaseRole::kCopy, &TCopySettings::CopyDBConnStr,
                             &TCopySettings::CopyDBPassword};

void StoreDB(TCopyEngine& engine, const TDBSetting& setting, const std::string& conn_str,
             const std::string& password, const std::function<void()>& shown) {
  engine.UpdateSettings([&](TCopySettings& settings) {
    settings.*setting.conn_str = conn_str;
    settings.*setting.password = password;
  });
  if (shown) shown();
  engine.Binding().SetPassword(password);
  StoreDatabaseSetting(setting.role, conn_str, password);
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

void SwitchCopying(TCopyEngine& engine, const std::string& source_text,
                   const std::string& target_text, const std::string& period_text) {
  if (engine.CopyEnabled()) {
    engine.SetCopyEnabled(false);
    return;
  }
  CheckCopyingPaths(source_text, target_text);
  const std::int32_t period = StrToInt(period_text);
  engine.UpdateSettings([period](TCopySettings& settings) { settings.CheckPeriod = period; });
  StoreCheckPeriod(period);
  VerifyOfficeDB(engine.Binding(), engine.Settings().CopyDBConnStr,
                 engine.Settings().CopyDBPassword);
  CheckCopyDatabase(engine);
  CheckWorkDatabase(engine.Binding(), engine.Settings());
  engine.SetCopyEnabled(true);
  engine.WakeUp();
}

void StoreWorkDB(TCopyEngine& engine, const std::string& conn_str, const std::string& password,
                 const std::function<void()>& shown) {
  StoreDB(engine, kWorkDB, conn_str, password, shown);
}

void StoreCopyDB(TCopyEngine& engine, const std::string& conn_str, const std::string& password,
                 const std::function<void()>& shown) {
  StoreDB(engine, kCopyDB, conn_str, password, shown);
}

void StoreAutoStartCopy(TCopyEngine& engine, bool enabled) {
  engine.UpdateSettings([enabled](TCopySettings& settings) { settings.AutoStartCopy = enabled; });
  StoreAutoStartCopy(enabled);
}

TCopyState ReadCopyState(const TCopyEngine& engine) {
  const TPassProgress& progress = engine.Progress();
  TCopyState state;
  state.CopyEnabled = engine.CopyEnabled();
  state.Busy = progress.Busy;
  state.TableNo = progress.TableNo;
  state.TableCount = progress.TableCount;
  state.RecordNo = progress.RecordNo;
  state.RecordCount = progress.RecordCount;
  state.Outcome = engine.Outcome();
  return state;
}

bool MainWindowMayClose(const TCopyEngine& engine) {
  return !engine.Busy();
}

TMainWindowDisplay ComputeMainWindowDisplay(const TCopyState& state) {
  TMainWindowDisplay display;
  display.PathsEnabled = !state.CopyEnabled;
  display.RunEnabled = !state.Busy;
  display.ErrorVisible = state.Outcome.LastErrorTime > 1.0;
  if (display.ErrorVisible) {
    display.ErrorText = FormatDisplayDateTime(state.Outcome.LastErrorTime) + ": " +
                        JoinLines(WithoutClassName(state.Outcome.LastErrorText));
  }
  display.LastCopyTimeText = state.Outcome.LastCopyTime > 1.0
                                 ? FormatDisplayDateTime(state.Outcome.LastCopyTime)
                                 : "неизвестно";
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
