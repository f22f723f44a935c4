#include "ui/select_db_path_form.h"

#include <QAction>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

#include "ui/widget_names.h"
#include "ui/window_placement.h"

namespace brindle {

namespace {

constexpr int kClientWidth = 396;
constexpr int kClientHeight = 261;

void MakeBold(QWidget* widget) {
  QFont font = widget->font();
  font.setBold(true);
  widget->setFont(font);
}

QLabel* Notice(const char* text, const char* name, QWidget* parent) {
  auto* label = Named(new QLabel(QString::fromUtf8(text), parent), name);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
  label->setPalette(palette);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  return label;
}

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
  auto* button = Named(new QPushButton(QString::fromUtf8(text), parent), name);
  button->setAutoDefault(false);  // Enter in a field does not press a button
  return button;
}

}  // namespace

TSelectOfDBPathForm::TSelectOfDBPathForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QString::fromLatin1(kPlacementName));
  setWindowTitle(QStringLiteral("Настройка пути к БД"));
  QFont base(QStringLiteral("MS Sans Serif"));
  base.setPixelSize(11);
  setFont(base);

  GroupBox2 = Named(new QGroupBox(QStringLiteral("Параметры подключения"), this), "GroupBox2");
  Label6 = Named(new QLabel(QStringLiteral("Имя сервера:"), GroupBox2), "Label6");
  edServer = Named(new QLineEdit(QStringLiteral("ServerName"), GroupBox2), "edServer");
  MakeBold(edServer);
  Label5 = Named(new QLabel(QStringLiteral("Порт:"), GroupBox2), "Label5");
  sePort = Named(new QSpinBox(GroupBox2), "sePort");
  // Any port the connection string holds is shown as it is, never clamped.
  sePort->setRange(INT_MIN, INT_MAX);
  sePort->setValue(0);
  sePort->setMinimumWidth(70);
  auto* group_layout = new QGridLayout(GroupBox2);
  group_layout->addWidget(Label6, 0, 0);
  group_layout->addWidget(edServer, 0, 1);
  group_layout->addWidget(Label5, 0, 2);
  group_layout->addWidget(sePort, 0, 3);
  group_layout->setColumnStretch(1, 1);

  Label1 = Named(new QLabel(QStringLiteral("Укажите либо выберите путь к БД"), this), "Label1");
  edFileName = Named(new QLineEdit(QStringLiteral("edFileName"), this), "edFileName");
  MakeBold(edFileName);
  sbSelectPath = Button("Выбрать", "sbSelectPath", this);
  Label2 = Notice(
      "Внимание! Строка подключения чувствительна к регистру! Различайте маленькие и большие "
      "буквы при заполнении пути к базе данных",
      "Label2", this);
  Label3 = Named(new QLabel(QStringLiteral("Пароль для доступа к БД"), this), "Label3");
  edPass = Named(new QLineEdit(QStringLiteral("edPass"), this), "edPass");
  edPass->setEchoMode(QLineEdit::Password);
  edPass->setStyleSheet(QStringLiteral("lineedit-password-character: 35;"));  // "#"
  Label4 =
      Notice("Внимание! Не меняйте пароль самостоятельно! Проконсультируйтесь с разработчиком!",
             "Label4", this);
  bTEST = Button("Тест", "bTEST", this);
  bOK = Button("Применить", "bOK", this);
  tMasButtonRED1 = Button("Отменить", "tMasButtonRED1", this);

  OpenDialog1 = Named(new QFileDialog(this), "OpenDialog1");
  OpenDialog1->setFileMode(QFileDialog::ExistingFile);
  OpenDialog1->setSizeGripEnabled(true);

  PopupMenu1 = Named(new QMenu(this), "PopupMenu1");
  L1 = Named(PopupMenu1->addAction(QStringLiteral("L")), "L1");
  K1 = Named(PopupMenu1->addAction(QStringLiteral("K")), "K1");
  sbSelectPath->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(sbSelectPath, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(sbSelectPath->mapToGlobal(at)); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 6, 8, 8);
  layout->setSpacing(4);
  layout->addWidget(GroupBox2);
  layout->addWidget(Label1);
  auto* file_row = new QHBoxLayout;
  file_row->addWidget(edFileName, 1);
  file_row->addWidget(sbSelectPath);
  layout->addLayout(file_row);
  layout->addWidget(Label2);
  auto* password_row = new QHBoxLayout;
  password_row->addWidget(Label3);
  password_row->addWidget(edPass, 1);
  layout->addLayout(password_row);
  layout->addWidget(Label4);
  layout->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(bTEST);
  buttons->addStretch(1);
  buttons->addWidget(bOK);
  buttons->addWidget(tMasButtonRED1);
  layout->addLayout(buttons);
  setFixedSize(kClientWidth, kClientHeight);

  connect(bOK, &QPushButton::clicked, this, &TSelectOfDBPathForm::BitBtn1Click);
  connect(bTEST, &QPushButton::clicked, this, &TSelectOfDBPathForm::bTESTClick);
  connect(tMasButtonRED1, &QPushButton::clicked, this, &QDialog::reject);
  connect(sbSelectPath, &QPushButton::clicked, this, &TSelectOfDBPathForm::sbSelectPathClick);
  connect(L1, &QAction::triggered, this, &TSelectOfDBPathForm::L1Click);
  connect(K1, &QAction::triggered, this, &TSelectOfDBPathForm::K1Click);
  connect(edServer, &QLineEdit::textChanged, this, &TSelectOfDBPathForm::edFileNameChange);
  connect(sePort, &QSpinBox::valueChanged, this, &TSelectOfDBPathForm::edFileNameChange);
  connect(edFileName, &QLineEdit::textChanged, this, &TSelectOfDBPathForm::edFileNameChange);
  connect(edPass, &QLineEdit::textChanged, this, &TSelectOfDBPathForm::edFileNameChange);
}

TSelectOfDBPathForm::~TSelectOfDBPathForm() = default;

int TSelectOfDBPathForm::Execute() {
  FormShow();
  PlaceWindow();
  return exec();
}

TDBPathFields TSelectOfDBPathForm::Fields() const {
  TDBPathFields fields;
  fields.Server = edServer->text().toStdString();
  fields.Port = sePort->value();
  fields.FileName = edFileName->text().toStdString();
  fields.Password = edPass->text().toStdString();
  return fields;
}

void TSelectOfDBPathForm::FormShow() {
  const TDBPathFields fields = Editor.FieldsToShow();
  edPass->setText(Q(fields.Password));
  edServer->setText(Q(fields.Server));
  sePort->setValue(fields.Port);
  edFileName->setText(Q(fields.FileName));
  Editor.Modified = false;  // last: the field changes above set it
}

void TSelectOfDBPathForm::BitBtn1Click() {
  if (Editor.Accept(Fields())) accept();
}

void TSelectOfDBPathForm::bTESTClick() {
  Editor.TestConnection(Fields());
}

void TSelectOfDBPathForm::sbSelectPathClick() {
  const std::string folder = BrowseStartFolder(edFileName->text().toStdString());
  if (!folder.empty()) OpenDialog1->setDirectory(Q(folder));
  if (OpenDialog1->exec() != QDialog::Accepted) return;
  const QStringList files = OpenDialog1->selectedFiles();
  if (!files.isEmpty()) edFileName->setText(files.first());
}

void TSelectOfDBPathForm::L1Click() {
  ApplyPreset(LocalWorkingCopyPreset());
}

void TSelectOfDBPathForm::K1Click() {
  ApplyPreset(HeadOfficePreset());
}

void TSelectOfDBPathForm::edFileNameChange() {
  Editor.Modified = true;
}

void TSelectOfDBPathForm::done(int result) {
  if (isVisible()) SaveWindowPosition(kPlacementName, {pos().x(), pos().y()});
  QDialog::done(result);
}

void TSelectOfDBPathForm::PlaceWindow() {
  if (const auto position = LoadWindowPosition(kPlacementName)) {
    const QPoint top_left(position->Left, position->Top);
    // Only a place that is still on a screen; the screens may have changed since.
    if (QGuiApplication::screenAt(top_left + QPoint(width() / 2, height() / 2))) {
      move(top_left);
      return;
    }
  }
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void TSelectOfDBPathForm::ApplyPreset(const TDBPathPreset& preset) {
  edServer->setText(Q(preset.Server));
  edFileName->setText(Q(preset.FileName));
}

bool SelectDBPath(TFyrn& fyrn, std::string& conn_str, std::string& password, bool is_working_db) {
  TSelectOfDBPathForm form;
  form.Editor.ConnStr = conn_str;
  form.Editor.Password = password;
  form.Editor.CheckOfficeDB = true;
  form.Editor.IsWorkingDB = is_working_db;
  form.Editor.Binding = &fyrn;
  if (form.Execute() != QDialog::Accepted) return false;
  conn_str = BuildDBConnStr(form.Fields(), is_working_db);
  password = form.edPass->text().toStdString();
  return true;
}

}  // namespace brindle
