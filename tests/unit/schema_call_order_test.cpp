// The calls that the schema builder makes on a description, as a recording description sees
// them: their order, their exact arguments, and that an error of the description ends the build.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ostrel/column_list.h"
#include "ostrel/description.h"
#include "platform/error.h"
#include "platform/suite_root.h"
#include "schema/office_db_structure_builder.h"
#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

BRINDLE_DECLARE_EXCEPTION(EInjectedFailure, Exception);

// Records every call as one line: database calls plainly, table calls prefixed with the table's
// name. Every name passed (column-list items included) is also kept for the length check.
class RecordingDataBase final : public TfbDataBase {
 public:
  class Table final : public TfbTable {
   public:
    Table(std::string name, RecordingDataBase& owner) : name_(std::move(name)), owner_(owner) {}

    void AddField(const std::string& name, const std::string& type, const std::string& default_text,
                  bool not_null) override {
      owner_.names.push_back(name);
      Record("AddField " + name + " " + type +
             (default_text.empty() ? "" : " default " + default_text) +
             (not_null ? " not null" : ""));
    }
    void SetPrimaryKey(const std::string& constraint_name,
                       const std::string& column_list) override {
      owner_.KeepNames(constraint_name, column_list);
      Record("SetPrimaryKey " + constraint_name + " " + column_list);
    }
    void AddIndex(const std::string& name, bool unique, bool descending,
                  const std::string& column_list) override {
      owner_.KeepNames(name, column_list);
      Record("AddIndex " + name + (unique ? " unique" : "") + (descending ? " descending" : "") +
             " " + column_list);
    }
    void AddTrigger(TriggerTiming timing, TriggerEvents events, std::int32_t position, bool active,
                    const std::string& name, const std::string& body) override {
      owner_.names.push_back(name);
      owner_.trigger_bodies.push_back(body);
      Record("AddTrigger " + std::to_string(static_cast<int>(timing)) + " " +
             std::to_string(events) + " " + std::to_string(position) + " " +
             (active ? "active" : "inactive") + " [" + name + "]");
    }
    void SetChangeTracking(ChangeTracking mode) override {
      Record("SetChangeTracking " + std::to_string(static_cast<int>(mode)));
    }

   private:
    void Record(const std::string& call) { owner_.log.push_back(name_ + ": " + call); }

    std::string name_;
    RecordingDataBase& owner_;
  };

  void SetConnection(const std::string& host, const std::string& path, const std::string& password,
                     std::int32_t port, const VariantArray& parameters) override {
    log.push_back("SetConnection " + host + " " + path + " " + password + " " +
                  std::to_string(port) + " " + std::to_string(parameters.size()));
  }
  void AddDomain(const std::string& name, const std::string& type, std::int32_t reserved1,
                 std::int32_t reserved2, const std::string& check) override {
    names.push_back(name);
    log.push_back("AddDomain " + name + " " + type + " " + std::to_string(reserved1) + " " +
                  std::to_string(reserved2) + " [" + check + "]");
  }
  TfbTable* AddTable(const std::string& name) override {
    names.push_back(name);
    log.push_back("AddTable " + name);
    if (name == fail_at_table) throw EInjectedFailure("injected at " + name);
    tables_.push_back(std::make_unique<Table>(name, *this));
    return tables_.back().get();
  }
  void AddGenerator(const std::string& name, std::int64_t start_value) override {
    names.push_back(name);
    log.push_back("AddGenerator " + name + " " + std::to_string(start_value));
  }
  CheckOutcome LastCheck() const override { return {}; }

  // The calls made on a table after its columns, database calls between them included: from
  // its AddTable up to the next one.
  std::vector<std::string> OperationsOf(const std::string& table) const {
    std::vector<std::string> result;
    auto at = std::find(log.begin(), log.end(), "AddTable " + table);
    if (at == log.end()) return result;
    for (++at; at != log.end() && !at->starts_with("AddTable "); ++at) {
      if (!at->starts_with(table + ": AddField ")) result.push_back(*at);
    }
    return result;
  }

  std::vector<std::string> log;
  std::vector<std::string> names;
  std::vector<std::string> trigger_bodies;
  std::string fail_at_table;

 private:
  void KeepNames(const std::string& name, const std::string& column_list) {
    names.push_back(name);
    for (const ListedColumn& column : ParseColumnList(column_list)) names.push_back(column.name);
  }

  std::vector<std::unique_ptr<Table>> tables_;
};

class SchemaCallOrderTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(SuitePath("CommonOrgs")); }

  void DescribeAll() { DescribeOfficeDB(db, "host", "/db/office.fdb", "pw", 30050); }

  std::size_t CountCalls(const std::string& what) const {
    return std::count_if(db.log.begin(), db.log.end(), [&](const std::string& line) {
      return line.starts_with(what) || line.find(": " + what) != std::string::npos;
    });
  }

  testing::TempDir dir;
  RecordingDataBase db;
};

TEST_F(SchemaCallOrderTest, TheConnectionAndTheDomainsComeFirst) {
  DescribeAll();
  const std::vector<std::string> expected = {
      "SetConnection host /db/office.fdb pw 30050 0",
      "AddDomain T_BIGTEXT VARCHAR(500) 0 0 []",
      "AddDomain T_BOOLEAN INTEGER 0 0 [((VALUE IS NULL) OR (VALUE IN (0,1)))]",
      "AddDomain T_INTEGER INTEGER 0 0 []",
      "AddDomain T_NUMBER NUMERIC(15, 4) 0 0 []",
      "AddDomain T_SMALLTEXT VARCHAR(100) 0 0 []",
      "AddDomain T_TIMESTAMP TIMESTAMP 0 0 []",
      "AddDomain T_DATE DATE 0 0 []",
      "AddDomain T_TEXT20 VARCHAR(20) 0 0 []",
      "AddTable DSCCARDS",
  };
  ASSERT_GE(db.log.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(db.log.begin(), db.log.begin() + expected.size()), expected);
  EXPECT_EQ(CountCalls("SetConnection"), 1u);
  EXPECT_EQ(CountCalls("AddDomain"), 8u);
}

TEST_F(SchemaCallOrderTest, CallCountsOfTheWholeSchema) {
  DescribeAll();
  EXPECT_EQ(CountCalls("AddTable "), 70u);
  EXPECT_EQ(CountCalls("AddGenerator "), 44u);
  EXPECT_EQ(CountCalls("SetPrimaryKey "), 70u);
  EXPECT_EQ(CountCalls("AddIndex "), 109u);
  EXPECT_EQ(CountCalls("AddTrigger "), 9u);
  EXPECT_EQ(CountCalls("SetChangeTracking 1"), 39u);
  EXPECT_EQ(CountCalls("SetChangeTracking "), 39u);
}

TEST_F(SchemaCallOrderTest, ColumnsComeFirstAndEveryCallGoesToTheLatestTable) {
  DescribeAll();
  std::string current;
  bool past_columns = false;
  for (const std::string& line : db.log) {
    if (line.starts_with("AddTable ")) {
      current = line.substr(9);
      past_columns = false;
      continue;
    }
    const auto colon = line.find(": ");
    if (colon == std::string::npos) {
      if (!current.empty()) past_columns = true;  // a generator ends the columns too
      continue;
    }
    EXPECT_EQ(line.substr(0, colon), current) << line;
    const bool field = line.compare(colon + 2, 9, "AddField ") == 0;
    if (field) {
      EXPECT_FALSE(past_columns) << line;
    } else {
      past_columns = true;
    }
  }
}

TEST_F(SchemaCallOrderTest, NoNameIsLongerThan31Characters) {
  DescribeAll();
  ASSERT_FALSE(db.names.empty());
  for (const std::string& name : db.names) EXPECT_LE(name.size(), 31u) << name;
  // The longest names are exactly at the limit.
  EXPECT_NE(std::find(db.names.begin(), db.names.end(), "PK_KOOSTATKICHANGEHISTORYVALUES"),
            db.names.end());
}

TEST_F(SchemaCallOrderTest, EveryTriggerPassesTheRuleBodyWithCrLf) {
  DescribeAll();
  ASSERT_EQ(db.trigger_bodies.size(), 9u);
  for (const std::string& body : db.trigger_bodies) {
    EXPECT_EQ(body.size(), 215u);
    std::size_t lines = 0;
    for (std::size_t i = 0; i < body.size(); ++i) {
      if (body[i] == '\n') {
        ++lines;
        EXPECT_TRUE(i > 0 && body[i - 1] == '\r') << "bare LF at " << i;
      }
    }
    EXPECT_EQ(lines, 5u);
    EXPECT_TRUE(body.ends_with("  NEW.MODIFYDATE = CURRENT_TIMESTAMP;"));
  }
}

TEST_F(SchemaCallOrderTest, OperationsFollowTheColumnsInTheListedOrder) {
  DescribeAll();
  const std::map<std::string, std::vector<std::string>> expected = {
      {"DSCCARDS",
       {R"(DSCCARDS: SetPrimaryKey PK_DSCCARDS "CARDNUM", "AZSNAME", "GSM", "VIDOPL")"}},
      {"CONFIGPARAMS",
       {"CONFIGPARAMS: SetPrimaryKey CONFIGPARAMS_PK "
        "FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME"}},
      {"HISTAUTENF",
       {"HISTAUTENF: SetChangeTracking 1", R"(HISTAUTENF: SetPrimaryKey PK_HISTAUTENF "ID")",
        R"(HISTAUTENF: AddIndex HISTAUTENFDT_IDX "DATA")", "AddGenerator GEN_IdLogin 0"}},
      {"PC_COSHELNAMES",
       {"PC_COSHELNAMES: SetChangeTracking 1",
        "PC_COSHELNAMES: AddIndex PC_COSHELNAMES_IDX1 COSHEL_TYP",
        R"(PC_COSHELNAMES: SetPrimaryKey PK_PC_COSHELNAMES "ID")",
        "AddGenerator GEN_PC_COSHELNAMES_ID 0"}},
      {"PC_BACKCARD",
       {"PC_BACKCARD: SetChangeTracking 1", R"(PC_BACKCARD: SetPrimaryKey PK_PC_BACKCARD "ID")",
        "AddGenerator GEN_PC_BACKCARD 0",
        "PC_BACKCARD: AddIndex PC_BACKCARD_IDX1 AZSNUMBER,INDEXSALE",
        "PC_BACKCARD: AddIndex PC_BACKCARD_IDX2 APPLYTIME",
        "PC_BACKCARD: AddIndex PC_BACKCARD_IDX3 LOGTRAN_BK_ID"}},
      {"PC_HOLDERHIST",
       {"PC_HOLDERHIST: SetPrimaryKey PK_PC_HOLDERHIST ID",
        "PC_HOLDERHIST: AddIndex PC_HOLDERHIST_IDX1 CARD_ID,BEGDATE,ENDDATE",
        "PC_HOLDERHIST: SetChangeTracking 1", "AddGenerator GEN_PC_HOLDERHIST 0"}},
      {"KOOSTATKICHANGEHISTORY",
       {R"(KOOSTATKICHANGEHISTORY: AddIndex KOOSTATKICHANGEHISTORY_IDX1 "DOCNUM","DOCDATE")",
        R"(KOOSTATKICHANGEHISTORY: AddIndex KOOSTATKICHANGEHISTORY_IDX2 "DATECHANGE")",
        "KOOSTATKICHANGEHISTORY: AddIndex KOOSTATKICHANGEHISTORY_IDX3 MODIFYDATE",
        "KOOSTATKICHANGEHISTORY: AddIndex KOOSTATKICHANGEHISTORY_IDX4 CONTR_ID",
        "KOOSTATKICHANGEHISTORY: AddIndex KOOSTATKICHANGEHISTORY_IDX5 DOCDATE",
        "KOOSTATKICHANGEHISTORY: AddIndex KOOSTATKICHANGEHISTORY_IDX6 CONTR_ID,DATECHANGE",
        "KOOSTATKICHANGEHISTORY: AddTrigger 0 3 10 active [KO_OST_CHANGE_HIST_BIU10]",
        R"(KOOSTATKICHANGEHISTORY: SetPrimaryKey PK_KOOSTATKICHANGEHISTORY "ID")",
        "AddGenerator GEN_KOOSTATKICHANGEHISTORY 0"}},
      {"KOOSTATKICHANGEHISTORYVALUES",
       {R"(KOOSTATKICHANGEHISTORYVALUES: SetPrimaryKey PK_KOOSTATKICHANGEHISTORYVALUES "ID")",
        "KOOSTATKICHANGEHISTORYVALUES: AddIndex KO_OST_CHANGE_HIST_VAL_IDX1 MODIFYDATE",
        "KOOSTATKICHANGEHISTORYVALUES: AddIndex KO_OST_CHANGE_HIST_VAL_IDX2 OPERID",
        "KOOSTATKICHANGEHISTORYVALUES: AddTrigger 0 3 10 active [KO_OST_CHANGE_HIST_VAL_BIU10]",
        "AddGenerator GEN_KOOSTATKICHANGEHISTORYVAL 0"}},
      {"PC_CARDAZSOPERATIONS",
       {R"(PC_CARDAZSOPERATIONS: SetPrimaryKey PK_PC_CARDAZSOPERATIONS "ID")",
        "PC_CARDAZSOPERATIONS: AddIndex PC_CARDAZSOPERATIONS_IDX1 DAT",
        "PC_CARDAZSOPERATIONS: AddIndex PC_CARDAZSOPERATIONS_IDX2 descending DAT",
        "PC_CARDAZSOPERATIONS: AddIndex PC_CARDAZSOPERATIONS_IDX3 CARD",
        "PC_CARDAZSOPERATIONS: AddIndex PC_CARDAZSOPERATIONS_IDX4 descending "
        "AZSNUMBER,PARTNER_OPER_ID",
        "PC_CARDAZSOPERATIONS: AddIndex PC_CARDAZSOPERATIONS_IDX5 MODIFYDATE",
        "PC_CARDAZSOPERATIONS: AddIndex PC_CARDAZSOPERATIONS_IDX6 CARD_ID,DAT",
        "PC_CARDAZSOPERATIONS: AddTrigger 0 3 10 active []",
        "AddGenerator GEN_PC_CARDAZSOPERATIONS_ID 0"}},
      {"PC_LOGTRAN_DK",
       {"PC_LOGTRAN_DK: AddIndex PC_LOGTRAN_DK_INDEX1 DATA",
        "PC_LOGTRAN_DK: AddIndex PC_LOGTRAN_DK_INDEX3 AZSNUMBER",
        "PC_LOGTRAN_DK: AddIndex PC_LOGTRAN_DK_INDEX5 CARD_ID",
        "PC_LOGTRAN_DK: AddIndex PC_LOGTRAN_DK_INDEX6 unique DATA,POKUPATEL,AZSNUMBER,KODGSM,LITER",
        "PC_LOGTRAN_DK: AddIndex PC_LOGTRAN_DK_INDEX7 AZSOPER_ID",
        "PC_LOGTRAN_DK: AddIndex PC_LOGTRAN_DK_INDEX8 CONTR_ID",
        "PC_LOGTRAN_DK: AddIndex PC_LOGTRAN_DK_INDEX9 descending AZSNUMBER,PARTNER_TRAN_ID",
        R"(PC_LOGTRAN_DK: SetPrimaryKey PK_PC_LOGTRAN_DK "ID")",
        "AddGenerator GEN_PC_LOGTRAN_DK_ID 0"}},
      {"TMP_TERMINAL_PC_OPER",
       {R"(TMP_TERMINAL_PC_OPER: SetPrimaryKey PK_TMP_TERMINAL_PC_OPER "ID")",
        R"(TMP_TERMINAL_PC_OPER: AddIndex TMP_TERMINAL_PC_OPER_IDX1 "TERM_TRAN_ID")",
        R"(TMP_TERMINAL_PC_OPER: AddIndex TMP_TERMINAL_PC_OPER_IDX2 "TRAN_STATUS","TYP")",
        R"(TMP_TERMINAL_PC_OPER: AddIndex TMP_TERMINAL_PC_OPER_IDX3 "AZSNUMBER","DAT")",
        "AddGenerator GEN_TMP_TERMINAL_PC_OPER 0", "AddGenerator GEN_TERMINAL_PC_GLOBAL 0"}},
      {"TMP_TERMINAL_RR",
       {R"(TMP_TERMINAL_RR: AddIndex TMP_TERMINAL_RR_IDX1 "TERM_TRAN_ID")",
        R"(TMP_TERMINAL_RR: AddIndex TMP_TERMINAL_RR_IDX2 "TRAN_STATUS")",
        R"(TMP_TERMINAL_RR: AddIndex TMP_TERMINAL_RR_IDX3 "AZSNUMBER","DATAPPLY")",
        R"(TMP_TERMINAL_RR: SetPrimaryKey PK_TMP_TERMINAL_RR "ID")"}},
      {"KOAZSGSMLIST",
       {"KOAZSGSMLIST: SetChangeTracking 1", R"(KOAZSGSMLIST: SetPrimaryKey PK_KOAZSGSMLIST "ID")",
        R"(KOAZSGSMLIST: AddIndex KOAZSGSMLIST_IDX1 unique "AZSNUMBER","GSMID")",
        "AddGenerator GEN_KOAZSGSMLIST 0"}},
  };
  for (const auto& [table, operations] : expected) {
    EXPECT_EQ(db.OperationsOf(table), operations) << table;
  }
}

TEST_F(SchemaCallOrderTest, ColumnsArePassedWithTypeDefaultAndNotNull) {
  DescribeAll();
  std::vector<std::string> histautenf;
  for (const std::string& line : db.log) {
    if (line.starts_with("HISTAUTENF: AddField ")) histautenf.push_back(line.substr(12));
  }
  EXPECT_EQ(histautenf, (std::vector<std::string>{
                            "AddField ID INTEGER not null", "AddField DATA TIMESTAMP not null",
                            "AddField Client SMALLINT", "AddField USRNAME T_SMALLTEXT",
                            "AddField COMPNAME T_TEXT20", "AddField ISOK SMALLINT",
                            "AddField DESCR T_SMALLTEXT", "AddField APPLTYPE SMALLINT",
                            "AddField WINUSRNAME T_SMALLTEXT"}));
  const auto has = [&](const std::string& line) {
    return std::find(db.log.begin(), db.log.end(), line) != db.log.end();
  };
  EXPECT_TRUE(has("OFFICE: AddField AZSTYPE T_INTEGER default 0 not null"));
  EXPECT_TRUE(has("CONTRAGENT: AddField COUNTRYCODE T_INTEGER default 643"));
  EXPECT_TRUE(has("PC_DISCPOROG: AddField COSHEL INTEGER default -1"));
  EXPECT_TRUE(has("COUPONSKLADMOVE: AddField Nakl T_SMALLTEXT"));
  EXPECT_TRUE(has("KO_OWNER_ORGBLACKLIST: AddField CONTR_ID INTEGER"));
  EXPECT_TRUE(has("CONFIGPARAMS: AddField PARAMVALUE VARCHAR(10000)"));
  EXPECT_TRUE(has("PC_CARD: AddField MIFARE_ID VARCHAR(16)"));
}

TEST_F(SchemaCallOrderTest, EachGroupOperationDescribesItsOwnTables) {
  TOfficeDBStructureBuilder builder;
  builder.DescribeHandbookTables(db);
  EXPECT_EQ(db.log,
            (std::vector<std::string>{
                "AddTable HANDBOOK", "HANDBOOK: AddField ID_HANDBOOK INTEGER not null",
                "HANDBOOK: AddField NAME T_SMALLTEXT", "HANDBOOK: AddField ISDELETE T_BOOLEAN",
                R"(HANDBOOK: SetPrimaryKey PK_HANDBOOK "ID_HANDBOOK")", "AddTable HANDBOOK_AZS",
                "HANDBOOK_AZS: AddField ID_HANDBOOK INTEGER not null",
                "HANDBOOK_AZS: AddField AZSNUMBER INTEGER not null",
                R"(HANDBOOK_AZS: SetPrimaryKey PK_HANDBOOK_AZS "ID_HANDBOOK","AZSNUMBER")"}));

  const auto tables_of = [&](auto describe) {
    db.log.clear();
    describe();
    std::vector<std::string> tables;
    for (const std::string& line : db.log) {
      if (line.starts_with("AddTable ")) tables.push_back(line.substr(9));
    }
    return tables;
  };
  EXPECT_EQ(tables_of([&] { builder.DescribeCouponTables(db); }),
            (std::vector<std::string>{"COUPONS", "COUPONBREAK", "COUPONPARTION", "COUPONMASK",
                                      "COUPONSKLADLIST", "COUPONSKLADMOVE"}));
  EXPECT_EQ(tables_of([&] { builder.DescribeContragentTables(db); }),
            (std::vector<std::string>{"CONTRAGENT", "CONTRAGENTTYPE", "ORGATTACH", "ORGPEOPLE",
                                      "ORGCARS", "DRIVERATTACH", "CARATTACH"}));
  std::filesystem::remove(SuitePath("CommonOrgs"));
  EXPECT_EQ(tables_of([&] { builder.DescribeContragentTables(db); }),
            (std::vector<std::string>{"CONTRAGENT", "CONTRAGENTTYPE", "ORGATTACH", "ORGPEOPLE"}));
  EXPECT_EQ(tables_of([&] { builder.DescribeCommercialTables(db); }).size(), 19u);
  EXPECT_EQ(tables_of([&] { builder.DescribeCardTables(db); }).size(), 31u);
}

TEST_F(SchemaCallOrderTest, AnErrorOfTheDescriptionEndsTheBuildAndPassesUnchanged) {
  db.fail_at_table = "PC_CARD";
  try {
    DescribeAll();
    FAIL() << "no error";
  } catch (const EInjectedFailure& e) {
    EXPECT_EQ(e.Message(), "injected at PC_CARD");
  }
  ASSERT_FALSE(db.log.empty());
  EXPECT_EQ(db.log.back(), "AddTable PC_CARD");
  EXPECT_EQ(db.OperationsOf("PC_OWNER_BLACKLIST").back(),
            R"(PC_OWNER_BLACKLIST: SetPrimaryKey PK_PC_OWNER_BLACKLIST "CARDNUM")");
}

}  // namespace
}  // namespace brindle
