// Child processes for cross-process tests.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
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

// A program run with its standard output and errors in files, for programs that write more than
// a pipe holds or that a test reads only at the end.
class RecordedProcess {
 public:
  // Starts the program; its output goes to <prefix>.out and <prefix>.err.
  RecordedProcess(const std::vector<std::string>& argv, const std::string& prefix);
  // Kills the child if it still runs.
  ~RecordedProcess();
  RecordedProcess(const RecordedProcess&) = delete;
  RecordedProcess& operator=(const RecordedProcess&) = delete;

  // Waits for the end; the exit status, or 128 + signal.
  int Wait();
  // The same, but kills the child with SIGKILL when it has not ended within the time; nullopt
  // then.
  std::optional<int> WaitOrKill(std::chrono::milliseconds timeout);
  void Kill(int signal) const;
  pid_t Pid() const { return pid_; }
  std::string Out() const;
  std::string Err() const;

 private:
  std::string out_path_, err_path_;
  pid_t pid_ = -1;
  int status_ = -1;
};

}  // namespace brindle::testing
