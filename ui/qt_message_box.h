// The program's message boxes as Qt message boxes (platform/message_box.h). Tests install
// their own answering handler instead and never need a screen.
#pragma once

#include "platform/message_box.h"

namespace brindle {

// Shows one box modally over the active window and returns the button pressed; closing the box
// counts as Cancel (as No for Yes/No, as OK for a lone OK). From another thread the box is
// shown by the main thread while the caller waits. The text is shown without the class name an
// error carries for the log (WithoutClassName). Needs the QApplication.
MessageResult ShowQtMessageBox(const MessageBoxRequest& request);

// Installs ShowQtMessageBox for the life of the object and restores the handler it replaced.
class TQtMessageBoxes {
 public:
  TQtMessageBoxes();
  ~TQtMessageBoxes();
  TQtMessageBoxes(const TQtMessageBoxes&) = delete;
  TQtMessageBoxes& operator=(const TQtMessageBoxes&) = delete;

 private:
  MessageBoxHandler previous_;
};

}  // namespace brindle
