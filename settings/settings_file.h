// The copy settings as the settings files keep them: read from the suite's office setting (cnf)
// and the program's own file (Brindle) at start-up, and each value the operator changes written
// back to Brindle at once. Only the files: what the values are used for is the caller's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/copy_settings.h"

namespace brindle {

// The settings name of the copy settings file.
inline constexpr char kCopySettingsName[] = "Brindle";

// The copy settings, with `default_password` (the database library's) where none is stored.
// Errors of the settings files themselves raise. A settings file that holds nothing readable is
// logged as a warning, which also goes to `warnings` when given.
TCopySettings LoadCopySettings(const std::string& default_password,
                               std::vector<std::string>* warnings = nullptr);

// The suite's office database as its setting (cnf) names it; the default when none does.
std::string OfficeDBSetting();

// Which database a path dialog changed.
enum class TDatabaseRole { kWork, kCopy };

// Whether the settings files name the database (the working one in Brindle or cnf, the copy in
// Brindle), rather than the copy settings taking the suite's default location for it.
bool DatabaseSettingNamed(TDatabaseRole role);
// Whether the suite's setting (cnf) names its office database.
bool OfficeDBSettingNamed();
// The connection string and the password (stored scrambled).
void StoreDatabaseSetting(TDatabaseRole role, const std::string& conn_str,
                          const std::string& password);
void StoreCheckPeriod(std::int32_t seconds);
void StoreAutoStartCopy(bool enabled);

}  // namespace brindle
