#include "dbaccess/office_db_verification.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "dbaccess/fyrn.h"
#include "platform/shared_library.h"
#include "platform/suite_root.h"
#include "tests/support/office_databases.h"
#include "tests/support/sample_data.h"
#include "tests/support/test_database.h"
#include "tests/support/test_fyrn.h"

namespace brindle {
namespace {

using testing::OfficeDatabasePair;

std::string MessageOf(const std::string& conn_str,
                      const std::string& password = testing::TestDatabase::Password()) {
  try {
    VerifyOfficeDB(testing::TestFyrn(), conn_str, password);
  } catch (const std::exception& e) {
    return e.what();
  }
  return "no error";
}

class OfficeDbVerificationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::TestFyrn();
    ReleaseStructureLibrary();
  }
  void TearDown() override { ReleaseStructureLibrary(); }

  testing::TempDir dir;
  std::string conn_str = OfficeDatabasePair::ConnStr(dir / "office.fdb");
};

TEST_F(OfficeDbVerificationTest, RefusesAnEmptyConnectionStringAndAMissingLibrary) {
  EXPECT_EQ(MessageOf(""),
            "VerifyOfficeDB: для офисной БД должна передаваться строка подключения!");
  EXPECT_EQ(MessageOf(conn_str),
            "Невозможно создать/проверить базу данных, т.к. библиотека libOstrel.so не была "
            "загружена!");
  EXPECT_FALSE(std::filesystem::exists(dir / "office.fdb"));
}

TEST_F(OfficeDbVerificationTest, TakesTheSecondLibraryNameAndKeepsTheLibraryLoaded) {
  std::filesystem::create_symlink(ProgramFolder() + "libOstrel.so", SuitePath("libOstrel10.so"));
  ASSERT_EQ(MessageOf(conn_str), "no error");
  ASSERT_NE(testing::TestFyrn().IniCreator().HeldIni(), nullptr);
  auto db = OfficeDatabasePair::Connect(conn_str);
  EXPECT_EQ(testing::QueryText(db,
                               "SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0 "
                               "AND RDB$VIEW_BLR IS NULL"),
            "67");
  testing::InsertSampleRows(db, "OFFICE", "AZSNUMBER", 0, 2);

  // Loaded once: the file may go, the next verification needs it no more.
  std::filesystem::remove(SuitePath("libOstrel10.so"));
  EXPECT_EQ(MessageOf(conn_str), "no error");
  EXPECT_EQ(testing::QueryText(db, "SELECT COUNT(*) FROM OFFICE"), "2");
  db.DropDatabase();
}

TEST_F(OfficeDbVerificationTest, FailedCheckKeepsTheHeldConfiguration) {
  testing::ProvideStructureLibrary();
  ASSERT_EQ(MessageOf(conn_str), "no error");
  const TfbIniFile* held = testing::TestFyrn().IniCreator().HeldIni();
  ASSERT_NE(held, nullptr);
  // Nothing listens on port 1.
  const std::string message = MessageOf("127.0.0.1/1:" + (dir / "other.fdb"));
  EXPECT_NE(message, "no error");
  EXPECT_EQ(testing::TestFyrn().IniCreator().HeldIni(), held);
  OfficeDatabasePair::Connect(conn_str).DropDatabase();
}

// The check used the built-in password whatever the operator gave, so a server with another
// SYSDBA password could not be used; a wrong password now fails it.
TEST_F(OfficeDbVerificationTest, SignsInWithThePasswordGiven) {
  testing::ProvideStructureLibrary();
  const std::string message = MessageOf(conn_str, "not-the-password");
  EXPECT_NE(message.find("password"), std::string::npos) << message;
  EXPECT_FALSE(std::filesystem::exists(dir / "office.fdb"));
  ASSERT_EQ(MessageOf(conn_str), "no error");
  OfficeDatabasePair::Connect(conn_str).DropDatabase();
}

TEST_F(OfficeDbVerificationTest, ParadoxDataIsReportedAndDoesNotBlock) {
  testing::ProvideStructureLibrary();
  std::filesystem::create_directories(SuitePath("OfficeDB"));
  testing::WriteFile(SuitePath("OfficeDB/Office.db"), "old office data");
  ASSERT_EQ(MessageOf(conn_str), "no error");
  const std::string log = testing::ReadFile(SuitePath("LogFiles/OstrelCheck.log"));
  EXPECT_NE(log.find("Paradox"), std::string::npos) << log;
  OfficeDatabasePair::Connect(conn_str).DropDatabase();
}

}  // namespace
}  // namespace brindle
