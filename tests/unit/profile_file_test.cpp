#include "platform/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

using testing::ReadFile;
using testing::WriteFile;

class ProfileFileTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::string file = dir / "p.ini";
};

TEST_F(ProfileFileTest, NamesMatchWithoutCaseAndValuesAreTrimmedAndUnquoted) {
  WriteFile(file,
            "\xEF\xBB\xBF[Main]\r\n  Key One =  value with blanks  \r\n"
            "Quoted=\"  inner  \"\r\nHalf=\"open\r\nCyr=Значение\r\n[Секция]\r\nА=1\r\n");
  EXPECT_EQ(profile::ReadString(file, "MAIN", "key one", "d"), "value with blanks");
  EXPECT_EQ(profile::ReadString(file, "main", "QUOTED", "d"), "  inner  ");
  EXPECT_EQ(profile::ReadString(file, "Main", "Half", "d"), "\"open");
  EXPECT_EQ(profile::ReadString(file, "Main", "Cyr", "d"), "Значение");
  EXPECT_EQ(profile::ReadString(file, "СЕКЦИЯ", "а", "d"), "1");
  EXPECT_EQ(profile::ReadString(file, "Main", "Missing", "d"), "d");
  EXPECT_EQ(profile::ReadString(dir / "none.ini", "Main", "Key", "d"), "d");
}

TEST_F(ProfileFileTest, FirstOccurrenceWinsAndListingsAreUnique) {
  WriteFile(file, "[A]\nk=1\nK=2\n[b]\nx=1\n[a]\nk=3\nz=4\n");
  EXPECT_EQ(profile::ReadString(file, "a", "k", ""), "1");
  EXPECT_EQ(profile::ReadString(file, "a", "z", "none"), "none");
  EXPECT_EQ(profile::ReadSectionNames(file), (std::vector<std::string>{"A", "b"}));
  EXPECT_EQ(profile::ReadKeyNames(file, "A"), std::vector<std::string>{"k"});
}

TEST_F(ProfileFileTest, ReadsAreCutToTheReadBuffer) {
  ASSERT_EQ(profile::WriteString(file, "S", "K", std::string(70000, 'v')), 0);
  EXPECT_EQ(profile::ReadString(file, "S", "K", "").size(), profile::kReadBufferChars - 1);
}

TEST_F(ProfileFileTest, WritesKeepEverythingElseInPlace) {
  WriteFile(file, "; comment\n[One]\na=1\n\nb=2\n\n[Two]\nc=3");
  ASSERT_EQ(profile::WriteString(file, "one", "NEW", "x"), 0);
  ASSERT_EQ(profile::WriteString(file, "Two", "c", "33"), 0);
  ASSERT_EQ(profile::WriteString(file, "Three", "d", "4"), 0);
  EXPECT_EQ(ReadFile(file), "; comment\n[One]\na=1\n\nb=2\nNEW=x\n\n[Two]\nc=33\n\n[Three]\nd=4\n");
  ASSERT_EQ(profile::DeleteKey(file, "ONE", "A"), 0);
  ASSERT_EQ(profile::DeleteSection(file, "two"), 0);
  EXPECT_EQ(ReadFile(file), "; comment\n[One]\n\nb=2\nNEW=x\n\n[Three]\nd=4\n");
}

TEST_F(ProfileFileTest, RemovingWhatIsNotThereLeavesTheFileAlone) {
  EXPECT_EQ(profile::DeleteKey(dir / "none.ini", "S", "K"), 0);
  EXPECT_EQ(profile::DeleteSection(dir / "none.ini", "S"), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "none.ini"));
}

TEST_F(ProfileFileTest, UnsafeNamesAndValuesAreRefused) {
  WriteFile(file, "[S]\nk=1\n");
  EXPECT_EQ(profile::WriteString(file, "S", "a\nb", "v"), EINVAL);
  EXPECT_EQ(profile::WriteString(file, "S", "a=b", "v"), EINVAL);
  EXPECT_EQ(profile::WriteString(file, "S]x", "k", "v"), EINVAL);
  EXPECT_EQ(profile::WriteString(file, "S\r", "k", "v"), EINVAL);
  EXPECT_EQ(profile::WriteString(file, "S", "k", "line\n[Injected]"), EINVAL);
  EXPECT_EQ(profile::WriteString(file, "", "k", "v"), EINVAL);
  EXPECT_EQ(ReadFile(file), "[S]\nk=1\n");
}

TEST_F(ProfileFileTest, WriteFailuresReportTheCause) {
  EXPECT_EQ(profile::WriteString(dir / "missing/p.ini", "S", "K", "v"), ENOENT);
  std::filesystem::create_directory(dir / "adir");
  EXPECT_EQ(profile::WriteString(dir / "adir", "S", "K", "v"), EISDIR);
  // Nothing is left behind by a failed write.
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    EXPECT_EQ(entry.path().filename().string().rfind(".ini-", 0), std::string::npos)
        << entry.path();
  }
}

TEST_F(ProfileFileTest, ReplacedFileKeepsItsModeAndLinksStayLinks) {
  WriteFile(file, "[S]\nk=1\n");
  ::chmod(file.c_str(), 0640);
  ASSERT_EQ(profile::WriteString(file, "S", "k", "2"), 0);
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  const std::string link = dir / "link.ini";
  std::filesystem::create_symlink(file, link);
  ASSERT_EQ(profile::WriteString(link, "S", "k", "3"), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(profile::ReadString(file, "S", "k", ""), "3");
  EXPECT_EQ(profile::FlushProfile(link), 0);
  EXPECT_EQ(profile::FlushProfile(dir / "none.ini"), 0);
}

}  // namespace
}  // namespace brindle
