// The structure library's in-memory description and its reading of column lists.
#include "ostrel/database_description.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ostrel/column_list.h"

namespace brindle {
namespace {

// --- Column lists ----------------------------------------------------------------------------

std::vector<std::string> Names(const std::string& list) {
  std::vector<std::string> names;
  for (const ListedColumn& column : ParseColumnList(list)) names.push_back(column.name);
  return names;
}

TEST(ColumnListTest, AcceptsQuotedAndPlainNamesWithOrWithoutBlanks) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Names(R"("CARDNUM", "AZSNAME", "GSM", "VIDOPL")"),
            (V{"CARDNUM", "AZSNAME", "GSM", "VIDOPL"}));
  EXPECT_EQ(Names(R"("AZSNUMBER","GSMID")"), (V{"AZSNUMBER", "GSMID"}));
  EXPECT_EQ(Names("DATA,POKUPATEL,AZSNUMBER,KODGSM,LITER"),
            (V{"DATA", "POKUPATEL", "AZSNUMBER", "KODGSM", "LITER"}));
  EXPECT_EQ(Names("FILENAME, COMPUTERNAME, USERNAME, SECTIONNAME, PARAMNAME"),
            (V{"FILENAME", "COMPUTERNAME", "USERNAME", "SECTIONNAME", "PARAMNAME"}));
  EXPECT_EQ(Names("ID"), (V{"ID"}));
  EXPECT_EQ(Names("  A ,\tB  "), (V{"A", "B"}));
}

TEST(ColumnListTest, TellsQuotedNamesAndKeepsTheirText) {
  const auto columns = ParseColumnList(R"(Plain, "Mixed Case", "Say ""hi""")");
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0], (ListedColumn{"Plain", false}));
  EXPECT_EQ(columns[1], (ListedColumn{"Mixed Case", true}));
  EXPECT_EQ(columns[2], (ListedColumn{"Say \"hi\"", true}));
}

TEST(ColumnListTest, RefusesMalformedLists) {
  for (const char* list : {"", "   ", ",", "A,", ",A", "A,,B", "A B", R"("A)", R"("")", R"("A"B)",
                           R"(A"B")", R"("A" "B")"}) {
    EXPECT_THROW(ParseColumnList(list), EDescriptionError) << "[" << list << "]";
  }
}

// --- The database description ----------------------------------------------------------------

TEST(DataBaseDescriptionTest, KeepsEveryArgumentAsGiven) {
  TfbDataBaseDescription db;
  TfbDataBase& as_seen = db;  // the program reaches it only through the interface
  as_seen.SetConnection("srv", "/db/x.fdb", "pw", 30050, VariantArray{std::string("opt"), true});
  as_seen.AddDomain("T_BOOLEAN", "INTEGER", 1, 2, "VALUE IN (0,1)");
  TfbTable* table = as_seen.AddTable("T1");
  table->AddField("ID", "INTEGER", "", true);
  table->AddField("Mixed", "T_BOOLEAN", "-1", false);
  table->SetPrimaryKey("PK_T1", R"("ID")");
  table->AddIndex("T1_IDX1", true, true, "Mixed, ID");
  table->AddTrigger(TriggerTiming::kBefore, kTriggerOnInsertOrUpdate, 10, true, "", "X = 1;");
  table->SetChangeTracking(ChangeTracking::kModifyDate);
  as_seen.AddGenerator("GEN_T1", -5);

  ASSERT_TRUE(db.Connection().has_value());
  EXPECT_EQ(db.Connection()->host, "srv");
  EXPECT_EQ(db.Connection()->path, "/db/x.fdb");
  EXPECT_EQ(db.Connection()->password, "pw");
  EXPECT_EQ(db.Connection()->port, 30050);
  EXPECT_EQ(db.Connection()->parameters, (VariantArray{std::string("opt"), true}));

  ASSERT_EQ(db.Domains().size(), 1u);
  EXPECT_EQ(db.Domains()[0].type, "INTEGER");
  EXPECT_EQ(db.Domains()[0].reserved1, 1);
  EXPECT_EQ(db.Domains()[0].reserved2, 2);
  EXPECT_EQ(db.Domains()[0].check, "VALUE IN (0,1)");

  const TfbTableDescription* t1 = db.FindTable("t1");
  ASSERT_EQ(t1, table);
  ASSERT_EQ(t1->Fields().size(), 2u);
  EXPECT_EQ(t1->Fields()[1].name, "Mixed");
  EXPECT_EQ(t1->Fields()[1].type, "T_BOOLEAN");
  EXPECT_EQ(t1->Fields()[1].default_text, "-1");
  EXPECT_FALSE(t1->Fields()[1].not_null);
  EXPECT_TRUE(t1->Fields()[0].not_null);
  EXPECT_EQ(t1->FindField("MIXED"), &t1->Fields()[1]);
  EXPECT_EQ(t1->FindField("NONE"), nullptr);

  ASSERT_TRUE(t1->PrimaryKey().has_value());
  EXPECT_EQ(t1->PrimaryKey()->name, "PK_T1");
  EXPECT_EQ(t1->PrimaryKey()->column_list, R"("ID")");
  EXPECT_EQ(t1->PrimaryKey()->columns, (std::vector<ListedColumn>{{"ID", true}}));

  ASSERT_EQ(t1->Indexes().size(), 1u);
  EXPECT_TRUE(t1->Indexes()[0].unique);
  EXPECT_TRUE(t1->Indexes()[0].descending);
  EXPECT_EQ(t1->Indexes()[0].column_list, "Mixed, ID");
  EXPECT_EQ(t1->Indexes()[0].columns, (std::vector<ListedColumn>{{"Mixed", false}, {"ID", false}}));

  ASSERT_EQ(t1->Triggers().size(), 1u);
  EXPECT_EQ(t1->Triggers()[0].events, 3);
  EXPECT_EQ(t1->Triggers()[0].position, 10);
  EXPECT_EQ(t1->Triggers()[0].name, "");
  EXPECT_EQ(t1->Triggers()[0].body, "X = 1;");
  EXPECT_EQ(t1->ChangeTrackingMode(), ChangeTracking::kModifyDate);

  ASSERT_EQ(db.Generators().size(), 1u);
  EXPECT_EQ(db.Generators()[0].start_value, -5);
}

TEST(DataBaseDescriptionTest, RecordsTheOrderOfDeclarations) {
  TfbDataBaseDescription db;
  db.AddDomain("D1", "INTEGER", 0, 0, "");
  db.AddTable("A");
  db.AddGenerator("G1", 0);
  db.AddTable("B");
  db.AddDomain("D2", "INTEGER", 0, 0, "");
  db.AddGenerator("G2", 0);
  using K = Declaration::Kind;
  EXPECT_EQ(db.Declarations(), (std::vector<Declaration>{{K::kDomain, 0},
                                                         {K::kTable, 0},
                                                         {K::kGenerator, 0},
                                                         {K::kTable, 1},
                                                         {K::kDomain, 1},
                                                         {K::kGenerator, 1}}));
  EXPECT_EQ(db.Tables()[1]->Name(), "B");
  EXPECT_EQ(db.Generators()[1].name, "G2");
}

TEST(DataBaseDescriptionTest, ATableStaysValidWhileMoreAreAdded) {
  TfbDataBaseDescription db;
  TfbTable* first = db.AddTable("FIRST");
  for (int i = 0; i < 200; ++i) db.AddTable("T" + std::to_string(i));
  first->AddField("ID", "INTEGER", "", true);
  EXPECT_EQ(db.FindTable("FIRST")->Fields().size(), 1u);
  EXPECT_EQ(db.Tables().size(), 201u);
}

TEST(DataBaseDescriptionTest, RefusesNamesThatTheDatabaseCannotTake) {
  TfbDataBaseDescription db;
  const std::string longest(31, 'N');
  EXPECT_NO_THROW(db.AddTable(longest));
  EXPECT_THROW(db.AddTable(longest + "X"), EDescriptionError);
  EXPECT_THROW(db.AddTable(""), EDescriptionError);
  EXPECT_THROW(db.AddGenerator(longest + "X", 0), EDescriptionError);
  EXPECT_THROW(db.AddDomain("", "INTEGER", 0, 0, ""), EDescriptionError);
  EXPECT_THROW(db.AddDomain("D", "", 0, 0, ""), EDescriptionError);
  TfbTable* table = db.AddTable("T");
  EXPECT_THROW(table->AddField(longest + "X", "INTEGER", "", false), EDescriptionError);
  EXPECT_THROW(table->AddField("C", "", "", false), EDescriptionError);
  EXPECT_THROW(table->AddIndex(longest + "X", false, false, "C"), EDescriptionError);
  EXPECT_THROW(table->AddTrigger(TriggerTiming::kBefore, 3, 10, true, longest + "X", "X = 1;"),
               EDescriptionError);
  EXPECT_THROW(table->AddTrigger(TriggerTiming::kBefore, 0, 10, true, "", "X = 1;"),
               EDescriptionError);
  EXPECT_THROW(table->AddTrigger(TriggerTiming::kBefore, 3, 10, true, "", ""), EDescriptionError);
  EXPECT_EQ(db.Tables().size(), 2u);
  EXPECT_TRUE(db.Generators().empty());
  EXPECT_TRUE(db.Domains().empty());
  EXPECT_TRUE(db.FindTable("T")->Fields().empty());
  EXPECT_TRUE(db.FindTable("T")->Indexes().empty());
  EXPECT_TRUE(db.FindTable("T")->Triggers().empty());
  EXPECT_EQ(db.Declarations().size(), 2u);
}

TEST(DataBaseDescriptionTest, RefusesASecondDeclarationOfTheSameName) {
  TfbDataBaseDescription db;
  db.AddDomain("T_INTEGER", "INTEGER", 0, 0, "");
  EXPECT_THROW(db.AddDomain("t_integer", "INTEGER", 0, 0, ""), EDescriptionError);
  db.AddGenerator("GEN_A", 0);
  EXPECT_THROW(db.AddGenerator("GEN_A", 0), EDescriptionError);
  TfbTable* table = db.AddTable("A");
  EXPECT_THROW(db.AddTable("a"), EDescriptionError);
  table->AddField("ID", "INTEGER", "", true);
  EXPECT_THROW(table->AddField("Id", "INTEGER", "", true), EDescriptionError);
  table->SetPrimaryKey("PK_A", "ID");
  EXPECT_THROW(table->SetPrimaryKey("PK_A2", "ID"), EDescriptionError);
  EXPECT_THROW(table->AddIndex("PK_A", false, false, "ID"), EDescriptionError);
  table->AddIndex("A_IDX1", false, false, "ID");
  EXPECT_THROW(table->AddIndex("A_IDX1", true, false, "ID"), EDescriptionError);
  table->AddTrigger(TriggerTiming::kBefore, 3, 10, true, "A_BIU10", "X = 1;");
  EXPECT_THROW(table->AddTrigger(TriggerTiming::kBefore, 3, 10, true, "A_BIU10", "X = 1;"),
               EDescriptionError);
  // Unnamed triggers are named by the library, so two of them do not clash.
  table->AddTrigger(TriggerTiming::kBefore, 3, 10, true, "", "X = 1;");
  table->AddTrigger(TriggerTiming::kBefore, 3, 20, true, "", "X = 2;");

  const TfbTableDescription* a = db.FindTable("A");
  EXPECT_EQ(db.Domains().size(), 1u);
  EXPECT_EQ(db.Generators().size(), 1u);
  EXPECT_EQ(db.Tables().size(), 1u);
  EXPECT_EQ(a->Fields().size(), 1u);
  EXPECT_EQ(a->PrimaryKey()->name, "PK_A");
  EXPECT_EQ(a->Indexes().size(), 1u);
  EXPECT_FALSE(a->Indexes()[0].unique);
  EXPECT_EQ(a->Triggers().size(), 3u);
}

TEST(DataBaseDescriptionTest, RefusesAKeyOrIndexWithAMalformedList) {
  TfbDataBaseDescription db;
  TfbTable* table = db.AddTable("A");
  EXPECT_THROW(table->SetPrimaryKey("PK_A", ""), EDescriptionError);
  EXPECT_THROW(table->AddIndex("A_IDX1", false, false, R"("ID)"), EDescriptionError);
  EXPECT_FALSE(db.FindTable("A")->PrimaryKey().has_value());
  EXPECT_TRUE(db.FindTable("A")->Indexes().empty());
  table->SetPrimaryKey("PK_A", "ID");
  EXPECT_EQ(db.FindTable("A")->PrimaryKey()->name, "PK_A");
}

}  // namespace
}  // namespace brindle
