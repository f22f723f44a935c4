// The start-up's load of the copy settings (replication/copy_settings.h), once the program log
// and the database library's binding exist and before the copy engine is made.
#pragma once

#include <string>
#include <vector>

#include "replication/copy_settings.h"

namespace brindle {

// The copy settings from the suite's office setting (cnf) and the program's own settings file
// (Brindle), with the database library's password where none is stored. With
// verify_office_db, first verifies the office database the suite's setting names, with the
// working database's password; a failing verification is logged and start-up goes on. Errors of
// the settings files themselves raise. A settings file that holds nothing readable, and a
// verification that changed the office database, are logged as warnings, which also go to
// `warnings` when given.
TCopySettings LoadCopySettings(bool verify_office_db = true,
                               std::vector<std::string>* warnings = nullptr);

}  // namespace brindle
