// The service unit as systemd judges it: every line valid, and run as its own user, it may write
// only the suite's settings and log folders and the lock folder, with the rest of the system
// taken away. systemd-analyze rated the first unit 9.4 "UNSAFE".
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

TEST(ServiceUnit, IsRatedSafeBySystemd) {
  testing::TempDir dir;
  testing::RecordedProcess analyze(
      {"/usr/bin/systemd-analyze", "security", "--offline=true", "--no-pager", SERVICE_UNIT_PATH},
      dir / "analyze");
  ASSERT_EQ(analyze.Wait(), 0) << analyze.Err();
  const std::string out = analyze.Out();
  const std::string overall = "Overall exposure level for brindle-sync.service: ";
  const auto at = out.find(overall);
  const double exposure =
      at == std::string::npos ? -1 : std::strtod(out.c_str() + at + overall.size(), nullptr);
  ASSERT_GE(exposure, 0) << "systemd-analyze gave no overall level: " << out;
  EXPECT_LE(exposure, 2.5);
}

// verify also checks that the program exists, so the unit is checked with the program built here
// in place of the installed one. It ends with 0 even on lines it ignores, so its output counts.
TEST(ServiceUnit, PassesSystemdVerify) {
  testing::TempDir dir;
  std::string unit = testing::ReadFile(SERVICE_UNIT_PATH);
  const std::string installed = "ExecStart=/opt/zemt/brindle-sync ";
  const auto at = unit.find(installed);
  ASSERT_NE(at, std::string::npos) << "the unit starts the installed program";
  unit.replace(at, installed.size(), "ExecStart=" BRINDLE_SYNC_PATH " ");
  testing::WriteFile(dir / "brindle-sync.service", unit);

  testing::RecordedProcess verify(
      {"/usr/bin/systemd-analyze", "verify", "--man=no", dir / "brindle-sync.service"},
      dir / "verify");
  EXPECT_EQ(verify.Wait(), 0);
  EXPECT_EQ(verify.Out() + verify.Err(), "");
  for (const char* line : {"Type=notify", "WatchdogSec="}) {
    EXPECT_NE(unit.find(std::string("\n") + line), std::string::npos) << line;
  }
}

// The service's passwords go into /etc/default/brindle-sync, which systemd reads as root. An
// assignment left in it would stand for every installation: an empty password overrides the one
// saved in the settings file.
TEST(ServiceUnit, TheDefaultsFileIsInstalledForRootOnlyWithEverythingCommentedOut) {
  testing::TempDir dir;
  const std::string destdir = dir / "installed";
  testing::RecordedProcess install(
      {"/usr/bin/env", "DESTDIR=" + destdir, CMAKE_COMMAND, "--install", BUILD_DIR},
      dir / "install");
  ASSERT_EQ(install.Wait(), 0) << install.Err();
  const std::string defaults = destdir + "/etc/default/brindle-sync";
  struct stat st {};
  ASSERT_EQ(::stat(defaults.c_str(), &st), 0) << defaults;
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(st.st_uid, 0u);
  std::istringstream lines(testing::ReadFile(defaults));
  int commented = 0;
  for (std::string line; std::getline(lines, line);) {
    EXPECT_TRUE(line.empty() || line.front() == '#') << line;
    commented += line.rfind("#BRINDLE_", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(commented, 4)
      << "the password, argument and metrics file variables, as defaults to change";
}

}  // namespace
}  // namespace brindle
