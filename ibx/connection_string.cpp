#include "ibx/connection_string.h"

#include "platform/error.h"
#include "platform/suite_root.h"
#include "platform/text.h"

namespace brindle {

namespace {

// The "/" that ends the host, when there is one: it must come before the first ":", since a
// "/" after it (or in a text without ":") belongs to the path, as in localhost:/var/db/x.fdb.
std::string_view::size_type PortSlash(std::string_view conn_str) {
  const auto slash = conn_str.find('/');
  const auto colon = conn_str.find(':');
  return colon != std::string_view::npos && slash < colon ? slash : std::string_view::npos;
}

}  // namespace

std::string ExtractHost(std::string_view conn_str) {
  auto end = PortSlash(conn_str);
  if (end == std::string_view::npos) end = conn_str.find(':');
  const std::string_view host = end == std::string_view::npos ? "" : conn_str.substr(0, end);
  return host.empty() ? "localhost" : std::string(host);
}

std::int32_t ExtractPort(std::string_view conn_str, std::int32_t default_port) {
  const auto slash = PortSlash(conn_str);
  if (slash == std::string_view::npos) return default_port;
  const auto colon = conn_str.find(':');
  return StrToInt(conn_str.substr(slash + 1, colon - slash - 1));
}

std::string ExtractPath(std::string_view conn_str) {
  const auto colon = conn_str.find(':');
  const std::string_view path =
      colon == std::string_view::npos ? conn_str : conn_str.substr(colon + 1);
  // A cut path names another file, which a copy would then be created as.
  if (const std::size_t chars = CharCount(path); chars > kMaxPathChars) {
    throw Exception("Путь к файлу базы данных длиннее " + std::to_string(kMaxPathChars) +
                    " символов (" + std::to_string(chars) +
                    "): " + std::string(LeftChars(path, 40)) + "...; укажите более короткий путь");
  }
  return std::string(path);
}

std::string BuildConnStr(std::string_view host, std::int32_t port, std::string_view path) {
  return std::string(host) + "/" + std::to_string(port) + ":" + std::string(path);
}

TDatabaseLocation LocateDatabase(std::string_view conn_str) {
  return {ExtractHost(conn_str), ExtractPort(conn_str, kDefaultPort), ExtractPath(conn_str)};
}

bool IsLocalHost(std::string_view host) {
  if (SameText(host, "localhost") || host == "127.0.0.1") return true;
  // The server may know this computer by its full name or by the first label of it.
  const std::string name = ComputerName();
  return !name.empty() && (SameText(host, name) || SameText(host, name.substr(0, name.find('.'))));
}

}  // namespace brindle
