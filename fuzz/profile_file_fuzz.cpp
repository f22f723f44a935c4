// The profile-file reader on arbitrary file bytes: it must never crash or throw, names come
// back once each (ignoring case) without line feeds, every listed key reads as present, and
// every value fits the read buffer without a line feed.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/profile_file.h"
#include "platform/text.h"

using namespace brindle;

namespace {

void CheckName(const std::string& name) {
  // Lines end at LF; a lone CR inside a line is an ordinary byte of it.
  if (name.find('\n') != std::string::npos) fuzz::Fail("name holds a line feed", name);
}

void CheckValue(const std::string& value) {
  if (value.size() > profile::kReadBufferChars - 1) {
    fuzz::Fail("value longer than the read buffer");
  }
  if (value.find('\n') != std::string::npos) fuzz::Fail("value holds a line feed", value);
}

void CheckUnique(const std::vector<std::string>& names) {
  std::set<std::string> seen;
  for (const auto& name : names) {
    CheckName(name);
    if (!seen.insert(LowerCase(name)).second) fuzz::Fail("name listed twice", name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  fuzz::WriteScratch(bytes);
  const std::string& file = fuzz::ScratchFile();
  try {
    const auto sections = profile::ReadSectionNames(file);
    CheckUnique(sections);
    std::size_t keys_seen = 0;
    for (const auto& section : sections) {
      const auto keys = profile::ReadKeyNames(file, section);
      CheckUnique(keys);
      for (const auto& key : keys) {
        // Bounded, so a file of many keys does not make one run quadratic and slow.
        if (++keys_seen > 64) break;
        const std::string value = profile::ReadString(file, section, key, "\nmissing");
        if (value == "\nmissing") fuzz::Fail("a listed key reads as missing", key);
        CheckValue(value);
      }
    }
    // A section and key that the file cannot hold give the default back.
    if (profile::ReadString(file, "no\nsuch", "key", "dflt") != "dflt") {
      fuzz::Fail("impossible section did not give the default");
    }
  } catch (...) {
    fuzz::Fail("the reader threw");
  }
  return 0;
}
