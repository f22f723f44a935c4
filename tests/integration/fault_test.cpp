// Copying under faults, on real servers: the console program killed in the middle of a pass, the
// server stopped in the middle of a pass, writers busy while passes run every second, and the
// window and console programs sharing their settings and log. Each test ends by comparing every
// replicated table of the copy with the working database, row by row and column by column.
#include <gtest/gtest.h>
#include <ibase.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "dbaccess/conf_calls.h"
#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "infra/logger.h"
#include "infra/program_log.h"
#include "platform/suite_root.h"
#include "replication/copy_engine.h"
#include "replication/copy_pass.h"
#include "schema/replicated_tables.h"
#include "settings/copy_settings.h"
#include "settings/password_scrambler.h"
#include "settings/settings_file.h"
#include "tests/support/log_lines.h"
#include "tests/support/office_databases.h"
#include "tests/support/own_server.h"
#include "tests/support/process.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_database.h"
#include "tests/support/test_fyrn.h"
#include "ui/copy_control.h"

namespace brindle {
namespace {

using namespace std::chrono_literals;
using testing::OfficeDatabasePair;
using testing::RecordedProcess;

constexpr char kPassStarted[] = "Начало копирования БД";
constexpr char kPassEnded[] = "Копирование БД завершено";
constexpr char kTableCopied[] = "Обработка таблицы [";
constexpr char kPassFailed[] = "Ошибка при копировании БД: ";
constexpr char kPassSkipped[] = "Копирование пропущено: ";

// Waits for the condition, checking it every 20 ms; false when the time ran out first.
bool Eventually(const std::function<bool()>& condition, std::chrono::seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// The client's codes for a connection that broke or a server that went down.
bool IsConnectionLoss(std::intptr_t code) {
  for (const std::intptr_t loss :
       {isc_net_read_err, isc_net_write_err, isc_network_error, isc_conn_lost,
        isc_lost_db_connection, isc_att_shutdown, isc_shutdown}) {
    if (code == loss) return true;
  }
  return false;
}

std::string SharedLogPath() {
  return SuitePath("LogFiles/Brindle.log");
}

std::size_t CountStartingWith(const std::vector<std::string>& messages, const std::string& start) {
  return std::count_if(messages.begin(), messages.end(),
                       [&](const std::string& message) { return message.starts_with(start); });
}

// Compares the whole copy with the working database; returns the rows compared.
std::int64_t ExpectCopyEqualsWork(const OfficeDatabasePair& dbs, const std::string& test) {
  ibx::TIBDatabase work = dbs.ConnectWork();
  ibx::TIBDatabase copy = dbs.ConnectCopy();
  const testing::TableDifference result = testing::CompareReplicatedTables(work, copy);
  constexpr std::size_t kShown = 20;
  for (std::size_t i = 0; i < std::min(kShown, result.differences.size()); ++i) {
    ADD_FAILURE() << result.differences[i];
  }
  EXPECT_EQ(result.differences.size(), 0u) << "rows or values differ";
  std::cout << test << ": " << result.rows_checked << " rows of " << ReplicatedTables().size()
            << " tables compared column by column, " << result.differences.size()
            << " differences\n";
  return result.rows_checked;
}

// Writes to the working database on a connection of its own until stopped: new rows, or new
// values for the rows 0 .. 49 that FillReplicatedTables made, one table after another.
class Writer {
 public:
  enum class Kind { kInserts, kUpdates };
  Writer(const OfficeDatabasePair& dbs, Kind kind, std::int32_t first_key)
      : thread_([this, &dbs, kind, first_key] { Run(dbs, kind, first_key); }) {}
  ~Writer() { Stop(); }

  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  std::int64_t Rows() const { return rows_; }
  const std::string& Error() const { return error_; }

 private:
  void Run(const OfficeDatabasePair& dbs, Kind kind, std::int32_t first_key) {
    constexpr std::int32_t kBatch = 5;
    try {
      ibx::TIBDatabase db = dbs.ConnectWork();
      const auto tables = ReplicatedTables();
      for (std::int32_t round = 0; !stop_; ++round) {
        const ReplicatedTable& entry = tables[round % tables.size()];
        const std::string table(entry.table), key(entry.key_column);
        const std::int32_t turn = round / static_cast<std::int32_t>(tables.size());
        if (kind == Kind::kInserts) {
          testing::InsertSampleRows(db, table, key, first_key + turn * kBatch, kBatch);
        } else {
          testing::UpdateSampleRows(db, table, key, (turn * kBatch) % 50, kBatch, 1 + round % 20);
        }
        rows_ += kBatch;
      }
    } catch (const std::exception& e) {
      error_ = e.what();
    }
  }

  std::atomic<bool> stop_{false};
  std::atomic<std::int64_t> rows_{0};
  std::string error_;
  std::thread thread_;  // last: starts once the rest is built
};

// The copy engine with the real pass copying the pair every second, counting the passes and
// their outcomes.
class CountedCopying {
 public:
  explicit CountedCopying(const OfficeDatabasePair& dbs)
      : engine_(testing::TestFyrn(), Settings(dbs), [this](const TPassResult& result) {
          if (result.Failed() && result.Error) {
            const std::lock_guard lock(errors_mutex_);
            errors_.push_back(*result.Error);
          }
          ++(result.Failed() ? failed_ : succeeded_);
        }) {
    engine_.SetCopyEnabled(true);
    engine_.WakeUp();
  }
  // Ends with the pass that runs.
  ~CountedCopying() { engine_.SetCopyEnabled(false); }

  TCopyEngine& Engine() { return engine_; }
  int Succeeded() const { return succeeded_; }
  int Failed() const { return failed_; }
  // The error of failed pass number `index` (from 0), if there has been one.
  std::optional<TPassError> FailedPassError(int index) const {
    const std::lock_guard lock(errors_mutex_);
    if (index >= static_cast<int>(errors_.size())) return std::nullopt;
    return errors_[static_cast<std::size_t>(index)];
  }

 private:
  static TCopySettings Settings(const OfficeDatabasePair& dbs) {
    TCopySettings settings = dbs.Settings();
    settings.CheckPeriod = 1;
    return settings;
  }

  std::atomic<int> succeeded_{0};
  std::atomic<int> failed_{0};
  mutable std::mutex errors_mutex_;
  std::vector<TPassError> errors_;
  TCopyEngine engine_;  // last: its passes count into the above
};

class FaultTest : public ::testing::Test {
 protected:
  void TearDown() override { SetProgramLog(nullptr); }

  // A working database that the programs' checks accept.
  static void MarkWorking(const OfficeDatabasePair& pair) {
    WriteConfString(*testing::OpenOfficeConf(pair.WorkConnStr()), "PARAMS",
                    "OFFICE_DB_STRUCT_VERSION", "12");
  }
  static void Fill(const OfficeDatabasePair& pair, std::int32_t rows_per_table) {
    ibx::TIBDatabase work = pair.ConnectWork();
    testing::FillReplicatedTables(work, rows_per_table);
  }
  // The program log of this process, as the programs keep it.
  static void LogInto(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    SetProgramLog(std::make_unique<TMirtLogger>(path));
  }
};

// Settings from which both programs copy the pair, a pass a second, the window from its start.
void WriteProgramSettings(const OfficeDatabasePair& dbs) {
  const std::string password = ScramblePassword(testing::TestDatabase::Password());
  WriteSettingString("cnf", "OFCDB", "ConnStr", dbs.WorkConnStr());
  WriteSettingString(kCopySettingsName, "OFCDB", "ConnStr", dbs.WorkConnStr());
  WriteSettingString(kCopySettingsName, "OFCDB", "Password", password);
  WriteSettingString(kCopySettingsName, "TARGETDB", "ConnStr", dbs.CopyConnStr());
  WriteSettingString(kCopySettingsName, "TARGETDB", "Password", password);
  WriteSettingInt(kCopySettingsName, "PARAMS", "CheckPeriod", 1);
  WriteSettingBool(kCopySettingsName, "PARAMS", "AutoStartCopy", true);
  // Both programs take everything from the settings; the window needs no screen.
  unsetenv("BRINDLE_WORK_PASSWORD");
  unsetenv("BRINDLE_COPY_PASSWORD");
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// Waits until the shared log shows `tables` more tables copied than `before` did.
void WaitForTablesCopied(const std::vector<std::string>& before, std::size_t tables,
                         const RecordedProcess& program) {
  const std::size_t wanted = CountStartingWith(before, kTableCopied) + tables;
  ASSERT_TRUE(Eventually(
      [&] {
        return CountStartingWith(testing::LogMessages(SharedLogPath()), kTableCopied) >= wanted;
      },
      120s))
      << program.Out() << program.Err();
}

// brindle-sync on the pair, passwords from the environment, output in files of the test.
std::unique_ptr<RecordedProcess> StartSync(const OfficeDatabasePair& dbs,
                                           std::vector<std::string> args) {
  setenv("BRINDLE_WORK_PASSWORD", testing::TestDatabase::Password().c_str(), 1);
  setenv("BRINDLE_COPY_PASSWORD", testing::TestDatabase::Password().c_str(), 1);
  std::vector<std::string> argv{BRINDLE_SYNC_PATH, "--work", dbs.WorkConnStr(), "--copy",
                                dbs.CopyConnStr()};
  argv.insert(argv.end(), args.begin(), args.end());
  static std::atomic<int> run{0};
  return std::make_unique<RecordedProcess>(argv, dbs.Dir() / ("sync-" + std::to_string(++run)));
}

// A pass of brindle-sync killed with SIGKILL part-way through its tables: what it committed
// stays, its open transaction is rolled back by the server, and the next run completes the copy.
// Once during the first fill (no marks yet) and once during a pass over changed rows.
TEST_F(FaultTest, SyncKilledMidPassThenANewPassCompletesTheCopy) {
  OfficeDatabasePair dbs;
  MarkWorking(dbs);
  Fill(dbs, 300);
  std::filesystem::create_directories(SuitePath("LogFiles"));

  auto kill_mid_pass = [&](const char* round) {
    SCOPED_TRACE(round);
    const auto before = testing::LogMessages(SharedLogPath());
    const std::size_t tables_before = CountStartingWith(before, kTableCopied);
    const std::size_t ends_before = CountStartingWith(before, kPassEnded);
    auto sync = StartSync(dbs, {"--period", "3600"});
    WaitForTablesCopied(before, 3, *sync);
    if (HasFatalFailure()) return;
    sync->Kill(SIGKILL);
    EXPECT_EQ(sync->Wait(), 128 + SIGKILL);
    const auto after = testing::LogMessages(SharedLogPath());
    ASSERT_EQ(CountStartingWith(after, kPassEnded), ends_before) << "the pass was not cut short";
    std::cout << round << ": killed after "
              << CountStartingWith(after, kTableCopied) - tables_before << " of "
              << ReplicatedTables().size() << " tables\n";

    auto again = StartSync(dbs, {"--once"});
    ASSERT_EQ(again->WaitOrKill(120s), 0) << again->Out() << again->Err();
    EXPECT_NE(again->Out().find("Копирование завершено"), std::string::npos) << again->Out();
    ExpectCopyEqualsWork(dbs, round);
  };

  kill_mid_pass("killed during the first fill");
  {
    // Every row changes and each table gets new ones, so the next pass updates and inserts.
    ibx::TIBDatabase work = dbs.ConnectWork();
    for (const ReplicatedTable& entry : ReplicatedTables()) {
      const std::string table(entry.table), key(entry.key_column);
      testing::UpdateSampleRows(work, table, key, 0, 300, 1);
      testing::InsertSampleRows(work, table, key, 300, 100);
    }
  }
  kill_mid_pass("killed during a pass over changed rows");
}

// A row of a copy table held by an open transaction of the test's own: a pass that writes the
// row waits for it, so the pass is still running, at a known table, when the server goes.
class HeldCopyRow {
 public:
  HeldCopyRow(const OfficeDatabasePair& dbs, const std::string& table, std::int32_t key)
      : copy_(dbs.ConnectCopy()), holder_(copy_) {
    ibx::TIBDataSet hold(copy_, &holder_);
    hold.SetSelectSQL("UPDATE \"" + table + "\" SET ID = ID WHERE ID = " + std::to_string(key));
    hold.ExecSQL();
    if (hold.RowsAffected() != 1) throw std::runtime_error("no row to hold in the copy");
  }

 private:
  ibx::TIBDatabase copy_;
  ibx::TIBTransaction holder_;
};

// The server goes away while a pass copies: the pass fails with the lost connection as its
// error, logged and published to the window's snapshot; passes fail while the server is down, and
// the first pass after the server is back completes the copy. Once during the first fill and once
// during a pass that re-reads and compares every row. The test has a server of its own to stop;
// a held row of the copy keeps the pass from ending before the server is gone, however busy the
// machine.
TEST_F(FaultTest, ServerStoppedMidPassThenStartedAgain) {
  testing::TempDir server_dir;
  testing::OwnServer server(server_dir / "fbserver/");
  OfficeDatabasePair dbs(server.Port());
  Fill(dbs, 300);
  LogInto(dbs.Dir() / "program.log");
  const std::string big_table = "PC_LOGTRAN_BK";
  const auto& tables = ReplicatedTables();
  const auto big_no = static_cast<std::int32_t>(
      std::find_if(tables.begin(), tables.end(),
                   [&](const ReplicatedTable& t) { return t.table == big_table; }) -
      tables.begin() + 1);
  // The first fill finds this row in the copy already, differing (the copy stamped it), and
  // waits to update it.
  std::optional<HeldCopyRow> held;
  {
    ibx::TIBDatabase copy = dbs.ConnectCopy();
    testing::InsertSampleRows(copy, big_table, "ID", 150, 1);
    held.emplace(dbs, big_table, 150);
  }

  CountedCopying copying(dbs);
  const TCopyEngine& engine = copying.Engine();
  const TPassProgress& progress = engine.Progress();
  // Stops the server while a pass waits for the held row.
  auto stop_mid_pass = [&](const char* round) {
    SCOPED_TRACE(round);
    const int failed_before = copying.Failed();
    const int succeeded_before = copying.Succeeded();
    const std::size_t logged_before = testing::LogMessages(dbs.Dir() / "program.log").size();
    ASSERT_TRUE(Eventually([&] { return progress.Busy && progress.TableNo == big_no; }, 120s));
    server.Stop();
    held.reset();
    ASSERT_TRUE(Eventually([&] { return copying.Failed() >= failed_before + 2; }, 60s))
        << "a pass with the server down must fail, and so must the next";
    const TPassOutcome down = engine.Outcome();
    EXPECT_NE(down.LastErrorText, "");
    EXPECT_GT(down.LastErrorTime, 0);
    EXPECT_EQ(copying.Succeeded(), succeeded_before);

    const auto messages = testing::LogMessages(dbs.Dir() / "program.log");
    const auto failure =
        std::find_if(messages.begin() + logged_before, messages.end(),
                     [](const auto& message) { return message.starts_with(kPassFailed); });
    ASSERT_NE(failure, messages.end());
    const std::string error = failure->substr(std::string(kPassFailed).size());
    EXPECT_NE(std::find(messages.begin(), messages.end(), kPassFailed + down.LastErrorText),
              messages.end())
        << "the published error is the logged one";
    std::cout << round << ": error of the interrupted pass: " << error << "\n";
    // The failure names the table it cut, and what it says is that the connection went.
    const std::optional<TPassError> first = copying.FailedPassError(failed_before);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Table, big_table);
    EXPECT_EQ(first->Text, error);
    EXPECT_TRUE(error.starts_with("Репликация таблицы \"" + big_table + "\"")) << error;
    EXPECT_TRUE(std::ranges::any_of(first->GdsCodes, IsConnectionLoss)) << error;

    server.Start();
    ASSERT_TRUE(Eventually([&] { return copying.Succeeded() > succeeded_before; }, 60s))
        << engine.Outcome().LastErrorText;
    const TPassOutcome recovered = engine.Outcome();
    EXPECT_EQ(recovered.LastErrorText, "");
    EXPECT_EQ(recovered.LastErrorTime, 0);
    EXPECT_GT(recovered.LastCopyTime, 0);
    std::cout << round
              << ": passes failed while the server was away: " << copying.Failed() - failed_before
              << "\n";
  };

  stop_mid_pass("stopped during the first fill");
  ExpectCopyEqualsWork(dbs, "server stopped during the first fill");

  // Every row is now within the overlap, so each pass fetches the copy's rows of each batch and
  // compares them. A row far into a table of 60,000 rows is changed and held in the copy: the
  // first pass to read the change compares up to it and waits there.
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::InsertSampleRows(work, big_table, "ID", 300, 60000);
  }
  const int passes = copying.Succeeded();
  ASSERT_TRUE(Eventually([&] { return copying.Succeeded() >= passes + 2; }, 120s));
  // Between passes, so that every pass from now on reads the change.
  copying.Engine().SetCopyEnabled(false);
  ASSERT_TRUE(Eventually([&] { return !progress.Busy; }, 120s));
  held.emplace(dbs, big_table, 50000);
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::UpdateSampleRows(work, big_table, "ID", 50000, 1, 1);
  }
  copying.Engine().SetCopyEnabled(true);
  copying.Engine().WakeUp();
  stop_mid_pass("stopped during a pass that compares every row");
  ExpectCopyEqualsWork(dbs, "server stopped during a comparing pass");
}

// Two writers change the working database for a minute while the copy thread runs a pass every
// second; one more pass after they stop brings every row over.
TEST_F(FaultTest, WritersDuringPassesEverySecondLoseNothing) {
  constexpr auto kWriting = 60s;
  OfficeDatabasePair dbs;
  Fill(dbs, 50);
  LogInto(dbs.Dir() / "program.log");

  std::int64_t inserted = 0, updated = 0;
  int succeeded = 0, failed = 0;
  {
    CountedCopying copying(dbs);
    Writer inserts(dbs, Writer::Kind::kInserts, 1000);
    Writer updates(dbs, Writer::Kind::kUpdates, 0);
    std::this_thread::sleep_for(kWriting);
    inserts.Stop();
    updates.Stop();
    ASSERT_EQ(inserts.Error(), "");
    ASSERT_EQ(updates.Error(), "");
    inserted = inserts.Rows();
    updated = updates.Rows();
    copying.Engine().SetCopyEnabled(false);
    // Leaving the block waits for a running pass to end.
    succeeded = copying.Succeeded();
    failed = copying.Failed();
  }
  EXPECT_EQ(failed, 0) << "writers never make a pass fail";
  EXPECT_GE(succeeded, 2) << "passes ran while the writers wrote";
  EXPECT_GT(inserted, 0);
  EXPECT_GT(updated, 0);

  TPassProgress progress;
  TPassMemory memory;
  const TPassResult result = RunCopyPass(testing::TestFyrn(), dbs.Settings(), progress, memory);
  ASSERT_EQ(result.Status, TPassStatus::kCompleted)
      << (result.Error ? result.Error->Text : "skipped");
  const std::int64_t rows = ExpectCopyEqualsWork(dbs, "writers during passes");
  EXPECT_GT(rows, 37 * 50) << "the written rows are among those compared";
  std::cout << "passes while writing: " << succeeded << "; rows inserted " << inserted
            << ", rows updated " << updated << "\n";
}

// The window program and brindle-sync at once on one suite root: both read the settings files,
// the window writes them at each start and end, both write the one log. Every program run is
// whole in the log, no line is torn, the settings keep every value, and after a last pass the
// copy holds every row. The copy's lock lets one program copy at a time: a pass that finds the
// other one copying is skipped, and no pass fails.
TEST_F(FaultTest, TwoProgramsShareTheSettingsFilesAndTheLog) {
  constexpr auto kRunning = 20s;
  OfficeDatabasePair dbs;
  MarkWorking(dbs);
  Fill(dbs, 50);
  std::filesystem::create_directories(SuitePath("LogFiles"));
  WriteProgramSettings(dbs);

  const auto deadline = std::chrono::steady_clock::now() + kRunning;
  int window_runs = 0, sync_runs = 0;
  std::vector<std::string> problems;  // gathered by the loops, reported by the test thread
  std::mutex problems_lock;
  auto problem = [&](std::string text) {
    std::lock_guard lock(problems_lock);
    problems.push_back(std::move(text));
  };
  {
    Writer writer(dbs, Writer::Kind::kUpdates, 0);
    std::thread window_loop([&] {
      for (; std::chrono::steady_clock::now() < deadline; ++window_runs) {
        RecordedProcess window({BRINDLE_PROGRAM_PATH},
                               dbs.Dir() / ("window-" + std::to_string(window_runs)));
        std::this_thread::sleep_for(2500ms);
        window.Kill(SIGTERM);
        const std::optional<int> status = window.WaitOrKill(60s);
        if (status != 0) problem("the window program ended with " + window.Err());
      }
    });
    std::thread sync_loop([&] {
      for (; std::chrono::steady_clock::now() < deadline; ++sync_runs) {
        RecordedProcess sync({BRINDLE_SYNC_PATH, "--once"},
                             dbs.Dir() / ("sync-" + std::to_string(sync_runs)));
        const std::optional<int> status = sync.WaitOrKill(60s);
        if (status != 0) {
          problem("brindle-sync ended with " + (status ? std::to_string(*status) : "a timeout") +
                  ": " + sync.Err());
        }
      }
    });
    window_loop.join();
    sync_loop.join();
    writer.Stop();
    ASSERT_EQ(writer.Error(), "");
  }
  for (const std::string& text : problems) ADD_FAILURE() << text;
  EXPECT_GE(window_runs, 2);
  EXPECT_GE(sync_runs, 2);

  RecordedProcess last({BRINDLE_SYNC_PATH, "--once"}, dbs.Dir() / "sync-last");
  ASSERT_EQ(last.WaitOrKill(120s), 0) << last.Out() << last.Err();
  const int runs = window_runs + sync_runs + 1;

  const auto messages = testing::LogMessages(SharedLogPath());
  EXPECT_EQ(CountStartingWith(messages, "Программа запущена"), static_cast<std::size_t>(runs));
  EXPECT_EQ(CountStartingWith(messages, "Выход из программы"), static_cast<std::size_t>(runs));
  EXPECT_EQ(CountStartingWith(messages, "Поток запущен"), static_cast<std::size_t>(runs));
  EXPECT_EQ(CountStartingWith(messages, "Поток остановлен"), static_cast<std::size_t>(runs));
  const std::size_t failed_passes = CountStartingWith(messages, kPassFailed);
  const std::size_t skipped_passes = CountStartingWith(messages, kPassSkipped);
  EXPECT_EQ(failed_passes, 0u) << "the programs never collide";
  const std::vector<std::string> known = {
      "Программа запущена", "Выход из программы", "Поток запущен",
      "Поток остановлен",   kPassStarted,         kPassEnded,
      kTableCopied,         kPassSkipped,         "Команда \"Прервать ожидание\""};
  for (const std::string& message : messages) {
    EXPECT_TRUE(message.empty() ||
                std::any_of(known.begin(), known.end(),
                            [&](const auto& start) { return message.starts_with(start); }))
        << "torn or unexpected: " << message;
  }

  EXPECT_EQ(ReadSettingString(kCopySettingsName, "OFCDB", "ConnStr", ""), dbs.WorkConnStr());
  EXPECT_EQ(ReadSettingString(kCopySettingsName, "TARGETDB", "ConnStr", ""), dbs.CopyConnStr());
  for (const char* section : {"OFCDB", "TARGETDB"}) {
    EXPECT_EQ(UnscramblePassword(ReadSettingString(kCopySettingsName, section, "Password", "")),
              testing::TestDatabase::Password());
  }
  EXPECT_EQ(ReadSettingInt(kCopySettingsName, "PARAMS", "CheckPeriod", 0), 1);
  EXPECT_TRUE(ReadSettingBool(kCopySettingsName, "PARAMS", "AutoStartCopy", false));
  for (const auto& entry : std::filesystem::directory_iterator(SuitePath("INI"))) {
    EXPECT_TRUE(entry.path().extension() == ".set") << "left behind: " << entry.path();
  }

  ExpectCopyEqualsWork(dbs, "two programs at once");
  std::cout << "runs: window " << window_runs << ", brindle-sync " << sync_runs
            << "; passes skipped while the other program copied " << skipped_passes << "\n";
  for (const std::string& message : messages) {
    if (message.starts_with(kPassFailed)) std::cout << "  " << message << "\n";
  }
}

// A desktop session ends the window program with SIGTERM in the middle of a pass: the pass goes
// on to its end, as the thread's stop promises, rather than failing on cut connections.
TEST_F(FaultTest, WindowProgramEndedMidPassFinishesThePass) {
  OfficeDatabasePair dbs;
  MarkWorking(dbs);
  Fill(dbs, 300);
  std::filesystem::create_directories(SuitePath("LogFiles"));
  WriteProgramSettings(dbs);

  RecordedProcess window({BRINDLE_PROGRAM_PATH}, dbs.Dir() / "window");
  WaitForTablesCopied({}, 3, window);
  if (HasFatalFailure()) return;
  window.Kill(SIGTERM);
  ASSERT_EQ(window.WaitOrKill(120s), 0) << window.Err();

  const auto messages = testing::LogMessages(SharedLogPath());
  EXPECT_EQ(CountStartingWith(messages, kPassFailed), 0u) << ::testing::PrintToString(messages);
  ASSERT_GE(messages.size(), 3u);
  EXPECT_EQ(messages[messages.size() - 3], kPassEnded);
  EXPECT_EQ(messages[messages.size() - 2], "Поток остановлен");
  EXPECT_EQ(messages.back(), "Выход из программы");
  ExpectCopyEqualsWork(dbs, "window program ended mid-pass");
}

}  // namespace
}  // namespace brindle
