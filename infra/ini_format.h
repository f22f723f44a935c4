// The fixed text forms of typed values in settings files and configuration tables, the same in
// every locale: date dd.mm.yyyy, time hh:nn:ss.zzz (24-hour clock), date-time as the date, a
// blank and the time, or the date alone at exactly midnight, and numbers in general format with
// up to 15 significant digits and "." as the decimal separator.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/date_time.h"

namespace brindle {

std::string FormatIniDate(TDateTime value);
std::string FormatIniTime(TDateTime value);
std::string FormatIniDateTime(TDateTime value);
std::string FormatIniFloat(double value);

// Empty when the text is not a valid value of the form: 31.02.2026 is no date.
// Dates take day, month and a year of one to four digits; times take hours and minutes, then
// optionally seconds and a fraction of up to four digits. ParseIniDateTime takes a date, a date
// and a time, or a time alone. Surrounding blanks are allowed.
std::optional<TDateTime> ParseIniDate(std::string_view text);
std::optional<TDateTime> ParseIniTime(std::string_view text);
std::optional<TDateTime> ParseIniDateTime(std::string_view text);
std::optional<double> ParseIniFloat(std::string_view text);

}  // namespace brindle
