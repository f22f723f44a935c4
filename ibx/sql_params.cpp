#include "ibx/sql_params.h"

namespace brindle::ibx {

namespace {

bool IsNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameChar(char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '$';
}

// The end of a region that starts at pos and closes with `close`, where a doubled `close`
// stands for itself; the text's end when it never closes.
std::size_t SkipQuoted(std::string_view sql, std::size_t pos, char close) {
  for (++pos; pos < sql.size(); ++pos) {
    if (sql[pos] == close) {
      if (pos + 1 < sql.size() && sql[pos + 1] == close) {
        ++pos;
      } else {
        return pos + 1;
      }
    }
  }
  return sql.size();
}

// q'<x>...<x>' with the closing partner of an opening bracket.
std::size_t SkipAlternativeLiteral(std::string_view sql, std::size_t pos) {
  const char open = sql[pos + 2];
  const char close = open == '('   ? ')'
                     : open == '[' ? ']'
                     : open == '{' ? '}'
                     : open == '<' ? '>'
                                   : open;
  for (pos += 3; pos + 1 < sql.size(); ++pos) {
    if (sql[pos] == close && sql[pos + 1] == '\'') return pos + 2;
  }
  return sql.size();
}

}  // namespace

TSqlParamMap MapNamedParams(std::string_view sql) {
  TSqlParamMap map;
  map.sql.reserve(sql.size());
  std::size_t pos = 0;
  while (pos < sql.size()) {
    const char c = sql[pos];
    std::size_t end = pos + 1;
    if (c == '\'') {
      end = SkipQuoted(sql, pos, '\'');
    } else if (c == '"') {
      end = SkipQuoted(sql, pos, '"');
    } else if ((c == 'q' || c == 'Q') && pos + 2 < sql.size() && sql[pos + 1] == '\'' &&
               (pos == 0 || !IsNameChar(sql[pos - 1]))) {
      end = SkipAlternativeLiteral(sql, pos);
    } else if (c == '-' && pos + 1 < sql.size() && sql[pos + 1] == '-') {
      end = sql.find('\n', pos);
      end = end == std::string_view::npos ? sql.size() : end;
    } else if (c == '/' && pos + 1 < sql.size() && sql[pos + 1] == '*') {
      end = sql.find("*/", pos + 2);
      end = end == std::string_view::npos ? sql.size() : end + 2;
    } else if (c == '?') {
      map.names.emplace_back();
    } else if (c == ':' && pos + 1 < sql.size() && IsNameStart(sql[pos + 1])) {
      end = pos + 2;
      while (end < sql.size() && IsNameChar(sql[end])) ++end;
      map.names.emplace_back(sql.substr(pos + 1, end - pos - 1));
      map.sql += '?';
      pos = end;
      continue;
    } else if (c == ':' && pos + 1 < sql.size() && sql[pos + 1] == '"') {
      end = SkipQuoted(sql, pos + 1, '"');
      std::string name;
      for (std::size_t i = pos + 2; i + 1 < end; ++i) {
        name += sql[i];
        if (sql[i] == '"') ++i;  // a doubled quote
      }
      map.names.push_back(std::move(name));
      map.sql += '?';
      pos = end;
      continue;
    }
    map.sql.append(sql.substr(pos, end - pos));
    pos = end;
  }
  return map;
}

}  // namespace brindle::ibx
