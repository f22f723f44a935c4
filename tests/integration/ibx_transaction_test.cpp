// The transaction kinds: what is committed is seen, what is released without Commit is gone,
// readers see committed changes, writers wait for a locked row, no-wait writers fail at once.
#include <gtest/gtest.h>
#include <ibase.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/ib_error.h"
#include "ibx/transaction.h"
#include "tests/support/test_database.h"

namespace brindle::ibx {
namespace {

using namespace std::chrono_literals;
using testing::TestDatabase;

class IbxTransaction : public ::testing::Test {
 protected:
  IbxTransaction() {
    db_.Execute({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER)",
                 "INSERT INTO T VALUES (1, 0)"});
  }

  // Rows of T as a fresh connection sees them.
  int CountFromOutside() {
    TIBDatabase outside = db_.Connect();
    TIBDataSet count(outside);
    count.SetSelectSQL("SELECT COUNT(*) FROM T");
    count.Open();
    return count.Fields(0).AsInteger();
  }

  void Insert(TIBTransaction& transaction, int from, int to) {
    TIBDataSet insert(database_, &transaction);
    insert.SetSelectSQL("INSERT INTO T (ID, V) VALUES (:ID, :ID)");
    for (int id = from; id <= to; ++id) {
      insert.ParamByName("ID").SetAsInteger(id);
      insert.ExecSQL();
    }
  }

  TestDatabase db_;
  TIBDatabase database_{db_.Connect()};
};

TEST_F(IbxTransaction, WriteReleasedWithoutCommitLeavesNothing) {
  {
    TIBTransaction write(database_);
    Insert(write, 2, 100);
    EXPECT_TRUE(write.InTransaction());
  }
  EXPECT_EQ(CountFromOutside(), 1);
  // Nothing is left running on the connection either: only the snapshot's own transaction.
  TIBTransaction snapshot(database_, TIBTransactionKind::ReadOnly);
  TIBDataSet running(database_, &snapshot);
  running.SetSelectSQL(
      "SELECT COUNT(*) FROM MON$TRANSACTIONS "
      "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION AND MON$STATE = 1");
  running.Open();
  EXPECT_EQ(running.Fields(0).AsInteger(), 1);
}

TEST_F(IbxTransaction, CommitMakesChangesVisibleAndClosesItsCursors) {
  TIBTransaction write(database_);
  Insert(write, 2, 3);
  EXPECT_EQ(CountFromOutside(), 1);
  TIBDataSet cursor(database_, &write);
  cursor.SetSelectSQL("SELECT ID FROM T");
  cursor.Open();
  write.Commit();
  EXPECT_FALSE(write.InTransaction());
  EXPECT_FALSE(cursor.Active());
  EXPECT_TRUE(cursor.Prepared());
  EXPECT_EQ(CountFromOutside(), 3);
  // The transaction starts again when a data set needs it.
  Insert(write, 4, 4);
  EXPECT_TRUE(write.InTransaction());
  write.Rollback();
  EXPECT_EQ(CountFromOutside(), 3);
}

TEST_F(IbxTransaction, CommitRetainingCommitsAndKeepsTheTransactionAndItsCursors) {
  TIBTransaction write(database_);
  EXPECT_THROW(write.CommitRetaining(), EIBError);
  Insert(write, 2, 300);  // more rows than the client fetches in one go
  TIBDataSet cursor(database_, &write);
  cursor.SetSelectSQL("SELECT ID FROM T ORDER BY ID");
  cursor.Open();
  EXPECT_EQ(cursor.Fields(0).AsInteger(), 1);
  write.CommitRetaining();
  EXPECT_TRUE(write.InTransaction());
  EXPECT_EQ(CountFromOutside(), 300);
  ASSERT_TRUE(cursor.Active());
  int rows = 1;
  for (cursor.Next(); !cursor.Eof(); cursor.Next()) ++rows;
  EXPECT_EQ(rows, 300);
  // Only the work after the commit retaining is undone.
  Insert(write, 301, 301);
  write.Rollback();
  EXPECT_EQ(CountFromOutside(), 300);
}

TEST_F(IbxTransaction, EndingAnInactiveTransaction) {
  TIBTransaction write(database_);
  EXPECT_THROW(write.Commit(), EIBError);
  EXPECT_NO_THROW(write.Rollback());
  write.StartTransaction();
  EXPECT_THROW(write.StartTransaction(), EIBError);
  write.Commit();
}

TEST_F(IbxTransaction, CommitRefusedByTheServerStaysOpenForRollback) {
  db_.Execute({"CREATE EXCEPTION E_NO_COMMIT 'commit refused'",
               "CREATE TRIGGER NO_COMMIT ON TRANSACTION COMMIT AS BEGIN "
               "IF (RDB$GET_CONTEXT('USER_TRANSACTION', 'REFUSE') = '1') THEN "
               "EXCEPTION E_NO_COMMIT; END"});
  TIBDatabase database = db_.Connect();  // database triggers count from the next attachment
  TIBTransaction write(database);
  TIBDataSet statement(database, &write);
  statement.SetSelectSQL("INSERT INTO T (ID, V) VALUES (2, 2)");
  statement.ExecSQL();
  statement.SetSelectSQL(
      "SELECT RDB$SET_CONTEXT('USER_TRANSACTION', 'REFUSE', '1') FROM RDB$DATABASE");
  statement.Open();
  try {
    write.Commit();
    FAIL() << "commit succeeded";
  } catch (const EIBError& e) {
    EXPECT_NE(e.Message().find("commit refused"), std::string::npos) << e.Message();
  }
  EXPECT_TRUE(write.InTransaction());
  write.Rollback();
  EXPECT_FALSE(write.InTransaction());
  EXPECT_EQ(CountFromOutside(), 1);
}

TEST_F(IbxTransaction, DataSetWithoutTransactionReadsCommittedChangesButCannotWrite) {
  TIBDataSet reader(database_);
  reader.SetSelectSQL("SELECT COUNT(*) FROM T");
  reader.Open();
  EXPECT_EQ(reader.Fields(0).AsInteger(), 1);
  {
    TIBDatabase other = db_.Connect();
    TIBTransaction write(other);
    TIBDataSet insert(other, &write);
    insert.SetSelectSQL("INSERT INTO T (ID, V) VALUES (2, 2)");
    insert.ExecSQL();
    reader.Open();
    EXPECT_EQ(reader.Fields(0).AsInteger(), 1);  // not yet committed
    write.Commit();
  }
  reader.Open();
  EXPECT_EQ(reader.Fields(0).AsInteger(), 2);

  TIBDataSet writer(database_);
  writer.SetSelectSQL("DELETE FROM T");
  try {
    writer.ExecSQL();
    FAIL() << "a read-only transaction wrote";
  } catch (const EIBError& e) {
    EXPECT_NE(e.Message().find("read-only transaction"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(CountFromOutside(), 2);
}

TEST_F(IbxTransaction, WriterWaitsForARowAnotherTransactionHolds) {
  TIBTransaction holder(database_);
  TIBDataSet hold(database_, &holder);
  hold.SetSelectSQL("UPDATE T SET V = 1 WHERE ID = 1");
  hold.ExecSQL();

  std::atomic<bool> finished{false};
  std::string error;
  std::thread waiter([&] {
    try {
      TIBDatabase other = db_.Connect();
      TIBTransaction write(other);
      TIBDataSet update(other, &write);
      update.SetSelectSQL("UPDATE T SET V = 2 WHERE ID = 1");
      update.ExecSQL();
      write.Commit();
    } catch (const EIBError& e) {
      error = e.Message();
    }
    finished = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(finished) << error;  // a no-wait transaction would have failed at once
  holder.Rollback();
  waiter.join();
  EXPECT_EQ(error, "");
  TIBDataSet value(database_);
  value.SetSelectSQL("SELECT V FROM T WHERE ID = 1");
  value.Open();
  EXPECT_EQ(value.Fields(0).AsInteger(), 2);
}

TEST_F(IbxTransaction, NoWaitWriterFailsAtOnceOnARowAnotherTransactionHolds) {
  TIBTransaction holder(database_);
  TIBDataSet hold(database_, &holder);
  hold.SetSelectSQL("UPDATE T SET V = 1 WHERE ID = 1");
  hold.ExecSQL();

  TIBDatabase other = db_.Connect();
  TIBTransaction write(other, TIBTransactionKind::ReadWriteNoWait);
  EXPECT_EQ(write.Kind(), TIBTransactionKind::ReadWriteNoWait);
  TIBDataSet update(other, &write);
  update.SetSelectSQL("UPDATE T SET V = 2 WHERE ID = 1");
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::intptr_t> codes;
  try {
    update.ExecSQL();  // a waiting transaction would hang here, as the holder stays
  } catch (const EIBError& e) {
    codes = e.ErrorCodes();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  // Firebird 3's answer to a row that a live transaction holds.
  EXPECT_EQ(codes, (std::vector<std::intptr_t>{isc_deadlock, isc_update_conflict,
                                               isc_concurrent_transaction}));
  write.Rollback();
  holder.Rollback();
  update.ExecSQL();
  write.Commit();
  TIBDataSet value(database_);
  value.SetSelectSQL("SELECT V FROM T WHERE ID = 1");
  value.Open();
  EXPECT_EQ(value.Fields(0).AsInteger(), 2);
}

TEST_F(IbxTransaction, DataSetOnAnotherConnectionsTransactionIsRefused) {
  TIBDatabase other = db_.Connect();
  TIBTransaction foreign(other);
  EXPECT_THROW(TIBDataSet(database_, &foreign), EIBError);
}

TEST_F(IbxTransaction, DataSetOutlivingItsTransactionRaises) {
  auto write = std::make_unique<TIBTransaction>(database_);
  TIBDataSet insert(database_, write.get());
  insert.SetSelectSQL("INSERT INTO T (ID, V) VALUES (5, 5)");
  insert.ExecSQL();
  write.reset();
  EXPECT_THROW(insert.ExecSQL(), EIBError);
  EXPECT_EQ(CountFromOutside(), 1);
}

}  // namespace
}  // namespace brindle::ibx
