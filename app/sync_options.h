// brindle-sync's command line: its modes, the options for this run only and the usage text. The
// line is read with CLI11, and every message about it is the program's own.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "replication/check/copy_check.h"

namespace brindle {

// A wrong command line, or a check before the work that did not pass: the program ends with
// status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Mode { kRun, kOnce, kVerify, kStatus, kCheck, kHelp };

struct Options {
  Mode mode = Mode::kRun;
  std::string verify_conn_str;
  std::optional<std::string> work, copy, work_password, copy_password, password;
  std::optional<std::int32_t> period;
  bool json = false;
  std::optional<std::int32_t> max_lag;  // seconds
  std::optional<std::string> metrics_file;
  TCheckOptions check;
  std::optional<double> check_every_hours;
};

inline constexpr char kWorkPasswordVariable[] = "BRINDLE_WORK_PASSWORD";
inline constexpr char kCopyPasswordVariable[] = "BRINDLE_COPY_PASSWORD";
inline constexpr char kPasswordVariable[] = "BRINDLE_PASSWORD";
inline constexpr char kMetricsFileVariable[] = "BRINDLE_METRICS_FILE";

// What --help prints.
extern const char kUsage[];

// An environment variable's value, or null when it is not set: std::getenv, or a test's own.
using Environment = std::function<const char*(const char*)>;

// The options of `args`, the arguments after the program's name; what the line leaves out of the
// passwords and the service's metrics file comes from `environment`. A wrong line raises
// UsageError with the message for its first mistake; --help gives Mode::kHelp and nothing else.
Options ParseOptions(const std::vector<std::string>& args, const Environment& environment);

// Overwrites the values of the password options in the process's own argument memory with NUL
// bytes, so that ps and /proc/PID/cmdline no longer show them; call once the line is read.
void WipePasswordArguments(int argc, char** argv);

}  // namespace brindle
