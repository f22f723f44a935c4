#include "tests/support/test_fyrn.h"

#include <memory>
#include <stdexcept>

#include "platform/message_box.h"

namespace brindle::testing {

TFyrn& TestFyrn() {
  static std::unique_ptr<TFyrn> fyrn = [] {
    MessageBoxHandler previous = SetMessageBoxHandler([](const MessageBoxRequest& box) {
      throw std::runtime_error("The binding refused to start: " + box.caption + ": " + box.text);
      return MessageResult::kOk;
    });
    auto made = std::make_unique<TFyrn>();
    SetMessageBoxHandler(std::move(previous));
    return made;
  }();
  return *fyrn;
}

}  // namespace brindle::testing
