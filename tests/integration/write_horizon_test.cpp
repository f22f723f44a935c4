// The write horizon on a real working database: a writer of another connection until it commits,
// an idle read-write transaction that wrote only other tables, commit retaining, a statement
// that waits to write, and the capped mark.
#include "replication/write_horizon.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/ib_error.h"
#include "ibx/transaction.h"
#include "schema/replicated_tables.h"
#include "tests/support/office_databases.h"
#include "tests/support/sample_data.h"

namespace brindle {
namespace {

using ibx::TIBDatabase;
using ibx::TIBTransaction;
using ibx::TIBTransactionKind;
using std::chrono::milliseconds;

void Exec(TIBDatabase& db, TIBTransaction& transaction, const std::string& sql) {
  ibx::TIBDataSet statement(db, &transaction);
  statement.SetSelectSQL(sql);
  statement.ExecSQL();
}

ibx::TIBValue Value(TIBDatabase& db, TIBTransaction& transaction, const std::string& sql) {
  ibx::TIBDataSet query(db, &transaction);
  query.SetSelectSQL(sql);
  query.Open();
  return query.Fields(0).AsVariant();
}

// Stamps have a resolution of a millisecond: a pause makes "later" strictly later.
void Pause() {
  std::this_thread::sleep_for(milliseconds(20));
}

const TOpenTransaction* OfAttachment(const TWriteHorizon& horizon, std::int64_t attachment) {
  for (const TOpenTransaction& transaction : horizon.transactions) {
    if (transaction.attachment_id == attachment) return &transaction;
  }
  return nullptr;
}

class WriteHorizon : public ::testing::Test {
 protected:
  TWriteHorizon Look(const TWriteHorizon* previous = nullptr) {
    return ReadWriteHorizon(work, ReplicatedTables(), previous);
  }
  // What a fresh read-only transaction of the looking connection sees.
  ibx::TIBValue Committed(const std::string& sql) {
    TIBTransaction read(work, TIBTransactionKind::ReadOnly);
    return Value(work, read, sql);
  }
  std::int64_t AttachmentOf(TIBDatabase& db) {
    TIBTransaction read(db, TIBTransactionKind::ReadOnly);
    return Value(db, read, "SELECT CURRENT_CONNECTION FROM RDB$DATABASE").AsInt64();
  }

  testing::OfficeDatabasePair dbs;
  TIBDatabase work{dbs.ConnectWork()};   // the copying program's own, which looks
  TIBDatabase other{dbs.ConnectWork()};  // a program that writes the working database
};

TEST_F(WriteHorizon, WriterHoldsItsTableFromItsStartUntilItCommits) {
  TIBTransaction writer(other);
  Exec(other, writer, "INSERT INTO PC_LOGTRAN_BK (ID) VALUES (1)");
  const std::int64_t writer_id =
      Value(other, writer, "SELECT CURRENT_TRANSACTION FROM RDB$DATABASE").AsInt64();
  const TDateTime stamp =
      Value(other, writer, "SELECT MODIFYDATE FROM PC_LOGTRAN_BK WHERE ID = 1").AsDateTime();
  // Neither a reader of a third connection nor a writer of the looking connection itself counts.
  TIBDatabase third = dbs.ConnectWork();
  TIBTransaction reader(third, TIBTransactionKind::ReadOnly);
  EXPECT_EQ(Value(third, reader, "SELECT COUNT(*) FROM OFFICE").AsInt64(), 0);
  TIBTransaction own(work);
  Exec(work, own, "INSERT INTO OFFICE (AZSNUMBER) VALUES (5)");
  Pause();

  const TWriteHorizon horizon = Look();
  ASSERT_EQ(horizon.transactions.size(), 1u);
  const TOpenTransaction& seen = horizon.transactions[0];
  EXPECT_EQ(seen.transaction_id, writer_id);
  EXPECT_EQ(seen.attachment_id, AttachmentOf(other));
  EXPECT_EQ(seen.user, "SYSDBA");
  EXPECT_EQ(seen.remote_process, std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(seen.remote_pid, getpid());
  EXPECT_TRUE(seen.remote_address.starts_with("127.0.0.1/")) << seen.remote_address;
  EXPECT_GT(seen.started, 0);
  EXPECT_LE(seen.started, stamp);
  EXPECT_LT(seen.started, horizon.server_time);
  EXPECT_EQ(seen.written, (std::vector<TTableWrites>{{"PC_LOGTRAN_BK", 1}}));
  EXPECT_EQ(seen.tables, std::vector<std::string>{"PC_LOGTRAN_BK"});
  EXPECT_EQ(seen.uncommitted_from, seen.started);
  EXPECT_EQ(seen.statement_started, 0);

  EXPECT_EQ(horizon.HeldFrom("PC_LOGTRAN_BK"), seen.started);
  EXPECT_EQ(horizon.OldestHolder("PC_LOGTRAN_BK"), &seen);
  EXPECT_EQ(horizon.HeldFrom("OFFICE"), horizon.server_time);
  EXPECT_EQ(horizon.OldestHolder("OFFICE"), nullptr);
  EXPECT_EQ(HeldMark(horizon, "PC_LOGTRAN_BK", 1.0), seen.started);
  EXPECT_EQ(HeldMark(horizon, "PC_LOGTRAN_BK", 0), horizon.server_time);
  // Its rows may still arrive under its number; no other table waits for it.
  EXPECT_TRUE(horizon.sees_all);
  EXPECT_LE(horizon.finished_below, writer_id);
  EXPECT_EQ(horizon.PendingFrom("PC_LOGTRAN_BK"), writer_id);
  EXPECT_EQ(horizon.PendingFrom("PC_CARD"), horizon.look_transaction);

  writer.Commit();
  const TWriteHorizon after = Look(&horizon);
  EXPECT_TRUE(after.transactions.empty());
  EXPECT_EQ(after.HeldFrom("PC_LOGTRAN_BK"), after.server_time);
  EXPECT_GT(after.server_time, horizon.server_time);
}

TEST_F(WriteHorizon, IdleTransactionThatWroteOnlyOtherTablesHoldsNothing) {
  testing::InsertSampleRows(work, "OFFICE", "AZSNUMBER", 1, 2);
  // A desktop program's transaction of the whole day: it reads, writes its settings and a
  // discount table, and deletes a station (the copy never deletes), then waits.
  TIBTransaction desktop(other);
  EXPECT_EQ(Value(other, desktop, "SELECT COUNT(*) FROM OFFICE").AsInt64(), 2);
  Exec(other, desktop,
       "INSERT INTO CONFIGPARAMS (FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME, "
       "PARAMVALUE) VALUES ('CONF', '*', '*', 'DESK', 'WIDTH', '800')");
  Exec(other, desktop,
       "INSERT INTO DSCCARDS (CARDNUM, AZSNAME, GSM, VIDOPL) VALUES ('1', 'АЗС', 'АИ-95', 1)");
  Exec(other, desktop, "DELETE FROM OFFICE WHERE AZSNUMBER = 2");
  Pause();

  const TWriteHorizon first = Look();
  Pause();
  const TWriteHorizon second = Look(&first);
  for (const TWriteHorizon* horizon : {&first, &second}) {
    ASSERT_EQ(horizon->transactions.size(), 1u);
    const TOpenTransaction& seen = horizon->transactions[0];
    EXPECT_EQ(seen.attachment_id, AttachmentOf(other));
    EXPECT_TRUE(seen.written.empty());
    EXPECT_TRUE(seen.tables.empty());
    EXPECT_EQ(seen.statement_started, 0);
    EXPECT_LT(seen.started, first.server_time);
    for (const ReplicatedTable& entry : ReplicatedTables()) {
      EXPECT_EQ(HeldMark(*horizon, entry.table, 1.0), horizon->server_time) << entry.table;
    }
  }
  EXPECT_EQ(second.transactions[0].transaction_id, first.transactions[0].transaction_id);
  EXPECT_GT(second.server_time, first.server_time);
}

TEST_F(WriteHorizon, CommitRetainingReleasesWhatItCommitted) {
  TIBTransaction desktop(other);
  Exec(other, desktop, "INSERT INTO PC_LOGTRAN_BK (ID) VALUES (1)");
  Pause();
  const TWriteHorizon first = Look();
  ASSERT_EQ(first.transactions.size(), 1u);
  const TOpenTransaction before = first.transactions[0];
  EXPECT_EQ(first.HeldFrom("PC_LOGTRAN_BK"), before.started);
  // An earlier look that saw another number with the same attachment and start is no commit
  // retaining when the transaction did not start before that look (a new transaction in the
  // same millisecond), nor when two such numbers are gone.
  TWriteHorizon later = first;
  later.transactions[0].transaction_id = 1;
  later.server_time = before.started;
  EXPECT_EQ(Look(&later).HeldFrom("PC_LOGTRAN_BK"), before.started);
  TWriteHorizon ambiguous = first;
  ambiguous.transactions.push_back(before);
  ambiguous.transactions[0].transaction_id = 1;
  ambiguous.transactions[1].transaction_id = 2;
  EXPECT_EQ(Look(&ambiguous).HeldFrom("PC_LOGTRAN_BK"), before.started);

  desktop.CommitRetaining();
  EXPECT_TRUE(desktop.InTransaction());
  EXPECT_EQ(Committed("SELECT COUNT(*) FROM PC_LOGTRAN_BK").AsInt64(), 1);
  Pause();
  const TWriteHorizon second = Look(&first);
  ASSERT_EQ(second.transactions.size(), 1u);
  const TOpenTransaction& retained = second.transactions[0];
  // The server gives a new number but keeps the start and the counters...
  EXPECT_NE(retained.transaction_id, before.transaction_id);
  EXPECT_EQ(retained.transaction_id,
            Value(other, desktop, "SELECT CURRENT_TRANSACTION FROM RDB$DATABASE").AsInt64());
  EXPECT_EQ(retained.started, before.started);
  EXPECT_EQ(retained.written, before.written);
  // ...so a look on its own still holds the table from the start,
  EXPECT_EQ(Look().HeldFrom("PC_LOGTRAN_BK"), before.started);
  // while one that knows the earlier look lets the committed rows go.
  EXPECT_EQ(retained.committed, before.written);
  EXPECT_EQ(retained.uncommitted_from, first.server_time);
  EXPECT_TRUE(retained.tables.empty());
  EXPECT_EQ(second.HeldFrom("PC_LOGTRAN_BK"), second.server_time);

  // Rows written after the commit retaining are held from the look before it on.
  Exec(other, desktop, "INSERT INTO OFFICE (AZSNUMBER) VALUES (7)");
  const TDateTime stamp =
      Value(other, desktop, "SELECT MODIFYDATE FROM OFFICE WHERE AZSNUMBER = 7").AsDateTime();
  Pause();
  const TWriteHorizon third = Look(&second);
  ASSERT_EQ(third.transactions.size(), 1u);
  EXPECT_EQ(third.transactions[0].tables, std::vector<std::string>{"OFFICE"});
  EXPECT_EQ(third.HeldFrom("OFFICE"), first.server_time);
  EXPECT_GT(third.HeldFrom("OFFICE"), before.started);
  EXPECT_LE(third.HeldFrom("OFFICE"), stamp);
  EXPECT_EQ(third.HeldFrom("PC_LOGTRAN_BK"), third.server_time);

  // A commit retaining with nothing written since releases everything.
  desktop.CommitRetaining();
  const TWriteHorizon fourth = Look(&third);
  ASSERT_EQ(fourth.transactions.size(), 1u);
  EXPECT_TRUE(fourth.transactions[0].tables.empty());
  EXPECT_EQ(fourth.transactions[0].uncommitted_from, third.server_time);
  EXPECT_EQ(fourth.HeldFrom("OFFICE"), fourth.server_time);
  EXPECT_EQ(Committed("SELECT COUNT(*) FROM OFFICE WHERE AZSNUMBER = 7").AsInt64(), 1);
  desktop.Commit();
}

TEST_F(WriteHorizon, RunningStatementHoldsEveryTableFromItsStart) {
  testing::InsertSampleRows(work, "OFFICE", "AZSNUMBER", 1, 1);
  TIBTransaction holder(other);
  Exec(other, holder, "UPDATE OFFICE SET AZSNAME = 'держит' WHERE AZSNUMBER = 1");
  // This update waits for the holder's row: it runs, but has written nothing yet.
  std::string waiter_error;
  std::thread waiter([&] {
    try {
      TIBDatabase third = dbs.ConnectWork();
      TIBTransaction write(third);
      Exec(third, write, "UPDATE OFFICE SET AZSPHONE = 'ждёт' WHERE AZSNUMBER = 1");
      write.Commit();
    } catch (const std::exception& e) {
      waiter_error = e.what();
    }
  });
  TWriteHorizon horizon;
  std::optional<TOpenTransaction> waiting;
  std::string look_error;
  try {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!waiting && std::chrono::steady_clock::now() < deadline) {
      horizon = Look();
      for (const TOpenTransaction& transaction : horizon.transactions) {
        // A statement that began between the look's clock reading and its snapshot holds
        // nothing before that reading yet; a later look sees it held.
        if (transaction.statement_started > 0 &&
            transaction.statement_started <= horizon.server_time) {
          waiting = transaction;
        }
      }
      if (!waiting) Pause();
    }
  } catch (const std::exception& e) {
    look_error = e.what();
  }
  holder.Rollback();
  waiter.join();
  ASSERT_EQ(look_error, "");
  ASSERT_EQ(waiter_error, "");
  ASSERT_TRUE(waiting.has_value()) << "the waiting statement never showed";

  EXPECT_TRUE(waiting->written.empty());
  EXPECT_TRUE(waiting->tables.empty());
  EXPECT_GE(waiting->statement_started, waiting->started);
  EXPECT_EQ(horizon.HeldFrom("PC_LOGTRAN_BK"), waiting->statement_started);
  EXPECT_EQ(horizon.OldestHolder("PC_LOGTRAN_BK")->transaction_id, waiting->transaction_id);
  const TOpenTransaction* holding = OfAttachment(horizon, AttachmentOf(other));
  ASSERT_NE(holding, nullptr);
  EXPECT_EQ(holding->tables, std::vector<std::string>{"OFFICE"});
  EXPECT_EQ(horizon.HeldFrom("OFFICE"), holding->started);
  // The row carries the waiting statement's start, which only that statement held back.
  EXPECT_EQ(Committed("SELECT MODIFYDATE FROM OFFICE WHERE AZSNUMBER = 1").AsDateTime(),
            waiting->statement_started);
}

TEST(WriteHorizonMark, HoldIsTheOldestAndCapped) {
  const TDateTime now = EncodeDateTime({2026, 3, 2, 12, 0, 0, 0});
  const double hour = 1.0 / 24;
  TWriteHorizon horizon;
  horizon.server_time = now;
  horizon.transactions.resize(4);
  horizon.transactions[0].uncommitted_from = now - 3;  // open for three days
  horizon.transactions[0].tables = {"OFFICE"};
  horizon.transactions[1].uncommitted_from = now - hour;
  horizon.transactions[1].tables = {"OFFICE", "PC_CARD"};
  horizon.transactions[2].statement_started = now - 2 * hour;  // any table
  horizon.transactions[3].uncommitted_from = now - 5;          // holds nothing now
  horizon.transactions[3].written = {{"OFFICE", 4}};
  horizon.transactions[3].committed = {{"OFFICE", 4}};

  EXPECT_EQ(HeldMark(horizon, "OFFICE", 5.0), now - 3);
  EXPECT_EQ(HeldMark(horizon, "OFFICE", 1.0), now - 1.0);
  EXPECT_EQ(HeldMark(horizon, "OFFICE", 0), now);
  EXPECT_EQ(HeldMark(horizon, "OFFICE", -1), now);
  EXPECT_EQ(HeldMark(horizon, "PC_CARD", 1.0), now - 2 * hour);
  EXPECT_EQ(HeldMark(horizon, "KOGSMLIST", 1.0), now - 2 * hour);
  EXPECT_EQ(horizon.OldestHolder("OFFICE"), &horizon.transactions[0]);
  EXPECT_EQ(horizon.OldestHolder("KOGSMLIST"), &horizon.transactions[2]);

  // A statement that started after the look's time holds nothing back.
  horizon.transactions = {TOpenTransaction{}};
  horizon.transactions[0].statement_started = now + hour / 3600;
  EXPECT_EQ(HeldMark(horizon, "OFFICE", 1.0), now);
  horizon.transactions.clear();
  EXPECT_EQ(HeldMark(horizon, "OFFICE", 1.0), now);
  EXPECT_EQ(horizon.OldestHolder("OFFICE"), nullptr);
}

// Looks in a row, each handed the one before, as the engine does once a pass: each sees the same
// writer and ends its own transaction. (scripts/bench measures what a look costs.)
TEST_F(WriteHorizon, RepeatedLooksEndTheirTransactions) {
  TIBTransaction writer(other);
  Exec(other, writer, "INSERT INTO PC_LOGTRAN_BK (ID) VALUES (1)");
  // The looking connection's own transactions, as a fresh transaction of another one sees them.
  const std::string ours = "SELECT COUNT(*) FROM MON$TRANSACTIONS WHERE MON$ATTACHMENT_ID = " +
                           std::to_string(AttachmentOf(work));
  const auto count_ours = [&] {
    TIBTransaction check(other, TIBTransactionKind::ReadOnly);
    return Value(other, check, ours).AsInt64();
  };
  const std::int64_t ours_before = count_ours();
  TWriteHorizon last = Look();
  ASSERT_EQ(last.transactions.size(), 1u);
  const TDateTime started = last.transactions[0].started;
  for (int i = 0; i < 10; ++i) {
    TWriteHorizon next = Look(&last);
    ASSERT_EQ(next.transactions.size(), 1u);
    ASSERT_EQ(next.HeldFrom("PC_LOGTRAN_BK"), started);
    ASSERT_GE(next.server_time, last.server_time);
    last = std::move(next);
  }
  EXPECT_EQ(count_ours(), ours_before);

  work.Close();
  try {
    Look();
    FAIL() << "a look on a closed connection succeeded";
  } catch (const ibx::EIBError& e) {
    EXPECT_TRUE(e.Message().starts_with("Чтение открытых транзакций рабочей БД -> "))
        << e.Message();
  }
}

}  // namespace
}  // namespace brindle
