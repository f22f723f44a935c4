// The safe INI file's reading of stored values from arbitrary file bytes: ReadString must never
// crash or throw for a valid section and key, and must give exactly the decoded first piece
// unless the file holds a matching count and hash, and then the decoded pieces in order.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "infra/safe_ini_file.h"
#include "platform/profile_file.h"
#include "platform/text.h"

using namespace brindle;

namespace {

// What the reader makes of one stored piece: the line-break code becomes CR LF.
std::string Decode(const std::string& text) {
  static const std::string code = "<@\\n@>";
  std::string out;
  for (std::size_t pos = 0; pos < text.size();) {
    if (text.compare(pos, code.size(), code) == 0) {
      out += "\r\n";
      pos += code.size();
    } else {
      out += text[pos++];
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  fuzz::WriteScratch(bytes);
  const std::string& file = fuzz::ScratchFile();
  const std::string section = "S";
  const std::string key = "K";

  // The expected value, built from the raw pieces the profile engine reads.
  const auto count = TryStrToInt(profile::ReadString(file, section, key + "__$Count", ""));
  // Each continuation piece costs a file read; a stored count of millions would make one
  // input run for minutes (see the report), so such inputs are skipped.
  if (count && *count > 1000) return 0;
  const std::string first = profile::ReadString(file, section, key, "dflt");
  std::string expected = Decode(first);
  const auto hash = TryStrToInt(profile::ReadString(file, section, key + "__$Hash", ""));
  if (count && *count > 1 && hash == TSafeIniFile::ValueHash(first)) {
    for (std::int32_t n = 2; n <= *count; ++n) {
      expected += Decode(
          profile::ReadString(file, section, key + "__$Line" + std::to_string(n), ""));
    }
  }

  std::string got;
  try {
    TSafeIniFile ini(file);
    got = ini.ReadString(section, key, "dflt");
    // The listings on the same bytes must not fail either.
    (void)ini.ReadSections();
    (void)ini.ReadSection(section);
    (void)ini.ReadSectionValues(section);
  } catch (const std::exception& e) {
    fuzz::Fail("reading threw", e.what());
  }
  if (got != expected) fuzz::Fail("value differs from its decoded pieces", got);
  return 0;
}
