// Transcoding between the program's UTF-8 strings and WIN1251, the character set of every
// connection. Every WIN1251 byte stands for one character, so decoding never fails and never
// loses a byte; encoding refuses text that WIN1251 cannot hold instead of replacing characters.
#pragma once

#include <string>
#include <string_view>

namespace brindle::ibx {

// The byte 0x98, which WIN1251 leaves unassigned, becomes U+0098 so that it survives a round trip.
std::string Win1251ToUtf8(std::string_view bytes);

// Raises EIBError naming the character (or the invalid byte) that WIN1251 cannot hold.
std::string Utf8ToWin1251(std::string_view text);

bool IsValidUtf8(std::string_view text);

}  // namespace brindle::ibx
