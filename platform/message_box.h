// Message boxes, reached through one replaceable handler so that the window toolkit shows them
// and tests answer them without a screen. Without a handler the box is written to stderr and
// answered with its default button.
#pragma once

#include <functional>
#include <string>

namespace brindle {

enum class MessageIcon { kError, kWarning, kInformation, kQuestion };
enum class MessageButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class MessageResult { kOk, kCancel, kYes, kNo };

struct MessageBoxRequest {
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::kInformation;
  MessageButtons buttons = MessageButtons::kOk;
};

using MessageBoxHandler = std::function<MessageResult(const MessageBoxRequest&)>;

// Installs the handler for all threads; an empty one restores the stderr default. Returns the
// handler it replaces.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

MessageResult ShowMessageBox(const MessageBoxRequest& request);

// The answer of a box that nobody answers: OK, or Yes.
MessageResult DefaultButton(MessageButtons buttons);

}  // namespace brindle
