// The copy database's lock against the private server: a second copier is refused at once and
// told who holds the lock; the lock goes with its holder's connection and with its killed
// process; copiers racing for a lock whose row does not exist yet get exactly one winner; and
// the lock leaves nothing committed but its row, while other keys stay writable.
//
// The killed holder is a copy of this test program in its holder mode: with
// BRINDLE_COPY_LOCK_TEST_DB set it takes the lock of that copy, creates the file named by
// BRINDLE_COPY_LOCK_TEST_FILE and waits to be killed.
#include "replication/copy_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <iostream>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "dbaccess/conf_calls.h"
#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "platform/shared_library.h"
#include "platform/suite_root.h"
#include "tests/support/office_databases.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::ExecuteCommitted;

constexpr char kHolderDbVariable[] = "BRINDLE_COPY_LOCK_TEST_DB";
constexpr char kHolderFileVariable[] = "BRINDLE_COPY_LOCK_TEST_FILE";
constexpr char kLockKey[] =
    "FILENAME = 'CONF' AND COMPUTERNAME = '*' AND USERNAME = '*' "
    "AND SECTIONNAME = 'REPLICATION_INFO' AND PARAMNAME = 'COPY_LOCK'";
const std::string kLockRow = std::string(" FROM CONFIGPARAMS WHERE ") + kLockKey;

std::string ProgramPath() {
  return ProgramFolder() + ProgramFileName();
}

// How a refused copier names the holder of that process id and program on this computer.
std::string HolderText(pid_t pid, const std::string& program = ProgramPath()) {
  return "компьютер " + ComputerName() + ", процесс " + program + " (pid " + std::to_string(pid) +
         ")";
}

double Ms(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The first column of a query in a transaction of its own, as a fresh look at the monitoring
// tables needs.
std::string Look(ibx::TIBDatabase& db, const std::string& sql) {
  ibx::TIBTransaction look(db, ibx::TIBTransactionKind::ReadOnly);
  ibx::TIBDataSet query(db, &look);
  query.SetSelectSQL(sql);
  query.Open();
  return query.Eof() || query.Fields(0).IsNull() ? "" : query.Fields(0).AsString();
}

// Runs body on a thread of its own; false when it did not end within the time, after unblock
// (ending what it waits for) has let it end, so that the test fails rather than hangs.
bool EndsWithin(std::chrono::milliseconds time, const std::function<void()>& body,
                const std::function<void()>& unblock) {
  std::future<void> done = std::async(std::launch::async, body);
  const bool ended = done.wait_for(time) == std::future_status::ready;
  if (!ended) unblock();
  done.get();
  return ended;
}

// Expects TryAcquire to be refused without waiting for the holder; false when it waited.
bool RefusedAtOnce(TCopyLock& lock, const std::function<void()>& unblock, double* ms = nullptr) {
  bool taken = true;
  double took = 0;
  const bool answered = EndsWithin(
      5s,
      [&] {
        const auto start = Clock::now();
        taken = lock.TryAcquire();
        took = Ms(start);
      },
      unblock);
  EXPECT_TRUE(answered) << "TryAcquire waited for the holder";
  EXPECT_FALSE(taken);
  EXPECT_FALSE(lock.Held());
  EXPECT_LT(took, 1000);
  if (ms) *ms = took;
  return answered;
}

// The holder mode, set up before any test and never returning into them.
class HolderMode : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* db = std::getenv(kHolderDbVariable);
    const char* file = std::getenv(kHolderFileVariable);
    if (!db || !file) return;
    // As in the window program, whose Qt takes the locale from the environment: without it the
    // Firebird client refuses to attach from a program path that is not ASCII.
    std::setlocale(LC_ALL, "");
    try {
      ibx::TIBDatabase copy = testing::OfficeDatabasePair::Connect(db);
      TCopyLock lock(copy);
      if (!lock.TryAcquire()) std::_Exit(2);
      testing::WriteFile(file, "");
      std::this_thread::sleep_for(60s);  // the bound only keeps an orphan from lingering
      std::_Exit(0);
    } catch (const std::exception& e) {
      std::cerr << "holder mode: " << e.what() << "\n";
      std::_Exit(1);
    }
  }
};

[[maybe_unused]] ::testing::Environment* const holder_mode =
    ::testing::AddGlobalTestEnvironment(new HolderMode);

class CopyLock : public ::testing::Test {
 protected:
  std::string LockRows() { return Look(b, "SELECT COUNT(*)" + kLockRow); }

  testing::OfficeDatabasePair dbs;
  ibx::TIBDatabase a{dbs.ConnectCopy()};
  ibx::TIBDatabase b{dbs.ConnectCopy()};
};

TEST_F(CopyLock, SecondCopierIsRefusedAtOnceAndToldWhoHoldsTheLock) {
  ASSERT_EQ(LockRows(), "0");
  TCopyLock first(a);
  TCopyLock second(b);
  auto start = Clock::now();
  ASSERT_TRUE(first.TryAcquire());
  const double creating = Ms(start);
  EXPECT_TRUE(first.Held());
  EXPECT_EQ(LockRows(), "1");

  double refused = 0;
  ASSERT_TRUE(RefusedAtOnce(
      second, [&] { first.Release(); }, &refused));
  EXPECT_EQ(second.HolderText(), HolderText(getpid()));
  EXPECT_TRUE(first.TryAcquire());  // holding already is holding

  first.Release();
  first.Release();
  EXPECT_FALSE(first.Held());
  start = Clock::now();
  ASSERT_TRUE(second.TryAcquire());
  const double taking = Ms(start);
  EXPECT_EQ(second.HolderText(), "");
  ASSERT_TRUE(RefusedAtOnce(first, [&] { second.Release(); }));
  EXPECT_EQ(first.HolderText(), HolderText(getpid()));
  std::cout << "TryAcquire: " << creating << " ms creating the row, " << taking << " ms taking it, "
            << refused << " ms refused\n";
}

// A pass refused by a repair is told that a repair holds the copy, not another copier.
TEST_F(CopyLock, ARefusedAttemptSaysWhetherAPassOrARepairHoldsTheCopy) {
  TCopyLock repair(a, TCopyLockUse::kRepair);
  TCopyLock pass(b);
  ASSERT_TRUE(repair.TryAcquire());
  EXPECT_FALSE(pass.TryAcquire());
  EXPECT_EQ(pass.HolderUse(), TCopyLockUse::kRepair);
  EXPECT_EQ(pass.HolderText(), HolderText(getpid())) << "the use is no part of the holder's name";
  repair.Release();
  ASSERT_TRUE(pass.TryAcquire());
  EXPECT_FALSE(repair.TryAcquire());
  EXPECT_EQ(repair.HolderUse(), TCopyLockUse::kCopy);
  EXPECT_NE(CopyTakenText(TCopyLockUse::kRepair, ""), CopyTakenText(TCopyLockUse::kCopy, ""));
}

TEST_F(CopyLock, HolderProcessKilledFreesTheLockAtOnce) {
  // Run from a folder whose name WIN1251 cannot hold: the name must not keep the holder from
  // taking the lock, and comes out with "?" for each such character.
  const std::string program = dbs.Dir() / "holder-汉字/replication_tests";
  std::filesystem::create_directories(std::filesystem::path(program).parent_path());
  std::filesystem::copy_file(ProgramPath(), program);
  const std::string holding = dbs.Dir() / "holding";
  std::vector<std::string> settings = {std::string(kHolderDbVariable) + "=" + dbs.CopyConnStr(),
                                       std::string(kHolderFileVariable) + "=" + holding,
                                       "LC_ALL=C.UTF-8"};
  std::vector<char*> env;
  for (std::string& setting : settings) env.push_back(setting.data());
  for (char** e = environ; *e; ++e) env.push_back(*e);
  env.push_back(nullptr);
  std::string filter = "--gtest_filter=CopyLock.*";  // the holder mode runs before any test
  char* argv[] = {const_cast<char*>(program.c_str()), filter.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv, env.data()), 0);
  posix_spawn_file_actions_destroy(&actions);
  const auto kill_holder = [&] {
    if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
    pid = -1;
  };
  struct Guard {
    std::function<void()> end;
    ~Guard() { end(); }
  } guard{kill_holder};
  const pid_t holder = pid;
  for (const auto deadline = Clock::now() + 30s; !std::filesystem::exists(holding);) {
    ASSERT_LT(Clock::now(), deadline) << "the holder process did not take the lock";
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      pid = -1;
      FAIL() << "the holder process ended";
    }
    std::this_thread::sleep_for(10ms);
  }

  TCopyLock lock(b);
  double refused = 0;
  ASSERT_TRUE(RefusedAtOnce(lock, kill_holder, &refused));
  std::string shown = std::filesystem::canonical(program).string();
  shown.replace(shown.find("汉字"), std::string("汉字").size(), "??");
  EXPECT_EQ(lock.HolderText(), HolderText(holder, shown));

  kill_holder();
  const auto start = Clock::now();
  int tries = 1;
  for (; !lock.TryAcquire() && Clock::now() < start + 2s; ++tries) {
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_TRUE(lock.Held()) << "still taken: " << lock.HolderText();
  std::cout << "refused in " << refused << " ms; taken " << Ms(start)
            << " ms after the holder's end, at try " << tries << "\n";
}

TEST_F(CopyLock, HolderConnectionClosedWithoutReleaseFreesTheLock) {
  TCopyLock other(b);
  {
    TCopyLock closed(a);
    ASSERT_TRUE(closed.TryAcquire());
    ASSERT_TRUE(RefusedAtOnce(other, [&] { closed.Release(); }));
    a.Close();
    EXPECT_FALSE(closed.Held());
    EXPECT_TRUE(other.TryAcquire());
    closed.Release();
  }  // and destroyed after its connection closed
  EXPECT_TRUE(other.Held());
}

// Threads rarely meet the moment when the winner's insert of the row is not yet committed, so
// that moment is also held open by hand, together with another program's pending write of the
// row, which names no holder: neither makes TryAcquire wait or raise.
TEST_F(CopyLock, CopiersRacingForALockWithoutItsRowGetExactlyOneWinner) {
  constexpr int kRounds = 15;
  ibx::TIBDatabase c = dbs.ConnectCopy();
  for (int round = 0; round < kRounds; ++round) {
    ExecuteCommitted(a, "DELETE" + kLockRow);
    TCopyLock one(b), two(c);
    bool won[2] = {};
    std::string errors[2];
    std::latch start(2);
    const auto race = [&](TCopyLock& lock, int i) {
      start.arrive_and_wait();
      try {
        won[i] = lock.TryAcquire();
      } catch (const std::exception& e) {
        errors[i] = e.what();
      }
    };
    std::thread first(race, std::ref(one), 0), second(race, std::ref(two), 1);
    first.join();
    second.join();
    EXPECT_EQ(errors[0] + errors[1], "") << "round " << round;
    ASSERT_NE(won[0], won[1]) << "round " << round;
    const TCopyLock& loser = won[0] ? two : one;
    EXPECT_TRUE(loser.HolderText().empty() || loser.HolderText() == HolderText(getpid()));
    EXPECT_EQ(LockRows(), "1");
  }

  ExecuteCommitted(a, "DELETE" + kLockRow);
  TCopyLock lock(b);
  ibx::TIBTransaction pending(a);
  ibx::TIBDataSet statement(a, &pending);
  statement.SetSelectSQL(
      "INSERT INTO CONFIGPARAMS (FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME) "
      "VALUES ('CONF', '*', '*', 'REPLICATION_INFO', 'COPY_LOCK')");
  statement.ExecSQL();
  ASSERT_TRUE(RefusedAtOnce(lock, [&] { pending.Rollback(); }));
  EXPECT_EQ(lock.HolderText(), "");
  pending.Commit();
  ASSERT_TRUE(lock.TryAcquire());
  lock.Release();
  statement.SetSelectSQL(std::string("UPDATE CONFIGPARAMS SET PARAMVALUE = 'x' WHERE ") + kLockKey);
  statement.ExecSQL();
  ASSERT_TRUE(RefusedAtOnce(lock, [&] { pending.Rollback(); }));
  EXPECT_EQ(lock.HolderText(), "");
  pending.Rollback();
  EXPECT_TRUE(lock.TryAcquire());
}

TEST_F(CopyLock, LeavesNothingCommittedButItsRowAndOtherKeysStayWritable) {
  TCopyLock lock(a);
  ASSERT_TRUE(lock.TryAcquire());
  lock.Release();
  const std::string version_query = "SELECT RDB$RECORD_VERSION" + kLockRow;
  const std::string version = Look(b, version_query);
  const std::string others =
      "SELECT COUNT(*) FROM CONFIGPARAMS "
      "WHERE PARAMNAME NOT IN ('COPY_LOCK', 'LOCK_TEST_KEY', 'LAST_COPY_TIME')";
  const std::string others_before = Look(b, others);
  ASSERT_NE(version, "");

  ASSERT_TRUE(lock.TryAcquire());
  EXPECT_EQ(Look(b, "SELECT COUNT(*) FROM MON$CONTEXT_VARIABLES"), "1");
  // The pass writes its marks on another connection while it holds the lock: a waiting
  // transaction there, and the configuration-table object, must not wait for the lock's row.
  double writing = 0;
  const bool written = EndsWithin(
      10s,
      [&] {
        const auto start = Clock::now();
        ibx::TIBTransaction write(b);
        ibx::TIBDataSet statement(b, &write);
        statement.SetSelectSQL(
            "INSERT INTO CONFIGPARAMS (FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME) "
            "VALUES ('CONF', '*', '*', 'REPLICATION_INFO', 'LOCK_TEST_KEY')");
        statement.ExecSQL();
        statement.SetSelectSQL(
            "UPDATE CONFIGPARAMS SET PARAMVALUE = '2' WHERE PARAMNAME = 'LOCK_TEST_KEY'");
        statement.ExecSQL();
        write.Commit();
        WriteConfDateTime(*testing::OpenOfficeConf(dbs.CopyConnStr()), "REPLICATION_INFO",
                          "LAST_COPY_TIME", Now());
        writing = Ms(start);
      },
      [&] { lock.Release(); });
  EXPECT_TRUE(written) << "a write of another key waited for the lock";
  EXPECT_TRUE(lock.Held());
  lock.Release();

  EXPECT_EQ(Look(b, version_query), version);  // the row was not written since its insert
  EXPECT_EQ(LockRows(), "1");
  EXPECT_EQ(Look(b, others), others_before);
  EXPECT_EQ(Look(b,
                 "SELECT COUNT(*) FROM CONFIGPARAMS WHERE PARAMNAME IN "
                 "('LOCK_TEST_KEY', 'LAST_COPY_TIME')"),
            "2");
  EXPECT_EQ(Look(b, "SELECT COUNT(*) FROM MON$CONTEXT_VARIABLES"), "0");
  EXPECT_EQ(Look(a,
                 "SELECT COUNT(*) FROM MON$TRANSACTIONS WHERE MON$READ_ONLY = 0 AND "
                 "MON$ATTACHMENT_ID = CURRENT_CONNECTION"),
            "0");
  std::cout << "other keys written in " << writing << " ms while the lock was held\n";
}

}  // namespace
}  // namespace brindle
