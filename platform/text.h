// Small text services shared by the modules: case mapping of the suite's texts (UTF-8 with
// Latin and Cyrillic letters), trimming, hexadecimal text and integer conversion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brindle {

// Lower-case form of a UTF-8 text: ASCII and Cyrillic letters are mapped, everything else
// (invalid bytes included) is kept as it is.
std::string LowerCase(std::string_view text);

// Case-insensitive equality under LowerCase.
bool SameText(std::string_view a, std::string_view b);

// The text without leading and trailing bytes of value 0x20 or less.
std::string_view Trim(std::string_view text);

// The text with each line feed and carriage return turned into a blank, for one-line reports.
std::string OneLine(std::string_view text);

// OneLine, with every other control character (C0, DEL and C1, which can drive a terminal)
// written as \xNN, so that a stored text cannot change what a terminal shows.
std::string PrintableLine(std::string_view text);

// Two upper-case hexadecimal digits per byte, in order.
std::string HexDigits(std::string_view bytes);

// Integer conversion as the settings files need it: optional blanks before, an optional sign,
// decimal digits, or hexadecimal after "$", "0x" or "0X". Empty on anything else or when the
// value does not fit 32 bits (hexadecimal may use all 32 bits and is taken as signed).
std::optional<std::int32_t> TryStrToInt(std::string_view text);

// The whole text, blanks around it allowed, as a decimal 64-bit integer: the form of counts in a
// database's configuration. Empty on anything else.
std::optional<std::int64_t> ParseDecimalInt64(std::string_view text);

// Strict decimal conversion: an optional sign and decimal digits only, within 32 bits.
// Raises EConvertError naming the text otherwise.
std::int32_t StrToInt(std::string_view text);

// Length in characters (code points) of a UTF-8 text; invalid bytes count one each.
std::size_t CharCount(std::string_view text);

// The first at most max_chars characters of a UTF-8 text, never cutting a character in two.
std::string_view LeftChars(std::string_view text, std::size_t max_chars);

// The byte length of the UTF-8 character that starts at text[pos] (1 for invalid bytes).
std::size_t CharLengthAt(std::string_view text, std::size_t pos);

}  // namespace brindle
