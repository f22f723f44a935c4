// The structure library without a server: what the office description becomes as DDL (compared
// with exact texts written out by hand from the schema's tables), the names the library chooses,
// the refusals of descriptions it cannot realise, the text services behind its comparisons, and
// how a failure reported by the library is raised again in the caller.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ostrel/database_description.h"
#include "ostrel/ddl.h"
#include "ostrel/library_api.h"
#include "ostrel/modify_date_rule.h"
#include "ostrel/sql_text.h"
#include "ostrel/structure_plan.h"
#include "platform/suite_root.h"
#include "schema/office_db_structure_builder.h"
#include "tests/support/temp_dir.h"

namespace brindle::ostrel {
namespace {

const std::string kRuleSource =
    "AS\r\nBEGIN\r\n"
    "IF (NEW.MODIFYDATE = '1900-01-01') THEN\r\n"
    "  NEW.MODIFYDATE = NULL;\r\n"
    "ELSE\r\n"
    "IF ((NEW.MODIFYDATE IS NULL AND OLD.MODIFYDATE IS NULL) OR\r\n"
    "    (NEW.MODIFYDATE = OLD.MODIFYDATE)) THEN\r\n"
    "  NEW.MODIFYDATE = CURRENT_TIMESTAMP;\r\n"
    "END";

class OfficeDdlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    testing::TempDir dir;
    std::filesystem::create_directories(SuitePath("CommonOrgs"));
    TfbDataBaseDescription description;
    DescribeOfficeDB(description, "127.0.0.1", "/db/office.fdb", "pw", 30050);
    plan_ = std::make_unique<StructurePlan>(PlanStructure(description));
  }
  static void TearDownTestSuite() { plan_.reset(); }

  static const PlannedTable& Table(const std::string& name) {
    for (const PlannedTable& table : plan_->tables) {
      if (table.name == name) return table;
    }
    throw std::runtime_error("no table " + name);
  }
  static const PlannedIndex& Index(const PlannedTable& table, const std::string& name) {
    for (const PlannedIndex& index : table.indexes) {
      if (index.name == name) return index;
    }
    throw std::runtime_error("no index " + name);
  }

  static std::unique_ptr<StructurePlan> plan_;
};

std::unique_ptr<StructurePlan> OfficeDdlTest::plan_;

TEST_F(OfficeDdlTest, DomainsKeepTheirTypeTextAndCheck) {
  std::vector<std::string> ddl;
  for (const PlannedDomain& domain : plan_->domains) ddl.push_back(CreateDomainSql(domain));
  EXPECT_EQ(
      ddl,
      (std::vector<std::string>{
          R"(CREATE DOMAIN "T_BIGTEXT" AS VARCHAR(500))",
          R"(CREATE DOMAIN "T_BOOLEAN" AS INTEGER CHECK ((VALUE IS NULL) OR (VALUE IN (0,1))))",
          R"(CREATE DOMAIN "T_INTEGER" AS INTEGER)",
          R"(CREATE DOMAIN "T_NUMBER" AS NUMERIC(15, 4))",
          R"(CREATE DOMAIN "T_SMALLTEXT" AS VARCHAR(100))",
          R"(CREATE DOMAIN "T_TIMESTAMP" AS TIMESTAMP)",
          R"(CREATE DOMAIN "T_DATE" AS DATE)",
          R"(CREATE DOMAIN "T_TEXT20" AS VARCHAR(20))",
      }));
}

TEST_F(OfficeDdlTest, AKeyColumnDeclaredNullableIsCreatedNotNull) {
  const PlannedTable& table = Table("KO_OWNER_ORGBLACKLIST");
  EXPECT_EQ(CreateTableSql(table),
            "CREATE TABLE \"KO_OWNER_ORGBLACKLIST\" (\n"
            "  \"NEMITENT\" INTEGER NOT NULL,\n"
            "  \"CONTR_ID\" INTEGER NOT NULL,\n"
            "  \"NOTE\" VARCHAR(200)\n"
            ")");
  ASSERT_TRUE(table.key.has_value());
  EXPECT_EQ(AddPrimaryKeySql(table.name, *table.key),
            R"(ALTER TABLE "KO_OWNER_ORGBLACKLIST" ADD CONSTRAINT "PK_KO_OWNER_ORGBLACKLIST" )"
            R"(PRIMARY KEY ("NEMITENT", "CONTR_ID"))");
  EXPECT_FALSE(table.FindColumn("NEMITENT")->not_null_for_key);  // declared NOT NULL
  EXPECT_TRUE(table.FindColumn("CONTR_ID")->not_null_for_key);
  EXPECT_TRUE(table.indexes.empty());
  EXPECT_TRUE(table.triggers.empty());
}

TEST_F(OfficeDdlTest, ChangeTrackingAddsColumnIndexAndTriggerAndMixedCaseBecomesUpperCase) {
  const PlannedTable& table = Table("HISTAUTENF");
  EXPECT_EQ(CreateTableSql(table),
            "CREATE TABLE \"HISTAUTENF\" (\n"
            "  \"ID\" INTEGER NOT NULL,\n"
            "  \"DATA\" TIMESTAMP NOT NULL,\n"
            "  \"CLIENT\" SMALLINT,\n"
            "  \"USRNAME\" \"T_SMALLTEXT\",\n"
            "  \"COMPNAME\" \"T_TEXT20\",\n"
            "  \"ISOK\" SMALLINT,\n"
            "  \"DESCR\" \"T_SMALLTEXT\",\n"
            "  \"APPLTYPE\" SMALLINT,\n"
            "  \"WINUSRNAME\" \"T_SMALLTEXT\",\n"
            "  \"MODIFYDATE\" TIMESTAMP\n"
            ")");
  EXPECT_EQ(AddPrimaryKeySql(table.name, *table.key),
            R"(ALTER TABLE "HISTAUTENF" ADD CONSTRAINT "PK_HISTAUTENF" PRIMARY KEY ("ID"))");
  ASSERT_EQ(table.indexes.size(), 2u);
  EXPECT_EQ(CreateIndexSql(table.name, table.indexes[0]),
            R"(CREATE INDEX "HISTAUTENFDT_IDX" ON "HISTAUTENF" ("DATA"))");
  EXPECT_EQ(CreateIndexSql(table.name, table.indexes[1]),
            R"(CREATE INDEX "HISTAUTENF_MD_IDX" ON "HISTAUTENF" ("MODIFYDATE"))");
  ASSERT_EQ(table.triggers.size(), 1u);
  EXPECT_EQ(CreateTriggerSql(table.name, table.triggers[0]),
            "CREATE TRIGGER \"HISTAUTENF_MD_BIU\" FOR \"HISTAUTENF\"\r\n"
            "ACTIVE BEFORE INSERT OR UPDATE POSITION 10\r\n" +
                kRuleSource);
  EXPECT_EQ(AddColumnSql(table.name, table.columns.back()),
            R"(ALTER TABLE "HISTAUTENF" ADD "MODIFYDATE" TIMESTAMP)");
}

TEST_F(OfficeDdlTest, ColumnsWithDomainsDefaultsAndNotNull) {
  const PlannedTable& office = Table("OFFICE");
  EXPECT_EQ(ColumnSql(*office.FindColumn("AZSNUMBER")), R"("AZSNUMBER" "T_INTEGER" NOT NULL)");
  EXPECT_EQ(ColumnSql(*office.FindColumn("AZSTYPE")),
            R"("AZSTYPE" "T_INTEGER" DEFAULT 0 NOT NULL)");
  EXPECT_EQ(ColumnSql(*office.FindColumn("USEFORREPORTS")),
            R"("USEFORREPORTS" "T_BOOLEAN" DEFAULT 1)");
  EXPECT_EQ(ColumnSql(*Table("CONTRAGENT").FindColumn("COUNTRYCODE")),
            R"("COUNTRYCODE" "T_INTEGER" DEFAULT 643)");
  EXPECT_EQ(ColumnSql(*Table("PC_DISCPOROG").FindColumn("COSHEL")),
            R"("COSHEL" INTEGER DEFAULT -1)");
  EXPECT_EQ(ColumnSql(*Table("CONFIGPARAMS").FindColumn("PARAMBLOB")), R"("PARAMBLOB" BLOB)");
  EXPECT_EQ(ColumnSql(*Table("PC_COSHELHISTORY").FindColumn("VAL")), R"("VAL" DECIMAL(15,4))");
  EXPECT_EQ(ColumnSql(*Table("COUPONSKLADMOVE").FindColumn("NAKL")), R"("NAKL" "T_SMALLTEXT")");
  // Mode 1 on a table that lists its columns with MODIFYDATE last: 33 declared, one added.
  EXPECT_EQ(office.columns.size(), 34u);
  EXPECT_TRUE(office.columns.back().tracking);
}

TEST_F(OfficeDdlTest, AnUnnamedTriggerIsNamedByTableTimingEventsAndPosition) {
  const PlannedTable& table = Table("PC_CARDAZSOPERATIONS");
  ASSERT_EQ(table.triggers.size(), 1u);
  EXPECT_TRUE(table.triggers[0].name_chosen);
  EXPECT_FALSE(table.tracking);
  EXPECT_EQ(CreateTriggerSql(table.name, table.triggers[0]),
            "CREATE TRIGGER \"PC_CARDAZSOPERATIONS_BIU10\" FOR \"PC_CARDAZSOPERATIONS\"\r\n"
            "ACTIVE BEFORE INSERT OR UPDATE POSITION 10\r\n" +
                kRuleSource);
  const PlannedTable& history = Table("KOOSTATKICHANGEHISTORY");
  ASSERT_EQ(history.triggers.size(), 1u);
  EXPECT_EQ(CreateTriggerSql(history.name, history.triggers[0]),
            "CREATE TRIGGER \"KO_OST_CHANGE_HIST_BIU10\" FOR \"KOOSTATKICHANGEHISTORY\"\r\n"
            "ACTIVE BEFORE INSERT OR UPDATE POSITION 10\r\n" +
                kRuleSource);
  // The explicit tables declare their own MODIFYDATE index; nothing is added.
  EXPECT_EQ(table.indexes.size(), 6u);
}

TEST_F(OfficeDdlTest, UniqueDescendingAndMultiColumnIndexes) {
  const PlannedTable& operations = Table("PC_CARDAZSOPERATIONS");
  EXPECT_EQ(
      CreateIndexSql(operations.name, Index(operations, "PC_CARDAZSOPERATIONS_IDX2")),
      R"(CREATE DESCENDING INDEX "PC_CARDAZSOPERATIONS_IDX2" ON "PC_CARDAZSOPERATIONS" ("DAT"))");
  EXPECT_EQ(CreateIndexSql(operations.name, Index(operations, "PC_CARDAZSOPERATIONS_IDX4")),
            R"(CREATE DESCENDING INDEX "PC_CARDAZSOPERATIONS_IDX4" ON "PC_CARDAZSOPERATIONS" )"
            R"(("AZSNUMBER", "PARTNER_OPER_ID"))");
  const PlannedTable& list = Table("KOAZSGSMLIST");
  EXPECT_EQ(CreateIndexSql(list.name, Index(list, "KOAZSGSMLIST_IDX1")),
            R"(CREATE UNIQUE INDEX "KOAZSGSMLIST_IDX1" ON "KOAZSGSMLIST" ("AZSNUMBER", "GSMID"))");
  const PlannedTable& bk = Table("PC_LOGTRAN_BK");
  EXPECT_EQ(CreateIndexSql(bk.name, Index(bk, "PC_LOGTRAN_BK_INDEX6")),
            R"(CREATE UNIQUE INDEX "PC_LOGTRAN_BK_INDEX6" ON "PC_LOGTRAN_BK" )"
            R"(("DATA", "POKUPATEL", "AZSNUMBER", "KODGSM", "LITER"))");
  const PlannedTable& config = Table("CONFIGPARAMS");
  EXPECT_EQ(AddPrimaryKeySql(config.name, *config.key),
            R"(ALTER TABLE "CONFIGPARAMS" ADD CONSTRAINT "CONFIGPARAMS_PK" PRIMARY KEY )"
            R"(("FILENAME", "COMPUTERNAME", "USERNAME", "SECTIONNAME", "PARAMNAME"))");
}

TEST_F(OfficeDdlTest, GeneratorsStartAtZeroInUpperCase) {
  ASSERT_EQ(plan_->generators.size(), 44u);
  EXPECT_EQ(CreateGeneratorSql(plan_->generators[0]),
            R"(CREATE SEQUENCE "GEN_IDLOGIN" START WITH 0)");
  EXPECT_EQ(CreateGeneratorSql({"GEN_X", -5}), R"(CREATE SEQUENCE "GEN_X" START WITH -5)");
}

TEST_F(OfficeDdlTest, TheWholePlanHasTheExpectedObjectCounts) {
  std::size_t indexes = 0, tracked = 0, triggers = 0, named_by_library = 0;
  for (const PlannedTable& table : plan_->tables) {
    indexes += table.indexes.size();
    triggers += table.triggers.size();
    if (table.tracking) ++tracked;
    for (const PlannedTrigger& trigger : table.triggers) {
      if (trigger.name_chosen) ++named_by_library;
    }
  }
  EXPECT_EQ(plan_->tables.size(), 70u);
  EXPECT_EQ(tracked, 39u);
  EXPECT_EQ(indexes, 109u + 39u);
  EXPECT_EQ(triggers, 9u + 39u);
  EXPECT_EQ(named_by_library, 1u);
}

// --- Names the library chooses and descriptions it refuses -----------------------------------

TEST(StructurePlanTest, LongNamesAreShortenedAndCollisionsNumbered) {
  TfbDataBaseDescription description;
  const std::string long_a = "A_VERY_LONG_TABLE_NAME_OF_31_CH";  // 31 characters
  const std::string long_b = "A_VERY_LONG_TABLE_NAME_OF_31_XX";
  ASSERT_EQ(long_a.size(), 31u);
  for (const std::string& name : {long_a, long_b}) {
    TfbTable* table = description.AddTable(name);
    table->AddField("ID", "INTEGER", "", true);
    table->SetChangeTracking(ChangeTracking::kModifyDate);
  }
  const StructurePlan plan = PlanStructure(description);
  EXPECT_EQ(plan.tables[0].triggers[0].name, "A_VERY_LONG_TABLE_NAME_O_MD_BIU");
  EXPECT_EQ(plan.tables[1].triggers[0].name, "A_VERY_LONG_TABLE_NAME_MD_BIU_2");
  EXPECT_EQ(plan.tables[0].indexes[0].name, "A_VERY_LONG_TABLE_NAME_O_MD_IDX");
  EXPECT_EQ(plan.tables[1].indexes[0].name, "A_VERY_LONG_TABLE_NAME_MD_IDX_2");
  for (const PlannedTable& table : plan.tables) {
    EXPECT_LE(table.triggers[0].name.size(), 31u);
    EXPECT_LE(table.indexes[0].name.size(), 31u);
  }
}

TEST(StructurePlanTest, DeclaredNamesWinOverChosenOnes) {
  TfbDataBaseDescription description;
  TfbTable* t = description.AddTable("T");
  t->AddField("ID", "INTEGER", "", true);
  t->AddField("X", "INTEGER", "", false);
  t->AddIndex("T_MD_IDX", false, false, "X");
  t->AddTrigger(TriggerTiming::kAfter, kTriggerOnInsert, 5, false, "", "X = 1;");
  t->AddTrigger(TriggerTiming::kBefore, kTriggerOnUpdate, 0, true, "T_MD_BIU", "X = 2;");
  t->SetChangeTracking(ChangeTracking::kModifyDate);
  const StructurePlan plan = PlanStructure(description);
  const PlannedTable& table = plan.tables[0];
  ASSERT_EQ(table.indexes.size(), 2u);
  EXPECT_EQ(table.indexes[1].name, "T_MD_IDX_2");
  EXPECT_EQ(table.indexes[1].columns, std::vector<std::string>{"MODIFYDATE"});
  ASSERT_EQ(table.triggers.size(), 3u);
  EXPECT_EQ(table.triggers[0].name, "T_AI5");
  EXPECT_EQ(CreateTriggerSql("T", table.triggers[0]),
            "CREATE TRIGGER \"T_AI5\" FOR \"T\"\r\nINACTIVE AFTER INSERT POSITION 5\r\n"
            "AS\r\nBEGIN\r\nX = 1;\r\nEND");
  EXPECT_EQ(table.triggers[1].name, "T_MD_BIU");
  EXPECT_EQ(table.triggers[2].name, "T_MD_BIU_2");
  EXPECT_TRUE(table.triggers[2].tracking);
}

TEST(StructurePlanTest, ChangeTrackingUsesWhatTheTableDeclares) {
  TfbDataBaseDescription description;
  TfbTable* t = description.AddTable("T");
  t->AddField("ID", "INTEGER", "", true);
  t->AddField("modifydate", "TIMESTAMP", "", false);
  t->AddIndex("T_IDX1", false, false, "MODIFYDATE");
  t->AddTrigger(TriggerTiming::kBefore, kTriggerOnInsertOrUpdate, 10, true, "T_BIU10",
                std::string(kModifyDateTriggerBody));
  t->SetChangeTracking(ChangeTracking::kModifyDate);
  const PlannedTable table = PlanStructure(description).tables[0];
  EXPECT_EQ(table.columns.size(), 2u);
  EXPECT_EQ(table.indexes.size(), 1u);
  ASSERT_EQ(table.triggers.size(), 1u);
  EXPECT_TRUE(table.triggers[0].keeps_modify_date);
}

TEST(StructurePlanTest, RefusesWhatCannotBeRealised) {
  const auto refused = [](auto&& describe) {
    TfbDataBaseDescription description;
    describe(description);
    try {
      PlanStructure(description);
    } catch (const EDescriptionError& e) {
      return std::string(e.what());
    }
    return std::string("not refused");
  };
  EXPECT_NE(refused([](TfbDataBaseDescription& d) {
              TfbTable* t = d.AddTable("T");
              t->AddField("ID", "INTEGER", "", true);
              t->SetPrimaryKey("PK_T", "ID, MISSING");
            }).find("нет столбца MISSING"),
            std::string::npos);
  EXPECT_NE(refused([](TfbDataBaseDescription& d) {
              TfbTable* t = d.AddTable("T");
              t->AddField("ID", "INTEGER", "", true);
              t->AddIndex("T_IDX1", false, false, "NOPE");
            }).find("индекс T_IDX1"),
            std::string::npos);
  EXPECT_NE(refused([](TfbDataBaseDescription& d) {
              for (const char* name : {"A", "B"}) {
                TfbTable* t = d.AddTable(name);
                t->AddField("ID", "INTEGER", "", true);
                t->AddIndex("SAME_IDX", false, false, "ID");
              }
            }).find("SAME_IDX"),
            std::string::npos);
  EXPECT_NE(refused([](TfbDataBaseDescription& d) {
              TfbTable* t = d.AddTable("T");
              t->AddField("ID", "INTEGER", "", true);
              t->AddTrigger(TriggerTiming::kBefore, 4, 0, true, "T_BD", "X = 1;");
            }).find("события 4"),
            std::string::npos);
  EXPECT_NE(refused([](TfbDataBaseDescription& d) {
              TfbTable* t = d.AddTable("T");
              t->AddField("ID", "INTEGER", "", true);
              t->SetChangeTracking(static_cast<ChangeTracking>(2));
            }).find("режим отслеживания изменений 2"),
            std::string::npos);
}

// --- Text services ---------------------------------------------------------------------------

TEST(SqlTextTest, NamesBecomeUpperCaseAndAreQuoted) {
  EXPECT_EQ(DatabaseName("GEN_IdLogin"), "GEN_IDLOGIN");
  EXPECT_EQ(DatabaseName("Client"), "CLIENT");
  EXPECT_EQ(QuoteName("NAKL"), "\"NAKL\"");
  EXPECT_EQ(QuoteName("A\"B"), "\"A\"\"B\"");
}

TEST(SqlTextTest, EnclosedExpressions) {
  EXPECT_TRUE(IsEnclosed("((VALUE IS NULL) OR (VALUE IN (0,1)))"));
  EXPECT_FALSE(IsEnclosed("(VALUE IS NULL) OR (VALUE IN (0,1))"));
  EXPECT_FALSE(IsEnclosed("VALUE > 0"));
  EXPECT_TRUE(IsEnclosed(" (VALUE <> ')') "));
  EXPECT_EQ(Enclose("VALUE > 0"), "(VALUE > 0)");
  EXPECT_EQ(Enclose("(VALUE > 0)"), "(VALUE > 0)");
  EXPECT_EQ(CreateDomainSql({"D", "INTEGER", "(A) OR (B)"}),
            "CREATE DOMAIN \"D\" AS INTEGER CHECK ((A) OR (B))");
}

TEST(SqlTextTest, NormalizedTextIgnoresCaseAndLayoutButNotLiterals) {
  EXPECT_EQ(NormalizeSql("  check ( (value  IS null)\r\n OR (VALUE in (0, 1)))  "),
            "CHECK((VALUE IS NULL)OR(VALUE IN(0,1)))");
  EXPECT_EQ(NormalizeSql("NEW.X = 'a  b'"), "NEW.X='a  b'");
  EXPECT_NE(NormalizeSql("X = 'a'"), NormalizeSql("X = 'A'"));
  EXPECT_EQ(NormalizeSql(TriggerSource(kModifyDateTriggerBody)),
            NormalizeSql("AS BEGIN " + std::string(kModifyDateTriggerBody) + " END"));
}

TEST(SqlTextTest, TypeTextsOfTheDescriptionAndOfTheSystemTablesMeet) {
  EXPECT_EQ(CanonicalType("NUMERIC(15, 4)"), "NUMERIC(15,4)");
  EXPECT_EQ(CanonicalType("decimal(15,4)"), "DECIMAL(15,4)");
  EXPECT_EQ(CanonicalType("NUMERIC(9)"), "NUMERIC(9,0)");
  EXPECT_EQ(CanonicalType("varchar (100)"), "VARCHAR(100)");
  EXPECT_EQ(CanonicalType("CHARACTER VARYING(30)"), "VARCHAR(30)");
  EXPECT_EQ(CanonicalType("CHAR"), "CHAR(1)");
  EXPECT_EQ(CanonicalType("INT"), "INTEGER");
  EXPECT_EQ(CanonicalType("BLOB"), "BLOB");
  EXPECT_EQ(CanonicalType("BLOB SUB_TYPE 0 SEGMENT SIZE 80"), "BLOB");
  EXPECT_EQ(CanonicalType("blob sub_type text"), "BLOB SUB_TYPE TEXT");
  EXPECT_EQ(CanonicalType("BLOB SUB_TYPE 1"), "BLOB SUB_TYPE TEXT");
  EXPECT_EQ(CanonicalType("TIMESTAMP"), "TIMESTAMP");

  EXPECT_EQ(SystemTypeText({8, 0, 4, 0, 0, 0}), "INTEGER");
  EXPECT_EQ(SystemTypeText({7, 0, 2, 0, 0, 0}), "SMALLINT");
  EXPECT_EQ(SystemTypeText({16, 1, 8, 15, -4, 0}), "NUMERIC(15,4)");
  EXPECT_EQ(SystemTypeText({16, 2, 8, 15, -4, 0}), "DECIMAL(15,4)");
  EXPECT_EQ(SystemTypeText({8, 1, 4, 9, -2, 0}), "NUMERIC(9,2)");
  EXPECT_EQ(SystemTypeText({37, 0, 100, 0, 0, 100}), "VARCHAR(100)");
  EXPECT_EQ(SystemTypeText({14, 0, 10, 0, 0, 10}), "CHAR(10)");
  EXPECT_EQ(SystemTypeText({35, 0, 8, 0, 0, 0}), "TIMESTAMP");
  EXPECT_EQ(SystemTypeText({12, 0, 4, 0, 0, 0}), "DATE");
  EXPECT_EQ(SystemTypeText({261, 0, 8, 0, 0, 0}), "BLOB");
  EXPECT_EQ(SystemTypeText({261, 1, 8, 0, 0, 0}), "BLOB SUB_TYPE TEXT");
  EXPECT_EQ(SystemTypeText({27, 0, 8, 0, 0, 0}), "DOUBLE PRECISION");
}

TEST(SqlTextTest, TriggerTypeCodesOfTheServer) {
  EXPECT_EQ(TriggerTypeCode(TriggerTiming::kBefore, kTriggerOnInsert), 1);
  EXPECT_EQ(TriggerTypeCode(TriggerTiming::kAfter, kTriggerOnInsert), 2);
  EXPECT_EQ(TriggerTypeCode(TriggerTiming::kBefore, kTriggerOnUpdate), 3);
  EXPECT_EQ(TriggerTypeCode(TriggerTiming::kAfter, kTriggerOnUpdate), 4);
  EXPECT_EQ(TriggerTypeCode(TriggerTiming::kBefore, kTriggerOnInsertOrUpdate), 17);
  EXPECT_EQ(TriggerTypeCode(TriggerTiming::kAfter, kTriggerOnInsertOrUpdate), 18);
}

// --- Failures across the library's boundary --------------------------------------------------

TEST(OstrelFailureTest, AReportedFailureIsRaisedAgainWithItsClassAndMessage) {
  TOstrelFailure failure;
  EXPECT_NO_THROW(failure.RaiseOnFailure(0, "CheckDBStruct"));
  TOstrelErrorReport* report = failure.Report();
  report->report(report->context, "EIBError", "Проверка структуры БД x -> сбой");
  EXPECT_TRUE(failure.Reported());
  try {
    failure.RaiseOnFailure(1, "CheckDBStruct");
    FAIL() << "not raised";
  } catch (const EOstrelError& e) {
    EXPECT_STREQ(e.ClassName(), "EIBError");
    EXPECT_EQ(e.Message(), "Проверка структуры БД x -> сбой");
    // Wrapping keeps the class the failure had in the library.
    try {
      WithContext("VerifyOfficeDB", [&] { throw e; });
    } catch (const Exception& wrapped) {
      EXPECT_STREQ(wrapped.ClassName(), "EIBError");
      EXPECT_EQ(wrapped.Message(), "VerifyOfficeDB -> Проверка структуры БД x -> сбой");
    }
  }
}

TEST(OstrelFailureTest, AServerFailureComesBackWithItsCodes) {
  TOstrelFailure failure;
  TOstrelErrorReport* report = failure.Report();
  const std::intptr_t codes[] = {335544721, 335544722};
  report->report_codes(report->context, codes, 2, -902);
  report->report(report->context, "EIBError", "Подключение к БД -> Unable to complete");
  try {
    failure.RaiseOnFailure(1, "CheckDBStruct");
    FAIL() << "not raised";
  } catch (const ibx::EIBError& e) {
    EXPECT_EQ(e.ErrorCodes(), std::vector<std::intptr_t>(codes, codes + 2));
    EXPECT_EQ(e.SQLCode(), -902);
    EXPECT_EQ(e.Message(), "Подключение к БД -> Unable to complete");
  }
}

TEST(OstrelFailureTest, AFailureWithoutReportNamesTheEntryPoint) {
  TOstrelFailure failure;
  try {
    failure.RaiseOnFailure(1, "CopyDataFromParadoxBase");
    FAIL() << "not raised";
  } catch (const EOstrelError& e) {
    EXPECT_NE(e.Message().find("CopyDataFromParadoxBase"), std::string::npos);
  }
}

}  // namespace
}  // namespace brindle::ostrel
