#include "settings/copy_settings.h"

#include "infra/safe_ini_file.h"
#include "platform/suite_root.h"

namespace brindle {

std::string DefaultOfficeDBConnStr() {
  return "localhost/30050:" + SuitePath("OFFICEDB/Office.FDB");
}

std::string SettingsFileName(const std::string& name) {
  std::string path = name.find('/') == std::string::npos ? SuitePath("INI/") + name : name;
  const auto base = path.rfind('/') + 1;  // npos + 1 is 0
  if (path.find('.', base) == std::string::npos) path += ".set";
  return path;
}

std::string ReadSettingString(const std::string& name, const std::string& section,
                              const std::string& key, const std::string& default_value) {
  return TSafeIniFile(SettingsFileName(name)).ReadString(section, key, default_value);
}

void WriteSettingString(const std::string& name, const std::string& section, const std::string& key,
                        const std::string& value) {
  TSafeIniFile(SettingsFileName(name)).WriteString(section, key, value);
}

std::int32_t ReadSettingInt(const std::string& name, const std::string& section,
                            const std::string& key, std::int32_t default_value) {
  return TSafeIniFile(SettingsFileName(name)).ReadInteger(section, key, default_value);
}

void WriteSettingInt(const std::string& name, const std::string& section, const std::string& key,
                     std::int32_t value) {
  TSafeIniFile(SettingsFileName(name)).WriteInteger(section, key, value);
}

bool ReadSettingBool(const std::string& name, const std::string& section, const std::string& key,
                     bool default_value) {
  return ReadSettingInt(name, section, key, default_value ? 1 : 0) == 1;
}

void WriteSettingBool(const std::string& name, const std::string& section, const std::string& key,
                      bool value) {
  WriteSettingInt(name, section, key, value ? 1 : 0);
}

}  // namespace brindle
