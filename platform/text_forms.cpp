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

std::optional<std::string> HexDecode(std::string_view digits) {
  if (digits.size() % 2 != 0) return std::nullopt;
  auto value = [](char digit) -> int {
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    return -1;
  };
  std::string bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = value(digits[i]);
    const int low = value(digits[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return bytes;
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
