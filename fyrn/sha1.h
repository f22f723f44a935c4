// SHA-1 of a byte string, as 40 lower-case hexadecimal digits: the fingerprint kept beside a
// configuration value stored as a BLOB, so that readers can compare values without reading them.
#pragma once

#include <string>
#include <string_view>

namespace brindle::fyrn {

std::string Sha1Hex(std::string_view bytes);

}  // namespace brindle::fyrn
