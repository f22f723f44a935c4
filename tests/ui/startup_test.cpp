// Start-up and shutdown: the display-scaling switch, the load of the copy settings, the
// program module's order in the log, and the real program run as a child process.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <thread>

#include "dbaccess/fyrn.h"
#include "infra/program_log.h"
#include "platform/suite_root.h"
#include "settings/copy_settings.h"
#include "settings/password_scrambler.h"
#include "settings/settings_file.h"
#include "startup/program_module.h"
#include "tests/support/office_databases.h"
#include "tests/support/process.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_fyrn.h"
#include "tests/ui/ui_test_support.h"
#include "ui/dpi_switch.h"

namespace brindle {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;

TEST(DpiSwitch, ReadsThreeCharactersAfterTheSwitch) {
  EXPECT_EQ(ParseDpiSwitch({"-DPI=120"}), 120);
  EXPECT_EQ(ParseDpiSwitch({"/dpi:120"}), 120);
  EXPECT_EQ(ParseDpiSwitch({"-DPI:1200"}), 120);
  EXPECT_EQ(ParseDpiSwitch({"/DPI:096"}), 96);
  EXPECT_EQ(ParseDpiSwitch({"-dPi=72"}), 72);
}

TEST(DpiSwitch, UnusableValuesLeaveTheScaling) {
  EXPECT_EQ(ParseDpiSwitch({}), std::nullopt);
  EXPECT_EQ(ParseDpiSwitch({"-DPI=0"}), std::nullopt);
  EXPECT_EQ(ParseDpiSwitch({"-DPI=abc"}), std::nullopt);
  EXPECT_EQ(ParseDpiSwitch({"-DPI=-12"}), std::nullopt);
}

TEST(DpiSwitch, OnlyTheFirstQualifyingArgumentCounts) {
  EXPECT_EQ(ParseDpiSwitch({"-DPI=", "-DPI=144"}), 144) << "-DPI= is too short to qualify";
  EXPECT_EQ(ParseDpiSwitch({"DPI=120", "--DPI=120", "-DPX=120"}), std::nullopt);
  EXPECT_EQ(ParseDpiSwitch({"-DPI=0", "-DPI=144"}), std::nullopt);
  EXPECT_EQ(ParseDpiSwitch({"-DPI=abc", "-DPI=144"}), std::nullopt);
  EXPECT_EQ(ParseDpiSwitch({"other", "/DPI=144", "-DPI=96"}), 144);
}

// The settings files of a fresh suite root and the binding's password.
class LoadCopySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::TestFyrn();
    std::filesystem::create_directories(SuitePath("LogFiles"));
    SetProgramLog(std::make_unique<TMirtLogger>(log_path));
  }
  void TearDown() override { SetProgramLog(nullptr); }

  TempDir dir;
  const std::string log_path = SuitePath("LogFiles/Brindle.log");
};

TEST_F(LoadCopySettingsTest, WithoutSettingsTakesTheDefaults) {
  const TCopySettings settings = LoadCopySettings(testing::TestFyrn().GetPassword());
  EXPECT_EQ(settings.WorkDBConnStr, DefaultOfficeDBConnStr());
  EXPECT_EQ(settings.WorkDBPassword, testing::TestFyrn().GetPassword());
  EXPECT_EQ(settings.CopyDBConnStr, DefaultOfficeDBConnStr());
  EXPECT_EQ(settings.CopyDBPassword, testing::TestFyrn().GetPassword());
  EXPECT_EQ(settings.CheckPeriod, 60);
  EXPECT_FALSE(settings.AutoStartCopy);
  EXPECT_EQ(settings.MarkOverlap, TCopySettings{}.MarkOverlap);
  EXPECT_EQ(settings.MarkHoldLimit, TCopySettings{}.MarkHoldLimit);
}

TEST_F(LoadCopySettingsTest, TheSuitesOfficeSettingComesFirst) {
  WriteSettingString("cnf", "OFCDB", "ConnStr", "suite/3050:/data/office.fdb");
  const TCopySettings settings = LoadCopySettings(testing::TestFyrn().GetPassword());
  EXPECT_EQ(settings.WorkDBConnStr, "suite/3050:/data/office.fdb");
  EXPECT_EQ(settings.CopyDBConnStr, DefaultOfficeDBConnStr())
      << "the copy's default is not the suite's";
  EXPECT_TRUE(testing::LogMessages(log_path).empty()) << "loading only reads";
}

TEST_F(LoadCopySettingsTest, TheProgramsOwnSettingsWin) {
  WriteSettingString("cnf", "OFCDB", "ConnStr", "suite/3050:/data/office.fdb");
  WriteSettingString("Brindle", "OFCDB", "ConnStr", "work/3050:/data/work.fdb");
  WriteSettingString("Brindle", "OFCDB", "Password", ScramblePassword("рабочий"));
  WriteSettingString("Brindle", "TARGETDB", "ConnStr", "copy/3050:/data/copy.fdb");
  WriteSettingString("Brindle", "TARGETDB", "Password", ScramblePassword("copy-pw"));
  WriteSettingInt("Brindle", "PARAMS", "CheckPeriod", 15);
  WriteSettingInt("Brindle", "PARAMS", "AutoStartCopy", 1);
  WriteSettingInt("Brindle", "PARAMS", "MarkOverlapSeconds", 30);
  WriteSettingInt("Brindle", "PARAMS", "MarkHoldHours", 0);
  const TCopySettings settings = LoadCopySettings(testing::TestFyrn().GetPassword());
  EXPECT_EQ(settings.WorkDBConnStr, "work/3050:/data/work.fdb");
  EXPECT_EQ(settings.WorkDBPassword, "рабочий");
  EXPECT_EQ(settings.CopyDBConnStr, "copy/3050:/data/copy.fdb");
  EXPECT_EQ(settings.CopyDBPassword, "copy-pw");
  EXPECT_EQ(settings.CheckPeriod, 15);
  EXPECT_TRUE(settings.AutoStartCopy);
  EXPECT_DOUBLE_EQ(settings.MarkOverlap * 86400, 30);
  EXPECT_EQ(settings.MarkHoldLimit, 0);
}

TEST_F(LoadCopySettingsTest, UnusableStoredPasswordsLeaveTheLibrarysOne) {
  const std::string library_password = testing::TestFyrn().GetPassword();
  WriteSettingString("Brindle", "OFCDB", "Password", ScramblePassword(""));
  WriteSettingString("Brindle", "TARGETDB", "Password", "not scrambled");
  WriteSettingInt("Brindle", "PARAMS", "AutoStartCopy", 2);
  const TCopySettings settings = LoadCopySettings(testing::TestFyrn().GetPassword());
  EXPECT_EQ(settings.WorkDBPassword, library_password);
  EXPECT_EQ(settings.CopyDBPassword, library_password);
  EXPECT_FALSE(settings.AutoStartCopy) << "only 1 is true";
}

// Start-up completes the suite's office database (the suite's setting, not the program's own
// working database) as the window always did, and says so: it used to tell only the structure
// library's own log.
TEST(ProgramModuleVerification, ACompletedOfficeDatabaseIsReported) {
  testing::TestFyrn();
  testing::OfficeDatabasePair dbs;  // its folder is the suite root from here on
  std::filesystem::create_directories(SuitePath("LogFiles"));
  {
    ibx::TIBDatabase work = dbs.ConnectWork();
    testing::ExecuteCommitted(work, "DROP TABLE DSCCARDS");
  }
  WriteSettingString("cnf", "OFCDB", "ConnStr", dbs.WorkConnStr());
  WriteSettingString("Brindle", "OFCDB", "ConnStr", dbs.CopyConnStr());
  WriteSettingString("Brindle", "OFCDB", "Password",
                     ScramblePassword(testing::TestDatabase::Password()));
  std::vector<std::string> warnings;
  {
    TProgramModule program(testing::TestFyrn());
    warnings = program.StartupWarnings();
  }
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_TRUE(warnings[0].starts_with("Структура базы данных офиса [" + dbs.WorkConnStr() +
                                      "] дополнена: создано объектов "))
      << warnings[0];
  const auto messages = testing::LogMessages(SuitePath("LogFiles/Brindle.log"));
  EXPECT_NE(std::find(messages.begin(), messages.end(), warnings[0]), messages.end());

  TProgramModule again(testing::TestFyrn());
  EXPECT_TRUE(again.StartupWarnings().empty()) << "nothing to say when nothing changed";
}

// The program module between the binding and the window.
class ProgramModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::TestFyrn();
    std::filesystem::create_directories(SuitePath("LogFiles"));
  }

  TempDir dir;
  const std::string log_path = SuitePath("LogFiles/Brindle.log");
};

TEST_F(ProgramModuleTest, LogsTheRunInOrder) {
  testing::WriteFile(log_path, "");
  // Only an office database that the suite's setting names is verified at start-up.
  WriteSettingString("cnf", "OFCDB", "ConnStr", "suite/3050:/data/office.fdb");
  for (int run = 0; run < 2; ++run) {
    TProgramModule program(testing::TestFyrn());
    ASSERT_NE(ProgramLog(), nullptr);
    EXPECT_FALSE(program.Engine().CopyEnabled());
    EXPECT_FALSE(program.Engine().Settings().WorkDBConnStr.empty());
    EXPECT_EQ(program.Engine().Settings().CopyDBPassword, testing::TestFyrn().GetPassword());
  }
  EXPECT_EQ(ProgramLog(), nullptr);

  const auto messages = testing::LogMessages(log_path);
  ASSERT_EQ(messages.size(), 12u) << ::testing::PrintToString(messages);
  for (std::size_t start : {0u, 6u}) {
    SCOPED_TRACE(start);
    EXPECT_EQ(messages[start], "") << "every run starts after an empty line";
    EXPECT_EQ(messages[start + 1], "Программа запущена");
    // The structure library is missing in this suite root.
    EXPECT_EQ(messages[start + 2].rfind("Ошибка коррекции базы данных [", 0), 0u);
    EXPECT_EQ(messages[start + 3], "Поток запущен");
    EXPECT_EQ(messages[start + 4], "Поток остановлен");
    EXPECT_EQ(messages[start + 5], "Выход из программы");
  }
}

// The program itself, on the offscreen platform, ended by the system like a desktop session
// ends it.
TEST(BrindleProgram, ANormalRunLogsItsStartAndEnd) {
  TempDir dir;
  std::filesystem::create_directories(SuitePath("LogFiles"));
  const std::string log_path = SuitePath("LogFiles/Brindle.log");
  testing::ChildProcess program({BRINDLE_PROGRAM_PATH});
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  auto messages = testing::LogMessages(log_path);
  while (std::find(messages.begin(), messages.end(), "Поток запущен") == messages.end()) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the program did not start";
    std::this_thread::sleep_for(50ms);
    messages = testing::LogMessages(log_path);
  }
  program.Kill(SIGTERM);
  EXPECT_EQ(program.Wait(), 0);
  messages = testing::LogMessages(log_path);
  ASSERT_GE(messages.size(), 5u);
  EXPECT_EQ(messages[0], "");
  EXPECT_EQ(messages[1], "Программа запущена");
  EXPECT_EQ(messages[messages.size() - 2], "Поток остановлен");
  EXPECT_EQ(messages.back(), "Выход из программы");
  EXPECT_EQ(std::count(messages.begin(), messages.end(), "Поток запущен"), 1);
}

// The switch reaches Qt: the program's windows are scaled by dpi / 96.
TEST(BrindleProgram, TheDisplayScalingSwitchScalesTheWindows) {
  TempDir dir;
  for (const auto& [argument, expected] :
       std::initializer_list<std::pair<std::string, std::string>>{
           {"-dpi=192", "2 1234x852"}, {"/DPI:144", "1.5 926x639"}, {"-DPI=0", "1 617x426"}}) {
    SCOPED_TRACE(argument);
    testing::ChildProcess probe({DPI_PROBE_PATH, argument});
    EXPECT_EQ(probe.ReadLine(), expected);
    EXPECT_EQ(probe.Wait(), 0);
  }
}

}  // namespace
}  // namespace brindle
