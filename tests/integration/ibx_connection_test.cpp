// Connections against the private test server: failures carry the server's own text, and
// closing or destroying objects leaves nothing open on the server.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ibase.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/ib_error.h"
#include "ibx/transaction.h"
#include "tests/support/test_database.h"

namespace brindle::ibx {
namespace {

using testing::TestDatabase;

// A port on 127.0.0.1 where nothing listens: bound and released again.
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

EIBError OpenError(TIBDatabase& database) {
  try {
    database.Open();
  } catch (const EIBError& e) {
    EXPECT_FALSE(database.Connected());
    return e;
  }
  ADD_FAILURE() << "Open succeeded";
  return EIBError("");
}

std::string Single(TIBDatabase& database, const std::string& sql) {
  TIBTransaction transaction(database, TIBTransactionKind::ReadOnly);
  TIBDataSet query(database, &transaction);
  query.SetSelectSQL(sql);
  query.Open();
  EXPECT_FALSE(query.Eof()) << sql;
  return query.Fields(0).AsString();
}

// Attachments of users other than the server's own workers, as another connection sees them.
int UserAttachments(const TestDatabase& db) {
  TIBDatabase observer = db.Connect();
  return std::stoi(Single(observer,
                          "SELECT COUNT(*) - 1 FROM MON$ATTACHMENTS WHERE MON$REMOTE_PROTOCOL "
                          "IS NOT NULL"));
}

TEST(IbxConnectionFailure, WrongPasswordCarriesTheServerText) {
  TestDatabase db;
  TIBDatabase database;
  database.SetDatabaseName(db.ConnectionString());
  database.SetPassword("not-the-password");
  const EIBError e = OpenError(database);
  EXPECT_NE(e.Message().find("Your user name and password are not defined"), std::string::npos)
      << e.Message();
  EXPECT_EQ(e.IBErrorCode(), isc_login);
  EXPECT_STREQ(e.ClassName(), "EIBError");
}

TEST(IbxConnectionFailure, UnreachablePortCarriesTheServerText) {
  TIBDatabase database;
  database.SetConnection("127.0.0.1", FreePort(), "/tmp/any.fdb");
  database.SetPassword(TestDatabase::Password());
  const EIBError e = OpenError(database);
  EXPECT_NE(e.Message().find("Unable to complete network request to host \"127.0.0.1\""),
            std::string::npos)
      << e.Message();
  EXPECT_NE(e.Message().find("Failed to establish a connection"), std::string::npos) << e.Message();
  EXPECT_TRUE(e.HasErrorCode(isc_network_error)) << e.Message();
}

TEST(IbxConnectionFailure, MissingFileCarriesTheServerTextAndPath) {
  TestDatabase db;
  const std::string missing = db.Dir() / "missing.fdb";
  TIBDatabase database;
  database.SetConnection(TestDatabase::Host(), TestDatabase::Port(), missing);
  database.SetPassword(TestDatabase::Password());
  const EIBError e = OpenError(database);
  EXPECT_NE(e.Message().find("I/O error during \"open\" operation for file \"" + missing + "\""),
            std::string::npos)
      << e.Message();
  EXPECT_NE(e.Message().find("No such file or directory"), std::string::npos) << e.Message();
  EXPECT_TRUE(e.HasErrorCode(isc_io_error)) << e.Message();
}

TEST(IbxConnectionFailure, StatementErrorsCarryEveryLineOfTheServerText) {
  TestDatabase db;
  TIBDatabase database = db.Connect();
  TIBDataSet query(database);
  query.SetSelectSQL("SELECT * FROM NO_SUCH_TABLE");
  try {
    query.Open();
    FAIL() << "Open succeeded";
  } catch (const EIBError& e) {
    EXPECT_NE(e.Message().find("Table unknown\n-NO_SUCH_TABLE"), std::string::npos) << e.Message();
    EXPECT_EQ(e.SQLCode(), -204);
  }
  EXPECT_FALSE(query.Active());
}

TEST(IbxConnectionFailure, OnlyWin1251IsAccepted) {
  TIBDatabase database;
  EXPECT_NO_THROW(database.SetCharacterSet("win1251"));
  EXPECT_THROW(database.SetCharacterSet("UTF8"), EIBError);
}

TEST(IbxConnection, ConnectsAsSysdbaWithWin1251) {
  TestDatabase db;
  TIBDatabase database = db.Connect();
  EXPECT_TRUE(database.Connected());
  EXPECT_EQ(Single(database, "SELECT CURRENT_USER FROM RDB$DATABASE"), "SYSDBA");
  EXPECT_EQ(Single(database,
                   "SELECT TRIM(C.RDB$CHARACTER_SET_NAME) FROM MON$ATTACHMENTS A "
                   "JOIN RDB$CHARACTER_SETS C ON C.RDB$CHARACTER_SET_ID = A.MON$CHARACTER_SET_ID "
                   "WHERE A.MON$ATTACHMENT_ID = CURRENT_CONNECTION"),
            "WIN1251");
  // CreateDatabase gave the file WIN1251 as its default character set.
  EXPECT_EQ(Single(database, "SELECT TRIM(RDB$CHARACTER_SET_NAME) FROM RDB$DATABASE"), "WIN1251");
}

TEST(IbxConnection, CloseAndDestructionLeaveNoAttachment) {
  TestDatabase db;
  EXPECT_EQ(UserAttachments(db), 0);
  {
    TIBDatabase first = db.Connect();
    TIBDatabase second = db.Connect();
    // Work in progress on both: an open cursor and an uncommitted write.
    TIBDataSet cursor(first);
    cursor.SetSelectSQL("SELECT * FROM RDB$RELATIONS");
    cursor.Open();
    TIBTransaction write(second);
    TIBDataSet insert(second, &write);
    insert.SetSelectSQL("CREATE TABLE T (ID INTEGER)");
    insert.ExecSQL();
    EXPECT_EQ(UserAttachments(db), 2);

    first.Close();
    EXPECT_FALSE(first.Connected());
    EXPECT_FALSE(cursor.Active());
    EXPECT_EQ(UserAttachments(db), 1);
    first.Close();  // closing twice is harmless
  }                 // second goes with its transaction and data set still open
  EXPECT_EQ(UserAttachments(db), 0);
}

TEST(IbxConnection, ObjectsLeftAfterTheirConnectionRaiseAndDestroySafely) {
  TestDatabase db;
  auto database = std::make_unique<TIBDatabase>(db.Connect());
  TIBTransaction transaction(*database);
  TIBDataSet with_transaction(*database, &transaction);
  TIBDataSet without_transaction(*database);
  with_transaction.SetSelectSQL("SELECT 1 FROM RDB$DATABASE");
  with_transaction.Open();
  without_transaction.SetSelectSQL("SELECT 1 FROM RDB$DATABASE");
  without_transaction.Open();

  database.reset();
  EXPECT_FALSE(transaction.InTransaction());
  EXPECT_FALSE(with_transaction.Active());
  EXPECT_THROW(transaction.StartTransaction(), EIBError);
  EXPECT_THROW(with_transaction.Open(), EIBError);
  EXPECT_THROW(without_transaction.Open(), EIBError);
  EXPECT_EQ(UserAttachments(db), 0);
}

TEST(IbxConnection, ReopenedConnectionPreparesAgain) {
  TestDatabase db;
  TIBDatabase database = db.Connect();
  TIBDataSet query(database);
  query.SetSelectSQL("SELECT 7 FROM RDB$DATABASE");
  query.Open();
  database.Close();
  EXPECT_FALSE(query.Prepared());
  database.Open();
  query.Open();
  EXPECT_EQ(query.Fields(0).AsInteger(), 7);
}

TEST(IbxConnection, TableNamesAreTheUserTablesInOrder) {
  TestDatabase db;
  db.Execute({"CREATE TABLE OFFICE (ID INTEGER)", "CREATE TABLE CONFIGPARAMS (ID INTEGER)",
              "CREATE VIEW V_OFFICE AS SELECT ID FROM OFFICE"});
  TIBDatabase database = db.Connect();
  EXPECT_EQ(database.GetTableNames(), (std::vector<std::string>{"CONFIGPARAMS", "OFFICE"}));
  const auto all = database.GetTableNames(true);
  EXPECT_NE(std::find(all.begin(), all.end(), "RDB$RELATIONS"), all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), "OFFICE"), all.end());
  EXPECT_EQ(std::find(all.begin(), all.end(), "V_OFFICE"), all.end());
}

TEST(IbxConnection, DropRefusedWhileInUseKeepsTheConnection) {
  TestDatabase db;
  TIBDatabase other = db.Connect();
  TIBDatabase database = db.Connect();
  EXPECT_THROW(database.DropDatabase(), EIBError);
  EXPECT_TRUE(database.Connected());
  EXPECT_EQ(Single(database, "SELECT 1 FROM RDB$DATABASE"), "1");
}

}  // namespace
}  // namespace brindle::ibx
