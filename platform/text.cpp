#include "platform/text.h"

#include <charconv>
#include <cstdint>

#include "platform/error.h"

namespace brindle {

namespace {

// Lower-case of the Cyrillic capitals that the suite's code page 1251 knows.
char32_t LowerCyrillic(char32_t c) {
  if (c >= 0x0410 && c <= 0x042F) return c + 0x20;
  if (c >= 0x0400 && c <= 0x040F) return c + 0x50;
  if (c == 0x0490) return 0x0491;
  return c;
}

std::optional<std::int64_t> ParseDigits(std::string_view digits, int base) {
  if (digits.empty() || digits.size() > 20) return std::nullopt;
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace

std::size_t CharLengthAt(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4;
  if (pos + length > text.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

std::string LowerCase(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = CharLengthAt(text, pos);
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (length == 1) {
      result += (lead >= 'A' && lead <= 'Z') ? static_cast<char>(lead + 32) : text[pos];
    } else if (length == 2) {
      const auto trail = static_cast<unsigned char>(text[pos + 1]);
      const char32_t c = LowerCyrillic(((lead & 0x1Fu) << 6) | (trail & 0x3Fu));
      result += static_cast<char>(0xC0 | (c >> 6));
      result += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      result.append(text.substr(pos, length));
    }
    pos += length;
  }
  return result;
}

bool SameText(std::string_view a, std::string_view b) {
  return LowerCase(a) == LowerCase(b);
}

std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return line;
}

std::string PrintableLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  const auto hex = [&line](unsigned char byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    line += "\\x";
    line += kDigits[byte >> 4];
    line += kDigits[byte & 0x0F];
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\n' || byte == '\r') {
      line += ' ';
    } else if (byte < 0x20 || byte == 0x7F) {
      hex(byte);
    } else if (byte == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      hex(byte);  // U+0080..U+009F in UTF-8
      hex(static_cast<unsigned char>(text[++i]));
    } else {
      line += static_cast<char>(byte);
    }
  }
  return line;
}

std::string HexDigits(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    result += kDigits[b >> 4];
    result += kDigits[b & 0x0F];
  }
  return result;
}

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  } else if (text.size() > 1 && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  }
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) return std::nullopt;
  const auto magnitude = ParseDigits(text, base);
  if (!magnitude) return std::nullopt;
  if (base == 16) {
    if (*magnitude > 0xFFFFFFFFLL) return std::nullopt;
    const auto bits = static_cast<std::uint32_t>(*magnitude);
    const auto value = static_cast<std::int32_t>(negative ? 0u - bits : bits);
    return value;
  }
  const std::int64_t value = negative ? -*magnitude : *magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::int32_t StrToInt(std::string_view text) {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  std::optional<std::int64_t> magnitude;
  if (!digits.empty() && digits.front() != '+' && digits.front() != '-') {
    magnitude = ParseDigits(digits, 10);
  }
  const std::int64_t value = magnitude ? (negative ? -*magnitude : *magnitude) : 0;
  if (!magnitude || value < INT32_MIN || value > INT32_MAX) {
    throw EConvertError("'" + std::string(text) + "' не является допустимым целым числом");
  }
  return static_cast<std::int32_t>(value);
}

std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += CharLengthAt(text, pos)) ++count;
  return count;
}

std::string_view LeftChars(std::string_view text, std::size_t max_chars) {
  std::size_t pos = 0;
  for (std::size_t n = 0; n < max_chars && pos < text.size(); ++n) pos += CharLengthAt(text, pos);
  return text.substr(0, pos);
}

std::optional<std::int64_t> ParseDecimalInt64(std::string_view text) {
  text = Trim(text);
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace brindle
