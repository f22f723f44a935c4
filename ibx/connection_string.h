// Connection strings of the form host/port:path; the host and the "/port" part may be missing.
// The first ":" ends the host or port, so a drive letter in the path survives; a "/" counts as
// the start of the port only before that ":", so server paths such as /var/db/x.fdb survive too.
//
// The one place where connection strings are split and built, and where the user and character
// set of every connection are named.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brindle {

constexpr std::int32_t kDefaultPort = 30050;
constexpr std::size_t kMaxPathChars = 260;

// Every connection of the suite signs in as this user, in this character set.
inline constexpr char kDatabaseUser[] = "SYSDBA";
inline constexpr char kDatabaseCharset[] = "WIN1251";

// The parts of a connection string.
struct TDatabaseLocation {
  std::string host;
  std::int32_t port = kDefaultPort;
  std::string path;
};

// host/port:path.
std::string BuildConnStr(std::string_view host, std::int32_t port, std::string_view path);
// The three parts at once; raises what ExtractPort and ExtractPath raise.
TDatabaseLocation LocateDatabase(std::string_view conn_str);

// The text before the port's "/", else before the first ":"; "localhost" when that is empty.
std::string ExtractHost(std::string_view conn_str);

// The text between the port's "/" and the first ":" as a decimal integer; the default when there
// is no port part. Raises EConvertError when that text is not a valid integer (empty included).
std::int32_t ExtractPort(std::string_view conn_str, std::int32_t default_port);

// The text after the first ":" (the whole text without one). A path of more than 260
// characters is refused (Exception naming the limit), never cut.
std::string ExtractPath(std::string_view conn_str);

// Whether a host name denotes this computer: "localhost", "127.0.0.1" or this computer's
// network name, ignoring case. No name resolution is done.
bool IsLocalHost(std::string_view host);

}  // namespace brindle
