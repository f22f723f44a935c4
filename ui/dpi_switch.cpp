#include "ui/dpi_switch.h"

#include "platform/text.h"

namespace brindle {

namespace {

constexpr std::size_t kMinSwitchLength = 6;
constexpr std::size_t kValueOffset = 5;  // after "-DPI" and one separator
constexpr std::size_t kValueLength = 3;

bool IsDpiSwitch(const std::string& upper) {
  return upper.size() >= kMinSwitchLength && (upper[0] == '-' || upper[0] == '/') &&
         upper.compare(1, 3, "DPI") == 0;
}

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

std::optional<int> ParseDpiSwitch(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    const std::string upper = AsciiUpper(argument);
    if (!IsDpiSwitch(upper)) continue;
    const std::optional<std::int32_t> value =
        TryStrToInt(std::string_view(upper).substr(kValueOffset, kValueLength));
    if (value && *value > 0) return *value;
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace brindle
