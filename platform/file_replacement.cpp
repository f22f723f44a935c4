#include "platform/file_replacement.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace brindle {

namespace {

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

}  // namespace

TFileReplacement ReplaceFileContent(const std::string& target, std::string_view bytes,
                                    const std::string& temp_prefix,
                                    const std::function<int(int fd)>& prepare) {
  const std::filesystem::path path(target);
  const std::filesystem::path folder =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::string temp = (folder / (temp_prefix + "XXXXXX")).string();
  TFileReplacement result;
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    result.Error = errno;
    return result;
  }
  result.TempCreated = true;
  int error = prepare ? prepare(fd) : 0;
  if (error == 0) error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(temp.c_str());
  result.Error = error;
  return result;
}

}  // namespace brindle
