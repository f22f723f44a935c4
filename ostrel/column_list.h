// Column-list texts of keys and indexes: names separated by commas, each plain (AZSNUMBER) or in
// double quotes ("AZSNUMBER", with "" standing for a quote inside), with or without blanks
// around the commas. The description keeps the text as given; this reads the names out of it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brindle {

struct ListedColumn {
  std::string name;  // without the enclosing quotes
  bool quoted = false;

  bool operator==(const ListedColumn&) const = default;
};

// The names of a column list, in order. Raises EDescriptionError naming the text when the list
// is empty, has an empty item, an unclosed quote or anything but a comma between two names.
std::vector<ListedColumn> ParseColumnList(std::string_view text);

}  // namespace brindle
