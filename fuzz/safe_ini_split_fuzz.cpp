// SplitValue and the stored form of a value: for any value without a literal line-break code,
// writing it with TSafeIniFile and reading it back gives the value with LF as CR LF and lone
// CRs dropped; every piece fits the read buffer, and the pieces decode to the same text.
// The first input byte chooses plain mode and whether the value is repeated past one piece.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "infra/safe_ini_file.h"
#include "platform/profile_file.h"

using namespace brindle;

namespace {

const std::string kCode = "<@\\n@>";

// The text a read gives back for a value: what the writer keeps of line breaks.
std::string Normalised(const std::string& value) {
  std::string out;
  for (const char c : value) {
    if (c == '\n') {
      out += "\r\n";
    } else if (c != '\r') {
      out += c;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t flags = data[0];
  const bool plain_mode = flags & 1;
  std::string value(reinterpret_cast<const char*>(data) + 1, size - 1);
  // A stored value that holds the code itself cannot be told from a line break.
  if (value.find(kCode) != std::string::npos) return 0;
  if ((flags & 2) && !value.empty()) {
    // Past one piece, so the continuation keys and the cut between pieces are exercised.
    const std::string unit = value;
    while (value.size() <= TSafeIniFile::kMaxPieceChars + 16) value += unit;
    if (value.find(kCode) != std::string::npos) return 0;
  }

  const auto split = TSafeIniFile::SplitValue(value, plain_mode);
  for (const auto& piece : split.pieces) {
    if (piece.size() > profile::kReadBufferChars - 1) fuzz::Fail("piece too long for the buffer");
    if (piece.find_first_of("\r\n") != std::string::npos) fuzz::Fail("piece holds a line break");
  }
  if (plain_mode && split.pieces.size() > 1) fuzz::Fail("plain mode gave several pieces");

  std::remove(fuzz::ScratchFile().c_str());
  std::string got;
  try {
    TSafeIniFile ini(fuzz::ScratchFile());
    ini.PlainMode = plain_mode;
    ini.WriteString("S", "K", value);
    got = ini.ReadString("S", "K", "\ndefault");
  } catch (const std::exception& e) {
    fuzz::Fail("write or read threw", e.what());
  }
  const std::string expected = Normalised(value);
  if (plain_mode) {
    // Plain mode keeps what fits in one key: the read is a prefix of the value.
    if (expected.compare(0, got.size(), got) != 0) fuzz::Fail("plain read is no prefix");
    std::size_t stored = 0;
    for (const char c : value) stored += c == '\n' ? kCode.size() : c == '\r' ? 0 : 1;
    if (stored <= TSafeIniFile::kMaxPieceChars && got != expected) {
      fuzz::Fail("plain round trip differs");
    }
  } else if (got != expected) {
    fuzz::Fail("round trip differs", got.substr(0, 200));
  }
  return 0;
}
