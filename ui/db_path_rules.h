// What the database path dialog decides: how a connection string is split into the dialog's
// fields and built again from them with every check, the connection test with the office
// checks, and the accept flow with its question. The dialog's widgets only mirror the fields.
//
// Everything here runs on the main thread; the boxes go through platform/message_box.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ibx/connection_string.h"
#include "platform/error.h"

namespace brindle {

class TFyrn;

// A refused field value; its message is the operator's.
BRINDLE_DECLARE_EXCEPTION(EDBPathError, Exception);

// The oldest office structure the copy works with.
inline constexpr std::int32_t kRequiredOfficeDBVersion = 12;

// The dialog's fields, as typed.
struct TDBPathFields {
  std::string Server;
  std::int32_t Port = kDefaultPort;
  std::string FileName;
  std::string Password;
};

// The fields that show a connection string: the host before the port's "/" (or before the
// first ":"), the port (30050, the port connections use, when there is none) and the whole
// path after the first ":". Raises EConvertError for a port that is not an integer.
TDBPathFields SplitDBConnStr(std::string_view conn_str, std::string password);

// host/port:path from the fields, or EDBPathError with the first failing check: no server, a
// network path, a path shorter than 6 characters, or, for the working database on this
// computer, a file that does not exist here. Server and path are taken without surrounding
// blanks.
std::string BuildDBConnStr(const TDBPathFields& fields, bool is_working_db);

// Connects with the fields and, with check_office_db, requires the tables OFFICE and
// CONFIGPARAMS and a structure version of at least kRequiredOfficeDBVersion in the
// configuration CONF. Raises what failed; the connection is closed again either way.
void CheckDBConnection(TFyrn& fyrn, const TDBPathFields& fields, bool is_working_db,
                       bool check_office_db);

// The two presets of the "Выбрать" button's menu: server and path; the port stays.
struct TDBPathPreset {
  std::string Server;
  std::string FileName;
};
TDBPathPreset LocalWorkingCopyPreset();  // "L"
TDBPathPreset HeadOfficePreset();        // "K"

// The folder the file dialog starts in: the folder part of the typed path when it exists on
// this computer, else empty.
std::string BrowseStartFolder(std::string_view file_name);

// The dialog's state and its two flows. Field values come from the widgets on every call.
class TDBPathEditor {
 public:
  std::string ConnStr;         // in, and out on acceptance
  std::string Password;        // in, and out on acceptance
  bool CheckOfficeDB = false;  // the test checks the office structure
  bool Modified = false;       // a field was edited since showing or the last good test
  bool IsWorkingDB = false;
  TFyrn* Binding = nullptr;  // what the connection test connects through; none: it fails

  // The fields to show for ConnStr and Password. Raises EConvertError for a bad port.
  TDBPathFields FieldsToShow() const { return SplitDBConnStr(ConnStr, Password); }

  // "Применить": true when the dialog closes accepted. A refused field is shown as an error
  // box; an edited working database is offered the connection test first.
  bool Accept(const TDBPathFields& fields);

  // "Тест": runs the connection test and shows its outcome; a good test clears Modified.
  bool TestConnection(const TDBPathFields& fields);
};

}  // namespace brindle
