// The entry points of the structure library libOstrel.so, which the program loads at run time and
// looks up by these names, and the way a failure crosses the library's boundary.
//
// Errors: no exception leaves an entry point. A call that can fail takes, as its last argument,
// a TOstrelErrorReport of the caller (null is allowed), returns 0 on success and 1 on failure,
// and on failure calls report once, before returning, with the class name and the message of
// the exception it caught (UTF-8 texts, valid only during the callback). The caller raises it
// again with the same message: TOstrelFailure below does that, as EOstrelError whose ClassName
// is the class the failure had inside the library ("EDescriptionError", ...). A server error also
// reports its codes (report_codes, when the caller gives one), and is raised again as EIBError
// with them, so the caller decides on codes as for its own connections.
// Every failure of CheckDBStruct is also written to its log file.
//
// The description's own operations (TfbDataBase, TfbTable) are virtual calls, not entry points;
// they raise EDescriptionError as C++ exceptions, which the program and library share.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ibx/ib_error.h"
#include "ostrel/description.h"
#include "platform/error.h"

#if defined(_WIN32)
#define OSTREL_EXPORT __declspec(dllexport)
#else
#define OSTREL_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

struct TOstrelErrorReport {
  void* context;
  void (*report)(void* context, const char* class_name, const char* message);
  // Called before report for a server error: its codes, the main one first, and its SQLCODE.
  void (*report_codes)(void* context, const std::intptr_t* codes, std::size_t count,
                       std::int32_t sql_code);
};

// A new, empty database description, which belongs to the caller until FreefbDataBase; null
// only when memory is exhausted.
OSTREL_EXPORT brindle::TfbDataBase* GetfbDataBase() noexcept;

// Creates the database that the description's SetConnection names when it does not exist, then
// creates every domain, table, column, key, index, generator and trigger of the description that
// it lacks (ostrel/structure_check.h). Connects as SYSDBA with the description's password.
// options: one element, the path of the log file for the findings, as text. The description
// must come from GetfbDataBase of this library.
OSTREL_EXPORT std::int32_t CheckDBStruct(brindle::TfbDataBase* description,
                                         const brindle::VariantArray* options,
                                         TOstrelErrorReport* error) noexcept;

// Releases a description of GetfbDataBase, with all its tables; null does nothing.
OSTREL_EXPORT void FreefbDataBase(brindle::TfbDataBase* description) noexcept;

// Carries office data of Paradox tables in folder over into the database of connection_string.
// No Paradox reader is available: it writes to log_file that the data was found and not
// carried over, and succeeds (ostrel/paradox_data.h). user, password, the two integers and the
// options are accepted and not used. Fails only when the log's folder cannot be made.
OSTREL_EXPORT std::int32_t CopyDataFromParadoxBase(const char* folder,
                                                   const char* connection_string, const char* user,
                                                   const char* password, const char* log_file,
                                                   std::int32_t first, std::int32_t second,
                                                   const brindle::VariantArray* options,
                                                   TOstrelErrorReport* error) noexcept;

}  // extern "C"

namespace brindle {

// The entry points' types, for the pointers that the program looks up.
using TGetfbDataBase = decltype(&GetfbDataBase);
using TCheckDBStruct = decltype(&CheckDBStruct);
using TFreefbDataBase = decltype(&FreefbDataBase);
using TCopyDataFromParadoxBase = decltype(&CopyDataFromParadoxBase);

// A failure that the structure library reported, raised again in the caller with the library's
// message. ClassName gives the class the failure had inside the library.
class EOstrelError : public Exception {
 public:
  EOstrelError(std::string class_name, std::string message)
      : Exception(std::move(message)), class_name_(std::move(class_name)) {}

  const char* ClassName() const noexcept override { return class_name_.c_str(); }
  [[noreturn]] void RaiseWithMessage(std::string message) const override {
    EOstrelError copy(*this);
    copy.SetMessage(std::move(message));
    throw copy;
  }

 private:
  std::string class_name_;
};

// Receives the failure of one entry-point call and raises it again:
//   TOstrelFailure failure;
//   failure.RaiseOnFailure(check(description, &options, failure.Report()), "CheckDBStruct");
class TOstrelFailure {
 public:
  TOstrelFailure() : report_{this, &TOstrelFailure::Receive, &TOstrelFailure::ReceiveCodes} {}
  TOstrelFailure(const TOstrelFailure&) = delete;
  TOstrelFailure& operator=(const TOstrelFailure&) = delete;

  TOstrelErrorReport* Report() { return &report_; }
  bool Reported() const { return reported_; }

  // Raises EOstrelError with the reported class and message when result is not 0; a failure
  // that came without a report names the entry point.
  void RaiseOnFailure(std::int32_t result, const char* entry_point) const {
    if (result == 0) return;
    if (reported_ && !codes_.empty()) throw ibx::EIBError(message_, codes_, sql_code_);
    if (reported_) throw EOstrelError(class_name_, message_);
    throw EOstrelError("Exception",
                       std::string(entry_point) + ": библиотека сообщила об ошибке без текста");
  }

 private:
  static void Receive(void* context, const char* class_name, const char* message) {
    auto* self = static_cast<TOstrelFailure*>(context);
    self->reported_ = true;
    self->class_name_ = class_name ? class_name : "Exception";
    self->message_ = message ? message : "";
  }
  static void ReceiveCodes(void* context, const std::intptr_t* codes, std::size_t count,
                           std::int32_t sql_code) {
    auto* self = static_cast<TOstrelFailure*>(context);
    self->codes_.assign(codes, codes + count);
    self->sql_code_ = sql_code;
  }

  TOstrelErrorReport report_;
  bool reported_ = false;
  std::string class_name_;
  std::string message_;
  std::vector<std::intptr_t> codes_;
  std::int32_t sql_code_ = 0;
};

}  // namespace brindle
