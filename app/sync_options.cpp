#include "app/sync_options.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <exception>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>

#include <CLI/CLI.hpp>

#include "ibx/connection_string.h"
#include "platform/text.h"

namespace brindle {

const char kUsage[] =
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
  --repair                 (и с --check-every) записать в копию недостающие и различающиеся
                           записи, как это делает копирование, с их MODIFYDATE (под блокировкой
                           копии, по диапазонам); только из той рабочей БД, из которой копия
                           заполнялась
  --office-moved           вместе с --repair: офис переехал, рабочая БД теперь заданная
  --delete-orphans         вместе с --repair: удалить из копии записи, которых нет в рабочей БД,
                           если их не больше 1% записей таблицы копии (или не больше 100)
  --no-orphan-limit        вместе с --delete-orphans: удалить лишние записи, сколько бы их ни было
  --max-rows-per-second N  читать из рабочей БД не больше N записей в секунду (и с --check-every)
  --check-every HOURS      без режима: проверять копию между копированиями частями по
                           PARAMS/CheckSliceSeconds с (3), обход всех таблиц не чаще раза в
                           HOURS часов, итог в журнале; по умолчанию PARAMS/CheckEveryHours

Настройки и журнал: $ZEMT_ROOT (по умолчанию /opt/zemt/), INI/Brindle.set, LogFiles/Brindle.log.

Коды завершения: 0 успех; 1 копирование не удалось (текст ошибки в stderr) или, с --max-lag,
отставание больше заданного или неизвестно; 2 ошибка в командной строке или проверка перед
копированием не пройдена, или копию не удалось прочитать. Без режима недоступная база данных
не завершает программу: проверки повторяются каждый период, пока база данных не станет доступна.
Пароли лучше задавать переменными: командную строку процесса видят другие пользователи.
--check: 0 копия совпадает с рабочей БД (после --repair: теперь совпадает); 1 есть различия
(после --repair: остались, например лишние записи без --delete-orphans), или таблица не
сравнивалась, или не сравнено ни одной записи; 2 ошибка или отказ; 130 прервана сигналом.
Остановить проверку: SIGINT (Ctrl+C) или SIGTERM; исправленное остаётся записанным.

--status и --verify не изменяют других баз данных, кроме названной в --verify; --check без
--repair не изменяет записей, только итог проверки в настройках копии.
)";

namespace {

// CLI11 gets the option names as written, and the values only in a form it cannot misread: left
// alone it takes "--name=" for "--name" with the value in the next argument, lets a flag have
// "=true", and reads "-hx" as "-h -x". So a NUL, which no program argument can hold, goes before
// a value written after "=" and before every word that is no option name; Unmarked removes it.
std::string Marked(const std::string& arg) {
  if (arg == "-h") return arg;
  if (arg.rfind("--", 0) != 0) return '\0' + arg;
  std::string marked = arg;
  if (const std::size_t eq = marked.find('='); eq != std::string::npos) {
    marked.insert(eq + 1, 1, '\0');
  }
  return marked;
}

std::string Unmarked(std::string text) {
  std::erase(text, '\0');
  return text;
}

// The whole text as a number, or nothing.
template <class Number>
std::optional<Number> ParseNumber(std::string_view text) {
  Number number{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

// Empty when the text can name a database: not empty, with a port from 1 to 65535 when it names
// one, and a path of a length the server takes.
std::string ConnStrProblem(const std::string& conn_str) {
  if (conn_str.empty()) return "пустая строка подключения";
  try {
    const TDatabaseLocation db = LocateDatabase(conn_str);
    if (db.port < 1 || db.port > 65535) {
      return "порт " + std::to_string(db.port) + " вне пределов от 1 до 65535";
    }
    if (db.path.empty()) return "не указан путь к файлу базы данных";
  } catch (const std::exception& e) {
    return "строка подключения \"" + std::string(LeftChars(conn_str, 60)) + "\": " + e.what();
  }
  return {};
}

// --help ends the reading of the line where it stands.
struct HelpRequested {};

using TakeMode = std::function<void(Mode, const std::string&)>;

// Every option is taken as soon as it is read, so a line with several mistakes is told the first.
void DeclareOptions(CLI::App& app, Options& options, const TakeMode& take_mode) {
  app.set_help_flag();
  app.allow_extras();
  const auto flag = [&](const std::string& name, std::function<void()> set) {
    return app.add_flag_callback(name, std::move(set))->disable_flag_override()->trigger_on_parse();
  };
  const auto value = [&](const std::string& name, std::function<void(const std::string&)> store) {
    return app.add_option_function<std::string>(name, std::move(store))
        ->transform(Unmarked)
        ->trigger_on_parse();
  };
  const auto text = [&](const std::string& name, std::optional<std::string>& target) {
    return value(name, [&target](const std::string& given) { target = given; });
  };
  // `parse` gives the number of a text or nothing; `accept` says whether the option takes it.
  const auto number = [&](const std::string& name, auto parse, auto accept, const std::string& need,
                          auto store) {
    return value(name, [=](const std::string& given) { store(*parse(given)); })
        ->check([=](const std::string& given) {
          const auto parsed = parse(given);
          return parsed && accept(*parsed) ? std::string() : need + ", а не \"" + given + "\"";
        });
  };
  const auto not_empty = [](const std::string& what) {
    return [what](const std::string& given) { return given.empty() ? what : std::string(); };
  };
  const auto positive = [](auto n) { return n > 0; };
  const auto not_negative = [](auto n) { return n >= 0; };

  flag("-h,--help", [] { throw HelpRequested(); });
  flag("--once", [&] { take_mode(Mode::kOnce, "--once"); });
  flag("--status", [&] { take_mode(Mode::kStatus, "--status"); });
  flag("--check", [&] { take_mode(Mode::kCheck, "--check"); });
  value("--verify", [&](const std::string& conn_str) {
    // The mode is taken before the value is looked at: "--once --verify=" names two modes.
    take_mode(Mode::kVerify, "--verify");
    if (const std::string problem = ConnStrProblem(conn_str); !problem.empty()) {
      throw CLI::ValidationError("--verify", problem);
    }
    options.verify_conn_str = conn_str;
  });

  text("--work", options.work)->check(ConnStrProblem);
  text("--copy", options.copy)->check(ConnStrProblem);
  text("--work-password", options.work_password);
  text("--copy-password", options.copy_password);
  text("--password", options.password);
  number("--period", TryStrToInt, positive, "нужно целое число секунд больше нуля",
         [&](std::int32_t seconds) { options.period = seconds; });
  flag("--json", [&] { options.json = true; });
  number("--max-lag", TryStrToInt, not_negative, "нужно целое число секунд не меньше нуля",
         [&](std::int32_t seconds) { options.max_lag = seconds; });
  text("--metrics-file", options.metrics_file)->check(not_empty("пустой путь"));

  value("--tables", [&](const std::string& names) {
    // A second list would silently replace the first, unlike a repeated single value.
    if (!options.check.Tables.empty()) throw CLI::ValidationError("--tables", "задан дважды");
    try {
      options.check.Tables = ParseCheckedTables(names);
    } catch (const std::exception& e) {
      throw CLI::ValidationError("--tables", e.what());
    }
  });
  flag("--repair", [&] { options.check.Repair = true; });
  flag("--office-moved", [&] { options.check.OfficeMoved = true; });
  flag("--delete-orphans", [&] { options.check.DeleteOrphans = true; });
  flag("--no-orphan-limit", [&] { options.check.NoOrphanLimit = true; });
  number("--max-rows-per-second", ParseNumber<std::int64_t>, positive,
         "нужно целое число больше нуля",
         [&](std::int64_t rate) { options.check.MaxRowsPerSecond = rate; });
  number("--check-every", ParseNumber<double>, positive, "нужно число часов больше нуля",
         [&](double hours) { options.check_every_hours = hours; });
}

// A word CLI11 did not know stood before whatever else is wrong with the line.
void RefuseUnknown(const CLI::App& app) {
  if (const std::vector<std::string> unknown = app.remaining(); !unknown.empty()) {
    throw UsageError("неизвестный параметр " + Unmarked(unknown.front()));
  }
}

// The options of --check that are given without it, or without --check-every where the scheduled
// check takes them; empty when none is. A schedule never takes another working database for the
// office's on its own, so --office-moved is --check's alone.
std::string CheckOptionWithoutCheck(const Options& options) {
  if (options.mode == Mode::kCheck) return {};
  const TCheckOptions& check = options.check;
  const bool scheduled = options.check_every_hours.has_value();
  if (!check.Tables.empty()) return "--tables";
  if (check.Repair && !scheduled) return "--repair";
  if (check.DeleteOrphans && !scheduled) return "--delete-orphans";
  if (check.NoOrphanLimit && !scheduled) return "--no-orphan-limit";
  if (check.OfficeMoved) return "--office-moved";
  if (check.MaxRowsPerSecond > 0 && !scheduled) return "--max-rows-per-second";
  return {};
}

// Options that go only with some mode or with another option. CLI11's needs and excludes are not
// used: their errors are English text alone, checked in an order of CLI11's own, and here the
// order decides which of several mistakes a line is told.
void CheckCombinations(const Options& options) {
  const Mode mode = options.mode;
  if (options.json && mode != Mode::kStatus && mode != Mode::kCheck) {
    throw UsageError("--json действует только с --status или --check");
  }
  if (options.max_lag && mode != Mode::kStatus) {
    throw UsageError("--max-lag действует только с --status");
  }
  if (options.metrics_file && mode != Mode::kRun) {
    throw UsageError("--metrics-file действует только в режиме службы (без режима)");
  }
  if (const std::string option = CheckOptionWithoutCheck(options); !option.empty()) {
    const bool check_only = option == "--tables" || option == "--office-moved";
    throw UsageError(option + (check_only ? " задаётся только вместе с --check"
                                          : " задаётся только вместе с --check или --check-every"));
  }
  const TCheckOptions& check = options.check;
  for (const auto& [given, needed, option, other] :
       {std::tuple{check.DeleteOrphans, check.Repair, "--delete-orphans", "--repair"},
        std::tuple{check.NoOrphanLimit, check.DeleteOrphans, "--no-orphan-limit",
                   "--delete-orphans"},
        std::tuple{check.OfficeMoved, check.Repair, "--office-moved", "--repair"}}) {
    if (given && !needed) {
      throw UsageError(std::string(option) + " задаётся только вместе с " + other);
    }
  }
  if (options.check_every_hours && mode != Mode::kRun) {
    throw UsageError("--check-every задаётся только без режима, для работы службой");
  }
}

// The command line wins over the environment; the metrics file is the service's alone.
void TakeEnvironment(Options& options, const Environment& environment) {
  if (!options.metrics_file && options.mode == Mode::kRun) {
    if (const char* path = environment(kMetricsFileVariable); path && *path) {
      options.metrics_file = path;
    }
  }
  for (const auto& [password, variable] : {std::pair{&options.work_password, kWorkPasswordVariable},
                                           std::pair{&options.copy_password, kCopyPasswordVariable},
                                           std::pair{&options.password, kPasswordVariable}}) {
    if (*password) continue;
    if (const char* given = environment(variable)) *password = given;
  }
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args, const Environment& environment) {
  Options options;
  bool mode_given = false;
  const TakeMode take_mode = [&](Mode mode, const std::string& name) {
    if (mode_given) throw UsageError("задано больше одного режима (" + name + ")");
    mode_given = true;
    options.mode = mode;
  };
  CLI::App app;
  DeclareOptions(app, options, take_mode);
  // CLI11 reads from the back of the list and leaves there what it has not read yet.
  std::vector<std::string> unread;
  for (auto arg = args.rbegin(); arg != args.rend(); ++arg) unread.push_back(Marked(*arg));
  try {
    app.parse(unread);
  } catch (const HelpRequested&) {
    RefuseUnknown(app);
    Options help;
    help.mode = Mode::kHelp;
    return help;
  } catch (const CLI::ArgumentMismatch&) {
    RefuseUnknown(app);
    // A flag given a value, or an option at the end of the line without one.
    const std::string& arg = args[args.size() - unread.size() - 1];
    const std::string name = arg.substr(0, arg.find('='));
    if (name != arg) throw UsageError("у параметра " + name + " не бывает значения");
    if (name == "--verify") take_mode(Mode::kVerify, name);  // even without its value
    const std::string missing = "у параметра " + name + " нет значения";
    // Every message about the value of --tables begins with its name, this one too.
    throw UsageError(name == "--tables" ? "--tables: " + missing : missing);
  } catch (const CLI::ValidationError& e) {
    RefuseUnknown(app);
    throw UsageError(e.what());
  } catch (const UsageError&) {
    RefuseUnknown(app);
    throw;
  }
  RefuseUnknown(app);
  CheckCombinations(options);
  TakeEnvironment(options, environment);
  return options;
}

void WipePasswordArguments(int argc, char** argv) {
  constexpr std::string_view kPasswordOptions[] = {"--work-password", "--copy-password",
                                                   "--password"};
  const auto wipe = [](char* text) { std::fill(text, text + std::strlen(text), '\0'); };
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    for (const std::string_view option : kPasswordOptions) {
      if (arg == option && i + 1 < argc) {
        wipe(argv[++i]);
      } else if (arg.starts_with(option) && arg.size() > option.size() &&
                 arg[option.size()] == '=') {
        wipe(argv[i] + option.size() + 1);
      }
    }
  }
}

}  // namespace brindle
