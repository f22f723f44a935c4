// The office schema as described to the structure library's in-memory description: the tables,
// their columns, keys, indexes, triggers, change tracking and generators, checked against
// expectations written down independently of the schema's data.
#include "schema/office_db_structure_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "ostrel/column_list.h"
#include "ostrel/database_description.h"
#include "platform/suite_root.h"
#include "schema/replicated_tables.h"
#include "tests/support/expected_schema.h"
#include "tests/support/temp_dir.h"

namespace brindle {
namespace {

using testing::ExpectedTable;
using testing::kExplicit;
using testing::kMode1;
using testing::kNone;
using testing::kPlainColumn;
using testing::kSummary;

// The order in which Build describes the tables (with the CommonOrgs directory).
const std::vector<std::string> kBuildOrder = {
    "DSCCARDS",
    "OFFICE",
    "GSMCHANGEHISTORY",
    "CONFIGPARAMS",
    "HISTAUTENF",
    "COUPONS",
    "COUPONBREAK",
    "COUPONPARTION",
    "COUPONMASK",
    "COUPONSKLADLIST",
    "COUPONSKLADMOVE",
    "KOGSMLIST",
    "KOAZSGSMLIST",
    "KOGSMLISTHISTORY",
    "KOPRICECATEGORY",
    "KOPRICECATVALUES",
    "KOPRICEHISTORY",
    "KOOSTATKI",
    "KOOSTATKICHANGEHISTORY",
    "KOOSTATKICHANGEHISTORYVALUES",
    "KORASPREDCARD",
    "KORASPREDCARDTYP",
    "KORASPREDCARDVAL",
    "PCCARDSOPERKO",
    "KOORGBLACKLIST",
    "KO_OWNER_ORGBLACKLIST",
    "KOORGLASTDATA",
    "KOACCOUNTS",
    "KOAUTODSC",
    "KOAUTODSCPOROGS",
    "CONTRAGENT",
    "CONTRAGENTTYPE",
    "ORGATTACH",
    "ORGPEOPLE",
    "ORGCARS",
    "DRIVERATTACH",
    "CARATTACH",
    "PC_BLACKLIST",
    "PC_OWNER_BLACKLIST",
    "PC_CARD",
    "PC_COSHEL",
    "PC_COSHELHISTORY",
    "PC_COSHELNAMES",
    "PC_OWNER_COSHELNAMES",
    "PC_DISCOUNT",
    "PC_OWNER_DISCOUNT",
    "PC_DISCPOROG",
    "PC_OWNER_DISCPOROG",
    "PC_COSHELCOEFF",
    "PC_OWNER_COSHELCOEFF",
    "PC_EMISSION",
    "PC_LOGTRAN_BK",
    "PC_LOGTRAN_DK",
    "PC_REMOTEREDACT",
    "PC_CARDAZSOPERATIONS",
    "PC_SMPROCESSED",
    "PC_BACKCARD",
    "PC_EMITENTS",
    "PC_CARDSTATE",
    "PC_AZSATTACH",
    "PC_AZSCARDATTACH",
    "PC_OWNER_AZSATTACH",
    "PC_OWNER_ORGPARAMS",
    "PC_OWNER_ALLOWCARDLIST",
    "PC_HOLDERHIST",
    "TMP_TERMINAL_PC_OPER",
    "TMP_TERMINAL_RR",
    "TERM_COUNTERS",
    "HANDBOOK",
    "HANDBOOK_AZS",
};

const std::set<std::string> kCommonOrgsTables = {"ORGCARS", "DRIVERATTACH", "CARATTACH"};

const std::string kTriggerBody =
    "IF (NEW.MODIFYDATE = '1900-01-01') THEN\r\n"
    "  NEW.MODIFYDATE = NULL;\r\n"
    "ELSE\r\n"
    "IF ((NEW.MODIFYDATE IS NULL AND OLD.MODIFYDATE IS NULL) OR\r\n"
    "    (NEW.MODIFYDATE = OLD.MODIFYDATE)) THEN\r\n"
    "  NEW.MODIFYDATE = CURRENT_TIMESTAMP;";

class OfficeSchemaTest : public ::testing::Test {
 protected:
  std::unique_ptr<TfbDataBaseDescription> Describe() {
    auto description = std::make_unique<TfbDataBaseDescription>();
    DescribeOfficeDB(*description, "dbhost", "/srv/db/office.fdb", "secret", 30055);
    return description;
  }

  // The full schema, with the CommonOrgs directory present.
  std::unique_ptr<TfbDataBaseDescription> DescribeAll() {
    std::filesystem::create_directories(SuitePath("CommonOrgs"));
    return Describe();
  }

  static std::vector<std::string> TableNames(const TfbDataBaseDescription& db) {
    std::vector<std::string> names;
    for (const auto& table : db.Tables()) names.push_back(table->Name());
    return names;
  }

  static std::vector<std::string> DeclarationNames(const TfbDataBaseDescription& db) {
    std::vector<std::string> names;
    for (const Declaration& d : db.Declarations()) {
      switch (d.kind) {
        case Declaration::Kind::kDomain:
          names.push_back("domain " + db.Domains()[d.index].name);
          break;
        case Declaration::Kind::kTable:
          names.push_back("table " + db.Tables()[d.index]->Name());
          break;
        case Declaration::Kind::kGenerator:
          names.push_back("generator " + db.Generators()[d.index].name);
          break;
      }
    }
    return names;
  }

  static const TfbTableDescription& Table(const TfbDataBaseDescription& db,
                                          const std::string& name) {
    const TfbTableDescription* table = db.FindTable(name);
    if (!table) throw std::runtime_error("no table " + name);
    return *table;
  }

  testing::TempDir dir;
};

// --- The CommonOrgs directory ---------------------------------------------------------------

TEST_F(OfficeSchemaTest, WithoutCommonOrgsThereAre67TablesAnd41Generators) {
  auto db = Describe();
  EXPECT_EQ(db->Tables().size(), 67u);
  EXPECT_EQ(db->Generators().size(), 41u);
  for (const char* name : {"ORGCARS", "DRIVERATTACH", "CARATTACH"}) {
    EXPECT_EQ(db->FindTable(name), nullptr) << name;
  }
  for (const auto& generator : db->Generators()) {
    EXPECT_NE(generator.name, "GEN_ORGCARS");
    EXPECT_NE(generator.name, "GEN_DRIVERATTACH");
    EXPECT_NE(generator.name, "GEN_CARATTACH");
  }
  std::vector<std::string> expected;
  for (const std::string& name : kBuildOrder) {
    if (!kCommonOrgsTables.contains(name)) expected.push_back(name);
  }
  EXPECT_EQ(TableNames(*db), expected);
}

TEST_F(OfficeSchemaTest, WithCommonOrgsThereAre70TablesAnd44Generators) {
  auto db = DescribeAll();
  EXPECT_EQ(db->Tables().size(), 70u);
  EXPECT_EQ(db->Generators().size(), 44u);
  EXPECT_EQ(TableNames(*db), kBuildOrder);
}

TEST_F(OfficeSchemaTest, TheThreeCommonOrgsTablesFollowGenOrgpeople) {
  auto db = DescribeAll();
  const std::vector<std::string> names = DeclarationNames(*db);
  const auto at = std::find(names.begin(), names.end(), "generator GEN_ORGPEOPLE");
  ASSERT_NE(at, names.end());
  const std::vector<std::string> expected = {"generator GEN_ORGPEOPLE",    "table ORGCARS",
                                             "generator GEN_ORGCARS",      "table DRIVERATTACH",
                                             "generator GEN_DRIVERATTACH", "table CARATTACH",
                                             "generator GEN_CARATTACH",    "table PC_BLACKLIST"};
  ASSERT_GE(names.end() - at, static_cast<std::ptrdiff_t>(expected.size()));
  EXPECT_EQ(std::vector<std::string>(at, at + expected.size()), expected);
}

TEST_F(OfficeSchemaTest, TheDirectoryIsTestedAnewOnEveryBuild) {
  const std::string common_orgs = SuitePath("CommonOrgs");
  EXPECT_EQ(Describe()->Tables().size(), 67u);
  std::filesystem::create_directories(common_orgs);
  EXPECT_EQ(Describe()->Tables().size(), 70u);
  std::filesystem::remove(common_orgs);
  EXPECT_EQ(Describe()->Tables().size(), 67u);
}

TEST_F(OfficeSchemaTest, AFileNamedCommonOrgsIsNoDirectory) {
  std::filesystem::create_directories(SuiteRoot());
  testing::WriteFile(SuitePath("CommonOrgs"), "not a directory");
  EXPECT_EQ(Describe()->Tables().size(), 67u);
}

TEST_F(OfficeSchemaTest, TheDirectoryIsLookedForUnderTheSuiteRootOnly) {
  // A CommonOrgs directory beside the root, or in the working directory, does not count.
  std::filesystem::create_directories(dir / "CommonOrgs");
  EXPECT_EQ(Describe()->Tables().size(), 67u);
}

// --- Connection and domains ------------------------------------------------------------------

TEST_F(OfficeSchemaTest, TheConnectionIsPassedAsGivenWithNoParameters) {
  auto db = Describe();
  ASSERT_TRUE(db->Connection().has_value());
  EXPECT_EQ(db->Connection()->host, "dbhost");
  EXPECT_EQ(db->Connection()->path, "/srv/db/office.fdb");
  EXPECT_EQ(db->Connection()->password, "secret");
  EXPECT_EQ(db->Connection()->port, 30055);
  EXPECT_TRUE(db->Connection()->parameters.empty());
}

TEST_F(OfficeSchemaTest, TheEightDomainsComeFirstInOrder) {
  auto db = Describe();
  const std::vector<DomainDescription> expected = {
      {"T_BIGTEXT", "VARCHAR(500)", 0, 0, ""},
      {"T_BOOLEAN", "INTEGER", 0, 0, "((VALUE IS NULL) OR (VALUE IN (0,1)))"},
      {"T_INTEGER", "INTEGER", 0, 0, ""},
      {"T_NUMBER", "NUMERIC(15, 4)", 0, 0, ""},
      {"T_SMALLTEXT", "VARCHAR(100)", 0, 0, ""},
      {"T_TIMESTAMP", "TIMESTAMP", 0, 0, ""},
      {"T_DATE", "DATE", 0, 0, ""},
      {"T_TEXT20", "VARCHAR(20)", 0, 0, ""},
  };
  ASSERT_EQ(db->Domains().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const DomainDescription& domain = db->Domains()[i];
    EXPECT_EQ(domain.name, expected[i].name);
    EXPECT_EQ(domain.type, expected[i].type) << domain.name;
    EXPECT_EQ(domain.check, expected[i].check) << domain.name;
    EXPECT_EQ(domain.reserved1, 0) << domain.name;
    EXPECT_EQ(domain.reserved2, 0) << domain.name;
    EXPECT_EQ(db->Declarations()[i], (Declaration{Declaration::Kind::kDomain, i}));
  }
}

// --- Tables and columns ----------------------------------------------------------------------

TEST_F(OfficeSchemaTest, EveryTableHasTheColumnCountOfTheSummary) {
  auto db = DescribeAll();
  ASSERT_EQ(std::size(kSummary), 70u);
  for (const ExpectedTable& expected : kSummary) {
    const TfbTableDescription* table = db->FindTable(expected.name);
    ASSERT_NE(table, nullptr) << expected.name;
    EXPECT_EQ(table->Fields().size(), expected.columns) << expected.name;
  }
}

TEST_F(OfficeSchemaTest, ColumnTypesAreDomainsOrTheListedSqlTypes) {
  auto db = DescribeAll();
  const std::set<std::string> types = {
      "T_BIGTEXT",   "T_BOOLEAN",   "T_INTEGER",    "T_NUMBER",      "T_SMALLTEXT",
      "T_TIMESTAMP", "T_DATE",      "T_TEXT20",     "INTEGER",       "SMALLINT",
      "TIMESTAMP",   "DATE",        "BLOB",         "DECIMAL(15,4)", "VARCHAR(16)",
      "VARCHAR(30)", "VARCHAR(50)", "VARCHAR(100)", "VARCHAR(200)",  "VARCHAR(10000)"};
  for (const auto& table : db->Tables()) {
    for (const FieldDescription& field : table->Fields()) {
      EXPECT_TRUE(types.contains(field.type))
          << table->Name() << "." << field.name << " " << field.type;
    }
  }
  const auto& history = Table(*db, "PC_COSHELHISTORY");
  EXPECT_EQ(history.FindField("VAL")->type, "DECIMAL(15,4)");
  EXPECT_EQ(history.FindField("NEWVALUE")->type, "DECIMAL(15,4)");
  EXPECT_EQ(Table(*db, "TERM_COUNTERS").FindField("TERM_NUMBER")->type, "VARCHAR(30)");
  EXPECT_EQ(Table(*db, "CONFIGPARAMS").FindField("PARAMBLOB")->type, "BLOB");
}

TEST_F(OfficeSchemaTest, DefaultsAreZeroOneOrTheTwoListedExceptions) {
  auto db = DescribeAll();
  std::set<std::string> unusual;
  for (const auto& table : db->Tables()) {
    for (const FieldDescription& field : table->Fields()) {
      const std::string& text = field.default_text;
      if (text.empty() || text == "0" || text == "1") continue;
      unusual.insert(table->Name() + "." + field.name + "=" + text);
    }
  }
  EXPECT_EQ(unusual,
            (std::set<std::string>{"PC_DISCPOROG.COSHEL=-1", "CONTRAGENT.COUNTRYCODE=643"}));
  EXPECT_EQ(Table(*db, "OFFICE").FindField("AZSTYPE")->default_text, "0");
  EXPECT_EQ(Table(*db, "OFFICE").FindField("USEFORREPORTS")->default_text, "1");
  EXPECT_EQ(Table(*db, "PC_COSHELCOEFF").FindField("COEFF")->default_text, "1");
  EXPECT_EQ(Table(*db, "PC_OWNER_COSHELCOEFF").FindField("COEFF")->default_text, "");
}

TEST_F(OfficeSchemaTest, NotNullColumnsOutsideTheKeyOfReplicatedTables) {
  auto db = DescribeAll();
  std::set<std::string> found;
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    const auto& table = Table(*db, std::string(entry.table));
    for (const FieldDescription& field : table.Fields()) {
      if (field.not_null && field.name != entry.key_column) {
        found.insert(table.Name() + "." + field.name);
      }
    }
  }
  const std::set<std::string> expected = {"OFFICE.AZSTYPE",
                                          "HISTAUTENF.DATA",
                                          "KOAUTODSCPOROGS.DSC_ID",
                                          "PC_CARDAZSOPERATIONS.AZS",
                                          "PC_CARDAZSOPERATIONS.AZSNUMBER",
                                          "PC_SMPROCESSED.AZSNUMBER",
                                          "PC_SMPROCESSED.SMNUM",
                                          "PC_SMPROCESSED.BEGTIME",
                                          "PC_SMPROCESSED.ENDTIME",
                                          "PC_HOLDERHIST.CARD_ID",
                                          "PC_HOLDERHIST.BEGDATE"};
  EXPECT_EQ(found, expected);
}

TEST_F(OfficeSchemaTest, OnlyClientAndNaklAreInMixedCase) {
  auto db = DescribeAll();
  std::set<std::string> mixed;
  for (const auto& table : db->Tables()) {
    for (const FieldDescription& field : table->Fields()) {
      if (std::any_of(field.name.begin(), field.name.end(),
                      [](char c) { return c >= 'a' && c <= 'z'; })) {
        mixed.insert(table->Name() + "." + field.name);
      }
    }
  }
  EXPECT_EQ(mixed, (std::set<std::string>{"HISTAUTENF.Client", "COUPONSKLADMOVE.Nakl"}));
}

// --- Keys ------------------------------------------------------------------------------------

TEST_F(OfficeSchemaTest, EveryTableHasOneKeyNamedByTheRule) {
  auto db = DescribeAll();
  for (const auto& table : db->Tables()) {
    ASSERT_TRUE(table->PrimaryKey().has_value()) << table->Name();
    const std::string expected =
        table->Name() == "CONFIGPARAMS" ? "CONFIGPARAMS_PK" : "PK_" + table->Name();
    EXPECT_EQ(table->PrimaryKey()->name, expected);
  }
}

TEST_F(OfficeSchemaTest, KeyColumnsAreNotNullSaveTheOneDeclaredNullable) {
  auto db = DescribeAll();
  std::vector<std::string> nullable;
  for (const auto& table : db->Tables()) {
    for (const ListedColumn& column : ParseColumnList(table->PrimaryKey()->column_list)) {
      const FieldDescription* field = table->FindField(column.name);
      ASSERT_NE(field, nullptr) << table->Name() << "." << column.name;
      if (!field->not_null) nullable.push_back(table->Name() + "." + column.name);
    }
  }
  // The structure library has to make this one NOT NULL when it creates the key.
  EXPECT_EQ(nullable, std::vector<std::string>{"KO_OWNER_ORGBLACKLIST.CONTR_ID"});
}

TEST_F(OfficeSchemaTest, KeyListsKeepTheirExactTexts) {
  auto db = DescribeAll();
  EXPECT_EQ(Table(*db, "DSCCARDS").PrimaryKey()->column_list,
            "\"CARDNUM\", \"AZSNAME\", \"GSM\", \"VIDOPL\"");
  EXPECT_EQ(Table(*db, "CONFIGPARAMS").PrimaryKey()->column_list,
            "FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME");
  EXPECT_EQ(Table(*db, "KO_OWNER_ORGBLACKLIST").PrimaryKey()->column_list,
            "\"NEMITENT\",\"CONTR_ID\"");
  EXPECT_EQ(Table(*db, "PC_OWNER_DISCOUNT").PrimaryKey()->column_list, "NEMITENT,ID");
  EXPECT_EQ(Table(*db, "PC_HOLDERHIST").PrimaryKey()->column_list, "ID");
  EXPECT_EQ(Table(*db, "OFFICE").PrimaryKey()->column_list, "\"AZSNUMBER\"");
}

TEST_F(OfficeSchemaTest, CompositeKeys) {
  auto db = DescribeAll();
  const std::map<std::string, std::size_t> widths = {
      {"DSCCARDS", 4},           {"CONFIGPARAMS", 5},          {"CONTRAGENTTYPE", 3},
      {"HANDBOOK_AZS", 2},       {"KO_OWNER_ORGBLACKLIST", 2}, {"PC_OWNER_COSHELNAMES", 2},
      {"PC_OWNER_DISCOUNT", 2},  {"PC_OWNER_DISCPOROG", 2},    {"PC_OWNER_COSHELCOEFF", 2},
      {"PC_OWNER_AZSATTACH", 2}, {"PC_OWNER_ORGPARAMS", 2},    {"PC_OWNER_ALLOWCARDLIST", 3}};
  for (const auto& table : db->Tables()) {
    const auto columns = ParseColumnList(table->PrimaryKey()->column_list);
    const auto width = widths.find(table->Name());
    EXPECT_EQ(columns.size(), width == widths.end() ? 1u : width->second) << table->Name();
    const bool owner =
        table->Name().starts_with("PC_OWNER_") || table->Name().starts_with("KO_OWNER_");
    if (owner && table->Name() != "PC_OWNER_BLACKLIST") {
      EXPECT_EQ(columns.front().name, "NEMITENT") << table->Name();
    }
  }
  EXPECT_EQ(Table(*db, "PC_OWNER_BLACKLIST").PrimaryKey()->column_list, "\"CARDNUM\"");
}

// --- Indexes ---------------------------------------------------------------------------------

// The pattern every index name of a table follows, exceptions included.
std::regex IndexNamePattern(const std::string& table) {
  if (table == "PC_CARD" || table == "PC_LOGTRAN_BK" || table == "PC_LOGTRAN_DK") {
    return std::regex(table + "_INDEX[1-9][0-9]*");
  }
  if (table == "PC_AZSATTACH") return std::regex("AZSATTACH_IDX[1-9][0-9]*");
  if (table == "PC_AZSCARDATTACH") return std::regex("AZSCARDATTACH_IDX[1-9][0-9]*");
  if (table == "KOOSTATKICHANGEHISTORYVALUES") {
    return std::regex("KO_OST_CHANGE_HIST_VAL_IDX[1-9][0-9]*");
  }
  if (table == "COUPONS") return std::regex("COUPONS_(PARTIONID|NAME)");
  if (table == "HISTAUTENF") return std::regex("HISTAUTENFDT_IDX");
  return std::regex(table + "_IDX[1-9][0-9]*");
}

TEST_F(OfficeSchemaTest, IndexNamesFollowTheRulesAndTheirExceptions) {
  auto db = DescribeAll();
  std::size_t count = 0;
  for (const auto& table : db->Tables()) {
    const std::regex pattern = IndexNamePattern(table->Name());
    for (const IndexDescription& index : table->Indexes()) {
      ++count;
      EXPECT_TRUE(std::regex_match(index.name, pattern)) << table->Name() << ": " << index.name;
    }
  }
  EXPECT_EQ(count, 109u);
  const auto& coupons = Table(*db, "COUPONS");
  ASSERT_EQ(coupons.Indexes().size(), 2u);
  EXPECT_EQ(coupons.Indexes()[0].name, "COUPONS_PARTIONID");
  EXPECT_EQ(coupons.Indexes()[0].column_list, "\"PARTIONID\"");
  EXPECT_EQ(coupons.Indexes()[1].name, "COUPONS_NAME");
  EXPECT_EQ(coupons.Indexes()[1].column_list, "\"NAME\"");
  const auto& hist = Table(*db, "HISTAUTENF");
  ASSERT_EQ(hist.Indexes().size(), 1u);
  EXPECT_EQ(hist.Indexes()[0].column_list, "\"DATA\"");
}

TEST_F(OfficeSchemaTest, IndexNumbersMayBeMissing) {
  auto db = DescribeAll();
  const auto names = [&](const std::string& table) {
    std::vector<std::string> result;
    for (const auto& index : Table(*db, table).Indexes()) result.push_back(index.name);
    return result;
  };
  EXPECT_EQ(names("PC_REMOTEREDACT"),
            (std::vector<std::string>{
                "PC_REMOTEREDACT_IDX1", "PC_REMOTEREDACT_IDX2", "PC_REMOTEREDACT_IDX3",
                "PC_REMOTEREDACT_IDX4", "PC_REMOTEREDACT_IDX5", "PC_REMOTEREDACT_IDX6",
                "PC_REMOTEREDACT_IDX8", "PC_REMOTEREDACT_IDX9", "PC_REMOTEREDACT_IDX10"}));
  EXPECT_EQ(names("PC_AZSATTACH"),
            (std::vector<std::string>{"AZSATTACH_IDX1", "AZSATTACH_IDX3", "AZSATTACH_IDX4"}));
  EXPECT_EQ(names("PC_LOGTRAN_BK"),
            (std::vector<std::string>{"PC_LOGTRAN_BK_INDEX3", "PC_LOGTRAN_BK_INDEX6",
                                      "PC_LOGTRAN_BK_INDEX7", "PC_LOGTRAN_BK_INDEX8",
                                      "PC_LOGTRAN_BK_INDEX9", "PC_LOGTRAN_BK_INDEX11",
                                      "PC_LOGTRAN_BK_INDEX12", "PC_LOGTRAN_BK_INDEX13"}));
}

TEST_F(OfficeSchemaTest, KeyAndIndexNamesAreUniqueInTheDatabase) {
  auto db = DescribeAll();
  std::map<std::string, int> uses;
  for (const auto& table : db->Tables()) {
    ++uses[table->PrimaryKey()->name];
    for (const auto& index : table->Indexes()) ++uses[index.name];
  }
  for (const auto& [name, count] : uses) EXPECT_EQ(count, 1) << name;
  EXPECT_EQ(uses.size(), 70u + 109u);
}

TEST_F(OfficeSchemaTest, UniqueAndDescendingIndexes) {
  auto db = DescribeAll();
  std::set<std::string> unique, descending;
  for (const auto& table : db->Tables()) {
    for (const auto& index : table->Indexes()) {
      if (index.unique) unique.insert(index.name + " " + index.column_list);
      if (index.descending) descending.insert(index.name + " " + index.column_list);
    }
  }
  EXPECT_EQ(unique,
            (std::set<std::string>{"KOAZSGSMLIST_IDX1 \"AZSNUMBER\",\"GSMID\"",
                                   "PC_LOGTRAN_BK_INDEX6 DATA,POKUPATEL,AZSNUMBER,KODGSM,LITER",
                                   "PC_LOGTRAN_DK_INDEX6 DATA,POKUPATEL,AZSNUMBER,KODGSM,LITER"}));
  EXPECT_EQ(
      descending,
      (std::set<std::string>{
          "PC_LOGTRAN_BK_INDEX7 DATA", "PC_LOGTRAN_BK_INDEX11 AZSNUMBER,PARTNER_TRAN_ID",
          "PC_CARDAZSOPERATIONS_IDX2 DAT", "PC_CARDAZSOPERATIONS_IDX4 AZSNUMBER,PARTNER_OPER_ID",
          "PC_SMPROCESSED_IDX8 ID", "PC_LOGTRAN_DK_INDEX9 AZSNUMBER,PARTNER_TRAN_ID"}));
}

TEST_F(OfficeSchemaTest, EveryListNamesOnlyColumnsOfItsTable) {
  auto db = DescribeAll();
  for (const auto& table : db->Tables()) {
    std::vector<std::string> lists = {table->PrimaryKey()->column_list};
    for (const auto& index : table->Indexes()) lists.push_back(index.column_list);
    for (const std::string& list : lists) {
      const std::vector<ListedColumn> columns = ParseColumnList(list);
      std::set<std::string> seen;
      for (const ListedColumn& column : columns) {
        // Declared columns, in the exact case: the lists name no mixed-case column.
        const bool declared =
            std::any_of(table->Fields().begin(), table->Fields().end(),
                        [&](const FieldDescription& f) { return f.name == column.name; });
        EXPECT_TRUE(declared) << table->Name() << ": " << column.name << " in " << list;
        EXPECT_TRUE(seen.insert(column.name).second) << table->Name() << ": " << list;
      }
    }
  }
}

// --- Modification date -----------------------------------------------------------------------

TEST_F(OfficeSchemaTest, ChangeTrackingAndTriggersMatchTheSummary) {
  auto db = DescribeAll();
  std::size_t mode1 = 0, triggers = 0;
  for (const ExpectedTable& expected : kSummary) {
    const auto& table = Table(*db, expected.name);
    const FieldDescription* modify_date = table.FindField("MODIFYDATE");
    const bool tracked = table.ChangeTrackingMode() == ChangeTracking::kModifyDate;
    mode1 += tracked;
    triggers += table.Triggers().size();
    switch (expected.modify_date) {
      case kMode1:
        EXPECT_TRUE(tracked) << expected.name;
        EXPECT_EQ(modify_date, nullptr) << expected.name;
        EXPECT_TRUE(table.Triggers().empty()) << expected.name;
        break;
      case kExplicit:
        EXPECT_FALSE(tracked) << expected.name;
        ASSERT_NE(modify_date, nullptr) << expected.name;
        EXPECT_EQ(modify_date->type, "TIMESTAMP") << expected.name;
        EXPECT_FALSE(modify_date->not_null) << expected.name;
        EXPECT_EQ(modify_date->default_text, "") << expected.name;
        EXPECT_EQ(table.Triggers().size(), 1u) << expected.name;
        break;
      case kPlainColumn:
        EXPECT_FALSE(tracked) << expected.name;
        ASSERT_NE(modify_date, nullptr) << expected.name;
        EXPECT_EQ(modify_date->type, "TIMESTAMP") << expected.name;
        EXPECT_TRUE(table.Triggers().empty()) << expected.name;
        break;
      case kNone:
        EXPECT_FALSE(tracked) << expected.name;
        EXPECT_EQ(modify_date, nullptr) << expected.name;
        EXPECT_TRUE(table.Triggers().empty()) << expected.name;
        break;
    }
  }
  EXPECT_EQ(mode1, 39u);
  EXPECT_EQ(triggers, 9u);
  EXPECT_NE(Table(*db, "CONFIGPARAMS").FindField("MODIFYUSER"), nullptr);
}

TEST_F(OfficeSchemaTest, TheNineTriggersCarryTheModificationDateRule) {
  auto db = DescribeAll();
  const std::map<std::string, std::string> names = {
      {"KOOSTATKICHANGEHISTORY", "KO_OST_CHANGE_HIST_BIU10"},
      {"KOOSTATKICHANGEHISTORYVALUES", "KO_OST_CHANGE_HIST_VAL_BIU10"},
      {"PC_CARDAZSOPERATIONS", ""},
      {"PC_OWNER_DISCOUNT", "PC_OWNER_DISCOUNT_BIU10"},
      {"PC_OWNER_DISCPOROG", "PC_OWNER_DISCPOROG_BIU10"},
      {"PC_OWNER_COSHELCOEFF", "PC_OWNER_COSHELCOEFF_BIU10"},
      {"PC_OWNER_AZSATTACH", "PC_OWNER_AZSATTACH_BIU10"},
      {"PC_OWNER_ORGPARAMS", "PC_OWNER_ORGPARAMS_BIU10"},
      {"PC_OWNER_ALLOWCARDLIST", "PC_OWNER_ALLOWCARDLIST_BIU10"}};
  ASSERT_EQ(kTriggerBody.size(), 215u);
  for (const auto& [table_name, trigger_name] : names) {
    const auto& table = Table(*db, table_name);
    ASSERT_EQ(table.Triggers().size(), 1u) << table_name;
    const TriggerDescription& trigger = table.Triggers()[0];
    EXPECT_EQ(trigger.name, trigger_name);
    EXPECT_EQ(trigger.timing, TriggerTiming::kBefore) << table_name;
    EXPECT_EQ(trigger.events, 3) << table_name;
    EXPECT_EQ(trigger.position, 10) << table_name;
    EXPECT_TRUE(trigger.active) << table_name;
    EXPECT_EQ(trigger.body, kTriggerBody) << table_name;
  }
}

TEST_F(OfficeSchemaTest, SevenOfTheNineIndexTheirModificationDate) {
  auto db = DescribeAll();
  std::set<std::string> indexed;
  for (const auto& table : db->Tables()) {
    if (table->Triggers().empty()) continue;
    for (const auto& index : table->Indexes()) {
      const auto columns = ParseColumnList(index.column_list);
      if (columns.size() == 1 && columns[0].name == "MODIFYDATE") indexed.insert(table->Name());
    }
  }
  EXPECT_EQ(indexed, (std::set<std::string>{"KOOSTATKICHANGEHISTORY",
                                            "KOOSTATKICHANGEHISTORYVALUES", "PC_CARDAZSOPERATIONS",
                                            "PC_OWNER_DISCOUNT", "PC_OWNER_DISCPOROG",
                                            "PC_OWNER_COSHELCOEFF", "PC_OWNER_AZSATTACH"}));
}

// --- Generators ------------------------------------------------------------------------------

TEST_F(OfficeSchemaTest, GeneratorsAreNamedAfterTheTableTheyFollow) {
  auto db = DescribeAll();
  const std::map<std::string, std::string> exceptions = {
      {"GEN_IdLogin", "HISTAUTENF"},
      {"GEN_KOOSTATKICHANGEHISTORYVAL", "KOOSTATKICHANGEHISTORYVALUES"},
      {"GEN_PCCARDSOPERKO_ORDER", "PCCARDSOPERKO"},
      {"GEN_TERMINAL_PC_GLOBAL", "TMP_TERMINAL_PC_OPER"}};
  std::string last_table;
  std::set<std::string> with_generator;
  for (const Declaration& d : db->Declarations()) {
    if (d.kind == Declaration::Kind::kTable) last_table = db->Tables()[d.index]->Name();
    if (d.kind != Declaration::Kind::kGenerator) continue;
    const GeneratorDescription& generator = db->Generators()[d.index];
    EXPECT_EQ(generator.start_value, 0) << generator.name;
    const auto exception = exceptions.find(generator.name);
    if (exception != exceptions.end()) {
      EXPECT_EQ(last_table, exception->second) << generator.name;
    } else {
      EXPECT_TRUE(generator.name == "GEN_" + last_table ||
                  generator.name == "GEN_" + last_table + "_ID")
          << generator.name << " after " << last_table;
    }
    with_generator.insert(last_table);
  }
  EXPECT_EQ(db->Tables().size() - with_generator.size(), 27u);
  for (const char* name : {"OFFICE", "KOORGLASTDATA", "PC_EMITENTS", "TERM_COUNTERS"}) {
    EXPECT_FALSE(with_generator.contains(name)) << name;
  }
}

TEST_F(OfficeSchemaTest, TheGlobalTerminalGeneratorFollowsTheTerminalOperationsOne) {
  auto db = Describe();
  const std::vector<std::string> names = DeclarationNames(*db);
  const auto at = std::find(names.begin(), names.end(), "generator GEN_TMP_TERMINAL_PC_OPER");
  ASSERT_GE(names.end() - at, 3);
  EXPECT_EQ(*(at + 1), "generator GEN_TERMINAL_PC_GLOBAL");
  EXPECT_EQ(*(at + 2), "table TMP_TERMINAL_RR");
}

TEST_F(OfficeSchemaTest, DomainsComeBeforeEveryTable) {
  auto db = Describe();
  const auto& declarations = db->Declarations();
  const auto first_other =
      std::find_if(declarations.begin(), declarations.end(),
                   [](const Declaration& d) { return d.kind != Declaration::Kind::kDomain; });
  EXPECT_EQ(first_other - declarations.begin(), 8);
  EXPECT_TRUE(std::none_of(first_other, declarations.end(), [](const Declaration& d) {
    return d.kind == Declaration::Kind::kDomain;
  }));
  ASSERT_NE(first_other, declarations.end());
  EXPECT_EQ(first_other->kind, Declaration::Kind::kTable);
}

// --- The copy list ---------------------------------------------------------------------------

TEST_F(OfficeSchemaTest, TheCopyListHas37TablesInCopyOrder) {
  const std::vector<std::string> expected = {"OFFICE=AZSNUMBER",
                                             "CONTRAGENT=CONTR_ID",
                                             "ORGPEOPLE=ID",
                                             "PC_BLACKLIST=ID",
                                             "PC_CARD=ID",
                                             "PC_COSHEL=ID",
                                             "PC_COSHELNAMES=ID",
                                             "PC_DISCOUNT=ID",
                                             "PC_DISCPOROG=ID",
                                             "PC_EMISSION=ID",
                                             "PC_EMITENTS=NEMITENT",
                                             "PC_LOGTRAN_BK=ID",
                                             "PC_CARDSTATE=ID",
                                             "PC_REMOTEREDACT=ID",
                                             "PC_CARDAZSOPERATIONS=ID",
                                             "PC_SMPROCESSED=ID",
                                             "PC_BACKCARD=ID",
                                             "PC_AZSATTACH=ID",
                                             "PC_AZSCARDATTACH=ID",
                                             "PC_HOLDERHIST=ID",
                                             "KOGSMLIST=ID",
                                             "KOPRICECATEGORY=ID",
                                             "KOPRICECATVALUES=ID",
                                             "KOPRICEHISTORY=ID",
                                             "KOOSTATKI=ID",
                                             "KOOSTATKICHANGEHISTORY=ID",
                                             "KOOSTATKICHANGEHISTORYVALUES=ID",
                                             "KORASPREDCARD=ID",
                                             "KORASPREDCARDTYP=ID",
                                             "KORASPREDCARDVAL=ID",
                                             "KOORGBLACKLIST=ID",
                                             "KOACCOUNTS=ID",
                                             "KOORGLASTDATA=CONTR_ID",
                                             "KOAUTODSC=ID",
                                             "KOAUTODSCPOROGS=ID",
                                             "HISTAUTENF=ID",
                                             "TERM_COUNTERS=TERM_NUMBER"};
  std::vector<std::string> entries;
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    entries.push_back(std::string(entry.table) + "=" + std::string(entry.key_column));
  }
  EXPECT_EQ(entries, expected);
}

TEST_F(OfficeSchemaTest, EveryCopiedTableIsKeyedByItsCopyColumnAndHasAModificationDate) {
  auto db = DescribeAll();
  std::size_t tracked = 0, explicit_date = 0;
  for (const ReplicatedTable& entry : ReplicatedTables()) {
    const TfbTableDescription* table = db->FindTable(entry.table);
    ASSERT_NE(table, nullptr) << entry.table;
    const auto key = ParseColumnList(table->PrimaryKey()->column_list);
    ASSERT_EQ(key.size(), 1u) << entry.table;
    EXPECT_EQ(key[0].name, entry.key_column) << entry.table;
    if (table->ChangeTrackingMode() == ChangeTracking::kModifyDate) {
      ++tracked;
    } else if (table->FindField("MODIFYDATE") && table->Triggers().size() == 1) {
      ++explicit_date;
    } else {
      ADD_FAILURE() << entry.table << " has no modification date";
    }
  }
  EXPECT_EQ(tracked, 34u);
  EXPECT_EQ(explicit_date, 3u);
}

}  // namespace
}  // namespace brindle
