// The value of a field or parameter, exactly as the server holds it, and every conversion
// between values, text and the suite's TDateTime, in one place.
//
// Text forms (AsString), one per type, so that equal texts mean equal values:
//   NULL             ""  (so an empty text and NULL compare equal as text)
//   integers         -123
//   NUMERIC/DECIMAL  12.3400, every digit of the scale kept
//   DOUBLE           the shortest text that reads back as the same double: 0.1, 1e+20
//   text             the text itself (UTF-8)
//   DATE             2024-05-17
//   TIME             13:53:59.1200, four fractional digits (1/10000 s)
//   TIMESTAMP        2024-05-17 13:53:59.1200
//   binary BLOB      its bytes, unchanged
// Conversions to numbers round half away from zero, as the server does; a value that cannot
// become the type asked for raises EIBError saying which value and which type.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "platform/date_time.h"

namespace brindle::ibx {

// unscaled × 10^scale, scale ≤ 0: a NUMERIC or DECIMAL value without rounding.
struct TIBDecimal {
  std::int64_t unscaled = 0;
  int scale = 0;
  bool operator==(const TIBDecimal&) const = default;
};

// A DATE: the server's day number (days since 1858-11-17).
struct TIBDate {
  std::int32_t days = 0;
  bool operator==(const TIBDate&) const = default;
};

// A TIME: the time of day in 1/10000 s.
struct TIBTime {
  std::uint32_t fractions = 0;
  bool operator==(const TIBTime&) const = default;
};

struct TIBTimestamp {
  TIBDate date;
  TIBTime time;
  bool operator==(const TIBTimestamp&) const = default;
};

// Bytes that are not text: the content of a binary BLOB or an OCTETS string.
struct TIBBytes {
  std::string bytes;
  bool operator==(const TIBBytes&) const = default;
};

class TIBValue {
 public:
  using Storage = std::variant<std::monostate, std::int64_t, TIBDecimal, double, std::string,
                               TIBDate, TIBTime, TIBTimestamp, TIBBytes>;

  TIBValue() = default;  // NULL
  explicit TIBValue(Storage value) : value_(std::move(value)) {}
  static TIBValue Null() { return TIBValue(); }
  static TIBValue Int(std::int64_t value) { return TIBValue(Storage(value)); }
  static TIBValue Decimal(std::int64_t unscaled, int scale);
  static TIBValue Float(double value) { return TIBValue(Storage(value)); }
  static TIBValue Text(std::string utf8) { return TIBValue(Storage(std::move(utf8))); }
  static TIBValue Bytes(std::string bytes) { return TIBValue(Storage(TIBBytes{std::move(bytes)})); }
  static TIBValue Date(TIBDate value) { return TIBValue(Storage(value)); }
  static TIBValue Time(TIBTime value) { return TIBValue(Storage(value)); }
  static TIBValue Timestamp(TIBTimestamp value) { return TIBValue(Storage(value)); }
  // A TIMESTAMP; 0 (none) is 1899-12-30 00:00, as everywhere in the suite.
  static TIBValue DateTime(TDateTime value);

  const Storage& Get() const { return value_; }
  bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
  bool operator==(const TIBValue&) const = default;

  // NULL gives "", 0 and 0.0 below.
  std::string AsString() const;
  std::int32_t AsInteger() const;
  std::int64_t AsInt64() const;
  // Dates and times give their TDateTime.
  double AsFloat() const;
  // Dates, times and their text forms; rounded to the millisecond.
  TDateTime AsDateTime() const;

  // The value as the server's types take it; never called on NULL.
  std::int64_t AsScaled(int scale) const;
  TIBDate AsDate() const;
  TIBTime AsTime() const;
  TIBTimestamp AsTimestamp() const;

  // A name for messages: "INTEGER", "NUMERIC", "DOUBLE", "VARCHAR", ...
  const char* TypeName() const;

 private:
  Storage value_;
};

// The conversions behind the text forms, for callers that hold the server's values.
std::string FormatDate(TIBDate date);
std::string FormatTime(TIBTime time);
std::string FormatTimestamp(TIBTimestamp stamp);
// Read "2024-05-17", "17.05.2024", optionally followed by " 13:53:59.1200" (seconds and
// fractions optional, up to four fractional digits); raise EIBError otherwise.
TIBTimestamp ParseTimestamp(std::string_view text);
TIBTime ParseTime(std::string_view text);
TDateTime ToDateTime(TIBTimestamp stamp);
TIBTimestamp FromDateTime(TDateTime value);

}  // namespace brindle::ibx
