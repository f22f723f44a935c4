#include "tests/support/log_lines.h"

#include <cctype>
#include <string_view>

#include "tests/support/temp_dir.h"

namespace brindle::testing {

namespace {

// dd.mm.yyyy hh:nn:ss.zzz, whatever the separators.
bool StartsWithTimeStamp(const std::string& line) {
  static constexpr std::string_view kDigits = "00.00.0000 00:00:00.000";
  if (line.size() < kDigits.size()) return false;
  for (std::size_t i = 0; i < kDigits.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(line[i]));
    if (digit != (kDigits[i] == '0')) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> LogMessages(const std::string& log_path) {
  constexpr std::size_t kStampLength = 23;
  std::vector<std::string> messages;
  const std::string text = ReadFile(log_path);
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    std::string line = text.substr(start, end - start);
    if (!line.empty() && !StartsWithTimeStamp(line) && !messages.empty()) {
      messages.back() += "\r\n" + line;  // a message of several lines
      continue;
    }
    if (!line.empty()) {
      line.erase(0, kStampLength);
      if (line.rfind(" [", 0) == 0) line.erase(0, line.find(']') + 1);
      line.erase(0, 1);  // the space before the message
    }
    messages.push_back(line);
  }
  return messages;
}

}  // namespace brindle::testing
