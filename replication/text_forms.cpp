#include "replication/text_forms.h"

#include <cstdio>

#include "platform/text.h"

namespace brindle {

std::string FormatSqlDateTime(TDateTime value) {
  const DateTimeFields f = DecodeDateTime(value);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", f.year, f.month, f.day,
                f.hour, f.minute, f.second, f.millisecond);
  return text;
}

std::string HexEncode(std::string_view bytes) {
  return HexDigits(bytes);
}

}  // namespace brindle
