// The program's one command-line option: a forced screen resolution for scaling the windows,
// written -DPI=120 or /dpi:120 (any letter case; the three characters after the separator are
// the value).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brindle {

// The pixels per inch that the arguments (without the program's name) ask for. The first
// argument of at least 6 characters that starts with "-" or "/" followed by "DPI" decides,
// even when its value is unusable: then, as without such an argument, there is none.
std::optional<int> ParseDpiSwitch(const std::vector<std::string>& arguments);

}  // namespace brindle
