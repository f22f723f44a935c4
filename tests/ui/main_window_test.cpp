// The main window on the offscreen platform: its controls, the display states the copy
// thread's published fields lead to, the checks before copying starts (against real databases
// on the test server), the autostart, the settings it stores, closing during a pass, and the
// check and repair of the copy between passes.
#include "ui/main_window.h"
#include "ui/tables_dialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <filesystem>
#include <optional>
#include <thread>

#include "dbaccess/fyrn.h"
#include "dbaccess/office_db_verification.h"
#include "infra/program_log.h"
#include "platform/suite_root.h"
#include "platform/text_forms.h"
#include "replication/copy_pass.h"
#include "replication/copy_record.h"
#include "schema/replicated_tables.h"
#include "settings/copy_settings.h"
#include "settings/password_scrambler.h"
#include "startup/program_module.h"
#include "tests/support/office_databases.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_fyrn.h"
#include "tests/ui/ui_test_support.h"
#include "ui/copy_control.h"
#include "ui/select_db_path_form.h"
#include "ui/widget_names.h"

namespace brindle {
namespace {

using namespace std::chrono_literals;
using testing::AnsweredBoxes;
using testing::ErrorBox;
using testing::HeldPass;
using testing::OnNextModal;
using testing::TempDir;
using testing::TestDatabase;

QColor Rgb(const TRgb& c) {
  return QColor(c.Red, c.Green, c.Blue);
}
QColor TextColor(const QWidget* w) {
  return w->palette().color(QPalette::WindowText);
}

std::string SettingsText() {
  return testing::ReadFile(SettingsFileName("Brindle"));
}

// Qt's default locale for one test; the window's dates must not follow it.
class DefaultLocale {
 public:
  explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
  ~DefaultLocale() { QLocale::setDefault(QLocale::system()); }
};

using Cells = std::vector<std::string>;
// The dialog's columns.
enum Column { kTable, kCompleteAsOf, kLag, kVerifiedAsOf, kRows, kChecked, kColumns };

// The cells of the dialog's row of a table; none when it has no row.
Cells RowOf(const TTablesDialog& dialog, const std::string& table) {
  const QTableWidget* grid = dialog.gridTables;
  for (int row = 0; row < grid->rowCount(); ++row) {
    if (grid->item(row, 0)->text().toStdString() != table) continue;
    Cells cells;
    for (int column = 0; column < grid->columnCount(); ++column) {
      cells.push_back(grid->item(row, column)->text().toStdString());
    }
    return cells;
  }
  return {};
}

std::string FirstLine(const QLabel* label) {
  return label->text().section(u'\n', 0, 0).toStdString();
}

// Settings as start-up leaves them, in a fresh suite root.
class MainWindowTest : public ::testing::Test {
 protected:
  // A pass that must not run: the test never switches copying on.
  static TCopyEngine::PassBody NoPass() {
    return [](const TCopySettings&, TPassProgress&) {
      ADD_FAILURE() << "no pass was expected";
      return TPassResult{};
    };
  }

  TempDir dir;
  AnsweredBoxes boxes;
  TCopySettings settings;  // as start-up leaves them; the engine is made from them
};

TEST_F(MainWindowTest, OpensWithItsClientArea) {
  TCopyEngine engine(settings, NoPass());
  TForm4 form(engine);
  form.show();
  ASSERT_TRUE(testing::WaitFor([&] { return form.isVisible(); }, 2s));
  EXPECT_EQ(form.size(), QSize(617, 426));
  const QPoint offset =
      form.geometry().center() - QApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE(offset.manhattanLength(), 4) << "centred on the screen";
}

TEST_F(MainWindowTest, HasItsControls) {
  settings.WorkDBConnStr = "srv/3050:/data/work.fdb";
  settings.CopyDBConnStr = "srv/3050:/data/copy.fdb";
  settings.CheckPeriod = 45;
  settings.AutoStartCopy = true;
  TCopyEngine engine(settings, NoPass());
  TForm4 form(engine);
  EXPECT_EQ(form.windowTitle(),
            "Программа для копирования данных по Комм. отделу для личного кабинета WEB");
  EXPECT_EQ(form.size(), QSize(617, 426));
  EXPECT_EQ(form.font().family(), "Tahoma");
  EXPECT_EQ(form.font().pixelSize(), 16);

  struct Expected {
    QWidget* widget;
    const char* name;
    QString text;
  };
  const QLabel* label10 = form.Label10;
  EXPECT_EQ(label10->text(), "Версия программы от 31.07.2017");
  EXPECT_EQ(TextColor(label10), Rgb(kStateGreen));
  EXPECT_TRUE(label10->font().bold());
  for (const Expected& e : std::initializer_list<Expected>{
           {form.Label10, "Label10", "Версия программы от 31.07.2017"},
           {form.Label1, "Label1", "Укажите путь к рабочей базе данных КОРТА-Офиса:"},
           {form.Label2, "Label2", "Укажите путь к копии БД:"},
           {form.Label3, "Label3",
            "Копию базы данных офиса следует использовать при построении отчетов Коммерческого "
            "отдела через WEB. "},
           {form.Label4, "Label4",
            "Копия не является точной копией базы данных КОРТА-ОФИСА. Файл копии базы данных "
            "нельзя использовать\nкак рабочую базу данных - система не сможет работать "
            "корректно!"},
           {form.Label5, "Label5", "Выполнять поиск изменений в рабочей БД каждые"},
           {form.Label6, "Label6", "секунд"},
           {form.Label7, "Label7", "задача:"},
           {form.labWorkState, "labWorkState", "ОТКЛЮЧЕНО"},
           {form.Label9, "Label9", "статус:"},
           {form.labStatus, "labStatus", "ОТКЛЮЧЕНО"},
           {form.labError, "labError", "ОТКЛЮЧЕНО"},
           {form.Label8, "Label8", "Время последнего копирования данных:"},
           {form.labLastCopyTime, "labLastCopyTime", "???????????"}}) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(form.findChild<QLabel*>(e.name), e.widget);
    EXPECT_EQ(static_cast<QLabel*>(e.widget)->text(), e.text);
  }
  for (const Expected& e :
       std::initializer_list<Expected>{{form.SpeedButton1, "SpeedButton1", "..."},
                                       {form.SpeedButton2, "SpeedButton2", "..."},
                                       {form.btnRun, "btnRun", "ЗАПУСТИТЬ"},
                                       {form.btnExit, "btnExit", "Выход"}}) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(form.findChild<QPushButton*>(e.name), e.widget);
    EXPECT_EQ(static_cast<QPushButton*>(e.widget)->text(), e.text);
  }
  EXPECT_EQ(form.btnRun->parentWidget(), form.pnlBottom);
  EXPECT_EQ(form.btnExit->parentWidget(), form.pnlBottom);
  EXPECT_EQ(form.findChild<QLineEdit*>("edDBSource"), form.edDBSource);
  EXPECT_EQ(form.findChild<QLineEdit*>("edDBTarget"), form.edDBTarget);
  EXPECT_EQ(form.findChild<QLineEdit*>("edPeriod"), form.edPeriod);
  EXPECT_TRUE(form.edDBSource->isReadOnly());
  EXPECT_TRUE(form.edDBTarget->isReadOnly());
  EXPECT_EQ(form.cbAutoStartCopy->text(), "Запускать копирование сразу после старта программы");

  for (QLabel* notice : {form.Label3, form.Label4}) {
    EXPECT_EQ(TextColor(notice), QColor(0, 0, 255));
    EXPECT_LT(notice->font().pixelSize(), 16) << "small";
  }
  for (QLabel* state : {form.labWorkState, form.labStatus}) {
    EXPECT_EQ(TextColor(state), Rgb(kStateRed));
    EXPECT_GT(state->font().pixelSize(), 16) << "large";
  }
  EXPECT_EQ(TextColor(form.labError), Rgb(kStateRed));
  EXPECT_TRUE(form.labError->wordWrap());
  EXPECT_TRUE(form.labError->isHidden());
  EXPECT_EQ(form.labError->height(), 2 * form.labError->fontMetrics().lineSpacing());

  EXPECT_EQ(form.findChild<QTimer*>("Timer1"), form.Timer1);
  EXPECT_EQ(form.Timer1->interval(), 1000);
  EXPECT_TRUE(form.Timer1->isActive());

  // FormCreate filled the controls from the settings.
  EXPECT_EQ(form.edDBSource->text(), "srv/3050:/data/work.fdb");
  EXPECT_EQ(form.edDBTarget->text(), "srv/3050:/data/copy.fdb");
  EXPECT_EQ(form.edPeriod->text(), "45");
  EXPECT_TRUE(form.cbAutoStartCopy->isChecked());
}

TEST_F(MainWindowTest, TheErrorLineStretchesWithTheWindow) {
  TCopyEngine engine(settings, NoPass());
  TForm4 form(engine);
  form.show();
  form.labError->show();
  ASSERT_TRUE(testing::WaitFor([&] { return form.labError->width() > 500; }, 2s));
  const int width = form.labError->width();
  form.resize(817, 426);
  ASSERT_TRUE(testing::WaitFor([&] { return form.labError->width() == width + 200; }, 2s));
}

struct DisplayRow {
  bool copy_enabled;
  bool busy;
  const char* work_state;
  TRgb work_color;
  const char* status;
  const char* run_caption;
  bool run_enabled;
  bool close_allowed;
  bool paths_enabled;
};

TEST_F(MainWindowTest, ShowsEachDisplayStateOfTheTable) {
  const char* progress = "КОПИРОВАНИЕ (таблица 12 / 37, запись 14800 / 52300)";
  const DisplayRow rows[] = {
      {false, false, "ОТКЛЮЧЕНО", kStateRed, "ОТКЛЮЧЕНО", "ЗАПУСТИТЬ", true, true, true},
      {true, false, "ЗАПУЩЕНА", kStateGreen, "ОЖИДАНИЕ", "ОСТАНОВИТЬ", true, true, false},
      {true, true, "ЗАПУЩЕНА", kStateGreen, progress, "ОСТАНОВИТЬ", false, false, false},
      {false, true, "ОТКЛЮЧЕНО", kStateRed, "ОТКЛЮЧЕНО", "ЗАПУСТИТЬ", false, false, true},
  };
  HeldPass pass({12, 37, 14800, 52300});
  TCopyEngine engine(settings, pass.Body());
  TForm4 form(engine);
  form.show();
  for (const DisplayRow& row : rows) {
    SCOPED_TRACE(std::string(row.work_state) + " / " + row.status);
    if (row.busy && pass.Starts() == 0) {
      engine.SetCopyEnabled(true);
      engine.WakeUp();
      ASSERT_TRUE(pass.WaitUntilRunning());
    }
    engine.SetCopyEnabled(row.copy_enabled);
    form.Timer1Timer();
    EXPECT_EQ(form.labWorkState->text().toStdString(), row.work_state);
    EXPECT_EQ(TextColor(form.labWorkState), Rgb(row.work_color));
    EXPECT_EQ(form.labStatus->text().toStdString(), row.status);
    EXPECT_EQ(TextColor(form.labStatus), Rgb(row.work_color));
    EXPECT_EQ(form.btnRun->text().toStdString(), row.run_caption);
    EXPECT_EQ(form.btnRun->isEnabled(), row.run_enabled);
    EXPECT_EQ(form.btnExit->isEnabled(), row.run_enabled);
    EXPECT_EQ(form.FormCloseQuery(), row.close_allowed);
    EXPECT_EQ(form.SpeedButton1->isEnabled(), row.paths_enabled);
    EXPECT_EQ(form.SpeedButton2->isEnabled(), row.paths_enabled);
    EXPECT_EQ(form.edPeriod->isEnabled(), row.paths_enabled);
    EXPECT_TRUE(form.cbAutoStartCopy->isEnabled());
    QApplication::processEvents();
    EXPECT_EQ(form.size(), QSize(617, 426)) << "no text widens the window";
  }
  pass.Release();
}

TEST_F(MainWindowTest, ClosingIsRefusedWhileAPassRuns) {
  HeldPass pass({1, 37, 0, 0});
  TCopyEngine engine(settings, pass.Body());
  TForm4 form(engine);
  form.show();
  engine.SetCopyEnabled(true);
  engine.WakeUp();
  ASSERT_TRUE(pass.WaitUntilRunning());
  engine.SetCopyEnabled(false);
  EXPECT_FALSE(form.close());
  EXPECT_TRUE(form.isVisible());
  form.Timer1Timer();
  EXPECT_FALSE(form.btnExit->isEnabled());
  pass.Release();
  ASSERT_TRUE(testing::WaitFor([&] { return !engine.Busy(); }));
  form.Timer1Timer();
  EXPECT_TRUE(form.btnExit->isEnabled());
  form.btnExit->click();
  EXPECT_FALSE(form.isVisible());
}

TEST_F(MainWindowTest, ACloseOfTheSystemDuringAPassHappensWhenThePassEnds) {
  HeldPass pass({1, 37, 0, 0});
  TCopyEngine engine(settings, pass.Body());
  TForm4 form(engine);
  form.show();
  engine.SetCopyEnabled(true);
  engine.WakeUp();
  ASSERT_TRUE(pass.WaitUntilRunning());
  form.RequestClose();
  form.Timer1Timer();
  EXPECT_TRUE(form.isVisible());
  pass.Release();
  ASSERT_TRUE(testing::WaitFor([&] { return !engine.Busy(); }));
  form.Timer1Timer();
  EXPECT_FALSE(form.isVisible());
}

// In the program's own date form whatever the locale, and without the class name the log keeps.
TEST_F(MainWindowTest, ShowsTheLastErrorAndTheLastCopyTime) {
  DefaultLocale c_locale(QLocale::c());
  const TDateTime error_time = EncodeDateTime({2026, 12, 7, 20, 24, 4, 123});
  TCopyEngine engine(settings, [&](const TCopySettings&, TPassProgress&) {
    TPassResult result;
    result.Status = TPassStatus::kFailed;
    result.Error = TPassError{};
    result.Error->Text = "Ошибка при копировании БД: нет связи\r\nс сервером <# EIBError #>";
    result.Finished = error_time;
    return result;
  });
  TForm4 form(engine);
  form.show();
  form.Timer1Timer();
  EXPECT_TRUE(form.labError->isHidden());
  EXPECT_EQ(form.labLastCopyTime->text(), "неизвестно");

  engine.SetLastCopyTime(EncodeDateTime({2026, 12, 7, 20, 14, 59, 0}));
  engine.SetCopyEnabled(true);
  engine.WakeUp();
  ASSERT_TRUE(testing::WaitFor([&] { return engine.LastResult().has_value(); }));
  engine.SetCopyEnabled(false);
  form.Timer1Timer();
  EXPECT_TRUE(form.labError->isVisible());
  const QString shown = "07.12.2026 20:24:04: Ошибка при копировании БД: нет связи с сервером";
  EXPECT_EQ(form.labError->text(), shown);
  EXPECT_EQ(form.labLastCopyTime->text(), "07.12.2026 20:14:59");
  // The whole text, however long, can be read and copied.
  EXPECT_EQ(form.labError->toolTip(), shown);
  EXPECT_TRUE(form.labError->textInteractionFlags() & Qt::TextSelectableByMouse);
  auto* copy_error = form.labError->findChild<QAction*>("actCopyError");
  ASSERT_NE(copy_error, nullptr);
  ASSERT_TRUE(form.labError->actions().contains(copy_error));
  QGuiApplication::clipboard()->clear();
  copy_error->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), shown);
}

// The "Таблицы" dialog lists every replicated table with what the last pass that reached it
// told, in the program's date form whatever the locale, and follows the window's refresh.
TEST_F(MainWindowTest, TheTablesDialogShowsWhatThePassesTold) {
  DefaultLocale c_locale(QLocale::c());
  constexpr double kHour = 1.0 / 24;
  const TDateTime card_mark = Now() - kHour;
  const TDateTime discount_mark = EncodeDateTime({2026, 12, 7, 19, 0, 0, 0});
  std::atomic<int> passes{0};
  // The first pass completes; the second fails at PC_DISCOUNT and sees the working server's
  // clock a day behind, so that PC_CARD would be ahead of it.
  TCopyEngine engine(settings, [&](const TCopySettings&, TPassProgress&) {
    const bool second = passes > 0;
    TPassResult result;
    result.Status = second ? TPassStatus::kFailed : TPassStatus::kCompleted;
    result.FailedPasses = second ? 1 : 0;
    result.Started = result.Finished = EncodeDateTime({2026, 12, 7, 20, 5, passes, 0});
    if (second) {
      result.Error = TPassError{};
      result.Error->Text = "PC_DISCOUNT -> нет таблицы <# EIBError #>";
    }
    result.WorkClockOffset = second ? -1.0 : 0.0;
    TTableResult& card = result.Tables.emplace_back();
    card.Table = "PC_CARD";
    card.MarkAfter = card_mark;
    card.Inserted = second ? 4 : 3;
    TTableResult& discount = result.Tables.emplace_back();
    discount.Table = "PC_DISCOUNT";
    discount.MarkBefore = second ? discount_mark : 0;
    discount.MarkAfter = discount_mark;
    discount.Failed = second;
    discount.Updated = second ? 5 : 0;
    ++passes;
    return result;
  });
  TForm4 form(engine);
  form.show();
  form.btnTablesClick();
  auto* dialog = form.findChild<TTablesDialog*>("TablesDialog");
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(FirstLine(dialog->labSummary), "Копирование в этом сеансе ещё не выполнялось");
  EXPECT_EQ(dialog->gridTables->rowCount(), static_cast<int>(ReplicatedTables().size()));
  EXPECT_EQ(RowOf(*dialog, "PC_CARD"), (Cells{"PC_CARD", "—", "—", "—", "—", "—"}));

  const auto pass = [&](int count) {
    engine.SetCopyEnabled(true);
    engine.WakeUp();
    ASSERT_TRUE(testing::WaitFor([&] { return passes >= count && engine.LastResult(); }));
    engine.SetCopyEnabled(false);
    ASSERT_TRUE(testing::WaitFor([&] { return !engine.Busy(); }));
    form.Timer1Timer();
  };
  pass(1);
  EXPECT_EQ(RowOf(*dialog, "PC_CARD"),
            (Cells{"PC_CARD", FormatDisplayDateTime(card_mark), "1 ч 00 мин", "—", "3", "—"}));
  EXPECT_EQ(RowOf(*dialog, "PC_DISCOUNT")[1], "07.12.2026 19:00:00");
  EXPECT_EQ(RowOf(*dialog, "PC_DISCOUNT")[kRows], "0");
  EXPECT_EQ(RowOf(*dialog, "OFFICE"), (Cells{"OFFICE", "—", "—", "—", "—", "—"}));
  EXPECT_EQ(FirstLine(dialog->labSummary),
            "Копирование завершено 07.12.2026 20:05:00: таблиц с изменениями 1 из 2, записей 3");

  pass(2);
  EXPECT_EQ(RowOf(*dialog, "PC_CARD")[kRows], "4") << "refreshed with the window";
  EXPECT_EQ(RowOf(*dialog, "PC_CARD")[2], "—") << "no lag below zero";
  EXPECT_EQ(RowOf(*dialog, "PC_DISCOUNT")[1], "07.12.2026 19:00:00");
  EXPECT_EQ(RowOf(*dialog, "PC_DISCOUNT")[kRows], "0") << "a failed table keeps none of its rows";
  const auto item = [&](const char* table) {
    return dialog->gridTables->findItems(table, Qt::MatchExactly).value(0);
  };
  EXPECT_EQ(item("PC_DISCOUNT")->foreground().color(), QColor(Qt::red));
  EXPECT_EQ(item("PC_CARD")->foreground().style(), Qt::NoBrush);
  EXPECT_EQ(dialog->labSummary->text().section(u'\n', 0, 1).toStdString(),
            "Копирование не удалось 07.12.2026 20:05:01 (неудачных подряд: 1)\n"
            "PC_DISCOUNT -> нет таблицы");
}

TEST(MainWindowDisplay, ShowsTimesOnlyAfterTheFirstDay) {
  TCopyState state;
  state.Outcome = {"late", 1.0, 1.0};
  TMainWindowDisplay display = ComputeMainWindowDisplay(state);
  EXPECT_FALSE(display.ErrorVisible);
  EXPECT_EQ(display.LastCopyTimeText, "неизвестно");
  state.Outcome = {"a\r\nb\r\n\r\nc\nd", 1.5, 2.0};
  display = ComputeMainWindowDisplay(state);
  EXPECT_TRUE(display.ErrorVisible);
  EXPECT_EQ(display.ErrorText, "31.12.1899 12:00:00: a b  c\nd");
  EXPECT_EQ(display.LastCopyTimeText, "01.01.1900 00:00:00");
}

TEST_F(MainWindowTest, TheAutostartBoxStoresTheOption) {
  TCopyEngine engine(settings, NoPass());
  TForm4 form(engine);
  form.show();
  form.cbAutoStartCopy->click();
  EXPECT_TRUE(engine.Settings().AutoStartCopy);
  EXPECT_TRUE(ReadSettingBool("Brindle", "PARAMS", "AutoStartCopy", false));
  form.cbAutoStartCopy->click();
  EXPECT_FALSE(engine.Settings().AutoStartCopy);
  EXPECT_EQ(ReadSettingInt("Brindle", "PARAMS", "AutoStartCopy", -1), 0);
}

TEST_F(MainWindowTest, AutostartWithABadConfigurationShowsTheErrorAtOnce) {
  HeldPass pass({});
  settings.AutoStartCopy = true;
  settings.WorkDBConnStr.clear();
  TCopyEngine engine(settings, pass.Body());
  TForm4 form(engine);
  form.show();
  ASSERT_TRUE(testing::WaitFor([&] { return !boxes.Shown().empty(); }, 500ms))
      << "the error must not wait for the timer";
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(boxes.Shown(), std::vector<MessageBoxRequest>{
                               ErrorBox("Не указан файл рабочей базы данных КОРТА-ОФИС")});
  EXPECT_FALSE(engine.CopyEnabled());
  EXPECT_EQ(pass.Starts(), 0);
}

TEST_F(MainWindowTest, WithoutAutostartNothingStarts) {
  HeldPass pass({});
  settings.WorkDBConnStr.clear();
  TCopyEngine engine(settings, pass.Body());
  TForm4 form(engine);
  form.show();
  QApplication::processEvents();
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_FALSE(engine.CopyEnabled());
}

// The library's default password as it was, whatever a test set.
class LibraryPasswordKept {
 public:
  LibraryPasswordKept() : password_(testing::TestFyrn().GetPassword()) {}
  ~LibraryPasswordKept() { testing::TestFyrn().SetPassword(password_); }

 private:
  std::string password_;
};

TEST_F(MainWindowTest, AcceptingTheWorkingDatabaseStoresIt) {
  LibraryPasswordKept kept;
  const std::string file = dir / "work.fdb";
  testing::WriteFile(file, "x");
  settings.WorkDBConnStr = "srv/3051:/data/old.fdb";
  settings.WorkDBPassword = "old";
  TCopyEngine engine(testing::TestFyrn(), settings, {}, NoPass());
  TForm4 form(engine);
  form.show();
  boxes.Answer(MessageResult::kNo);  // no connection test
  OnNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<TSelectOfDBPathForm*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->Editor.IsWorkingDB);
    EXPECT_EQ(dialog->edServer->text(), "srv");
    EXPECT_EQ(dialog->sePort->value(), 3051);
    EXPECT_EQ(dialog->edFileName->text(), "/data/old.fdb");
    EXPECT_EQ(dialog->edPass->text(), "old");
    dialog->edServer->setText("localhost");
    dialog->edFileName->setText(QString::fromStdString(file));
    dialog->edPass->setText("новый");
    dialog->bOK->click();
  });
  form.SpeedButton1->click();
  const std::string expected = "localhost/3051:" + file;
  EXPECT_EQ(engine.Settings().WorkDBConnStr, expected);
  EXPECT_EQ(engine.Settings().WorkDBPassword, "новый");
  EXPECT_EQ(form.edDBSource->text().toStdString(), expected);
  EXPECT_EQ(testing::TestFyrn().GetPassword(), "новый");
  EXPECT_EQ(ReadSettingString("Brindle", "OFCDB", "ConnStr", ""), expected);
  EXPECT_EQ(UnscramblePassword(ReadSettingString("Brindle", "OFCDB", "Password", "")),
            std::optional<std::string>("новый"));
  EXPECT_EQ(ReadSettingString("Brindle", "TARGETDB", "ConnStr", "none"), "none");
}

TEST_F(MainWindowTest, AcceptingTheCopyDatabaseStoresIt) {
  LibraryPasswordKept kept;
  settings.CopyDBConnStr = "srv/3050:/data/copy.fdb";
  settings.CopyDBPassword = "old";
  TCopyEngine engine(testing::TestFyrn(), settings, {}, NoPass());
  TForm4 form(engine);
  form.show();
  OnNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<TSelectOfDBPathForm*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->Editor.IsWorkingDB);
    dialog->edFileName->setText("/data/copy2.fdb");
    dialog->edPass->setText("copy-pw");
    dialog->bOK->click();
  });
  form.SpeedButton2->click();
  EXPECT_EQ(engine.Settings().CopyDBConnStr, "srv/3050:/data/copy2.fdb");
  EXPECT_EQ(engine.Settings().CopyDBPassword, "copy-pw");
  EXPECT_EQ(form.edDBTarget->text(), "srv/3050:/data/copy2.fdb");
  EXPECT_EQ(testing::TestFyrn().GetPassword(), "copy-pw")
      << "the password set last in either dialog";
  EXPECT_EQ(ReadSettingString("Brindle", "TARGETDB", "ConnStr", ""), "srv/3050:/data/copy2.fdb");
  EXPECT_EQ(UnscramblePassword(ReadSettingString("Brindle", "TARGETDB", "Password", "")),
            std::optional<std::string>("copy-pw"));
  EXPECT_TRUE(boxes.Shown().empty()) << "the copy is never offered the test";
}

TEST_F(MainWindowTest, CancellingTheDialogChangesNothing) {
  LibraryPasswordKept kept;
  settings.CopyDBConnStr = "srv/3050:/data/copy.fdb";
  settings.CopyDBPassword = "old";
  // With the binding, or the path dialog never opens.
  TCopyEngine engine(testing::TestFyrn(), settings, {}, NoPass());
  TForm4 form(engine);
  form.show();
  OnNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<TSelectOfDBPathForm*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->edFileName->setText("/data/other.fdb");
    dialog->tMasButtonRED1->click();
  });
  form.SpeedButton2->click();
  EXPECT_EQ(engine.Settings().CopyDBConnStr, "srv/3050:/data/copy.fdb");
  EXPECT_EQ(engine.Settings().CopyDBPassword, "old");
  EXPECT_EQ(form.edDBTarget->text(), "srv/3050:/data/copy.fdb");
  EXPECT_EQ(SettingsText(), "");
}

TEST_F(MainWindowTest, ASecondClickSwitchesCopyingOffWithoutWakingTheThread) {
  HeldPass pass({});
  TCopyEngine engine(settings, pass.Body());
  TForm4 form(engine);
  engine.SetCopyEnabled(true);
  form.btnRun->click();
  EXPECT_FALSE(engine.CopyEnabled());
  EXPECT_TRUE(boxes.Shown().empty());
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(pass.Starts(), 0);
}

// The checks of "ЗАПУСТИТЬ" in their order, each with the situation that makes it fail first.
class CopyStartTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    testing::TestFyrn();
  }

  void Click(TForm4& form) {
    boxes.Clear();
    form.btnRun->click();
  }

  std::string Shown() {
    const auto shown = boxes.Shown();
    if (shown.size() != 1) return "(" + std::to_string(shown.size()) + " boxes)";
    EXPECT_EQ(shown[0].caption, ErrorBox("").caption);
    EXPECT_EQ(shown[0].icon, MessageIcon::kError);
    return shown[0].text;
  }
};

TEST_F(CopyStartTest, PathsArePresentAndDifferent) {
  HeldPass pass({});
  settings.WorkDBConnStr = "";
  settings.CopyDBConnStr = "";
  TCopyEngine engine(settings, pass.Body());
  TForm4 form(engine);
  Click(form);
  EXPECT_EQ(Shown(), "Не указан файл рабочей базы данных КОРТА-ОФИС");
  form.edDBSource->setText("srv/3050:/data/Office.fdb");
  Click(form);
  EXPECT_EQ(Shown(), "Не указан файл копии базы данных");
  form.edDBTarget->setText("SRV/3050:/DATA/OFFICE.FDB");
  Click(form);
  EXPECT_EQ(Shown(), "Указана одна и та же база данных!");
  EXPECT_FALSE(engine.CopyEnabled());
  EXPECT_EQ(SettingsText(), "") << "nothing is stored before the period check";
}

TEST_F(CopyStartTest, APeriodThatIsNoIntegerStoresNothing) {
  HeldPass pass({});
  TCopyEngine engine(settings, pass.Body());
  TForm4 form(engine);
  form.edDBSource->setText("srv/3050:/data/work.fdb");
  form.edDBTarget->setText("srv/3050:/data/copy.fdb");
  form.edPeriod->setText("6o");
  Click(form);
  EXPECT_EQ(Shown(), "'6o' не является допустимым целым числом");
  EXPECT_EQ(engine.Settings().CheckPeriod, 60);
  EXPECT_EQ(ReadSettingInt("Brindle", "PARAMS", "CheckPeriod", -1), -1);
  EXPECT_FALSE(engine.CopyEnabled());
}

TEST_F(CopyStartTest, ThePeriodIsStoredBeforeTheDatabaseChecks) {
  HeldPass pass({});
  // A copy in a folder that does not exist cannot be created.
  settings.CopyDBConnStr = "localhost/30050:" + (dir / "no/such/folder/copy.fdb");
  std::string verification_error;
  try {
    VerifyOfficeDB(testing::TestFyrn(), settings.CopyDBConnStr, settings.CopyDBPassword);
  } catch (const std::exception& e) {
    verification_error = e.what();
  }
  ASSERT_FALSE(verification_error.empty());
  TCopyEngine engine(testing::TestFyrn(), settings, {}, pass.Body());
  TForm4 form(engine);
  form.edDBSource->setText("srv/3050:/data/work.fdb");
  form.edPeriod->setText("0");
  Click(form);
  EXPECT_EQ(Shown(), verification_error);
  EXPECT_EQ(engine.Settings().CheckPeriod, 0);
  EXPECT_EQ(ReadSettingInt("Brindle", "PARAMS", "CheckPeriod", -1), 0);
  EXPECT_FALSE(engine.CopyEnabled());
}

}  // namespace
}  // namespace brindle

namespace brindle {
namespace {

// The database checks against a working and a copy office database of the whole structure.
class CopyStartDatabasesTest : public CopyStartTest {
 protected:
  void SetUp() override {
    CopyStartTest::SetUp();
    pair = std::make_unique<testing::OfficeDatabasePair>();
    settings = pair->Settings();
    testing::WriteConfKey(pair->WorkConnStr(), "PARAMS", "OFFICE_DB_STRUCT_VERSION", "12");
  }
  void TearDown() override {
    pair.reset();
    CopyStartTest::TearDown();
  }

  std::unique_ptr<testing::OfficeDatabasePair> pair;
};

TEST_F(CopyStartDatabasesTest, ACopyThatIsAWorkingDatabaseIsRefused) {
  HeldPass pass({});
  testing::WriteConfKey(pair->CopyConnStr(), "PARAMS", "OFFICE_DB_STRUCT_VERSION", "12");
  testing::WriteConfKey(pair->CopyConnStr(), "REPLICATION_INFO", "LAST_COPY_TIME",
                        "04.03.2026 05:06:07.890");
  TCopyEngine engine(testing::TestFyrn(), settings, {}, pass.Body());
  TForm4 form(engine);
  Click(form);
  EXPECT_EQ(Shown(), "Заданная в настройках копия базы данных на самом деле является рабочей БД!");
  EXPECT_FALSE(engine.CopyEnabled());
  EXPECT_EQ(engine.Outcome().LastCopyTime, 0.0) << "not taken from a refused copy";
}

TEST_F(CopyStartDatabasesTest, TheWorkingDatabaseMustCarryAVersionAndBeNoCopy) {
  HeldPass pass({});
  TCopyEngine engine(testing::TestFyrn(), settings, {}, pass.Body());
  TForm4 form(engine);
  const std::string work = pair->WorkConnStr();
  const char* no_version =
      "Заданная в настройках рабочая БД скорее всего не является рабочей (версия БД не найдена)!";

  testing::WriteConfKey(work, "PARAMS", "OFFICE_DB_STRUCT_VERSION", "0");
  Click(form);
  EXPECT_EQ(Shown(), no_version);
  // The version is tested first.
  testing::WriteConfKey(work, "PARAMS", "DB_IS_COPY", "1");
  Click(form);
  EXPECT_EQ(Shown(), no_version);
  testing::WriteConfKey(work, "PARAMS", "OFFICE_DB_STRUCT_VERSION", "12");
  Click(form);
  EXPECT_EQ(Shown(), "Заданная в настройках рабочая база данных на самом деле является копией БД!");
  EXPECT_FALSE(engine.CopyEnabled());
  EXPECT_EQ(pass.Starts(), 0);
}

TEST_F(CopyStartDatabasesTest, ValidDatabasesSwitchCopyingOnAndStartAPassAtOnce) {
  HeldPass pass({});
  // A copy marked as one may carry a structure version.
  testing::WriteConfKey(pair->CopyConnStr(), "PARAMS", "DB_IS_COPY", "1");
  testing::WriteConfKey(pair->CopyConnStr(), "PARAMS", "OFFICE_DB_STRUCT_VERSION", "12");
  testing::WriteConfKey(pair->CopyConnStr(), "REPLICATION_INFO", "LAST_COPY_TIME",
                        "04.03.2026 05:06:07.890");
  TCopyEngine engine(testing::TestFyrn(), settings, {}, pass.Body());
  TForm4 form(engine);
  form.edPeriod->setText("600");
  Click(form);
  EXPECT_TRUE(boxes.Shown().empty()) << Shown();
  EXPECT_TRUE(engine.CopyEnabled());
  EXPECT_TRUE(pass.WaitUntilRunning(2s)) << "woken, not after the period";
  EXPECT_EQ(engine.Settings().CheckPeriod, 600);
  EXPECT_EQ(DecodeDateTime(engine.Outcome().LastCopyTime),
            (DateTimeFields{2026, 3, 4, 5, 6, 7, 890}));
  form.Timer1Timer();
  EXPECT_EQ(form.labWorkState->text(), "ЗАПУЩЕНА");
  EXPECT_FALSE(form.SpeedButton1->isEnabled());
  pass.Release();
}

TEST_F(CopyStartDatabasesTest, AutostartWithValidSettingsCopiesAtOnce) {
  settings.AutoStartCopy = true;
  TCopyEngine engine(testing::TestFyrn(), settings);
  TForm4 form(engine);
  form.show();
  ASSERT_TRUE(testing::WaitFor([&] { return form.labWorkState->text() == "ЗАПУЩЕНА"; }, 20s));
  EXPECT_TRUE(boxes.Shown().empty()) << Shown();
  ASSERT_TRUE(testing::WaitFor(
      [&] { return form.labLastCopyTime->text() != "неизвестно" && !engine.Busy(); }, 60s));
  form.Timer1Timer();
  EXPECT_EQ(engine.Outcome().LastErrorText, "");
  EXPECT_TRUE(form.labError->isHidden());
  EXPECT_EQ(form.labStatus->text(), "ОЖИДАНИЕ");
}

// The "Таблицы" dialog on a working and a copy office database of the whole structure, with
// real passes.
class TablesDialogDatabasesTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    pair = std::make_unique<testing::OfficeDatabasePair>();
    settings = pair->Settings();
  }

  // One pass of the engine, which counts its passes into `passes`, and the window's refresh after
  // it; the pass's result.
  TPassResult Pass(TCopyEngine& engine, std::atomic<int>& passes, TForm4* form = nullptr) {
    const int count = passes + 1;
    engine.RunOnePass();
    EXPECT_TRUE(testing::WaitFor([&] { return passes == count && !engine.Busy(); }, 60s));
    if (form) form->Timer1Timer();
    return engine.LastResult().value_or(TPassResult{});
  }

  std::unique_ptr<testing::OfficeDatabasePair> pair;
};

// The working database gone, the failed pass reaches no table: each keeps what the good pass
// before told, under the failure.
TEST_F(TablesDialogDatabasesTest, AFailedPassLeavesEveryTableAsTheGoodOneLeftIt) {
  std::atomic<int> passes{0};
  TCopyEngine engine(testing::TestFyrn(), settings, [&](const TPassResult&) { ++passes; });
  TForm4 form(engine);
  form.show();
  form.btnTablesClick();
  auto* dialog = form.findChild<TTablesDialog*>("TablesDialog");
  const TPassResult good = Pass(engine, passes, &form);
  ASSERT_EQ(good.Status, TPassStatus::kCompleted) << (good.Error ? good.Error->Text : "");
  engine.UpdateSettings([&](TCopySettings& changed) {
    changed.WorkDBConnStr = testing::OfficeDatabasePair::ConnStr(pair->Dir() / "gone.fdb");
  });
  const TPassResult failed = Pass(engine, passes, &form);
  ASSERT_TRUE(failed.Failed());
  ASSERT_TRUE(failed.Tables.empty());

  EXPECT_EQ(dialog->gridTables->rowCount(), static_cast<int>(good.Tables.size()));
  for (const TTableResult& table : good.Tables) {
    SCOPED_TRACE(table.Table);
    ASSERT_GT(table.MarkAfter, 0);
    const Cells row = RowOf(*dialog, table.Table);
    ASSERT_EQ(row.size(), static_cast<std::size_t>(kColumns));
    EXPECT_EQ(row[1], FormatDisplayDateTime(table.MarkAfter));
    EXPECT_NE(row[2], "—") << "on the clock the good pass saw";
    EXPECT_EQ(row[kRows], "0");
  }
  const std::string summary = dialog->labSummary->text().toStdString();
  EXPECT_TRUE(summary.starts_with("Копирование не удалось ")) << summary;
  EXPECT_NE(summary.find("gone.fdb"), std::string::npos) << "the error under it: " << summary;
}

// A new window on a copy that a pass has recorded shows the record before any pass; another copy
// chosen that cannot be read leaves nothing of the first, and says so.
TEST_F(TablesDialogDatabasesTest, ANewWindowShowsTheCopysRecord) {
  TPassResult recorded;
  {
    std::atomic<int> passes{0};
    TCopyEngine engine(testing::TestFyrn(), settings, [&](const TPassResult&) { ++passes; });
    recorded = Pass(engine, passes);
    ASSERT_EQ(recorded.Status, TPassStatus::kCompleted);
  }
  LibraryPasswordKept kept;
  TCopyEngine engine(testing::TestFyrn(), settings, {}, NoPass());
  TForm4 form(engine);
  form.show();
  form.btnTablesClick();
  auto* dialog = form.findChild<TTablesDialog*>("TablesDialog");
  ASSERT_TRUE(testing::WaitFor([&] {
    form.Timer1Timer();
    return RowOf(*dialog, "OFFICE").at(1) != "—";
  }));
  for (const TTableResult& table : recorded.Tables) {
    SCOPED_TRACE(table.Table);
    const Cells row = RowOf(*dialog, table.Table);
    ASSERT_EQ(row.size(), static_cast<std::size_t>(kColumns));
    EXPECT_EQ(row[1], FormatDisplayDateTime(table.MarkAfter));
    EXPECT_TRUE(row[2].ends_with(" с")) << "seconds on the clock the copy records: " << row[2];
    EXPECT_EQ(row[kRows], std::to_string(RowsKept(table)));
  }
  EXPECT_EQ(FirstLine(dialog->labSummary), "Копирование в этом сеансе ещё не выполнялось");

  OnNextModal([&](QWidget* modal) {
    auto* path = qobject_cast<TSelectOfDBPathForm*>(modal);
    ASSERT_NE(path, nullptr);
    path->edFileName->setText(QString::fromStdString(pair->Dir() / "other.fdb"));
    path->bOK->click();
  });
  form.SpeedButton2->click();
  ASSERT_TRUE(testing::WaitFor([&] {
    form.Timer1Timer();
    return dialog->labSummary->text().contains("не прочитаны");
  }));
  EXPECT_EQ(RowOf(*dialog, "OFFICE"), (Cells{"OFFICE", "—", "—", "—", "—", "—"}));
  EXPECT_TRUE(dialog->labSummary->text().contains("other.fdb")) << "why";
}

// The check of the copy from the window, in the program module the program makes, on a working
// and a copy office database of a few rows per table, once copying is on and a pass has copied.
class CopyCheckWindowTest : public MainWindowTest {
 protected:
  void Open(TProgramModuleOptions options = {}) {
    pair = std::make_unique<testing::OfficeDatabasePair>();
    std::filesystem::create_directories(SuitePath("LogFiles"));
    testing::WriteConfKey(pair->WorkConnStr(), "PARAMS", "OFFICE_DB_STRUCT_VERSION", "12");
    ibx::TIBDatabase work = pair->ConnectWork();
    testing::FillReplicatedTables(work, 3);
    program = std::make_unique<TProgramModule>(testing::TestFyrn(), std::move(options));
    program->Engine().SetSettings(pair->Settings());
    form = std::make_unique<TForm4>(program->Engine(), program->Check());
    form->show();
    form->Timer1Timer();
    EXPECT_FALSE(form->btnCheck->isEnabled()) << "only once copying is on";
    form->btnRun->click();
    const TCopyEngine& engine = program->Engine();
    ASSERT_TRUE(testing::WaitFor([&] { return engine.LastResult() && !engine.Busy(); }, 60s));
    ASSERT_EQ(engine.LastResult()->Status, TPassStatus::kCompleted);
    form->Timer1Timer();
  }

  // Refreshes the window until a round of the kind has ended; whether it showed its progress.
  bool WaitForRound(bool repair) {
    bool progress_shown = false;
    EXPECT_TRUE(testing::WaitFor(
        [&] {
          form->Timer1Timer();
          progress_shown = progress_shown || form->labCheck->text().contains(": таблица ");
          const TRoundState state = program->Check()->State();
          return !state.Running && state.LastRound && state.LastRound->Repair == repair;
        },
        60s));
    form->Timer1Timer();
    return progress_shown;
  }

  std::unique_ptr<testing::OfficeDatabasePair> pair;
  std::unique_ptr<TProgramModule> program;
  std::unique_ptr<TForm4> form;  // goes before the program, as in the program
};

TEST_F(CopyCheckWindowTest, TheCheckShowsWhatDiffersAndTheRepairMendsIt) {
  Open();
  ibx::TIBDatabase copy = pair->ConnectCopy();
  testing::ExecuteCommitted(copy, "DELETE FROM PC_LOGTRAN_BK WHERE ID = 1");
  testing::ExecuteCommitted(copy, "UPDATE PC_LOGTRAN_BK SET AZSNAME = 'changed' WHERE ID = 2");
  form->btnTablesClick();
  auto* dialog = form->findChild<TTablesDialog*>("TablesDialog");
  const auto red = [&](const std::string& table) {
    const QTableWidgetItem* item = dialog->gridTables->findItems(Q(table), Qt::MatchExactly)[0];
    return item->foreground().color() == QColor(Qt::red);
  };

  ASSERT_TRUE(form->btnCheck->isEnabled());
  form->actCheckCopy->trigger();
  EXPECT_TRUE(WaitForRound(false)) << "the progress";
  EXPECT_TRUE(
      form->labCheck->text().endsWith(Q(CheckSummaryText(*program->Check()->State().LastRound))));
  // From the round: the window read the copy's record only when it opened, before any was made.
  for (const TTableFreshness& table :
       ReadCopyFreshness(*testing::OpenOfficeConf(pair->CopyConnStr())).Tables) {
    if (table.Table == "PC_LOGTRAN_BK") continue;
    SCOPED_TRACE(table.Table);
    ASSERT_GT(table.VerifiedAsOf, 0);
    EXPECT_EQ(RowOf(*dialog, table.Table).at(kVerifiedAsOf),
              FormatDisplayDateTime(table.VerifiedAsOf));
    EXPECT_FALSE(red(table.Table));
  }
  Cells logs = RowOf(*dialog, "PC_LOGTRAN_BK");
  EXPECT_EQ(logs.at(kVerifiedAsOf), "—");
  EXPECT_TRUE(logs[kChecked].find("нет в копии 1") != std::string::npos &&
              logs[kChecked].find("различаются 1") != std::string::npos)
      << logs[kChecked];
  EXPECT_TRUE(red("PC_LOGTRAN_BK"));

  boxes.Answer(MessageResult::kYes);
  form->actRepairCopy->trigger();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].buttons, MessageButtons::kYesNo);
  EXPECT_TRUE(WaitForRound(true));
  logs = RowOf(*dialog, "PC_LOGTRAN_BK");
  EXPECT_NE(logs.at(kVerifiedAsOf), "—");
  EXPECT_NE(logs[kChecked].find("исправлено 2"), std::string::npos) << logs[kChecked];
  EXPECT_FALSE(red("PC_LOGTRAN_BK"));
  ibx::TIBDatabase work = pair->ConnectWork();
  for (const std::string& text : testing::CompareReplicatedTables(work, copy).differences) {
    ADD_FAILURE() << text;
  }
}

// The window closes at once, and the program's end stops the round as a stop signal would.
TEST_F(CopyCheckWindowTest, ClosingTheWindowStopsTheRound) {
  TProgramModuleOptions options;
  options.check.MaxRowsPerSecond = 1;  // a round of minutes
  Open(options);
  form->actCheckCopy->trigger();
  ASSERT_TRUE(testing::WaitFor([&] {
    form->Timer1Timer();
    return program->Check()->State().Running;
  }));
  form->btnExit->click();
  EXPECT_FALSE(form->isVisible());
  form.reset();
  program.reset();
  const TCopyFreshness record = ReadCopyFreshness(*testing::OpenOfficeConf(pair->CopyConnStr()));
  EXPECT_EQ(record.LastCheckAttempt.End, TCheckEnd::kInterrupted);
  EXPECT_EQ(record.LastCheck.Finished, 0) << "no round went through its tables";
}

}  // namespace
}  // namespace brindle
