// The messages brindle-sync sends to systemd, received on a real notification socket, and the
// status line made from a pass's result.
#include "app/service_notify.h"

#include <gtest/gtest.h>

#include "tests/support/notify_socket.h"
#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

using namespace std::chrono_literals;
using testing::NotifySocket;
using testing::ScopedEnv;

class ServiceNotifierTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  NotifySocket socket{dir / "notify"};
  ScopedEnv notify{"NOTIFY_SOCKET", socket.Path().c_str()};
  ScopedEnv watchdog_pid{"WATCHDOG_PID", nullptr};
};

TEST_F(ServiceNotifierTest, SendsEachMessageWithItsStatusOnOneLine) {
  ScopedEnv watchdog{"WATCHDOG_USEC", nullptr};
  TServiceNotifier service;
  EXPECT_EQ(service.WatchdogInterval(), std::nullopt);
  service.Ready("Копирование включено");
  EXPECT_EQ(socket.Receive(5s), "READY=1\nSTATUS=Копирование включено");
  // A line break would start an assignment of its own.
  service.Status("ошибка\r\nWATCHDOG=1");
  EXPECT_EQ(socket.Receive(5s), "STATUS=ошибка  WATCHDOG=1");
  service.FeedWatchdog();
  EXPECT_EQ(socket.Receive(5s), "WATCHDOG=1");
  service.Stopping("Получен сигнал");
  EXPECT_EQ(socket.Receive(5s), "STOPPING=1\nSTATUS=Получен сигнал");
}

TEST_F(ServiceNotifierTest, TakesTheWatchdogIntervalSystemdGives) {
  ScopedEnv watchdog{"WATCHDOG_USEC", "2500000"};
  EXPECT_EQ(TServiceNotifier().WatchdogInterval(), std::chrono::microseconds(2'500'000));
}

// Run from a terminal there is nowhere to send to, which is no failure to report.
TEST(ServiceNotifier, WithoutASocketSaysNothing) {
  ScopedEnv notify{"NOTIFY_SOCKET", nullptr};
  ScopedEnv watchdog{"WATCHDOG_USEC", nullptr};
  TServiceNotifier service;
  ::testing::internal::CaptureStderr();
  service.Ready("Копирование включено");
  service.FeedWatchdog();
  service.Stopping("Получен сигнал");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// A socket that went away is said once, and the program goes on.
TEST(ServiceNotifier, AFailedSendIsSaidOnce) {
  testing::TempDir dir;
  ScopedEnv notify{"NOTIFY_SOCKET", (dir / "gone").c_str()};
  TServiceNotifier service;
  ::testing::internal::CaptureStderr();
  service.Ready("Копирование включено");
  service.FeedWatchdog();
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("сообщение systemd (NOTIFY_SOCKET) не отправлено"), std::string::npos)
      << said;
  EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
}

TPassResult Pass(TPassStatus status) {
  TPassResult result;
  result.Status = status;
  result.Finished = EncodeDateTime({2026, 3, 14, 9, 5, 7, 250});
  return result;
}

TEST(PassStatusText, ACompletedPassSaysWhatItCopied) {
  TPassResult result = Pass(TPassStatus::kCompleted);
  result.Tables.resize(37);
  result.Tables[0].Inserted = 3;
  result.Tables[5].Updated = 2;
  result.Tables[5].Unchanged = 9;
  EXPECT_EQ(PassStatusText(result),
            "Копирование завершено 2026-03-14 09:05:07: таблиц с изменениями 2 из 37, записей 5");
}

TEST(PassStatusText, AFailedPassGivesItsErrorOnOneLine) {
  TPassResult result = Pass(TPassStatus::kFailed);
  result.FailedPasses = 2;
  result.Error = TPassError{};
  result.Error->Text = "Репликация таблицы \"OFFICE\"\r\nlock conflict";
  EXPECT_EQ(PassStatusText(result),
            "Копирование не удалось 2026-03-14 09:05:07 (неудачных подряд: 2): Репликация "
            "таблицы \"OFFICE\"  lock conflict");
  result.TableErrors.resize(3);
  EXPECT_EQ(PassStatusText(result),
            "Копирование не удалось 2026-03-14 09:05:07 (неудачных подряд: 2; таблиц с ошибками: "
            "3): Репликация таблицы \"OFFICE\"  lock conflict");
}

TEST(PassStatusText, ASkippedPassNamesTheHolder) {
  TPassResult result = Pass(TPassStatus::kSkipped);
  result.LockHolder = "host-2, brindle";
  EXPECT_EQ(PassStatusText(result),
            "Копирование пропущено: копию БД сейчас заполняет другая программа (host-2, brindle) "
            "(2026-03-14 09:05:07)");
}

}  // namespace
}  // namespace brindle
