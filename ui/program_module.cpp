#include "ui/program_module.h"

#include "dbaccess/fyrn.h"
#include "dbaccess/office_db_verification.h"
#include "infra/program_log.h"
#include "platform/suite_root.h"
#include "ui/load_copy_settings.h"

namespace brindle {

TProgramModule::LogOpen::LogOpen() {
  SetProgramLog(std::make_unique<TMirtLogger>(SuitePath("LogFiles/Brindle.log")));
  LogProgram("");
  LogProgram("Программа запущена");
}

TProgramModule::LogOpen::~LogOpen() {
  LogProgram("Выход из программы");
  SetProgramLog(nullptr);
}

TProgramModule::StructureLibraryRelease::~StructureLibraryRelease() {
  ReleaseStructureLibrary();
}

TProgramModule::TProgramModule(TProgramModuleOptions options) {
  // Set while this thread is the log's only writer; the copy thread starts below.
  if (options.log_target) ProgramLog()->NotifyWindow = options.log_target;
  engine_ =
      std::make_unique<TCopyEngine>(Fyrn(), LoadCopySettings(options.verify_office_db, &warnings_),
                                    std::move(options.observer), std::move(options.pass));
}

TProgramModule::~TProgramModule() = default;

}  // namespace brindle
