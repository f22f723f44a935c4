#include "platform/named_mutex.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

class NamedMutexTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
};

TEST_F(NamedMutexTest, OwnerMayLockAgainAndOthersWaitForTheLastUnlock) {
  auto mutex = NamedMutex::Open("recursion test");
  ASSERT_NE(mutex, nullptr);
  mutex->Lock();
  mutex->Lock();  // the owning thread does not deadlock
  std::atomic<bool> entered{false};
  std::thread other([&] {
    auto same = NamedMutex::Open("recursion test");
    same->Lock();
    entered = true;
    same->Unlock();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  mutex->Unlock();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(entered) << "one unlock of two must keep the lock";
  mutex->Unlock();
  other.join();
  EXPECT_TRUE(entered);
}

TEST_F(NamedMutexTest, ThreadsOfOneProcessExcludeEachOther) {
  int counter = 0;  // unguarded except by the named lock
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      auto mutex = NamedMutex::Open("exclusion test");
      for (int i = 0; i < 2000; ++i) {
        NamedMutexGuard guard(mutex.get());
        const int seen = counter;
        std::this_thread::yield();
        counter = seen + 1;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 8000);
}

TEST_F(NamedMutexTest, LockFilesAreOpenToEveryUser) {
  auto mutex = NamedMutex::Open("shared by all users");
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(mutex->FilePath(), dir / "locks/shared by all users");
  struct stat st {};
  ASSERT_EQ(::stat(mutex->FilePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u);
  ASSERT_EQ(::stat((dir / "locks").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 01777u);
}

TEST_F(NamedMutexTest, LongNamesStayDistinct) {
  const std::string base(400, 'n');
  auto a = NamedMutex::Open(base + "a");
  auto b = NamedMutex::Open(base + "b");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a->FilePath(), b->FilePath());
  EXPECT_LE(std::filesystem::path(a->FilePath()).filename().string().size(), 200u);
  // Different names never wait for each other.
  a->Lock();
  b->Lock();
  b->Unlock();
  a->Unlock();
}

TEST_F(NamedMutexTest, FallsBackToThePerUserDirectoryThenToNone) {
  testing::WriteFile(dir / "not-a-dir", "");
  setenv("ZEMT_LOCK_DIR", (dir / "not-a-dir").c_str(), 1);
  std::filesystem::create_directory(dir / "runtime");
  setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
  auto session = NamedMutex::Open("fallback");
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(session->FilePath(), dir / "runtime/zemt-locks/fallback");

  setenv("XDG_RUNTIME_DIR", (dir / "not-a-dir").c_str(), 1);
  EXPECT_EQ(NamedMutex::Open("fallback 2"), nullptr);
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(NamedMutex::Open("fallback 3"), nullptr);
}

}  // namespace
}  // namespace brindle
