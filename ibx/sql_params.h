// Named parameters (":NAME") are the layer's own: Firebird 3 takes positional "?" only. The
// mapping leaves string literals, quoted identifiers and comments alone.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brindle::ibx {

struct TSqlParamMap {
  std::string sql;                 // the text with every parameter written as "?"
  std::vector<std::string> names;  // one per "?", in order; "" for a "?" of the original text
};

// ":NAME" is a letter or "_" followed by letters, digits, "_" and "$"; ":\"Name\"" is quoted.
TSqlParamMap MapNamedParams(std::string_view sql);

}  // namespace brindle::ibx
