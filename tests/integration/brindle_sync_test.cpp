// The console program brindle-sync end to end: run as a child process on real office databases
// on the private server, with the suite root of the test (ZEMT_ROOT) holding libOstrel.so.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/sync_options.h"
#include "dbaccess/conf_calls.h"
#include "ibx/connection_string.h"
#include "platform/date_time.h"
#include "platform/suite_root.h"
#include "replication/copy_record.h"
#include "schema/replicated_tables.h"
#include "settings/copy_settings.h"
#include "tests/support/log_lines.h"
#include "tests/support/notify_socket.h"
#include "tests/support/office_databases.h"
#include "tests/support/own_server.h"
#include "tests/support/process.h"
#include "tests/support/prometheus_text.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_database.h"
#include "tests/support/test_fyrn.h"

namespace brindle {
namespace {

using namespace std::chrono_literals;
using testing::NotifySocket;
using testing::OfficeDatabasePair;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::TestDatabase;
using Clock = std::chrono::steady_clock;

// brindle-sync with its output and errors in files of the test's directory.
class SyncProcess : public testing::RecordedProcess {
 public:
  SyncProcess(const std::vector<std::string>& args, const std::string& dir,
              const std::string& program = BRINDLE_SYNC_PATH)
      : RecordedProcess(Command(program, args), dir + "sync") {}

 private:
  static std::vector<std::string> Command(const std::string& program,
                                          const std::vector<std::string>& args) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  }
};

struct RunResult {
  int status;
  std::string out;
  std::string err;
};

RunResult RunSync(const std::vector<std::string>& args, const std::string& dir,
                  const std::string& program = BRINDLE_SYNC_PATH) {
  SyncProcess process(args, dir, program);
  const int status = process.Wait();
  return {status, process.Out(), process.Err()};
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::unique_ptr<TfbIniFile> Conf(const std::string& conn_str) {
  return testing::OpenOfficeConf(conn_str);
}

void WriteParam(const std::string& conn_str, const std::string& key, const std::string& value) {
  WriteConfString(*Conf(conn_str), "PARAMS", key, value);
}

std::vector<std::string> LogMessages() {
  return testing::LogMessages(SuitePath("LogFiles/Brindle.log"));
}

int CountMessages(const std::string& message) {
  const std::vector<std::string> log = LogMessages();
  return static_cast<int>(std::count(log.begin(), log.end(), message));
}

// --status --json as a monitor reads it, with Qt's JSON reader.
struct StatusJson {
  int status;
  QJsonObject json;
  std::string err;

  QJsonArray Tables() const { return json["tables"].toArray(); }
  double MaxLag() const {
    double most = -1e300;
    for (const auto& table : Tables())
      most = std::max(most, table.toObject()["lag_seconds"].toDouble());
    return most;
  }
};

QJsonObject ParsedJson(const std::string& text) {
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n"
                                                   << text;
  EXPECT_TRUE(document.isObject()) << text;
  return document.object();
}

StatusJson RunStatusJson(std::vector<std::string> args, const std::string& dir) {
  args.push_back("--status");
  args.push_back("--json");
  const RunResult result = RunSync(args, dir);
  QJsonParseError error;
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray::fromStdString(result.out), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n"
                                                   << result.out << result.err;
  EXPECT_TRUE(document.isObject()) << result.out;
  return {result.status, document.object(), result.err};
}

bool IsIsoDateTime(const QJsonValue& value) {
  static const std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3})");
  return value.isString() && std::regex_match(value.toString().toStdString(), iso);
}

// A program on a pseudo-terminal, as an operator runs it: what the terminal got, until it ended.
RunResult RunOnTerminal(const std::vector<std::string>& args) {
  std::vector<std::string> argv{BRINDLE_SYNC_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  int terminal = -1;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) {
    execv(pointers[0], pointers.data());
    _exit(127);
  }
  EXPECT_GT(pid, 0) << "forkpty: " << std::strerror(errno);
  std::string screen;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(terminal, buffer, sizeof buffer);
    if (n > 0) {
      screen.append(buffer, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO once the program has ended
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(terminal);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), screen, ""};
}

// What brindle-sync told systemd: the assignments it sent to a notification socket of the
// test's own, in order, each with the time it came.
class Notices {
 public:
  struct Notice {
    std::string assignment;
    Clock::time_point at;
  };

  explicit Notices(NotifySocket& socket) : socket_(socket) {}

  // Receives until an assignment that came after the last one returned satisfies `wanted`, or the
  // time is up; that assignment.
  std::optional<std::string> WaitFor(const std::function<bool(const std::string&)>& wanted,
                                     std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
      for (; checked_ < all_.size(); ++checked_) {
        if (wanted(all_[checked_].assignment)) return all_[checked_++].assignment;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left <= 0ms || !ReceiveOne(left)) return std::nullopt;
    }
  }
  std::optional<std::string> WaitFor(const std::string& assignment,
                                     std::chrono::milliseconds timeout) {
    return WaitFor([&](const std::string& got) { return got == assignment; }, timeout);
  }
  // Receives until no WATCHDOG=1 came for `silence`, or the time is up; whether it was silent.
  bool WaitForWatchdogSilence(Clock::duration silence, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    Clock::time_point last = Clock::now();
    while (Clock::now() < deadline) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(last + silence - Clock::now());
      if (left <= 0ms) return true;
      if (!ReceiveOne(left)) continue;
      if (all_.back().assignment == "WATCHDOG=1") last = all_.back().at;
    }
    return false;
  }
  const std::vector<Notice>& All() const { return all_; }
  std::string Text() const {
    std::string text;
    for (const Notice& notice : all_) text += notice.assignment + "\n";
    return text;
  }

 private:
  bool ReceiveOne(std::chrono::milliseconds timeout) {
    const std::optional<std::string> message = socket_.Receive(timeout);
    if (!message) return false;
    const Clock::time_point at = Clock::now();
    std::size_t start = 0;
    while (start < message->size()) {
      std::size_t end = message->find('\n', start);
      if (end == std::string::npos) end = message->size();
      all_.push_back({message->substr(start, end - start), at});
      start = end + 1;
    }
    return true;
  }

  NotifySocket& socket_;
  std::vector<Notice> all_;
  std::size_t checked_ = 0;
};

bool StartsWith(const std::string& text, const std::string& start) {
  return text.rfind(start, 0) == 0;
}

class BrindleSyncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("BRINDLE_WORK_PASSWORD", TestDatabase::Password().c_str(), 1);
    setenv("BRINDLE_COPY_PASSWORD", TestDatabase::Password().c_str(), 1);
  }
  void TearDown() override {
    unsetenv("BRINDLE_WORK_PASSWORD");
    unsetenv("BRINDLE_COPY_PASSWORD");
  }

  // A working database that passes the checks: structure version 12.
  void MarkWorking() { WriteParam(dbs.WorkConnStr(), "OFFICE_DB_STRUCT_VERSION", "12"); }

  std::vector<std::string> Databases() const {
    return {"--work", dbs.WorkConnStr(), "--copy", dbs.CopyConnStr()};
  }
  template <class... More>
  std::vector<std::string> Args(More... more) const {
    std::vector<std::string> args = Databases();
    (args.push_back(more), ...);
    return args;
  }
  RunResult Once(std::vector<std::string> args) {
    args.push_back("--once");
    return RunSync(args, dbs.Dir().Path());
  }

  void ExpectCopyHoldsTheWorkingRows() {
    ibx::TIBDatabase work = dbs.ConnectWork();
    ibx::TIBDatabase copy = dbs.ConnectCopy();
    const auto difference = testing::CompareReplicatedTables(work, copy);
    EXPECT_GE(difference.rows_checked, static_cast<std::int64_t>(ReplicatedTables().size()));
    for (const std::string& text : difference.differences) ADD_FAILURE() << text;
  }

  OfficeDatabasePair dbs;
};

// Which line is wrong and what it is told: tests/unit/sync_options_test.cpp. Here how main ends.
TEST_F(BrindleSyncTest, HelpEndsWithZeroAndAUsageErrorWithTwoStartingNothing) {
  const RunResult help = RunSync({"--help"}, dbs.Dir().Path());
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, kUsage);
  const RunResult usage = RunSync({"--once", "--period", "soon"}, dbs.Dir().Path());
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.out, "");
  EXPECT_EQ(usage.err,
            "brindle-sync: --period: нужно целое число секунд больше нуля, а не \"soon\"\n"
            "Справка: brindle-sync --help\n");
  EXPECT_FALSE(std::filesystem::exists(SuitePath("LogFiles/Brindle.log")))
      << "a usage error starts nothing";
}

// A service manager must not take a refused start for success.
TEST_F(BrindleSyncTest, AMissingDatabaseLibraryEndsWithTwo) {
  const std::string alone = dbs.Dir() / "alone/";
  std::filesystem::create_directories(alone);
  std::filesystem::copy_file(BRINDLE_SYNC_PATH, alone + "brindle-sync");
  SyncProcess process({}, dbs.Dir().Path(), alone + "brindle-sync");
  EXPECT_EQ(process.Wait(), 2);
  EXPECT_TRUE(Contains(process.Err(), "В запуске приложения отказано!")) << process.Err();
}

// A mistyped ZEMT_ROOT was reported as a library that "was not loaded", and the folder was made.
TEST_F(BrindleSyncTest, AMissingSuiteRootIsNamedAndNothingIsCreated) {
  const std::string root = SuiteRoot();
  const std::string missing = dbs.Dir() / "no-such-root/";
  setenv("ZEMT_ROOT", missing.c_str(), 1);
  const RunResult result = RunSync({"--status"}, dbs.Dir().Path());
  setenv("ZEMT_ROOT", root.c_str(), 1);
  EXPECT_EQ(result.status, 2);
  EXPECT_TRUE(Contains(result.err, "Папка комплекса \"" + missing + "\" не найдена")) << result.err;
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(BrindleSyncTest, OnceCopiesEveryTableAndPrintsALinePerTable) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 3);
  }
  const RunResult result = Once(Args("--period", "3600"));
  ASSERT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "");
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    EXPECT_TRUE(Contains(result.out, std::string(entry.table) + ": скопировано записей: "))
        << entry.table << "\n"
        << result.out;
  }
  EXPECT_TRUE(Contains(result.out, ": таблиц с изменениями 37 из 37")) << result.out;
  ExpectCopyHoldsTheWorkingRows();
  EXPECT_GT(ReadConfDateTime(*Conf(dbs.CopyConnStr()), "REPLICATION_INFO", "LAST_COPY_TIME", 0), 0);
  // The overrides were for this run only.
  EXPECT_FALSE(std::filesystem::exists(SuitePath("INI/Brindle.set")));

  const std::vector<std::string> log = LogMessages();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log.front(), "");
  EXPECT_EQ(log[1], "Программа запущена");
  EXPECT_EQ(log[log.size() - 2], "Поток остановлен");
  EXPECT_EQ(log.back(), "Выход из программы");

  // A second pass finds nothing new and says so.
  const RunResult again = Once(Databases());
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_TRUE(Contains(again.out, ": таблиц с изменениями 0 из 37")) << again.out;
}

// The JSON object of one table in the --check report, up to its seconds.
std::string TableCounts(const std::string& table, std::int64_t compared, std::int64_t missing,
                        std::int64_t different, std::int64_t orphans) {
  return "{\"table\":\"" + table + "\",\"compared\":" + std::to_string(compared) +
         ",\"missing\":" + std::to_string(missing) + ",\"different\":" + std::to_string(different) +
         ",\"orphans\":" + std::to_string(orphans) + ",";
}

// Every kind of drift planted in a copy is found, by kind and table, and nothing else; rows still
// in flight are left out; a repair with --delete-orphans leaves a copy that a second check and a
// row-by-row comparison find equal.
TEST_F(BrindleSyncTest, CheckFindsEveryKindOfDifferenceAndRepairMendsThem) {
  MarkWorking();
  constexpr std::int32_t kRows = 20;
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, kRows);
    testing::ExecuteCommitted(work, "UPDATE PC_LOGTRAN_BK SET POKUPATEL = NULL WHERE ID = 7");
  }
  ASSERT_EQ(Once(Databases()).status, 0);
  {
    ibx::TIBDatabase copy = dbs.ConnectCopy();
    auto exec = [&](const std::string& sql) { testing::ExecuteCommitted(copy, sql); };
    exec("DELETE FROM PC_LOGTRAN_BK WHERE ID IN (3, 4)");
    exec("UPDATE PC_LOGTRAN_BK SET AZSNAME = AZSNAME || ' ' WHERE ID = 5");
    std::string stamp = testing::QueryText(copy, "SELECT DATA FROM PC_LOGTRAN_BK WHERE ID = 6");
    ASSERT_EQ(stamp.back(), '0') << stamp;
    stamp.back() = '1';  // 0.1 ms later
    exec("UPDATE PC_LOGTRAN_BK SET DATA = '" + stamp + "' WHERE ID = 6");
    exec("UPDATE PC_LOGTRAN_BK SET POKUPATEL = '' WHERE ID = 7");
    exec("UPDATE PC_LOGTRAN_BK SET SUMMA = SUMMA + 0.0001 WHERE ID = 8");
    testing::InsertSampleRows(copy, "PC_LOGTRAN_BK", "ID", 500, 2);
    testing::InsertSampleRows(copy, "TERM_COUNTERS", "TERM_NUMBER", 900, 1);
    exec("UPDATE TERM_COUNTERS SET TERM_NUMBER = 'Жук' WHERE TERM_NUMBER = '900'");
  }
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    // Card 5 gains its first purse; its own row does not change. The purse is in flight.
    testing::InsertSampleRows(work, "PC_COSHEL", "ID", 1000, 1);
    testing::ExecuteCommitted(work, "UPDATE PC_COSHEL SET CARD_ID = 5 WHERE ID = 1000");
    // Changed after the pass: in flight, not a difference.
    testing::UpdateSampleRows(work, "PC_LOGTRAN_BK", "ID", 9, 1, 1);
  }

  RunResult check = RunSync(Args("--check", "--json"), dbs.Dir().Path());
  ASSERT_EQ(check.status, 1) << check.out << check.err;
  EXPECT_EQ(check.err, "");
  // A table is verified as of the check's time only when it was found equal.
  const auto verified_tables = [&] {
    std::set<std::string> verified;
    for (const QJsonValue& table : RunStatusJson(Databases(), dbs.Dir().Path()).Tables()) {
      if (IsIsoDateTime(table.toObject()["verified_as_of"])) {
        verified.insert(table.toObject()["table"].toString().toStdString());
      }
    }
    return verified;
  };
  std::set<std::string> verified = verified_tables();
  EXPECT_EQ(verified.size(), ReplicatedTables().size() - 3);
  for (const char* differing : {"PC_LOGTRAN_BK", "PC_CARD", "TERM_COUNTERS"}) {
    EXPECT_FALSE(verified.contains(differing)) << differing;
  }
  EXPECT_TRUE(Contains(check.out, TableCounts("PC_LOGTRAN_BK", kRows - 3, 2, 4, 2))) << check.out;
  EXPECT_TRUE(Contains(check.out, TableCounts("PC_CARD", 2, 1, 0, 0))) << check.out;
  EXPECT_TRUE(Contains(check.out, TableCounts("TERM_COUNTERS", kRows, 0, 0, 1))) << check.out;
  EXPECT_TRUE(Contains(check.out, "\"left_out\":1,\"work_rows\":21,\"copy_rows\":20"))
      << "the in-flight purse: " << check.out;
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    const std::string table(entry.table);
    if (table == "PC_LOGTRAN_BK" || table == "PC_CARD" || table == "TERM_COUNTERS") continue;
    EXPECT_TRUE(Contains(check.out, TableCounts(table, kRows, 0, 0, 0))) << table;
  }

  check = RunSync(Args("--check", "--tables", "pc_logtran_bk,PC_CARD"), dbs.Dir().Path());
  ASSERT_EQ(check.status, 1) << check.out << check.err;
  EXPECT_TRUE(Contains(check.out,
                       "PC_LOGTRAN_BK: сравнено 17, нет в копии 2, различаются 4, "
                       "лишних в копии 2; записей в рабочей БД 20, в копии 20, "
                       "не сравнивались 1;"))
      << check.out;
  EXPECT_TRUE(Contains(check.out, "  нет в копии: 3, 4\n")) << check.out;
  EXPECT_TRUE(Contains(check.out, "  различается запись 5: AZSNAME, MODIFYDATE\n")) << check.out;
  EXPECT_TRUE(Contains(check.out, "  различается запись 6: DATA, MODIFYDATE\n")) << check.out;
  EXPECT_TRUE(Contains(check.out, "  различается запись 7: POKUPATEL, MODIFYDATE\n")) << check.out;
  EXPECT_TRUE(Contains(check.out, "  различается запись 8: SUMMA, MODIFYDATE\n")) << check.out;
  EXPECT_TRUE(Contains(check.out, "  лишние в копии: 500, 501\n")) << check.out;
  EXPECT_TRUE(Contains(check.out, "PC_CARD: сравнено 2, нет в копии 1,")) << check.out;
  EXPECT_FALSE(Contains(check.out, "TERM_COUNTERS")) << check.out;
  EXPECT_TRUE(Contains(check.out,
                       "Проверка копии: таблиц 2, сравнено записей 19, нет в копии 3, "
                       "различаются 4, лишних в копии 2\n"))
      << check.out;

  // The next pass's marks: the rows in flight are now the copy's to hold.
  {
    const auto conf = Conf(dbs.CopyConnStr());
    const TDateTime mark = Now() + 1.0 / 86400;
    for (const ReplicatedTable& entry : ReplicatedTables()) {
      WriteMark(*conf, std::string(entry.table), mark);
    }
  }
  check = RunSync(Args("--check", "--repair", "--delete-orphans"), dbs.Dir().Path());
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  EXPECT_TRUE(Contains(check.out, "  исправлено: вставлено 2, изменено 5, удалено 2\n"))
      << check.out;
  EXPECT_TRUE(Contains(check.out, "лишних в копии 3, исправлено 12\n")) << check.out;
  EXPECT_EQ(verified_tables().size(), ReplicatedTables().size()) << "repaired to equal";

  check = RunSync(Args("--check"), dbs.Dir().Path());
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  EXPECT_TRUE(Contains(check.out, "нет в копии 0, различаются 0, лишних в копии 0\n")) << check.out;
  ExpectCopyHoldsTheWorkingRows();
}

TEST_F(BrindleSyncTest, ACheckThatCannotConnectEndsWithTwoAndNamesTheDatabase) {
  const RunResult check =
      RunSync(Args("--check", "--json", "--work-password", "not-the-password"), dbs.Dir().Path());
  EXPECT_EQ(check.status, 2) << check.out << check.err;
  const std::string error =
      "Проверка рабочей базы данных [" + dbs.WorkConnStr() + "] не пройдена. Проверьте пароль";
  EXPECT_TRUE(Contains(check.err, "Проверка копии не выполнена: " + error)) << check.err;
  const QJsonObject json = ParsedJson(check.out);
  EXPECT_EQ(json["exit_status"].toInt(), 2) << check.out;
  EXPECT_TRUE(Contains(json["error"].toString().toStdString(), error)) << check.out;
  // A command line the check cannot start with still gives a monitor its one object.
  const RunResult usage =
      RunSync(Args("--check", "--json", "--tables", "NO_SUCH"), dbs.Dir().Path());
  EXPECT_EQ(usage.status, 2);
  EXPECT_TRUE(Contains(ParsedJson(usage.out)["error"].toString().toStdString(), "NO_SUCH"))
      << usage.out;
}

std::string ConfRowsOf(ibx::TIBDatabase& db, const std::string& section) {
  return testing::QueryText(
      db, "SELECT COUNT(*) FROM CONFIGPARAMS WHERE SECTIONNAME = '" + section + "'");
}

// The copy is filled from W. A repair against another office's database, the same database
// twice or the two swapped writes nothing anywhere; orphans beyond the bound stay until allowed.
TEST_F(BrindleSyncTest, ARepairWritesOnlyIntoTheCopyOfItsOwnWorkingDatabase) {
  OfficeDatabasePair other;  // another office: the same rows but half the logs
  WriteParam(other.WorkConnStr(), "OFFICE_DB_STRUCT_VERSION", "12");
  {
    ibx::TIBDatabase work = other.ConnectWork();
    testing::FillReplicatedTables(work, 20);
    testing::ExecuteCommitted(work, "DELETE FROM PC_LOGTRAN_BK WHERE ID < 10");
  }
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 20);
  }
  ASSERT_EQ(Once(Databases()).status, 0);
  ASSERT_EQ(RunSync(Args("--check", "--tables", "PC_CARD"), dbs.Dir().Path()).status, 0);
  auto copy_rows = [&] {
    ibx::TIBDatabase copy = dbs.ConnectCopy();
    return testing::QueryText(copy, "SELECT COUNT(*) FROM PC_LOGTRAN_BK");
  };

  RunResult repair = RunSync({"--check", "--work", other.WorkConnStr(), "--copy", dbs.CopyConnStr(),
                              "--repair", "--delete-orphans", "--json"},
                             dbs.Dir().Path());
  EXPECT_EQ(repair.status, 2) << repair.out << repair.err;
  QJsonObject json = ParsedJson(repair.out);
  EXPECT_EQ(json["end"].toString(), "refused");
  const std::string error = json["error"].toString().toStdString();
  EXPECT_TRUE(Contains(error, "[" + dbs.WorkConnStr() + "]")) << error;
  EXPECT_TRUE(Contains(error, "[" + other.WorkConnStr() + "]")) << error;
  EXPECT_TRUE(Contains(error, "--office-moved")) << error;
  EXPECT_EQ(copy_rows(), "20");
  // Recorded as an attempt beside the last completed check, not in its place.
  const StatusJson status = RunStatusJson(Databases(), dbs.Dir().Path());
  EXPECT_EQ(status.json["last_check_attempt"].toObject()["end"].toString(), "refused");
  EXPECT_TRUE(IsIsoDateTime(status.json["last_check"].toObject()["finished"])) << status.err;

  for (const auto& [work, copy] : {std::pair{dbs.WorkConnStr(), dbs.WorkConnStr()},
                                   std::pair{dbs.CopyConnStr(), dbs.WorkConnStr()}}) {
    repair = RunSync(
        {"--check", "--work", work, "--copy", copy, "--repair", "--delete-orphans", "--json"},
        dbs.Dir().Path());
    EXPECT_EQ(repair.status, 2) << repair.out << repair.err;
    EXPECT_EQ(ParsedJson(repair.out)["end"].toString(), "refused") << repair.out;
    ibx::TIBDatabase working = dbs.ConnectWork();
    EXPECT_EQ(ConfRowsOf(working, "REPLICATION_INFO"), "0") << work << " " << copy;
  }

  // 150 orphans in a table of 170 rows: more than the bound of 100.
  {
    ibx::TIBDatabase copy = dbs.ConnectCopy();
    testing::InsertSampleRows(copy, "PC_LOGTRAN_BK", "ID", 500, 150);
  }
  repair = RunSync(Args("--check", "--repair", "--delete-orphans", "--tables", "PC_LOGTRAN_BK"),
                   dbs.Dir().Path());
  EXPECT_EQ(repair.status, 1) << repair.out << repair.err;
  EXPECT_TRUE(Contains(repair.out, "лишние записи не удалены: их 150")) << repair.out;
  EXPECT_TRUE(Contains(repair.out, "--no-orphan-limit")) << repair.out;
  EXPECT_EQ(copy_rows(), "170");
  repair = RunSync(Args("--check", "--repair", "--delete-orphans", "--no-orphan-limit", "--tables",
                        "PC_LOGTRAN_BK"),
                   dbs.Dir().Path());
  EXPECT_EQ(repair.status, 0) << repair.out << repair.err;
  EXPECT_EQ(copy_rows(), "20");

  // The office moved: told so, the repair takes the other database, and from then on without
  // being told.
  repair = RunSync({"--check", "--work", other.WorkConnStr(), "--copy", dbs.CopyConnStr(),
                    "--repair", "--delete-orphans", "--office-moved", "--tables", "PC_LOGTRAN_BK"},
                   dbs.Dir().Path());
  EXPECT_EQ(repair.status, 0) << repair.out << repair.err;
  EXPECT_EQ(copy_rows(), "10");
  repair = RunSync({"--check", "--work", other.WorkConnStr(), "--copy", dbs.CopyConnStr(),
                    "--repair", "--tables", "PC_LOGTRAN_BK"},
                   dbs.Dir().Path());
  EXPECT_EQ(repair.status, 0) << repair.out << repair.err;
}

// Rows whose MODIFYDATE the copy's trigger would stamp: NULL in the working database (inserted
// or updated), and equal on both sides while another column differs.
TEST_F(BrindleSyncTest, OneRepairMakesEveryRowEqualModifyDateIncluded) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::InsertSampleRows(work, "PC_LOGTRAN_BK", "ID", 1, 10);
    testing::ExecuteCommitted(work,
                              "UPDATE PC_LOGTRAN_BK SET MODIFYDATE = NULL WHERE ID IN (3, 4)");
  }
  ASSERT_EQ(Once(Databases()).status, 0);
  {
    ibx::TIBDatabase copy = dbs.ConnectCopy();
    auto exec = [&](const std::string& sql) { testing::ExecuteCommitted(copy, sql); };
    exec("DELETE FROM PC_LOGTRAN_BK WHERE ID = 3");
    const std::string stamp =
        testing::QueryText(copy, "SELECT MODIFYDATE FROM PC_LOGTRAN_BK WHERE ID = 5");
    exec("UPDATE PC_LOGTRAN_BK SET AZSNAME = 'changed', MODIFYDATE = '1900-01-01' WHERE ID = 5");
    exec("UPDATE PC_LOGTRAN_BK SET MODIFYDATE = '" + stamp + "' WHERE ID = 5");
  }
  RunResult check = RunSync(Args("--check", "--tables", "PC_LOGTRAN_BK"), dbs.Dir().Path());
  ASSERT_EQ(check.status, 1) << check.out << check.err;
  EXPECT_TRUE(Contains(check.out, "  различается запись 4: MODIFYDATE\n")) << check.out;
  EXPECT_TRUE(Contains(check.out, "  различается запись 5: AZSNAME\n")) << check.out;

  check = RunSync(Args("--check", "--repair", "--tables", "PC_LOGTRAN_BK"), dbs.Dir().Path());
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  check = RunSync(Args("--check", "--tables", "PC_LOGTRAN_BK"), dbs.Dir().Path());
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  ibx::TIBDatabase work = dbs.ConnectWork();
  ibx::TIBDatabase copy = dbs.ConnectCopy();
  const auto logs =
      std::find_if(ReplicatedTables().begin(), ReplicatedTables().end(),
                   [](const ReplicatedTable& entry) { return entry.table == "PC_LOGTRAN_BK"; });
  const auto difference = testing::CompareTable(work, copy, *logs);
  EXPECT_EQ(difference.rows_checked, 10);
  for (const std::string& text : difference.differences) ADD_FAILURE() << text;
  // The trigger still stamps everyone else's writes.
  testing::ExecuteCommitted(copy, "UPDATE PC_LOGTRAN_BK SET AZSNAME = 'x' WHERE ID = 4");
  EXPECT_NE(testing::QueryText(copy, "SELECT MODIFYDATE FROM PC_LOGTRAN_BK WHERE ID = 4"), "");
}

// A paced repair takes the lock range by range, so passes go on meanwhile; SIGINT ends it
// within a second or two with what it repaired committed, recorded as an interrupted attempt.
TEST_F(BrindleSyncTest, SigintEndsAPacedRepairBetweenRangesAndPassesRunMeanwhile) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::InsertSampleRows(work, "PC_LOGTRAN_BK", "ID", 1, 4000);
    // Older than any pass's overlap: no pass writes them again.
    testing::ExecuteCommitted(
        work, "UPDATE PC_LOGTRAN_BK SET MODIFYDATE = DATEADD(ID SECOND TO TIMESTAMP '2020-01-01')");
  }
  ASSERT_EQ(Once(Databases()).status, 0);
  ASSERT_EQ(RunSync(Args("--check", "--tables", "PC_LOGTRAN_BK"), dbs.Dir().Path()).status, 0);
  ibx::TIBDatabase copy = dbs.ConnectCopy();
  testing::ExecuteCommitted(copy, "UPDATE PC_LOGTRAN_BK SET AZSNAME = 'changed'");
  auto repaired = [&] {
    return std::stoi(
        testing::QueryText(copy, "SELECT COUNT(*) FROM PC_LOGTRAN_BK WHERE AZSNAME <> 'changed'"));
  };
  SyncProcess repair(
      Args("--check", "--repair", "--tables", "PC_LOGTRAN_BK", "--max-rows-per-second", "500"),
      dbs.Dir().Path());
  const auto deadline = Clock::now() + 30s;
  while (repaired() == 0) {
    ASSERT_LT(Clock::now(), deadline) << repair.Err();
    std::this_thread::sleep_for(50ms);
  }
  // The lock is taken only while a range is written: a pass a moment later is not skipped.
  bool passed = false;
  for (int attempt = 0; attempt < 3 && !passed; ++attempt) {
    const RunResult once = Once(Databases());
    ASSERT_EQ(once.status, 0) << once.out << once.err;
    passed = Contains(once.out, "Копирование завершено");
  }
  EXPECT_TRUE(passed);
  const auto signalled = Clock::now();
  repair.Kill(SIGINT);
  const std::optional<int> status = repair.WaitOrKill(10s);
  EXPECT_LT(Clock::now() - signalled, 2500ms);
  EXPECT_EQ(status, std::optional<int>(130)) << repair.Out() << repair.Err();
  EXPECT_TRUE(Contains(repair.Out(), "прервана")) << repair.Out();
  const int kept = repaired();
  EXPECT_GE(kept, 1000);
  EXPECT_LT(kept, 4000);
  EXPECT_EQ(kept % 1000, 0) << "a range half written";

  const RunResult status_text = RunSync(Args("--status"), dbs.Dir().Path());
  EXPECT_TRUE(Contains(status_text.out, "Последняя проверка копии: окончена ")) << status_text.out;
  EXPECT_TRUE(Contains(status_text.out, "Последняя попытка проверки: ")) << status_text.out;
  const StatusJson json = RunStatusJson(Databases(), dbs.Dir().Path());
  EXPECT_EQ(json.json["last_check_attempt"].toObject()["end"].toString(), "interrupted");
}

// Without marks nothing is known to be copied: such tables are named, and the check does not
// pass.
TEST_F(BrindleSyncTest, TablesWithoutAUsableMarkAreNamedAndTheCheckDoesNotPass) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 3);
  }
  RunResult check = RunSync(Args("--check", "--json"), dbs.Dir().Path());
  EXPECT_EQ(check.status, 1) << check.out << check.err;
  QJsonObject json = ParsedJson(check.out);
  EXPECT_EQ(json["totals"].toObject()["not_compared"].toInt(), 37) << check.out;
  EXPECT_EQ(json["totals"].toObject()["compared"].toInt(), 0) << check.out;
  EXPECT_TRUE(
      Contains(json["tables"].toArray()[0].toObject()["not_compared"].toString().toStdString(),
               "нет отметки LAST_OFFICE_MODIFYDATE"))
      << check.out;

  ASSERT_EQ(Once(Databases()).status, 0);
  WriteConfString(*Conf(dbs.CopyConnStr()), "REPLICATION_INFO", "LAST_PC_CARD_MODIFYDATE", "abc");
  check = RunSync(Args("--check"), dbs.Dir().Path());
  EXPECT_EQ(check.status, 1) << check.out << check.err;
  EXPECT_TRUE(
      Contains(check.out, "PC_CARD: не сравнивалась: отметка LAST_PC_CARD_MODIFYDATE повреждена"))
      << check.out;
  EXPECT_TRUE(Contains(check.out, "не сравнивались таблицы: PC_CARD (")) << check.out;
}

// 30 rows at 10 a second: the ranges of the working database come a second apart.
TEST_F(BrindleSyncTest, CheckReadsTheWorkingDatabaseNoFasterThanAsked) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::InsertSampleRows(work, "PC_LOGTRAN_BK", "ID", 0, 30);
  }
  ASSERT_EQ(Once(Databases()).status, 0);
  const auto start = Clock::now();
  const RunResult check =
      RunSync(Args("--check", "--tables", "PC_LOGTRAN_BK", "--max-rows-per-second", "10"),
              dbs.Dir().Path());
  const auto took = Clock::now() - start;
  EXPECT_EQ(check.status, 0) << check.out << check.err;
  EXPECT_TRUE(Contains(check.out,
                       "PC_LOGTRAN_BK: сравнено 30, нет в копии 0, различаются 0, "
                       "лишних в копии 0; записей в рабочей БД 30, в копии 30;"))
      << check.out;
  EXPECT_GE(took, 2s);
}

// In the service the check runs after a pass, repairs nothing and logs its summary.
// The check's counts reach the log, stdout, the metrics file and, through the copy, --status.
TEST_F(BrindleSyncTest, CheckEveryChecksTheCopyAfterAPassAndReportsItEverywhere) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 3);
    ibx::TIBDatabase copy = dbs.ConnectCopy();
    testing::InsertSampleRows(copy, "PC_LOGTRAN_BK", "ID", 500, 1);
  }
  const RunResult before = RunSync(Args("--status"), dbs.Dir().Path());
  EXPECT_TRUE(Contains(before.out, "Последняя проверка копии: не проводилась\n")) << before.out;
  const std::string metrics_path = dbs.Dir() / "brindle.prom";
  SyncProcess sync(Args("--period", "3600", "--check-every", "24", "--max-rows-per-second",
                        "100000", "--metrics-file", metrics_path),
                   dbs.Dir().Path());
  const std::string summary =
      "Проверка копии: таблиц 37, сравнено записей 110, нет в копии 0, различаются 0, лишних в "
      "копии 1";
  const auto deadline = Clock::now() + 60s;
  auto logged = [&] {
    for (const std::string& message : LogMessages()) {
      if (StartsWith(message, "Проверка копии: ")) return message;
    }
    return std::string();
  };
  std::string message;
  while ((message = logged()).empty()) {
    ASSERT_LT(Clock::now(), deadline) << "no check\n" << sync.Err();
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(message, summary);
  // The main loop prints it and rewrites the metrics within 200 ms.
  testing::PrometheusText metrics;
  std::string text;
  while (!Contains(text = testing::ReadFile(metrics_path), "brindle_check_failed")) {
    ASSERT_LT(Clock::now(), deadline) << "no check in the metrics\n" << text;
    std::this_thread::sleep_for(20ms);
  }
  metrics = testing::ParsePrometheusText(text);
  EXPECT_TRUE(metrics.errors.empty()) << text;
  EXPECT_EQ(metrics.Value("brindle_check_rows_compared"), 110) << text;
  EXPECT_EQ(metrics.Value("brindle_check_failed"), 0) << text;
  EXPECT_NEAR(metrics.Value("brindle_check_timestamp_seconds"),
              static_cast<double>(std::time(nullptr)), 60)
      << text;
  std::map<std::string, double> rows;
  for (const testing::PrometheusSample& sample : metrics.samples) {
    if (sample.name == "brindle_check_rows") rows[sample.labels.at("kind")] = sample.value;
  }
  EXPECT_EQ(rows, (std::map<std::string, double>{{"different", 0}, {"missing", 0}, {"orphan", 1}}));
  // Every table but the one with the orphan was proven equal just now.
  const auto verified = metrics.ByTable("brindle_table_verified_age_seconds");
  EXPECT_EQ(verified.size(), ReplicatedTables().size() - 1) << text;
  for (const auto& [table, age] : verified) {
    EXPECT_GE(age, 0) << table;
    EXPECT_LT(age, 600) << table;
  }
  sync.Kill(SIGTERM);
  EXPECT_EQ(sync.Wait(), 0) << sync.Err();
  EXPECT_TRUE(Contains(sync.Out(), summary + "\n")) << sync.Out();
  ibx::TIBDatabase copy = dbs.ConnectCopy();
  EXPECT_EQ(testing::QueryText(copy, "SELECT COUNT(*) FROM PC_LOGTRAN_BK WHERE ID = 500"), "1");

  const RunResult status = RunSync(Args("--status"), dbs.Dir().Path());
  EXPECT_TRUE(Contains(status.out, "Последняя проверка копии: окончена ")) << status.out;
  EXPECT_TRUE(Contains(status.out, ": " + summary + "\n")) << status.out;
  const StatusJson json = RunStatusJson(Databases(), dbs.Dir().Path());
  ASSERT_EQ(json.status, 0) << json.err;
  const QJsonObject check = json.json["last_check"].toObject();
  EXPECT_TRUE(IsIsoDateTime(check["finished"]));
  EXPECT_EQ(check["compared"].toInteger(-1), 110);
  EXPECT_EQ(check["missing"].toInteger(-1), 0);
  EXPECT_EQ(check["different"].toInteger(-1), 0);
  EXPECT_EQ(check["orphans"].toInteger(-1), 1);
  EXPECT_EQ(check["left"].toInteger(-1), 1);
  EXPECT_EQ(check["failed"], QJsonValue(false));
  EXPECT_EQ(check["summary"].toString().toStdString(), summary);
}

// With --repair the scheduled check mends what no pass reads: a card that gained a purse (its own
// row unchanged), a working row whose MODIFYDATE is NULL, rows of the copy changed by hand. The
// copy ends equal column by column, MODIFYDATE included, and every table verified.
TEST_F(BrindleSyncTest, AScheduledRepairMendsWhatNoPassReads) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 20);
  }
  ASSERT_EQ(Once(Databases()).status, 0);
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::InsertSampleRows(work, "PC_COSHEL", "ID", 1000, 1);
    testing::ExecuteCommitted(work, "UPDATE PC_COSHEL SET CARD_ID = 5 WHERE ID = 1000");
    testing::InsertSampleRows(work, "PC_LOGTRAN_BK", "ID", 700, 1);
    // The trigger takes this date for NULL and stamps nothing.
    testing::ExecuteCommitted(work,
                              "UPDATE PC_LOGTRAN_BK SET MODIFYDATE = '1900-01-01' WHERE ID = 700");
    ASSERT_EQ(
        testing::QueryText(work, "SELECT COUNT(*) FROM PC_LOGTRAN_BK WHERE MODIFYDATE IS NULL"),
        "1");
    ibx::TIBDatabase copy = dbs.ConnectCopy();
    testing::ExecuteCommitted(copy, "DELETE FROM PC_LOGTRAN_BK WHERE ID = 3");
    testing::ExecuteCommitted(copy, "UPDATE PC_LOGTRAN_BK SET AZSNAME = 'x' WHERE ID = 4");
  }
  // A check at most every 1.8 s.
  SyncProcess sync(Args("--period", "1", "--check-every", "0.0005", "--repair"), dbs.Dir().Path());
  const auto deadline = Clock::now() + 120s;
  std::size_t verified = 0;
  while (verified < ReplicatedTables().size()) {
    ASSERT_LT(Clock::now(), deadline) << verified << " tables verified\n" << sync.Err();
    std::this_thread::sleep_for(500ms);
    verified = 0;
    for (const QJsonValue& table : RunStatusJson(Databases(), dbs.Dir().Path()).Tables()) {
      verified += IsIsoDateTime(table.toObject()["verified_as_of"]) ? 1 : 0;
    }
  }
  sync.Kill(SIGTERM);
  EXPECT_EQ(sync.Wait(), 0) << sync.Err();
  ExpectCopyHoldsTheWorkingRows();
  ibx::TIBDatabase copy = dbs.ConnectCopy();
  EXPECT_EQ(testing::QueryText(copy, "SELECT COUNT(*) FROM PC_LOGTRAN_BK WHERE MODIFYDATE IS NULL"),
            "1");
}

// A round stopped hard in the middle of a table goes on after a restart from the key it had
// reached: the tables before are not compared again, that table's rows are counted once, and the
// round proves the rest.
TEST_F(BrindleSyncTest, ARestartGoesOnWithTheRoundFromWhereItStopped) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 5);
    testing::InsertSampleRows(work, "PC_LOGTRAN_BK", "ID", 1000, 6000);
  }
  ASSERT_EQ(Once(Databases()).status, 0);
  // PC_LOGTRAN_BK takes about three slices at this pace.
  WriteSettingInt("Brindle", "PARAMS", "CheckSliceSeconds", 1);
  const std::vector<std::string> args =
      Args("--period", "3600", "--check-every", "24", "--max-rows-per-second", "2000");
  auto record = [&] { return ReadCopyFreshness(*Conf(dbs.CopyConnStr())); };
  const auto tables = ReplicatedTables();
  const auto stopped_at = static_cast<std::size_t>(
      std::find_if(tables.begin(), tables.end(),
                   [](const ReplicatedTable& table) { return table.table == "PC_LOGTRAN_BK"; }) -
      tables.begin());
  {
    SyncProcess sync(args, dbs.Dir().Path());
    const auto deadline = Clock::now() + 60s;
    for (;;) {
      const TStoredRound round = ReadCheckRound(*Conf(dbs.CopyConnStr()));
      if (round.Table.Table == "PC_LOGTRAN_BK" && !round.FromKey.empty()) break;
      ASSERT_LT(Clock::now(), deadline) << "the round never stopped inside PC_LOGTRAN_BK\n"
                                        << sync.Err();
      std::this_thread::sleep_for(50ms);
    }
    sync.Kill(SIGKILL);
    sync.Wait();
  }
  const TCopyFreshness before = record();
  for (std::size_t i = 0; i < tables.size(); ++i) {
    EXPECT_EQ(before.Tables[i].VerifiedAsOf > 0, i < stopped_at) << tables[i].table;
  }
  EXPECT_EQ(before.LastCheck.Finished, 0);

  const std::string metrics_path = dbs.Dir() / "brindle.prom";
  std::vector<std::string> with_metrics = args;
  with_metrics.insert(with_metrics.end(), {"--metrics-file", metrics_path});
  SyncProcess again(with_metrics, dbs.Dir().Path());
  const auto deadline = Clock::now() + 60s;
  while (record().LastCheck.Finished == 0) {
    ASSERT_LT(Clock::now(), deadline) << "the round did not end\n" << again.Err();
    std::this_thread::sleep_for(100ms);
  }
  again.Kill(SIGTERM);
  EXPECT_EQ(again.Wait(), 0) << again.Err();
  EXPECT_EQ(CountMessages("Проверка копии БД продолжена с таблицы PC_LOGTRAN_BK"), 1);
  // The metrics know the tables proven before the restart too.
  const testing::PrometheusText metrics =
      testing::ParsePrometheusText(testing::ReadFile(metrics_path));
  EXPECT_EQ(metrics.ByTable("brindle_table_verified_age_seconds").size(), tables.size());
  const TCopyFreshness after = record();
  for (std::size_t i = 0; i < tables.size(); ++i) {
    if (i < stopped_at) {
      EXPECT_EQ(after.Tables[i].VerifiedAsOf, before.Tables[i].VerifiedAsOf) << tables[i].table;
    } else {
      EXPECT_GT(after.Tables[i].VerifiedAsOf, 0) << tables[i].table;
    }
  }
  // The round counts each row of the tables it went on with once: as a whole check does.
  const RunResult whole = RunSync(Args("--check", "--json"), dbs.Dir().Path());
  ASSERT_EQ(whole.status, 0) << whole.out << whole.err;
  std::int64_t compared = 0;
  const QJsonArray checked =
      QJsonDocument::fromJson(QByteArray::fromStdString(whole.out)).object()["tables"].toArray();
  ASSERT_EQ(checked.size(), static_cast<qsizetype>(tables.size()));
  for (std::size_t i = stopped_at; i < tables.size(); ++i) {
    compared += checked[static_cast<qsizetype>(i)].toObject()["compared"].toInteger();
  }
  EXPECT_EQ(after.LastCheck.Compared, compared);
  EXPECT_EQ(after.LastCheck.Left, 0);
}

TEST_F(BrindleSyncTest, StatusShowsARowPerTableAndThePassSummary) {
  MarkWorking();
  const RunResult before = RunSync(Args("--status"), dbs.Dir().Path());
  ASSERT_EQ(before.status, 0) << before.err;
  EXPECT_TRUE(Contains(before.out, "Последнее успешное копирование (LAST_COPY_TIME): неизвестно"))
      << before.out;
  EXPECT_TRUE(Contains(before.out, "Последний проход: неизвестно")) << before.out;
  // A table never copied is as stale as can be.
  EXPECT_EQ(RunSync(Args("--status", "--max-lag", "86400"), dbs.Dir().Path()).status, 1);

  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 2);
  }
  ASSERT_EQ(Once(Databases()).status, 0);
  const RunResult after = RunSync(Args("--status"), dbs.Dir().Path());
  ASSERT_EQ(after.status, 0) << after.err;
  EXPECT_FALSE(Contains(after.out, "неизвестно")) << after.out;
  EXPECT_TRUE(Contains(after.out, "Время рабочего сервера: ")) << after.out;
  EXPECT_TRUE(Contains(after.out, "Таблица")) << after.out;
  const std::regex row(R"((\w+) +(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d) +(-?\d+ с) +(\d+) +)"
                       R"((\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d) +—)");
  std::vector<std::string> tables;
  std::istringstream lines(after.out);
  std::smatch match;
  for (std::string line; std::getline(lines, line);) {
    if (!std::regex_match(line, match, row)) continue;
    tables.push_back(match[1]);
    EXPECT_EQ(match[2], match[5]) << "complete as of its mark: " << line;
    EXPECT_EQ(match[4], "2") << line;
  }
  ASSERT_EQ(tables.size(), ReplicatedTables().size()) << after.out;
  for (std::size_t i = 0; i < tables.size(); ++i) EXPECT_EQ(tables[i], ReplicatedTables()[i].table);
  EXPECT_TRUE(Contains(after.out, ", записей 74\n")) << after.out;
  EXPECT_TRUE(Contains(after.out, "Неудачных проходов подряд: 0\n")) << after.out;
  EXPECT_TRUE(Contains(after.out, "Последняя ошибка: нет\n")) << after.out;
}

// What a monitor relies on: the JSON parses, lag grows while nothing copies and falls after a
// pass, and --max-lag turns it into the exit status.
TEST_F(BrindleSyncTest, StatusJsonLagGrowsWhileCopyingIsOffAndFallsAfterAPass) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 3);
  }
  ASSERT_EQ(Once(Databases()).status, 0);
  const StatusJson fresh = RunStatusJson(Databases(), dbs.Dir().Path());
  ASSERT_EQ(fresh.status, 0) << fresh.err;
  EXPECT_EQ(fresh.json["clock"].toString(), "work");
  EXPECT_TRUE(fresh.json["work_error"].isNull());
  EXPECT_TRUE(IsIsoDateTime(fresh.json["server_time"]));
  EXPECT_TRUE(IsIsoDateTime(fresh.json["last_success"]));
  EXPECT_TRUE(IsIsoDateTime(fresh.json["last_pass_started"]));
  EXPECT_GT(fresh.json["last_pass_seconds"].toDouble(), 0);
  EXPECT_EQ(fresh.json["failed_passes"].toInt(-1), 0);
  EXPECT_TRUE(fresh.json["last_error"].isNull());
  ASSERT_EQ(fresh.Tables().size(), static_cast<qsizetype>(ReplicatedTables().size()));
  std::int64_t rows = 0;
  for (qsizetype i = 0; i < fresh.Tables().size(); ++i) {
    const QJsonObject table = fresh.Tables()[i].toObject();
    const std::string name = table["table"].toString().toStdString();
    EXPECT_EQ(name, ReplicatedTables()[i].table);
    EXPECT_TRUE(IsIsoDateTime(table["complete_as_of"])) << name;
    EXPECT_EQ(table["complete_as_of"], table["mark"]) << name;
    EXPECT_TRUE(table["lag_seconds"].isDouble()) << name;
    EXPECT_GE(table["lag_seconds"].toDouble(), 0) << name;
    rows += table["rows_last_pass"].toInteger(-1000);
  }
  EXPECT_EQ(rows, 37 * 3 - 1);  // card 2 has no PC_COSHEL row

  // Copying off for an hour, as far as the copy can tell.
  {
    auto conf = Conf(dbs.CopyConnStr());
    for (const ReplicatedTable& entry : ReplicatedTables()) {
      const std::string table(entry.table);
      for (const std::string& key : {table + "_COMPLETE_AS_OF", "LAST_" + table + "_MODIFYDATE"}) {
        WriteConfDateTime(*conf, "REPLICATION_INFO", key,
                          ReadConfDateTime(*conf, "REPLICATION_INFO", key, 0) - 1.0 / 24);
      }
    }
  }
  const StatusJson off = RunStatusJson(Args("--max-lag", "1800"), dbs.Dir().Path());
  EXPECT_EQ(off.status, 1);
  EXPECT_TRUE(Contains(off.err, "отставание больше 1800 с или неизвестно: OFFICE (")) << off.err;
  std::this_thread::sleep_for(1200ms);
  const StatusJson later = RunStatusJson(Args("--max-lag", "1800"), dbs.Dir().Path());
  EXPECT_EQ(later.status, 1);
  ASSERT_EQ(later.Tables().size(), off.Tables().size());
  for (qsizetype i = 0; i < off.Tables().size(); ++i) {
    const double lag = off.Tables()[i].toObject()["lag_seconds"].toDouble();
    EXPECT_GE(lag, 3600) << i;
    EXPECT_GE(later.Tables()[i].toObject()["lag_seconds"].toDouble(), lag + 1) << i;
  }

  ASSERT_EQ(Once(Databases()).status, 0);
  const StatusJson copied = RunStatusJson(Args("--max-lag", "1800"), dbs.Dir().Path());
  EXPECT_EQ(copied.status, 0) << copied.err;
  EXPECT_LT(copied.MaxLag(), 1800);
  EXPECT_LT(copied.MaxLag(), later.MaxLag() - 3600 + 1800);
  EXPECT_EQ(copied.err, "");
}

// The working database away: lag estimated on the copy server's clock with the clocks' offset
// the pass recorded, and the output says so; the copy away: still one JSON object.
TEST_F(BrindleSyncTest, StatusEstimatesLagWhenTheWorkingDatabaseIsAwayAndAlwaysPrintsJson) {
  MarkWorking();
  ASSERT_EQ(Once(Databases()).status, 0);
  const std::vector<std::string> away = {"--work", "127.0.0.1/1:" + dbs.Dir() / "work.fdb",
                                         "--copy", dbs.CopyConnStr()};
  const StatusJson status = RunStatusJson(away, dbs.Dir().Path());
  EXPECT_EQ(status.status, 0) << status.err;
  EXPECT_EQ(status.json["clock"].toString(), "copy");
  EXPECT_TRUE(status.json["lag_estimated"].toBool());
  EXPECT_LT(std::abs(status.json["work_clock_offset_seconds"].toDouble(1e9)), 1) << "one server";
  EXPECT_FALSE(status.json["work_error"].toString().isEmpty());
  EXPECT_TRUE(IsIsoDateTime(status.Tables()[0].toObject()["complete_as_of"]));
  std::vector<std::string> text_args = away;
  text_args.push_back("--status");
  const RunResult text = RunSync(text_args, dbs.Dir().Path());
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_TRUE(Contains(text.out, "(оценка)")) << text.out;
  EXPECT_TRUE(Contains(text.out, "рабочая БД недоступна")) << text.out;

  const StatusJson no_copy = RunStatusJson(
      {"--work", dbs.WorkConnStr(), "--copy", "127.0.0.1/1:" + dbs.Dir() / "copy.fdb"},
      dbs.Dir().Path());
  EXPECT_EQ(no_copy.status, 2);
  EXPECT_EQ(no_copy.json["exit_status"].toInt(), 2);
  EXPECT_TRUE(Contains(no_copy.json["error"].toString().toStdString(), "127.0.0.1/1:"));
}

// --status only reads: start-up's structure check of the suite's office database (cnf.set),
// which recreated a dropped table, is the copying modes' alone.
TEST_F(BrindleSyncTest, StatusChangesNoDatabase) {
  MarkWorking();
  WriteSettingString("cnf", "OFCDB", "ConnStr", dbs.WorkConnStr());
  const std::string tables =
      "SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'DSCCARDS'";
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::ExecuteCommitted(work, "DROP TABLE DSCCARDS");
  }
  const RunResult status = RunSync(Args("--status"), dbs.Dir().Path());
  ASSERT_EQ(status.status, 0) << status.err;
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    EXPECT_EQ(testing::QueryText(work, tables), "0") << "--status changed the office database";
  }
  ASSERT_EQ(Once(Databases()).status, 0);
  ibx::TIBDatabase work = dbs.ConnectWork();
  EXPECT_EQ(testing::QueryText(work, tables), "1") << "copying completes it, as the window does";
}

TEST_F(BrindleSyncTest, VerifySignsInWithThePasswordGiven) {
  const std::string conn_str = OfficeDatabasePair::ConnStr(dbs.Dir() / "made.fdb");
  RunResult result =
      RunSync({"--verify", conn_str, "--password", "not-the-password"}, dbs.Dir().Path());
  EXPECT_EQ(result.status, 2) << result.err;
  EXPECT_TRUE(Contains(result.err,
                       "Проверьте пароль SYSDBA: --password или переменная "
                       "BRINDLE_PASSWORD"))
      << result.err;
  EXPECT_FALSE(std::filesystem::exists(dbs.Dir() / "made.fdb"));
  setenv("BRINDLE_PASSWORD", TestDatabase::Password().c_str(), 1);
  result = RunSync({"--verify", conn_str}, dbs.Dir().Path());
  unsetenv("BRINDLE_PASSWORD");
  EXPECT_EQ(result.status, 0) << result.err;
  OfficeDatabasePair::Connect(conn_str).DropDatabase();
}

// In the "C" locale the client could not pass a Cyrillic file name at all ("Cannot transliterate
// character"), and the advice then sent the operator to check the server.
TEST_F(BrindleSyncTest, ACyrillicPathIsReached) {
  unsetenv("LANG");
  unsetenv("LC_ALL");
  unsetenv("LC_CTYPE");
  const std::string path = dbs.Dir() / "копия-ё.fdb";
  const std::string conn_str = OfficeDatabasePair::ConnStr(path);
  const RunResult result = RunSync({"--verify", conn_str}, dbs.Dir().Path());
  EXPECT_EQ(result.status, 0) << result.err;
  ASSERT_TRUE(std::filesystem::exists(path));
  // A second run finds the database and completes nothing: it reached the same file.
  const RunResult again = RunSync({"--verify", conn_str}, dbs.Dir().Path());
  EXPECT_EQ(again.status, 0) << again.err;
  // This process's client took the "C" locale at its first use, so the test's folder, removed
  // with the test, disposes of the file.
}

TEST_F(BrindleSyncTest, VerifyCreatesAnOfficeDatabase) {
  const std::string conn_str = OfficeDatabasePair::ConnStr(dbs.Dir() / "made.fdb");
  const RunResult result = RunSync({"--verify", conn_str}, dbs.Dir().Path());
  EXPECT_EQ(result.status, 0) << result.err;
  ASSERT_TRUE(std::filesystem::exists(dbs.Dir() / "made.fdb"));
  ibx::TIBDatabase made = OfficeDatabasePair::Connect(conn_str);
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    EXPECT_EQ(testing::QueryText(made, "SELECT COUNT(*) FROM \"" + std::string(entry.table) + "\""),
              "0");
  }
  made.DropDatabase();
}

TEST_F(BrindleSyncTest, AFailedPassEndsWithOneAndItsErrorText) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 2);
    // The copy refuses every row of one table, so the pass fails there.
    ibx::TIBDatabase copy = dbs.ConnectCopy();
    const ReplicatedTable& entry = ReplicatedTables()[0];
    testing::ExecuteCommitted(copy, "ALTER TABLE \"" + std::string(entry.table) +
                                        "\" ADD CONSTRAINT REFUSE_ALL CHECK (MODIFYDATE IS NULL)");
  }
  const RunResult result = Once(Databases());
  EXPECT_EQ(result.status, 1) << result.out << result.err;
  EXPECT_TRUE(Contains(result.err, "Ошибка при копировании БД: Репликация таблицы \"" +
                                       std::string(ReplicatedTables()[0].table) + "\""))
      << result.err;
  EXPECT_TRUE(Contains(result.out, "Копирование не удалось")) << result.out;
  // The place comes from the pass's result: the step, the table, the row and the server's codes.
  EXPECT_TRUE(Contains(result.err,
                       "Шаг: репликация таблицы, таблица OFFICE, запись с ID=0; "
                       "SQLCODE -297, коды 335544558"))
      << result.err;
  // A monitor reading the copy sees the failures pile up.
  ASSERT_EQ(Once(Databases()).status, 1);
  const StatusJson status = RunStatusJson(Databases(), dbs.Dir().Path());
  EXPECT_EQ(status.json["failed_passes"].toInt(), 2);
  EXPECT_TRUE(status.json["last_error"].toString().startsWith("Репликация таблицы \"OFFICE\""))
      << status.json["last_error"].toString().toStdString();
  EXPECT_TRUE(status.json["last_success"].isNull());
}

TEST_F(BrindleSyncTest, TheSameDatabaseTwiceIsRefused) {
  MarkWorking();
  const RunResult result = Once({"--work", dbs.WorkConnStr(), "--copy", dbs.WorkConnStr()});
  EXPECT_EQ(result.status, 2);
  EXPECT_TRUE(Contains(result.err, "brindle-sync: Указана одна и та же база данных!"))
      << result.err;
}

// A copy path over the limit used to be cut, and a copy created under the cut name.
TEST_F(BrindleSyncTest, ACopyPathOverTheLimitIsRefusedAndNothingIsCreated) {
  MarkWorking();
  // Cut to 260 characters, this would be a valid file name in the test's folder.
  const std::string path = dbs.Dir() / (std::string(300, 'c') + ".fdb");
  const RunResult result =
      Once({"--work", dbs.WorkConnStr(), "--copy", OfficeDatabasePair::ConnStr(path)});
  EXPECT_EQ(result.status, 2) << result.out << result.err;
  EXPECT_TRUE(Contains(result.err, "длиннее 260 символов")) << result.err;
  for (const auto& entry : std::filesystem::directory_iterator(dbs.Dir().Path())) {
    EXPECT_NE(entry.path().filename().string().substr(0, 3), "ccc") << entry.path();
  }
}

// "--copy localhost" named a file in the server's own folder and created a copy there.
TEST_F(BrindleSyncTest, AMistypedCopyIsRefusedNotCreatedInTheServersFolder) {
  MarkWorking();
  const std::string typo = "127.0.0.1/" + std::to_string(TestDatabase::Port()) + ":localhost";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--once", "--work", dbs.WorkConnStr(), "--copy", typo},
        std::vector<std::string>{"--verify", typo}}) {
    const RunResult result = RunSync(args, dbs.Dir().Path());
    EXPECT_EQ(result.status, 2) << result.out << result.err;
    EXPECT_TRUE(Contains(result.err, "создаётся только по полному пути")) << result.err;
  }
}

// A damaged settings file was read as empty without a word, so every default was used silently.
TEST_F(BrindleSyncTest, AnUnreadableSettingsFileIsReported) {
  std::string noise(4096, '\0');
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919) % 251);
  testing::WriteFile(SettingsFileName("Brindle"), noise);
  const RunResult result = RunSync(Args("--status"), dbs.Dir().Path());
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(Contains(result.err,
                       "Файл настроек " + SettingsFileName("Brindle") + " не удалось прочитать"))
      << result.err;
  EXPECT_FALSE(Contains(result.err, "cnf.set")) << "a missing file is no damaged one";
}

// A log that cannot be written never stops the program: LogFiles being a file stopped
// brindle-sync with status 2 at the copy's structure check.
TEST_F(BrindleSyncTest, ALogFolderThatIsAFileDoesNotStopCopying) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 1);
  }
  std::filesystem::remove_all(SuitePath("LogFiles"));
  testing::WriteFile(SuitePath("LogFiles"), "not a folder");
  const RunResult result = Once(Databases());
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  ExpectCopyHoldsTheWorkingRows();
}

// The demo's sample-data helper crashed (SIGSEGV) on a wrong password or a missing database.
TEST_F(BrindleSyncTest, TheDemoHelperReportsAWrongPasswordAndAMissingDatabase) {
  setenv("BRINDLE_WORK_PASSWORD", "not-the-password", 1);
  RunResult result = RunSync({dbs.WorkConnStr()}, dbs.Dir().Path(), BRINDLE_DEMO_DATA_PATH);
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_TRUE(Contains(result.err, "brindle-demo-data: ")) << result.err;
  setenv("BRINDLE_WORK_PASSWORD", TestDatabase::Password().c_str(), 1);
  result = RunSync({OfficeDatabasePair::ConnStr(dbs.Dir() / "missing.fdb")}, dbs.Dir().Path(),
                   BRINDLE_DEMO_DATA_PATH);
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_TRUE(Contains(result.err, "missing.fdb")) << result.err;
}

TEST_F(BrindleSyncTest, ACopyThatIsAWorkingDatabaseIsRefused) {
  MarkWorking();
  WriteParam(dbs.CopyConnStr(), "OFFICE_DB_STRUCT_VERSION", "12");
  const RunResult result = Once(Databases());
  EXPECT_EQ(result.status, 2);
  EXPECT_TRUE(Contains(
      result.err,
      "brindle-sync: Заданная в настройках копия базы данных на самом деле является рабочей БД!"))
      << result.err;
  EXPECT_TRUE(Contains(result.err, "Проверка копии базы данных [" + dbs.CopyConnStr() + "]"))
      << result.err;
  EXPECT_EQ(ReadConfDateTime(*Conf(dbs.CopyConnStr()), "REPLICATION_INFO", "LAST_COPY_TIME", 0), 0)
      << "nothing was copied";
}

TEST_F(BrindleSyncTest, AWorkingDatabaseWithoutAStructureVersionIsRefused) {
  const RunResult result = Once(Databases());
  EXPECT_EQ(result.status, 2);
  EXPECT_TRUE(Contains(result.err,
                       "brindle-sync: Заданная в настройках рабочая БД скорее всего не является "
                       "рабочей (версия БД не найдена)!"))
      << result.err;
  EXPECT_TRUE(Contains(result.err, "Проверка рабочей базы данных [" + dbs.WorkConnStr() + "]"))
      << result.err;
}

TEST_F(BrindleSyncTest, AWrongPasswordNamesTheDatabaseAndThePasswordOption) {
  MarkWorking();
  const RunResult result = Once(Args("--work-password", "wrong-password"));
  EXPECT_EQ(result.status, 2);
  EXPECT_TRUE(Contains(result.err, "Проверка рабочей базы данных [" + dbs.WorkConnStr() + "]"))
      << result.err;
  EXPECT_TRUE(Contains(result.err, "--work-password")) << result.err;
  EXPECT_TRUE(Contains(result.err, "BRINDLE_WORK_PASSWORD")) << result.err;
}

TEST_F(BrindleSyncTest, AnUnreachableServerNamesTheServer) {
  MarkWorking();
  // Nothing listens on port 1.
  const std::string copy = "127.0.0.1/1:" + dbs.Dir() / "copy.fdb";
  const RunResult result = Once({"--work", dbs.WorkConnStr(), "--copy", copy});
  EXPECT_EQ(result.status, 2);
  EXPECT_TRUE(Contains(result.err, "[" + copy + "]")) << result.err;
  EXPECT_TRUE(Contains(result.err, "Проверьте, что сервер Firebird 127.0.0.1 запущен"))
      << result.err;
}

TEST_F(BrindleSyncTest, SigtermDuringAPassLetsItFinishAndCommitItsMarks) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 400);  // a pass long enough to be caught running
  }
  SyncProcess sync(Args("--period", "3600"), dbs.Dir().Path());
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  auto started = [] {
    for (const std::string& message : LogMessages()) {
      if (message == "Начало копирования БД") return true;
    }
    return false;
  };
  while (!started()) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "no pass started\n" << sync.Err();
    std::this_thread::sleep_for(20ms);
  }
  sync.Kill(SIGTERM);
  EXPECT_EQ(sync.Wait(), 0) << sync.Err();
  const std::string out = sync.Out();
  EXPECT_TRUE(Contains(out, "копирование будет доведено до конца")) << out;
  EXPECT_TRUE(Contains(out, ": таблиц с изменениями 37 из 37")) << out;

  const std::vector<std::string> log = LogMessages();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[log.size() - 3], "Копирование БД завершено");
  EXPECT_EQ(log[log.size() - 2], "Поток остановлен");
  EXPECT_EQ(log.back(), "Выход из программы");

  ExpectCopyHoldsTheWorkingRows();
  auto conf = Conf(dbs.CopyConnStr());
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    EXPECT_GT(ReadMark(*conf, std::string(entry.table)), 0) << entry.table;
  }
}

// In service mode the metrics file is replaced after every pass, and parses as Prometheus text.
TEST_F(BrindleSyncTest, TheServiceReplacesTheMetricsFileAfterEveryPass) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 1);
  }
  const std::string folder = dbs.Dir() / "textfile";
  std::filesystem::create_directory(folder);
  const std::string path = folder + "/brindle.prom";
  SyncProcess sync(Args("--period", "1", "--metrics-file", path), dbs.Dir().Path());
  std::set<ino_t> files;
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  while (files.size() < 3) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << files.size() << " files seen\n"
                                                          << sync.Err();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || files.contains(st.st_ino)) {
      std::this_thread::sleep_for(20ms);
      continue;
    }
    files.insert(st.st_ino);
    SCOPED_TRACE("file " + std::to_string(files.size()));
    EXPECT_EQ(st.st_mode & 0777, 0644u) << "node_exporter runs as another user";
    const std::string text = testing::ReadFile(path);
    const testing::PrometheusText metrics = testing::ParsePrometheusText(text);
    for (const std::string& error : metrics.errors) ADD_FAILURE() << error << "\n" << text;
    const auto lag = metrics.ByTable("brindle_table_lag_seconds");
    const auto rows = metrics.ByTable("brindle_table_rows_last_pass");
    EXPECT_EQ(lag.size(), ReplicatedTables().size()) << text;
    EXPECT_EQ(rows.size(), ReplicatedTables().size()) << text;
    for (const auto& [table, seconds] : lag) EXPECT_GE(seconds, 0) << table;
    // The first pass copies one row of OFFICE, the later ones find nothing new.
    EXPECT_EQ(rows.at("OFFICE"), files.size() == 1 ? 1 : 0) << text;
    EXPECT_GT(metrics.Value("brindle_pass_duration_seconds"), 0) << text;
    EXPECT_NEAR(metrics.Value("brindle_last_success_timestamp_seconds"),
                static_cast<double>(std::time(nullptr)), 60)
        << text;
    EXPECT_EQ(metrics.Value("brindle_failed_passes"), 0) << text;
    EXPECT_EQ(metrics.Value("brindle_copy_enabled"), 1) << text;
  }
  sync.Kill(SIGTERM);
  EXPECT_EQ(sync.Wait(), 0) << sync.Err();
  const std::string stopped = testing::ReadFile(path);
  const testing::PrometheusText metrics = testing::ParsePrometheusText(stopped);
  EXPECT_TRUE(metrics.errors.empty()) << stopped;
  EXPECT_EQ(metrics.Value("brindle_copy_enabled"), 0) << stopped;
  EXPECT_EQ(metrics.ByTable("brindle_table_lag_seconds").size(), ReplicatedTables().size());
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    EXPECT_EQ(entry.path().filename(), "brindle.prom") << "a temporary file was left";
  }
}

// The variable of /etc/default/brindle-sync names the file; one that cannot be written is said
// once and copying goes on.
TEST_F(BrindleSyncTest, AMetricsFileThatCannotBeWrittenNeverStopsCopying) {
  MarkWorking();
  const std::string path = dbs.Dir() / "missing/brindle.prom";
  setenv("BRINDLE_METRICS_FILE", path.c_str(), 1);
  SyncProcess sync(Args("--period", "1"), dbs.Dir().Path());
  unsetenv("BRINDLE_METRICS_FILE");
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  while (CountMessages("Копирование БД завершено") < 3) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << sync.Err();
    std::this_thread::sleep_for(50ms);
  }
  sync.Kill(SIGTERM);
  EXPECT_EQ(sync.Wait(), 0) << sync.Err();
  int logged = 0;
  for (const std::string& message : LogMessages()) {
    if (message.starts_with("Файл метрик не записан: ")) {
      ++logged;
      EXPECT_TRUE(Contains(message, dbs.Dir() / "missing")) << message;
    }
  }
  EXPECT_EQ(logged, 1);
  EXPECT_TRUE(Contains(sync.Err(), "brindle-sync: внимание: Файл метрик не записан: "))
      << sync.Err();
  EXPECT_FALSE(std::filesystem::exists(path));
}

// A first fill of a large table shows, on a terminal, how far it is and the time left.
TEST_F(BrindleSyncTest, ATerminalShowsTheRowsAndTheTimeLeftOfALongTable) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::InsertSampleRows(work, "PC_LOGTRAN_BK", "ID", 0, 40000);
  }
  const RunResult run = RunOnTerminal(Args("--once"));
  EXPECT_EQ(run.status, 0) << run.out;
  const std::regex progress(R"(таблица (\d+) / 37 PC_LOGTRAN_BK, запись (\d+) / 40000 )"
                            R"(\((\d+)%\), осталось ~\d+ (с|мин))");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(run.out, match, progress)) << run.out;
  EXPECT_EQ(ReplicatedTables()[std::stoi(match[1]) - 1].table, "PC_LOGTRAN_BK");
  EXPECT_EQ(std::stoi(match[3]), std::stoi(match[2]) * 100 / 40000);
  EXPECT_TRUE(Contains(run.out, "PC_LOGTRAN_BK: скопировано записей: 40000")) << run.out;
}

// Run by systemd as a Type=notify service with a watchdog (here a notification socket of the test's
// own and an interval of 2 s): ready once the checks passed, the pass's outcome as its status,
// the watchdog fed while it waits, and the stop.
class BrindleSyncServiceTest : public BrindleSyncTest {
 protected:
  NotifySocket socket{dbs.Dir() / "notify"};
  ScopedEnv notify{"NOTIFY_SOCKET", socket.Path().c_str()};
  ScopedEnv watchdog{"WATCHDOG_USEC", "2000000"};
  ScopedEnv watchdog_pid{"WATCHDOG_PID", nullptr};
  Notices notices{socket};

  void StopAndExpectStopping(SyncProcess& sync) {
    sync.Kill(SIGTERM);
    EXPECT_TRUE(notices.WaitFor("STOPPING=1", 60s)) << notices.Text();
    EXPECT_EQ(sync.Wait(), 0) << sync.Err();
  }
};

bool IsCompletedStatus(const std::string& assignment) {
  return StartsWith(assignment, "STATUS=Копирование завершено ");
}

TEST_F(BrindleSyncServiceTest, SaysItIsReadyShowsThePassFeedsTheWatchdogAndSaysItStops) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 2);
  }
  SyncProcess sync(Args("--period", "3600"), dbs.Dir().Path());
  ASSERT_TRUE(notices.WaitFor("READY=1", 120s)) << sync.Err() << notices.Text();
  EXPECT_TRUE(notices.WaitFor("STATUS=Копирование включено, период 3600 с", 1s)) << notices.Text();
  const std::optional<std::string> status = notices.WaitFor(IsCompletedStatus, 120s);
  ASSERT_TRUE(status) << sync.Err() << notices.Text();
  EXPECT_TRUE(Contains(*status, ": таблиц с изменениями 37 из 37, записей 74")) << *status;
  // Waiting for the next pass, an hour away, it is alive.
  for (int fed = 0; fed < 3; ++fed) {
    ASSERT_TRUE(notices.WaitFor("WATCHDOG=1", 10s)) << notices.Text();
  }
  StopAndExpectStopping(sync);
  EXPECT_TRUE(Contains(sync.Out(), ": таблиц с изменениями 37 из 37")) << sync.Out();
}

// A pass that hangs in one call, here on a row of the copy that another transaction holds, stops
// the feeding, so systemd would restart the service; once the row is free the pass goes on.
TEST_F(BrindleSyncServiceTest, APassStuckOnAHeldRowStopsFeedingTheWatchdog) {
  MarkWorking();
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::FillReplicatedTables(work, 1);
  }
  SyncProcess sync(Args("--period", "1"), dbs.Dir().Path());
  ASSERT_TRUE(notices.WaitFor(IsCompletedStatus, 120s)) << sync.Err() << notices.Text();
  ASSERT_TRUE(notices.WaitFor("WATCHDOG=1", 10s)) << notices.Text();

  ibx::TIBDatabase copy = dbs.ConnectCopy();
  ibx::TIBTransaction holder(copy);
  {
    ibx::TIBDataSet hold(copy, &holder);
    hold.SetSelectSQL("UPDATE OFFICE SET AZSNAME = AZSNAME WHERE AZSNUMBER = 0");
    hold.ExecSQL();
  }
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::UpdateSampleRows(work, "OFFICE", "AZSNUMBER", 0, 1, 1);
  }
  const std::size_t held_from = notices.All().size();
  EXPECT_TRUE(notices.WaitForWatchdogSilence(6s, 60s))
      << "fed on while the pass waited for the row\n"
      << notices.Text();
  for (std::size_t i = held_from; i < notices.All().size(); ++i) {
    EXPECT_FALSE(Contains(notices.All()[i].assignment, "таблиц с изменениями 1 из 37"))
        << "a pass wrote the held row";
  }

  holder.Rollback();
  const std::optional<std::string> status = notices.WaitFor(
      [](const std::string& got) {
        return IsCompletedStatus(got) && Contains(got, "таблиц с изменениями 1 из 37");
      },
      60s);
  EXPECT_TRUE(status) << notices.Text();
  EXPECT_TRUE(notices.WaitFor("WATCHDOG=1", 10s)) << notices.Text();
  StopAndExpectStopping(sync);
  ExpectCopyHoldsTheWorkingRows();
}

// --- the bad day: servers away, clocks apart, a damaged record ---------------------------------

// The working server's clock five hours ahead (another time zone), and the server stopped after a
// pass: lag is estimated on the copy server's clock with the offset the pass recorded, never
// below zero. Without a recorded offset a lag below zero is no lag, and counts as lagging.
TEST_F(BrindleSyncTest, LagStaysTrueWhileAWorkingServerFiveHoursAheadIsAway) {
  testing::TempDir server_dir;
  testing::OwnServer server(server_dir / "fbserver/", 200, "TZ=UTC-5");
  OfficeDatabasePair far(server.Port());
  WriteParam(far.WorkConnStr(), "OFFICE_DB_STRUCT_VERSION", "12");
  const std::vector<std::string> status_args = {"--work",          far.WorkConnStr(), "--copy",
                                                dbs.CopyConnStr(), "--max-lag",       "600"};
  ASSERT_EQ(RunSync({"--work", far.WorkConnStr(), "--copy", dbs.CopyConnStr(), "--once"},
                    dbs.Dir().Path())
                .status,
            0);
  const StatusJson near = RunStatusJson(status_args, dbs.Dir().Path());
  EXPECT_EQ(near.status, 0) << near.err;
  EXPECT_EQ(near.json["clock"].toString(), "work");

  server.Stop();
  const StatusJson away = RunStatusJson(status_args, dbs.Dir().Path());
  EXPECT_EQ(away.status, 0) << away.err;
  EXPECT_TRUE(away.json["lag_estimated"].toBool());
  EXPECT_NEAR(away.json["work_clock_offset_seconds"].toDouble(), 5 * 3600, 10);
  for (const QJsonValue& table : away.Tables()) {
    const double lag = table.toObject()["lag_seconds"].toDouble(-1);
    EXPECT_GE(lag, 0) << table.toObject()["table"].toString().toStdString();
    EXPECT_LT(lag, 600);
  }

  WriteConfString(*Conf(dbs.CopyConnStr()), "REPLICATION_INFO", "WORK_CLOCK_OFFSET", "");
  const StatusJson unknown = RunStatusJson(status_args, dbs.Dir().Path());
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.json["lagging"].toArray().size(), away.Tables().size());
  EXPECT_TRUE(Contains(unknown.err, "ниже нуля")) << unknown.err;
  server.Start();  // the databases on it are dropped at the end
}

// Damaged values of the copy's record are named and never read as 0; control characters of a
// stored error never reach the terminal; a bad line still gives one JSON object.
TEST_F(BrindleSyncTest, StatusNamesDamagedValuesAndEscapesStoredTexts) {
  MarkWorking();
  ASSERT_EQ(Once(Databases()).status, 0);
  {
    auto conf = Conf(dbs.CopyConnStr());
    WriteConfString(*conf, "REPLICATION_INFO", "PC_CARD_LAST_PASS_ROWS", "abc");
    WriteConfDateTime(*conf, "REPLICATION_INFO", "OFFICE_COMPLETE_AS_OF", Now() + 1118);
    WriteConfString(*conf, "REPLICATION_INFO", "FAILED_PASSES", "-3");
    WriteConfString(*conf, "REPLICATION_INFO", "LAST_ERROR", "bad\x1b[2Jscreen");
  }
  const RunResult text = RunSync(Args("--status"), dbs.Dir().Path());
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out.find('\x1b'), std::string::npos) << text.out;
  EXPECT_TRUE(Contains(text.out, "bad\\x1B[2Jscreen")) << text.out;
  for (const char* key : {"PC_CARD_LAST_PASS_ROWS", "OFFICE_COMPLETE_AS_OF", "FAILED_PASSES"}) {
    EXPECT_TRUE(Contains(text.out, std::string("REPLICATION_INFO/") + key)) << text.out;
  }

  const StatusJson json = RunStatusJson(Args("--max-lag", "600"), dbs.Dir().Path());
  EXPECT_EQ(json.status, 1) << "a damaged complete-as-of time tells no lag";
  EXPECT_EQ(json.json["damaged"].toArray().size(), 3);
  EXPECT_TRUE(json.json["failed_passes"].isNull());
  for (const QJsonValue& value : json.Tables()) {
    const QJsonObject table = value.toObject();
    if (table["table"] == "PC_CARD") {
      EXPECT_TRUE(table["rows_last_pass"].isNull());
    }
    if (table["table"] == "OFFICE") {
      EXPECT_TRUE(table["complete_as_of"].isNull());
    }
  }
  ASSERT_EQ(json.json["lagging"].toArray().size(), 1);
  EXPECT_EQ(json.json["lagging"][0]["table"], "OFFICE");

  const StatusJson bad_line = RunStatusJson({"--max-lag", "soon"}, dbs.Dir().Path());
  EXPECT_EQ(bad_line.status, 2);
  EXPECT_EQ(bad_line.json["exit_status"].toInt(), 2);
  EXPECT_TRUE(Contains(bad_line.json["error"].toString().toStdString(), "--max-lag"))
      << bad_line.err;
}

// Nothing is created where no one asked: a working database that fails its check leaves no copy
// file, and without settings files a database the line does not name is not taken from defaults.
TEST_F(BrindleSyncTest, NoDatabaseIsCreatedBeforeTheChecksPassOrAtADefaultPath) {
  const std::string new_copy = dbs.Dir() / "new-copy.fdb";
  const RunResult refused =
      Once({"--work", dbs.WorkConnStr(), "--copy", OfficeDatabasePair::ConnStr(new_copy)});
  EXPECT_EQ(refused.status, 2);
  EXPECT_TRUE(Contains(refused.err, "рабочей")) << refused.err;
  EXPECT_FALSE(std::filesystem::exists(new_copy));

  const RunResult unnamed = Once({"--work", dbs.WorkConnStr()});
  EXPECT_EQ(unnamed.status, 2);
  EXPECT_TRUE(Contains(unnamed.err, "Копия базы данных не задана")) << unnamed.err;
}

// The working server away at start-up: the service starts anyway, says what it waits for, counts
// each try as a failed pass in the metrics, keeps its passwords out of ps, and copies once the
// server is back.
TEST_F(BrindleSyncServiceTest, WaitsForAWorkingServerThatIsAwayAtStartAndCopiesOnceItIsBack) {
  testing::TempDir server_dir;
  testing::OwnServer server(server_dir / "fbserver/", 300);
  OfficeDatabasePair far(server.Port());
  WriteParam(far.WorkConnStr(), "OFFICE_DB_STRUCT_VERSION", "12");
  server.Stop();
  unsetenv("BRINDLE_WORK_PASSWORD");
  unsetenv("BRINDLE_COPY_PASSWORD");
  const std::string metrics_path = dbs.Dir() / "brindle.prom";
  SyncProcess sync({"--work", far.WorkConnStr(), "--copy", dbs.CopyConnStr(), "--work-password",
                    TestDatabase::Password(), "--copy-password=" + TestDatabase::Password(),
                    "--period", "1", "--metrics-file", metrics_path},
                   dbs.Dir().Path());
  ASSERT_TRUE(notices.WaitFor("READY=1", 120s)) << sync.Err() << notices.Text();
  const std::string command_line =
      testing::ReadFile("/proc/" + std::to_string(sync.Pid()) + "/cmdline");
  EXPECT_EQ(command_line.find(TestDatabase::Password()), std::string::npos) << command_line;
  EXPECT_TRUE(notices.WaitFor(
      [](const std::string& got) { return StartsWith(got, "STATUS=Ожидание баз данных"); }, 5s))
      << notices.Text();
  ASSERT_TRUE(notices.WaitFor(
      [](const std::string& got) { return Contains(got, "неудачных попыток: 2"); }, 120s))
      << notices.Text();
  const testing::PrometheusText waiting =
      testing::ParsePrometheusText(testing::ReadFile(metrics_path));
  EXPECT_GE(waiting.Value("brindle_failed_passes"), 1);
  EXPECT_EQ(waiting.Value("brindle_last_success_timestamp_seconds"), 0);

  server.Start();
  EXPECT_TRUE(notices.WaitFor(IsCompletedStatus, 180s)) << sync.Err() << notices.Text();
  const testing::PrometheusText copying =
      testing::ParsePrometheusText(testing::ReadFile(metrics_path));
  EXPECT_EQ(copying.Value("brindle_failed_passes"), 0);
  StopAndExpectStopping(sync);
}

}  // namespace
}  // namespace brindle
