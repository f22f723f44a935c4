// The database path dialog's rules without its window: splitting a connection string into the
// fields and building it again with every check, and the connection test and accept flows
// against real databases on the test server.
#include "ui/db_path_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "dbaccess/fyrn.h"
#include "platform/suite_root.h"
#include "settings/copy_settings.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_fyrn.h"
#include "tests/ui/ui_test_support.h"

namespace brindle {
namespace {

using testing::AnsweredBoxes;
using testing::ErrorBox;
using testing::TempDir;
using testing::TestDatabase;

const char kNetworkPath[] =
    "Имя файла базы данных должно быть задано относительно того компьютера, на котором "
    "расположена база данных. Сетевой путь к файлу БД не допускается!";

std::string BuildError(const TDBPathFields& fields, bool is_working_db) {
  try {
    BuildDBConnStr(fields, is_working_db);
  } catch (const EDBPathError& e) {
    return e.Message();
  }
  return "";
}

TDBPathFields Fields(std::string server, std::int32_t port, std::string file_name,
                     std::string password = "rivetcode") {
  return {std::move(server), port, std::move(file_name), std::move(password)};
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

TEST(DBPathSplit, TakesHostPortAndPath) {
  const TDBPathFields fields = SplitDBConnStr("srv/3051:/data/office.fdb", "pw");
  EXPECT_EQ(fields.Server, "srv");
  EXPECT_EQ(fields.Port, 3051);
  EXPECT_EQ(fields.FileName, "/data/office.fdb");
  EXPECT_EQ(fields.Password, "pw");
}

TEST(DBPathSplit, WithoutPortShowsThePortConnectionsUse) {
  for (const char* conn_str :
       {"localhost:C:\\ZEMT\\OfficeDB\\OFFICE.FDB", "localhost:/opt/zemt/OfficeDB/OFFICE.FDB"}) {
    SCOPED_TRACE(conn_str);
    const TDBPathFields fields = SplitDBConnStr(conn_str, "");
    EXPECT_EQ(fields.Server, "localhost");
    EXPECT_EQ(fields.Port, 30050);
    EXPECT_EQ(fields.FileName, std::string(conn_str).substr(10));
  }
}

TEST(DBPathSplit, KeepsTheWholePath) {
  const std::string long_path = "/data/" + std::string(300, 'x') + ".fdb";
  EXPECT_EQ(SplitDBConnStr("srv/3050:" + long_path, "").FileName, long_path);
}

TEST(DBPathSplit, WithoutColonTheWholeTextIsThePath) {
  const TDBPathFields fields = SplitDBConnStr("office.fdb", "");
  EXPECT_EQ(fields.Server, "");
  EXPECT_EQ(fields.Port, 30050);
  EXPECT_EQ(fields.FileName, "office.fdb");
}

TEST(DBPathSplit, APortThatIsNoIntegerRaises) {
  EXPECT_THROW(SplitDBConnStr("srv/abc:/data/x.fdb", ""), EConvertError);
  EXPECT_THROW(SplitDBConnStr("srv/:/data/x.fdb", ""), EConvertError);
}

TEST(DBPathBuild, JoinsTheFieldsWithoutSurroundingBlanks) {
  EXPECT_EQ(BuildDBConnStr(Fields("srv", 3051, "  /data/x.fdb "), true), "srv/3051:/data/x.fdb");
  EXPECT_EQ(BuildDBConnStr(Fields(" srv ", 3050, "/data/x.fdb"), true), "srv/3050:/data/x.fdb");
}

TEST(DBPathBuild, ChecksInOrder) {
  EXPECT_EQ(BuildError(Fields("   ", 3050, "//srv/x"), true),
            "Не задано имя компьютера, на котором расположена база данных");
  EXPECT_EQ(BuildError(Fields("srv", 3050, "\\\\srv\\share\\office.fdb"), true), kNetworkPath);
  EXPECT_EQ(BuildError(Fields("srv", 3050, "/data//office.fdb"), true), kNetworkPath);
  EXPECT_EQ(BuildError(Fields("srv", 3050, " /a/bc "), true),
            "Слишком короткое имя файла базы данных!");
  EXPECT_EQ(BuildDBConnStr(Fields("srv", 3050, "/a/bcd"), true), "srv/3050:/a/bcd");
  EXPECT_EQ(BuildError(Fields("srv", 3050, "/" + std::string(260, 'a')), false),
            "Имя файла базы данных длиннее 260 символов!");
}

TEST(DBPathBuild, AWorkingDatabaseOnThisComputerMustExistHere) {
  TempDir dir;
  const std::string missing = dir / "missing.fdb";
  const std::string present = dir / "present.fdb";
  testing::WriteFile(present, "x");
  const std::string refused = "Файл [" + missing + "] не найден на этом компьютере!";
  for (const std::string& server :
       {std::string("localhost"), std::string("LOCALHOST"), std::string("127.0.0.1"),
        ComputerName(), Upper(ComputerName())}) {
    SCOPED_TRACE(server);
    EXPECT_EQ(BuildError(Fields(server, 3050, missing), true), refused);
    EXPECT_EQ(BuildDBConnStr(Fields(server, 3050, present), true), server + "/3050:" + present);
  }
  // A folder is no database file.
  EXPECT_EQ(BuildError(Fields("localhost", 3050, dir.Path() + "."), true),
            "Файл [" + dir.Path() + ".] не найден на этом компьютере!");
}

TEST(DBPathBuild, TheCopyAndRemoteServersNeedNoLocalFile) {
  TempDir dir;
  const std::string missing = dir / "missing.fdb";
  EXPECT_EQ(BuildDBConnStr(Fields("localhost", 3050, missing), false), "localhost/3050:" + missing);
  EXPECT_EQ(BuildDBConnStr(Fields("remote-office", 3050, missing), true),
            "remote-office/3050:" + missing);
}

TEST(DBPathBuild, AcceptingUnchangedFieldsKeepsTheConnectionString) {
  TempDir dir;
  const std::string long_path = dir / (std::string(120, 'p') + ".fdb");
  testing::WriteFile(long_path, "x");
  for (const std::string& conn_str :
       {DefaultOfficeDBConnStr(), "localhost/30050:" + long_path, "remote/3050:" + long_path}) {
    SCOPED_TRACE(conn_str);
    EXPECT_EQ(BuildDBConnStr(SplitDBConnStr(conn_str, ""), false), conn_str);
  }
  EXPECT_EQ(BuildDBConnStr(SplitDBConnStr("localhost:" + long_path, ""), true),
            "localhost/30050:" + long_path);
}

TEST(DBPathPresets, NameTheLocalAndTheHeadOfficeDatabase) {
  TempDir dir;
  EXPECT_EQ(LocalWorkingCopyPreset().Server, "localhost");
  EXPECT_EQ(LocalWorkingCopyPreset().FileName, SuitePath("Ofc/OFFICE_w.FDB"));
  EXPECT_FALSE(HeadOfficePreset().Server.empty());
  EXPECT_NE(HeadOfficePreset().Server, "localhost");
  EXPECT_EQ(HeadOfficePreset().FileName, SuitePath("OfficeDB/OFFICE.FDB"));
}

TEST(DBPathBrowse, StartsInTheTypedPathsFolderWhenItExists) {
  TempDir dir;
  EXPECT_EQ(BrowseStartFolder(dir / "office.fdb"), dir.Path());
  EXPECT_EQ(BrowseStartFolder(dir / "nowhere/office.fdb"), "");
  EXPECT_EQ(BrowseStartFolder("office.fdb"), "");
}

// The connection test and the accept flow against the test server.
class DBPathEditorTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::TestFyrn(); }

  TDBPathFields FieldsOf(const TestDatabase& database, std::string password = "rivetcode") {
    return Fields(TestDatabase::Host(), TestDatabase::Port(), database.Path(), std::move(password));
  }

  static std::string Failure(const std::string& why) {
    return "Невозможно установить подключение: " + why;
  }

  static MessageBoxRequest Success() {
    return {"", "Подключение прошло успешно", MessageIcon::kInformation, MessageButtons::kOk};
  }

  static MessageBoxRequest FailureBox(const std::string& why) {
    return {"Внимание!", Failure(why), MessageIcon::kError, MessageButtons::kOk};
  }

  static MessageBoxRequest Question() {
    return {"Внимание!", "ТЕСТИРОВАТЬ ПОДКЛЮЧЕНИЕ К БАЗЕ ДАННЫХ?", MessageIcon::kQuestion,
            MessageButtons::kYesNoCancel};
  }

  TDBPathEditor WorkingEditor() {
    TDBPathEditor editor;
    editor.Binding = &testing::TestFyrn();
    editor.CheckOfficeDB = true;
    editor.IsWorkingDB = true;
    editor.Modified = true;
    return editor;
  }

  AnsweredBoxes boxes;
};

TEST_F(DBPathEditorTest, ACurrentOfficeDatabasePassesTheTest) {
  TestDatabase database;
  testing::MakeOfficeTables(database, 12);
  TDBPathEditor editor = WorkingEditor();
  EXPECT_TRUE(editor.TestConnection(FieldsOf(database)));
  EXPECT_FALSE(editor.Modified);
  EXPECT_EQ(boxes.Shown(), std::vector<MessageBoxRequest>{Success()});
}

TEST_F(DBPathEditorTest, AnOlderStructureFailsTheTest) {
  TestDatabase database;
  testing::MakeOfficeTables(database, 11);
  TDBPathEditor editor = WorkingEditor();
  EXPECT_FALSE(editor.TestConnection(FieldsOf(database)));
  EXPECT_TRUE(editor.Modified);
  EXPECT_EQ(boxes.Shown(),
            std::vector<MessageBoxRequest>{FailureBox(
                "Версия структуры базы данных КОРТА-ОФИСА слишком старая! Требуется версия 12, "
                "сейчас версия 11. Возможны ошибки при работе с базой данных")});
}

TEST_F(DBPathEditorTest, AStructureWithoutVersionCountsAsVersionZero) {
  TestDatabase database;
  testing::MakeOfficeTables(database, std::nullopt);
  TDBPathEditor editor = WorkingEditor();
  EXPECT_FALSE(editor.TestConnection(FieldsOf(database)));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{
                               Failure("Версия структуры базы данных КОРТА-ОФИСА слишком старая! "
                                       "Требуется версия 12, сейчас версия 0. Возможны ошибки при "
                                       "работе с базой данных")});
}

TEST_F(DBPathEditorTest, TheOfficeTablesAreRequired) {
  TestDatabase no_office;
  testing::MakeOfficeTables(no_office, 12, /*with_office=*/false);
  TestDatabase no_config;
  testing::MakeOfficeTables(no_config, std::nullopt, /*with_office=*/true,
                            /*with_config=*/false);
  TDBPathEditor editor = WorkingEditor();
  EXPECT_FALSE(editor.TestConnection(FieldsOf(no_office)));
  EXPECT_FALSE(editor.TestConnection(FieldsOf(no_config)));
  EXPECT_EQ(boxes.Texts(),
            (std::vector<std::string>{Failure("Выбранная БД не является базой данных КОРТА-ОФИСа!"),
                                      Failure("Выбранная БД не содержит таблицу CONFIGPARAMS!")}));
}

TEST_F(DBPathEditorTest, WithoutOfficeCheckAnyDatabaseThatOpensPasses) {
  TestDatabase database;
  TDBPathEditor editor = WorkingEditor();
  editor.CheckOfficeDB = false;
  EXPECT_TRUE(editor.TestConnection(FieldsOf(database)));
  EXPECT_EQ(boxes.Shown(), std::vector<MessageBoxRequest>{Success()});
}

TEST_F(DBPathEditorTest, AWrongPasswordFailsWithTheServersText) {
  TestDatabase database;
  testing::MakeOfficeTables(database, 12);
  TDBPathEditor editor = WorkingEditor();
  EXPECT_FALSE(editor.TestConnection(FieldsOf(database, "wrong")));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  const MessageBoxRequest box = boxes.Shown()[0];
  EXPECT_EQ(box.caption, "Внимание!");
  EXPECT_EQ(box.icon, MessageIcon::kError);
  EXPECT_EQ(box.text.rfind(Failure(""), 0), 0u) << box.text;
  EXPECT_NE(box.text.find("password"), std::string::npos) << box.text;
  EXPECT_TRUE(editor.Modified);
}

TEST_F(DBPathEditorTest, AFieldCheckFailsTheTestToo) {
  TDBPathEditor editor = WorkingEditor();
  EXPECT_FALSE(editor.TestConnection(Fields(" ", 3050, "/data/x.fdb")));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{Failure(
                               "Не задано имя компьютера, на котором расположена база данных")});
}

TEST_F(DBPathEditorTest, AcceptingAnEditedWorkingDatabaseAsksForATest) {
  TestDatabase database;
  testing::MakeOfficeTables(database, 12);
  const std::string conn_str = database.ConnectionString();

  {
    SCOPED_TRACE("Cancel: stays open without a test");
    TDBPathEditor editor = WorkingEditor();
    boxes.Answer(MessageResult::kCancel);
    EXPECT_FALSE(editor.Accept(FieldsOf(database)));
    EXPECT_EQ(boxes.Shown(), std::vector<MessageBoxRequest>{Question()});
    EXPECT_EQ(editor.ConnStr, conn_str);  // stored even though the dialog stays open
  }
  boxes.Clear();
  {
    SCOPED_TRACE("No: accepted without a test");
    TDBPathEditor editor = WorkingEditor();
    boxes.Answer(MessageResult::kNo);
    EXPECT_TRUE(editor.Accept(FieldsOf(database, "other")));
    EXPECT_EQ(boxes.Shown(), std::vector<MessageBoxRequest>{Question()});
    EXPECT_EQ(editor.ConnStr, conn_str);
    EXPECT_EQ(editor.Password, "other");
  }
  boxes.Clear();
  {
    SCOPED_TRACE("Yes with a wrong password: the failure, and the dialog stays open");
    TDBPathEditor editor = WorkingEditor();
    boxes.Answer(MessageResult::kYes);
    EXPECT_FALSE(editor.Accept(FieldsOf(database, "wrong")));
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0], Question());
    EXPECT_EQ(boxes.Shown()[1].text.rfind(Failure(""), 0), 0u);
    EXPECT_TRUE(editor.Modified);
  }
  boxes.Clear();
  {
    SCOPED_TRACE("Yes with a good database: tested and accepted");
    TDBPathEditor editor = WorkingEditor();
    boxes.Answer(MessageResult::kYes);
    EXPECT_TRUE(editor.Accept(FieldsOf(database)));
    EXPECT_EQ(boxes.Shown(), (std::vector<MessageBoxRequest>{Question(), Success()}));
    EXPECT_FALSE(editor.Modified);
  }
}

TEST_F(DBPathEditorTest, OnlyAnEditedWorkingDatabaseIsOfferedTheTest) {
  TempDir dir;
  const std::string missing = dir / "copy.fdb";
  TDBPathEditor copy;
  copy.CheckOfficeDB = true;
  copy.Modified = true;
  EXPECT_TRUE(copy.Accept(Fields("localhost", 30050, missing)));
  EXPECT_EQ(copy.ConnStr, "localhost/30050:" + missing);

  TDBPathEditor unedited = WorkingEditor();
  unedited.Modified = false;
  EXPECT_TRUE(unedited.Accept(Fields("remote", 30050, missing)));
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(DBPathEditorTest, ARefusedFieldIsShownAndKeepsTheDialogOpen) {
  TDBPathEditor editor = WorkingEditor();
  editor.ConnStr = "before";
  EXPECT_FALSE(editor.Accept(Fields("srv", 3050, "/x")));
  EXPECT_EQ(boxes.Shown(),
            std::vector<MessageBoxRequest>{ErrorBox("Слишком короткое имя файла базы данных!")});
  EXPECT_EQ(editor.ConnStr, "before");
}

}  // namespace
}  // namespace brindle
