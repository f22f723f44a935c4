// The checks brindle-sync makes before its work, those of the window's "ЗАПУСТИТЬ" among them. A
// check that does not pass prints its own message, and raises UsageError that names what was
// checked and says what to try, so the program ends with the validation status.
#pragma once

#include <functional>
#include <string>

#include "app/sync_options.h"
#include "replication/copy_engine.h"
#include "settings/copy_settings.h"

namespace brindle {

class TFyrn;

// A check that failed because a database cannot be reached now: its server does not answer, its
// file cannot be opened, it is shut down. The service waits for it; other modes end as on any
// failed check.
class DatabaseUnreachable : public UsageError {
 public:
  using UsageError::UsageError;
};

// Runs one check against the database `conn_str`; `password_option` and `password_variable` are
// where the operator gives its password. `failed` follows `what` in the message and agrees with it
// ("Чтение ... не пройдено").
void RunCheck(const std::string& what, const std::string& conn_str, const char* password_option,
              const char* password_variable, const std::function<void()>& check,
              const char* failed = "не пройдена");

// Both databases are named, on the line or in the settings files: the suite's default location
// is no database anyone chose to copy from or into.
void CheckDatabasesNamed(const Options& options);

// The checks of the window's "ЗАПУСТИТЬ", without storing the period; the working database is
// checked first, so that a copy is created only for a working database that passed.
void CheckBeforeCopying(TCopyEngine& engine);

// The checks of CheckBeforeCopying that only read: a check never takes the working database for
// the copy, nor writes its record or the lock's row into it.
void CheckBeforeChecking(TFyrn& fyrn, const TCopySettings& settings);

}  // namespace brindle
