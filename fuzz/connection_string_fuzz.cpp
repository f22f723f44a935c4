// The connection-string operations on arbitrary text: none may crash; ExtractPort may throw
// only EConvertError, ExtractPath only for a path of more than kMaxPathChars characters. The
// host is a prefix of the text (or "localhost"), the path the whole text after the first ":",
// and the port the default when there is no port part.
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
  const auto colon = text.find(':');
  const std::string_view after_colon =
      colon == std::string_view::npos ? text : text.substr(colon + 1);
  // The limit counts characters, not bytes.
  const bool too_long = CharCount(after_colon) > kMaxPathChars;
  try {
    host = ExtractHost(text);
  } catch (const std::exception& e) {
    fuzz::Fail("ExtractHost threw", e.what());
  }
  try {
    path = ExtractPath(text);
    if (too_long) fuzz::Fail("a path over the limit was accepted");
  } catch (const std::exception& e) {
    if (!too_long) fuzz::Fail("ExtractPath threw", e.what());
  }
  if (host.empty()) fuzz::Fail("empty host");
  if (host != "localhost" && text.substr(0, host.size()) != host) fuzz::Fail("host not a prefix");
  if (!too_long && path != after_colon) fuzz::Fail("path is not the text after ':'");
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
