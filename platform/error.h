// The system's exception types. Every failure is an exception that carries a message text;
// a layer that adds context re-raises an exception of the same class with
// "prefix -> message" (WrapException), so the class of the first failure survives nesting.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace brindle {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

  // The class name as the operator sees it in wrapped messages.
  virtual const char* ClassName() const noexcept { return "Exception"; }

  // Throws a copy of this exception, of the same dynamic class, with another message.
  [[noreturn]] virtual void RaiseWithMessage(std::string message) const {
    Exception copy(*this);
    copy.message_ = std::move(message);
    throw copy;
  }

 protected:
  void SetMessage(std::string message) { message_ = std::move(message); }

 private:
  std::string message_;
};

// Declares an exception class derived from Base that keeps its class when re-raised.
#define BRINDLE_DECLARE_EXCEPTION(Name, Base)                                \
  class Name : public Base {                                                 \
   public:                                                                   \
    using Base::Base;                                                        \
    const char* ClassName() const noexcept override { return #Name; }        \
    [[noreturn]] void RaiseWithMessage(std::string message) const override { \
      Name copy(*this);                                                      \
      copy.SetMessage(std::move(message));                                   \
      throw copy;                                                            \
    }                                                                        \
  }

// A text that is not a valid number or date.
BRINDLE_DECLARE_EXCEPTION(EConvertError, Exception);
// A failure of an operating-system service, with the system's text.
BRINDLE_DECLARE_EXCEPTION(EOSError, Exception);

// Re-raises the exception being handled with its message prefixed by "prefix -> ". Exceptions
// of this system keep their class; any other exception becomes an Exception. With with_class,
// " <# ClassName #>" is appended unless the message already carries a class name, so the class
// of the first failure appears once at the end. Call only inside a catch block.
[[noreturn]] void WrapException(const std::string& prefix, bool with_class = false);

// The message without the class name WrapException appends (" <# EIBError #>"): for people, who
// read the log's messages without it.
std::string WithoutClassName(const std::string& message);

// Runs body; any exception leaving it is re-raised with the prefix.
template <class Body>
decltype(auto) WithContext(const std::string& prefix, Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    WrapException(prefix);
  }
}

// The message of the exception being handled ("unknown error" for one without). Call only inside
// a catch block.
std::string CurrentErrorText();

// The system's text for an errno value.
std::string SystemErrorText(int error);

}  // namespace brindle
