#include "platform/error.h"

#include <cstring>

namespace brindle {

void RaiseWithPrefix(const std::string& prefix) {
  try {
    throw;
  } catch (const Exception& e) {
    e.RaiseWithMessage(prefix + " -> " + e.Message());
  } catch (const std::exception& e) {
    throw Exception(prefix + " -> " + e.what());
  } catch (...) {
    throw Exception(prefix + " -> unknown error");
  }
  std::terminate();  // not reached: every branch throws
}

std::string SystemErrorText(int error) {
  char buffer[256];
  // GNU strerror_r returns the text, which need not be in buffer.
  return strerror_r(error, buffer, sizeof buffer);
}

}  // namespace brindle
