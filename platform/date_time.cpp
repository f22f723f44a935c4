#include "platform/date_time.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/error.h"

namespace brindle {

namespace {

constexpr long long kMsPerDay = 86'400'000;

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (month <= 2));
}

const long long kEpochDays = DaysFromCivil(1899, 12, 30);

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<TDateTime> TryEncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    return std::nullopt;
  }
  return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month),
                                           static_cast<unsigned>(day)) -
                             kEpochDays);
}

std::optional<TDateTime> TryEncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return std::nullopt;
  }
  const long long ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
  return static_cast<double>(ms) / kMsPerDay;
}

std::optional<TDateTime> TryEncodeDateTime(const DateTimeFields& f) {
  const auto date = TryEncodeDate(f.year, f.month, f.day);
  const auto time = TryEncodeTime(f.hour, f.minute, f.second, f.millisecond);
  if (!date || !time) return std::nullopt;
  // Before the epoch the time of day still counts forward from the day's start.
  return *date < 0 ? *date - *time : *date + *time;
}

TDateTime EncodeDateTime(const DateTimeFields& fields) {
  if (auto value = TryEncodeDateTime(fields)) return *value;
  throw EConvertError("Недопустимые дата или время");
}

DateTimeFields DecodeDateTime(TDateTime value) {
  long long days = static_cast<long long>(std::trunc(value));
  long long ms = std::llround(std::fabs(value - std::trunc(value)) * kMsPerDay);
  if (ms >= kMsPerDay) {  // rounding reached the next day
    ms -= kMsPerDay;
    ++days;
  }
  DateTimeFields f;
  CivilFromDays(days + kEpochDays, f.year, f.month, f.day);
  f.millisecond = static_cast<int>(ms % 1000);
  f.second = static_cast<int>(ms / 1000 % 60);
  f.minute = static_cast<int>(ms / 60000 % 60);
  f.hour = static_cast<int>(ms / 3600000);
  return f;
}

TDateTime Now() {
  const auto now = std::chrono::system_clock::now();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  DateTimeFields f{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min,         local.tm_sec,     static_cast<int>(ms.count() % 1000)};
  if (f.second > 59) f.second = 59;  // a leap second
  return EncodeDateTime(f);
}

double UnixSeconds(TDateTime local) {
  const DateTimeFields f = DecodeDateTime(local);
  std::tm fields{};
  fields.tm_year = f.year - 1900;
  fields.tm_mon = f.month - 1;
  fields.tm_mday = f.day;
  fields.tm_hour = f.hour;
  fields.tm_min = f.minute;
  fields.tm_sec = f.second;
  fields.tm_isdst = -1;  // as the zone's rules have it on that day
  return static_cast<double>(std::mktime(&fields)) + f.millisecond / 1000.0;
}

}  // namespace brindle
