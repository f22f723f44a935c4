#include "ui/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "replication/check/sliced_check.h"
#include "startup/error_box.h"
#include "ui/check_control.h"
#include "ui/copy_control.h"
#include "ui/select_db_path_form.h"
#include "ui/tables_dialog.h"
#include "ui/tables_view.h"
#include "ui/widget_names.h"

namespace brindle {

namespace {

constexpr int kClientWidth = 617;
constexpr int kClientHeight = 426;
constexpr int kTimerIntervalMs = 1000;
const QColor kBlue(0, 0, 255);

void SetTextColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  widget->setPalette(palette);
}

void SetTextColor(QWidget* widget, const TRgb& color) {
  SetTextColor(widget, QColor(color.Red, color.Green, color.Blue));
}

void SetFont(QWidget* widget, int pixel_size, bool bold) {
  QFont font = widget->font();
  font.setPixelSize(pixel_size);
  font.setBold(bold);
  widget->setFont(font);
}

QLabel* Label(const QString& text, const char* name, QWidget* parent) {
  return Named(new QLabel(text, parent), name);
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
  return Named(new QPushButton(text, parent), name);
}

}  // namespace

TForm4::TForm4(TCopyEngine& engine, TSlicedCheck* check, QWidget* parent)
    : QWidget(parent), engine_(engine), check_(check) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(
      QStringLiteral("Программа для копирования данных по Комм. отделу для личного кабинета WEB"));
  QFont base(QStringLiteral("Tahoma"));
  base.setPixelSize(16);
  setFont(base);

  Label10 = Label(QStringLiteral("Версия программы от 31.07.2017"), "Label10", this);
  SetTextColor(Label10, kStateGreen);
  SetFont(Label10, 16, true);
  Label1 = Label(QStringLiteral("Укажите путь к рабочей базе данных КОРТА-Офиса:"), "Label1", this);
  edDBSource = Named(new QLineEdit(this), "edDBSource");
  edDBSource->setReadOnly(true);
  SpeedButton1 = Button(QStringLiteral("..."), "SpeedButton1", this);
  Label2 = Label(QStringLiteral("Укажите путь к копии БД:"), "Label2", this);
  edDBTarget = Named(new QLineEdit(this), "edDBTarget");
  edDBTarget->setReadOnly(true);
  SpeedButton2 = Button(QStringLiteral("..."), "SpeedButton2", this);
  for (QPushButton* button : {SpeedButton1, SpeedButton2}) button->setFixedWidth(32);
  Label3 = Label(QStringLiteral("Копию базы данных офиса следует использовать при построении "
                                "отчетов Коммерческого отдела через WEB. "),
                 "Label3", this);
  Label4 = Label(QStringLiteral("Копия не является точной копией базы данных КОРТА-ОФИСА. Файл "
                                "копии базы данных нельзя использовать\n"
                                "как рабочую базу данных - система не сможет работать корректно!"),
                 "Label4", this);
  for (QLabel* notice : {Label3, Label4}) {
    SetTextColor(notice, kBlue);
    SetFont(notice, 10, false);
    // A wider substitute for the design font must not widen the window.
    notice->setWordWrap(true);
  }
  Label5 = Label(QStringLiteral("Выполнять поиск изменений в рабочей БД каждые"), "Label5", this);
  edPeriod = Named(new QLineEdit(QStringLiteral("60"), this), "edPeriod");
  edPeriod->setFixedWidth(60);
  Label6 = Label(QStringLiteral("секунд"), "Label6", this);
  cbAutoStartCopy = Named(
      new QCheckBox(QStringLiteral("Запускать копирование сразу после старта программы"), this),
      "cbAutoStartCopy");
  Label7 = Label(QStringLiteral("задача:"), "Label7", this);
  labWorkState = Label(QStringLiteral("ОТКЛЮЧЕНО"), "labWorkState", this);
  Label9 = Label(QStringLiteral("статус:"), "Label9", this);
  labStatus = Label(QStringLiteral("ОТКЛЮЧЕНО"), "labStatus", this);
  for (QLabel* state : {labWorkState, labStatus}) {
    SetTextColor(state, kStateRed);
    SetFont(state, 18, true);
    // A long progress text wraps instead of widening the window.
    state->setWordWrap(true);
  }
  labError = Label(QStringLiteral("ОТКЛЮЧЕНО"), "labError", this);
  SetTextColor(labError, kStateRed);
  Label8 = Label(QStringLiteral("Время последнего копирования данных:"), "Label8", this);
  labLastCopyTime = Label(QStringLiteral("???????????"), "labLastCopyTime", this);
  labCheck = Label(QString(), "labCheck", this);
  for (QLabel* line : {labError, labCheck}) {
    line->setWordWrap(true);
    line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    line->setFixedHeight(2 * line->fontMetrics().lineSpacing());
    // Showing a line must not move the controls below it.
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setRetainSizeWhenHidden(true);
    line->setSizePolicy(policy);
    line->setVisible(false);
    // Two lines show only the start of a long text: the whole of it is in the tooltip, and can
    // be selected with the mouse (the error's also copied from the label's menu).
    line->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  labError->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* copy_error = new QAction(QStringLiteral("Копировать текст ошибки"), labError);
  copy_error->setObjectName(QStringLiteral("actCopyError"));
  connect(copy_error, &QAction::triggered, this,
          [this] { QGuiApplication::clipboard()->setText(labError->toolTip()); });
  labError->addAction(copy_error);

  pnlBottom = Named(new QFrame(this), "pnlBottom");
  pnlBottom->setFrameShape(QFrame::StyledPanel);
  btnRun = Button(QStringLiteral("ЗАПУСТИТЬ"), "btnRun", pnlBottom);
  btnExit = Button(QStringLiteral("Выход"), "btnExit", pnlBottom);
  btnTables = Button(QStringLiteral("Таблицы"), "btnTables", pnlBottom);
  btnCheck = Button(QStringLiteral("Проверка копии"), "btnCheck", pnlBottom);
  auto* check_menu = new QMenu(btnCheck);
  actCheckCopy = Named(check_menu->addAction(QStringLiteral("Проверить копию")), "actCheckCopy");
  actRepairCopy =
      Named(check_menu->addAction(QStringLiteral("Исправить копию...")), "actRepairCopy");
  btnCheck->setMenu(check_menu);
  btnCheck->setToolTip(
      QStringLiteral("Сравнить копию с рабочей БД между копированиями; "
                     "доступно, пока копирование запущено"));
  btnCheck->setVisible(check_ != nullptr);
  btnCheck->setEnabled(false);
  btnRun->setMinimumWidth(160);
  btnExit->setMinimumWidth(100);
  auto* panel_layout = new QHBoxLayout(pnlBottom);
  panel_layout->setContentsMargins(8, 6, 8, 6);
  panel_layout->addWidget(btnRun);
  panel_layout->addStretch(1);
  panel_layout->addWidget(btnCheck);
  panel_layout->addWidget(btnTables);
  panel_layout->addWidget(btnExit);

  auto* content = new QVBoxLayout;
  content->setContentsMargins(8, 6, 8, 4);
  content->setSpacing(3);
  content->addWidget(Label10);
  content->addWidget(Label1);
  auto* source_row = new QHBoxLayout;
  source_row->addWidget(edDBSource, 1);
  source_row->addWidget(SpeedButton1);
  content->addLayout(source_row);
  content->addWidget(Label2);
  auto* target_row = new QHBoxLayout;
  target_row->addWidget(edDBTarget, 1);
  target_row->addWidget(SpeedButton2);
  content->addLayout(target_row);
  content->addWidget(Label3);
  content->addWidget(Label4);
  auto* period_row = new QHBoxLayout;
  period_row->addWidget(Label5);
  period_row->addWidget(edPeriod);
  period_row->addWidget(Label6);
  period_row->addStretch(1);
  content->addLayout(period_row);
  content->addWidget(cbAutoStartCopy);
  auto* state_grid = new QGridLayout;
  state_grid->setVerticalSpacing(0);
  state_grid->addWidget(Label7, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
  state_grid->addWidget(labWorkState, 0, 1);
  state_grid->addWidget(Label9, 1, 0, Qt::AlignRight | Qt::AlignVCenter);
  state_grid->addWidget(labStatus, 1, 1);
  state_grid->setColumnStretch(1, 1);
  content->addLayout(state_grid);
  content->addWidget(labError);
  auto* last_copy_row = new QHBoxLayout;
  last_copy_row->addWidget(Label8);
  last_copy_row->addWidget(labLastCopyTime, 1);
  content->addLayout(last_copy_row);
  content->addWidget(labCheck);
  content->addStretch(1);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);
  root->addLayout(content, 1);
  root->addWidget(pnlBottom);

  Timer1 = Named(new QTimer(this), "Timer1");
  Timer1->setInterval(kTimerIntervalMs);

  connect(btnRun, &QPushButton::clicked, this, &TForm4::btnRunClick);
  connect(btnExit, &QPushButton::clicked, this, &QWidget::close);
  connect(btnTables, &QPushButton::clicked, this, &TForm4::btnTablesClick);
  connect(actCheckCopy, &QAction::triggered, this, &TForm4::actCheckCopyClick);
  connect(actRepairCopy, &QAction::triggered, this, &TForm4::actRepairCopyClick);
  connect(cbAutoStartCopy, &QCheckBox::clicked, this, &TForm4::cbAutoStartCopyClick);
  connect(SpeedButton1, &QPushButton::clicked, this, &TForm4::SpeedButton1Click);
  connect(SpeedButton2, &QPushButton::clicked, this, &TForm4::SpeedButton2Click);
  connect(Timer1, &QTimer::timeout, this, &TForm4::Timer1Timer);

  resize(kClientWidth, kClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  FormCreate();
  StartRecordRead();
  Timer1->start();
}

TForm4::~TForm4() = default;

void TForm4::FormCreate() {
  const TCopySettings settings = engine_.Settings();
  edDBSource->setText(Q(settings.WorkDBConnStr));
  edDBTarget->setText(Q(settings.CopyDBConnStr));
  edPeriod->setText(QString::number(settings.CheckPeriod));
  cbAutoStartCopy->setChecked(settings.AutoStartCopy);
}

void TForm4::FormShow() {
  if (engine_.Settings().AutoStartCopy) btnRunClick();
}

bool TForm4::FormCloseQuery() {
  return MainWindowMayClose(engine_);
}

void TForm4::btnRunClick() {
  RunAction([this] {
    SwitchCopying(engine_, edDBSource->text().toStdString(), edDBTarget->text().toStdString(),
                  edPeriod->text().toStdString());
  });
}

void TForm4::cbAutoStartCopyClick() {
  RunAction([this] { StoreAutoStartCopy(engine_, cbAutoStartCopy->isChecked()); });
}

void TForm4::SpeedButton1Click() {
  RunAction([this] {
    const TCopySettings settings = engine_.Settings();
    std::string conn_str = settings.WorkDBConnStr;
    std::string password = settings.WorkDBPassword;
    if (!SelectDBPath(engine_.Binding(), conn_str, password, true)) return;
    StoreWorkDB(engine_, conn_str, password, [&] { edDBSource->setText(Q(conn_str)); });
  });
}

void TForm4::SpeedButton2Click() {
  RunAction([this] {
    const TCopySettings settings = engine_.Settings();
    std::string conn_str = settings.CopyDBConnStr;
    std::string password = settings.CopyDBPassword;
    if (!SelectDBPath(engine_.Binding(), conn_str, password, false)) return;
    StoreCopyDB(engine_, conn_str, password, [&] {
      edDBTarget->setText(Q(conn_str));
      known_.ForgetTables(Now());
      StartRecordRead();
    });
  });
}

void TForm4::btnTablesClick() {
  if (!tables_) tables_ = new TTablesDialog(this);
  tables_->show();
  RefreshTables();
  tables_->raise();
}

void TForm4::actCheckCopyClick() {
  if (check_) RunAction([this] { AskForCheckRound(*check_, engine_, false); });
}

void TForm4::actRepairCopyClick() {
  if (check_) RunAction([this] { AskForCheckRound(*check_, engine_, true); });
}

void TForm4::StartRecordRead() {
  const TCopySettings settings = engine_.Settings();
  record_reader_.Start(
      [&engine = engine_, conn_str = settings.CopyDBConnStr, password = settings.CopyDBPassword] {
        return ReadCopyRecord(engine.Binding(), conn_str, password);
      });
}

void TForm4::RefreshTables() {
  if (const auto read = record_reader_.Take()) {
    known_.TakeRecord(read->Record, read->WorkClockOffset, read->Started);
  }
  const std::optional<TPassResult> last = engine_.LastResult();
  if (last) known_.TakePass(*last);
  if (check_) {
    if (const std::optional<TCheckResult> round = check_->TakeFinished()) {
      known_.TakeRound(*round, Now());
    }
  }
  if (!tables_ || !tables_->isVisible()) return;
  tables_->Show(
      ComputeTablesView(known_, last, {record_reader_.Reading(), record_reader_.Error()}, Now()));
}

void TForm4::Timer1Timer() {
  RefreshTables();
  const TMainWindowDisplay display = ComputeMainWindowDisplay(ReadCopyState(engine_));
  SpeedButton1->setEnabled(display.PathsEnabled);
  SpeedButton2->setEnabled(display.PathsEnabled);
  edPeriod->setEnabled(display.PathsEnabled);
  btnRun->setEnabled(display.RunEnabled);
  btnExit->setEnabled(display.RunEnabled);
  labError->setVisible(display.ErrorVisible);
  // Set again only when it changes, or a selection being made would be lost every second.
  if (display.ErrorVisible && labError->toolTip() != Q(display.ErrorText)) {
    labError->setText(Q(display.ErrorText));
    labError->setToolTip(Q(display.ErrorText));
  }
  labLastCopyTime->setText(Q(display.LastCopyTimeText));
  labWorkState->setText(Q(display.WorkStateText));
  SetTextColor(labWorkState, display.WorkStateColor);
  labStatus->setText(Q(display.StatusText));
  SetTextColor(labStatus, display.StatusColor);
  btnRun->setText(Q(display.RunCaption));
  if (check_) {
    const TCheckDisplay check =
        ComputeCheckDisplay(check_->State(), known_.LastRound(), engine_.CopyEnabled());
    btnCheck->setEnabled(check.Enabled);
    labCheck->setVisible(!check.Text.empty());
    if (labCheck->toolTip() != Q(check.Text)) {
      labCheck->setText(Q(check.Text));
      labCheck->setToolTip(Q(check.Text));
    }
    SetTextColor(labCheck, check.Color);
  }
  if (close_requested_ && MainWindowMayClose(engine_)) close();
}

void TForm4::RequestClose() {
  close_requested_ = true;
  close();
}

void TForm4::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_ || event->spontaneous()) return;
  shown_ = true;
  // Once the window is on the screen, so that an error box of the autostart appears over it.
  QTimer::singleShot(0, this, &TForm4::FormShow);
}

void TForm4::closeEvent(QCloseEvent* event) {
  if (FormCloseQuery()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace brindle
