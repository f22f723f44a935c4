#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "dbaccess/conf_calls.h"
#include "dbaccess/office_db_verification.h"
#include "ibx/connection_string.h"
#include "ibx/dataset.h"
#include "ibx/transaction.h"
#include "infra/program_log.h"
#include "platform/text_forms.h"
#include "replication/copy_engine.h"
#include "replication/copy_lock.h"
#include "replication/copy_pass.h"
#include "replication/copy_record.h"
#include "schema/replicated_tables.h"
#include "settings/copy_settings.h"
#include "tests/support/office_databases.h"
#include "tests/support/sample_data.h"
#include "tests/support/test_database.h"
#include "tests/support/test_fyrn.h"

namespace brindle {
namespace {

using testing::ExecuteCommitted;
using testing::QueryText;

class ReplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramLog(std::make_unique<TMirtLogger>(dbs.Dir() / "program.log"));
    work = dbs.ConnectWork();
    copy = dbs.ConnectCopy();
  }
  void TearDown() override {
    work.Close();
    copy.Close();
    SetProgramLog(nullptr);
  }

  TPassOutcome Pass() {
    progress.Start();
    last = RunCopyPass(testing::TestFyrn(), settings, progress, memory);
    outcome_after = OutcomeAfter(last, outcome_after.LastCopyTime);
    return outcome_after;
  }
  std::unique_ptr<TfbIniFile> CopyConf() { return testing::OpenOfficeConf(dbs.CopyConnStr()); }
  TDateTime Mark(TfbIniFile& conf, const std::string& table) { return ReadMark(conf, table); }
  TDateTime ServerTime() {
    ibx::TIBDataSet query(work);
    query.SetSelectSQL("SELECT CURRENT_TIMESTAMP FROM RDB$DATABASE");
    query.Open();
    return query.Fields(0).AsDateTime();
  }
  std::string Log() { return testing::ReadFile(dbs.Dir() / "program.log"); }
  // Row 900 of PC_LOGTRAN_BK, inserted by another program's transaction that stays open.
  void InsertLeftOpen(ibx::TIBDatabase& other, ibx::TIBTransaction& open) {
    ibx::TIBDataSet insert(other, &open);
    insert.SetSelectSQL("INSERT INTO PC_LOGTRAN_BK (ID, SUMMA) VALUES (900, 1.5)");
    insert.ExecSQL();
  }
  // Every replicated table of the copy holds every source row, column by column.
  std::int64_t ExpectCopyEqualsWork() {
    const auto result = testing::CompareReplicatedTables(work, copy);
    for (const std::string& difference : result.differences) ADD_FAILURE() << difference;
    return result.rows_checked;
  }

  testing::OfficeDatabasePair dbs;
  TCopySettings settings = dbs.Settings();
  TPassMemory memory;
  TPassResult last;            // of the last Pass()
  TPassOutcome outcome_after;  // after the last Pass()
  TPassProgress progress;
  ibx::TIBDatabase work, copy;
};

TEST_F(ReplicationTest, FirstFillCopiesEveryRowAndMarksTheServerTime) {
  testing::FillReplicatedTables(work, 3);
  ExecuteCommitted(work,
                   "INSERT INTO CONFIGPARAMS (FILENAME, COMPUTERNAME, USERNAME, "
                   "SECTIONNAME, PARAMNAME, PARAMVALUE) VALUES ('CONF', '*', '*', "
                   "'REPORTS', 'REPORT_A', 'отчёт')");
  const TDateTime before = ServerTime();
  const auto outcome = Pass();
  const TDateTime after = ServerTime();

  ASSERT_EQ(outcome.LastErrorText, "");
  EXPECT_EQ(progress.TableNo, 37);
  EXPECT_EQ(progress.TableCount, 37);
  EXPECT_EQ(ExpectCopyEqualsWork(), 37 * 3 - 1);  // card 2 has no PC_COSHEL row
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM PC_CARD"), "2");

  auto conf = CopyConf();
  ASSERT_EQ(last.Tables.size(), ReplicatedTables().size());
  for (std::size_t i = 0; i < last.Tables.size(); ++i) {
    const std::string table(ReplicatedTables()[i].table);
    const TTableResult& result = last.Tables[i];
    const TDateTime mark = Mark(*conf, table);
    EXPECT_GE(mark, before - 1.0 / 86400000) << table;
    EXPECT_LE(mark, after + 1.0 / 86400000) << table;
    EXPECT_EQ(result.Table, table);
    EXPECT_EQ(result.MarkBefore, 0) << table;
    EXPECT_EQ(result.MarkAfter, mark) << table;
    EXPECT_EQ(result.Read, result.Inserted) << table;
    EXPECT_EQ(result.Updated + result.Unchanged, 0) << table;
  }
  EXPECT_EQ(last.Tables[0].Inserted, 3);
  EXPECT_EQ(last.Tables[4].Inserted, 2);  // PC_CARD without card 2
  EXPECT_EQ(last.Copied(), 37 * 3 - 1);
  EXPECT_EQ(ReadParamString(*conf, "DB_IS_COPY", ""), "1");
  EXPECT_EQ(ReadConfString(*conf, "REPLICATION_INFO", "WORK_DB_CONN_STR", ""),
            settings.WorkDBConnStr);
  EXPECT_EQ(ReadConfString(*conf, "REPLICATION_INFO", "WORK_DB_PARAM1", ""),
            HexEncode(settings.WorkDBPassword));
  EXPECT_NEAR(ReadConfDateTime(*conf, "REPLICATION_INFO", "LAST_COPY_TIME", 0),
              outcome.LastCopyTime, 1.0 / 86400000);
  EXPECT_EQ(ReadConfString(*conf, "REPORTS", "REPORT_A", ""), "отчёт");
  EXPECT_FALSE(ReadConfBool(*conf, "KO", "ACCOUNT_WEB_ENABLED", true));
  EXPECT_EQ(ReadConfFloat(*conf, "KO", "ACCOUNT_CONTROL_PERIOD", 0), 7.0);

  const std::string log = Log();
  EXPECT_NE(log.find("Начало копирования БД"), std::string::npos);
  EXPECT_NE(log.find("Обработка таблицы [OFFICE]: скопировано 3 записей"), std::string::npos);
  EXPECT_NE(log.find("Обработка таблицы [PC_CARD]: скопировано 2 записей"), std::string::npos);
  EXPECT_NE(log.find("Копирование БД завершено"), std::string::npos);
}

TEST_F(ReplicationTest, NextPassReadsFromTheMarkLessTenMinutes) {
  ASSERT_EQ(Pass().LastErrorText, "");
  auto conf = CopyConf();
  const TDateTime mark = Mark(*conf, "OFFICE");
  ASSERT_GT(mark, 0);
  // Rows stamped 9 and 11 minutes before the mark: only the first is within the overlap.
  testing::InsertSampleRows(work, "OFFICE", "AZSNUMBER", 100, 2);
  ExecuteCommitted(work, "UPDATE OFFICE SET MODIFYDATE = '" + FormatSqlDateTime(mark - 9.0 / 1440) +
                             "' WHERE AZSNUMBER = 100");
  ExecuteCommitted(work, "UPDATE OFFICE SET MODIFYDATE = '" +
                             FormatSqlDateTime(mark - 11.0 / 1440) + "' WHERE AZSNUMBER = 101");
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM OFFICE WHERE AZSNUMBER = 100"), "1");
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM OFFICE WHERE AZSNUMBER = 101"), "0");
}

TEST_F(ReplicationTest, OnlyChangedRowsAreWrittenAndWholly) {
  // A column only in the copy keeps its value; one only in the working database is not copied.
  ExecuteCommitted(copy, "ALTER TABLE OFFICE ADD EXTRA_COPY INTEGER DEFAULT 42");
  ExecuteCommitted(work, "ALTER TABLE OFFICE ADD EXTRA_WORK INTEGER DEFAULT 7");
  testing::InsertSampleRows(work, "OFFICE", "AZSNUMBER", 0, 3);
  ASSERT_EQ(Pass().LastErrorText, "");
  const std::string versions_before =
      QueryText(copy, "SELECT LIST(RDB$RECORD_VERSION) FROM OFFICE WHERE AZSNUMBER <> 1");

  // Row 1 changes in two columns, one of them to NULL. Rows 0 and 2 are within the mark's
  // overlap, and nothing has written them since the last pass: they are not read again.
  ExecuteCommitted(work,
                   "UPDATE OFFICE SET AZSNAME = 'новое имя', AZSPHONE = NULL WHERE AZSNUMBER = 1");
  ASSERT_EQ(Pass().LastErrorText, "");

  EXPECT_EQ(QueryText(copy, "SELECT LIST(RDB$RECORD_VERSION) FROM OFFICE WHERE AZSNUMBER <> 1"),
            versions_before);
  const TTableResult& office = last.Tables[0];
  EXPECT_EQ(office.Read, 1);
  EXPECT_EQ(office.Updated, 1);
  EXPECT_EQ(office.Unchanged, 0);
  EXPECT_EQ(office.Inserted, 0);
  EXPECT_EQ(QueryText(copy, "SELECT AZSNAME FROM OFFICE WHERE AZSNUMBER = 1"), "новое имя");
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM OFFICE WHERE AZSNUMBER = 1 AND AZSPHONE IS NULL"),
            "1");
  EXPECT_EQ(QueryText(copy, "SELECT LIST(DISTINCT EXTRA_COPY) FROM OFFICE"), "42");
  const std::string log = Log();
  EXPECT_NE(log.find("Обработка таблицы [OFFICE]: скопировано 3 записей"), std::string::npos);
  EXPECT_NE(log.find("Обработка таблицы [OFFICE]: скопировано 1 записей"), std::string::npos);
  ExpectCopyEqualsWork();
}

// The overlap is compared by key and stamp: a working row whose stamp the copy does not hold is
// read whole and written, the others are not read whole, and a row changed only in the copy under
// its stamp is left to the check. With the setting off the overlap is read whole, as rows after
// the mark are, and that row's values are put right too.
TEST_F(ReplicationTest, TheOverlapIsReadWholeOnlyWhereTheStampsDiffer) {
  testing::InsertSampleRows(work, "PC_LOGTRAN_BK", "ID", 0, 50);
  ASSERT_EQ(Pass().LastErrorText, "");
  const TDateTime mark = Mark(*CopyConf(), "PC_LOGTRAN_BK");
  // Stamped within the overlap, as a statement that began before the mark stamps its rows.
  ExecuteCommitted(work, "UPDATE PC_LOGTRAN_BK SET AZSNAME = 'раньше', MODIFYDATE = '" +
                             FormatSqlDateTime(mark - 1.0 / 1440) + "' WHERE ID = 1");
  ExecuteCommitted(work, "UPDATE PC_LOGTRAN_BK SET AZSNAME = 'после' WHERE ID = 3");
  // Changed in the copy under its own stamp: the trigger is made to keep it.
  const std::string stamp =
      QueryText(work, "SELECT CAST(MODIFYDATE AS VARCHAR(30)) FROM PC_LOGTRAN_BK WHERE ID = 2");
  ExecuteCommitted(copy, "UPDATE PC_LOGTRAN_BK SET MODIFYDATE = '1900-01-01' WHERE ID = 2");
  ExecuteCommitted(copy, "UPDATE PC_LOGTRAN_BK SET AZSNAME = 'копия', MODIFYDATE = '" + stamp +
                             "' WHERE ID = 2");
  ASSERT_EQ(
      QueryText(copy, "SELECT CAST(MODIFYDATE AS VARCHAR(30)) FROM PC_LOGTRAN_BK WHERE ID = 2"),
      stamp);
  memory = {};  // as the first pass after a start, which knows of no earlier pass
  ASSERT_EQ(Pass().LastErrorText, "");
  const auto table_result = [&] {
    for (const TTableResult& result : last.Tables) {
      if (result.Table == "PC_LOGTRAN_BK") return result;
    }
    throw std::runtime_error("no result for PC_LOGTRAN_BK");
  };
  EXPECT_EQ(table_result().Read, 2);
  EXPECT_EQ(table_result().Updated, 2);
  EXPECT_EQ(table_result().Unchanged, 48);
  EXPECT_EQ(QueryText(copy, "SELECT LIST(AZSNAME, '|') FROM PC_LOGTRAN_BK WHERE ID IN (1, 3)"),
            "раньше|после");
  EXPECT_EQ(QueryText(copy, "SELECT AZSNAME FROM PC_LOGTRAN_BK WHERE ID = 2"), "копия");

  settings.OverlapByStamps = false;
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_EQ(table_result().Read, 50);
  EXPECT_EQ(table_result().Updated, 1);
  EXPECT_EQ(QueryText(copy, "SELECT AZSNAME FROM PC_LOGTRAN_BK WHERE ID = 2"),
            QueryText(work, "SELECT AZSNAME FROM PC_LOGTRAN_BK WHERE ID = 2"));
}

// After a pass, the next reads of its overlap only the rows of transactions that may not have
// ended when that pass looked: a row stamped before that pass's mark and committed after it is
// read (it is what the overlap is for), rows nothing wrote since are not. A pass that finds a
// mark it did not store falls back to keys and stamps.
TEST_F(ReplicationTest, AfterAPassOnlyRowsWrittenSinceItLookedAreRead) {
  settings.MarkHoldLimit = 0;  // the mark passes the open writer: only the overlap brings its row
  testing::InsertSampleRows(work, "PC_LOGTRAN_BK", "ID", 0, 50);
  ASSERT_EQ(Pass().LastErrorText, "");

  ibx::TIBDatabase other = dbs.ConnectWork();
  ibx::TIBTransaction late(other);
  InsertLeftOpen(other, late);
  const TDateTime stamped = ServerTime();
  ExecuteCommitted(work, "UPDATE PC_LOGTRAN_BK SET AZSNAME = 'после' WHERE ID = 3");
  ASSERT_EQ(Pass().LastErrorText, "");
  const auto table_result = [&] { return last.Tables[11]; };
  ASSERT_EQ(table_result().Table, "PC_LOGTRAN_BK");
  EXPECT_EQ(table_result().Read, 1);
  ASSERT_GT(table_result().MarkAfter, stamped);
  late.Commit();

  // Row 3 was written after the open writer began, so it is read once more.
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_EQ(table_result().Read, 2);
  EXPECT_EQ(table_result().Inserted, 1);
  EXPECT_EQ(table_result().Unchanged, 1);
  ExpectCopyEqualsWork();

  // Another program's pass stored this mark: this engine no longer knows what the copy holds.
  WriteMark(*CopyConf(), "PC_LOGTRAN_BK", table_result().MarkAfter - 1.0 / 86400);
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_EQ(table_result().Read, 0);
  EXPECT_EQ(table_result().Unchanged, 51);
}

TEST_F(ReplicationTest, EmptyTextAndNullAreDifferentValues) {
  testing::InsertSampleRows(work, "OFFICE", "AZSNUMBER", 0, 1);
  ASSERT_EQ(Pass().LastErrorText, "");
  ExecuteCommitted(work, "UPDATE OFFICE SET AZSNAME = '' WHERE AZSNUMBER = 0");
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM OFFICE WHERE AZSNAME = ''"), "1");
  ExecuteCommitted(work, "UPDATE OFFICE SET AZSNAME = NULL WHERE AZSNUMBER = 0");
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM OFFICE WHERE AZSNAME IS NULL"), "1");
  ExecuteCommitted(work, "UPDATE OFFICE SET AZSNAME = '' WHERE AZSNUMBER = 0");
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM OFFICE WHERE AZSNAME = ''"), "1");
}

TEST_F(ReplicationTest, SmallestDifferencesAreCopied) {
  testing::InsertSampleRows(work, "PC_LOGTRAN_BK", "ID", 0, 1);
  ASSERT_EQ(Pass().LastErrorText, "");
  // A tenth of a millisecond and the fourth decimal place.
  ExecuteCommitted(work, "UPDATE PC_LOGTRAN_BK SET MODIFYDATE = MODIFYDATE + 0.0001e0 / 86400");
  ASSERT_EQ(Pass().LastErrorText, "");
  ExpectCopyEqualsWork();
  ExecuteCommitted(work, "UPDATE PC_LOGTRAN_BK SET SUMMA = SUMMA + 0.0001");
  ASSERT_EQ(Pass().LastErrorText, "");
  ExpectCopyEqualsWork();
  EXPECT_EQ(QueryText(copy, "SELECT SUMMA FROM PC_LOGTRAN_BK"), "0.1235");
}

// Many rows per statement give exactly the copy that one row at a time gives. 1,000 rows are
// filled; then 300 of them change in ways the server's own comparison would miss or lose (a
// trailing blank, '' and NULL, a tenth of a millisecond, a fourth decimal place) while 300 new
// rows arrive between them, so blocks of inserts and of updates alternate, and every old row is
// read again. Only the changed rows are rewritten. Then a row the copy refuses in the middle of
// a block fails the table with that row's key, and nothing of the table's pass stays.
TEST_F(ReplicationTest, RowsWrittenManyAtATimeAreExactAndAFailureNamesItsRow) {
  const std::string table = "PC_LOGTRAN_BK";
  testing::InsertSampleRows(work, table, "ID", 0, 1000);
  ASSERT_EQ(Pass().LastErrorText, "");
  ASSERT_EQ(last.Tables.size(), ReplicatedTables().size());
  const auto table_result = [&]() -> const TTableResult& {
    for (const TTableResult& result : last.Tables) {
      if (result.Table == table) return result;
    }
    throw std::runtime_error("no result for " + table);
  };
  EXPECT_EQ(table_result().Inserted, 1000);
  const std::string untouched =
      "SELECT LIST(RDB$RECORD_VERSION) FROM PC_LOGTRAN_BK "
      "WHERE ID < 100 OR ID BETWEEN 400 AND 999";
  const std::string versions_before = QueryText(copy, untouched);

  for (int step = 0; step < 6; ++step) {
    const std::int32_t first = 100 + step * 50;
    testing::InsertSampleRows(work, table, "ID", 1000 + step * 50, 50);
    const std::string rows =
        " WHERE ID BETWEEN " + std::to_string(first) + " AND " + std::to_string(first + 49);
    switch (step % 3) {
      case 0:
        ExecuteCommitted(work,
                         "UPDATE PC_LOGTRAN_BK SET AZSNAME = AZSNAME || ' ', "
                         "POKUPATEL = ''" +
                             rows);
        break;
      case 1:
        ExecuteCommitted(work,
                         "UPDATE PC_LOGTRAN_BK SET POKUPATEL = NULL, "
                         "SUMMA = SUMMA + 0.0001" +
                             rows);
        break;
      default:
        ExecuteCommitted(work, "UPDATE PC_LOGTRAN_BK SET DATA = DATA + 0.0001e0 / 86400" + rows);
    }
  }
  ASSERT_EQ(Pass().LastErrorText, "");
  // Only the changed and new rows are read; the overlap's others were not written since.
  EXPECT_EQ(table_result().Read, 600);
  EXPECT_EQ(table_result().Inserted, 300);
  EXPECT_EQ(table_result().Updated, 300);
  EXPECT_EQ(table_result().Unchanged, 0);
  EXPECT_EQ(QueryText(copy, untouched), versions_before) << "unchanged rows were rewritten";
  ExpectCopyEqualsWork();
  EXPECT_EQ(Log().find("не подготовлен"), std::string::npos) << "the blocks were not used";

  ExecuteCommitted(copy, "ALTER TABLE PC_LOGTRAN_BK ADD CONSTRAINT CHK_TEST_ID CHECK (ID <> 2150)");
  testing::InsertSampleRows(work, table, "ID", 2000, 200);
  auto conf = CopyConf();
  const TDateTime mark = Mark(*conf, table);
  const auto failed = Pass();
  EXPECT_EQ(failed.LastErrorText.rfind("Репликация таблицы \"PC_LOGTRAN_BK\" -> Вставка/Изменение "
                                       "записи с ID=2150 -> ",
                                       0),
            0u)
      << failed.LastErrorText;
  EXPECT_EQ(table_result().FailedKey, "2150");
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM PC_LOGTRAN_BK WHERE ID >= 2000"), "0");
  EXPECT_EQ(Mark(*CopyConf(), table), mark);
}

// One bad table must not hold the others back: a row the copy refuses in PC_CARD (5th) and a
// table missing from the copy (PC_DISCOUNT, 8th) fail their tables, which keep their marks,
// while every other table is copied and moves on; the pass is failed with the first error and
// lists both, and once both are mended the next pass completes.
TEST_F(ReplicationTest, FailingTablesKeepTheirMarksAndTheOthersAreCopied) {
  testing::FillReplicatedTables(work, 2);
  ASSERT_EQ(Pass().LastErrorText, "");
  auto conf = CopyConf();
  std::vector<TDateTime> marks;
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    marks.push_back(Mark(*conf, std::string(entry.table)));
  }
  const TDateTime last_copy = ReadConfDateTime(*conf, "REPLICATION_INFO", "LAST_COPY_TIME", 0);

  // The copy refuses card 500, which the working database links to a PC_COSHEL row.
  ExecuteCommitted(copy, "ALTER TABLE PC_CARD ADD CONSTRAINT CHK_TEST_CARD CHECK (ID < 100)");
  ExecuteCommitted(copy, "DROP TABLE PC_DISCOUNT");
  testing::InsertSampleRows(work, "PC_CARD", "ID", 500, 1);
  ExecuteCommitted(work, "UPDATE PC_COSHEL SET CARD_ID = 500 WHERE ID = 1");
  testing::InsertSampleRows(work, "TERM_COUNTERS", "TERM_NUMBER", 7, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto failed = Pass();

  const std::string prefix =
      "Репликация таблицы \"PC_CARD\" -> Вставка/Изменение записи с ID=500 -> ";
  EXPECT_EQ(failed.LastErrorText.rfind(prefix, 0), 0u) << failed.LastErrorText;
  EXPECT_TRUE(failed.LastErrorText.ends_with(" <# EIBError #>")) << failed.LastErrorText;
  EXPECT_EQ(failed.LastErrorText.find(" <# "), failed.LastErrorText.rfind(" <# "));
  EXPECT_GT(failed.LastErrorTime, 0);
  EXPECT_EQ(progress.TableNo, 37);
  EXPECT_EQ(last.Status, TPassStatus::kFailed);
  ASSERT_TRUE(last.Error);
  EXPECT_EQ(last.Error->Step, TPassStep::kTable);
  EXPECT_EQ(last.Error->Table, "PC_CARD");
  EXPECT_EQ(last.Error->Key, "500");
  EXPECT_EQ(last.Error->Text, failed.LastErrorText);
  EXPECT_NE(last.Error->SqlCode, 0);
  EXPECT_FALSE(last.Error->GdsCodes.empty());
  ASSERT_EQ(last.TableErrors.size(), 2u);
  EXPECT_EQ(last.TableErrors[1].Table, "PC_DISCOUNT");
  EXPECT_EQ(last.TableErrors[1].Key, "");
  ASSERT_EQ(last.Tables.size(), 37u);
  const std::string log = Log();
  for (const TPassError& error : last.TableErrors) {
    EXPECT_NE(log.find("Ошибка при копировании БД: " + error.Text), std::string::npos);
  }
  EXPECT_EQ(log.find("Копирование БД завершено", log.rfind("Начало копирования БД")),
            std::string::npos);
  const auto tables = ReplicatedTables();
  for (std::size_t i = 0; i < tables.size(); ++i) {
    const bool failing = tables[i].table == "PC_CARD" || tables[i].table == "PC_DISCOUNT";
    EXPECT_EQ(last.Tables[i].Failed, failing) << tables[i].table;
    const TDateTime mark = Mark(*conf, std::string(tables[i].table));
    if (failing) {
      EXPECT_EQ(mark, marks[i]) << tables[i].table;
    } else {
      EXPECT_GT(mark, marks[i]) << tables[i].table;
    }
  }
  EXPECT_EQ(ReadConfDateTime(*conf, "REPLICATION_INFO", "LAST_COPY_TIME", 0), last_copy);
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM PC_CARD WHERE ID = 500"), "0");
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM TERM_COUNTERS WHERE TERM_NUMBER = '7'"), "1")
      << "the tables after the failing ones are copied";

  // The next pass tries them again.
  EXPECT_EQ(Pass().LastErrorText.rfind(prefix, 0), 0u);
  ExecuteCommitted(copy, "ALTER TABLE PC_CARD DROP CONSTRAINT CHK_TEST_CARD");
  copy.Close();
  VerifyOfficeDB(testing::TestFyrn(), dbs.CopyConnStr(), testing::TestDatabase::Password());
  copy = dbs.ConnectCopy();
  const auto recovered = Pass();
  EXPECT_EQ(recovered.LastErrorText, "");
  EXPECT_EQ(recovered.LastErrorTime, 0);
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM PC_CARD WHERE ID = 500"), "1");
  ExpectCopyEqualsWork();
}

// The copy tells readers how fresh it is: per table up to when it is complete, the rows the last
// pass left and its time; per pass its start, duration, the failures since the last success and
// the last error. A failed pass is counted in the copy also when the working database is away,
// and by the engine alone while the copy is.
TEST_F(ReplicationTest, FreshnessIsKeptInTheCopyAndFailedPassesCountedUntilASuccess) {
  testing::FillReplicatedTables(work, 2);
  ASSERT_EQ(Pass().LastErrorText, "");
  auto conf = CopyConf();
  TCopyFreshness fresh = ReadCopyFreshness(*conf);
  ASSERT_EQ(fresh.Tables.size(), last.Tables.size());
  for (std::size_t i = 0; i < last.Tables.size(); ++i) {
    const TTableResult& table = last.Tables[i];
    EXPECT_EQ(fresh.Tables[i].Table, table.Table);
    EXPECT_EQ(fresh.Tables[i].CompleteAsOf, table.MarkAfter) << table.Table;
    EXPECT_EQ(fresh.Tables[i].Mark, table.MarkAfter) << table.Table;
    EXPECT_EQ(fresh.Tables[i].LastPassRows, table.Copied()) << table.Table;
    EXPECT_NEAR(fresh.Tables[i].LastPassSeconds, table.Seconds, 0.05) << table.Table;
  }
  EXPECT_EQ(ReadConfInt64(*conf, "REPLICATION_INFO", "OFFICE_LAST_PASS_ROWS", -1), 2)
      << "the documented key names";
  EXPECT_NEAR(fresh.LastPassStarted, last.Started, 1.0 / 86400000);
  EXPECT_GT(fresh.LastPassSeconds, 0);
  EXPECT_NEAR(fresh.LastPassSeconds, (last.Finished - last.Started) * 86400, 0.002);
  EXPECT_EQ(fresh.LastCopyTime, outcome_after.LastCopyTime);
  EXPECT_EQ(fresh.FailedPasses, 0);
  EXPECT_EQ(fresh.LastError, "");
  ASSERT_TRUE(last.WorkClockOffset);
  EXPECT_LT(std::abs(*last.WorkClockOffset), 1.0 / 86400) << "the server runs on this clock";

  // A table the copy refuses: its rows are not kept and it stays complete as of before.
  const TDateTime card_complete = fresh.Tables[4].CompleteAsOf;
  ExecuteCommitted(copy, "ALTER TABLE PC_CARD ADD CONSTRAINT CHK_TEST_CARD CHECK (ID < 100)");
  testing::InsertSampleRows(work, "PC_CARD", "ID", 500, 1);
  ExecuteCommitted(work, "UPDATE PC_COSHEL SET CARD_ID = 500 WHERE ID = 1");
  Pass();
  ASSERT_EQ(last.Status, TPassStatus::kFailed);
  EXPECT_EQ(last.FailedPasses, 1);
  fresh = ReadCopyFreshness(*conf);
  EXPECT_EQ(fresh.FailedPasses, 1);
  EXPECT_EQ(fresh.LastError, last.Error->Text);
  EXPECT_NEAR(fresh.LastPassStarted, last.Started, 1.0 / 86400000);
  EXPECT_EQ(fresh.Tables[4].Table, "PC_CARD");
  EXPECT_EQ(fresh.Tables[4].CompleteAsOf, card_complete);
  EXPECT_EQ(fresh.Tables[4].LastPassRows, 0);
  EXPECT_GT(fresh.Tables[5].CompleteAsOf, card_complete) << "the tables after it move on";

  // The working database cannot be reached: the copy still counts the pass.
  const TCopySettings good = settings;
  settings.WorkDBConnStr = "127.0.0.1/" + std::to_string(testing::TestDatabase::Port()) + ":" +
                           (dbs.Dir() / "missing.fdb");
  Pass();
  EXPECT_EQ(last.Error->Step, TPassStep::kConnectWork);
  EXPECT_FALSE(last.WorkClockOffset);
  EXPECT_EQ(last.FailedPasses, 2);
  fresh = ReadCopyFreshness(*conf);
  EXPECT_EQ(fresh.FailedPasses, 2);
  EXPECT_EQ(fresh.LastError, last.Error->Text);
  EXPECT_EQ(fresh.Tables[4].CompleteAsOf, card_complete) << "no table was touched";

  // Nor can the copy: the engine counts on by itself, and the copy keeps what it had.
  settings = good;
  settings.CopyDBConnStr = "127.0.0.1/1:" + (dbs.Dir() / "copy.fdb");
  Pass();
  EXPECT_EQ(last.Error->Step, TPassStep::kConnectCopy);
  EXPECT_EQ(last.FailedPasses, 3);
  EXPECT_EQ(ReadFailedPasses(*conf), 2);

  settings = good;
  ExecuteCommitted(copy, "ALTER TABLE PC_CARD DROP CONSTRAINT CHK_TEST_CARD");
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_EQ(last.FailedPasses, 0);
  fresh = ReadCopyFreshness(*conf);
  EXPECT_EQ(fresh.FailedPasses, 0);
  EXPECT_EQ(fresh.LastError, "");
  EXPECT_GT(fresh.Tables[4].CompleteAsOf, card_complete);
  EXPECT_EQ(fresh.Tables[4].LastPassRows, 1);
}

TEST_F(ReplicationTest, FailedPassLeavesNoAttachmentOpen) {
  // The copy's configuration cannot be opened: both connections were made by then.
  ExecuteCommitted(copy, "DROP TABLE CONFIGPARAMS");
  const auto outcome = Pass();
  EXPECT_NE(outcome.LastErrorText.find("CONFIGPARAMS"), std::string::npos) << outcome.LastErrorText;
  const std::string others =
      "SELECT COUNT(*) FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID <> CURRENT_CONNECTION "
      "AND MON$SYSTEM_FLAG = 0";
  EXPECT_EQ(QueryText(work, others), "0");
  EXPECT_EQ(QueryText(copy, others), "0");

  settings.CopyDBConnStr = "127.0.0.1/" + std::to_string(testing::TestDatabase::Port()) + ":" +
                           (dbs.Dir() / "missing.fdb");
  EXPECT_NE(Pass().LastErrorText, "");
  EXPECT_EQ(QueryText(work, others), "0");
}

TEST_F(ReplicationTest, TextKeysAndCopyMarks) {
  testing::InsertSampleRows(work, "TERM_COUNTERS", "TERM_NUMBER", 0, 2);
  auto conf = CopyConf();
  WriteConfString(*conf, "PARAMS", "DB_IS_COPY", "да");
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_EQ(ReadParamString(*conf, "DB_IS_COPY", ""), "1");
  // The key is text here: the probe finds row '1' by it and updates it in place.
  ExecuteCommitted(work, "UPDATE TERM_COUNTERS SET LAST_DOC_NUM = 77 WHERE TERM_NUMBER = '1'");
  ExecuteCommitted(work, "INSERT INTO TERM_COUNTERS (TERM_NUMBER) VALUES ('A-7')");
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM TERM_COUNTERS"), "3");
  ExpectCopyEqualsWork();
}

TEST_F(ReplicationTest, RowsWrittenDuringPassesAllArrive) {
  std::atomic<bool> stop{false};
  std::atomic<int> written{0};
  std::string writer_error;
  std::thread writer([&] {
    try {
      auto db = dbs.ConnectWork();
      for (int id = 1000; !stop; id += 5) {
        testing::InsertSampleRows(db, "PC_LOGTRAN_BK", "ID", id, 5);
        ExecuteCommitted(db, "UPDATE OFFICE SET AZSNAME = 'запись " + std::to_string(id) + "'");
        ExecuteCommitted(
            db, "UPDATE PC_LOGTRAN_BK SET SUMMA = SUMMA + 1 WHERE ID = " + std::to_string(id - 3));
        written += 5;
      }
    } catch (const std::exception& e) {
      writer_error = e.what();
    }
  });
  testing::InsertSampleRows(work, "OFFICE", "AZSNUMBER", 0, 3);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Pass().LastErrorText, "");
  stop = true;
  writer.join();
  ASSERT_EQ(writer_error, "");
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_GT(written, 0);
  const std::int64_t rows = ExpectCopyEqualsWork();
  EXPECT_GE(rows, written + 3);
  std::cout << "Rows compared after concurrent writes: " << rows << "\n";
}

// A transaction that stays open across passes and commits long after its row was stamped. With
// the overlap cut to two seconds, the row arrives only because the open transaction held the
// table's mark back; with holding switched off the same row is lost, so the test can fail.
class LongTransactionTest : public ReplicationTest, public ::testing::WithParamInterface<bool> {};

TEST_P(LongTransactionTest, RowCommittedLongAfterItsStampArrivesOnlyWhenMarksAreHeld) {
  const bool hold = GetParam();
  settings.MarkOverlap = 2.0 / 86400;
  if (!hold) settings.MarkHoldLimit = 0;
  ASSERT_EQ(Pass().LastErrorText, "");

  ibx::TIBDatabase other = dbs.ConnectWork();
  ibx::TIBTransaction open_transaction(other);
  InsertLeftOpen(other, open_transaction);
  const TDateTime stamped = ServerTime();
  for (int i = 0; i < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_EQ(Pass().LastErrorText, "");
  }
  const TTableResult& held = last.Tables[11];
  ASSERT_EQ(held.Table, "PC_LOGTRAN_BK");
  if (hold) {
    EXPECT_LE(held.MarkAfter, stamped) << "held at the open transaction's start";
    EXPECT_GT(last.Tables[0].MarkAfter, stamped) << "tables it did not write move on";
    ASSERT_EQ(last.Holders.size(), 1u);
    EXPECT_EQ(last.Holders[0].User, "SYSDBA");
    EXPECT_EQ(last.Holders[0].Tables, std::vector<std::string>{"PC_LOGTRAN_BK"});
    EXPECT_NE(Log().find("задерживает отметки таблиц PC_LOGTRAN_BK"), std::string::npos);
  } else {
    EXPECT_GT(held.MarkAfter, stamped);
    EXPECT_TRUE(last.Holders.empty());
  }
  open_transaction.Commit();
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM PC_LOGTRAN_BK WHERE ID = 900"), hold ? "1" : "0");
  EXPECT_TRUE(last.Holders.empty()) << "a committed transaction holds nothing";
  const std::string log = Log();
  std::size_t warnings = 0;
  for (auto at = log.find("задерживает отметки"); at != std::string::npos;
       at = log.find("задерживает отметки", at + 1)) {
    ++warnings;
  }
  EXPECT_EQ(warnings, hold ? 1u : 0u) << "one warning per transaction";
}

INSTANTIATE_TEST_SUITE_P(HoldingOnAndOff, LongTransactionTest, ::testing::Bool());

// A desktop program keeps a read-write transaction open all day, reading the replicated tables
// and writing others: it must not hold any mark back.
TEST_F(ReplicationTest, AnIdleReadWriteTransactionHoldsNoMark) {
  settings.MarkOverlap = 2.0 / 86400;
  testing::InsertSampleRows(work, "OFFICE", "AZSNUMBER", 0, 2);
  ibx::TIBDatabase other = dbs.ConnectWork();
  ibx::TIBTransaction desktop(other);
  ibx::TIBDataSet read(other, &desktop);
  read.SetSelectSQL("SELECT COUNT(*) FROM OFFICE");
  read.Open();
  read.Close();
  ibx::TIBDataSet write(other, &desktop);
  write.SetSelectSQL(
      "INSERT INTO CONFIGPARAMS (FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME, "
      "PARAMVALUE) VALUES ('DESKTOP', '*', '*', 'S', 'K', 'V')");
  write.ExecSQL();
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  for (int i = 0; i < 2; ++i) {
    const TDateTime before = ServerTime();
    ASSERT_EQ(Pass().LastErrorText, "");
    EXPECT_TRUE(last.Holders.empty());
    EXPECT_FALSE(last.MonitoringUnavailable);
    for (const TTableResult& table : last.Tables) {
      EXPECT_GE(table.MarkAfter, before - 1.0 / 86400000) << table.Table;
    }
  }
  desktop.Rollback();
}

TEST_F(ReplicationTest, APassFindingTheCopyLockedIsSkippedNotFailed) {
  testing::InsertSampleRows(work, "OFFICE", "AZSNUMBER", 0, 2);
  ibx::TIBDatabase other = dbs.ConnectCopy();
  TCopyLock held(other);
  ASSERT_TRUE(held.TryAcquire());
  const auto skipped = Pass();
  EXPECT_EQ(last.Status, TPassStatus::kSkipped);
  EXPECT_NE(last.LockHolder.find("(pid " + std::to_string(getpid()) + ")"), std::string::npos)
      << last.LockHolder;
  EXPECT_EQ(skipped.LastErrorText, "");
  EXPECT_EQ(skipped.LastCopyTime, 0);
  EXPECT_TRUE(last.Tables.empty());
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM OFFICE"), "0");
  EXPECT_NE(Log().find("Копирование пропущено: копию БД сейчас заполняет другая программа (" +
                       last.LockHolder + ")"),
            std::string::npos);
  held.Release();
  ASSERT_EQ(Pass().LastErrorText, "");
  EXPECT_EQ(last.Status, TPassStatus::kCompleted);
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM OFFICE"), "2");
}

TEST_F(ReplicationTest, EngineRunsThePassWhenWokenWithTheSettingsOfThatMoment) {
  testing::InsertSampleRows(work, "OFFICE", "AZSNUMBER", 0, 2);
  std::mutex lock;
  std::vector<TPassResult> results;
  TCopySettings wrong = settings;
  wrong.CopyDBConnStr = "127.0.0.1/" + std::to_string(testing::TestDatabase::Port()) + ":" +
                        (dbs.Dir() / "missing.fdb");
  TCopyEngine engine(testing::TestFyrn(), wrong, [&](const TPassResult& result) {
    std::lock_guard guard(lock);
    results.push_back(result);
  });
  auto passes = [&] {
    std::lock_guard guard(lock);
    return results.size();
  };
  auto wait_for_passes = [&](std::size_t count) {
    for (int i = 0; i < 200 && passes() < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return passes() >= count;
  };
  engine.SetCopyEnabled(true);
  engine.WakeUp();
  ASSERT_TRUE(wait_for_passes(1));
  // The settings change between passes: the next pass takes them.
  engine.SetSettings(settings);
  engine.WakeUp();
  ASSERT_TRUE(wait_for_passes(2));
  engine.SetCopyEnabled(false);

  std::lock_guard guard(lock);
  EXPECT_EQ(results[0].Status, TPassStatus::kFailed);
  ASSERT_TRUE(results[0].Error);
  EXPECT_EQ(results[0].Error->Step, TPassStep::kConnectCopy);
  EXPECT_FALSE(results[0].Error->GdsCodes.empty()) << results[0].Error->Text;
  EXPECT_EQ(results[1].Status, TPassStatus::kCompleted);
  EXPECT_EQ(engine.LastResult()->Status, TPassStatus::kCompleted);
  EXPECT_EQ(engine.Outcome().LastErrorText, "");
  EXPECT_GT(engine.Outcome().LastCopyTime, 0);
  EXPECT_EQ(QueryText(copy, "SELECT COUNT(*) FROM OFFICE"), "2");
}

}  // namespace
}  // namespace brindle
