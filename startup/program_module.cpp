#include "startup/program_module.h"

#include <exception>
#include <string>
#include <vector>

#include "dbaccess/fyrn.h"
#include "dbaccess/office_db_verification.h"
#include "infra/program_log.h"
#include "platform/suite_root.h"
#include "settings/settings_file.h"

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

namespace {

// Creates or completes the office database the suite's setting names, with the working
// database's password. A failure is logged and start-up goes on; a change is a warning, since the
// operator must learn that the office database was changed, not only the check log.
void VerifySuiteOfficeDB(TFyrn& fyrn, const std::string& password,
                         std::vector<std::string>& warnings) {
  // Never a database at a default location that no one named, on whatever server answers there.
  if (!OfficeDBSettingNamed()) {
    LogProgram("База данных офиса не задана в настройках (" + SettingsFileName("cnf") +
               "): её проверка пропущена");
    return;
  }
  const std::string office = OfficeDBSetting();
  try {
    const TfbDataBase::CheckOutcome made = VerifyOfficeDB(fyrn, office, password);
    if (made.database_created || made.objects_created > 0) {
      const std::string note =
          (made.database_created ? "Создана база данных офиса [" + office + "]"
                                 : "Структура базы данных офиса [" + office + "] дополнена") +
          ": создано объектов " + std::to_string(made.objects_created) + " (подробности в " +
          SuitePath("LogFiles/OstrelCheck.log") + ")";
      LogProgram(note, LogWarning);
      warnings.push_back(note);
    }
  } catch (const std::exception& e) {
    if (TMirtLogger* log = ProgramLog()) {
      log->WriteFmt("Ошибка коррекции базы данных [%s]: %s", {office, e.what()}, LogPlain);
    }
  }
}

}  // namespace

TProgramModule::TProgramModule(TFyrn& fyrn, TProgramModuleOptions options) {
  // Set while this thread is the log's only writer; the copy thread starts below.
  if (options.log_target) ProgramLog()->NotifyWindow = options.log_target;
  TCopySettings settings = LoadCopySettings(fyrn.GetPassword(), &warnings_);
  if (options.verify_office_db) VerifySuiteOfficeDB(fyrn, settings.WorkDBPassword, warnings_);
  engine_ = std::make_unique<TCopyEngine>(fyrn, std::move(settings), std::move(options.observer),
                                          std::move(options.pass));
  if (options.check_between_passes) {
    check_ = std::make_unique<TSlicedCheck>(fyrn, std::move(options.check));
    engine_->SetBetweenPasses(
        [check = check_.get()](const TCopySettings& now) { return check->RunSlice(now); });
  }
}

TProgramModule::~TProgramModule() {
  if (check_) check_->Stop();
  engine_.reset();
}

}  // namespace brindle
