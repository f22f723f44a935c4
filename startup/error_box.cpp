#include "startup/error_box.h"

#include "platform/message_box.h"
#include "platform/shared_library.h"

namespace brindle {

void ShowErrorBox(const std::string& message) {
  ShowMessageBox({ProgramFileName(), message, MessageIcon::kError, MessageButtons::kOk});
}

void ShowErrorBox(const std::exception& error) {
  ShowErrorBox(std::string(error.what()));
}

}  // namespace brindle
