// The program's message boxes as Qt message boxes, answered here by pressing their buttons.
#include "ui/qt_message_box.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QThread>
#include <thread>

#include "tests/ui/ui_test_support.h"

namespace brindle {
namespace {

using testing::OnNextModal;

TEST(QtMessageBox, ShowsTheRequestAndReturnsThePressedButton) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title, text;
  QMessageBox::StandardButtons buttons;
  OnNextModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    icon = box->icon();
    title = box->windowTitle();
    text = box->text();
    buttons = box->standardButtons();
    box->button(QMessageBox::No)->click();
  });
  const MessageResult result =
      ShowQtMessageBox({"Внимание!", "Первая строка\r\nвторая", MessageIcon::kQuestion,
                        MessageButtons::kYesNoCancel});
  EXPECT_EQ(result, MessageResult::kNo);
  EXPECT_EQ(icon, QMessageBox::Question);
  EXPECT_EQ(title, "Внимание!");
  EXPECT_EQ(text, "Первая строка\nвторая");
  EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

TEST(QtMessageBox, ClosingTheBoxCancels) {
  for (const auto& [buttons, expected] :
       std::initializer_list<std::pair<MessageButtons, MessageResult>>{
           {MessageButtons::kYesNoCancel, MessageResult::kCancel},
           {MessageButtons::kYesNo, MessageResult::kNo},
           {MessageButtons::kOkCancel, MessageResult::kCancel},
           {MessageButtons::kOk, MessageResult::kOk}}) {
    SCOPED_TRACE(static_cast<int>(buttons));
    OnNextModal([](QWidget* modal) {
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(modal, &escape);
    });
    EXPECT_EQ(ShowQtMessageBox({"", "?", MessageIcon::kInformation, buttons}), expected);
  }
}

TEST(QtMessageBox, IconsMatchTheRequest) {
  for (const auto& [icon, expected] :
       std::initializer_list<std::pair<MessageIcon, QMessageBox::Icon>>{
           {MessageIcon::kError, QMessageBox::Critical},
           {MessageIcon::kWarning, QMessageBox::Warning},
           {MessageIcon::kInformation, QMessageBox::Information}}) {
    QMessageBox::Icon shown = QMessageBox::NoIcon;
    OnNextModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      shown = box->icon();
      box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(ShowQtMessageBox({"", "!", icon, MessageButtons::kOk}), MessageResult::kOk);
    EXPECT_EQ(shown, expected);
  }
}

TEST(QtMessageBox, AnotherThreadsBoxIsShownByTheMainThread) {
  TQtMessageBoxes installed;
  QThread* shown_on = nullptr;
  OnNextModal([&](QWidget* modal) {
    shown_on = QThread::currentThread();
    qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click();
  });
  MessageResult result = MessageResult::kOk;
  std::thread worker([&] {
    result = ShowMessageBox({"", "?", MessageIcon::kQuestion, MessageButtons::kYesNo});
  });
  ASSERT_TRUE(testing::WaitFor([&] { return shown_on != nullptr; }));
  worker.join();
  EXPECT_EQ(result, MessageResult::kYes);
  EXPECT_EQ(shown_on, QApplication::instance()->thread());
}

}  // namespace
}  // namespace brindle
