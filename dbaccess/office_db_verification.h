// Brings an office database to the structure this system expects, through the structure
// library libOstrel.so: creates the database when it is missing and adds every missing object
// of the office schema. Main thread only; the library stays loaded until shutdown releases it.
#pragma once

#include <string>

#include "ostrel/description.h"

namespace brindle {

class TFyrn;

// Verifies the database of the connection string (host/port:path), signing in as SYSDBA with
// the password. Raises on failure: an empty connection string, a library that cannot be loaded
// or lacks its entry points, or any error of the check itself. On success the binding's
// configuration creator holds a default object on the configuration CONF named "OfficeDB".
// Returns what the check made: the database itself, and how many objects in it.
TfbDataBase::CheckOutcome VerifyOfficeDB(TFyrn& fyrn, const std::string& conn_str,
                                         const std::string& password);

// Unloads the structure library, if it was loaded; at shutdown.
void ReleaseStructureLibrary();

}  // namespace brindle
