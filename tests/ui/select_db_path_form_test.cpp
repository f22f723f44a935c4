// The database path dialog as a window on the offscreen platform: its controls, how it shows
// and returns a connection string, the presets, the file dialog, and its remembered place.
#include "ui/select_db_path_form.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <cstdlib>
#include <filesystem>

#include "settings/copy_settings.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_fyrn.h"
#include "tests/ui/ui_test_support.h"
#include "ui/window_placement.h"

namespace brindle {
namespace {

using testing::AnsweredBoxes;
using testing::OnNextModal;
using testing::TempDir;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

void ExpectBlue(const QLabel* label) {
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 255))
      << label->objectName().toStdString();
  EXPECT_TRUE(label->wordWrap());
  EXPECT_EQ(label->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
}

class SelectOfDBPathFormTest : public ::testing::Test {
 protected:
  TempDir dir;
  AnsweredBoxes boxes;
};

TEST_F(SelectOfDBPathFormTest, HasItsControls) {
  TSelectOfDBPathForm form;
  EXPECT_EQ(form.windowTitle(), "Настройка пути к БД");
  EXPECT_EQ(form.size(), QSize(396, 261));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "a fixed dialog border";
  EXPECT_EQ(form.font().family(), "MS Sans Serif");
  EXPECT_EQ(form.font().pixelSize(), 11);

  struct Expected {
    QWidget* widget;
    const char* name;
  };
  for (const Expected& e : std::initializer_list<Expected>{{form.GroupBox2, "GroupBox2"},
                                                           {form.Label6, "Label6"},
                                                           {form.edServer, "edServer"},
                                                           {form.Label5, "Label5"},
                                                           {form.sePort, "sePort"},
                                                           {form.Label1, "Label1"},
                                                           {form.edFileName, "edFileName"},
                                                           {form.sbSelectPath, "sbSelectPath"},
                                                           {form.Label2, "Label2"},
                                                           {form.Label3, "Label3"},
                                                           {form.edPass, "edPass"},
                                                           {form.Label4, "Label4"},
                                                           {form.bTEST, "bTEST"},
                                                           {form.bOK, "bOK"},
                                                           {form.tMasButtonRED1, "tMasButtonRED1"},
                                                           {form.OpenDialog1, "OpenDialog1"},
                                                           {form.PopupMenu1, "PopupMenu1"}}) {
    EXPECT_EQ(form.findChild<QWidget*>(e.name), e.widget) << e.name;
  }
  EXPECT_EQ(form.GroupBox2->title(), "Параметры подключения");
  EXPECT_EQ(form.Label6->text(), "Имя сервера:");
  EXPECT_EQ(form.Label6->parentWidget(), form.GroupBox2);
  EXPECT_EQ(form.edServer->text(), "ServerName");
  EXPECT_TRUE(form.edServer->font().bold());
  EXPECT_EQ(form.Label5->text(), "Порт:");
  EXPECT_EQ(form.sePort->value(), 0);
  EXPECT_EQ(form.sePort->parentWidget(), form.GroupBox2);
  EXPECT_EQ(form.Label1->text(), "Укажите либо выберите путь к БД");
  EXPECT_EQ(form.edFileName->text(), "edFileName");
  EXPECT_TRUE(form.edFileName->font().bold());
  EXPECT_EQ(form.sbSelectPath->text(), "Выбрать");
  EXPECT_EQ(form.Label2->text(),
            "Внимание! Строка подключения чувствительна к регистру! Различайте маленькие и "
            "большие буквы при заполнении пути к базе данных");
  ExpectBlue(form.Label2);
  EXPECT_EQ(form.Label3->text(), "Пароль для доступа к БД");
  EXPECT_EQ(form.edPass->text(), "edPass");
  EXPECT_EQ(form.edPass->echoMode(), QLineEdit::Password);
  EXPECT_EQ(
      form.edPass->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, form.edPass),
      '#');
  EXPECT_EQ(form.Label4->text(),
            "Внимание! Не меняйте пароль самостоятельно! Проконсультируйтесь с разработчиком!");
  ExpectBlue(form.Label4);
  EXPECT_EQ(form.bTEST->text(), "Тест");
  EXPECT_EQ(form.bOK->text(), "Применить");
  EXPECT_EQ(form.tMasButtonRED1->text(), "Отменить");

  EXPECT_EQ(form.OpenDialog1->fileMode(), QFileDialog::ExistingFile);
  EXPECT_TRUE(form.OpenDialog1->isSizeGripEnabled());
  EXPECT_EQ(form.sbSelectPath->contextMenuPolicy(), Qt::CustomContextMenu);
  ASSERT_EQ(form.PopupMenu1->actions().size(), 2);
  EXPECT_EQ(form.PopupMenu1->actions()[0], form.L1);
  EXPECT_EQ(form.L1->objectName(), "L1");
  EXPECT_EQ(form.L1->text(), "L");
  EXPECT_EQ(form.PopupMenu1->actions()[1], form.K1);
  EXPECT_EQ(form.K1->objectName(), "K1");
  EXPECT_EQ(form.K1->text(), "K");
}

TEST_F(SelectOfDBPathFormTest, ShowsTheConnectionStringAndClearsModifiedLast) {
  TSelectOfDBPathForm form;
  const std::string long_path = "/data/" + std::string(150, 'd') + "/office.fdb";
  form.Editor.ConnStr = "localhost:" + long_path;
  form.Editor.Password = "secret";
  form.Editor.Modified = true;
  form.FormShow();
  EXPECT_EQ(form.edServer->text(), "localhost");
  EXPECT_EQ(form.sePort->value(), 30050);
  EXPECT_EQ(form.edFileName->text(), Q(long_path));
  EXPECT_EQ(form.edPass->text(), "secret");
  EXPECT_FALSE(form.Editor.Modified);
}

TEST_F(SelectOfDBPathFormTest, EveryFieldEditSetsModified) {
  TSelectOfDBPathForm form;
  form.Editor.ConnStr = "srv/3050:/data/office.fdb";
  form.FormShow();
  const std::vector<std::function<void()>> edits = {
      [&] { form.edServer->setText("other"); }, [&] { form.sePort->setValue(3051); },
      [&] { form.edFileName->setText("/data/x.fdb"); }, [&] { form.edPass->setText("pw"); }};
  for (std::size_t i = 0; i < edits.size(); ++i) {
    SCOPED_TRACE(i);
    form.Editor.Modified = false;
    edits[i]();
    EXPECT_TRUE(form.Editor.Modified);
  }
}

TEST_F(SelectOfDBPathFormTest, PresetsSetServerAndPathButNotThePort) {
  TSelectOfDBPathForm form;
  form.Editor.ConnStr = "srv/3051:/data/office.fdb";
  form.FormShow();
  form.L1->trigger();
  EXPECT_EQ(form.edServer->text(), Q(LocalWorkingCopyPreset().Server));
  EXPECT_EQ(form.edFileName->text(), Q(LocalWorkingCopyPreset().FileName));
  EXPECT_EQ(form.sePort->value(), 3051);
  EXPECT_TRUE(form.Editor.Modified);

  form.FormShow();
  form.K1->trigger();
  EXPECT_EQ(form.edServer->text(), Q(HeadOfficePreset().Server));
  EXPECT_EQ(form.edFileName->text(), Q(HeadOfficePreset().FileName));
  EXPECT_EQ(form.sePort->value(), 3051);
  EXPECT_TRUE(form.Editor.Modified);
}

TEST_F(SelectOfDBPathFormTest, TheFileDialogStartsInTheTypedFolderAndTakesThePick) {
  std::filesystem::create_directories(dir / "dbs");
  const std::string picked = dir / "dbs/picked.fdb";
  testing::WriteFile(picked, "x");
  TSelectOfDBPathForm form;
  form.edFileName->setText(Q(dir / "dbs/old.fdb"));
  QString start_folder;
  OnNextModal(
      [&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        start_folder = dialog->directory().absolutePath();
        // As the operator types the name into the dialog's file name field.
        auto* file_name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(file_name, nullptr);
        file_name->setText("picked.fdb");
        EXPECT_EQ(dialog->selectedFiles(), QStringList{Q(picked)});
        static_cast<QDialog*>(dialog)->accept();
      },
      &form);
  form.sbSelectPath->click();
  EXPECT_EQ(start_folder.toStdString() + "/", dir / "dbs/");
  EXPECT_EQ(form.edFileName->text(), Q(picked));
  EXPECT_TRUE(form.Editor.Modified);

  OnNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); }, &form);
  form.sbSelectPath->click();
  EXPECT_EQ(form.edFileName->text(), Q(picked)) << "a cancelled pick changes nothing";
}

TEST_F(SelectOfDBPathFormTest, CancelLeavesTheCallersValues) {
  std::string conn_str = "srv/3050:/data/office.fdb";
  std::string password = "pw";
  OnNextModal([](QWidget* modal) {
    auto* form = qobject_cast<TSelectOfDBPathForm*>(modal);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->Editor.CheckOfficeDB);
    EXPECT_FALSE(form->Editor.IsWorkingDB);
    form->edServer->setText("other");
    form->tMasButtonRED1->click();
  });
  EXPECT_FALSE(SelectDBPath(testing::TestFyrn(), conn_str, password, false));
  EXPECT_EQ(conn_str, "srv/3050:/data/office.fdb");
  EXPECT_EQ(password, "pw");
}

TEST_F(SelectOfDBPathFormTest, AcceptingUnchangedKeepsPortAndWholePath) {
  const std::string long_path = dir / (std::string(110, 'c') + ".fdb");
  std::string conn_str = "localhost:" + long_path;
  std::string password = "pw";
  OnNextModal([](QWidget* modal) { qobject_cast<TSelectOfDBPathForm*>(modal)->bOK->click(); });
  EXPECT_TRUE(SelectDBPath(testing::TestFyrn(), conn_str, password, false));
  EXPECT_EQ(conn_str, "localhost/30050:" + long_path);
  EXPECT_EQ(password, "pw");
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(SelectOfDBPathFormTest, AnEditedWorkingDatabaseAnsweredNoIsAccepted) {
  const std::string file = dir / "office.fdb";
  testing::WriteFile(file, "x");
  std::string conn_str = "localhost/30050:/nowhere/old.fdb";
  std::string password = "old";
  boxes.Answer(MessageResult::kNo);
  OnNextModal([&](QWidget* modal) {
    auto* form = qobject_cast<TSelectOfDBPathForm*>(modal);
    EXPECT_TRUE(form->Editor.IsWorkingDB);
    form->edFileName->setText(Q(file));
    form->edPass->setText("new");
    form->bOK->click();
  });
  EXPECT_TRUE(SelectDBPath(testing::TestFyrn(), conn_str, password, true));
  EXPECT_EQ(conn_str, "localhost/30050:" + file);
  EXPECT_EQ(password, "new");
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"ТЕСТИРОВАТЬ ПОДКЛЮЧЕНИЕ К БАЗЕ ДАННЫХ?"});
}

TEST_F(SelectOfDBPathFormTest, ARefusedFieldKeepsTheDialogOpen) {
  std::string conn_str = "srv/3050:/data/office.fdb";
  std::string password = "pw";
  bool still_open = false;
  OnNextModal([&](QWidget* modal) {
    auto* form = qobject_cast<TSelectOfDBPathForm*>(modal);
    form->edFileName->setText("/x.fd");
    form->bOK->click();
    still_open = form->isVisible();
    form->tMasButtonRED1->click();
  });
  EXPECT_FALSE(SelectDBPath(testing::TestFyrn(), conn_str, password, false));
  EXPECT_TRUE(still_open);
  EXPECT_EQ(boxes.Shown(), std::vector<MessageBoxRequest>{
                               testing::ErrorBox("Слишком короткое имя файла базы данных!")});
}

TEST_F(SelectOfDBPathFormTest, APortThatIsNoIntegerRaisesBeforeTheDialogShows) {
  std::string conn_str = "srv/30o50:/data/office.fdb";
  std::string password = "pw";
  EXPECT_THROW(SelectDBPath(testing::TestFyrn(), conn_str, password, false), EConvertError);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(SelectOfDBPathFormTest, TheDialogReturnsToItsLastPlace) {
  std::string conn_str = "srv/3050:/data/office.fdb";
  std::string password = "pw";
  QPoint first_place;
  OnNextModal([&](QWidget* modal) {
    first_place = modal->pos();
    modal->move(37, 41);
    qobject_cast<TSelectOfDBPathForm*>(modal)->tMasButtonRED1->click();
  });
  SelectDBPath(testing::TestFyrn(), conn_str, password, false);
  // The first time it opens centred on the screen.
  const QRect screen = QApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(std::abs(first_place.x() + 396 / 2 - screen.center().x()), 1);
  EXPECT_LE(std::abs(first_place.y() + 261 / 2 - screen.center().y()), 1);
  const auto stored = LoadWindowPosition(TSelectOfDBPathForm::kPlacementName);
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(*stored, (TWindowPosition{37, 41}));

  QPoint second_place;
  OnNextModal([&](QWidget* modal) {
    second_place = modal->pos();
    qobject_cast<TSelectOfDBPathForm*>(modal)->tMasButtonRED1->click();
  });
  SelectDBPath(testing::TestFyrn(), conn_str, password, false);
  EXPECT_EQ(second_place, QPoint(37, 41));
}

TEST_F(SelectOfDBPathFormTest, APlaceOffEveryScreenIsNotUsed) {
  SaveWindowPosition(TSelectOfDBPathForm::kPlacementName, {5000, 5000});
  std::string conn_str = "srv/3050:/data/office.fdb";
  std::string password = "pw";
  QPoint place;
  OnNextModal([&](QWidget* modal) {
    place = modal->pos();
    qobject_cast<TSelectOfDBPathForm*>(modal)->tMasButtonRED1->click();
  });
  SelectDBPath(testing::TestFyrn(), conn_str, password, false);
  EXPECT_TRUE(QApplication::primaryScreen()->availableGeometry().contains(place));
}

// The test button against the test server: the outcome box, and Modified after it.
TEST_F(SelectOfDBPathFormTest, TheTestButtonReportsTheOutcome) {
  testing::TestDatabase database;
  testing::MakeOfficeTables(database, 12);
  TSelectOfDBPathForm form;
  form.Editor.Binding = &testing::TestFyrn();
  form.Editor.ConnStr = database.ConnectionString();
  form.Editor.Password = "wrong";
  form.Editor.CheckOfficeDB = true;
  form.FormShow();
  form.bTEST->click();
  form.edPass->setText(Q(testing::TestDatabase::Password()));
  form.bTEST->click();
  ASSERT_EQ(boxes.Shown().size(), 2u);
  EXPECT_EQ(boxes.Shown()[0].text.rfind("Невозможно установить подключение: ", 0), 0u);
  EXPECT_EQ(boxes.Shown()[1].text, "Подключение прошло успешно");
  EXPECT_FALSE(form.Editor.Modified);
}

}  // namespace
}  // namespace brindle
