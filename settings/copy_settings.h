// The copy settings: where the working and the copy database are, their passwords, the copy
// period, autostart and the rules of the marks; and the settings files they are kept in.
//
// The settings are a value. The copy engine keeps its own and takes a copy at the start of each
// pass, so a change made while a pass runs applies from the next one.
#pragma once

#include <cstdint>
#include <string>

namespace brindle {

constexpr std::int32_t DefaultCopyPeriod = 60;

// "localhost/30050:" followed by the suite root's OFFICEDB/Office.FDB.
std::string DefaultOfficeDBConnStr();

struct TCopySettings {
  std::string WorkDBConnStr = DefaultOfficeDBConnStr();  // the working database (the source)
  std::string WorkDBPassword;                            // SYSDBA's password there
  std::string CopyDBConnStr = DefaultOfficeDBConnStr();  // the copy database (the target)
  std::string CopyDBPassword;                            // SYSDBA's password there
  std::int32_t CheckPeriod = DefaultCopyPeriod;          // seconds between copy passes
  bool AutoStartCopy = false;                            // start copying when the main window shows
  // Days read again before a table's stored mark: a guard against clock steps.
  double MarkOverlap = 1.0 / 144;  // ten minutes
  // Days by which a transaction still open on the working database may hold a table's mark
  // back, so that its rows are read once it commits. 0: marks are never held back.
  double MarkHoldLimit = 1.0;
  // A pass reads the overlap's keys and stamps first, and whole rows only where the copy's stamp
  // differs; false: the overlap is read whole, for working databases whose triggers do not stamp
  // every change.
  bool OverlapByStamps = true;
  // The scheduled check of the copy: a round over every table at most once in this many hours
  // (0: none), in slices of CheckSliceSeconds between passes; with CheckRepair it mends what it
  // finds.
  double CheckEveryHours = 0;
  bool CheckRepair = false;
  double CheckSliceSeconds = 3;
};

// The path of a settings file: a name without a directory ("/") goes to the suite's INI/
// folder, a name without an extension gets ".set". "cnf" is <root>/INI/cnf.set.
std::string SettingsFileName(const std::string& name);

// One read or write of one settings file each, under the file's cross-process lock; nothing
// is cached. A missing file, section or key reads as the default. Write failures raise.
std::string ReadSettingString(const std::string& name, const std::string& section,
                              const std::string& key, const std::string& default_value);
void WriteSettingString(const std::string& name, const std::string& section, const std::string& key,
                        const std::string& value);
std::int32_t ReadSettingInt(const std::string& name, const std::string& section,
                            const std::string& key, std::int32_t default_value);
void WriteSettingInt(const std::string& name, const std::string& section, const std::string& key,
                     std::int32_t value);
// True only when the integer read is exactly 1: a stored 2 or -1 is false.
bool ReadSettingBool(const std::string& name, const std::string& section, const std::string& key,
                     bool default_value);
void WriteSettingBool(const std::string& name, const std::string& section, const std::string& key,
                      bool value);

}  // namespace brindle
