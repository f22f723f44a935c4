#include "ostrel/sql_text.h"

#include <cctype>
#include <regex>

namespace brindle::ostrel {

namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsTight(char c) {
  return c == '(' || c == ')' || c == ',' || c == ';' || c == '=';
}

// The end of the literal or quoted identifier that starts at text[pos] (a ' or a ").
std::size_t QuotedEnd(std::string_view text, std::size_t pos) {
  const char quote = text[pos];
  for (std::size_t i = pos + 1; i < text.size(); ++i) {
    if (text[i] != quote) continue;
    if (i + 1 < text.size() && text[i + 1] == quote) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return text.size();
}

}  // namespace

std::string DatabaseName(std::string_view described) {
  std::string name(described);
  for (char& c : name) c = Upper(c);
  return name;
}

std::string QuoteName(std::string_view database_name) {
  std::string quoted = "\"";
  for (char c : database_name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

bool IsEnclosed(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  if (begin == end || text[begin] != '(') return false;
  int depth = 0;
  for (std::size_t i = begin; i < end;) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      i = QuotedEnd(text, i);
      continue;
    }
    if (c == '(') ++depth;
    if (c == ')' && --depth == 0) return i + 1 == end;
    ++i;
  }
  return false;
}

std::string Enclose(std::string_view text) {
  return IsEnclosed(text) ? std::string(text) : "(" + std::string(text) + ")";
}

std::string NormalizeSql(std::string_view text) {
  std::string out;
  bool blank = false;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (IsBlank(c)) {
      blank = true;
      ++i;
      continue;
    }
    if (blank && !out.empty() && !IsTight(out.back()) && !IsTight(c)) out += ' ';
    blank = false;
    if (c == '\'' || c == '"') {
      const std::size_t end = QuotedEnd(text, i);
      out.append(text.substr(i, end - i));
      i = end;
      continue;
    }
    out += Upper(c);
    ++i;
  }
  return out;
}

std::string CanonicalType(std::string_view text) {
  std::string type = NormalizeSql(text);
  std::smatch m;
  static const std::regex kSized(
      R"(^(VARCHAR|CHAR|CHARACTER VARYING|CHARACTER|CHAR VARYING)\((\d+)\)$)");
  static const std::regex kExact(R"(^(NUMERIC|DECIMAL)(\((\d+)(,(\d+))?\))?$)");
  static const std::regex kBlob(R"(^BLOB( SUB_TYPE ([A-Z0-9_]+))?( SEGMENT SIZE \d+)?$)");
  if (type == "INT") return "INTEGER";
  if (type == "CHAR" || type == "CHARACTER") return "CHAR(1)";
  if (std::regex_match(type, m, kSized)) {
    const std::string base = m[1].str();
    const bool varying = base == "VARCHAR" || base.ends_with("VARYING");
    return (varying ? "VARCHAR(" : "CHAR(") + m[2].str() + ")";
  }
  if (std::regex_match(type, m, kExact)) {
    const std::string precision = m[3].matched ? m[3].str() : "9";
    const std::string scale = m[5].matched ? m[5].str() : "0";
    return m[1].str() + "(" + precision + "," + scale + ")";
  }
  if (std::regex_match(type, m, kBlob)) {
    const std::string sub_type = m[2].matched ? m[2].str() : "0";
    if (sub_type == "0" || sub_type == "BINARY") return "BLOB";
    if (sub_type == "1" || sub_type == "TEXT") return "BLOB SUB_TYPE TEXT";
    return "BLOB SUB_TYPE " + sub_type;
  }
  return type;
}

std::string SystemTypeText(const SystemFieldType& t) {
  const auto exact = [&](const char* integer) -> std::string {
    if (t.sub_type == 1 || t.sub_type == 2 || t.scale < 0) {
      const std::string base = t.sub_type == 2 ? "DECIMAL" : "NUMERIC";
      const int precision = t.precision > 0 ? t.precision
                                            : (t.field_type == 7   ? 4
                                               : t.field_type == 8 ? 9
                                                                   : 18);
      return base + "(" + std::to_string(precision) + "," + std::to_string(-t.scale) + ")";
    }
    return integer;
  };
  const auto chars = [&] { return std::to_string(t.char_length > 0 ? t.char_length : t.length); };
  switch (t.field_type) {
    case 7:
      return exact("SMALLINT");
    case 8:
      return exact("INTEGER");
    case 16:
      return exact("BIGINT");
    case 10:
      return "FLOAT";
    case 27:
      return t.scale < 0 ? exact("DOUBLE PRECISION") : "DOUBLE PRECISION";
    case 12:
      return "DATE";
    case 13:
      return "TIME";
    case 35:
      return "TIMESTAMP";
    case 23:
      return "BOOLEAN";
    case 14:
      return "CHAR(" + chars() + ")";
    case 37:
      return "VARCHAR(" + chars() + ")";
    case 40:
      return "CSTRING(" + chars() + ")";
    case 261:
      if (t.sub_type == 0) return "BLOB";
      if (t.sub_type == 1) return "BLOB SUB_TYPE TEXT";
      return "BLOB SUB_TYPE " + std::to_string(t.sub_type);
    default:
      return "TYPE " + std::to_string(t.field_type);
  }
}

}  // namespace brindle::ostrel
