#include "app/sync_checks.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <initializer_list>

#include <ibase.h>

#include "app/sync_options.h"
#include "dbaccess/fyrn.h"
#include "dbaccess/office_db_verification.h"
#include "ibx/connection_string.h"
#include "ibx/ib_error.h"
#include "settings/settings_file.h"
#include "startup/error_box.h"
#include "startup/start_checks.h"

namespace brindle {

namespace {

bool HasAnyCode(const ibx::EIBError& error, std::initializer_list<std::intptr_t> codes) {
  return std::ranges::any_of(codes, [&](std::intptr_t code) { return error.HasErrorCode(code); });
}

bool NetworkFailure(const ibx::EIBError& error) {
  return HasAnyCode(error, {isc_network_error, isc_net_connect_err, isc_net_read_err,
                            isc_net_write_err, isc_conn_lost, isc_lost_db_connection});
}

// The server is away, the database file cannot be opened (a disk not mounted yet) or the
// database is shut down: waiting may mend it, unlike a wrong password or a wrong database.
bool Unreachable(const std::exception& error) {
  const auto* server_error = dynamic_cast<const ibx::EIBError*>(&error);
  return server_error &&
         (NetworkFailure(*server_error) ||
          HasAnyCode(*server_error, {isc_io_error, isc_io_open_err, isc_shutdown, isc_shutinprog}));
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
  if (NetworkFailure(*server_error)) {
    return "Проверьте, что сервер Firebird " + db.host + " запущен и принимает " +
           "подключения на порту " + std::to_string(db.port) + ".";
  }
  if (has(isc_io_error) || has(isc_io_open_err)) {
    return "Проверьте путь к файлу базы данных на сервере: " + db.path + ".";
  }
  return {};
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

void CheckWork(TFyrn& fyrn, const TCopySettings& settings) {
  RunCheck("Проверка рабочей базы данных", settings.WorkDBConnStr, "--work-password",
           kWorkPasswordVariable, [&] { CheckWorkDatabase(fyrn, settings); });
}

}  // namespace

void RunCheck(const std::string& what, const std::string& conn_str, const char* password_option,
              const char* password_variable, const std::function<void()>& check,
              const char* failed) {
  try {
    check();
  } catch (const std::exception& e) {
    ShowErrorBox(e);
    std::string detail = what + " [" + conn_str + "] " + failed + ".";
    const std::string advice = Advice(e, conn_str, password_option, password_variable);
    if (!advice.empty()) detail += " " + advice;
    if (Unreachable(e)) throw DatabaseUnreachable(detail);
    throw UsageError(detail);
  }
}

void CheckDatabasesNamed(const Options& options) {
  if (!options.work && !DatabaseSettingNamed(TDatabaseRole::kWork)) {
    throw UsageError(
        "Рабочая база данных не задана: укажите --work или задайте её в окне "
        "программы (файл настроек " +
        SettingsFileName(kCopySettingsName) + ").");
  }
  if (!options.copy && !DatabaseSettingNamed(TDatabaseRole::kCopy)) {
    throw UsageError(
        "Копия базы данных не задана: укажите --copy или задайте её в окне "
        "программы (файл настроек " +
        SettingsFileName(kCopySettingsName) + ").");
  }
}

void CheckBeforeCopying(TCopyEngine& engine) {
  TFyrn& fyrn = engine.Binding();
  const TCopySettings settings = engine.Settings();
  CheckDatabasePaths(settings);
  CheckWork(fyrn, settings);
  const std::string& copy = settings.CopyDBConnStr;
  RunCheck("Проверка структуры копии базы данных", copy, "--copy-password", kCopyPasswordVariable,
           [&] { VerifyOfficeDB(fyrn, copy, settings.CopyDBPassword); });
  RunCheck("Проверка копии базы данных", copy, "--copy-password", kCopyPasswordVariable,
           [&] { CheckCopyDatabase(engine); });
}

void CheckBeforeChecking(TFyrn& fyrn, const TCopySettings& settings) {
  CheckDatabasePaths(settings);
  RunCheck("Проверка копии базы данных", settings.CopyDBConnStr, "--copy-password",
           kCopyPasswordVariable, [&] { CheckCopyDatabase(fyrn, settings); });
  CheckWork(fyrn, settings);
}

}  // namespace brindle
