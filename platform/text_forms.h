// Text forms that SQL and the copy database's configuration use, and durations for people.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/date_time.h"

namespace brindle {

// yyyy-mm-dd hh:nn:ss.zzz in every locale, e.g. 2024-05-17 14:03:59.120.
std::string FormatSqlDateTime(TDateTime value);

// ISO 8601 without a zone, e.g. 2024-05-17T14:03:59.120.
std::string FormatIsoDateTime(TDateTime value);

// dd.mm.yyyy hh:nn:ss for people; "неизвестно" for 0 (none).
std::string FormatDisplayDateTime(TDateTime value);

// Two upper-case hexadecimal digits per byte: "abc" gives 616263.
std::string HexEncode(std::string_view bytes);
// The bytes of HexEncode's digits (either case); none for an odd count or another character.
std::optional<std::string> HexDecode(std::string_view digits);

// A duration in its two largest units, rounded down to whole seconds: "45 с", "12 мин 03 с",
// "3 ч 05 мин", "2 дн 4 ч"; a negative one with a minus sign.
std::string DurationText(double seconds);

}  // namespace brindle
