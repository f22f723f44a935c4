// The typed calls on a configuration-table object (fyrn/fb_ini_file.h) that the copy pass, the
// windows and the database verification use: each passes "all computers, all users" and the
// rest unchanged, and raises what the object raises. The Param shortcuts work on the section
// "PARAMS".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fyrn/fb_ini_file.h"
#include "platform/date_time.h"

namespace brindle {

// The configuration this system reads and writes in every office database.
inline constexpr char kOfficeConf[] = "CONF";

std::string ReadConfString(TfbIniFile& ini, const std::string& section, const std::string& key,
                           const std::string& default_value);
void WriteConfString(TfbIniFile& ini, const std::string& section, const std::string& key,
                     const std::string& value);
bool ReadConfBool(TfbIniFile& ini, const std::string& section, const std::string& key,
                  bool default_value);
void WriteConfBool(TfbIniFile& ini, const std::string& section, const std::string& key, bool value);
std::int32_t ReadConfInt(TfbIniFile& ini, const std::string& section, const std::string& key,
                         std::int32_t default_value);
// 64-bit counts, in the integer text form (decimal); a value that is no such number gives the
// default, as every typed read does.
std::int64_t ReadConfInt64(TfbIniFile& ini, const std::string& section, const std::string& key,
                           std::int64_t default_value);
void WriteConfInt(TfbIniFile& ini, const std::string& section, const std::string& key,
                  std::int64_t value);
double ReadConfFloat(TfbIniFile& ini, const std::string& section, const std::string& key,
                     double default_value);
void WriteConfFloat(TfbIniFile& ini, const std::string& section, const std::string& key,
                    double value);
TDateTime ReadConfDateTime(TfbIniFile& ini, const std::string& section, const std::string& key,
                           TDateTime default_value);
void WriteConfDateTime(TfbIniFile& ini, const std::string& section, const std::string& key,
                       TDateTime value);
// Replaces the list's content with the section's key names.
void ReadConfSection(TfbIniFile& ini, const std::string& section, std::vector<std::string>& list);

bool ReadParamBool(TfbIniFile& ini, const std::string& key, bool default_value);
std::int32_t ReadParamInt(TfbIniFile& ini, const std::string& key, std::int32_t default_value);
std::string ReadParamString(TfbIniFile& ini, const std::string& key,
                            const std::string& default_value);
void WriteParamBool(TfbIniFile& ini, const std::string& key, bool value);

}  // namespace brindle
