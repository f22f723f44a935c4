#include "platform/message_box.h"

#include <cstdio>
#include <mutex>

namespace brindle {

namespace {

std::mutex handler_lock;
MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}

}  // namespace

MessageResult DefaultButton(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
    case MessageButtons::kOkCancel:
      return MessageResult::kOk;
    case MessageButtons::kYesNo:
    case MessageButtons::kYesNoCancel:
      return MessageResult::kYes;
  }
  return MessageResult::kOk;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard guard(handler_lock);
  std::swap(Handler(), handler);
  return handler;
}

MessageResult ShowMessageBox(const MessageBoxRequest& request) {
  MessageBoxHandler handler;
  {
    std::lock_guard guard(handler_lock);
    handler = Handler();
  }
  if (handler) return handler(request);
  std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
  return DefaultButton(request.buttons);
}

}  // namespace brindle
