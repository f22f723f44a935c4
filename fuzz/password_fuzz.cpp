// UnscramblePassword on arbitrary text must never crash; whatever it accepts must be a
// well-formed scrambled text; and any password scrambled and unscrambled comes back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "settings/password_scrambler.h"

using namespace brindle;

namespace {

bool IsUpperHex(std::string_view text) {
  return text.find_first_not_of("0123456789ABCDEF") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const auto password = UnscramblePassword(bytes);
  if (password) {
    if (bytes.size() < 4 || bytes.size() % 2 != 0 || !IsUpperHex(bytes)) {
      fuzz::Fail("accepted a text that is no scrambled form");
    }
    // The length rule of the stored form: 4n + 4 digits hold n bytes, n rounded down when the
    // inner text has an odd digit count.
    if (password->size() != (bytes.size() - 4) / 4) fuzz::Fail("unexpected password length");
  }

  // The same bytes as a password: the round trip and the stored form's shape.
  const std::string scrambled = ScramblePassword(bytes);
  if (scrambled.size() != 4 * bytes.size() + 4 || !IsUpperHex(scrambled)) {
    fuzz::Fail("scrambled form has the wrong shape", scrambled);
  }
  const auto back = UnscramblePassword(scrambled);
  if (!back || *back != bytes) fuzz::Fail("scramble then unscramble differs", scrambled);
  return 0;
}
