// What the benchmark programs share: time, the process's resident memory and its peak, the CPU
// time of this process and of the Firebird server (FB_SERVER_PID, which scripts/bench sets), and
// the RESULT lines that scripts/bench collects into its report.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace brindle::bench {

using Clock = std::chrono::steady_clock;

// The row counts given on the command line; 100,000 and 1,000,000 when none are.
inline std::vector<long> RowCounts(int argc, char** argv) {
  std::vector<long> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atol(argv[i]));
  if (counts.empty()) counts = {100000, 1000000};
  return counts;
}

inline double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// A field of /proc/self/status in KB (VmRSS, VmHWM), or -1.
inline long StatusKb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
  }
  return -1;
}

// Starts a new peak (VmHWM) at the current resident size; false when the kernel refuses.
inline bool ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}

// Seconds of CPU (user and system) that process `pid` has used, or -1 when it cannot be read.
inline double CpuSeconds(long pid) {
  std::ifstream stat("/proc/" + (pid > 0 ? std::to_string(pid) : std::string("self")) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return -1;
  // Fields after the command's closing parenthesis, the command itself may hold blanks.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::stod(field);  // utime, stime
  }
  return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// CPU seconds of this process and of the server, measured from construction.
class TCpuUse {
 public:
  TCpuUse()
      : server_pid_(std::getenv("FB_SERVER_PID") ? std::atol(std::getenv("FB_SERVER_PID")) : 0),
        client_(CpuSeconds(0)),
        server_(server_pid_ > 0 ? CpuSeconds(server_pid_) : -1) {}
  double Client() const { return CpuSeconds(0) - client_; }
  // -1 when the server's process is not known.
  double Server() const { return server_ < 0 ? -1 : CpuSeconds(server_pid_) - server_; }

 private:
  long server_pid_;
  double client_;
  double server_;
};

// One figure for scripts/bench: "RESULT bench=<bench> <keys> name=<name> value=<v> unit=<u>",
// keys being "key=value" pairs that tell the case apart ("" when there is one case).
inline void PrintResult(const char* bench, const std::string& keys, const char* name, double value,
                        const char* unit) {
  std::printf("RESULT bench=%s%s%s name=%s value=%.4f unit=%s\n", bench, keys.empty() ? "" : " ",
              keys.c_str(), name, value, unit);
}

// The CPU per row of a step, as two RESULT figures <step>_client_cpu and <step>_server_cpu in
// microseconds per row (the server's only when it is known).
inline void PrintCpuPerRow(const char* bench, const std::string& keys, const std::string& step,
                           const TCpuUse& use, double rows) {
  const double client = use.Client(), server = use.Server();
  PrintResult(bench, keys, (step + "_client_cpu").c_str(), client / rows * 1e6, "us/row");
  if (server >= 0) {
    PrintResult(bench, keys, (step + "_server_cpu").c_str(), server / rows * 1e6, "us/row");
  }
}

}  // namespace brindle::bench
