// brindle: keeps the reporting copy of the office database up to date.
//
// Start-up runs on the main thread in a fixed order, and shutdown undoes it in reverse once the
// main window has closed: the settings need the database library's binding (default passwords
// come from it), every later step writes to the program log, and the copy thread must be joined
// before the log closes.
#include <QApplication>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "dbaccess/fyrn.h"
#include "dbaccess/fyrn_second_binding.h"
#include "infra/logger.h"
#include "platform/character_handling.h"
#include "platform/message_box.h"
#include "platform/shared_library.h"
#include "platform/suite_root.h"
#include "startup/error_box.h"
#include "startup/program_module.h"
#include "startup/startup_guards.h"
#include "ui/close_on_signal.h"
#include "ui/display_scaling.h"
#include "ui/dpi_switch.h"
#include "ui/main_window.h"
#include "ui/qt_message_box.h"

namespace {

using namespace brindle;

int RunMainWindow(QApplication& app, TCloseOnSignal& close_on_signal, TProgramModule& program) {
  TForm4 form(program.Engine(), program.Check());
  close_on_signal.Watch(&form);
  form.show();
  const int result = app.exec();
  close_on_signal.Watch(nullptr);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  BlockCloseSignals();
  // 1. The display-scaling switch, before Qt reads its scaling.
  if (const auto dpi = ParseDpiSwitch(std::vector<std::string>(argv + 1, argv + argc))) {
    ApplyDisplayScaling(*dpi);
  }
  // The toolkit exists from here on, since the binding's refusals below are message boxes.
  QApplication app(argc, argv);
  UseUtf8CharacterHandling();  // after Qt, which takes the environment's locale
  TQtMessageBoxes message_boxes;
  TCloseOnSignal close_on_signal;

  if (const std::string problem = SuiteRootProblem(); !problem.empty()) {
    ShowMessageBox({ProgramFileName(), problem, MessageIcon::kError, MessageButtons::kOk});
    return kRefusedStartExitCode;
  }
  LoggerModule logger_module;  // 2
  try {
    TFyrnSecondBinding second_binding;  // 3: may refuse the start
    TFyrn fyrn;                         // 4: likewise
    // 5. The safe INI module needs no start.
    try {
      TProgramModule program(fyrn);  // 6
      for (const std::string& warning : program.StartupWarnings()) {
        ShowMessageBox({ProgramFileName(), warning, MessageIcon::kWarning, MessageButtons::kOk});
      }
      return RunMainWindow(app, close_on_signal, program);  // 7
    } catch (const ERefusedStart&) {
      throw;
    } catch (const std::exception& e) {
      ShowErrorBox(e);
    }
    return 1;
  } catch (const ERefusedStart& refusal) {
    ShowRefusal(refusal);
    return kRefusedStartExitCode;
  }
}
