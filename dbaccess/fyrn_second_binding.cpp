#include "dbaccess/fyrn_second_binding.h"

#include <cstdlib>
#include <string_view>
#include <vector>

#include "dbaccess/fyrn.h"
#include "fyrn/fyrn_api.h"
#include "platform/suite_root.h"

namespace brindle {

namespace {

// Libraries kept loaded on purpose: reachable until the process ends, never unloaded.
std::vector<std::unique_ptr<SharedLibrary>>& KeptLibraries() {
  static auto* kept = new std::vector<std::unique_ptr<SharedLibrary>>();
  return *kept;
}

}  // namespace

TFyrnSecondBinding::TFyrnSecondBinding() {
  for (const std::string& name : {ProgramFolder() + kFyrnLibraryName, SuitePath(kFyrnLibraryName),
                                  std::string(kFyrnLibraryName)}) {
    library_ = SharedLibrary::Load(name);
    if (library_) return;
  }
  throw ERefusedStart("Ошибка!", std::string("Модуль ") + kFyrnLibraryName +
                                     " не загружен. В запуске приложения отказано!");
}

TFyrnSecondBinding::~TFyrnSecondBinding() {
  const char* loaded = std::getenv("FYRNDLL_ISLOADED");
  if (loaded && std::string_view(loaded) == "1") return;  // library_ goes, and unloads
  KeptLibraries().push_back(std::move(library_));
}

}  // namespace brindle
