#include "settings/password_scrambler.h"

#include <algorithm>
#include <cstdint>

#include "platform/text.h"

namespace brindle {

namespace {

constexpr std::uint8_t kInnerMask = 0x5D;
constexpr std::uint8_t kOuterMask = 0x4E;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsUpperHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return HexValue(c) >= 0; });
}

std::string XorBytes(std::string_view bytes, std::uint8_t mask) {
  std::string result(bytes);
  for (char& c : result) c = static_cast<char>(static_cast<std::uint8_t>(c) ^ mask);
  return result;
}

// Odd positions (1-based) take low, even positions take high.
void XorAlternating(std::string& text, std::uint8_t low, std::uint8_t high) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char>(static_cast<std::uint8_t>(text[i]) ^ (i % 2 == 0 ? low : high));
  }
}

// Bytes of whole pairs of hexadecimal digits; a last odd digit is ignored.
std::string HexBytes(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(HexValue(hex[i]) * 16 + HexValue(hex[i + 1]));
  }
  return bytes;
}

}  // namespace

std::string ScramblePassword(std::string_view password) {
  std::string a = HexDigits(XorBytes(password, kInnerMask));
  std::uint16_t sum = 0;
  for (const char c : a) sum = static_cast<std::uint16_t>(sum + static_cast<std::uint8_t>(c));
  const auto low = static_cast<std::uint8_t>(sum & 0xFF);
  const auto high = static_cast<std::uint8_t>(sum >> 8);
  XorAlternating(a, low, high);
  std::reverse(a.begin(), a.end());
  std::string c;
  c += static_cast<char>((low >> 4) | ((high & 0x0F) << 4));
  c += a;
  c += static_cast<char>((low & 0x0F) | (high & 0xF0));
  return HexDigits(XorBytes(c, kOuterMask));
}

std::optional<std::string> UnscramblePassword(std::string_view scrambled) {
  if (scrambled.size() < 4 || scrambled.size() % 2 != 0 || !IsUpperHex(scrambled)) {
    return std::nullopt;
  }
  const std::string c = XorBytes(HexBytes(scrambled), kOuterMask);
  const auto first = static_cast<std::uint8_t>(c.front());
  const auto last = static_cast<std::uint8_t>(c.back());
  const auto low = static_cast<std::uint8_t>(((first & 0x0F) << 4) | (last & 0x0F));
  const auto high = static_cast<std::uint8_t>(((first & 0xF0) >> 4) | (last & 0xF0));
  std::string a = c.substr(1, c.size() - 2);
  std::reverse(a.begin(), a.end());
  XorAlternating(a, low, high);
  if (!IsUpperHex(a)) return std::nullopt;
  return XorBytes(HexBytes(a), kInnerMask);
}

}  // namespace brindle
