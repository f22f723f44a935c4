// The binding's operations on the real libFyrn.so against the private test server: connections
// and their failures with the server's text, transactions and data sets made by the library and
// released by the program, the default password, and the library's compatibility check.
#include <gtest/gtest.h>
#include <ibase.h>

#include <string>

#include "dbaccess/fyrn.h"
#include "fyrn/fyrn_api.h"
#include "ibx/ib_error.h"
#include "platform/shared_library.h"
#include "tests/support/test_database.h"
#include "tests/support/test_fyrn.h"

namespace brindle {
namespace {

using ibx::EIBError;
using testing::TestDatabase;
using testing::TestFyrn;

TFyrn::Connection Connect(const TestDatabase& db, const std::string& password) {
  return TestFyrn().CreateConnection(TestDatabase::Host(), TestDatabase::Port(), db.Path(),
                                     "SYSDBA", password, "WIN1251");
}

EIBError ConnectError(const std::string& path, const std::string& password) {
  try {
    TestFyrn().CreateConnection(TestDatabase::Host(), TestDatabase::Port(), path, "SYSDBA",
                                password, "WIN1251");
  } catch (const EIBError& e) {
    return e;
  }
  ADD_FAILURE() << "CreateConnection succeeded";
  return EIBError("");
}

std::string Single(ibx::TIBDatabase& connection, const std::string& sql) {
  ibx::TIBDataSet query(connection);
  query.SetSelectSQL(sql);
  query.Open();
  EXPECT_FALSE(query.Eof()) << sql;
  return query.Fields(0).AsString();
}

// Attachments of users other than the server's own workers, as another connection sees them.
int UserAttachments(const TestDatabase& db) {
  ibx::TIBDatabase observer = db.Connect();
  return std::stoi(Single(observer,
                          "SELECT COUNT(*) - 1 FROM MON$ATTACHMENTS WHERE MON$REMOTE_PROTOCOL "
                          "IS NOT NULL"));
}

TEST(FyrnBinding, ConnectionFailuresCarryTheServerTextAndClass) {
  TestDatabase db;
  const EIBError login = ConnectError(db.Path(), "not-the-password");
  EXPECT_NE(login.Message().find("Your user name and password are not defined"), std::string::npos)
      << login.Message();
  EXPECT_EQ(login.IBErrorCode(), isc_login);
  EXPECT_STREQ(login.ClassName(), "EIBError");

  const EIBError missing = ConnectError(db.Dir() / "missing.fdb", TestDatabase::Password());
  EXPECT_NE(missing.Message().find("missing.fdb"), std::string::npos) << missing.Message();
  EXPECT_NE(missing.IBErrorCode(), 0) << missing.Message();
}

TEST(FyrnBinding, ConnectionsAreOpenAndFreedWithoutLeavingAnAttachment) {
  TestDatabase db;
  const int before = UserAttachments(db);
  TFyrn::Connection connection = Connect(db, TestDatabase::Password());
  ASSERT_TRUE(connection->Connected());
  EXPECT_EQ(UserAttachments(db), before + 1);
  TestFyrn().FreeConnection(std::move(connection));
  EXPECT_EQ(UserAttachments(db), before);

  // A connection dropped on a clean-up path goes back to the library as well.
  { TFyrn::Connection dropped = Connect(db, TestDatabase::Password()); }
  EXPECT_EQ(UserAttachments(db), before);
}

TEST(FyrnBinding, DataSetsReadWithAndWithoutATransaction) {
  TestDatabase db;
  db.Execute({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40))"});
  TFyrn::Connection connection = Connect(db, TestDatabase::Password());

  auto transaction = TestFyrn().CreateTransaction(*connection);
  auto insert = TestFyrn().CreateDataSet(*connection, transaction.get());
  insert->SetSelectSQL("INSERT INTO T (ID, NAME) VALUES (:ID, :NAME)");
  insert->ParamByName("ID").SetAsInteger(1);
  insert->ParamByName("NAME").SetAsString("Пробный ряд");
  insert->ExecSQL();
  EXPECT_EQ(insert->RowsAffected(), 1);
  transaction->Commit();

  auto read = TestFyrn().CreateDataSet(*connection, nullptr);
  read->SetSelectSQL("SELECT NAME FROM T WHERE ID = :ID");
  read->ParamByName("ID").SetAsInteger(1);
  read->Open();
  ASSERT_FALSE(read->Eof());
  EXPECT_EQ(read->FieldByName("NAME").AsString(), "Пробный ряд");
  read.reset();
  insert.reset();
  transaction.reset();
  TestFyrn().FreeConnection(std::move(connection));
}

TEST(FyrnBinding, TransactionFreedWithoutCommitLeavesNothing) {
  TestDatabase db;
  db.Execute({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY)"});
  TFyrn::Connection connection = Connect(db, TestDatabase::Password());
  {
    auto transaction = TestFyrn().CreateTransaction(*connection);
    auto insert = TestFyrn().CreateDataSet(*connection, transaction.get());
    insert->SetSelectSQL("INSERT INTO T (ID) VALUES (1)");
    insert->ExecSQL();
    ASSERT_TRUE(transaction->InTransaction());
  }
  ibx::TIBDatabase observer = db.Connect();
  EXPECT_EQ(Single(observer, "SELECT COUNT(*) FROM T"), "0");
  EXPECT_EQ(Single(*connection, "SELECT COUNT(*) FROM T"), "0");
  TestFyrn().FreeConnection(std::move(connection));
}

TEST(FyrnBinding, PasswordModuleNameAndMembers) {
  TFyrn& fyrn = TestFyrn();
  EXPECT_EQ(fyrn.ModuleName(), "dbaccess_tests");
  EXPECT_NE(fyrn.DBStructCreator().Description(), nullptr);

  EXPECT_EQ(fyrn.GetPassword(), "rivetcode");
  const std::string long_password(300, 'p');
  fyrn.SetPassword(long_password);
  EXPECT_EQ(fyrn.GetPassword(), long_password);
  fyrn.SetPassword("rivetcode");
  EXPECT_EQ(fyrn.GetPassword(), "rivetcode");
}

TEST(FyrnBinding, PackageCheckRefusesAnyOtherBuild) {
  auto library = SharedLibrary::Load(kFyrnLibraryName);
  ASSERT_NE(library, nullptr);
  auto* check = library->Find<decltype(ibxFBPackagesIsCorrect)>("ibxFBPackagesIsCorrect");
  ASSERT_NE(check, nullptr);

  const PackageIdentity own = ThisModulePackageIdentity();
  EXPECT_TRUE(check(&own));
  EXPECT_FALSE(check(nullptr));

  PackageIdentity other = own;
  other.ibx_abi_version += 1;
  EXPECT_FALSE(check(&other));
  other = own;
  other.ini_file_interface_version += 1;
  EXPECT_FALSE(check(&other));
  other = own;
  other.connection_class_size += 8;
  EXPECT_FALSE(check(&other));
  other = own;
  other.data_set_class_size += 8;
  EXPECT_FALSE(check(&other));
  other = own;
  other.connection_class_name = "N7brindle3ibx13TOtherDatabaseE";
  EXPECT_FALSE(check(&other));
  other = own;
  other.cxx11_string_abi = !own.cxx11_string_abi;
  EXPECT_FALSE(check(&other));
}

}  // namespace
}  // namespace brindle
