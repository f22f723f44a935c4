// What the main window decides: the checks before copying is switched on, what it stores when
// the operator changes a database or the autostart option, and what it shows for the copy
// thread's state. The window only reads its controls into these calls and applies the display.
//
// Main thread only. Everything here works on the copy engine it is given; a settings change made
// while a pass runs applies from the next pass.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/date_time.h"
#include "replication/copy_engine.h"

namespace brindle {

// "ЗАПУСТИТЬ" / "ОСТАНОВИТЬ". While copying is on, switches it off and does nothing else: a
// running pass goes on to its end. Otherwise checks, in order, the two paths the window shows,
// the period (stored at once, even when a later check fails), the copy's structure (created or
// completed), that the copy is no working database (taking the copy's last copy time) and that
// the working database is one; then switches copying on and wakes the thread, so the first pass
// starts at once. The first failing check raises its message and copying stays off.
void SwitchCopying(TCopyEngine& engine, const std::string& source_text,
                   const std::string& target_text, const std::string& period_text);

// The operator accepted the path dialog for the working or the copy database: the settings
// take the connection string and password, the password becomes the database library's
// default, and both are written to the settings file (the password scrambled). shown() runs once
// the engine holds the new values, before anything that can fail.
void StoreWorkDB(TCopyEngine& engine, const std::string& conn_str, const std::string& password,
                 const std::function<void()>& shown);
void StoreCopyDB(TCopyEngine& engine, const std::string& conn_str, const std::string& password,
                 const std::function<void()>& shown);

// The autostart check box: the setting and its settings-file key.
void StoreAutoStartCopy(TCopyEngine& engine, bool enabled);

// One look at the engine's published state.
struct TCopyState {
  bool CopyEnabled = false;
  bool Busy = false;
  std::int32_t TableNo = 0;
  std::int32_t TableCount = 0;
  std::int32_t RecordNo = 0;
  std::int32_t RecordCount = 0;
  TPassOutcome Outcome;
};
TCopyState ReadCopyState(const TCopyEngine& engine);

// The window may close unless a copy pass is running.
bool MainWindowMayClose(const TCopyEngine& engine);

struct TRgb {
  int Red = 0, Green = 0, Blue = 0;
  bool operator==(const TRgb&) const = default;
};
inline constexpr TRgb kStateRed{255, 0, 0};
inline constexpr TRgb kStateGreen{0, 128, 0};

struct TMainWindowDisplay {
  bool PathsEnabled = true;  // both path buttons and the period
  bool RunEnabled = true;    // the run button and the exit button
  bool ErrorVisible = false;
  std::string ErrorText;  // set only while visible
  std::string LastCopyTimeText;
  std::string WorkStateText;
  TRgb WorkStateColor;
  std::string StatusText;
  TRgb StatusColor;
  std::string RunCaption;
};

// What the window shows for a copy state. Times are in the program's own form, whatever the
// locale; the error is without the class name that the log keeps.
TMainWindowDisplay ComputeMainWindowDisplay(const TCopyState& state);

}  // namespace brindle
