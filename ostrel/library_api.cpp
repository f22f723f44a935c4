// The exported entry points of libOstrel.so: thin guards around the library's C++ work that turn
// every exception into a report to the caller (library_api.h).
#include "ostrel/library_api.h"

#include <exception>
#include <string>

#include "ostrel/database_description.h"
#include "ostrel/paradox_data.h"
#include "ostrel/structure_check.h"

namespace {

using brindle::Exception;

void Report(TOstrelErrorReport* error, const char* class_name, const char* message) noexcept {
  if (!error || !error->report) return;
  try {
    error->report(error->context, class_name, message);
  } catch (...) {
    // The caller's receiver failed; the result code still tells the failure.
  }
}

template <class Body>
std::int32_t Guarded(TOstrelErrorReport* error, Body&& body) noexcept {
  try {
    body();
    return 0;
  } catch (const brindle::ibx::EIBError& e) {
    if (error && error->report_codes && !e.ErrorCodes().empty()) {
      try {
        error->report_codes(error->context, e.ErrorCodes().data(), e.ErrorCodes().size(),
                            e.SQLCode());
      } catch (...) {
        // As for report.
      }
    }
    Report(error, e.ClassName(), e.Message().c_str());
  } catch (const Exception& e) {
    Report(error, e.ClassName(), e.Message().c_str());
  } catch (const std::exception& e) {
    Report(error, "Exception", e.what());
  } catch (...) {
    Report(error, "Exception", "неизвестная ошибка");
  }
  return 1;
}

std::string Text(const char* text) {
  return text ? text : "";
}

}  // namespace

extern "C" {

brindle::TfbDataBase* GetfbDataBase() noexcept {
  try {
    return new brindle::TfbDataBaseDescription();
  } catch (...) {
    return nullptr;
  }
}

std::int32_t CheckDBStruct(brindle::TfbDataBase* description, const brindle::VariantArray* options,
                           TOstrelErrorReport* error) noexcept {
  return Guarded(error, [&] {
    auto* described = dynamic_cast<brindle::TfbDataBaseDescription*>(description);
    if (!described) {
      throw Exception("CheckDBStruct: описание БД не получено от GetfbDataBase этой библиотеки");
    }
    const std::string* log_file =
        options && !options->empty() ? std::get_if<std::string>(&options->front()) : nullptr;
    if (!log_file || log_file->empty()) {
      throw Exception("CheckDBStruct: первым параметром должен передаваться путь к файлу журнала");
    }
    const auto result = brindle::ostrel::CheckDatabaseStructure(*described, *log_file);
    described->SetLastCheck({result.database_created, result.created});
  });
}

void FreefbDataBase(brindle::TfbDataBase* description) noexcept {
  delete description;
}

std::int32_t CopyDataFromParadoxBase(const char* folder, const char* connection_string,
                                     const char* /*user*/, const char* /*password*/,
                                     const char* log_file, std::int32_t /*first*/,
                                     std::int32_t /*second*/,
                                     const brindle::VariantArray* /*options*/,
                                     TOstrelErrorReport* error) noexcept {
  return Guarded(error, [&] {
    brindle::ostrel::ReportParadoxData(Text(folder), Text(connection_string), Text(log_file));
  });
}

}  // extern "C"
