// The version of the data-access layer's binary interface. The program and the database utility
// library each compile this layer in and hand its objects to one another, so both must agree on
// every class's layout and on the inline code of these headers. Raise the number with every such
// change: a program and a library built from different versions then refuse to work together.
#pragma once

#include <cstdint>

namespace brindle::ibx {

inline constexpr std::uint32_t kIbxAbiVersion = 4;

}  // namespace brindle::ibx
