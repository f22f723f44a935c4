// Connection strings of the form host/port:path; the host and the "/port" part may be missing.
// The first ":" ends the host or port, so a drive letter in the path survives; a "/" counts as
// the start of the port only before that ":", so server paths such as /var/db/x.fdb survive too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brindle {

constexpr std::int32_t kDefaultPort = 30050;
constexpr std::size_t kMaxPathChars = 260;

// The text before the port's "/", else before the first ":"; "localhost" when that is empty.
std::string ExtractHost(std::string_view conn_str);

// The text between the port's "/" and the first ":" as a decimal integer; the default when there
// is no port part. Raises EConvertError when that text is not a valid integer (empty included).
std::int32_t ExtractPort(std::string_view conn_str, std::int32_t default_port);

// The text after the first ":" (the whole text without one), at most 260 characters.
std::string ExtractPath(std::string_view conn_str);

// Whether a host name denotes this computer: "localhost", "127.0.0.1" or this computer's
// network name, ignoring case. No name resolution is done.
bool IsLocalHost(std::string_view host);

}  // namespace brindle
