#include "infra/lazy_log_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <thread>

#include "tests/support/temp_dir.h"
#include "tests/unit/logger_module_fixture.h"

namespace brindle {
namespace {

using testing::ReadFile;

// Polls until the condition holds; false after ten seconds.
bool WaitUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::vector<std::string> Messages(const std::string& text) {
  static const std::regex stamp(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3} )");
  std::vector<std::string> messages;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      messages.push_back("unterminated: " + text.substr(pos));
      break;
    }
    messages.push_back(std::regex_replace(text.substr(pos, end - pos), stamp, ""));
    pos = end + 2;
  }
  return messages;
}

class LazyLogWriterTest : public testing::LoggerModuleTest {
 protected:
  // Holds the log's named lock, so that the writer stops at its next block.
  std::unique_ptr<NamedMutex> LogLock(const TMirtLogger& logger) {
    return NamedMutex::Open(TMirtLogger::MutexName(logger.FileName()));
  }

  std::string log = dir / "lazy.log";
};

TEST_F(LazyLogWriterTest, ThousandQueuedLinesReachTheFileInOneOpen) {
  TMirtLogger logger(log);
  logger.Lazy = true;
  auto lock = LogLock(logger);
  lock->Lock();
  logger.Write("первая");
  const auto writer = LazyWriter();
  ASSERT_NE(writer, nullptr);
  // The writer has taken the first line and waits for the lock with it.
  ASSERT_TRUE(WaitUntil([&] { return writer->QueuedCount() == 0; }));
  for (int i = 0; i < 1000; ++i) logger.Write("строка " + std::to_string(i));
  EXPECT_EQ(writer->QueuedCount(), 1000u);
  EXPECT_EQ(logger.PendingCount(), 1001);
  EXPECT_EQ(logger.OpenCount(), 0u);
  lock->Unlock();

  ASSERT_TRUE(WaitUntil([&] { return logger.PendingCount() == 0; }));
  EXPECT_EQ(logger.OpenCount(), 2u) << "one open for the first line, one for the thousand";
  const auto messages = Messages(ReadFile(log));
  ASSERT_EQ(messages.size(), 1001u);
  EXPECT_EQ(messages[0], "первая");
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(messages[static_cast<std::size_t>(i) + 1], "строка " + std::to_string(i));
  }
}

TEST_F(LazyLogWriterTest, DestroyedLoggerReturnsOnlyAfterItsQueuedLinesAreWritten) {
  auto logger = std::make_unique<TMirtLogger>(log);
  logger->Lazy = true;
  auto lock = LogLock(*logger);
  lock->Lock();
  for (int i = 0; i < 100; ++i) logger->Write("строка " + std::to_string(i));
  std::atomic<bool> destroyed{false};
  std::thread destroyer([&] {
    logger.reset();
    destroyed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(destroyed) << "the destructor returned while its lines could not be written";
  lock->Unlock();
  destroyer.join();
  EXPECT_EQ(Messages(ReadFile(log)).size(), 100u);
}

TEST_F(LazyLogWriterTest, LinesKeepTheirQueueTimeAndOnlyTheLoggersLevelsAreWritten) {
  TMirtLogger logger(log);
  logger.Lazy = true;
  logger.Levels = AllLogLevels & ~LogLevelBit(LogPlain) & ~LogLevelBit(LogDebug);
  const TDateTime time = EncodeDateTime({2026, 12, 7, 20, 24, 4, 123});
  logger.Write("внимание", LogWarning, time);
  logger.Write("отладка", LogDebug, time);
  logger.Write("обычная", LogPlain, time);
  logger.Write("уровень 8", 8, time);
  logger.Write("событие", LogEvent, time);
  ASSERT_TRUE(WaitUntil([&] { return logger.PendingCount() == 0; }));
  EXPECT_EQ(ReadFile(log),
            "07.12.2026 20:24:04.123 [вним] внимание\r\n"
            "07.12.2026 20:24:04.123 [соб.] событие\r\n");
}

TEST_F(LazyLogWriterTest, ThreadsOfOneLoggerKeepTheirOrder) {
  TMirtLogger logger(log);
  logger.Lazy = true;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2500; ++i) {
        logger.Write(std::to_string(t) + " " + std::to_string(i));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  ASSERT_TRUE(WaitUntil([&] { return logger.PendingCount() == 0; }));
  std::map<int, int> next;
  const auto messages = Messages(ReadFile(log));
  for (const std::string& message : messages) {
    const int thread = std::stoi(message.substr(0, message.find(' ')));
    ASSERT_EQ(std::stoi(message.substr(message.find(' ') + 1)), next[thread]) << message;
    ++next[thread];
  }
  EXPECT_EQ(messages.size(), 10000u);
  EXPECT_LT(logger.OpenCount(), 10000u);
}

// Ends the module while lines are still queued; they must be in the file afterwards, and later
// writes go straight to the file.
void CheckModuleEnd(const std::string& log, bool in_library,
                    const std::function<std::unique_ptr<NamedMutex>(const TMirtLogger&)>& lock_of) {
  TMirtLogger logger(log);
  logger.Lazy = true;
  auto lock = lock_of(logger);
  lock->Lock();
  for (int i = 0; i < 500; ++i) logger.Write("строка " + std::to_string(i));
  std::thread finalizer([in_library] { FinalizeLoggerModule(in_library); });
  EXPECT_TRUE(WaitUntil([] { return LazyShutdown.load(); }));
  EXPECT_GT(logger.PendingCount(), 0);
  lock->Unlock();
  finalizer.join();

  EXPECT_EQ(LazyWriter(), nullptr);
  EXPECT_EQ(logger.PendingCount(), 0);
  EXPECT_EQ(Messages(ReadFile(log)).size(), 500u);
  logger.Write("после");
  const auto messages = Messages(ReadFile(log));
  ASSERT_EQ(messages.size(), 501u);
  EXPECT_EQ(messages.back(), "после");
  EXPECT_EQ(LazyWriter(), nullptr);
}

TEST_F(LazyLogWriterTest, ModuleEndInAProgramWritesWhatIsQueued) {
  CheckModuleEnd(log, false, [this](const TMirtLogger& logger) { return LogLock(logger); });
}

TEST_F(LazyLogWriterTest, ModuleEndInALibraryWritesWhatIsQueued) {
  CheckModuleEnd(log, true, [this](const TMirtLogger& logger) { return LogLock(logger); });
}

TEST_F(LazyLogWriterTest, NoLineIsLostWhileTheWriterStops) {
  TMirtLogger logger(log);
  logger.Lazy = true;
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&, t] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < 2000; ++i) logger.Write(std::to_string(t) + " " + std::to_string(i));
    });
  }
  logger.Write("старт");
  go = true;
  FinalizeLoggerModule();
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(logger.PendingCount(), 0);
  EXPECT_EQ(Messages(ReadFile(log)).size(), 6001u);
}

}  // namespace
}  // namespace brindle
