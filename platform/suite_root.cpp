#include "platform/suite_root.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace brindle {

namespace {

std::string DirectoryFromEnv(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  std::string dir = value && *value ? value : fallback;
  if (dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

std::string SuiteRoot() {
  return DirectoryFromEnv("ZEMT_ROOT", "/opt/zemt/");
}

std::string SuiteRootProblem() {
  const std::string root = SuiteRoot();
  struct stat st {};
  if (::stat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return {};
  return "Папка комплекса \"" + root + "\" не найдена (её задаёт переменная ZEMT_ROOT, по " +
         "умолчанию /opt/zemt/): задайте ZEMT_ROOT или установите программу. Ничего не создано.";
}

std::string SuitePath(std::string_view relative) {
  return SuiteRoot() + std::string(relative);
}

std::string ComputerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string TempFolder() {
  return DirectoryFromEnv("TMPDIR", "/tmp");
}

}  // namespace brindle
