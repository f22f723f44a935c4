#include "ostrel/check_log.h"

#include <filesystem>

#include "platform/error.h"

namespace brindle::ostrel {

namespace {

const std::string& PreparedLogFile(const std::string& file) {
  if (file.empty()) throw EOSError("Не задан файл журнала проверки структуры БД");
  const std::filesystem::path folder = std::filesystem::path(file).parent_path();
  std::error_code error;
  if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
    // A log that cannot be written never stops the check: the logger records each lost line
    // in its error log.
    std::filesystem::create_directories(folder, error);
  }
  return file;
}

}  // namespace

CheckLog::CheckLog(const std::string& file) : logger_(PreparedLogFile(file)) {}

void CheckLog::Created(const std::string& text) {
  ++created_;
  Changed(text);
}

void CheckLog::Changed(const std::string& text) {
  changes_.push_back(text);
  logger_.Write(text, LogPlain);
}

void CheckLog::Difference(const std::string& text) {
  ++differences_;
  logger_.Write(text, LogWarning);
}

void CheckLog::Note(const std::string& text) {
  logger_.Write(text, LogPlain);
}

void CheckLog::Error(const std::string& text) {
  logger_.Write(text, LogError);
}

}  // namespace brindle::ostrel
