// The box in which an operator's action that failed is reported: the error's message under the
// program's name, an OK button and the stop icon. Window handlers end here on any error; the
// window stays usable.
#pragma once

#include <exception>
#include <string>

namespace brindle {

void ShowErrorBox(const std::string& message);
void ShowErrorBox(const std::exception& error);

// Runs an operator's action; an error it raises is shown with ShowErrorBox. Returns whether it
// ran to its end.
template <class Action>
bool RunAction(Action&& action) {
  try {
    action();
    return true;
  } catch (const std::exception& e) {
    ShowErrorBox(e);
  }
  return false;
}

}  // namespace brindle
