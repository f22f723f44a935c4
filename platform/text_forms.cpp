#include "platform/text_forms.h"

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

std::string FormatIsoDateTime(TDateTime value) {
  std::string text = FormatSqlDateTime(value);
  text[10] = 'T';
  return text;
}

std::string FormatDisplayDateTime(TDateTime value) {
  if (value <= 0) return "неизвестно";
  const DateTimeFields f = DecodeDateTime(value);
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", f.day, f.month, f.year, f.hour,
                f.minute, f.second);
  return text;
}

std::string HexEncode(std::string_view bytes) {
  return HexDigits(bytes);
}

std::string DurationText(double seconds) {
  if (seconds < 0) return "-" + DurationText(-seconds);
  const auto total = static_cast<long long>(seconds);
  const long long days = total / 86400, hours = total / 3600 % 24, minutes = total / 60 % 60,
                  secs = total % 60;
  char text[48];
  if (days > 0) {
    std::snprintf(text, sizeof text, "%lld дн %lld ч", days, hours);
  } else if (hours > 0) {
    std::snprintf(text, sizeof text, "%lld ч %02lld мин", hours, minutes);
  } else if (minutes > 0) {
    std::snprintf(text, sizeof text, "%lld мин %02lld с", minutes, secs);
  } else {
    std::snprintf(text, sizeof text, "%lld с", secs);
  }
  return text;
}

}  // namespace brindle
