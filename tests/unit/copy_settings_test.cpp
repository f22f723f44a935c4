#include "settings/copy_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "infra/safe_ini_file.h"
#include "platform/suite_root.h"
#include "settings/password_scrambler.h"
#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

class CopySettingsTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
};

// Brindle.set holds both databases' passwords: it was made 0644 under the usual umask.
TEST_F(CopySettingsTest, ANewSettingsFileIsItsOwnersAloneWhateverTheUmask) {
  struct OpenUmask {
    mode_t old = ::umask(0);
    ~OpenUmask() { ::umask(old); }
  } open_umask;
  WriteSettingString("Brindle", "TARGETDB", "Password", ScramblePassword("secret"));
  struct stat st {};
  ASSERT_EQ(::stat(SettingsFileName("Brindle").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(st.st_uid, ::geteuid());
}

TEST_F(CopySettingsTest, SettingsNamesBecomePathsUnderTheSuiteRoot) {
  EXPECT_EQ(SettingsFileName("cnf"), SuitePath("INI/cnf.set"));
  EXPECT_EQ(SettingsFileName("Brindle"), SuitePath("INI/Brindle.set"));
  EXPECT_EQ(SettingsFileName("other.ini"), SuitePath("INI/other.ini"));
  EXPECT_EQ(SettingsFileName("/etc/x/my.ini"), "/etc/x/my.ini");
  EXPECT_EQ(SettingsFileName("/etc/x.d/my"), "/etc/x.d/my.set");
  EXPECT_EQ(SettingsFileName("sub/name"), "sub/name.set");
}

TEST_F(CopySettingsTest, DefaultsFollowTheSuiteRoot) {
  const TCopySettings settings;
  EXPECT_EQ(DefaultOfficeDBConnStr(), "localhost/30050:" + dir.Path() + "root/OFFICEDB/Office.FDB");
  EXPECT_EQ(settings.WorkDBConnStr, DefaultOfficeDBConnStr());
  EXPECT_EQ(settings.CopyDBConnStr, DefaultOfficeDBConnStr());
  EXPECT_EQ(settings.CheckPeriod, 60);
  EXPECT_FALSE(settings.AutoStartCopy);
  EXPECT_TRUE(settings.WorkDBPassword.empty());
  EXPECT_TRUE(settings.CopyDBPassword.empty());
  EXPECT_DOUBLE_EQ(settings.MarkOverlap * 24 * 60, 10);
  EXPECT_DOUBLE_EQ(settings.MarkHoldLimit, 1);
}

TEST_F(CopySettingsTest, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(ReadSettingString("Brindle", "OFCDB", "ConnStr", "dflt"), "dflt");
  EXPECT_EQ(ReadSettingInt("Brindle", "PARAMS", "CheckPeriod", 60), 60);
  EXPECT_FALSE(std::filesystem::exists(SettingsFileName("Brindle")));
  WriteSettingInt("Brindle", "PARAMS", "CheckPeriod", 15);
  EXPECT_EQ(ReadSettingString("Brindle", "OFCDB", "ConnStr", "dflt"), "dflt");
  EXPECT_EQ(ReadSettingInt("Brindle", "PARAMS", "Other", 7), 7);
}

TEST_F(CopySettingsTest, ValuesReadBackAsWritten) {
  WriteSettingString("Brindle", "TARGETDB", "ConnStr", "srv/3050:/db/копия.fdb");
  WriteSettingInt("Brindle", "PARAMS", "CheckPeriod", 15);
  WriteSettingBool("Brindle", "PARAMS", "AutoStartCopy", true);
  EXPECT_EQ(ReadSettingString("Brindle", "TARGETDB", "ConnStr", ""), "srv/3050:/db/копия.fdb");
  EXPECT_EQ(ReadSettingInt("Brindle", "PARAMS", "CheckPeriod", 60), 15);
  EXPECT_TRUE(ReadSettingBool("Brindle", "PARAMS", "AutoStartCopy", false));
  WriteSettingBool("Brindle", "PARAMS", "AutoStartCopy", false);
  EXPECT_EQ(ReadSettingString("Brindle", "PARAMS", "AutoStartCopy", ""), "0");
}

TEST_F(CopySettingsTest, OnlyExactlyOneReadsAsTrue) {
  for (const auto& [stored, expected] : std::vector<std::pair<std::string, bool>>{
           {"1", true}, {"2", false}, {"-1", false}, {"0", false}, {"yes", true}, {"", true}}) {
    WriteSettingString("Brindle", "PARAMS", "AutoStartCopy", stored);
    // Text that is no integer falls back to the default, here true.
    EXPECT_EQ(ReadSettingBool("Brindle", "PARAMS", "AutoStartCopy", true), expected) << stored;
  }
  WriteSettingString("Brindle", "PARAMS", "AutoStartCopy", "2");
  EXPECT_FALSE(ReadSettingBool("Brindle", "PARAMS", "AutoStartCopy", true));
}

TEST_F(CopySettingsTest, WriteIntoMissingDirectoryRaises) {
  EXPECT_THROW(WriteSettingString(dir / "none/x.set", "S", "K", "v"), EIniFileException);
}

}  // namespace
}  // namespace brindle
