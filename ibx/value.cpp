#include "ibx/value.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "ibx/fb_client.h"
#include "ibx/ib_error.h"

namespace brindle::ibx {

namespace {

// The server's day number of 1899-12-30, the suite's day 0.
constexpr std::int32_t kDateTimeEpoch = 15018;
constexpr std::int64_t kMsPerDay = 86'400'000;

constexpr std::int64_t kPow10[] = {1,
                                   10,
                                   100,
                                   1'000,
                                   10'000,
                                   100'000,
                                   1'000'000,
                                   10'000'000,
                                   100'000'000,
                                   1'000'000'000,
                                   10'000'000'000,
                                   100'000'000'000,
                                   1'000'000'000'000,
                                   10'000'000'000'000,
                                   100'000'000'000'000,
                                   1'000'000'000'000'000,
                                   10'000'000'000'000'000,
                                   100'000'000'000'000'000,
                                   1'000'000'000'000'000'000};
constexpr int kMaxPow10 = 18;

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

// unscaled × 10^from as a count of 10^to, rounded half away from zero; empty on overflow.
std::optional<std::int64_t> Rescale(std::int64_t unscaled, int from, int to) {
  if (from == to) return unscaled;
  if (from > to) {
    const int shift = from - to;
    if (shift > kMaxPow10) return unscaled == 0 ? std::optional<std::int64_t>(0) : std::nullopt;
    std::int64_t result;
    if (__builtin_mul_overflow(unscaled, kPow10[shift], &result)) return std::nullopt;
    return result;
  }
  const int shift = to - from;
  if (shift > kMaxPow10) return 0;  // beyond any scale the server has
  const std::int64_t divisor = kPow10[shift];
  std::int64_t quotient = unscaled / divisor;
  const std::int64_t remainder = unscaled % divisor;
  // |remainder| ≥ divisor / 2, without overflowing.
  if (remainder != 0 && (remainder > 0 ? remainder : -remainder) >= divisor - (divisor / 2)) {
    quotient += unscaled < 0 ? -1 : 1;
  }
  return quotient;
}

std::string FormatDecimal(std::int64_t unscaled, int scale) {
  const std::uint64_t magnitude = unscaled < 0 ? 0 - static_cast<std::uint64_t>(unscaled)
                                               : static_cast<std::uint64_t>(unscaled);
  std::string digits = std::to_string(magnitude);
  const auto fraction = static_cast<std::size_t>(-scale);
  if (fraction > 0) {
    if (digits.size() <= fraction) digits.insert(0, fraction + 1 - digits.size(), '0');
    digits.insert(digits.size() - fraction, 1, '.');
  }
  if (unscaled < 0) digits.insert(0, 1, '-');
  return digits;
}

std::string FormatDouble(double value) {
  if (value == 0) return "0";  // -0 equals 0, so it has the same text
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// A plain decimal text: optional sign, digits, optional "." and digits. Empty when the text is
// not of that form; raises when it is but does not fit 64 bits.
std::optional<TIBDecimal> ParseDecimal(std::string_view original) {
  std::string_view text = TrimBlanks(original);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::size_t dot = text.find('.');
  std::string_view whole = text.substr(0, dot);
  std::string_view fraction = dot == std::string_view::npos ? "" : text.substr(dot + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  for (std::string_view part : {whole, fraction}) {
    for (char c : part) {
      if (c < '0' || c > '9') return std::nullopt;
    }
  }
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  std::uint64_t magnitude = 0;
  for (std::string_view part : {whole, fraction}) {
    for (char c : part) {
      if (__builtin_mul_overflow(magnitude, 10u, &magnitude) ||
          __builtin_add_overflow(magnitude, static_cast<unsigned>(c - '0'), &magnitude)) {
        throw EIBError("Число \"" + std::string(original) + "\" вне допустимого диапазона");
      }
    }
  }
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
  if (magnitude > limit || fraction.size() > kMaxPow10) {
    throw EIBError("Число \"" + std::string(original) + "\" вне допустимого диапазона");
  }
  const auto unscaled =
      negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return TIBDecimal{unscaled, -static_cast<int>(fraction.size())};
}

std::optional<double> ParseDouble(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::string Shown(const TIBValue& value) {
  std::string shown = value.AsString();
  if (shown.size() > 100) shown = shown.substr(0, 100) + "...";
  return std::string(value.TypeName()) + " \"" + shown + "\"";
}

[[noreturn]] void RaiseConversion(const TIBValue& value, const std::string& target) {
  throw EIBError("Значение " + Shown(value) + " нельзя преобразовать в " + target);
}

[[noreturn]] void RaiseRange(const TIBValue& value, const std::string& target) {
  throw EIBError("Значение " + Shown(value) + " не помещается в " + target);
}

// Reads digits at text[pos]; at least one, at most max.
std::optional<unsigned> ReadNumber(std::string_view text, std::size_t& pos, std::size_t max) {
  const std::size_t start = pos;
  unsigned value = 0;
  while (pos < text.size() && pos - start < max && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + static_cast<unsigned>(text[pos++] - '0');
  }
  if (pos == start) return std::nullopt;
  return value;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
  if (pos < text.size() && text[pos] == c) {
    ++pos;
    return true;
  }
  return false;
}

// "hh:mm[:ss[.ffff]]" at text[pos].
std::optional<TIBTime> ReadTime(std::string_view text, std::size_t& pos) {
  const auto hour = ReadNumber(text, pos, 2);
  if (!hour || !Expect(text, pos, ':')) return std::nullopt;
  const auto minute = ReadNumber(text, pos, 2);
  if (!minute) return std::nullopt;
  unsigned second = 0, fractions = 0;
  if (Expect(text, pos, ':')) {
    const auto s = ReadNumber(text, pos, 2);
    if (!s) return std::nullopt;
    second = *s;
    if (Expect(text, pos, '.')) {
      const std::size_t start = pos;
      const auto f = ReadNumber(text, pos, 4);
      if (!f) return std::nullopt;
      fractions = *f * static_cast<unsigned>(kPow10[4 - (pos - start)]);
    }
  }
  if (*hour > 23 || *minute > 59 || second > 59) return std::nullopt;
  return TIBTime{detail::Util()->encodeTime(*hour, *minute, second, fractions)};
}

std::optional<TIBDate> ReadDate(std::string_view text, std::size_t& pos) {
  const auto first = ReadNumber(text, pos, 4);
  if (!first) return std::nullopt;
  unsigned year, month, day;
  if (Expect(text, pos, '-')) {
    year = *first;
    const auto m = ReadNumber(text, pos, 2);
    if (!m || !Expect(text, pos, '-')) return std::nullopt;
    const auto d = ReadNumber(text, pos, 2);
    if (!d) return std::nullopt;
    month = *m;
    day = *d;
  } else if (Expect(text, pos, '.')) {
    day = *first;
    const auto m = ReadNumber(text, pos, 2);
    if (!m || !Expect(text, pos, '.')) return std::nullopt;
    const auto y = ReadNumber(text, pos, 4);
    if (!y) return std::nullopt;
    month = *m;
    year = *y;
  } else {
    return std::nullopt;
  }
  if (!TryEncodeDate(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day))) {
    return std::nullopt;
  }
  return TIBDate{detail::Util()->encodeDate(year, month, day)};
}

std::optional<TIBTimestamp> TryParseTimestamp(std::string_view text) {
  text = TrimBlanks(text);
  std::size_t pos = 0;
  const auto date = ReadDate(text, pos);
  if (!date) return std::nullopt;
  TIBTimestamp stamp{*date, {}};
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T')) ++pos;
    const auto time = ReadTime(text, pos);
    if (!time) return std::nullopt;
    stamp.time = *time;
  }
  if (pos != text.size()) return std::nullopt;
  return stamp;
}

std::optional<TIBTime> TryParseTime(std::string_view text) {
  text = TrimBlanks(text);
  std::size_t pos = 0;
  const auto time = ReadTime(text, pos);
  if (!time || pos != text.size()) return std::nullopt;
  return time;
}

}  // namespace

TIBValue TIBValue::Decimal(std::int64_t unscaled, int scale) {
  if (scale > 0) {
    const auto whole = Rescale(unscaled, scale, 0);
    if (!whole) throw EIBError("Число вне допустимого диапазона");
    return TIBValue(Storage(TIBDecimal{*whole, 0}));
  }
  return TIBValue(Storage(TIBDecimal{unscaled, scale}));
}

TIBValue TIBValue::DateTime(TDateTime value) {
  return Timestamp(FromDateTime(value));
}

const char* TIBValue::TypeName() const {
  static constexpr const char* kNames[] = {"NULL",    "BIGINT", "NUMERIC", "DOUBLE PRECISION",
                                           "VARCHAR", "DATE",   "TIME",    "TIMESTAMP",
                                           "BLOB"};
  return kNames[value_.index()];
}

std::string TIBValue::AsString() const {
  struct Visitor {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(std::int64_t v) const { return std::to_string(v); }
    std::string operator()(const TIBDecimal& v) const { return FormatDecimal(v.unscaled, v.scale); }
    std::string operator()(double v) const { return FormatDouble(v); }
    std::string operator()(const std::string& v) const { return v; }
    std::string operator()(TIBDate v) const { return FormatDate(v); }
    std::string operator()(TIBTime v) const { return FormatTime(v); }
    std::string operator()(const TIBTimestamp& v) const { return FormatTimestamp(v); }
    std::string operator()(const TIBBytes& v) const { return v.bytes; }
  };
  return std::visit(Visitor{}, value_);
}

std::int64_t TIBValue::AsInt64() const {
  return IsNull() ? 0 : AsScaled(0);
}

std::int32_t TIBValue::AsInteger() const {
  const std::int64_t value = AsInt64();
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    RaiseRange(*this, "INTEGER");
  }
  return static_cast<std::int32_t>(value);
}

std::int64_t TIBValue::AsScaled(int scale) const {
  const std::string target = scale == 0 ? "BIGINT" : "NUMERIC(18, " + std::to_string(-scale) + ")";
  if (const auto* v = std::get_if<std::int64_t>(&value_)) {
    if (const auto r = Rescale(*v, 0, scale)) return *r;
    RaiseRange(*this, target);
  }
  if (const auto* v = std::get_if<TIBDecimal>(&value_)) {
    if (const auto r = Rescale(v->unscaled, v->scale, scale)) return *r;
    RaiseRange(*this, target);
  }
  std::optional<double> number;
  if (const auto* v = std::get_if<double>(&value_)) number = *v;
  if (const auto* v = std::get_if<std::string>(&value_)) {
    if (const auto decimal = ParseDecimal(*v)) {
      if (const auto r = Rescale(decimal->unscaled, decimal->scale, scale)) return *r;
      RaiseRange(*this, target);
    }
    number = ParseDouble(*v);
  }
  if (!number) RaiseConversion(*this, target);
  if (!std::isfinite(*number)) RaiseRange(*this, target);
  const double scaled = *number * static_cast<double>(kPow10[std::min(-scale, kMaxPow10)]);
  if (!(std::fabs(scaled) < 9.2e18)) RaiseRange(*this, target);
  return std::llround(scaled);
}

double TIBValue::AsFloat() const {
  if (IsNull()) return 0;
  if (const auto* v = std::get_if<std::int64_t>(&value_)) return static_cast<double>(*v);
  if (const auto* v = std::get_if<double>(&value_)) return *v;
  if (std::holds_alternative<TIBDecimal>(value_)) return *ParseDouble(AsString());
  if (const auto* v = std::get_if<std::string>(&value_)) {
    if (const auto number = ParseDouble(*v)) return *number;
    RaiseConversion(*this, "DOUBLE PRECISION");
  }
  if (std::holds_alternative<TIBDate>(value_) || std::holds_alternative<TIBTime>(value_) ||
      std::holds_alternative<TIBTimestamp>(value_)) {
    return AsDateTime();
  }
  RaiseConversion(*this, "DOUBLE PRECISION");
}

TDateTime TIBValue::AsDateTime() const {
  if (IsNull()) return 0;
  if (const auto* v = std::get_if<TIBTime>(&value_)) {
    return static_cast<double>((v->fractions + 5) / 10) / kMsPerDay;
  }
  return ToDateTime(AsTimestamp());
}

TIBDate TIBValue::AsDate() const {
  if (const auto* v = std::get_if<TIBDate>(&value_)) return *v;
  return AsTimestamp().date;
}

TIBTime TIBValue::AsTime() const {
  if (const auto* v = std::get_if<TIBTime>(&value_)) return *v;
  if (const auto* v = std::get_if<TIBTimestamp>(&value_)) return v->time;
  if (const auto* v = std::get_if<std::string>(&value_)) {
    if (const auto time = TryParseTime(*v)) return *time;
    if (const auto stamp = TryParseTimestamp(*v)) return stamp->time;
  }
  RaiseConversion(*this, "TIME");
}

TIBTimestamp TIBValue::AsTimestamp() const {
  if (const auto* v = std::get_if<TIBTimestamp>(&value_)) return *v;
  if (const auto* v = std::get_if<TIBDate>(&value_)) return {*v, {}};
  if (const auto* v = std::get_if<std::string>(&value_)) {
    if (const auto stamp = TryParseTimestamp(*v)) return *stamp;
  }
  RaiseConversion(*this, "TIMESTAMP");
}

std::string FormatDate(TIBDate date) {
  unsigned year, month, day;
  detail::Util()->decodeDate(date.days, &year, &month, &day);
  char text[16];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", year, month, day);
  return text;
}

std::string FormatTime(TIBTime time) {
  unsigned hour, minute, second, fractions;
  detail::Util()->decodeTime(time.fractions, &hour, &minute, &second, &fractions);
  char text[24];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u.%04u", hour, minute, second, fractions);
  return text;
}

std::string FormatTimestamp(TIBTimestamp stamp) {
  return FormatDate(stamp.date) + " " + FormatTime(stamp.time);
}

TIBTimestamp ParseTimestamp(std::string_view text) {
  if (const auto stamp = TryParseTimestamp(text)) return *stamp;
  throw EIBError("\"" + std::string(text) + "\" не является датой и временем");
}

TIBTime ParseTime(std::string_view text) {
  if (const auto time = TryParseTime(text)) return *time;
  throw EIBError("\"" + std::string(text) + "\" не является временем");
}

TDateTime ToDateTime(TIBTimestamp stamp) {
  std::int64_t days = std::int64_t{stamp.date.days} - kDateTimeEpoch;
  std::int64_t ms = (std::int64_t{stamp.time.fractions} + 5) / 10;
  if (ms >= kMsPerDay) {
    ++days;
    ms -= kMsPerDay;
  }
  // Before the epoch the time of day still counts forward from the day's start.
  const double time = static_cast<double>(ms) / kMsPerDay;
  return days < 0 ? static_cast<double>(days) - time : static_cast<double>(days) + time;
}

TIBTimestamp FromDateTime(TDateTime value) {
  if (!std::isfinite(value) || std::fabs(value) > 3'000'000) {
    throw EIBError("Значение " + FormatDouble(value) + " не является датой и временем");
  }
  const DateTimeFields f = DecodeDateTime(value);
  if (f.year < 1 || f.year > 9999) {
    throw EIBError("Значение " + FormatDouble(value) + " не является датой и временем");
  }
  auto* util = detail::Util();
  const auto u = [](int v) { return static_cast<unsigned>(v); };
  const TIBDate date{util->encodeDate(u(f.year), u(f.month), u(f.day))};
  const TIBTime time{util->encodeTime(u(f.hour), u(f.minute), u(f.second), u(f.millisecond) * 10)};
  return {date, time};
}

}  // namespace brindle::ibx
