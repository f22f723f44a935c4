#include "tests/support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace brindle::testing {

namespace {

int ExitStatus(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const int error = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  out_fd_ = pipe_fds[0];
  if (error != 0) throw std::runtime_error("posix_spawn failed for " + argv[0]);
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    Wait();
  }
  if (out_fd_ >= 0) close(out_fd_);
}

std::string ChildProcess::ReadLine() {
  std::string line;
  char c;
  while (read(out_fd_, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

int ChildProcess::Wait() {
  int status = 0;
  if (pid_ <= 0) return -1;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  return ExitStatus(status);
}

void ChildProcess::Kill(int signal) {
  if (pid_ > 0) kill(pid_, signal);
}

RecordedProcess::RecordedProcess(const std::vector<std::string>& argv, const std::string& prefix)
    : out_path_(prefix + ".out"), err_path_(prefix + ".err") {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path_.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const int error = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("posix_spawn failed for " + argv[0]);
}

RecordedProcess::~RecordedProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    Wait();
  }
}

int RecordedProcess::Wait() {
  if (pid_ <= 0) return status_;
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  status_ = ExitStatus(status);
  return status_;
}

std::optional<int> RecordedProcess::WaitOrKill(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (pid_ > 0) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      status_ = ExitStatus(status);
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      Wait();
      return std::nullopt;
    }
    usleep(20'000);
  }
  return status_;
}

void RecordedProcess::Kill(int signal) const {
  if (pid_ > 0) kill(pid_, signal);
}

std::string RecordedProcess::Out() const {
  return ReadFile(out_path_);
}
std::string RecordedProcess::Err() const {
  return ReadFile(err_path_);
}

}  // namespace brindle::testing
