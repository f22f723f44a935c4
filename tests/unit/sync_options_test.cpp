#include "app/sync_options.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace brindle {
namespace {

using Args = std::vector<std::string>;

// An environment of the test's own: only the variables given are set.
Environment Env(std::map<std::string, std::string> variables = {}) {
  return [variables = std::move(variables)](const char* name) -> const char* {
    const auto found = variables.find(name);
    return found == variables.end() ? nullptr : found->second.c_str();
  };
}

Options Parse(const Args& args, const Environment& environment = Env()) {
  return ParseOptions(args, environment);
}

std::string ErrorOf(const Args& args) {
  try {
    Parse(args);
  } catch (const UsageError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(SyncOptions, EachModeIsSelectedByItsOption) {
  const std::pair<Args, Mode> cases[] = {
      {{}, Mode::kRun},
      {{"--once"}, Mode::kOnce},
      {{"--status"}, Mode::kStatus},
      {{"--check"}, Mode::kCheck},
      {{"--verify", "host:/office.fdb"}, Mode::kVerify},
      {{"--help"}, Mode::kHelp},
      {{"-h"}, Mode::kHelp},
      // Nothing after --help is read.
      {{"--once", "--help", "--status", "--no-such-option"}, Mode::kHelp}};
  for (const auto& [args, mode] : cases) {
    EXPECT_EQ(Parse(args).mode, mode) << testing::PrintToString(args);
  }
  EXPECT_EQ(Parse({"--verify=host:/office.fdb"}).verify_conn_str, "host:/office.fdb");
}

TEST(SyncOptions, AValueFollowsTheNameOrAnEqualsSignAndIsTakenAsWritten) {
  for (const Args& args : {Args{"--work", "w:/a.fdb", "--copy", "c:/b.fdb", "--period", "30"},
                           Args{"--work=w:/a.fdb", "--copy=c:/b.fdb", "--period=30"}}) {
    const Options options = Parse(args);
    EXPECT_EQ(options.work, "w:/a.fdb");
    EXPECT_EQ(options.copy, "c:/b.fdb");
    EXPECT_EQ(options.period, 30);
  }
  // A value that looks like an option, one left empty after "=", one holding "=", and a
  // repeated option, whose last value counts.
  const Options options = Parse(
      {"--work", "--copy", "--password=", "--password=a=b", "--period", "5", "--period", "0x10"});
  EXPECT_EQ(options.work, "--copy");
  EXPECT_EQ(options.password, "a=b");
  EXPECT_EQ(options.period, 16);
}

TEST(SyncOptions, TheOptionsOfEachModeKeepTheirValues) {
  const Options check =
      Parse({"--check", "--json", "--tables", "pc_card", "--repair", "--delete-orphans",
             "--no-orphan-limit", "--office-moved", "--max-rows-per-second=500"});
  EXPECT_TRUE(check.json);
  ASSERT_EQ(check.check.Tables.size(), 1u);
  EXPECT_EQ(check.check.Tables[0].table, "PC_CARD");
  EXPECT_TRUE(check.check.Repair && check.check.DeleteOrphans && check.check.NoOrphanLimit &&
              check.check.OfficeMoved);
  EXPECT_EQ(check.check.MaxRowsPerSecond, 500);
  EXPECT_EQ(Parse({"--status", "--max-lag", "0"}).max_lag, 0);
  const Options service =
      Parse({"--check-every", "1.5", "--max-rows-per-second", "9", "--metrics-file", "m.prom"});
  EXPECT_EQ(service.check_every_hours, 1.5);
  EXPECT_EQ(service.check.MaxRowsPerSecond, 9);
  EXPECT_EQ(service.metrics_file, "m.prom");
}

TEST(SyncOptions, AWrongLineIsToldItsFirstMistake) {
  const std::pair<Args, std::string> cases[] = {
      {{"--bogus=1", "--period", "0"}, "неизвестный параметр --bogus=1"},
      {{"--period", "0", "--bogus"}, "--period: нужно целое число секунд больше нуля, а не \"0\""},
      {{"--json", "-hx"}, "неизвестный параметр -hx"},
      {{"--once", "--", "--help"}, "неизвестный параметр --"},
      {{"--once", "--work"}, "у параметра --work нет значения"},
      {{"--check", "--tables"}, "--tables: у параметра --tables нет значения"},
      {{"--json=yes"}, "у параметра --json не бывает значения"},
      {{"--help=", "--once"}, "у параметра --help не бывает значения"},
      {{"--once", "--status", "--period", "0"}, "задано больше одного режима (--status)"},
      {{"--once", "--verify"}, "задано больше одного режима (--verify)"},
      {{"--once", "--once"}, "задано больше одного режима (--once)"},
      {{"--verify="}, "--verify: пустая строка подключения"},
      {{"--status", "--max-lag=-1"},
       "--max-lag: нужно целое число секунд не меньше нуля, а не \"-1\""},
      {{"--check", "--max-rows-per-second", "0x10"},
       "--max-rows-per-second: нужно целое число больше нуля, а не \"0x10\""},
      {{"--check-every", "nan"}, "--check-every: нужно число часов больше нуля, а не \"nan\""},
      {{"--metrics-file="}, "--metrics-file: пустой путь"},
      {{"--once", "--copy", ""}, "--copy: пустая строка подключения"},
      {{"--once", "--work=host/99999:/db/office.fdb"},
       "--work: порт 99999 вне пределов от 1 до 65535"},
      {{"--check", "--tables", "PC_CARD", "--tables", "OFFICE"}, "--tables: задан дважды"},
      {{"--check", "--tables", std::string(100'000, 'X')},
       "--tables: таблица " + std::string(40, 'X') + "... не копируется"},
      {{"--check", "--tables", "PC_CARD,NO_SUCH"}, "--tables: таблица NO_SUCH не копируется"},
      {{"--json", "--max-lag", "5"}, "--json действует только с --status или --check"},
      {{"--check", "--max-lag", "5"}, "--max-lag действует только с --status"},
      {{"--once", "--metrics-file", "m", "--repair"},
       "--metrics-file действует только в режиме службы (без режима)"},
      {{"--office-moved", "--delete-orphans"},
       "--delete-orphans задаётся только вместе с --check или --check-every"},
      {{"--check-every", "1", "--repair", "--office-moved"},
       "--office-moved задаётся только вместе с --check"},
      {{"--check", "--delete-orphans"}, "--delete-orphans задаётся только вместе с --repair"},
      {{"--check", "--repair", "--no-orphan-limit"},
       "--no-orphan-limit задаётся только вместе с --delete-orphans"},
      {{"--check", "--office-moved"}, "--office-moved задаётся только вместе с --repair"},
      {{"--max-rows-per-second", "9"},
       "--max-rows-per-second задаётся только вместе с --check или --check-every"},
      {{"--status", "--check-every", "2"},
       "--check-every задаётся только без режима, для работы службой"}};
  for (const auto& [args, message] : cases) {
    EXPECT_EQ(ErrorOf(args), message) << testing::PrintToString(args);
  }
}

TEST(SyncOptions, TheEnvironmentFillsInWhatTheLineLeavesOut) {
  const Environment environment = Env({{"BRINDLE_WORK_PASSWORD", "from-env"},
                                       {"BRINDLE_COPY_PASSWORD", ""},
                                       {"BRINDLE_PASSWORD", "verify"},
                                       {"BRINDLE_METRICS_FILE", "env.prom"}});
  const Options service = Parse({"--work-password", "given"}, environment);
  EXPECT_EQ(service.work_password, "given");
  EXPECT_EQ(service.copy_password, "");  // an empty password is still a password
  EXPECT_EQ(service.password, "verify");
  EXPECT_EQ(service.metrics_file, "env.prom");
  // The metrics file is the service's: another mode neither takes the variable nor is refused.
  EXPECT_EQ(Parse({"--status"}, environment).metrics_file, std::nullopt);
  EXPECT_EQ(Parse({}, Env({{"BRINDLE_METRICS_FILE", ""}})).metrics_file, std::nullopt);
  EXPECT_EQ(Parse({}).work_password, std::nullopt);
}

}  // namespace
}  // namespace brindle
