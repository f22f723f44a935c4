#include "replication/copy_thread.h"

#include "infra/program_log.h"

namespace brindle {

namespace {

// With copying off, a period of 0 would turn the wait into a busy loop; a wake-up still ends
// the longer wait at once.
constexpr std::uint32_t kIdleWaitFloorMs = 100;

}  // namespace

std::uint32_t TCopyDBThread::PeriodMs(std::int32_t check_period) {
  return static_cast<std::uint32_t>(check_period) * 1000u;  // wraps like a 32-bit product
}

TCopyDBThread::TCopyDBThread(Pass pass, Period period)
    : pass_(std::move(pass)), period_(std::move(period)) {
  thread_ = std::thread([this] { Execute(); });
}

TCopyDBThread::~TCopyDBThread() {
  terminated_ = true;
  wake_event_.Set();
  if (thread_.joinable()) thread_.join();
}

void TCopyDBThread::WakeUp() {
  if (running_) return;
  LogProgram("Команда \"Прервать ожидание\"");
  wake_event_.Set();
}

void TCopyDBThread::Execute() {
  LogProgram("Поток запущен");
  try {
    while (!terminated_) {
      std::uint32_t wait_ms = PeriodMs(period_());
      if (!CopyEnabled && wait_ms < kIdleWaitFloorMs) wait_ms = kIdleWaitFloorMs;
      ++beats_;
      waiting_ = true;
      const auto result = wake_event_.Wait(std::chrono::milliseconds(wait_ms));
      waiting_ = false;
      ++beats_;
      const bool run = result == AutoResetEvent::WaitResult::kSignaled ? !terminated_ && CopyEnabled
                                                                       : CopyEnabled.load();
      if (run) {
        running_ = true;
        pass_();
        running_ = false;
      }
    }
  } catch (...) {
    // The pass records its own errors; anything else still ends the thread with its log line.
  }
  LogProgram("Поток остановлен");
}

}  // namespace brindle
