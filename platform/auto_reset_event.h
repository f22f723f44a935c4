// An unnamed auto-reset event: Set wakes one wait, and a wait that returns signalled consumes
// the signal. A signal given while nobody waits stays until the next wait takes it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace brindle {

class AutoResetEvent {
 public:
  enum class WaitResult { kSignaled, kTimeout };

  void Set() {
    {
      std::lock_guard guard(lock_);
      signaled_ = true;
    }
    changed_.notify_one();
  }

  WaitResult Wait(std::chrono::milliseconds timeout) {
    std::unique_lock guard(lock_);
    if (!changed_.wait_for(guard, timeout, [this] { return signaled_; })) {
      return WaitResult::kTimeout;
    }
    signaled_ = false;
    return WaitResult::kSignaled;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool signaled_ = false;
};

}  // namespace brindle
