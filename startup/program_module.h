// The program module of start-up and shutdown: the program log, the copy settings and the copy
// engine, made in this order once the database library's binding is installed and taken down in
// the reverse order after the main window has gone.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "infra/logger.h"
#include "replication/check/sliced_check.h"
#include "replication/copy_engine.h"

namespace brindle {

class TFyrn;

// What a program without the main window changes in start-up; the defaults are the window's.
struct TProgramModuleOptions {
  TCopyEngine::PassObserver observer;  // told of every pass's result, on the copy thread
  TCopyEngine::PassBody pass;          // empty: the copy pass
  // Verify (and complete) the office database of the suite's setting, as the window does; off
  // for modes that must change no database.
  bool verify_office_db = true;
  // The check of the copy in slices between passes, by the settings' schedule or when asked for,
  // with these options (orphans, pace); off for modes that must change no database.
  bool check_between_passes = true;
  TCheckOptions check;
  // Told of every line of the program log, which then keeps its recent lines (Lines); not
  // owned, and must outlive the module.
  TLogNotifyTarget* log_target = nullptr;
};

class TProgramModule {
 public:
  // Opens the program log on LogFiles/Brindle.log under the suite root, starts the run with an
  // empty line and "Программа запущена", loads the copy settings (LoadCopySettings) and starts
  // the copy engine with them on the installed binding; it idles until copying is switched on.
  // Raises what loading the settings raises, after undoing what was done.
  explicit TProgramModule(TFyrn& fyrn, TProgramModuleOptions options = {});
  // Stops the check of a slice that runs, stops and joins the copy thread ("Поток остановлен"),
  // releases the structure library, logs
  // "Выход из программы" and closes the log.
  ~TProgramModule();
  TProgramModule(const TProgramModule&) = delete;
  TProgramModule& operator=(const TProgramModule&) = delete;

  TCopyEngine& Engine() { return *engine_; }
  // The check between passes; null when the options left it out.
  TSlicedCheck* Check() { return check_.get(); }
  // What start-up found wrong with the settings files, for the operator (also in the log).
  const std::vector<std::string>& StartupWarnings() const { return warnings_; }

 private:
  // Each undoes one start-up step; declared in start-up order, so they go in reverse.
  struct LogOpen {
    LogOpen();
    ~LogOpen();
  };
  struct StructureLibraryRelease {
    ~StructureLibraryRelease();
  };

  LogOpen log_open_;
  StructureLibraryRelease structure_library_release_;
  std::vector<std::string> warnings_;
  std::unique_ptr<TSlicedCheck> check_;  // used by the engine's thread: outlives it
  std::unique_ptr<TCopyEngine> engine_;
};

}  // namespace brindle
