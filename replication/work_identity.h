// Which working database a copy is filled from. A pass records it in the copy, beside the
// connection string it used; a repair compares it with the working database it is given, so that
// a copy is never "repaired" into another office's data. The identity is what the working server
// says of the database itself, its file and its creation time, so that the same database reached
// by another connection string (localhost or the server's name) is the same, and a database
// restored from a backup, or another office's at the same path, is not.
#pragma once

#include <string>

namespace brindle {

class TFyrn;
class TfbIniFile;
namespace ibx {
class TIBDatabase;
}

// "<creation time> <file on the server>", e.g. "2026-12-09 10:00:00.1234 /srv/office.fdb".
std::string WorkDatabaseIdentity(TFyrn& fyrn, ibx::TIBDatabase& work);

// Empty when the copy may be repaired from the working database `conn_str` of `identity`: the
// copy records that identity, or records none (a copy filled before identities were recorded,
// from the same connection string, or never filled). Otherwise the operator's message naming
// both databases.
std::string OtherWorkDatabase(TfbIniFile& copy_conf, const std::string& conn_str,
                              const std::string& identity);

}  // namespace brindle
