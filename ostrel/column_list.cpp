#include "ostrel/column_list.h"

#include "ostrel/description.h"

namespace brindle {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

[[noreturn]] void Malformed(std::string_view text, const char* why) {
  throw EDescriptionError("Неверный список столбцов \"" + std::string(text) + "\": " + why);
}

}  // namespace

std::vector<ListedColumn> ParseColumnList(std::string_view text) {
  std::vector<ListedColumn> columns;
  std::size_t pos = 0;
  const auto skip_blanks = [&] {
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
  };
  while (true) {
    skip_blanks();
    ListedColumn column;
    if (pos < text.size() && text[pos] == '"') {
      column.quoted = true;
      ++pos;
      while (true) {
        if (pos >= text.size()) Malformed(text, "нет закрывающей кавычки");
        if (text[pos] == '"') {
          if (pos + 1 < text.size() && text[pos + 1] == '"') {
            column.name += '"';
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        column.name += text[pos++];
      }
    } else {
      while (pos < text.size() && text[pos] != ',' && text[pos] != '"' && !IsBlank(text[pos])) {
        column.name += text[pos++];
      }
    }
    if (column.name.empty()) Malformed(text, "пустое имя столбца");
    columns.push_back(std::move(column));
    skip_blanks();
    if (pos == text.size()) return columns;
    if (text[pos] != ',') Malformed(text, "ожидалась запятая");
    ++pos;
  }
}

}  // namespace brindle
