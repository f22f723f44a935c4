// Lines per second of the logger, written directly and through the lazy writer, from one and
// from four threads, all in one run and with the program's settings (1 MiB limit, rotation).
// For the lazy writer two rates are shown: as the callers see it (until the last line is
// queued) and until the last line is in the file, and each case's peak memory (the lazy writer
// queues lines). Besides the table, every figure is printed as a RESULT line for scripts/bench.
//   logger_bench [LINES]   LINES in all per case, 40000 unless given
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_figures.h"
#include "infra/lazy_log_writer.h"
#include "infra/logger.h"

namespace {

using brindle::bench::Clock;
using brindle::bench::ResetPeak;
using brindle::bench::Seconds;
using brindle::bench::StatusKb;

void PrintResult(const std::string& keys, const char* name, double value, const char* unit) {
  brindle::bench::PrintResult("logger", keys, name, value, unit);
}

struct Result {
  double caller_seconds = 0;
  double written_seconds = 0;
  std::uint64_t opens = 0;
  long peak_kb = 0;
};

Result Run(const std::string& file, bool lazy, int threads, int lines) {
  brindle::TMirtLogger logger(file);
  logger.Lazy = lazy;
  const int per_thread = lines / threads;
  ResetPeak();
  const auto start = Clock::now();
  std::vector<std::thread> writers;
  for (int t = 0; t < threads; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < per_thread; ++i) {
        logger.Write("Обработка таблицы [GOODS]: поток " + std::to_string(t) + ", запись " +
                     std::to_string(i));
      }
    });
  }
  for (auto& writer : writers) writer.join();
  Result result;
  result.caller_seconds = Seconds(start);
  while (logger.PendingCount() > 0) std::this_thread::sleep_for(std::chrono::microseconds(100));
  result.written_seconds = Seconds(start);
  result.opens = logger.OpenCount();
  result.peak_kb = StatusKb("VmHWM");
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 40000;
  if (lines < 4) {
    std::fprintf(stderr, "usage: logger_bench [LINES >= 4]\n");
    return 2;
  }
  std::string folder = std::filesystem::temp_directory_path().string() + "/logger-bench-XXXXXX";
  if (!mkdtemp(folder.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  // Nothing of the run touches a real suite root or the user's temporary folder.
  setenv("ZEMT_ROOT", folder.c_str(), 1);
  setenv("ZEMT_LOCK_DIR", (folder + "/locks").c_str(), 1);
  setenv("TMPDIR", folder.c_str(), 1);
  brindle::InitLoggerModule();

  std::printf("%-8s %7s %8s %16s %16s %8s %10s\n", "mode", "threads", "lines", "caller lines/s",
              "written lines/s", "opens", "peak KB");
  int run = 0;
  for (const bool lazy : {false, true}) {
    for (const int threads : {1, 4}) {
      const std::string file = folder + "/bench" + std::to_string(run++) + ".log";
      const int total = lines / threads * threads;
      const Result r = Run(file, lazy, threads, lines);
      std::printf("%-8s %7d %8d %16.0f %16.0f %8llu %10ld\n", lazy ? "lazy" : "direct", threads,
                  total, total / r.caller_seconds, total / r.written_seconds,
                  static_cast<unsigned long long>(r.opens), r.peak_kb);
      const std::string keys =
          std::string("mode=") + (lazy ? "lazy" : "direct") + " threads=" + std::to_string(threads);
      PrintResult(keys, "lines", total, "lines");
      PrintResult(keys, "caller_rate", total / r.caller_seconds, "lines/s");
      PrintResult(keys, "written_rate", total / r.written_seconds, "lines/s");
      PrintResult(keys, "opens", static_cast<double>(r.opens), "count");
      PrintResult(keys, "peak", static_cast<double>(r.peak_kb), "KB");
      std::fflush(stdout);
    }
  }
  brindle::FinalizeLoggerModule();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
