// The copy settings: where the working and the copy database are, their passwords, the copy
// period and autostart; and the settings files they are kept in.
//
// The variables are process-wide. Start-up fills them before the copy thread exists; later only
// the main window changes them, and only while copying is off, so the copy thread reads them at
// the start of a pass without a lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace brindle {

constexpr std::int32_t DefaultCopyPeriod = 60;

// "localhost/30050:" followed by the suite root's OFFICEDB/Office.FDB.
std::string DefaultOfficeDBConnStr();

extern std::string WorkDBConnStr;   // the working database (the source)
extern std::string WorkDBPassword;  // SYSDBA's password there
extern std::string CopyDBConnStr;   // the copy database (the target)
extern std::string CopyDBPassword;  // SYSDBA's password there
extern std::atomic<std::int32_t> CheckPeriod;  // seconds between copy passes; read by the copy thread
extern bool AutoStartCopy;          // start copying when the main window shows

// Sets the six variables to their built-in defaults (passwords empty until the database
// library gives its own).
void ResetCopySettings();

// The path of a settings file: a name without a directory ("/") goes to the suite's INI/
// folder, a name without an extension gets ".set". "cnf" is <root>/INI/cnf.set.
std::string SettingsFileName(const std::string& name);

// One read or write of one settings file each, under the file's cross-process lock; nothing
// is cached. A missing file, section or key reads as the default. Write failures raise.
std::string ReadSettingString(const std::string& name, const std::string& section,
                              const std::string& key, const std::string& default_value);
void WriteSettingString(const std::string& name, const std::string& section,
                        const std::string& key, const std::string& value);
std::int32_t ReadSettingInt(const std::string& name, const std::string& section,
                            const std::string& key, std::int32_t default_value);
void WriteSettingInt(const std::string& name, const std::string& section, const std::string& key,
                     std::int32_t value);
// True only when the integer read is exactly 1: a stored 2 or -1 is false.
bool ReadSettingBool(const std::string& name, const std::string& section,
                     const std::string& key, bool default_value);
void WriteSettingBool(const std::string& name, const std::string& section,
                      const std::string& key, bool value);

}  // namespace brindle
