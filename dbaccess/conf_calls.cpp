#include "dbaccess/conf_calls.h"

#include "platform/text.h"

namespace brindle {

namespace {

constexpr bool kAllComputers = true;
constexpr bool kAllUsers = true;
const std::string kParams = "PARAMS";

}  // namespace

std::string ReadConfString(TfbIniFile& ini, const std::string& section, const std::string& key,
                           const std::string& default_value) {
  return ini.ReadString(kAllComputers, kAllUsers, section, key, default_value);
}

void WriteConfString(TfbIniFile& ini, const std::string& section, const std::string& key,
                     const std::string& value) {
  ini.WriteString(kAllComputers, kAllUsers, section, key, value);
}

bool ReadConfBool(TfbIniFile& ini, const std::string& section, const std::string& key,
                  bool default_value) {
  return ini.ReadBool(kAllComputers, kAllUsers, section, key, default_value);
}

void WriteConfBool(TfbIniFile& ini, const std::string& section, const std::string& key,
                   bool value) {
  ini.WriteBool(kAllComputers, kAllUsers, section, key, value);
}

std::int32_t ReadConfInt(TfbIniFile& ini, const std::string& section, const std::string& key,
                         std::int32_t default_value) {
  return ini.ReadInteger(kAllComputers, kAllUsers, section, key, default_value);
}

std::int64_t ReadConfInt64(TfbIniFile& ini, const std::string& section, const std::string& key,
                           std::int64_t default_value) {
  return ParseDecimalInt64(ReadConfString(ini, section, key, "")).value_or(default_value);
}

void WriteConfInt(TfbIniFile& ini, const std::string& section, const std::string& key,
                  std::int64_t value) {
  WriteConfString(ini, section, key, std::to_string(value));
}

double ReadConfFloat(TfbIniFile& ini, const std::string& section, const std::string& key,
                     double default_value) {
  return ini.ReadFloat(kAllComputers, kAllUsers, section, key, default_value);
}

void WriteConfFloat(TfbIniFile& ini, const std::string& section, const std::string& key,
                    double value) {
  ini.WriteFloat(kAllComputers, kAllUsers, section, key, value);
}

TDateTime ReadConfDateTime(TfbIniFile& ini, const std::string& section, const std::string& key,
                           TDateTime default_value) {
  return ini.ReadDateTime(kAllComputers, kAllUsers, section, key, default_value);
}

void WriteConfDateTime(TfbIniFile& ini, const std::string& section, const std::string& key,
                       TDateTime value) {
  ini.WriteDateTime(kAllComputers, kAllUsers, section, key, value);
}

void ReadConfSection(TfbIniFile& ini, const std::string& section, std::vector<std::string>& list) {
  ini.ReadSection(kAllComputers, kAllUsers, section, list);
}

bool ReadParamBool(TfbIniFile& ini, const std::string& key, bool default_value) {
  return ReadConfBool(ini, kParams, key, default_value);
}

std::int32_t ReadParamInt(TfbIniFile& ini, const std::string& key, std::int32_t default_value) {
  return ReadConfInt(ini, kParams, key, default_value);
}

std::string ReadParamString(TfbIniFile& ini, const std::string& key,
                            const std::string& default_value) {
  return ReadConfString(ini, kParams, key, default_value);
}

void WriteParamBool(TfbIniFile& ini, const std::string& key, bool value) {
  WriteConfBool(ini, kParams, key, value);
}

}  // namespace brindle
