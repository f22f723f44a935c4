// The connection-string operations on arbitrary text: none may crash; only ExtractPort may
// throw, and only EConvertError. The host is a prefix of the text (or "localhost"), the path
// the start of the text after the first ":" and at most kMaxPathChars characters, and the port
// the default when there is no port part.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "ibx/connection_string.h"
#include "platform/error.h"
#include "platform/text.h"

using namespace brindle;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string host, path;
  try {
    host = ExtractHost(text);
    path = ExtractPath(text);
  } catch (const std::exception& e) {
    fuzz::Fail("ExtractHost or ExtractPath threw", e.what());
  }
  if (host.empty()) fuzz::Fail("empty host");
  if (host != "localhost" && text.substr(0, host.size()) != host) fuzz::Fail("host not a prefix");
  // The limit counts characters, not bytes.
  if (LeftChars(path, kMaxPathChars) != path) fuzz::Fail("path too long");

  const auto colon = text.find(':');
  const std::string_view after_colon =
      colon == std::string_view::npos ? text : text.substr(colon + 1);
  if (after_colon.substr(0, path.size()) != path) fuzz::Fail("path is not the text after ':'");
  if (host != "localhost" && colon != std::string_view::npos && host.size() > colon) {
    fuzz::Fail("host runs past the first ':'");
  }

  const bool has_port_part = colon != std::string_view::npos && text.find('/') < colon;
  try {
    const std::int32_t port = ExtractPort(text, 4711);
    if (!has_port_part && port != 4711) fuzz::Fail("port without a port part");
  } catch (const EConvertError&) {
    if (!has_port_part) fuzz::Fail("EConvertError without a port part");
  } catch (const std::exception& e) {
    fuzz::Fail("ExtractPort threw something other than EConvertError", e.what());
  }
  return 0;
}
