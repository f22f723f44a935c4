// The copy thread's timing runs with a pass of the test's own, since only such a pass can be
// held at a chosen point while the thread is observed; the real pass is tested elsewhere.
#include "replication/copy_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>
#include <vector>

#include "infra/program_log.h"
#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Records each pass and can hold a pass until released.
class RecordingPass {
 public:
  TCopyDBThread::Pass Body() {
    return [this] {
      std::unique_lock guard(lock_);
      starts_.push_back(Clock::now());
      changed_.notify_all();
      changed_.wait_for(guard, hold_, [this] { return released_; });
      ends_.push_back(Clock::now());
      changed_.notify_all();
    };
  }
  void Hold(std::chrono::milliseconds hold) {
    std::lock_guard guard(lock_);
    hold_ = hold;
    released_ = false;
  }
  void Release() {
    std::lock_guard guard(lock_);
    released_ = true;
    changed_.notify_all();
  }
  bool WaitForStarts(std::size_t count, std::chrono::milliseconds timeout = 5s) {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, timeout, [&] { return starts_.size() >= count; });
  }
  bool WaitForEnds(std::size_t count, std::chrono::milliseconds timeout = 5s) {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, timeout, [&] { return ends_.size() >= count; });
  }
  std::size_t Starts() {
    std::lock_guard guard(lock_);
    return starts_.size();
  }
  std::size_t Ends() {
    std::lock_guard guard(lock_);
    return ends_.size();
  }
  std::vector<Clock::time_point> StartTimes() {
    std::lock_guard guard(lock_);
    return starts_;
  }
  std::vector<Clock::time_point> EndTimes() {
    std::lock_guard guard(lock_);
    return ends_;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Clock::time_point> starts_, ends_;
  std::chrono::milliseconds hold_{0};
  bool released_ = true;
};

class CopyThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProgramLog(std::make_unique<TMirtLogger>(dir / "program.log")); }
  void TearDown() override { SetProgramLog(nullptr); }
  // The thread's period is the test's, read anew before every wait.
  TCopyDBThread::Period Period() {
    return [this] { return period.load(); };
  }
  // The messages of the log, without their time stamps.
  std::vector<std::string> LogMessages() {
    std::vector<std::string> messages;
    const std::string text = testing::ReadFile(dir / "program.log");
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      const std::string line = text.substr(start, end - start);
      messages.push_back(line.substr(line.find(' ', line.find(' ') + 1) + 1));
    }
    return messages;
  }

  testing::TempDir dir;
  RecordingPass pass;
  std::atomic<std::int32_t> period{60};
};

TEST_F(CopyThreadTest, NextPassStartsAPeriodAfterThePreviousEnded) {
  period = 1;
  pass.Hold(400ms);
  TCopyDBThread thread(pass.Body(), Period());
  thread.CopyEnabled = true;
  thread.WakeUp();
  ASSERT_TRUE(pass.WaitForStarts(2, 5s));
  const auto starts = pass.StartTimes();
  const auto ends = pass.EndTimes();
  EXPECT_GE(starts[1] - ends[0], 1000ms);
  EXPECT_GE(starts[1] - starts[0], 1400ms);
}

TEST_F(CopyThreadTest, WakeUpDuringAPassStartsNoSecondPass) {
  period = 60;
  pass.Hold(10s);
  TCopyDBThread thread(pass.Body(), Period());
  thread.CopyEnabled = true;
  thread.WakeUp();
  ASSERT_TRUE(pass.WaitForStarts(1));
  thread.WakeUp();
  pass.Release();
  ASSERT_TRUE(pass.WaitForEnds(1));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(pass.Starts(), 1u);
}

TEST_F(CopyThreadTest, NoPassWhileCopyingIsOff) {
  period = 0;
  TCopyDBThread thread(pass.Body(), Period());
  thread.WakeUp();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(pass.Starts(), 0u);
}

TEST_F(CopyThreadTest, ZeroPeriodRunsPassesBackToBack) {
  period = 0;
  TCopyDBThread thread(pass.Body(), Period());
  thread.CopyEnabled = true;
  EXPECT_TRUE(pass.WaitForStarts(20, 2s));
}

TEST_F(CopyThreadTest, DestructionWhileWaitingRunsNoPass) {
  period = 60;
  {
    TCopyDBThread thread(pass.Body(), Period());
    thread.CopyEnabled = true;
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_EQ(pass.Starts(), 0u);
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Поток запущен", "Поток остановлен"}));
}

TEST_F(CopyThreadTest, DestructionDuringAPassWaitsForItsEnd) {
  period = 60;
  pass.Hold(500ms);
  {
    TCopyDBThread thread(pass.Body(), Period());
    thread.CopyEnabled = true;
    thread.WakeUp();
    ASSERT_TRUE(pass.WaitForStarts(1));
  }
  EXPECT_EQ(pass.Ends(), 1u);
  EXPECT_EQ(pass.Starts(), 1u);
  // The wake-up may be logged before or after the thread's first line; the last line is fixed.
  auto messages = LogMessages();
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages.back(), "Поток остановлен");
  std::sort(messages.begin(), messages.end() - 1);
  EXPECT_EQ(messages[0], "Команда \"Прервать ожидание\"");
  EXPECT_EQ(messages[1], "Поток запущен");
}

TEST_F(CopyThreadTest, ChangedPeriodAppliesFromTheNextWait) {
  period = 60;
  TCopyDBThread thread(pass.Body(), Period());
  thread.CopyEnabled = true;
  std::this_thread::sleep_for(100ms);
  period = 0;  // the wait in progress keeps its 60 s
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(pass.Starts(), 0u);
  thread.WakeUp();  // ends it; from then on the waits are of 0 s
  EXPECT_TRUE(pass.WaitForStarts(5, 2s));
}

// Work between passes that always has more runs piece after piece, and a due pass waits for one
// piece at most; a nudge starts the work without a pass.
TEST_F(CopyThreadTest, WorkBetweenPassesFillsTheWaitAndHoldsADuePassForOnePieceAtMost) {
  period = 1;
  std::atomic<int> pieces{0};
  TCopyDBThread thread(pass.Body(), Period(), [&] {
    std::this_thread::sleep_for(300ms);
    ++pieces;
    return true;
  });
  thread.Nudge();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(pieces.load(), 0);  // only while copying is on
  thread.CopyEnabled = true;
  thread.Nudge();
  std::this_thread::sleep_for(400ms);
  EXPECT_GE(pieces.load(), 1);
  EXPECT_EQ(pass.Starts(), 0u);  // a nudge is no wake-up, and no pass is due yet
  ASSERT_TRUE(pass.WaitForStarts(4, 8s));
  const auto starts = pass.StartTimes();
  const auto ends = pass.EndTimes();
  for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
    EXPECT_LE(starts[i + 1] - ends[i], 1000ms + 300ms + 150ms) << i;
  }
  EXPECT_GE(pieces.load(), 6);
}

TEST(CopyThreadPeriod, IsA32BitMillisecondCount) {
  EXPECT_EQ(TCopyDBThread::PeriodMs(60), 60000u);
  EXPECT_EQ(TCopyDBThread::PeriodMs(0), 0u);
  EXPECT_EQ(TCopyDBThread::PeriodMs(-1), 4294966296u);
}

}  // namespace
}  // namespace brindle
