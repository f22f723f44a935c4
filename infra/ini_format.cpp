#include "infra/ini_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/text.h"

namespace brindle {

namespace {

// Reads 1 to max_digits decimal digits at the front of text.
std::optional<int> TakeNumber(std::string_view& text, std::size_t max_digits,
                              std::size_t* digits_read = nullptr) {
  std::size_t n = 0;
  while (n < text.size() && n < max_digits + 1 && text[n] >= '0' && text[n] <= '9') ++n;
  if (n == 0 || n > max_digits) return std::nullopt;
  int value = 0;
  std::from_chars(text.data(), text.data() + n, value);
  text.remove_prefix(n);
  if (digits_read) *digits_read = n;
  return value;
}

bool TakeChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

std::optional<TDateTime> TakeDate(std::string_view& text) {
  const auto day = TakeNumber(text, 2);
  if (!day || !TakeChar(text, '.')) return std::nullopt;
  const auto month = TakeNumber(text, 2);
  if (!month || !TakeChar(text, '.')) return std::nullopt;
  const auto year = TakeNumber(text, 4);
  if (!year) return std::nullopt;
  return TryEncodeDate(*year, *month, *day);
}

std::optional<TDateTime> TakeTime(std::string_view& text) {
  const auto hour = TakeNumber(text, 2);
  if (!hour || !TakeChar(text, ':')) return std::nullopt;
  const auto minute = TakeNumber(text, 2);
  if (!minute) return std::nullopt;
  int second = 0;
  double fraction = 0;
  if (TakeChar(text, ':')) {
    const auto s = TakeNumber(text, 2);
    if (!s) return std::nullopt;
    second = *s;
    if (TakeChar(text, '.')) {
      std::size_t digits = 0;
      const auto f = TakeNumber(text, 4, &digits);
      if (!f) return std::nullopt;
      fraction = *f / std::pow(10.0, static_cast<double>(digits));
    }
  }
  const auto whole = TryEncodeTime(*hour, *minute, second, 0);
  if (!whole) return std::nullopt;
  const auto ms = std::lround(fraction * 1000);
  return *whole + static_cast<double>(ms) / 86'400'000.0;
}

template <class Take>
std::optional<TDateTime> ParseWhole(std::string_view text, Take take) {
  text = Trim(text);
  auto value = take(text);
  if (!value || !text.empty()) return std::nullopt;
  return value;
}

}  // namespace

std::string FormatIniDate(TDateTime value) {
  const DateTimeFields f = DecodeDateTime(value);
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", f.day, f.month, f.year);
  return text;
}

std::string FormatIniTime(TDateTime value) {
  const DateTimeFields f = DecodeDateTime(value);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", f.hour, f.minute, f.second,
                f.millisecond);
  return text;
}

std::string FormatIniDateTime(TDateTime value) {
  const DateTimeFields f = DecodeDateTime(value);
  const bool midnight = f.hour == 0 && f.minute == 0 && f.second == 0 && f.millisecond == 0;
  return midnight ? FormatIniDate(value) : FormatIniDate(value) + " " + FormatIniTime(value);
}

std::string FormatIniFloat(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15G", value);
  // "1E+20" and "1E-07" are written 1E20 and 1E-7.
  std::string result = text;
  const auto e = result.find('E');
  if (e == std::string::npos) return result;
  std::string exponent = result.substr(e + 1);
  const bool negative = exponent.front() == '-';
  exponent.erase(0, exponent.find_first_not_of("+-0"));
  return result.substr(0, e + 1) + (negative ? "-" : "") + (exponent.empty() ? "0" : exponent);
}

std::optional<TDateTime> ParseIniDate(std::string_view text) {
  return ParseWhole(text, TakeDate);
}

std::optional<TDateTime> ParseIniTime(std::string_view text) {
  return ParseWhole(text, TakeTime);
}

std::optional<TDateTime> ParseIniDateTime(std::string_view text) {
  if (auto time = ParseIniTime(text)) return time;
  return ParseWhole(text, [](std::string_view& rest) -> std::optional<TDateTime> {
    const auto date = TakeDate(rest);
    if (!date || rest.empty()) return date;
    rest = Trim(rest);
    const auto time = TakeTime(rest);
    if (!time) return std::nullopt;
    return *date < 0 ? *date - *time : *date + *time;
  });
}

std::optional<double> ParseIniFloat(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace brindle
