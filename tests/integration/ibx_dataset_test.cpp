// Data sets: named parameters, statements prepared once, forward-only reading, and the checks
// that keep a statement from being run the wrong way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/ib_error.h"
#include "ibx/transaction.h"
#include "tests/support/test_database.h"

namespace brindle::ibx {
namespace {

using testing::TestDatabase;

class IbxDataSet : public ::testing::Test {
 protected:
  IbxDataSet() {
    db_.Execute({"CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20))",
                 "INSERT INTO T VALUES (1, 'один')", "INSERT INTO T VALUES (2, 'два')",
                 "INSERT INTO T VALUES (3, 'три')"});
  }

  std::vector<std::string> Names() {
    TIBDataSet query(database_);
    query.SetSelectSQL("SELECT ID || '=' || COALESCE(NAME, '<null>') FROM T ORDER BY ID");
    std::vector<std::string> rows;
    for (query.Open(); !query.Eof(); query.Next()) rows.push_back(query.Fields(0).AsString());
    return rows;
  }

  // Ids the server gave to the prepared statements of this connection whose text starts so.
  // Monitoring data is a snapshot per transaction, hence a fresh one each time.
  std::vector<std::string> StatementIds(const std::string& start) {
    TIBTransaction snapshot(database_, TIBTransactionKind::ReadOnly);
    TIBDataSet query(database_, &snapshot);
    query.SetSelectSQL(
        "SELECT MON$STATEMENT_ID FROM MON$STATEMENTS "
        "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION "
        "AND MON$SQL_TEXT STARTING WITH :START ORDER BY 1");
    query.ParamByName("START").SetAsString(start);
    std::vector<std::string> ids;
    for (query.Open(); !query.Eof(); query.Next()) ids.push_back(query.Fields(0).AsString());
    return ids;
  }

  TestDatabase db_;
  TIBDatabase database_{db_.Connect()};
};

TEST_F(IbxDataSet, NameUsedTwiceTakesOneValueAtBothPlaces) {
  TIBTransaction write(database_);
  TIBDataSet update(database_, &write);
  update.SetSelectSQL("UPDATE \"T\" SET \"ID\" = :ID,\"NAME\" = :NAME WHERE \"ID\" = :ID");
  ASSERT_EQ(update.ParamCount(), 2u);
  EXPECT_EQ(update.Params(0).Name(), "ID");
  EXPECT_EQ(update.Params(1).Name(), "NAME");
  EXPECT_EQ(update.Params(0).DataType(), TFieldType::ftInteger);
  EXPECT_EQ(update.Params(1).DataType(), TFieldType::ftString);
  update.Params(0).SetAsLong(2);
  update.Params(1).SetAsString("новое");
  update.ExecSQL();
  EXPECT_EQ(update.RowsAffected(), 1);
  write.Commit();
  EXPECT_EQ(Names(), (std::vector<std::string>{"1=один", "2=новое", "3=три"}));
}

TEST_F(IbxDataSet, ParametersAreNumberedByFirstPlaceAndFoundIgnoringCase) {
  TIBDataSet query(database_);
  query.SetSelectSQL(
      "SELECT ID FROM T WHERE ID >= :Low AND NAME <> ? AND ID <= :HIGH "
      "AND ID <> :low ORDER BY ID");
  ASSERT_EQ(query.ParamCount(), 3u);
  EXPECT_EQ(query.Params(0).Name(), "Low");
  EXPECT_EQ(query.Params(1).Name(), "");
  EXPECT_EQ(&query.ParamByName("low"), &query.Params(0));
  query.ParamByName("LOW").SetAsInteger(1);
  query.Params(1).SetAsString("два");
  query.ParamByName("high").SetAsInteger(3);
  query.Open();
  // ID 1 is excluded by "<> :low", which is the same parameter as ":Low".
  EXPECT_EQ(query.Fields(0).AsInteger(), 3);
  query.Next();
  EXPECT_TRUE(query.Eof());
  try {
    query.ParamByName("MISSING");
    FAIL() << "no error";
  } catch (const EIBError& e) {
    EXPECT_NE(e.Message().find("Параметр \"MISSING\" не найден"), std::string::npos);
  }
}

TEST_F(IbxDataSet, ColonsInLiteralsIdentifiersAndCommentsAreNotParameters) {
  TIBDataSet query(database_);
  query.SetSelectSQL(
      "SELECT ':A', 'it''s :B' AS \"X:Y\", q'{:C}' FROM RDB$DATABASE /* :D */ "
      "WHERE 1 = :ONE -- :E\n AND 2 = 2");
  ASSERT_EQ(query.ParamCount(), 1u);
  query.ParamByName("ONE").SetAsInteger(1);
  query.Open();
  ASSERT_FALSE(query.Eof());
  EXPECT_EQ(query.Fields(0).AsString(), ":A");
  EXPECT_EQ(query.FieldByName("X:Y").AsString(), "it's :B");
  EXPECT_EQ(query.Fields(2).AsString(), ":C");
}

TEST_F(IbxDataSet, StatementExecutedTenThousandTimesIsPreparedOnce) {
  db_.Execute({"CREATE TABLE ONCE_TARGET (ID INTEGER, NAME VARCHAR(20))"});
  const std::string sql = "INSERT INTO ONCE_TARGET (ID, NAME) VALUES (:ID, :NAME)";
  TIBTransaction write(database_);
  TIBDataSet insert(database_, &write);
  std::vector<std::string> first;
  for (int i = 0; i < 10000; ++i) {
    insert.SetSelectSQL(sql);  // the same text again keeps the prepared statement
    insert.ParamByName("ID").SetAsInteger(i);
    insert.ParamByName("NAME").SetAsString("строка " + std::to_string(i));
    insert.ExecSQL();
    if (i == 0) first = StatementIds("INSERT INTO ONCE_TARGET");
  }
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(StatementIds("INSERT INTO ONCE_TARGET"), first);
  write.Commit();

  TIBDataSet check(database_);
  check.SetSelectSQL("SELECT COUNT(*), SUM(ID), COUNT(DISTINCT NAME), MAX(NAME) FROM ONCE_TARGET");
  check.Open();
  EXPECT_EQ(check.Fields(0).AsInteger(), 10000);
  EXPECT_EQ(check.Fields(1).AsInt64(), 49995000);
  EXPECT_EQ(check.Fields(2).AsInteger(), 10000);
  EXPECT_EQ(check.Fields(3).AsString(), "строка 9999");
}

TEST_F(IbxDataSet, RowsAreReadForwardOnceEach) {
  TIBDataSet query(database_);
  EXPECT_TRUE(query.UniDirectional());
  query.SetSelectSQL("SELECT ID, NAME FROM T ORDER BY ID DESC");
  query.Open();
  std::vector<std::string> seen;
  while (!query.Eof()) {
    seen.push_back(std::to_string(query.RecNo()) + ":" + query.FieldByName("name").AsString());
    query.Next();
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1:три", "2:два", "3:один"}));
  EXPECT_TRUE(query.Active());
  EXPECT_THROW(query.Fields(0).AsString(), EIBError);  // past the end there is no row
  query.Next();                                        // and moving on stays there
  EXPECT_TRUE(query.Eof());
  query.Close();
  EXPECT_FALSE(query.Active());
  EXPECT_THROW(query.Next(), EIBError);
}

TEST_F(IbxDataSet, EmptyResultIsAtEofAndStillDescribesItsFields) {
  TIBDataSet query(database_);
  query.SetSelectSQL("SELECT FIRST 1 * FROM T WHERE ID < 0");
  query.Open();
  EXPECT_TRUE(query.Eof());
  ASSERT_EQ(query.FieldCount(), 2u);
  EXPECT_EQ(query.Fields(0).FieldName(), "ID");
  EXPECT_EQ(query.Fields(1).FieldName(), "NAME");
  EXPECT_EQ(query.FindField("name"), &query.Fields(1));
  EXPECT_EQ(query.FindField("MODIFYDATE"), nullptr);
  try {
    query.FieldByName("MODIFYDATE");
    FAIL() << "no error";
  } catch (const EIBError& e) {
    EXPECT_NE(e.Message().find("Поле \"MODIFYDATE\" не найдено"), std::string::npos);
  }
}

TEST_F(IbxDataSet, ReopeningWithNewValuesReusesTheStatement) {
  TIBDataSet probe(database_);
  probe.SetSelectSQL("SELECT NAME FROM T WHERE ID = :ID");
  std::vector<std::string> found;
  for (int id : {3, 5, 1}) {
    probe.ParamByName("ID").SetAsLong(id);
    probe.Open();
    found.push_back(probe.Eof() ? "-" : probe.Fields(0).AsString());
    probe.Close();
    EXPECT_TRUE(probe.Prepared());
  }
  EXPECT_EQ(found, (std::vector<std::string>{"три", "-", "один"}));
  EXPECT_EQ(StatementIds("SELECT NAME FROM T").size(), 1u);
}

TEST_F(IbxDataSet, StatementsRunOnlyTheWayThatSuitsThem) {
  TIBTransaction write(database_);
  TIBDataSet statement(database_, &write);
  statement.SetSelectSQL("SELECT * FROM T");
  EXPECT_THROW(statement.ExecSQL(), EIBError);
  statement.SetSelectSQL("DELETE FROM T WHERE ID = 1");
  EXPECT_THROW(statement.Open(), EIBError);
  statement.SetSelectSQL("COMMIT");
  EXPECT_THROW(statement.Prepare(), EIBError);
  statement.SetSelectSQL("   ");
  EXPECT_THROW(statement.Prepare(), EIBError);
  EXPECT_TRUE(write.InTransaction());
  write.Rollback();
  EXPECT_EQ(Names().size(), 3u);
}

TEST_F(IbxDataSet, ReturnedValuesAreInTheFields) {
  TIBTransaction write(database_);
  TIBDataSet insert(database_, &write);
  insert.SetSelectSQL("INSERT INTO T (ID, NAME) VALUES (:ID, :NAME) RETURNING ID * 10, NAME");
  insert.ParamByName("ID").SetAsInteger(4);
  insert.ParamByName("NAME").SetAsString("четыре");
  insert.ExecSQL();
  EXPECT_EQ(insert.Fields(0).AsInteger(), 40);
  EXPECT_EQ(insert.Fields(1).AsString(), "четыре");
  // Open gives the same single row, then Eof.
  insert.ParamByName("ID").SetAsInteger(5);
  insert.Open();
  ASSERT_FALSE(insert.Eof());
  EXPECT_EQ(insert.Fields(0).AsInteger(), 50);
  insert.Next();
  EXPECT_TRUE(insert.Eof());
  write.Commit();
  EXPECT_EQ(Names().size(), 5u);
}

TEST_F(IbxDataSet, ParamCheckOffSendsColonsToTheServer) {
  const char* block =
      "EXECUTE BLOCK RETURNS (X INTEGER) AS DECLARE Y INTEGER = 5; "
      "BEGIN X = :Y * 2; SUSPEND; END";
  TIBDataSet query(database_);
  query.SetSelectSQL(block);
  EXPECT_THROW(query.Open(), EIBError);  // ":Y" taken for a parameter the server does not know
  query.SetParamCheck(false);
  query.Open();
  EXPECT_EQ(query.Fields(0).AsInteger(), 10);
}

TEST_F(IbxDataSet, DataSetsMoveWithoutLosingTheirPlace) {
  TIBDataSet query(database_);
  query.SetSelectSQL("SELECT ID FROM T ORDER BY ID");
  query.Open();
  std::vector<TIBDataSet> moved;
  moved.push_back(std::move(query));
  moved.push_back(TIBDataSet(database_));
  TIBDataSet& same = moved.front();
  same.Next();
  EXPECT_EQ(same.Fields(0).AsInteger(), 2);
  TIBDatabase other = std::move(database_);
  same.Next();
  EXPECT_EQ(same.Fields(0).AsInteger(), 3);
  database_ = std::move(other);
}

}  // namespace
}  // namespace brindle::ibx
