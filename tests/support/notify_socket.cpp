#include "tests/support/notify_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace brindle::testing {

NotifySocket::NotifySocket(std::string path) : path_(std::move(path)) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path_.size() >= sizeof address.sun_path) {
    throw std::runtime_error("notification socket path too long: " + path_);
  }
  std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
  fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    ::close(fd_);
    throw std::runtime_error("bind " + path_ + ": " + std::strerror(error));
  }
}

NotifySocket::~NotifySocket() {
  ::close(fd_);
  ::unlink(path_.c_str());
}

std::optional<std::string> NotifySocket::Receive(std::chrono::milliseconds timeout) {
  pollfd entry{fd_, POLLIN, 0};
  const int ready = ::poll(&entry, 1, static_cast<int>(timeout.count()));
  if (ready < 0 && errno != EINTR)
    throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
  if (ready <= 0) return std::nullopt;
  char buffer[65536];
  const ssize_t size = ::recv(fd_, buffer, sizeof buffer, 0);
  if (size < 0) throw std::runtime_error(std::string("recv: ") + std::strerror(errno));
  return std::string(buffer, static_cast<std::size_t>(size));
}

ScopedEnv::ScopedEnv(std::string name, const char* value) : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) old_ = old;
  if (value) {
    ::setenv(name_.c_str(), value, 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

ScopedEnv::~ScopedEnv() {
  if (old_) {
    ::setenv(name_.c_str(), old_->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

}  // namespace brindle::testing
