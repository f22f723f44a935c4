// The data-access layer's one exception type. A server error carries the server's full status
// text, every line as the client formats it, and the server's error codes; a failure of the layer
// itself (a conversion, an unknown field or parameter, a connection that is not open) carries the
// layer's own text and no codes. The client library's own exception never leaves the layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/error.h"

namespace brindle::ibx {

class EIBError : public Exception {
 public:
  explicit EIBError(std::string message, std::vector<std::intptr_t> codes = {}, int sql_code = 0)
      : Exception(std::move(message)), codes_(std::move(codes)), sql_code_(sql_code) {}

  const char* ClassName() const noexcept override { return "EIBError"; }
  [[noreturn]] void RaiseWithMessage(std::string message) const override {
    EIBError copy(*this);
    copy.SetMessage(std::move(message));
    throw copy;
  }

  // The server's error codes (isc_... values of iberror.h), the main one first.
  const std::vector<std::intptr_t>& ErrorCodes() const noexcept { return codes_; }
  // The main error code; 0 for an error of the layer itself.
  std::intptr_t IBErrorCode() const noexcept { return codes_.empty() ? 0 : codes_.front(); }
  bool HasErrorCode(std::intptr_t code) const noexcept;
  // The server's SQLCODE; 0 for an error of the layer itself.
  int SQLCode() const noexcept { return sql_code_; }

 private:
  std::vector<std::intptr_t> codes_;
  int sql_code_ = 0;
};

// Raises a copy of e, of e's class, whose message is prefix + " -> " + e's message.
[[noreturn]] void RaiseInContext(const Exception& e, const std::string& prefix);

}  // namespace brindle::ibx
