// What the benchmark programs share: time, the process's resident memory and its peak, and the
// RESULT lines that scripts/bench collects into its report.
#pragma once

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace brindle::bench {

using Clock = std::chrono::steady_clock;

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

// One figure for scripts/bench: "RESULT bench=<bench> <keys> name=<name> value=<v> unit=<u>",
// keys being "key=value" pairs that tell the case apart ("" when there is one case).
inline void PrintResult(const char* bench, const std::string& keys, const char* name, double value,
                        const char* unit) {
  std::printf("RESULT bench=%s%s%s name=%s value=%.4f unit=%s\n", bench, keys.empty() ? "" : " ",
              keys.c_str(), name, value, unit);
}

}  // namespace brindle::bench
