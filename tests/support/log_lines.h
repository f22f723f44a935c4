// Reading back what the programs wrote to their logs.
#pragma once

#include <string>
#include <vector>

namespace brindle::testing {

// The messages of a program log, without time stamps and level names; "" for an empty line.
// A line without a time stamp continues the message before it.
std::vector<std::string> LogMessages(const std::string& log_path);

}  // namespace brindle::testing
