// The structure library against the private server: the office database it creates, the
// modification-date rule, indexes and domains at work, a second check that changes nothing, the
// completion of a partial database, what it does with objects that exist with another
// definition, its failures, and the entry points of libOstrel.so loaded with dlopen.
#include <gtest/gtest.h>
#include <ibase.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "ibx/connection_string.h"
#include "ibx/database.h"
#include "ibx/dataset.h"
#include "ibx/ib_error.h"
#include "ibx/transaction.h"
#include "ostrel/database_description.h"
#include "ostrel/ddl.h"
#include "ostrel/library_api.h"
#include "ostrel/modify_date_rule.h"
#include "ostrel/sql_text.h"
#include "ostrel/structure_check.h"
#include "platform/shared_library.h"
#include "platform/suite_root.h"
#include "platform/text.h"
#include "schema/describe_table.h"
#include "schema/office_db_structure_builder.h"
#include "schema/office_schema.h"
#include "tests/support/expected_schema.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_database.h"

namespace brindle::ostrel {
namespace {

using ibx::EIBError;
using ibx::TIBDatabase;
using ibx::TIBDataSet;
using ibx::TIBTransaction;
using testing::TestDatabase;

// --- Helpers ---------------------------------------------------------------------------------

// Every row of a query, its fields' text forms joined by "|", NULL shown as <null>.
std::vector<std::string> Rows(TIBDatabase& database, const std::string& sql) {
  TIBDataSet query(database);
  query.SetSelectSQL(sql);
  std::vector<std::string> rows;
  for (query.Open(); !query.Eof(); query.Next()) {
    std::string row;
    for (std::size_t i = 0; i < query.FieldCount(); ++i) {
      if (i > 0) row += "|";
      const ibx::TIBField& field = query.Fields(i);
      row += field.IsNull() ? "<null>" : std::string(Trim(field.AsString()));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::set<std::string> RowSet(TIBDatabase& database, const std::string& sql) {
  const std::vector<std::string> rows = Rows(database, sql);
  return {rows.begin(), rows.end()};
}

std::string Scalar(TIBDatabase& database, const std::string& sql) {
  const std::vector<std::string> rows = Rows(database, sql);
  return rows.empty() ? "<no row>" : rows.front();
}

void Exec(TIBDatabase& database, const std::string& sql) {
  TIBTransaction transaction(database);
  TIBDataSet statement(database, &transaction);
  statement.SetSelectSQL(sql);
  statement.ExecSQL();
  transaction.Commit();
}

std::string Now(TIBDatabase& database) {
  return Scalar(database, "SELECT CURRENT_TIMESTAMP FROM RDB$DATABASE");
}

std::unique_ptr<TfbDataBaseDescription> DescribeOffice(const std::string& path) {
  auto description = std::make_unique<TfbDataBaseDescription>();
  DescribeOfficeDB(*description, TestDatabase::Host(), path, TestDatabase::Password(),
                   TestDatabase::Port());
  return description;
}

// A description of the given schema tables only (with the office domains), for small cases.
std::unique_ptr<TfbDataBaseDescription> DescribeSome(const std::string& path,
                                                     const std::set<std::string>& tables) {
  auto description = std::make_unique<TfbDataBaseDescription>();
  description->SetConnection(TestDatabase::Host(), path, TestDatabase::Password(),
                             TestDatabase::Port(), {});
  for (const schema::DomainDef& domain : schema::OfficeDomains()) {
    description->AddDomain(std::string(domain.name), std::string(domain.type), 0, 0,
                           std::string(domain.check));
  }
  for (auto group : {schema::CoreTables(), schema::CommercialTables(), schema::CardTables()}) {
    for (const schema::TableDef& table : group) {
      if (tables.contains(std::string(table.name))) schema::DescribeTable(*description, table);
    }
  }
  return description;
}

// A description on the test server, for hand-made tables.
std::unique_ptr<TfbDataBaseDescription> Described(const std::string& path) {
  auto description = std::make_unique<TfbDataBaseDescription>();
  description->SetConnection(TestDatabase::Host(), path, TestDatabase::Password(),
                             TestDatabase::Port(), {});
  return description;
}

std::string LogPath() {
  return SuitePath("LogFiles/OstrelCheck.log");
}

std::size_t LogSize() {
  return testing::ReadFile(LogPath()).size();
}

// Lines of the log that contain the text, from the byte offset on.
std::vector<std::string> LogLines(const std::string& text, std::size_t from = 0) {
  std::vector<std::string> found;
  const std::string log = testing::ReadFile(LogPath());
  std::size_t start = from;
  while (start < log.size()) {
    std::size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    if (line.find(text) != std::string::npos) found.push_back(line);
    start = end + 2;
  }
  return found;
}

// The user tables of the database with their columns in order.
std::map<std::string, std::vector<std::string>> TableColumns(TIBDatabase& database) {
  std::map<std::string, std::vector<std::string>> tables;
  for (const std::string& row : Rows(database,
                                     "SELECT rf.RDB$RELATION_NAME, rf.RDB$FIELD_NAME "
                                     "FROM RDB$RELATION_FIELDS rf JOIN RDB$RELATIONS r "
                                     "ON r.RDB$RELATION_NAME = rf.RDB$RELATION_NAME "
                                     "WHERE COALESCE(r.RDB$SYSTEM_FLAG, 0) = 0 "
                                     "ORDER BY rf.RDB$RELATION_NAME, rf.RDB$FIELD_POSITION")) {
    const std::size_t bar = row.find('|');
    tables[row.substr(0, bar)].push_back(row.substr(bar + 1));
  }
  return tables;
}

std::set<std::string> Generators(TIBDatabase& database) {
  return RowSet(
      database,
      "SELECT RDB$GENERATOR_NAME FROM RDB$GENERATORS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0");
}

// Everything of the structure that a check could change, for comparing before and after:
// objects with their definitions and each table's format number, which every ALTER TABLE raises.
std::vector<std::string> StructureFingerprint(TIBDatabase& database) {
  std::vector<std::string> all;
  for (const char* sql : {
           "SELECT RDB$RELATION_NAME, RDB$FORMAT FROM RDB$RELATIONS "
           "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1",
           "SELECT rf.RDB$RELATION_NAME, rf.RDB$FIELD_NAME, rf.RDB$FIELD_SOURCE, rf.RDB$NULL_FLAG, "
           "rf.RDB$DEFAULT_SOURCE FROM RDB$RELATION_FIELDS rf JOIN RDB$RELATIONS r "
           "ON r.RDB$RELATION_NAME = rf.RDB$RELATION_NAME WHERE COALESCE(r.RDB$SYSTEM_FLAG, 0) = 0 "
           "ORDER BY 1, 2",
           "SELECT i.RDB$INDEX_NAME, i.RDB$RELATION_NAME, i.RDB$UNIQUE_FLAG, i.RDB$INDEX_TYPE, "
           "s.RDB$FIELD_NAME FROM RDB$INDICES i JOIN RDB$INDEX_SEGMENTS s "
           "ON s.RDB$INDEX_NAME = i.RDB$INDEX_NAME WHERE COALESCE(i.RDB$SYSTEM_FLAG, 0) = 0 "
           "ORDER BY 1, s.RDB$FIELD_POSITION",
           "SELECT RDB$TRIGGER_NAME, RDB$RELATION_NAME, RDB$TRIGGER_TYPE, RDB$TRIGGER_SEQUENCE, "
           "RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1",
           "SELECT RDB$GENERATOR_NAME FROM RDB$GENERATORS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
           "ORDER BY 1",
           "SELECT RDB$FIELD_NAME, RDB$FIELD_TYPE, RDB$VALIDATION_SOURCE FROM RDB$FIELDS "
           "WHERE RDB$FIELD_NAME NOT STARTING WITH 'RDB$' AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
           "ORDER BY 1",
       }) {
    for (std::string& row : Rows(database, sql)) all.push_back(std::move(row));
  }
  return all;
}

// The rows of a table with each row's record version, which changes only when the row is written.
std::vector<std::string> VersionedRows(TIBDatabase& database, const std::string& table,
                                       const std::string& key) {
  return Rows(database,
              "SELECT RDB$RECORD_VERSION, t.* FROM \"" + table + "\" t ORDER BY t.\"" + key + "\"");
}

using testing::ExpectedTable;
using testing::kExplicit;
using testing::kMode1;
using testing::kNone;
using testing::kPlainColumn;
using testing::kSummary;

const std::map<std::string, std::string> kExplicitTriggers = {
    {"PC_OWNER_DISCOUNT_BIU10", "PC_OWNER_DISCOUNT"},
    {"PC_OWNER_DISCPOROG_BIU10", "PC_OWNER_DISCPOROG"},
    {"PC_OWNER_COSHELCOEFF_BIU10", "PC_OWNER_COSHELCOEFF"},
    {"PC_CARDAZSOPERATIONS_BIU10", "PC_CARDAZSOPERATIONS"},  // declared without a name
    {"PC_OWNER_AZSATTACH_BIU10", "PC_OWNER_AZSATTACH"},
    {"PC_OWNER_ORGPARAMS_BIU10", "PC_OWNER_ORGPARAMS"},
    {"PC_OWNER_ALLOWCARDLIST_BIU10", "PC_OWNER_ALLOWCARDLIST"},
    {"KO_OST_CHANGE_HIST_BIU10", "KOOSTATKICHANGEHISTORY"},
    {"KO_OST_CHANGE_HIST_VAL_BIU10", "KOOSTATKICHANGEHISTORYVALUES"},
};

// --- The office database -----------------------------------------------------------------------

// One office database with CommonOrgs (70 tables), made by the check in an empty database file.
// The tests only read its structure or write rows of their own.
class OfficeDatabase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    try {
      db_ = std::make_unique<TestDatabase>();
      std::filesystem::create_directories(SuitePath("CommonOrgs"));
      description_ = DescribeOffice(db_->Path());
      result_ = CheckDatabaseStructure(*description_, LogPath());
    } catch (const std::exception& e) {
      setup_error_ = e.what();
    }
  }
  static void TearDownTestSuite() {
    description_.reset();
    db_.reset();
  }

  void SetUp() override {
    ASSERT_TRUE(setup_error_.empty()) << setup_error_;
    database_ = db_->Connect();
  }

  static const TfbTableDescription& Described(const std::string& name) {
    const TfbTableDescription* table = description_->FindTable(name);
    if (!table) throw std::runtime_error("no described table " + name);
    return *table;
  }

  static std::unique_ptr<TestDatabase> db_;
  static std::unique_ptr<TfbDataBaseDescription> description_;
  static CheckResult result_;
  static std::string setup_error_;
  TIBDatabase database_;
};

std::unique_ptr<TestDatabase> OfficeDatabase::db_;
std::unique_ptr<TfbDataBaseDescription> OfficeDatabase::description_;
CheckResult OfficeDatabase::result_;
std::string OfficeDatabase::setup_error_;

TEST_F(OfficeDatabase, HoldsEveryTableWithItsSummaryColumnCountAndTheDescribedColumnsInOrder) {
  const auto tables = TableColumns(database_);
  ASSERT_EQ(tables.size(), 70u);
  for (const ExpectedTable& expected : kSummary) {
    const auto found = tables.find(expected.name);
    ASSERT_NE(found, tables.end()) << expected.name;
    const std::size_t added = expected.modify_date == kMode1 ? 1 : 0;
    EXPECT_EQ(found->second.size(), expected.columns + added) << expected.name;
    std::vector<std::string> described;
    for (const FieldDescription& field : Described(expected.name).Fields()) {
      described.push_back(DatabaseName(field.name));
    }
    if (added) described.push_back("MODIFYDATE");
    EXPECT_EQ(found->second, described) << expected.name;
  }
}

TEST_F(OfficeDatabase, ColumnsHaveTheirDomainsTypesDefaultsAndNullability) {
  const std::string sql =
      "SELECT rf.RDB$FIELD_SOURCE, f.RDB$FIELD_TYPE, rf.RDB$NULL_FLAG, rf.RDB$DEFAULT_SOURCE "
      "FROM RDB$RELATION_FIELDS rf JOIN RDB$FIELDS f ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE "
      "WHERE rf.RDB$RELATION_NAME = '";
  const auto column = [&](const std::string& table, const std::string& name) {
    std::string row = Scalar(database_, sql + table + "' AND rf.RDB$FIELD_NAME = '" + name + "'");
    // A column of a plain type has a system-named domain of its own.
    if (row.starts_with("RDB$")) row = "plain" + row.substr(row.find('|'));
    return row;
  };
  EXPECT_EQ(column("OFFICE", "AZSTYPE"), "T_INTEGER|8|1|DEFAULT 0");
  EXPECT_EQ(column("OFFICE", "ISDELETE"), "T_BOOLEAN|8|<null>|DEFAULT 0");
  EXPECT_EQ(column("OFFICE", "MODIFYDATE"), "plain|35|<null>|<null>");
  EXPECT_EQ(column("CONTRAGENT", "COUNTRYCODE"), "T_INTEGER|8|<null>|DEFAULT 643");
  EXPECT_EQ(column("PC_DISCPOROG", "COSHEL"), "plain|8|<null>|DEFAULT -1");
  EXPECT_EQ(column("KO_OWNER_ORGBLACKLIST", "CONTR_ID"), "plain|8|1|<null>");
  EXPECT_EQ(column("CONFIGPARAMS", "PARAMBLOB"), "plain|261|<null>|<null>");
  // Mixed-case names are created in upper case.
  EXPECT_EQ(column("HISTAUTENF", "CLIENT"), "plain|7|<null>|<null>");
  EXPECT_EQ(column("COUPONSKLADMOVE", "NAKL"), "T_SMALLTEXT|37|<null>|<null>");
  EXPECT_EQ(Scalar(database_,
                   "SELECT COUNT(*) FROM RDB$RELATION_FIELDS "
                   "WHERE RDB$FIELD_NAME IN ('Client', 'Nakl')"),
            "0");
  EXPECT_EQ(Scalar(database_,
                   "SELECT f.RDB$FIELD_PRECISION, f.RDB$FIELD_SCALE, "
                   "f.RDB$FIELD_SUB_TYPE FROM RDB$RELATION_FIELDS rf JOIN RDB$FIELDS f "
                   "ON f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE WHERE rf.RDB$RELATION_NAME "
                   "= 'PC_COSHELHISTORY' AND rf.RDB$FIELD_NAME = 'VAL'"),
            "15|-4|2");  // DECIMAL(15,4)
  EXPECT_EQ(Scalar(database_, "SELECT RDB$CHARACTER_SET_NAME FROM RDB$DATABASE"), "WIN1251");
}

TEST_F(OfficeDatabase, HoldsTheEightDomainsAndTBooleanRefusesTwo) {
  EXPECT_EQ(RowSet(database_,
                   "SELECT TRIM(RDB$FIELD_NAME) || ' ' || COALESCE(RDB$VALIDATION_SOURCE, '-') "
                   "FROM RDB$FIELDS WHERE RDB$FIELD_NAME STARTING WITH 'T_'"),
            (std::set<std::string>{
                "T_BIGTEXT -", "T_BOOLEAN CHECK ((VALUE IS NULL) OR (VALUE IN (0,1)))", "T_DATE -",
                "T_INTEGER -", "T_NUMBER -", "T_SMALLTEXT -", "T_TEXT20 -", "T_TIMESTAMP -"}));
  Exec(database_, "INSERT INTO OFFICE (AZSNUMBER, ISDELETE, USEPC) VALUES (9001, 0, 1)");
  Exec(database_, "INSERT INTO OFFICE (AZSNUMBER, ISDELETE, USEPC) VALUES (9002, NULL, NULL)");
  try {
    Exec(database_, "INSERT INTO OFFICE (AZSNUMBER, ISDELETE) VALUES (9003, 2)");
    FAIL() << "T_BOOLEAN took 2";
  } catch (const EIBError& e) {
    EXPECT_NE(e.Message().find("ISDELETE"), std::string::npos) << e.Message();
  }
  EXPECT_THROW(Exec(database_, "UPDATE OFFICE SET USEPC = -1 WHERE AZSNUMBER = 9001"), EIBError);
  EXPECT_EQ(Rows(database_,
                 "SELECT AZSNUMBER, ISDELETE, USEPC FROM OFFICE "
                 "WHERE AZSNUMBER > 9000 ORDER BY 1"),
            (std::vector<std::string>{"9001|0|1", "9002|<null>|<null>"}));
}

TEST_F(OfficeDatabase, HoldsTheGeneratorsByName) {
  std::set<std::string> expected;
  for (const GeneratorDescription& generator : description_->Generators()) {
    expected.insert(DatabaseName(generator.name));
  }
  EXPECT_EQ(expected.size(), 44u);
  EXPECT_TRUE(expected.contains("GEN_IDLOGIN"));
  EXPECT_EQ(Generators(database_), expected);
  // A generator starts at 0: the first value drawn is 1.
  EXPECT_EQ(Scalar(database_, "SELECT GEN_ID(GEN_IdLogin, 1) FROM RDB$DATABASE"), "1");
}

TEST_F(OfficeDatabase, HoldsTheNineExplicitTriggersAndOneTriggerPerModeOneTable) {
  const std::string rule = TriggerSource(kModifyDateTriggerBody);
  std::map<std::string, std::string> expected = kExplicitTriggers;
  for (const ExpectedTable& table : kSummary) {
    if (table.modify_date == kMode1) expected[std::string(table.name) + "_MD_BIU"] = table.name;
  }
  ASSERT_EQ(expected.size(), 9u + 39u);
  std::map<std::string, std::string> found;
  TIBDataSet query(database_);
  query.SetSelectSQL(
      "SELECT RDB$TRIGGER_NAME, RDB$RELATION_NAME, RDB$TRIGGER_TYPE, RDB$TRIGGER_SEQUENCE, "
      "RDB$TRIGGER_INACTIVE, RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS "
      "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0");
  for (query.Open(); !query.Eof(); query.Next()) {
    const std::string name(Trim(query.Fields(0).AsString()));
    found[name] = Trim(query.Fields(1).AsString());
    EXPECT_EQ(query.Fields(2).AsInteger(), 17) << name;  // before insert or update
    EXPECT_EQ(query.Fields(3).AsInteger(), 10) << name;
    EXPECT_EQ(query.Fields(4).AsInteger(), 0) << name;
    EXPECT_EQ(query.Fields(5).AsString(), rule) << name;
  }
  EXPECT_EQ(found, expected);
}

TEST_F(OfficeDatabase, HoldsEveryKeyAndIndexByName) {
  // "name table [unique] [descending],column,column"
  std::set<std::string> expected_keys, expected_indexes;
  for (const auto& table : description_->Tables()) {
    std::string key = table->PrimaryKey()->name + " " + table->Name() + " unique";
    for (const ListedColumn& column : table->PrimaryKey()->columns) key += "," + column.name;
    expected_keys.insert(key);
    for (const IndexDescription& index : table->Indexes()) {
      std::string text = index.name + " " + table->Name() + (index.unique ? " unique" : "") +
                         (index.descending ? " descending" : "");
      for (const ListedColumn& column : index.columns) text += "," + column.name;
      expected_indexes.insert(text);
    }
    if (table->ChangeTrackingMode() == ChangeTracking::kModifyDate) {
      expected_indexes.insert(table->Name() + "_MD_IDX " + table->Name() + ",MODIFYDATE");
    }
  }
  ASSERT_EQ(expected_keys.size(), 70u);
  ASSERT_EQ(expected_indexes.size(), 109u + 39u);

  const auto indexes = [&](const std::string& condition) {
    std::map<std::string, std::string> texts;
    TIBDataSet query(database_);
    query.SetSelectSQL(
        "SELECT i.RDB$INDEX_NAME, i.RDB$RELATION_NAME, COALESCE(i.RDB$UNIQUE_FLAG, 0), "
        "COALESCE(i.RDB$INDEX_TYPE, 0), s.RDB$FIELD_NAME FROM RDB$INDICES i "
        "JOIN RDB$INDEX_SEGMENTS s ON s.RDB$INDEX_NAME = i.RDB$INDEX_NAME "
        "WHERE COALESCE(i.RDB$SYSTEM_FLAG, 0) = 0 AND " +
        condition + " ORDER BY i.RDB$INDEX_NAME, s.RDB$FIELD_POSITION");
    for (query.Open(); !query.Eof(); query.Next()) {
      const std::string name(Trim(query.Fields(0).AsString()));
      std::string& text = texts[name];
      if (text.empty()) {
        text = name + " " + std::string(Trim(query.Fields(1).AsString())) +
               (query.Fields(2).AsInteger() == 1 ? " unique" : "") +
               (query.Fields(3).AsInteger() == 1 ? " descending" : "");
      }
      text += "," + std::string(Trim(query.Fields(4).AsString()));
    }
    std::set<std::string> result;
    for (const auto& [name, text] : texts) result.insert(text);
    return result;
  };
  // A key's index carries the key's name.
  EXPECT_EQ(indexes("EXISTS (SELECT 1 FROM RDB$RELATION_CONSTRAINTS c "
                    "WHERE c.RDB$CONSTRAINT_NAME = i.RDB$INDEX_NAME "
                    "AND c.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY')"),
            expected_keys);
  EXPECT_EQ(indexes("NOT EXISTS (SELECT 1 FROM RDB$RELATION_CONSTRAINTS c "
                    "WHERE c.RDB$INDEX_NAME = i.RDB$INDEX_NAME)"),
            expected_indexes);
}

TEST_F(OfficeDatabase, TheSixDescendingIndexesAreDescendingAndNoOther) {
  EXPECT_EQ(RowSet(database_,
                   "SELECT RDB$INDEX_NAME FROM RDB$INDICES WHERE RDB$INDEX_TYPE = 1 "
                   "AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0"),
            (std::set<std::string>{"PC_LOGTRAN_BK_INDEX7", "PC_LOGTRAN_BK_INDEX11",
                                   "PC_CARDAZSOPERATIONS_IDX2", "PC_CARDAZSOPERATIONS_IDX4",
                                   "PC_SMPROCESSED_IDX8", "PC_LOGTRAN_DK_INDEX9"}));
}

TEST_F(OfficeDatabase, ModeOneTablesHaveAnIndexOnModifyDateAlone) {
  const std::set<std::string> indexed =
      RowSet(database_,
             "SELECT i.RDB$RELATION_NAME FROM RDB$INDICES i JOIN RDB$INDEX_SEGMENTS s "
             "ON s.RDB$INDEX_NAME = i.RDB$INDEX_NAME WHERE s.RDB$FIELD_NAME = 'MODIFYDATE' "
             "AND (SELECT COUNT(*) FROM RDB$INDEX_SEGMENTS x WHERE x.RDB$INDEX_NAME = "
             "i.RDB$INDEX_NAME) = 1");
  std::set<std::string> expected;
  for (const ExpectedTable& table : kSummary) {
    if (table.modify_date == kMode1) expected.insert(table.name);
  }
  ASSERT_EQ(expected.size(), 39u);
  // ... and seven of the nine explicit tables declare one themselves.
  for (const char* name :
       {"PC_OWNER_DISCOUNT", "PC_OWNER_DISCPOROG", "PC_OWNER_COSHELCOEFF", "PC_CARDAZSOPERATIONS",
        "PC_OWNER_AZSATTACH", "KOOSTATKICHANGEHISTORY", "KOOSTATKICHANGEHISTORYVALUES"}) {
    expected.insert(name);
  }
  EXPECT_EQ(indexed, expected);
}

TEST_F(OfficeDatabase, TheUniqueIndexesRefuseDuplicates) {
  struct Case {
    const char* index;
    const char* first;
    const char* duplicate;
  };
  const Case cases[] = {
      {"KOAZSGSMLIST_IDX1", "INSERT INTO KOAZSGSMLIST (ID, AZSNUMBER, GSMID) VALUES (1, 5, 7)",
       "INSERT INTO KOAZSGSMLIST (ID, AZSNUMBER, GSMID) VALUES (2, 5, 7)"},
      {"PC_LOGTRAN_BK_INDEX6",
       "INSERT INTO PC_LOGTRAN_BK (ID, DATA, POKUPATEL, AZSNUMBER, KODGSM, LITER) "
       "VALUES (1, '2024-05-17 10:00:00', 'A', 3, 95, 10.5)",
       "INSERT INTO PC_LOGTRAN_BK (ID, DATA, POKUPATEL, AZSNUMBER, KODGSM, LITER) "
       "VALUES (2, '2024-05-17 10:00:00', 'A', 3, 95, 10.5)"},
      {"PC_LOGTRAN_DK_INDEX6",
       "INSERT INTO PC_LOGTRAN_DK (ID, DATA, POKUPATEL, AZSNUMBER, KODGSM, LITER) "
       "VALUES (1, '2024-05-17 10:00:00', 'A', 3, 95, 10.5)",
       "INSERT INTO PC_LOGTRAN_DK (ID, DATA, POKUPATEL, AZSNUMBER, KODGSM, LITER) "
       "VALUES (2, '2024-05-17 10:00:00', 'A', 3, 95, 10.5)"},
  };
  for (const Case& c : cases) {
    Exec(database_, c.first);
    try {
      Exec(database_, c.duplicate);
      ADD_FAILURE() << c.index << " took a duplicate";
    } catch (const EIBError& e) {
      EXPECT_NE(e.Message().find(c.index), std::string::npos) << e.Message();
    }
  }
  // Only the key's own column differs from the first row: not a duplicate.
  Exec(database_, "INSERT INTO KOAZSGSMLIST (ID, AZSNUMBER, GSMID) VALUES (3, 5, 8)");
}

TEST_F(OfficeDatabase, AKeyColumnDeclaredNullableIsNotNull) {
  EXPECT_THROW(Exec(database_, "INSERT INTO KO_OWNER_ORGBLACKLIST (NEMITENT) VALUES (1)"),
               EIBError);
  Exec(database_, "INSERT INTO KO_OWNER_ORGBLACKLIST (NEMITENT, CONTR_ID) VALUES (1, 2)");
  EXPECT_THROW(
      Exec(database_, "INSERT INTO KO_OWNER_ORGBLACKLIST (NEMITENT, CONTR_ID) VALUES (1, 2)"),
      EIBError);
  EXPECT_EQ(LogLines("KO_OWNER_ORGBLACKLIST.CONTR_ID создан NOT NULL").size(), 1u);
}

TEST_F(OfficeDatabase, TheLogNamesEveryCreatedObjectAndTheResultCountsThem) {
  // 8 domains, 70 tables, 70 keys, 109 + 39 indexes, 44 generators, 9 + 39 triggers.
  EXPECT_EQ(result_.created, 8 + 70 + 70 + 148 + 44 + 48);
  EXPECT_EQ(result_.differences, 0);
  EXPECT_FALSE(result_.database_created);  // the empty file existed
  EXPECT_EQ(LogLines(" Создан").size(), static_cast<std::size_t>(result_.created));
  EXPECT_EQ(LogLines("Создана таблица OFFICE, столбцов: 34").size(), 1u);
  EXPECT_EQ(LogLines("Создан триггер PC_CARDAZSOPERATIONS_BIU10 таблицы PC_CARDAZSOPERATIONS "
                     "(объявлен без имени")
                .size(),
            1u);
  EXPECT_EQ(LogLines("Создан генератор GEN_IDLOGIN").size(), 1u);
  EXPECT_EQ(LogLines("завершена, создано объектов: 388, расхождений: 0").size(), 1u);
  EXPECT_TRUE(LogLines("[ошиб]").empty());
}

// The rule on one table: its key, how to insert a row, which column an update changes.
struct RuleCase {
  const char* table;
  const char* key;
  const char* columns;  // beyond ID and MODIFYDATE
  const char* values;
  const char* update_column;
};

void PrintTo(const RuleCase& rule, std::ostream* out) {
  *out << rule.table;
}

class ModifyDateRule : public OfficeDatabase, public ::testing::WithParamInterface<RuleCase> {
 protected:
  std::string ModifyDate(int id) {
    return Scalar(database_, std::string("SELECT MODIFYDATE FROM ") + GetParam().table + " WHERE " +
                                 GetParam().key + " = " + std::to_string(id));
  }
  void Insert(int id, const std::string& modify_date) {
    const RuleCase& c = GetParam();
    const std::string md_column = modify_date.empty() ? "" : ", MODIFYDATE";
    const std::string md_value = modify_date.empty() ? "" : ", '" + modify_date + "'";
    Exec(database_, std::string("INSERT INTO ") + c.table + " (" + c.key + md_column + c.columns +
                        ") VALUES (" + std::to_string(id) + md_value + c.values + ")");
  }
  void Update(int id, const std::string& assignments) {
    Exec(database_, std::string("UPDATE ") + GetParam().table + " SET " + assignments + " WHERE " +
                        GetParam().key + " = " + std::to_string(id));
  }
  // Runs the statement and expects the row's MODIFYDATE to be the server's time meanwhile.
  template <class Body>
  void ExpectStamped(int id, Body&& body, const char* what) {
    const std::string before = Now(database_);
    body();
    const std::string after = Now(database_);
    const std::string stamped = ModifyDate(id);
    EXPECT_LE(before, stamped) << what;
    EXPECT_LE(stamped, after) << what;
  }
};

TEST_P(ModifyDateRule, HoldsForInsertsAndUpdates) {
  const std::string column = GetParam().update_column;
  ExpectStamped(
      1, [&] { Insert(1, ""); }, "insert without a value");

  Insert(2, "2020-05-17 10:00:00");
  EXPECT_EQ(ModifyDate(2), "2020-05-17 10:00:00.0000") << "insert with a value";

  ExpectStamped(
      2, [&] { Update(2, column + " = 42"); }, "update leaving MODIFYDATE");
  const std::string stamped = ModifyDate(2);
  ExpectStamped(
      2, [&] { Update(2, "MODIFYDATE = '" + stamped + "'"); }, "update writing the stored value");

  Update(2, "MODIFYDATE = '2021-01-01 08:30:00'");
  EXPECT_EQ(ModifyDate(2), "2021-01-01 08:30:00.0000") << "update with a different value";

  Update(2, "MODIFYDATE = '1900-01-01'");
  EXPECT_EQ(ModifyDate(2), "<null>") << "update with 1900-01-01";

  ExpectStamped(
      2, [&] { Update(2, column + " = 43"); }, "update of a row whose date is NULL");

  Insert(3, "1900-01-01");
  EXPECT_EQ(ModifyDate(3), "<null>") << "insert with 1900-01-01";
}

INSTANTIATE_TEST_SUITE_P(
    BothKindsOfTable, ModifyDateRule,
    ::testing::Values(
        RuleCase{"KORASPREDCARD", "ID", "", "", "CONTR_ID"},  // change tracking, mode 1
        RuleCase{"OFFICE", "AZSNUMBER", "", "", "IPPORT"},    // mode 1
        RuleCase{"PC_CARDAZSOPERATIONS", "ID", ", AZS, AZSNUMBER", ", 'A', 1", "TYP"},  // explicit
        RuleCase{"KOOSTATKICHANGEHISTORY", "ID", "", "", "CONTR_ID"}),                  // explicit
    [](const ::testing::TestParamInfo<RuleCase>& rule) { return std::string(rule.param.table); });

// --- Checking a database that exists -----------------------------------------------------------

TEST(OstrelCheck, ASecondCheckCreatesNothingAndLeavesEveryRowAsItWas) {
  TestDatabase db;
  std::filesystem::create_directories(SuitePath("CommonOrgs"));
  const auto description = DescribeOffice(db.Path());
  ASSERT_EQ(CheckDatabaseStructure(*description, LogPath()).created, 388);
  TIBDatabase database = db.Connect();
  Exec(database, "INSERT INTO OFFICE (AZSNUMBER, AZSNAME) VALUES (1, 'АЗС 1')");
  Exec(database, "INSERT INTO OFFICE (AZSNUMBER, AZSNAME, MODIFYDATE) VALUES (2, 'B', NULL)");
  Exec(database, "UPDATE OFFICE SET MODIFYDATE = '1900-01-01' WHERE AZSNUMBER = 2");
  Exec(database, "INSERT INTO PC_CARDAZSOPERATIONS (ID, AZS, AZSNUMBER) VALUES (5, 'x', 1)");
  Exec(database, "INSERT INTO KO_OWNER_ORGBLACKLIST (NEMITENT, CONTR_ID, NOTE) VALUES (1, 2, 'n')");
  Exec(database,
       "INSERT INTO CONFIGPARAMS (FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, "
       "PARAMNAME, PARAMVALUE) VALUES ('CONF', '*', '*', 'PARAMS', 'DB_IS_COPY', '1')");
  EXPECT_EQ(Scalar(database, "SELECT GEN_ID(GEN_IDLOGIN, 7) FROM RDB$DATABASE"), "7");
  const std::vector<std::pair<std::string, std::string>> tables = {
      {"OFFICE", "AZSNUMBER"},
      {"PC_CARDAZSOPERATIONS", "ID"},
      {"KO_OWNER_ORGBLACKLIST", "CONTR_ID"},
      {"CONFIGPARAMS", "PARAMNAME"}};
  std::vector<std::vector<std::string>> rows_before;
  for (const auto& [table, key] : tables)
    rows_before.push_back(VersionedRows(database, table, key));
  const std::vector<std::string> structure_before = StructureFingerprint(database);
  const std::string generator_before =
      Scalar(database, "SELECT GEN_ID(GEN_IDLOGIN, 0) FROM RDB$DATABASE");

  const CheckResult again = CheckDatabaseStructure(*DescribeOffice(db.Path()), LogPath());
  EXPECT_FALSE(again.database_created);
  EXPECT_EQ(again.created, 0);
  EXPECT_EQ(again.differences, 0);
  EXPECT_EQ(LogLines("завершена, создано объектов: 0, расхождений: 0").size(), 1u);

  database.Close();
  database = db.Connect();
  for (std::size_t i = 0; i < tables.size(); ++i) {
    EXPECT_EQ(VersionedRows(database, tables[i].first, tables[i].second), rows_before[i])
        << tables[i].first;
  }
  EXPECT_EQ(rows_before[0].size(), 2u);
  EXPECT_EQ(StructureFingerprint(database), structure_before);
  EXPECT_EQ(Scalar(database, "SELECT GEN_ID(GEN_IDLOGIN, 0) FROM RDB$DATABASE"), generator_before);
}

TEST(OstrelCheck, ADatabaseMissingATableAColumnAndAnIndexIsCompletedItsRowsUntouched) {
  TestDatabase db;
  ASSERT_EQ(CheckDatabaseStructure(*DescribeOffice(db.Path()), LogPath()).created,
            8 + 67 + 67 + 140 + 41 + 45);
  TIBDatabase database = db.Connect();
  Exec(database, "DROP TABLE HANDBOOK_AZS");
  Exec(database, "DROP INDEX OFFICE_IDX1");
  Exec(database, "ALTER TABLE OFFICE DROP AZSPOVERSION");
  Exec(database, "INSERT INTO OFFICE (AZSNUMBER, AZSNAME, AZSCODE) VALUES (1, 'АЗС', 11)");
  Exec(database, "INSERT INTO OFFICE (AZSNUMBER, AZSNAME, AZSCODE) VALUES (2, 'АЗС 2', 12)");
  Exec(database, "INSERT INTO HANDBOOK (ID_HANDBOOK, NAME) VALUES (1, 'h')");
  const std::vector<std::string> office_before = VersionedRows(database, "OFFICE", "AZSNUMBER");
  const std::vector<std::string> handbook_before =
      VersionedRows(database, "HANDBOOK", "ID_HANDBOOK");
  ASSERT_EQ(office_before.size(), 2u);

  const std::size_t log_start = LogSize();
  const CheckResult completed = CheckDatabaseStructure(*DescribeOffice(db.Path()), LogPath());
  EXPECT_EQ(completed.created, 4);
  EXPECT_EQ(completed.differences, 0);
  EXPECT_EQ(LogLines(" Создан", log_start).size() + LogLines(" Добавлен", log_start).size(), 4u);
  EXPECT_EQ(LogLines("Создана таблица HANDBOOK_AZS, столбцов: 2", log_start).size(), 1u);
  EXPECT_EQ(
      LogLines("Создан первичный ключ PK_HANDBOOK_AZS таблицы HANDBOOK_AZS", log_start).size(), 1u);
  EXPECT_EQ(LogLines("Добавлен столбец OFFICE.AZSPOVERSION", log_start).size(), 1u);
  EXPECT_EQ(LogLines("Создан индекс OFFICE_IDX1 таблицы OFFICE (AZSCODE)", log_start).size(), 1u);

  database.Close();
  database = db.Connect();
  // The rows keep their versions: nothing rewrote them. The new column is NULL in them, and
  // appended at the end.
  const std::vector<std::string> office_after = VersionedRows(database, "OFFICE", "AZSNUMBER");
  ASSERT_EQ(office_after.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(office_after[i], office_before[i] + "|<null>");
  EXPECT_EQ(VersionedRows(database, "HANDBOOK", "ID_HANDBOOK"), handbook_before);
  EXPECT_EQ(TableColumns(database)["HANDBOOK_AZS"],
            (std::vector<std::string>{"ID_HANDBOOK", "AZSNUMBER"}));
  EXPECT_EQ(Rows(database,
                 "SELECT s.RDB$FIELD_NAME FROM RDB$INDEX_SEGMENTS s "
                 "WHERE s.RDB$INDEX_NAME = 'OFFICE_IDX1'"),
            std::vector<std::string>{"AZSCODE"});
  EXPECT_EQ(CheckDatabaseStructure(*DescribeOffice(db.Path()), LogPath()).created, 0);
}

TEST(OstrelCheck, AKeyOverANullableColumnOfAnExistingTableIsMadeWhenNoNullIsThere) {
  TestDatabase db;
  db.Execute(
      {"CREATE TABLE KO_OWNER_ORGBLACKLIST (NEMITENT INTEGER NOT NULL, CONTR_ID INTEGER, "
       "NOTE VARCHAR(200))",
       "INSERT INTO KO_OWNER_ORGBLACKLIST VALUES (1, 10, 'a')",
       "INSERT INTO KO_OWNER_ORGBLACKLIST VALUES (1, 11, 'b')"});
  TIBDatabase database = db.Connect();
  const auto before = VersionedRows(database, "KO_OWNER_ORGBLACKLIST", "CONTR_ID");
  const CheckResult result =
      CheckDatabaseStructure(*DescribeSome(db.Path(), {"KO_OWNER_ORGBLACKLIST"}), LogPath());
  EXPECT_EQ(result.created, 8 + 1);  // the domains and the key
  EXPECT_EQ(result.differences, 0);
  EXPECT_EQ(LogLines("Столбец KO_OWNER_ORGBLACKLIST.CONTR_ID сделан NOT NULL для первичного ключа "
                     "PK_KO_OWNER_ORGBLACKLIST")
                .size(),
            1u);
  database.Close();
  database = db.Connect();
  EXPECT_EQ(Scalar(database,
                   "SELECT RDB$NULL_FLAG FROM RDB$RELATION_FIELDS WHERE "
                   "RDB$RELATION_NAME = 'KO_OWNER_ORGBLACKLIST' AND RDB$FIELD_NAME = 'CONTR_ID'"),
            "1");
  EXPECT_EQ(Scalar(database,
                   "SELECT RDB$CONSTRAINT_NAME FROM RDB$RELATION_CONSTRAINTS WHERE "
                   "RDB$RELATION_NAME = 'KO_OWNER_ORGBLACKLIST' AND "
                   "RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'"),
            "PK_KO_OWNER_ORGBLACKLIST");
  EXPECT_EQ(VersionedRows(database, "KO_OWNER_ORGBLACKLIST", "CONTR_ID"), before);
}

TEST(OstrelCheck, AKeyOverAColumnHoldingNullIsNotMadeAndTheRowsStay) {
  TestDatabase db;
  db.Execute(
      {"CREATE TABLE KO_OWNER_ORGBLACKLIST (NEMITENT INTEGER NOT NULL, CONTR_ID INTEGER, "
       "NOTE VARCHAR(200))",
       "INSERT INTO KO_OWNER_ORGBLACKLIST VALUES (1, 10, 'a')",
       "INSERT INTO KO_OWNER_ORGBLACKLIST VALUES (1, NULL, 'b')"});
  TIBDatabase database = db.Connect();
  const auto before = VersionedRows(database, "KO_OWNER_ORGBLACKLIST", "NOTE");
  const CheckResult result =
      CheckDatabaseStructure(*DescribeSome(db.Path(), {"KO_OWNER_ORGBLACKLIST"}), LogPath());
  EXPECT_EQ(result.created, 8);
  EXPECT_EQ(result.differences, 1);
  EXPECT_EQ(LogLines("Первичный ключ PK_KO_OWNER_ORGBLACKLIST таблицы KO_OWNER_ORGBLACKLIST не "
                     "создан: столбец CONTR_ID без NOT NULL содержит NULL в 1 строк")
                .size(),
            1u);
  database.Close();
  database = db.Connect();
  EXPECT_EQ(Scalar(database,
                   "SELECT COUNT(*) FROM RDB$RELATION_CONSTRAINTS "
                   "WHERE RDB$RELATION_NAME = 'KO_OWNER_ORGBLACKLIST' "
                   "AND RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'"),
            "0");
  EXPECT_EQ(Scalar(database,
                   "SELECT RDB$NULL_FLAG FROM RDB$RELATION_FIELDS WHERE "
                   "RDB$RELATION_NAME = 'KO_OWNER_ORGBLACKLIST' AND RDB$FIELD_NAME = 'CONTR_ID'"),
            "<null>");
  EXPECT_EQ(VersionedRows(database, "KO_OWNER_ORGBLACKLIST", "NOTE"), before);
}

TEST(OstrelCheck, ObjectsThatExistWithAnotherDefinitionAreLoggedAndLeftAlone) {
  TestDatabase db;
  db.Execute(
      {"CREATE DOMAIN T_BOOLEAN AS INTEGER",
       "CREATE TABLE T (ID INTEGER NOT NULL, C VARCHAR(10), F T_BOOLEAN DEFAULT 3, "
       "CONSTRAINT T_KEY PRIMARY KEY (ID))",
       "CREATE DESCENDING INDEX T_IDX1 ON T (ID)",
       "CREATE TRIGGER T_BIU10 FOR T ACTIVE BEFORE INSERT POSITION 5 AS BEGIN NEW.C = 'x'; END",
       "INSERT INTO T (ID, C, F) VALUES (1, 'abc', 2)"});
  TIBDatabase database = db.Connect();
  const std::vector<std::string> structure_before = StructureFingerprint(database);
  const auto rows_before = VersionedRows(database, "T", "ID");

  auto description = Described(db.Path());
  description->AddDomain("T_BOOLEAN", "INTEGER", 0, 0, "((VALUE IS NULL) OR (VALUE IN (0,1)))");
  TfbTable* t = description->AddTable("T");
  t->AddField("ID", "INTEGER", "", true);
  t->AddField("C", "INTEGER", "", false);
  t->AddField("F", "T_BOOLEAN", "", false);
  t->SetPrimaryKey("PK_T", "ID");
  t->AddIndex("T_IDX1", false, false, "C");
  t->AddTrigger(TriggerTiming::kBefore, kTriggerOnInsertOrUpdate, 10, true, "T_BIU10",
                "NEW.C = 1;");
  const CheckResult result = CheckDatabaseStructure(*description, LogPath());
  EXPECT_EQ(result.created, 0);
  for (const char* finding : {
           "Домен T_BOOLEAN: проверка нет, по описанию CHECK ((VALUE IS NULL) OR (VALUE IN (0,1)))",
           "Столбец T.C: тип VARCHAR(10), по описанию INTEGER; не изменён",
           "Столбец T.F: значение по умолчанию DEFAULT 3, по описанию нет; не изменено",
           "Первичный ключ таблицы T: T_KEY (ID), по описанию PK_T (ID); не изменён",
           "Индекс T_IDX1 таблицы T: столбцы ID, по описанию C; не изменён",
           "Индекс T_IDX1: по убыванию, по описанию по возрастанию; не изменён",
           "Триггер T_BIU10: тип 1, по описанию 17; не изменён",
           "Триггер T_BIU10: позиция 5, по описанию 10; не изменён",
           "Триггер T_BIU10: текст отличается от описания; не изменён",
       }) {
    EXPECT_EQ(LogLines(finding).size(), 1u) << finding;
  }
  EXPECT_EQ(result.differences, 9);
  EXPECT_EQ(LogLines("[вним]").size(), 9u);
  database.Close();
  database = db.Connect();
  EXPECT_EQ(StructureFingerprint(database), structure_before);
  EXPECT_EQ(VersionedRows(database, "T", "ID"), rows_before);
}

TEST(OstrelCheck, ANotNullColumnWithoutDefaultIsAddedNullableToATableWithRows) {
  TestDatabase db;
  db.Execute({"CREATE TABLE T (ID INTEGER NOT NULL, CONSTRAINT PK_T PRIMARY KEY (ID))",
              "CREATE TABLE E (ID INTEGER NOT NULL, CONSTRAINT PK_E PRIMARY KEY (ID))",
              "INSERT INTO T (ID) VALUES (1)"});
  TIBDatabase database = db.Connect();
  const auto rows_before = VersionedRows(database, "T", "ID");
  auto description = Described(db.Path());
  for (const char* name : {"T", "E"}) {
    TfbTable* table = description->AddTable(name);
    table->AddField("ID", "INTEGER", "", true);
    table->AddField("N", "INTEGER", "", true);
    table->AddField("D", "INTEGER", "5", true);
    table->SetPrimaryKey(std::string("PK_") + name, "ID");
  }
  const CheckResult result = CheckDatabaseStructure(*description, LogPath());
  EXPECT_EQ(result.created, 4);
  EXPECT_EQ(result.differences, 1);
  EXPECT_EQ(LogLines("Столбец T.N добавлен без NOT NULL: в таблице есть строки").size(), 1u);
  database.Close();
  database = db.Connect();
  EXPECT_EQ(Rows(database,
                 "SELECT RDB$RELATION_NAME, RDB$FIELD_NAME, COALESCE(RDB$NULL_FLAG, 0) "
                 "FROM RDB$RELATION_FIELDS WHERE RDB$FIELD_NAME IN ('N', 'D') ORDER BY 1, 2"),
            (std::vector<std::string>{"E|D|1", "E|N|1", "T|D|1", "T|N|0"}));
  const auto rows_after = VersionedRows(database, "T", "ID");
  ASSERT_EQ(rows_after.size(), 1u);
  EXPECT_EQ(rows_after[0], rows_before[0] + "|<null>|5");  // the default shows; not rewritten
}

TEST(OstrelCheck, ChangeTrackingNeverDoublesATriggerThatKeepsModifyDate) {
  TestDatabase db;
  const std::string rule(kModifyDateTriggerBody);
  db.Execute(
      {"CREATE TABLE T (ID INTEGER NOT NULL, MODIFYDATE TIMESTAMP, "
       "CONSTRAINT PK_T PRIMARY KEY (ID))",
       "CREATE TRIGGER OLD_STAMP FOR T ACTIVE BEFORE INSERT OR UPDATE POSITION 0 AS BEGIN "
       "IF (NEW.MODIFYDATE = '1900-01-01') THEN NEW.MODIFYDATE = NULL; "
       "ELSE IF (NEW.MODIFYDATE IS NULL) THEN NEW.MODIFYDATE = CURRENT_TIMESTAMP; END",
       "CREATE TABLE U (ID INTEGER NOT NULL, MODIFYDATE TIMESTAMP, "
       "CONSTRAINT PK_U PRIMARY KEY (ID))",
       "CREATE INDEX U_STAMP_IDX ON U (MODIFYDATE)",
       "CREATE TRIGGER U_BIU10 FOR U ACTIVE BEFORE INSERT OR UPDATE POSITION 10 AS BEGIN " + rule +
           " END"});
  auto description = Described(db.Path());
  for (const char* name : {"T", "U"}) {
    TfbTable* table = description->AddTable(name);
    table->AddField("ID", "INTEGER", "", true);
    table->SetPrimaryKey(std::string("PK_") + name, "ID");
    table->SetChangeTracking(ChangeTracking::kModifyDate);
  }
  const CheckResult result = CheckDatabaseStructure(*description, LogPath());
  EXPECT_EQ(result.created, 1);  // T's index on MODIFYDATE; U has one under another name
  EXPECT_EQ(LogLines("Создан индекс T_MD_IDX таблицы T (MODIFYDATE)").size(), 1u);
  EXPECT_EQ(result.differences, 1);
  EXPECT_EQ(LogLines("Триггер T_MD_BIU таблицы T не создан: MODIFYDATE уже поддерживает триггер "
                     "OLD_STAMP")
                .size(),
            1u);
  TIBDatabase database = db.Connect();
  EXPECT_EQ(Rows(database,
                 "SELECT RDB$TRIGGER_NAME FROM RDB$TRIGGERS "
                 "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1"),
            (std::vector<std::string>{"OLD_STAMP", "U_BIU10"}));
  // With one trigger, 1900-01-01 still becomes NULL.
  Exec(database, "INSERT INTO T (ID, MODIFYDATE) VALUES (1, '1900-01-01')");
  EXPECT_EQ(Scalar(database, "SELECT MODIFYDATE FROM T"), "<null>");
}

// The failure's message ends with every change that stays: a column made NOT NULL for a key, the
// key, and the index before the failing one.
TEST(OstrelCheck, AFailingStatementIsNamedAndWhatCameBeforeItStays) {
  TestDatabase db;
  db.Execute({"CREATE TABLE T (ID INTEGER, V INTEGER)", "INSERT INTO T VALUES (1, 7)",
              "INSERT INTO T VALUES (2, 7)"});
  auto description = Described(db.Path());
  TfbTable* t = description->AddTable("T");
  t->AddField("ID", "INTEGER", "", false);
  t->AddField("V", "INTEGER", "", false);
  t->SetPrimaryKey("PK_T", "ID");
  t->AddIndex("T_IDX1", false, false, "ID");
  t->AddIndex("T_IDX2", true, false, "V");
  t->AddIndex("T_IDX3", false, true, "V");
  try {
    CheckDatabaseStructure(*description, LogPath());
    FAIL() << "a unique index over duplicates was created";
  } catch (const EIBError& e) {
    const std::string expected_start = "Проверка структуры БД " + db.ConnectionString() +
                                       " -> Создание индекса T_IDX2 таблицы T -> ";
    EXPECT_EQ(e.Message().substr(0, expected_start.size()), expected_start) << e.Message();
    EXPECT_NE(e.Message().find("duplicate"), std::string::npos) << e.Message();
    const std::string changes =
        "\r\nДо ошибки в базе данных изменено (3), эти изменения остались: Столбец T.ID сделан "
        "NOT NULL для первичного ключа PK_T: NULL в нём нет; Создан первичный ключ PK_T таблицы T "
        "(ID); Создан индекс T_IDX1 таблицы T (ID)";
    EXPECT_TRUE(e.Message().ends_with(changes)) << e.Message();
  }
  EXPECT_EQ(LogLines("Создан индекс T_IDX1 таблицы T").size(), 1u);
  EXPECT_EQ(LogLines("CREATE UNIQUE INDEX \"T_IDX2\" ON \"T\" (\"V\")").size(), 1u);
  EXPECT_EQ(LogLines("[ошиб]").size(), 2u);  // the statement, then the failure
  TIBDatabase database = db.Connect();
  EXPECT_EQ(Rows(database,
                 "SELECT RDB$INDEX_NAME FROM RDB$INDICES "
                 "WHERE RDB$RELATION_NAME = 'T' AND RDB$INDEX_NAME NOT STARTING 'RDB$' "
                 "ORDER BY 1"),
            (std::vector<std::string>{"PK_T", "T_IDX1"}));
  EXPECT_EQ(Rows(database, "SELECT ID, V FROM T ORDER BY ID"),
            (std::vector<std::string>{"1|7", "2|7"}));
}

// --- Failures ------------------------------------------------------------------------------

TEST(OstrelCheck, AnUnreachableServerRaisesAClearErrorAndLogsIt) {
  testing::TempDir dir;
  auto description = std::make_unique<TfbDataBaseDescription>();
  description->SetConnection("127.0.0.1", dir / "x.fdb", "rivetcode", 1, {});
  try {
    CheckDatabaseStructure(*description, LogPath());
    FAIL() << "no error";
  } catch (const EIBError& e) {
    const std::string start =
        "Проверка структуры БД 127.0.0.1/1:" + (dir / "x.fdb") + " -> Подключение к БД -> ";
    EXPECT_EQ(e.Message().substr(0, start.size()), start) << e.Message();
    EXPECT_NE(e.Message().find("network request"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(LogLines("[ошиб] Проверка структуры БД 127.0.0.1/1:").size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir / "x.fdb"));
}

TEST(OstrelCheck, AWrongPasswordRaisesAndCreatesNothing) {
  testing::TempDir dir;
  auto description = std::make_unique<TfbDataBaseDescription>();
  description->SetConnection(TestDatabase::Host(), dir / "x.fdb", "not-the-password",
                             TestDatabase::Port(), {});
  try {
    CheckDatabaseStructure(*description, LogPath());
    FAIL() << "no error";
  } catch (const EIBError& e) {
    EXPECT_NE(e.Message().find("Подключение к БД -> "), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("password"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "x.fdb"));
}

// An existing database of another program, given as the copy, got 67 office tables added.
TEST(OstrelCheck, ADatabaseWithTablesOfItsOwnButNoOfficeTableIsLeftAlone) {
  TestDatabase db;
  db.Execute({"CREATE TABLE MY_ORDERS (ID INTEGER)", "CREATE TABLE MY_CLIENTS (ID INTEGER)"});
  auto description = std::make_unique<TfbDataBaseDescription>();
  DescribeOfficeDB(*description, TestDatabase::Host(), db.Path(), TestDatabase::Password(),
                   TestDatabase::Port());
  try {
    CheckDatabaseStructure(*description, LogPath());
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("свои таблицы (MY_CLIENTS, MY_ORDERS)"), std::string::npos)
        << e.Message();
  }
  ibx::TIBDatabase database = db.Connect();
  EXPECT_EQ(database.GetTableNames(), (std::vector<std::string>{"MY_CLIENTS", "MY_ORDERS"}));
}

// A mistyped copy such as "localhost" named a file relative to the server's own folder, where a
// whole office database was then created.
TEST(OstrelCheck, AMissingDatabaseIsCreatedOnlyAtAFullPath) {
  const std::string relative = "brindle-typo-" + std::to_string(getpid()) + ".fdb";
  auto description = std::make_unique<TfbDataBaseDescription>();
  description->SetConnection(TestDatabase::Host(), relative, TestDatabase::Password(),
                             TestDatabase::Port(), {});
  try {
    CheckDatabaseStructure(*description, LogPath());
    FAIL() << "no error";
  } catch (const EIBError& e) {
    EXPECT_TRUE(e.HasErrorCode(isc_io_error)) << e.Message();
    EXPECT_NE(e.Message().find("создаётся только по полному пути"), std::string::npos)
        << e.Message();
  }
  ibx::TIBDatabase database;
  database.SetDatabaseName(BuildConnStr(TestDatabase::Host(), TestDatabase::Port(), relative));
  database.SetPassword(TestDatabase::Password());
  EXPECT_THROW(database.Open(), EIBError) << "the database was created after all";
}

TEST(OstrelCheck, ADescriptionWithoutConnectionOrWithAFaultIsRefusedBeforeAnyWork) {
  testing::TempDir dir;
  TfbDataBaseDescription unconnected;
  EXPECT_THROW(CheckDatabaseStructure(unconnected, LogPath()), EDescriptionError);
  auto faulty = Described(dir / "x.fdb");
  faulty->AddTable("T")->SetPrimaryKey("PK_T", "ID");  // no column ID
  try {
    CheckDatabaseStructure(*faulty, LogPath());
    FAIL() << "no error";
  } catch (const EDescriptionError& e) {
    EXPECT_NE(e.Message().find("нет столбца ID"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "x.fdb"));
}

// --- libOstrel.so ----------------------------------------------------------------------------

class OstrelLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    library_ = SharedLibrary::Load(OSTREL_LIBRARY_PATH, &error);
    ASSERT_TRUE(library_) << error;
    get_ = library_->Find<std::remove_pointer_t<TGetfbDataBase>>("GetfbDataBase");
    check_ = library_->Find<std::remove_pointer_t<TCheckDBStruct>>("CheckDBStruct");
    free_ = library_->Find<std::remove_pointer_t<TFreefbDataBase>>("FreefbDataBase");
    copy_ =
        library_->Find<std::remove_pointer_t<TCopyDataFromParadoxBase>>("CopyDataFromParadoxBase");
    ASSERT_TRUE(get_ && check_ && free_ && copy_);
  }

  // A description of the library, released at the end of the test.
  TfbDataBase* NewDescription() {
    TfbDataBase* description = get_();
    if (description) descriptions_.emplace_back(description, free_);
    return description;
  }

  testing::TempDir dir_;
  std::unique_ptr<SharedLibrary> library_;
  TGetfbDataBase get_ = nullptr;
  TCheckDBStruct check_ = nullptr;
  TFreefbDataBase free_ = nullptr;
  TCopyDataFromParadoxBase copy_ = nullptr;
  std::vector<std::unique_ptr<TfbDataBase, TFreefbDataBase>> descriptions_;
};

// Drops the database at the path when the test ends, if there is one.
class DroppedAtEnd {
 public:
  explicit DroppedAtEnd(std::string path) : path_(std::move(path)) {}
  ~DroppedAtEnd() {
    if (!std::filesystem::exists(path_)) return;
    try {
      TIBDatabase database;
      database.SetConnection(TestDatabase::Host(), TestDatabase::Port(), path_);
      database.SetPassword(TestDatabase::Password());
      database.Open();
      database.DropDatabase();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "Cannot drop " << path_ << ": " << e.what();
    }
  }

 private:
  std::string path_;
};

TEST_F(OstrelLibrary, CreatesTheOfficeDatabaseFromNothingWith67TablesWithoutCommonOrgs) {
  const std::string path = dir_ / "office.fdb";
  DroppedAtEnd drop(path);
  TfbDataBase* description = NewDescription();
  ASSERT_NE(description, nullptr);
  DescribeOfficeDB(*description, TestDatabase::Host(), path, TestDatabase::Password(),
                   TestDatabase::Port());
  const VariantArray options{LogPath()};
  TOstrelFailure failure;
  ASSERT_NO_THROW(
      failure.RaiseOnFailure(check_(description, &options, failure.Report()), "CheckDBStruct"));
  EXPECT_FALSE(failure.Reported());

  TIBDatabase database;
  database.SetConnection(TestDatabase::Host(), TestDatabase::Port(), path);
  database.SetPassword(TestDatabase::Password());
  database.Open();
  const auto tables = TableColumns(database);
  EXPECT_EQ(tables.size(), 67u);
  for (const char* absent : {"ORGCARS", "DRIVERATTACH", "CARATTACH"}) {
    EXPECT_FALSE(tables.contains(absent)) << absent;
  }
  const std::set<std::string> generators = Generators(database);
  EXPECT_EQ(generators.size(), 41u);
  for (const char* absent : {"GEN_ORGCARS", "GEN_DRIVERATTACH", "GEN_CARATTACH"}) {
    EXPECT_FALSE(generators.contains(absent)) << absent;
  }
  EXPECT_EQ(Scalar(database, "SELECT RDB$CHARACTER_SET_NAME FROM RDB$DATABASE"), "WIN1251");
  EXPECT_EQ(Scalar(database, "SELECT MON$FORCED_WRITES FROM MON$DATABASE"), "1");
  database.Close();
  EXPECT_EQ(LogLines("Создана база данных " + TestDatabase::Host() + "/" +
                     std::to_string(TestDatabase::Port()) + ":" + path)
                .size(),
            1u);
  // 8 domains, 67 tables and keys, 104 + 36 indexes, 41 generators, 9 + 36 triggers.
  EXPECT_EQ(LogLines("завершена, создано объектов: 368, расхождений: 0").size(), 1u);
}

TEST_F(OstrelLibrary, AFailureCrossesTheBoundaryAsAReportAndIsRaisedAgain) {
  TfbDataBase* description = NewDescription();
  description->SetConnection("127.0.0.1", dir_ / "x.fdb", "rivetcode", 1, {});
  const VariantArray options{LogPath()};
  TOstrelFailure failure;
  ASSERT_EQ(check_(description, &options, failure.Report()), 1);
  try {
    failure.RaiseOnFailure(1, "CheckDBStruct");
    FAIL() << "not raised";
  } catch (const ibx::EIBError& e) {
    // A server error comes back with the server's codes.
    EXPECT_TRUE(e.HasErrorCode(isc_network_error)) << e.Message();
    EXPECT_TRUE(e.Message().starts_with("Проверка структуры БД 127.0.0.1/1:")) << e.Message();
    EXPECT_NE(e.Message().find("network request"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(check_(description, &options, nullptr), 1);  // no receiver: the result tells

  const auto message_of = [&](TfbDataBase* target, const VariantArray* with) {
    TOstrelFailure other;
    EXPECT_EQ(check_(target, with, other.Report()), 1);
    try {
      other.RaiseOnFailure(1, "CheckDBStruct");
    } catch (const Exception& e) {
      return e.Message();
    }
    return std::string();
  };
  const VariantArray no_path;
  const VariantArray not_text{std::int64_t{5}};
  EXPECT_NE(message_of(description, &no_path).find("путь к файлу журнала"), std::string::npos);
  EXPECT_NE(message_of(description, &not_text).find("путь к файлу журнала"), std::string::npos);
  EXPECT_NE(message_of(description, nullptr).find("путь к файлу журнала"), std::string::npos);
  EXPECT_NE(message_of(nullptr, &options).find("GetfbDataBase"), std::string::npos);
  free_(nullptr);
}

TEST_F(OstrelLibrary, TheDescriptionsOwnErrorsReachTheProgramWithTheirClass) {
  TfbDataBase* description = NewDescription();
  EXPECT_THROW(description->AddTable(""), EDescriptionError);
  TfbTable* table = description->AddTable("T");
  try {
    description->AddTable("t");
    FAIL() << "a second table T was accepted";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "EDescriptionError");
    EXPECT_NE(e.Message().find("Повторное объявление"), std::string::npos) << e.Message();
  }
  EXPECT_THROW(table->SetPrimaryKey("PK_T", "A,,B"), EDescriptionError);
}

TEST_F(OstrelLibrary, CopyDataFromParadoxBaseLogsThatTheDataWasNotCarriedOverAndSucceeds) {
  const std::string folder = SuitePath("OfficeDB/");
  std::filesystem::create_directories(folder);
  testing::WriteFile(folder + "Office.db", "marker");
  testing::WriteFile(folder + "CARDS.DB", "table");
  testing::WriteFile(folder + "readme.txt", "text");
  const VariantArray options{std::string("NOTNULL.DSCCARDS.GSM=*empty_string*\r\n"), true, true};
  const std::string connection = "localhost/30050:" + SuitePath("OFFICEDB/Office.FDB");
  TOstrelFailure failure;
  EXPECT_EQ(copy_(folder.c_str(), connection.c_str(), "SYSDBA", "rivetcode", LogPath().c_str(), 0,
                  1, &options, failure.Report()),
            0);
  EXPECT_FALSE(failure.Reported());
  const auto lines = LogLines("Найдены данные офиса в формате Paradox в папке \"" + folder +
                              "\" (таблиц: 2); в БД " + connection +
                              " они не перенесены: чтение таблиц Paradox не поддерживается");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(" [вним] "), std::string::npos) << lines[0];

  const std::string missing = SuitePath("NoSuchFolder/");
  EXPECT_EQ(copy_(missing.c_str(), connection.c_str(), "SYSDBA", "rivetcode", LogPath().c_str(), 0,
                  1, &options, nullptr),
            0);
  EXPECT_EQ(LogLines("Папка данных Paradox \"" + missing + "\" не найдена").size(), 1u);

  EXPECT_EQ(copy_(folder.c_str(), connection.c_str(), "SYSDBA", "rivetcode", "", 0, 1, &options,
                  failure.Report()),
            1);
  EXPECT_TRUE(failure.Reported());
}

}  // namespace
}  // namespace brindle::ostrel
