// The stored form of passwords in settings files: hexadecimal text that hides the password from
// a casual look. It is not encryption.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brindle {

// 4n + 4 upper-case hexadecimal digits for a password of n bytes.
std::string ScramblePassword(std::string_view password);

// The password, or empty when the text is not a scrambled form: shorter than 4, odd length,
// anything but 0-9 and A-F, or an inner text that is not hexadecimal.
std::optional<std::string> UnscramblePassword(std::string_view scrambled);

}  // namespace brindle
