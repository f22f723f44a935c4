// A machine-wide, named, recursive lock: the stand-in for a kernel mutex in the "Global\"
// namespace whose null access list lets every user open it.
//
// The lock is an flock() on a file named after the lock in a machine-wide directory
// (ZEMT_LOCK_DIR, default /run/lock/zemt, open to every user); when that directory cannot be
// used, a per-user directory under $XDG_RUNTIME_DIR stands for the session namespace. The
// kernel drops the lock of a process that dies, so a dead holder never blocks anyone.
//
// flock() alone does not make threads of one process wait for each other with recursion, so
// every lock file is opened once per process and paired with an in-process recursive mutex:
// the owning thread may lock again, other threads of the process wait like other processes.
// Objects may be used from any thread; Lock and Unlock pair up in the same thread.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace brindle {

class NamedMutex {
 public:
  // Opens (creating if need be) the lock of this name. Null when neither the machine-wide nor
  // the per-user directory can hold it; callers then work unlocked.
  static std::unique_ptr<NamedMutex> Open(std::string_view name);

  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;
  ~NamedMutex();

  // Waits without time limit. Recursive for the owning thread.
  void Lock();
  void Unlock();

  // The lock file, for diagnostics.
  const std::string& FilePath() const;

  struct Shared;

 private:
  explicit NamedMutex(std::shared_ptr<Shared> shared);
  std::shared_ptr<Shared> shared_;
};

// Holds a NamedMutex (which may be null) for one scope.
class NamedMutexGuard {
 public:
  explicit NamedMutexGuard(NamedMutex* mutex) : mutex_(mutex) {
    if (mutex_) mutex_->Lock();
  }
  ~NamedMutexGuard() {
    if (mutex_) mutex_->Unlock();
  }
  NamedMutexGuard(const NamedMutexGuard&) = delete;
  NamedMutexGuard& operator=(const NamedMutexGuard&) = delete;

 private:
  NamedMutex* mutex_;
};

}  // namespace brindle
