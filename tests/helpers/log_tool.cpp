// Writes or locks a log file from a separate process for the cross-process logger tests:
//   log_tool write FILE TAG THREADS COUNT GO   say "ready", wait until the file GO exists, then
//                                              write COUNT lines from each of THREADS threads
//                                              through one logger that keeps all archives
//   log_tool lock FILE [MS]                    lock the file as another program would, say
//                                              "locked", hold it MS ms (or until killed),
//                                              then say "released"
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "infra/logger.h"

namespace {

// The line a writer sends; the test rebuilds it from the tag, thread and number.
std::string Message(const std::string& tag, int thread, int number) {
  std::string payload;
  for (int i = 0; i < number % 37; ++i) payload += "ж";
  return tag + " " + std::to_string(thread) + " " + std::to_string(number) + " " + payload + "|";
}

int WriteLines(const std::string& file, const std::string& tag, int threads, int count,
               const std::string& go) {
  brindle::TMirtLogger logger(file);
  logger.KeepArchives = 0;
  std::printf("ready\n");
  std::fflush(stdout);
  while (::access(go.c_str(), F_OK) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::vector<std::thread> writers;
  for (int t = 0; t < threads; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < count; ++i) logger.Write(Message(tag, t, i));
    });
  }
  for (auto& writer : writers) writer.join();
  return 0;
}

int Lock(const std::string& file, int hold_ms) {
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0 || ::flock(fd, LOCK_EX) != 0) {
    std::perror(file.c_str());
    return 1;
  }
  std::printf("locked\n");
  std::fflush(stdout);
  if (hold_ms < 0) {
    for (;;) ::pause();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(hold_ms));
  ::close(fd);
  std::printf("released\n");
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  if (mode == "write" && argc == 7) {
    return WriteLines(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]), argv[6]);
  }
  if (mode == "lock" && (argc == 3 || argc == 4)) {
    return Lock(argv[2], argc == 4 ? std::atoi(argv[3]) : -1);
  }
  std::fprintf(stderr, "usage: log_tool write FILE TAG THREADS COUNT GO | lock FILE [MS]\n");
  return 2;
}
