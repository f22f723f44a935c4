#include "infra/ini_file.h"

#include <algorithm>

#include "infra/ini_format.h"
#include "platform/profile_file.h"
#include "platform/text.h"

namespace brindle {

std::int32_t TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                         std::int32_t default_value) {
  return TryStrToInt(ReadString(section, ident, "")).value_or(default_value);
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident,
                                  std::int32_t value) {
  WriteString(section, ident, std::to_string(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident,
                              bool default_value) {
  return ReadInteger(section, ident, default_value ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

std::size_t TCustomIniFile::ReadBinaryStream(const std::string& section, const std::string& name,
                                             std::string& value) {
  const std::string text = ReadString(section, name, "");
  value.clear();
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    const int high = digit(text[i]);
    const int low = digit(text[i + 1]);
    if (high < 0 || low < 0) break;
    value += static_cast<char>(high * 16 + low);
  }
  return value.size();
}

void TCustomIniFile::WriteBinaryStream(const std::string& section, const std::string& name,
                                       std::string_view value) {
  WriteString(section, name, HexDigits(value));
}

TDateTime TCustomIniFile::ReadDate(const std::string& section, const std::string& name,
                                   TDateTime default_value) {
  return ParseIniDate(ReadString(section, name, "")).value_or(default_value);
}

TDateTime TCustomIniFile::ReadDateTime(const std::string& section, const std::string& name,
                                       TDateTime default_value) {
  return ParseIniDateTime(ReadString(section, name, "")).value_or(default_value);
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& name,
                                 double default_value) {
  return ParseIniFloat(ReadString(section, name, "")).value_or(default_value);
}

TDateTime TCustomIniFile::ReadTime(const std::string& section, const std::string& name,
                                   TDateTime default_value) {
  return ParseIniTime(ReadString(section, name, "")).value_or(default_value);
}

void TCustomIniFile::WriteDate(const std::string& section, const std::string& name,
                               TDateTime value) {
  WriteString(section, name, FormatIniDate(value));
}

void TCustomIniFile::WriteDateTime(const std::string& section, const std::string& name,
                                   TDateTime value) {
  WriteString(section, name, FormatIniDateTime(value));
}

void TCustomIniFile::WriteFloat(const std::string& section, const std::string& name,
                                double value) {
  WriteString(section, name, FormatIniFloat(value));
}

void TCustomIniFile::WriteTime(const std::string& section, const std::string& name,
                               TDateTime value) {
  WriteString(section, name, FormatIniTime(value));
}

std::vector<std::string> TCustomIniFile::ReadSubSections(const std::string& section) {
  const std::string prefix = LowerCase(section) + "\\";
  std::vector<std::string> result;
  for (const std::string& name : ReadSections()) {
    if (name.size() <= prefix.size() || LowerCase(name.substr(0, prefix.size())) != prefix) {
      continue;
    }
    std::string sub = name.substr(prefix.size());
    sub = sub.substr(0, sub.find('\\'));
    const bool known = std::any_of(result.begin(), result.end(),
                                   [&](const std::string& s) { return SameText(s, sub); });
    if (!sub.empty() && !known) result.push_back(sub);
  }
  return result;
}

std::vector<std::string> TCustomIniFile::ReadSectionValues(const std::string& section) {
  std::vector<std::string> result;
  for (const std::string& key : ReadSection(section)) {
    result.push_back(key + "=" + ReadString(section, key, ""));
  }
  return result;
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) {
  const auto keys = ReadSection(section);
  return std::any_of(keys.begin(), keys.end(),
                     [&](const std::string& key) { return SameText(key, ident); });
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& default_value) {
  return profile::ReadString(FileName(), section, ident, default_value);
}

void TIniFile::WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) {
  Check(profile::WriteString(FileName(), section, ident, value), "Не удалось записать в файл ");
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) {
  return profile::ReadKeyNames(FileName(), section);
}

std::vector<std::string> TIniFile::ReadSections() { return profile::ReadSectionNames(FileName()); }

void TIniFile::EraseSection(const std::string& section) {
  Check(profile::DeleteSection(FileName(), section), "Не удалось записать в файл ");
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  Check(profile::DeleteKey(FileName(), section, ident), "Не удалось записать в файл ");
}

void TIniFile::UpdateFile() {
  Check(profile::FlushProfile(FileName()), "Не удалось записать изменения в файл ");
  unflushed_ = false;
}

void TIniFile::Check(int error, const char* message) {
  if (error == 0) {
    unflushed_ = true;
    return;
  }
  last_error_ = error;
  throw EIniFileException(message + FileName());
}

}  // namespace brindle
