#include "ostrel/paradox_data.h"

#include <filesystem>

#include "ostrel/check_log.h"
#include "platform/text.h"

namespace brindle::ostrel {

void ReportParadoxData(const std::string& folder, const std::string& connection_string,
                       const std::string& log_file) {
  CheckLog log(log_file);
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    log.Difference("Папка данных Paradox \"" + folder + "\" не найдена; в БД " + connection_string +
                   " ничего не перенесено");
    return;
  }
  int tables = 0;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file(error) && SameText(it->path().extension().string(), ".db")) ++tables;
  }
  log.Difference("Найдены данные офиса в формате Paradox в папке \"" + folder +
                 "\" (таблиц: " + std::to_string(tables) + "); в БД " + connection_string +
                 " они не перенесены: чтение таблиц Paradox не поддерживается");
}

}  // namespace brindle::ostrel
