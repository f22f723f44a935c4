#include "platform/error.h"

#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <typeinfo>

namespace brindle {

namespace {

std::string Wrapped(const std::string& prefix, const std::string& message,
                    const std::string& class_name, bool with_class) {
  std::string text = prefix + " -> " + message;
  if (with_class && text.find(" <# ") == std::string::npos) text += " <# " + class_name + " #>";
  return text;
}

std::string ForeignClassName(const std::exception& e) {
  int status = 0;
  char* name = abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status);
  std::string result = status == 0 && name ? name : typeid(e).name();
  std::free(name);
  return result;
}

}  // namespace

void WrapException(const std::string& prefix, bool with_class) {
  try {
    throw;
  } catch (const Exception& e) {
    e.RaiseWithMessage(Wrapped(prefix, e.Message(), e.ClassName(), with_class));
  } catch (const std::exception& e) {
    throw Exception(Wrapped(prefix, e.what(), ForeignClassName(e), with_class));
  } catch (...) {
    throw Exception(Wrapped(prefix, "unknown error", "Exception", with_class));
  }
  std::terminate();  // not reached: every branch throws
}

std::string SystemErrorText(int error) {
  char buffer[256];
  // GNU strerror_r returns the text, which need not be in buffer.
  return strerror_r(error, buffer, sizeof buffer);
}

std::string CurrentErrorText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

std::string WithoutClassName(const std::string& message) {
  const std::size_t start = message.rfind(" <# ");
  if (start == std::string::npos || !message.ends_with(" #>")) return message;
  return message.substr(0, start);
}

}  // namespace brindle
