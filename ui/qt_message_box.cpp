#include "ui/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "platform/error.h"

namespace brindle {

namespace {

QMessageBox::Icon IconOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kError:
      return QMessageBox::Critical;
    case MessageIcon::kWarning:
      return QMessageBox::Warning;
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

struct ButtonSet {
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton default_button;
  QMessageBox::StandardButton escape_button;
};

ButtonSet ButtonsOf(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
      return {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
    case MessageButtons::kOkCancel:
      return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel};
    case MessageButtons::kYesNo:
      return {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No};
    case MessageButtons::kYesNoCancel:
      return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes,
              QMessageBox::Cancel};
  }
  return {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
}

MessageResult ResultOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Yes:
      return MessageResult::kYes;
    case QMessageBox::No:
      return MessageResult::kNo;
    case QMessageBox::Cancel:
      return MessageResult::kCancel;
    default:
      return MessageResult::kOk;
  }
}

// The messages keep Windows line breaks; Qt breaks lines at "\n" alone. The class name an error
// carries is for the log.
QString DisplayText(const std::string& text) {
  return QString::fromStdString(WithoutClassName(text))
      .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

MessageResult ShowQtMessageBox(const MessageBoxRequest& request) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app && QThread::currentThread() != app->thread()) {
    MessageResult result = MessageResult::kCancel;
    QMetaObject::invokeMethod(
        app, [&] { result = ShowQtMessageBox(request); }, Qt::BlockingQueuedConnection);
    return result;
  }
  const ButtonSet set = ButtonsOf(request.buttons);
  QMessageBox box(IconOf(request.icon), QString::fromStdString(request.caption),
                  DisplayText(request.text), set.buttons, QApplication::activeWindow());
  box.setDefaultButton(set.default_button);
  box.setEscapeButton(set.escape_button);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  return ResultOf(clicked ? box.standardButton(clicked) : set.escape_button);
}

TQtMessageBoxes::TQtMessageBoxes() : previous_(SetMessageBoxHandler(&ShowQtMessageBox)) {}

TQtMessageBoxes::~TQtMessageBoxes() {
  SetMessageBoxHandler(std::move(previous_));
}

}  // namespace brindle
