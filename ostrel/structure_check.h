// CheckDBStruct's work: brings the database that a description names to the described
// structure without losing anything already there.
//
// The database is opened as SYSDBA with the description's password; when the server reports
// that its file does not exist, it is created (default character set WIN1251, dialect 3). The
// server never overwrites an existing file on create, so a database that merely cannot be opened
// is never replaced. Then, in this order, every missing domain, table (with all its columns),
// column of an existing table, primary key, index, generator and trigger is created. The
// statements of one kind run in one transaction; when it fails, they run again one by one, each
// committed, so that a failure names the statement that failed and leaves everything before it
// in place.
//
// Nothing that exists is dropped, altered or rewritten, with two exceptions that lose nothing
// and are logged: a nullable column of a missing primary key is made NOT NULL when it holds no
// NULL (otherwise the key is not created and that is logged); a NOT NULL column without a
// default that is added to a table holding rows is added without NOT NULL, since the server
// refuses it otherwise. An object that exists with another definition is logged as a
// difference and left as it is. A trigger that keeps MODIFYDATE is not created where the table
// already has a trigger keeping MODIFYDATE, since two such triggers break the rule (a second
// one stamps the NULL that the first made of 1900-01-01).
//
// Existing objects are found by name ignoring letter case; the trigger and index of change
// tracking also by what they are (the same trigger text; an index on MODIFYDATE alone).
#pragma once

#include <string>

#include "ostrel/database_description.h"

namespace brindle::ostrel {

struct CheckResult {
  bool database_created = false;
  int created = 0;      // objects created, the database itself not counted
  int differences = 0;  // differences and refusals logged
};

// host/port:path, or host:path when port is 0 or less; an empty host is "localhost".
std::string ConnectionString(const ConnectionDescription& connection);

// Writes to log_file when the check starts, each finding, any failure and a summary at the end.
// Raises, with "Проверка структуры БД <connection> -> " before the message:
// EDescriptionError when the description has no connection or cannot be realised (nothing is
// touched then); EIBError with the server's text, naming the object or step that failed; EOSError
// when the log's folder cannot be made. A failure after changes ends its message with every
// change made before it (the database created, objects created, columns made NOT NULL).
CheckResult CheckDatabaseStructure(const TfbDataBaseDescription& description,
                                   const std::string& log_file);

}  // namespace brindle::ostrel
