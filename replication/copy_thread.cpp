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

TCopyDBThread::TCopyDBThread(Pass pass, Period period, Between between)
    : pass_(std::move(pass)), period_(std::move(period)), between_(std::move(between)) {
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
  woken_ = true;
  wake_event_.Set();
}

void TCopyDBThread::Nudge() {
  wake_event_.Set();
}

void TCopyDBThread::Execute() {
  LogProgram("Поток запущен");
  try {
    using Clock = std::chrono::steady_clock;
    auto due = Clock::now() + std::chrono::milliseconds(PeriodMs(period_()));
    bool more = false;  // the work between passes goes on
    while (!terminated_) {
      const auto now = Clock::now();
      auto wait = more || due <= now ? Clock::duration::zero() : due - now;
      if (!more && !CopyEnabled && wait < std::chrono::milliseconds(kIdleWaitFloorMs)) {
        wait = std::chrono::milliseconds(kIdleWaitFloorMs);
      }
      ++beats_;
      waiting_ = true;
      // Rounded up: a wake just before a pass is due would do a piece of the work first.
      wake_event_.Wait(std::chrono::ceil<std::chrono::milliseconds>(wait));
      waiting_ = false;
      ++beats_;
      if (terminated_) break;
      if (woken_.exchange(false) || Clock::now() >= due) {
        if (CopyEnabled) {
          running_ = true;
          pass_();
          running_ = false;
        }
        due = Clock::now() + std::chrono::milliseconds(PeriodMs(period_()));
      }
      // Only while copying is on: its start checks vouch for the databases the work writes to.
      more = between_ && !terminated_ && CopyEnabled && between_();
    }
  } catch (...) {
    // The pass records its own errors; anything else still ends the thread with its log line.
  }
  LogProgram("Поток остановлен");
}

}  // namespace brindle
