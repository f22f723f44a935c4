// The suite's date-time: a double count of days since 1899-12-30, the fraction being the time
// of day; 0 means none. Conversions to and from calendar fields round to the millisecond.
#pragma once

#include <optional>

namespace brindle {

using TDateTime = double;

// Seconds in a day: a difference of date-times times this is seconds.
inline constexpr double kSecondsPerDay = 86400;

struct DateTimeFields {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  bool operator==(const DateTimeFields&) const = default;
};

// Empty when a field is out of range (years 1 to 9999, real calendar days).
std::optional<TDateTime> TryEncodeDate(int year, int month, int day);
std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int millisecond);
std::optional<TDateTime> TryEncodeDateTime(const DateTimeFields& fields);

// Raises EConvertError when a field is out of range.
TDateTime EncodeDateTime(const DateTimeFields& fields);

// Calendar fields of a date-time, rounded to the nearest millisecond.
DateTimeFields DecodeDateTime(TDateTime value);

// The local time now.
TDateTime Now();

// Seconds since 1970-01-01 00:00 UTC of a local date-time (as Now gives it).
double UnixSeconds(TDateTime local);

}  // namespace brindle
