// Child processes for cross-process tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace brindle::testing {

class ChildProcess {
 public:
  // Starts the program with the arguments; its standard output is readable through ReadLine.
  explicit ChildProcess(const std::vector<std::string>& argv);
  // Kills the child if it still runs.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of the child's output without its line feed; empty at the end.
  std::string ReadLine();
  // Waits for the end; the exit status, or 128 + signal.
  int Wait();
  void Kill(int signal);

 private:
  pid_t pid_ = -1;
  int out_fd_ = -1;
};

}  // namespace brindle::testing
