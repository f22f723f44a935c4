// brindle-sync: the copy without the window, for servers without a desktop and for services.
//
// Start-up and shutdown are the window program's (app/main.cpp) without the toolkit: the log,
// the binding, the program module with its copy thread, in the same order and with the same log
// lines. Message boxes go to stderr. Overrides from the command line change the copy settings in
// memory only; nothing is written to the settings files.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <ibase.h>

#include "app/check_command.h"
#include "app/periodic_check.h"
#include "app/service_notify.h"
#include "app/service_watchdog.h"
#include "app/status_report.h"
#include "dbaccess/fyrn.h"
#include "dbaccess/fyrn_second_binding.h"
#include "dbaccess/office_db_verification.h"
#include "ibx/connection_string.h"
#include "ibx/ib_error.h"
#include "infra/logger.h"
#include "observe/pass_metrics.h"
#include "observe/progress_estimate.h"
#include "platform/character_handling.h"
#include "platform/date_time.h"
#include "platform/error.h"
#include "platform/message_box.h"
#include "platform/shared_library.h"
#include "platform/suite_root.h"
#include "platform/text.h"
#include "platform/text_forms.h"
#include "replication/copy_engine.h"
#include "replication/copy_pass.h"
#include "replication/copy_record.h"
#include "schema/replicated_tables.h"
#include "settings/settings_file.h"
#include "startup/error_box.h"
#include "startup/program_module.h"
#include "startup/start_checks.h"
#include "startup/startup_guards.h"

namespace {

using namespace brindle;

constexpr int kExitOk = 0;
constexpr int kExitPassFailed = 1;
constexpr int kExitLagging = 1;
constexpr int kExitUsage = 2;

constexpr char kWorkPasswordVariable[] = "BRINDLE_WORK_PASSWORD";
constexpr char kCopyPasswordVariable[] = "BRINDLE_COPY_PASSWORD";
constexpr char kPasswordVariable[] = "BRINDLE_PASSWORD";
constexpr char kMetricsFileVariable[] = "BRINDLE_METRICS_FILE";

constexpr char kUsage[] =
    R"(Использование: brindle-sync [РЕЖИМ] [ПАРАМЕТРЫ]

Копирует рабочую базу данных офиса в копию для отчётов, без окна.

Режимы:
  (без режима)       копирование включено до SIGINT или SIGTERM, с периодом из настроек;
                     идущее копирование доводится до конца, затем программа завершается
  --once             проверки кнопки "ЗАПУСТИТЬ", проверка структуры копии и одно копирование
  --verify CONNSTR   создать или дополнить структуру базы данных офиса CONNSTR
  --status           свежесть копии: по каждой таблице время, по которое она полна, отставание,
                     записи последнего прохода и отметка; итоги последнего прохода
  --check            сравнить копию с рабочей БД запись за записью и сказать, что различается:
                     записи, которых нет в копии, различающиеся (ключи и поля), лишние в копии;
                     записи, изменённые после отметки таблицы, ещё не скопированы и не
                     сравниваются. Без --repair записи не изменяются; итог проверки
                     записывается в настройки копии (его показывает --status)
  --help             эта справка

Параметры (только на этот запуск, в файлы настроек не записываются):
  --work CONNSTR           рабочая база данных (источник), host/port:path
  --copy CONNSTR           копия базы данных (приёмник), host/port:path
  --work-password PASS     пароль SYSDBA рабочей БД (или переменная BRINDLE_WORK_PASSWORD)
  --copy-password PASS     пароль SYSDBA копии (или переменная BRINDLE_COPY_PASSWORD)
  --period N               период копирования, секунд (N > 0)
  --password PASS          пароль SYSDBA базы данных --verify (или переменная BRINDLE_PASSWORD;
                           без них пароль библиотеки по умолчанию)
  --json                   (--status, --check) один объект JSON вместо текста
  --max-lag N              (--status) код 1, если отставание какой-либо таблицы больше N секунд
  --metrics-file PATH      (без режима) после каждого прохода записывать метрики Prometheus в
                           файл PATH (или переменная BRINDLE_METRICS_FILE)

Параметры --check:
  --tables A,B             только эти таблицы
  --json                   отчёт одним объектом JSON
  --repair                 записать в копию недостающие и различающиеся записи, как это делает
                           копирование, с их MODIFYDATE (под блокировкой копии, по диапазонам);
                           только из той рабочей БД, из которой копия заполнялась
  --office-moved           вместе с --repair: офис переехал, рабочая БД теперь заданная
  --delete-orphans         вместе с --repair: удалить из копии записи, которых нет в рабочей БД,
                           если их не больше 1% записей таблицы копии (или не больше 100)
  --no-orphan-limit        вместе с --delete-orphans: удалить лишние записи, сколько бы их ни было
  --max-rows-per-second N  читать из рабочей БД не больше N записей в секунду (и с --check-every)
  --check-every HOURS      без режима: проверять копию (без исправления) между копированиями не
                           чаще раза в HOURS часов, итог в журнале; по умолчанию не проверять

Настройки и журнал: $ZEMT_ROOT (по умолчанию /opt/zemt/), INI/Brindle.set, LogFiles/Brindle.log.

Коды завершения: 0 успех; 1 копирование не удалось (текст ошибки в stderr) или, с --max-lag,
отставание больше заданного; 2 ошибка в командной строке или проверка перед копированием не
пройдена, или копию не удалось прочитать.
--check: 0 копия совпадает с рабочей БД (после --repair: теперь совпадает); 1 есть различия
(после --repair: остались, например лишние записи без --delete-orphans), или таблица не
сравнивалась, или не сравнено ни одной записи; 2 ошибка или отказ; 130 прервана сигналом.
Остановить проверку: SIGINT (Ctrl+C) или SIGTERM; исправленное остаётся записанным.

--status и --verify не изменяют других баз данных, кроме названной в --verify; --check без
--repair не изменяет записей, только итог проверки в настройках копии.
)";

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Mode { kRun, kOnce, kVerify, kStatus, kCheck, kHelp };

struct Options {
  Mode mode = Mode::kRun;
  std::string verify_conn_str;
  std::optional<std::string> work, copy, work_password, copy_password, password;
  std::optional<std::int32_t> period;
  bool json = false;
  std::optional<std::int32_t> max_lag;  // seconds
  std::optional<std::string> metrics_file;
  TCheckOptions check;
  std::optional<double> check_every_hours;
};

// The options that only --check takes, given without it; empty when none was.
std::string CheckOptionWithoutCheck(const Options& options) {
  if (options.mode == Mode::kCheck) return {};
  if (!options.check.Tables.empty()) return "--tables";
  if (options.check.Repair) return "--repair";
  if (options.check.DeleteOrphans) return "--delete-orphans";
  if (options.check.NoOrphanLimit) return "--no-orphan-limit";
  if (options.check.OfficeMoved) return "--office-moved";
  // The scheduled check of the service is paced as well.
  if (options.check.MaxRowsPerSecond > 0 && !options.check_every_hours) {
    return "--max-rows-per-second";
  }
  return {};
}

// The whole text as a number, or nothing.
template <class Number>
std::optional<Number> ParseNumber(const std::string& text) {
  Number number{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

Options ParseArguments(int argc, char** argv) {
  Options options;
  bool mode_given = false;
  auto set_mode = [&](Mode mode, const std::string& name) {
    if (mode_given) throw UsageError("задано больше одного режима (" + name + ")");
    mode_given = true;
    options.mode = mode;
  };
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::optional<std::string> inline_value;
    if (arg.rfind("--", 0) == 0) {
      if (const auto eq = arg.find('='); eq != std::string::npos) {
        inline_value = arg.substr(eq + 1);
        arg.erase(eq);
      }
    }
    auto value = [&]() -> std::string {
      if (inline_value) return *inline_value;
      if (i + 1 >= argc) throw UsageError("у параметра " + arg + " нет значения");
      return argv[++i];
    };
    auto no_value = [&] {
      if (inline_value) throw UsageError("у параметра " + arg + " не бывает значения");
    };
    if (arg == "--help" || arg == "-h") {
      no_value();
      options.mode = Mode::kHelp;
      return options;
    } else if (arg == "--once") {
      no_value();
      set_mode(Mode::kOnce, arg);
    } else if (arg == "--status") {
      no_value();
      set_mode(Mode::kStatus, arg);
    } else if (arg == "--check") {
      no_value();
      set_mode(Mode::kCheck, arg);
    } else if (arg == "--json") {
      no_value();
      options.json = true;
    } else if (arg == "--repair") {
      no_value();
      options.check.Repair = true;
    } else if (arg == "--delete-orphans") {
      no_value();
      options.check.DeleteOrphans = true;
    } else if (arg == "--no-orphan-limit") {
      no_value();
      options.check.NoOrphanLimit = true;
    } else if (arg == "--office-moved") {
      no_value();
      options.check.OfficeMoved = true;
    } else if (arg == "--tables") {
      try {
        options.check.Tables = ParseCheckedTables(value());
      } catch (const std::exception& e) {
        throw UsageError("--tables: " + std::string(e.what()));
      }
    } else if (arg == "--max-rows-per-second") {
      const std::string text = value();
      const std::optional<std::int64_t> rate = ParseNumber<std::int64_t>(text);
      if (!rate || *rate <= 0) {
        throw UsageError("--max-rows-per-second: нужно целое число больше нуля, а не \"" + text +
                         "\"");
      }
      options.check.MaxRowsPerSecond = *rate;
    } else if (arg == "--check-every") {
      const std::string text = value();
      const std::optional<double> hours = ParseNumber<double>(text);
      if (!hours || !(*hours > 0)) {
        throw UsageError("--check-every: нужно число часов больше нуля, а не \"" + text + "\"");
      }
      options.check_every_hours = hours;
    } else if (arg == "--verify") {
      set_mode(Mode::kVerify, arg);
      options.verify_conn_str = value();
      if (options.verify_conn_str.empty()) throw UsageError("--verify: пустая строка подключения");
    } else if (arg == "--work") {
      options.work = value();
    } else if (arg == "--copy") {
      options.copy = value();
    } else if (arg == "--work-password") {
      options.work_password = value();
    } else if (arg == "--copy-password") {
      options.copy_password = value();
    } else if (arg == "--password") {
      options.password = value();
    } else if (arg == "--max-lag") {
      const std::string text = value();
      const std::optional<std::int32_t> max_lag = TryStrToInt(text);
      if (!max_lag || *max_lag < 0) {
        throw UsageError("--max-lag: нужно целое число секунд не меньше нуля, а не \"" + text +
                         "\"");
      }
      options.max_lag = max_lag;
    } else if (arg == "--metrics-file") {
      options.metrics_file = value();
      if (options.metrics_file->empty()) throw UsageError("--metrics-file: пустой путь");
    } else if (arg == "--period") {
      const std::string text = value();
      const std::optional<std::int32_t> period = TryStrToInt(text);
      if (!period || *period <= 0) {
        throw UsageError("--period: нужно целое число секунд больше нуля, а не \"" + text + "\"");
      }
      options.period = period;
    } else {
      throw UsageError("неизвестный параметр " + std::string(argv[i]));
    }
  }
  if (options.json && options.mode != Mode::kStatus && options.mode != Mode::kCheck) {
    throw UsageError("--json действует только с --status или --check");
  }
  if (options.max_lag && options.mode != Mode::kStatus) {
    throw UsageError("--max-lag действует только с --status");
  }
  if (options.metrics_file && options.mode != Mode::kRun) {
    throw UsageError("--metrics-file действует только в режиме службы (без режима)");
  }
  if (const std::string option = CheckOptionWithoutCheck(options); !option.empty()) {
    throw UsageError(option + (option == "--max-rows-per-second"
                                   ? " задаётся только вместе с --check или --check-every"
                                   : " задаётся только вместе с --check"));
  }
  if (options.check.DeleteOrphans && !options.check.Repair) {
    throw UsageError("--delete-orphans задаётся только вместе с --repair");
  }
  if (options.check.NoOrphanLimit && !options.check.DeleteOrphans) {
    throw UsageError("--no-orphan-limit задаётся только вместе с --delete-orphans");
  }
  if (options.check.OfficeMoved && !options.check.Repair) {
    throw UsageError("--office-moved задаётся только вместе с --repair");
  }
  if (options.check_every_hours && options.mode != Mode::kRun) {
    throw UsageError("--check-every задаётся только без режима, для работы службой");
  }
  // The command line wins over the environment.
  if (!options.metrics_file && options.mode == Mode::kRun) {
    if (const char* env = std::getenv(kMetricsFileVariable); env && *env) {
      options.metrics_file = env;
    }
  }
  if (!options.work_password) {
    if (const char* env = std::getenv(kWorkPasswordVariable)) options.work_password = env;
  }
  if (!options.copy_password) {
    if (const char* env = std::getenv(kCopyPasswordVariable)) options.copy_password = env;
  }
  if (!options.password) {
    if (const char* env = std::getenv(kPasswordVariable)) options.password = env;
  }
  return options;
}

std::string OneLine(std::string text) {
  for (std::size_t pos; (pos = text.find("\r\n")) != std::string::npos;) text.replace(pos, 2, "\n");
  return text;
}

static_assert(kRefusedStartExitCode == kExitUsage, "a refused start is a validation error");

MessageResult PrintMessageBox(const MessageBoxRequest& request) {
  std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), OneLine(request.text).c_str());
  std::fflush(stderr);
  return DefaultButton(request.buttons);
}

// Passes finished on the copy thread, waiting to be printed by the main thread.
class PassReports {
 public:
  void Add(TPassResult report) {
    std::lock_guard guard(lock_);
    reports_.push_back(std::move(report));
  }
  std::optional<TPassResult> Take() {
    std::lock_guard guard(lock_);
    if (reports_.empty()) return std::nullopt;
    TPassResult report = std::move(reports_.front());
    reports_.pop_front();
    return report;
  }

 private:
  std::mutex lock_;
  std::deque<TPassResult> reports_;
};

// --- output --------------------------------------------------------------------------------------

// The progress line on a terminal, rewritten in place; nothing when stderr is no terminal.
// A table that takes long (a first fill) gets its share done and the time left.
class ProgressLine {
 public:
  ProgressLine() : terminal_(isatty(STDERR_FILENO) == 1) {}
  void Show(const TPassProgress& progress) {
    if (!terminal_) return;
    if (!progress.Busy) {
      Clear();
      return;
    }
    const std::int32_t table_no = progress.TableNo, record_no = progress.RecordNo,
                       record_count = progress.RecordCount;
    const auto tables = ReplicatedTables();
    std::string text = "Копирование: таблица " + std::to_string(table_no) + " / " +
                       std::to_string(progress.TableCount.load());
    if (table_no >= 1 && static_cast<std::size_t>(table_no) <= tables.size()) {
      text += " " + std::string(tables[table_no - 1].table);
    }
    text += ", запись " + std::to_string(record_no) + " / " + std::to_string(record_count);
    if (record_count > 0) text += " (" + std::to_string(100LL * record_no / record_count) + "%)";
    const std::optional<double> left =
        estimate_.SecondsLeft(table_no, record_no, record_count, TProgressEstimate::Clock::now());
    if (left && *left >= 1) text += ", осталось ~" + DurationText(*left);
    std::fprintf(stderr, "\r\033[K%s", text.c_str());
    std::fflush(stderr);
    shown_ = true;
  }
  void Clear() {
    if (!shown_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    shown_ = false;
  }

 private:
  bool terminal_;
  bool shown_ = false;
  TProgressEstimate estimate_;
};

// Where the pass failed and the server's codes, for an operator who looks them up.
void PrintErrorPlace(const TPassError& error) {
  std::string place = std::string("Шаг: ") + PassStepName(error.Step);
  if (!error.Table.empty()) place += ", таблица " + error.Table;
  if (!error.Key.empty()) place += ", запись с ID=" + error.Key;
  if (!error.GdsCodes.empty()) {
    place += "; SQLCODE " + std::to_string(error.SqlCode) + ", коды";
    for (const std::intptr_t code : error.GdsCodes) place += " " + std::to_string(code);
  }
  std::fprintf(stderr, "%s\n", place.c_str());
}

void PrintReport(const TPassResult& report, ProgressLine& progress) {
  progress.Clear();
  for (const TTableResult& table : report.Tables) {
    if (table.Copied() == 0) continue;
    std::printf("%s: скопировано записей: %lld\n", table.Table.c_str(),
                static_cast<long long>(table.Copied()));
  }
  for (const std::string& warning : report.Warnings) std::printf("Внимание: %s\n", warning.c_str());
  switch (report.Status) {
    case TPassStatus::kFailed: {
      std::printf("Копирование не удалось\n");
      std::fflush(stdout);
      // Every table that failed, then what ended the pass when that was something else.
      std::vector<TPassError> errors = report.TableErrors;
      if (errors.empty() || errors.front().Text != report.Error->Text) {
        errors.push_back(*report.Error);
      }
      for (const TPassError& error : errors) {
        std::fprintf(stderr, "Ошибка при копировании БД: %s\n", OneLine(error.Text).c_str());
        PrintErrorPlace(error);
      }
      std::fflush(stderr);
      return;
    }
    case TPassStatus::kSkipped:
      std::printf("%s\n", SkippedPassText(report.LockHolder).c_str());
      break;
    case TPassStatus::kCompleted:
      std::printf(
          "Копирование завершено: таблиц с изменениями %zu из %zu, записей %lld; время %s\n",
          report.TablesCopied(), ReplicatedTables().size(), static_cast<long long>(report.Copied()),
          FormatDisplayDateTime(report.Finished).c_str());
      break;
  }
  std::fflush(stdout);
}

// --- start-up --------------------------------------------------------------------------------

void ApplyOverrides(const Options& options, TCopyEngine& engine) {
  engine.UpdateSettings([&](TCopySettings& settings) {
    if (options.work) settings.WorkDBConnStr = *options.work;
    if (options.copy) settings.CopyDBConnStr = *options.copy;
    if (options.work_password) settings.WorkDBPassword = *options.work_password;
    if (options.copy_password) settings.CopyDBPassword = *options.copy_password;
    if (options.period) settings.CheckPeriod = *options.period;
  });
}

// What to try when a check against a database failed, judged from the server's error codes.
std::string Advice(const std::exception& error, const std::string& conn_str,
                   const char* password_option, const char* password_variable) {
  const auto* server_error = dynamic_cast<const ibx::EIBError*>(&error);
  if (!server_error) return {};
  auto has = [&](std::intptr_t code) { return server_error->HasErrorCode(code); };
  // Without an option the check signs in with the suite's built-in password, not the operator's.
  if (has(isc_login) && password_option) {
    return std::string("Проверьте пароль SYSDBA: ") + password_option + " или переменная " +
           password_variable + ".";
  }
  const TDatabaseLocation db = LocateDatabase(conn_str);
  if (has(isc_network_error) || has(isc_net_connect_err) || has(isc_net_read_err) ||
      has(isc_net_write_err) || has(isc_conn_lost) || has(isc_lost_db_connection)) {
    return "Проверьте, что сервер Firebird " + db.host + " запущен и принимает " +
           "подключения на порту " + std::to_string(db.port) + ".";
  }
  if (has(isc_io_error) || has(isc_io_open_err)) {
    return "Проверьте путь к файлу базы данных на сервере: " + db.path + ".";
  }
  return {};
}

// Runs one check; a failure prints the check's own message, then what was being checked and
// what to try, and raises UsageError so the program ends with the validation status.
template <class Check>
void RunCheck(const std::string& what, const std::string& conn_str, const char* password_option,
              const char* password_variable, Check&& check) {
  try {
    check();
  } catch (const std::exception& e) {
    ShowErrorBox(e);
    std::string detail = what + " [" + conn_str + "] не пройдена.";
    const std::string advice = Advice(e, conn_str, password_option, password_variable);
    if (!advice.empty()) detail += " " + advice;
    throw UsageError(detail);
  }
}

// Both databases are named, and not the same; raises UsageError with what to do.
void CheckDatabasePaths(const TCopySettings& settings) {
  const std::string& work = settings.WorkDBConnStr;
  const std::string& copy = settings.CopyDBConnStr;
  try {
    CheckCopyingPaths(work, copy);
  } catch (const std::exception& e) {
    ShowErrorBox(e);
    if (work.empty() || copy.empty()) {
      throw UsageError("Задайте обе базы данных: --work и --copy или в файле настроек " +
                       SettingsFileName(kCopySettingsName) + ".");
    }
    throw UsageError("Копией должна быть другая база данных, чем рабочая [" + work +
                     "]: задайте её в --copy.");
  }
}

void CheckWork(const TCopySettings& settings) {
  RunCheck("Проверка рабочей базы данных", settings.WorkDBConnStr, "--work-password",
           kWorkPasswordVariable, [&] { CheckWorkDatabase(Fyrn(), settings); });
}

// The checks of the window's "ЗАПУСТИТЬ", without storing the period.
void CheckBeforeCopying(TCopyEngine& engine) {
  const TCopySettings settings = engine.Settings();
  CheckDatabasePaths(settings);
  const std::string& copy = settings.CopyDBConnStr;
  RunCheck("Проверка структуры копии базы данных", copy, "--copy-password", kCopyPasswordVariable,
           [&] { VerifyOfficeDB(copy, settings.CopyDBPassword); });
  RunCheck("Проверка копии базы данных", copy, "--copy-password", kCopyPasswordVariable,
           [&] { engine.SetLastCopyTime(CheckCopyDatabase(Fyrn(), engine.Settings())); });
  CheckWork(settings);
}

// The checks of CheckBeforeCopying that only read: a check never takes the working database for
// the copy, nor writes its record or the lock's row into it.
void CheckBeforeChecking(const TCopySettings& settings) {
  CheckDatabasePaths(settings);
  RunCheck("Проверка копии базы данных", settings.CopyDBConnStr, "--copy-password",
           kCopyPasswordVariable, [&] { CheckCopyDatabase(Fyrn(), settings); });
  CheckWork(settings);
}

// --- modes -------------------------------------------------------------------------------------

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

// Waits up to 200 ms for SIGINT or SIGTERM; returns the signal or 0.
int WaitForStopSignal() {
  const sigset_t set = StopSignals();
  timespec timeout{0, 200'000'000};
  const int signal = sigtimedwait(&set, nullptr, &timeout);
  return signal > 0 ? signal : 0;
}

void WarnOfMetrics(const std::string& failure) {
  if (!failure.empty()) std::fprintf(stderr, "brindle-sync: внимание: %s\n", failure.c_str());
}

// Prints the pass and, in service mode with a metrics file, rewrites the file; a failure to
// write it is said and logged, and copying goes on.
void TakeReport(const TPassResult& report, bool copy_enabled, ProgressLine& progress,
                TMetricsFile* metrics) {
  PrintReport(report, progress);
  if (metrics) WarnOfMetrics(metrics->Update(report, copy_enabled));
}

// Copying on until the pass the once mode asks for has ended, or until a stop signal; a pass
// running when the signal comes goes on to its end first. Returns the exit status.
int RunCopying(bool once, TCopyEngine& engine, PassReports& reports, TMetricsFile* metrics,
               std::optional<double> check_every_hours, const TCheckOptions& check_options) {
  ProgressLine progress;
  TServiceNotifier service;
  std::optional<TWatchdogFeeder> watchdog;
  if (const auto interval = service.WatchdogInterval()) watchdog.emplace(*interval);
  std::optional<TPeriodicCheck> periodic_check;
  if (check_every_hours) {
    periodic_check.emplace(Fyrn(), *check_every_hours, check_options,
                           [&engine] { return engine.Settings(); });
  }
  bool stopping = false;
  bool failed = false;
  int printed = 0;
  if (once) {
    engine.RunOnePass();
  } else {
    engine.SetCopyEnabled(true);
    engine.WakeUp();
  }
  service.Ready("Копирование включено, период " + std::to_string(engine.Settings().CheckPeriod) +
                " с");
  if (!once) {
    std::printf("Копирование включено, период %d с; остановка: SIGINT или SIGTERM\n",
                engine.Settings().CheckPeriod);
    std::fflush(stdout);
  }
  for (;;) {
    const int signal = WaitForStopSignal();
    if (signal != 0 && !stopping) {
      stopping = true;
      engine.SetCopyEnabled(false);
      progress.Clear();
      const char* ending = engine.Busy() ? "копирование будет доведено до конца" : "завершение";
      service.Stopping(std::string("Получен сигнал ") + strsignal(signal) + ": " + ending);
      std::printf("Получен сигнал %s: %s\n", strsignal(signal), ending);
      std::fflush(stdout);
    }
    while (std::optional<TPassResult> report = reports.Take()) {
      TakeReport(*report, engine.CopyEnabled(), progress, metrics);
      service.Status(PassStatusText(*report));
      failed = report->Failed();
      ++printed;
      if (periodic_check && !stopping) periodic_check->PassEnded(TPeriodicCheck::Clock::now());
    }
    if (periodic_check) {
      if (const std::optional<TCheckResult> check = periodic_check->TakeFinished()) {
        progress.Clear();
        std::printf("%s\n", CheckSummaryText(*check).c_str());
        std::fflush(stdout);
        if (metrics) WarnOfMetrics(metrics->UpdateCheck(*check, engine.CopyEnabled()));
      }
    }
    if (once && printed > 0) break;
    if (stopping && !engine.Busy()) break;
    if (watchdog && watchdog->Due(engine.TakePulse(), TWatchdogFeeder::Clock::now())) {
      service.FeedWatchdog();
    }
    progress.Show(engine.Progress());
  }
  progress.Clear();
  engine.SetCopyEnabled(false);
  if (!once) return kExitOk;
  if (printed == 0) {
    std::fprintf(stderr, "Копирование не выполнено: получен сигнал до его начала\n");
    return kExitPassFailed;
  }
  return failed ? kExitPassFailed : kExitOk;
}

// Only reads. The exit status says whether a table lags more than the limit.
int ShowStatus(const TCopySettings& settings, bool json, std::optional<std::int32_t> max_lag) {
  TCopyFreshness freshness;
  RunCheck("Чтение конфигурации копии базы данных", settings.CopyDBConnStr, "--copy-password",
           kCopyPasswordVariable, [&] {
             freshness = ReadCopyFreshness(
                 *Fyrn().OpenConf(settings.CopyDBConnStr, settings.CopyDBPassword));
           });
  TStatusClock clock;
  RunCheck("Чтение времени сервера копии базы данных", settings.CopyDBConnStr, "--copy-password",
           kCopyPasswordVariable, [&] { clock = ReadStatusClock(settings); });
  const std::string report = json ? StatusJson(settings.CopyDBConnStr, freshness, clock)
                                  : StatusText(settings.CopyDBConnStr, freshness, clock);
  std::fputs(report.c_str(), stdout);
  std::fflush(stdout);
  if (!max_lag) return kExitOk;
  const std::vector<std::string> lagging = TablesLaggingMore(freshness, clock.Time, *max_lag);
  if (lagging.empty()) return kExitOk;
  std::string names;
  for (const std::string& table : lagging) names += (names.empty() ? "" : ", ") + table;
  std::fprintf(stderr, "brindle-sync: отставание больше %d с: %s\n", *max_lag, names.c_str());
  return kExitLagging;
}

// A check that did not start.
TCheckResult RefusedCheck(const std::string& error) {
  TCheckResult refused;
  refused.End = TCheckEnd::kRefused;
  refused.Error = error;
  return refused;
}

// --check --json stopped before the check could start: a monitor still reads one object.
void PrintCheckJsonError(const std::string& error) {
  std::fputs(CheckReportJson(RefusedCheck(error)).c_str(), stdout);
  std::fflush(stdout);
}

// A refusal of the start checks is reported as the check's result, JSON included, and recorded
// nowhere: the copy named may be no copy.
int RunCheckMode(const TCopySettings& settings, const Options& options) {
  try {
    CheckBeforeChecking(settings);
  } catch (const UsageError& e) {
    return ReportCheck(RefusedCheck(e.what()), options.json);
  }
  return RunCheckCommand(Fyrn(), settings, options.check, options.json, WaitForStopSignal);
}

int Verify(const std::string& conn_str, const std::optional<std::string>& given_password) {
  const std::string password = given_password ? *given_password : Fyrn().GetPassword();
  RunCheck("Проверка структуры базы данных", conn_str, "--password", kPasswordVariable,
           [&] { VerifyOfficeDB(conn_str, password); });
  std::printf("Структура базы данных %s проверена\n", conn_str.c_str());
  std::fflush(stdout);
  return kExitOk;
}

int Run(const Options& options) {
  if (const std::string problem = SuiteRootProblem(); !problem.empty()) {
    std::fprintf(stderr, "brindle-sync: %s\n", problem.c_str());
    if (options.mode == Mode::kCheck && options.json) PrintCheckJsonError(problem);
    return kExitUsage;
  }
  // The log goes where the window program's goes; its folder may not exist on a new server.
  std::error_code ignored;
  std::filesystem::create_directories(SuitePath("LogFiles"), ignored);

  LoggerModule logger_module;
  TFyrnSecondBinding second_binding;
  FyrnInstall fyrn;

  PassReports reports;
  std::optional<TMetricsFile> metrics;  // outlives the engine, for the passes that end with it
  const bool once = options.mode == Mode::kOnce;
  TProgramModuleOptions module_options;
  // Modes that name their database, or only read, leave the suite's office database alone.
  module_options.verify_office_db = options.mode == Mode::kOnce || options.mode == Mode::kRun;
  module_options.observer = [&reports](const TPassResult& result) { reports.Add(result); };
  int status = kExitOk;
  try {
    TProgramModule program(std::move(module_options));
    TCopyEngine& engine = program.Engine();
    for (const std::string& warning : program.StartupWarnings()) {
      std::fprintf(stderr, "brindle-sync: внимание: %s\n", warning.c_str());
    }
    ApplyOverrides(options, engine);
    switch (options.mode) {
      case Mode::kVerify:
        status = Verify(options.verify_conn_str, options.password);
        break;
      case Mode::kStatus:
        status = ShowStatus(engine.Settings(), options.json, options.max_lag);
        break;
      case Mode::kCheck:
        status = RunCheckMode(engine.Settings(), options);
        break;
      case Mode::kOnce:
      case Mode::kRun:
        CheckBeforeCopying(engine);
        if (options.metrics_file) {
          metrics.emplace(*options.metrics_file, engine.Outcome().LastCopyTime);
        }
        status = RunCopying(once, engine, reports, metrics ? &*metrics : nullptr,
                            options.check_every_hours, options.check);
        break;
      case Mode::kHelp:
        break;
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "%s: %s\n", ProgramFileName().c_str(), e.what());
    status = kExitUsage;
    if (options.mode == Mode::kCheck && options.json) PrintCheckJsonError(e.what());
  } catch (const std::exception& e) {
    ShowErrorBox(e);
    status = kExitUsage;
    if (options.mode == Mode::kCheck && options.json) PrintCheckJsonError(e.what());
  }
  // A pass that began just as copying was switched off has ended with the thread's stop.
  ProgressLine progress;
  while (std::optional<TPassResult> report = reports.Take()) {
    TakeReport(*report, false, progress, metrics ? &*metrics : nullptr);
  }
  // A monitor must not take a stopped service for one that copies.
  if (metrics) WarnOfMetrics(metrics->Write(false));
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  UseUtf8CharacterHandling();
  // Blocked before any thread starts, so every thread inherits the mask and the main thread
  // alone takes the signals, between its looks at the copy thread.
  const sigset_t stop_signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  SetMessageBoxHandler(&PrintMessageBox);

  Options options;
  try {
    options = ParseArguments(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "brindle-sync: %s\nСправка: brindle-sync --help\n", e.what());
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (std::count(args.begin(), args.end(), "--check") > 0 &&
        std::count(args.begin(), args.end(), "--json") > 0) {
      PrintCheckJsonError(e.what());
    }
    return kExitUsage;
  }
  if (options.mode == Mode::kHelp) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  try {
    return Run(options);
  } catch (const ERefusedStart& refusal) {
    ShowRefusal(refusal);
    if (options.mode == Mode::kCheck && options.json) PrintCheckJsonError(refusal.what());
    return kRefusedStartExitCode;
  }
}
