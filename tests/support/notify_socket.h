// A service manager's notification socket for tests: a Unix datagram socket bound to a path,
// which a program started with NOTIFY_SOCKET set to that path sends its sd_notify messages to.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace brindle::testing {

class NotifySocket {
 public:
  // Binds the socket; the path must not exist and is removed again with the object.
  explicit NotifySocket(std::string path);
  ~NotifySocket();
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;

  const std::string& Path() const { return path_; }
  // The next message (its assignments, one a line), or nullopt when none came in time.
  std::optional<std::string> Receive(std::chrono::milliseconds timeout);

 private:
  std::string path_;
  int fd_ = -1;
};

// Sets an environment variable for the life of the object (unsets it with a null value), then
// puts back what was there.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace brindle::testing
