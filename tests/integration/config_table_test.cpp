// Configuration tables through the real libFyrn.so against the private test server: every type
// reads back as written through the typed calls, in the stored text forms; missing keys and
// values of another type give the default; ReadSection lists a section's keys; long values go
// to PARAMBLOB whole; writes are committed when the call returns; and a database without
// CONFIGPARAMS, or an object without a database, fails with a clear message.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "dbaccess/conf_calls.h"
#include "dbaccess/fyrn.h"
#include "fyrn/sha1.h"
#include "ibx/ib_error.h"
#include "ibx/win1251.h"
#include "platform/date_time.h"
#include "platform/suite_root.h"
#include "tests/support/test_database.h"
#include "tests/support/test_fyrn.h"

namespace brindle {
namespace {

using ibx::EIBError;
using testing::TestDatabase;
using testing::TestFyrn;
using Keys = std::vector<std::string>;

constexpr const char* kCreateConfigParams =
    "CREATE TABLE CONFIGPARAMS (FILENAME VARCHAR(100) NOT NULL, "
    "COMPUTERNAME VARCHAR(100) NOT NULL, USERNAME VARCHAR(100) NOT NULL, "
    "SECTIONNAME VARCHAR(100) NOT NULL, PARAMNAME VARCHAR(100) NOT NULL, "
    "PARAMVALUE VARCHAR(10000), PARAMBLOB BLOB, PARAMBLOBHASH VARCHAR(50), "
    "MODIFYDATE TIMESTAMP, MODIFYUSER VARCHAR(100), "
    "CONSTRAINT CONFIGPARAMS_PK PRIMARY KEY "
    "(FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME))";

// A stored row as another connection sees it.
struct Row {
  bool found = false;
  bool value_null = true;
  std::string value;
  bool blob_null = true;
  std::string blob;  // the stored bytes
  std::string hash;
  bool modify_date_null = true;
  std::string modify_user;
};

Row StoredRow(const TestDatabase& db, const std::string& section, const std::string& key,
              const std::string& computer = "*", const std::string& user = "*") {
  ibx::TIBDatabase observer = db.Connect();
  ibx::TIBDataSet query(observer);
  query.SetSelectSQL(
      "SELECT PARAMVALUE, PARAMBLOB, PARAMBLOBHASH, MODIFYDATE, MODIFYUSER FROM CONFIGPARAMS "
      "WHERE FILENAME = 'CONF' AND COMPUTERNAME = :C AND USERNAME = :U AND SECTIONNAME = :S "
      "AND PARAMNAME = :P");
  query.ParamByName("C").SetAsString(computer);
  query.ParamByName("U").SetAsString(user);
  query.ParamByName("S").SetAsString(section);
  query.ParamByName("P").SetAsString(key);
  query.Open();
  Row row;
  if (query.Eof()) return row;
  row.found = true;
  row.value_null = query.Fields(0).IsNull();
  row.value = query.Fields(0).AsString();
  row.blob_null = query.Fields(1).IsNull();
  row.blob = query.Fields(1).AsString();
  row.hash = query.Fields(2).AsString();
  row.modify_date_null = query.Fields(3).IsNull();
  row.modify_user = query.Fields(4).AsString();
  return row;
}

// A test database that holds CONFIGPARAMS, with a configuration-table object on it.
class ConfigTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.Execute({kCreateConfigParams});
    ini_ = Open();
  }

  std::unique_ptr<TfbIniFile> Open(bool flag = false) const {
    return TestFyrn().IniCreator().CreateIniOnDatabase(
        TestDatabase::Host(), TestDatabase::Port(), db_.Path(), "SYSDBA", TestDatabase::Password(),
        "WIN1251", "CONF", flag);
  }

  void Insert(const std::string& file, const std::string& section, const std::string& key,
              const std::string& value) const {
    ibx::TIBDatabase connection = db_.Connect();
    ibx::TIBTransaction transaction(connection);
    ibx::TIBDataSet insert(connection, &transaction);
    insert.SetSelectSQL(
        "INSERT INTO CONFIGPARAMS (FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME, "
        "PARAMVALUE) VALUES (:F, '*', '*', :S, :P, :V)");
    insert.ParamByName("F").SetAsString(file);
    insert.ParamByName("S").SetAsString(section);
    insert.ParamByName("P").SetAsString(key);
    insert.ParamByName("V").SetAsString(value);
    insert.ExecSQL();
    transaction.Commit();
  }

  TestDatabase db_;
  std::unique_ptr<TfbIniFile> ini_;
};

TEST_F(ConfigTableTest, EveryTypeReadsBackAsWrittenInItsTextForm) {
  TfbIniFile& ini = *ini_;
  const std::string text = "Отчёт «Итоги» №5: \"кавычки\", 'апостроф' и ; = [скобки]";
  WriteConfString(ini, "REPORTS", "TITLE", text);
  EXPECT_EQ(ReadConfString(ini, "REPORTS", "TITLE", "нет"), text);
  EXPECT_EQ(StoredRow(db_, "REPORTS", "TITLE").value, text);
  WriteConfString(ini, "REPORTS", "EMPTY", "");
  EXPECT_EQ(ReadConfString(ini, "REPORTS", "EMPTY", "нет"), "");

  WriteConfBool(ini, "KO", "ACCOUNT_WEB_ENABLED", true);
  EXPECT_TRUE(ReadConfBool(ini, "KO", "ACCOUNT_WEB_ENABLED", false));
  EXPECT_EQ(StoredRow(db_, "KO", "ACCOUNT_WEB_ENABLED").value, "1");
  WriteConfBool(ini, "KO", "ACCOUNT_WEB_ENABLED", false);
  EXPECT_FALSE(ReadConfBool(ini, "KO", "ACCOUNT_WEB_ENABLED", true));
  EXPECT_EQ(StoredRow(db_, "KO", "ACCOUNT_WEB_ENABLED").value, "0");

  for (double value : {7.0, 0.1, -12345.6789012345, 1e300, 2.5e-10, 0.0}) {
    WriteConfFloat(ini, "KO", "ACCOUNT_CONTROL_PERIOD", value);
    EXPECT_EQ(ReadConfFloat(ini, "KO", "ACCOUNT_CONTROL_PERIOD", -1), value);
  }
  WriteConfFloat(ini, "KO", "ACCOUNT_CONTROL_PERIOD", 7.25);
  EXPECT_EQ(StoredRow(db_, "KO", "ACCOUNT_CONTROL_PERIOD").value, "7.25");

  const TDateTime stamp = EncodeDateTime({2024, 5, 17, 13, 53, 59, 123});
  WriteConfDateTime(ini, "REPLICATION_INFO", "LAST_PC_CARD_MODIFYDATE", stamp);
  EXPECT_EQ(ReadConfDateTime(ini, "REPLICATION_INFO", "LAST_PC_CARD_MODIFYDATE", 0), stamp);
  EXPECT_EQ(StoredRow(db_, "REPLICATION_INFO", "LAST_PC_CARD_MODIFYDATE").value,
            "17.05.2024 13:53:59.123");
  const TDateTime midnight = EncodeDateTime({2026, 12, 31, 0, 0, 0, 0});
  WriteConfDateTime(ini, "REPLICATION_INFO", "LAST_COPY_TIME", midnight);
  EXPECT_EQ(ReadConfDateTime(ini, "REPLICATION_INFO", "LAST_COPY_TIME", 1), midnight);
  EXPECT_EQ(StoredRow(db_, "REPLICATION_INFO", "LAST_COPY_TIME").value, "31.12.2026");
  WriteConfDateTime(ini, "REPLICATION_INFO", "LAST_COPY_TIME", 0);
  EXPECT_EQ(ReadConfDateTime(ini, "REPLICATION_INFO", "LAST_COPY_TIME", 1), 0);

  // Integers are written by other programs of the suite, as decimal text.
  Insert("CONF", "PARAMS", "OFFICE_DB_STRUCT_VERSION", "12");
  EXPECT_EQ(ReadParamInt(ini, "OFFICE_DB_STRUCT_VERSION", 0), 12);
  WriteConfString(ini, "PARAMS", "NEGATIVE", "-2147483648");
  EXPECT_EQ(ReadConfInt(ini, "PARAMS", "NEGATIVE", 0), -2147483647 - 1);

  EXPECT_EQ(ReadParamString(ini, "DB_IS_COPY", ""), "");
  WriteParamBool(ini, "DB_IS_COPY", true);
  EXPECT_EQ(ReadParamString(ini, "DB_IS_COPY", ""), "1");
  EXPECT_TRUE(ReadParamBool(ini, "DB_IS_COPY", false));
}

TEST_F(ConfigTableTest, MissingKeysAndValuesOfAnotherTypeGiveTheDefault) {
  TfbIniFile& ini = *ini_;
  EXPECT_EQ(ReadConfString(ini, "NOWHERE", "KEY", "умолчание"), "умолчание");
  EXPECT_TRUE(ReadConfBool(ini, "KO", "ACCOUNT_WEB_ENABLED", true));
  EXPECT_FALSE(ReadConfBool(ini, "KO", "ACCOUNT_WEB_ENABLED", false));
  EXPECT_EQ(ReadConfInt(ini, "PARAMS", "OFFICE_DB_STRUCT_VERSION", 11), 11);
  EXPECT_EQ(ReadConfFloat(ini, "KO", "ACCOUNT_CONTROL_PERIOD", 7.0), 7.0);
  EXPECT_EQ(ReadConfDateTime(ini, "REPLICATION_INFO", "LAST_COPY_TIME", 0), 0);

  // A key of the same name in another section, configuration or owner is another key.
  WriteConfString(ini, "OTHER", "KEY", "x");
  Insert("NOTCONF", "SECTION", "KEY", "x");
  EXPECT_EQ(ReadConfString(ini, "SECTION", "KEY", "d"), "d");
  EXPECT_EQ(ini.ReadString(false, false, "OTHER", "KEY", "d"), "d");
  EXPECT_EQ(ReadConfString(ini, "other", "KEY", "d"), "d");

  WriteConfString(ini, "T", "WORD", "abc");
  EXPECT_EQ(ReadConfInt(ini, "T", "WORD", 5), 5);
  EXPECT_TRUE(ReadConfBool(ini, "T", "WORD", true));
  EXPECT_EQ(ReadConfFloat(ini, "T", "WORD", 1.5), 1.5);
  EXPECT_EQ(ReadConfDateTime(ini, "T", "WORD", 3.0), 3.0);
  WriteConfString(ini, "T", "EMPTY", "");
  EXPECT_EQ(ReadConfInt(ini, "T", "EMPTY", 5), 5);
  EXPECT_EQ(ReadConfDateTime(ini, "T", "EMPTY", 3.0), 3.0);
  WriteConfString(ini, "T", "BADDATE", "31.02.2026");
  EXPECT_EQ(ReadConfDateTime(ini, "T", "BADDATE", 3.0), 3.0);
}

TEST_F(ConfigTableTest, ReadSectionListsTheKeysOfThatSectionOnly) {
  TfbIniFile& ini = *ini_;
  Keys keys = {"stale"};
  ReadConfSection(ini, "REPORTS", keys);
  EXPECT_EQ(keys, Keys{});

  WriteConfString(ini, "REPORTS", "URL", "http://reports");
  WriteConfString(ini, "REPORTS", "ОТЧЁТ", "1");
  WriteConfString(ini, "REPORTS", "A_FIRST", "2");
  WriteConfString(ini, "REPORTS", "URL", "http://reports/2");  // the same key again
  WriteConfString(ini, "KO", "ACCOUNT_WEB_ENABLED", "1");
  Insert("NOTCONF", "REPORTS", "FOREIGN", "x");
  ini.WriteString(false, true, "REPORTS", "THIS_COMPUTER", "x");

  keys = {"stale"};
  ReadConfSection(ini, "REPORTS", keys);
  EXPECT_EQ(keys, (Keys{"A_FIRST", "URL", "ОТЧЁТ"}));
  ini.ReadSection(false, true, "REPORTS", keys);
  EXPECT_EQ(keys, Keys{"THIS_COMPUTER"});
}

TEST_F(ConfigTableTest, OwnerFlagsChooseTheRowsOwner) {
  ini_->WriteString(false, false, "S", "K", "mine");
  ini_->WriteString(true, true, "S", "K", "shared");
  EXPECT_EQ(ini_->ReadString(false, false, "S", "K", ""), "mine");
  EXPECT_EQ(ini_->ReadString(true, true, "S", "K", ""), "shared");
  EXPECT_EQ(ini_->ReadString(true, false, "S", "K", "none"), "none");
  const passwd* user = getpwuid(geteuid());
  ASSERT_NE(user, nullptr);
  const Row row = StoredRow(db_, "S", "K", ComputerName(), user->pw_name);
  EXPECT_TRUE(row.found);
  EXPECT_EQ(row.value, "mine");
}

TEST_F(ConfigTableTest, LongValuesGoToTheBlobWholeAndBack) {
  TfbIniFile& ini = *ini_;
  std::string long_text;
  while (ibx::Utf8ToWin1251(long_text).size() < 20000) long_text += "Длинное значение ";
  const std::string long_bytes = ibx::Utf8ToWin1251(long_text);
  ASSERT_GE(long_bytes.size(), 20000u);

  WriteConfString(ini, "REPORTS", "BIG", long_text);
  EXPECT_EQ(ReadConfString(ini, "REPORTS", "BIG", ""), long_text);
  Row row = StoredRow(db_, "REPORTS", "BIG");
  EXPECT_TRUE(row.value_null);
  ASSERT_FALSE(row.blob_null);
  EXPECT_EQ(row.blob, long_bytes);
  EXPECT_EQ(row.hash, fyrn::Sha1Hex(long_bytes));
  EXPECT_EQ(row.hash.size(), 40u);

  // Long to short and back again: one column holds the value at a time.
  WriteConfString(ini, "REPORTS", "BIG", "коротко");
  EXPECT_EQ(ReadConfString(ini, "REPORTS", "BIG", ""), "коротко");
  row = StoredRow(db_, "REPORTS", "BIG");
  EXPECT_EQ(row.value, "коротко");
  EXPECT_TRUE(row.blob_null);
  EXPECT_EQ(row.hash, "");
  WriteConfString(ini, "REPORTS", "BIG", long_text + "!");
  EXPECT_EQ(ReadConfString(ini, "REPORTS", "BIG", ""), long_text + "!");
  EXPECT_TRUE(StoredRow(db_, "REPORTS", "BIG").value_null);

  // PARAMVALUE holds 10,000 characters, Cyrillic ones included; one more goes to the blob.
  std::string exactly;
  for (int i = 0; i < 10000; ++i) exactly += "я";
  WriteConfString(ini, "EDGE", "FITS", exactly);
  row = StoredRow(db_, "EDGE", "FITS");
  EXPECT_EQ(row.value, exactly);
  EXPECT_TRUE(row.blob_null);
  WriteConfString(ini, "EDGE", "OVER", exactly + "ю");
  row = StoredRow(db_, "EDGE", "OVER");
  EXPECT_TRUE(row.value_null);
  EXPECT_EQ(ibx::Win1251ToUtf8(row.blob), exactly + "ю");
  EXPECT_EQ(ReadConfString(ini, "EDGE", "OVER", ""), exactly + "ю");
}

TEST_F(ConfigTableTest, WritesAreCommittedWhenTheCallReturns) {
  WriteConfString(*ini_, "REPLICATION_INFO", "WORK_DB_CONN_STR", "localhost/30050:/db/office.fdb");
  const Row row = StoredRow(db_, "REPLICATION_INFO", "WORK_DB_CONN_STR");
  ASSERT_TRUE(row.found);
  EXPECT_EQ(row.value, "localhost/30050:/db/office.fdb");
  EXPECT_FALSE(row.modify_date_null);
  EXPECT_NE(row.modify_user.find("@" + ComputerName()), std::string::npos) << row.modify_user;

  // Another object sees it at once, and the first object sees the other's writes.
  auto other = Open();
  EXPECT_EQ(ReadConfString(*other, "REPLICATION_INFO", "WORK_DB_CONN_STR", ""),
            "localhost/30050:/db/office.fdb");
  WriteConfString(*other, "REPLICATION_INFO", "WORK_DB_CONN_STR", "changed");
  EXPECT_EQ(ReadConfString(*ini_, "REPLICATION_INFO", "WORK_DB_CONN_STR", ""), "changed");
}

TEST_F(ConfigTableTest, TextTheDatabaseCannotHoldFailsAndWritesNothing) {
  try {
    WriteConfString(*ini_, "S", "K", "漢字");
    ADD_FAILURE() << "the write succeeded";
  } catch (const EIBError& e) {
    EXPECT_NE(e.Message().find("WIN1251"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(StoredRow(db_, "S", "K").found);
  // The object stays usable.
  WriteConfString(*ini_, "S", "K", "ok");
  EXPECT_EQ(ReadConfString(*ini_, "S", "K", ""), "ok");
}

// An error raised by the library, with its class and message.
template <class Body>
EIBError LibraryError(Body&& body) {
  try {
    body();
  } catch (const EIBError& e) {
    return e;
  }
  ADD_FAILURE() << "no error was raised";
  return EIBError("");
}

TEST(ConfigTableWithoutTable, DatabaseWithoutConfigParamsFailsNamingTableAndDatabase) {
  TestDatabase db;
  const EIBError e = LibraryError([&] {
    TestFyrn().IniCreator().CreateIniOnDatabase(TestDatabase::Host(), TestDatabase::Port(),
                                                db.Path(), "SYSDBA", TestDatabase::Password(),
                                                "WIN1251", "CONF", false);
  });
  EXPECT_NE(e.Message().find("CONFIGPARAMS"), std::string::npos) << e.Message();
  EXPECT_NE(e.Message().find(db.Path()), std::string::npos) << e.Message();
  EXPECT_NE(e.Message().find("\"CONF\""), std::string::npos) << e.Message();

  // With the creation flag the table is made, as the office schema defines it.
  auto ini = TestFyrn().IniCreator().CreateIniOnDatabase(
      TestDatabase::Host(), TestDatabase::Port(), db.Path(), "SYSDBA", TestDatabase::Password(),
      "WIN1251", "CONF", true);
  WriteConfString(*ini, "PARAMS", "DB_IS_COPY", "1");
  EXPECT_EQ(ReadParamString(*ini, "DB_IS_COPY", ""), "1");
  ibx::TIBDatabase observer = db.Connect();
  EXPECT_EQ(observer.GetTableNames(), std::vector<std::string>{"CONFIGPARAMS"});
}

TEST(ConfigTableWithoutTable, ConnectionFailuresCarryTheServerText) {
  TestDatabase db;
  const EIBError e = LibraryError([&] {
    TestFyrn().IniCreator().CreateIniOnDatabase(TestDatabase::Host(), TestDatabase::Port(),
                                                db.Path(), "SYSDBA", "wrong", "WIN1251", "CONF",
                                                false);
  });
  EXPECT_NE(e.Message().find("Your user name and password are not defined"), std::string::npos)
      << e.Message();
}

TEST(ConfigTableCreator, DefaultIniIsNamedAndReplacedAndSaysItHasNoDatabase) {
  TfbIniCreator& creator = TestFyrn().IniCreator();
  creator.SetDefaultIni("CONF", "OfficeDB", false);
  TfbIniFile* first = creator.HeldIni();
  ASSERT_NE(first, nullptr);
  const EIBError e = LibraryError([&] { ReadParamInt(*first, "OFFICE_DB_STRUCT_VERSION", 0); });
  EXPECT_NE(e.Message().find("\"OfficeDB\""), std::string::npos) << e.Message();
  EXPECT_NE(e.Message().find("SetConnectionParams"), std::string::npos) << e.Message();

  creator.SetDefaultIni("CONF", "OfficeDB", false);
  ASSERT_NE(creator.HeldIni(), nullptr);

  const EIBError unnamed = LibraryError([&] { TestFyrn().IniCreator().CreateIni("", "X", false); });
  EXPECT_NE(unnamed.Message().find("имя конфигурации"), std::string::npos) << unnamed.Message();
}

}  // namespace
}  // namespace brindle
