#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/error.h"

namespace brindle {

struct NamedMutex::Shared {
  std::string path;
  int fd = -1;
  std::recursive_mutex threads;
  int depth = 0;  // guarded by threads

  ~Shared() {
    if (fd >= 0) ::close(fd);
  }
};

namespace {

constexpr std::size_t kMaxFileNameBytes = 200;

// Keeps a lock name usable as one file name: no "/" or NUL, and a long name cut and completed
// with a hash of the whole so that different names stay different.
std::string LockFileName(std::string_view name) {
  std::string file(name);
  for (char& c : file) {
    if (c == '/' || c == '\0') c = '_';
  }
  if (file.empty()) file = "_";
  if (file.size() > kMaxFileNameBytes) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "~%016llx", static_cast<unsigned long long>(hash));
    file = file.substr(0, kMaxFileNameBytes - 17) + suffix;
  }
  return file;
}

// A directory every user may create lock files in; false when it cannot be made.
bool EnsureDirectory(const std::string& dir, mode_t mode) {
  if (::mkdir(dir.c_str(), mode) == 0) {
    ::chmod(dir.c_str(), mode);  // the umask may have taken bits away
    return true;
  }
  struct stat st {};
  return errno == EEXIST && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         ::access(dir.c_str(), W_OK | X_OK) == 0;
}

std::string GlobalLockDirectory() {
  const char* dir = std::getenv("ZEMT_LOCK_DIR");
  return dir && *dir ? dir : "/run/lock/zemt";
}

std::string SessionLockDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime && *runtime ? std::string(runtime) + "/zemt-locks" : std::string();
}

int OpenLockFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd >= 0) ::fchmod(fd, 0666);  // let every user open it; fails harmlessly if not ours
  return fd;
}

// One open lock file per path and process: flock() locks belong to the open file.
std::shared_ptr<NamedMutex::Shared> SharedLock(const std::string& path) {
  static std::mutex registry_lock;
  static std::map<std::string, std::weak_ptr<NamedMutex::Shared>> registry;
  std::lock_guard guard(registry_lock);
  if (auto existing = registry[path].lock()) return existing;
  const int fd = OpenLockFile(path);
  if (fd < 0) return nullptr;
  auto shared = std::make_shared<NamedMutex::Shared>();
  shared->path = path;
  shared->fd = fd;
  registry[path] = shared;
  return shared;
}

}  // namespace

std::unique_ptr<NamedMutex> NamedMutex::Open(std::string_view name) {
  const std::string file = LockFileName(name);
  const std::pair<std::string, mode_t> places[] = {{GlobalLockDirectory(), 01777},
                                                   {SessionLockDirectory(), 0700}};
  for (const auto& [dir, mode] : places) {
    if (dir.empty() || !EnsureDirectory(dir, mode)) continue;
    if (auto shared = SharedLock(dir + "/" + file)) {
      return std::unique_ptr<NamedMutex>(new NamedMutex(std::move(shared)));
    }
  }
  return nullptr;
}

NamedMutex::NamedMutex(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

NamedMutex::~NamedMutex() = default;

void NamedMutex::Lock() {
  shared_->threads.lock();
  if (shared_->depth++ > 0) return;
  while (::flock(shared_->fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    const int error = errno;
    --shared_->depth;
    shared_->threads.unlock();
    throw EOSError("Ошибка блокировки " + shared_->path + ": " + SystemErrorText(error));
  }
}

void NamedMutex::Unlock() {
  if (--shared_->depth == 0) ::flock(shared_->fd, LOCK_UN);
  shared_->threads.unlock();
}

const std::string& NamedMutex::FilePath() const { return shared_->path; }

}  // namespace brindle
