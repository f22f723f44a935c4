#include "ui/program_module.h"

#include "dbaccess/office_db_verification.h"
#include "infra/program_log.h"
#include "platform/suite_root.h"
#include "replication/copy_pass.h"
#include "replication/copy_settings.h"
#include "ui/load_copy_settings.h"

namespace brindle {

TProgramModule::SettingsClear::~SettingsClear() {
  WorkDBConnStr.clear();
  WorkDBPassword.clear();
  CopyDBConnStr.clear();
  CopyDBPassword.clear();
}

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

TProgramModule::ThreadStop::~ThreadStop() {
  CopyThread = nullptr;
  thread.reset();
}

TProgramModule::TProgramModule(TProgramModuleOptions options) {
  // Set while this thread is the log's only writer; the copy thread starts below.
  if (options.log_target) ProgramLog()->NotifyWindow = options.log_target;
  LoadCopySettings();
  TCopyDBThread::Pass pass = std::move(options.pass);
  if (!pass) pass = &RunCopyPass;
  thread_stop_.thread = std::make_unique<TCopyDBThread>(std::move(pass));
  CopyThread = thread_stop_.thread.get();
}

TProgramModule::~TProgramModule() = default;

}  // namespace brindle
