// Text forms that SQL and the copy database's configuration use.
#pragma once

#include <string>
#include <string_view>

#include "platform/date_time.h"

namespace brindle {

// yyyy-mm-dd hh:nn:ss.zzz in every locale, e.g. 2024-05-17 14:03:59.120.
std::string FormatSqlDateTime(TDateTime value);

// Two upper-case hexadecimal digits per byte: "abc" gives 616263.
std::string HexEncode(std::string_view bytes);

}  // namespace brindle
