#include "fyrn/sha1.h"

#include <array>
#include <cstdint>

namespace brindle::fyrn {

namespace {

std::uint32_t RotateLeft(std::uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

void ProcessBlock(std::array<std::uint32_t, 5>& h, const unsigned char* block) {
  std::array<std::uint32_t, 80> w{};
  for (int i = 0; i < 16; ++i) {
    w[i] = std::uint32_t{block[4 * i]} << 24 | std::uint32_t{block[4 * i + 1]} << 16 |
           std::uint32_t{block[4 * i + 2]} << 8 | std::uint32_t{block[4 * i + 3]};
  }
  for (int i = 16; i < 80; ++i) w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
  for (int i = 0; i < 80; ++i) {
    std::uint32_t f, k;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6;
    }
    const std::uint32_t t = RotateLeft(a, 5) + f + e + k + w[i];
    e = d;
    d = c;
    c = RotateLeft(b, 30);
    b = a;
    a = t;
  }
  h[0] += a;
  h[1] += b;
  h[2] += c;
  h[3] += d;
  h[4] += e;
}

}  // namespace

std::string Sha1Hex(std::string_view bytes) {
  std::array<std::uint32_t, 5> h = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::size_t pos = 0;
  for (; pos + 64 <= bytes.size(); pos += 64) {
    ProcessBlock(h, reinterpret_cast<const unsigned char*>(bytes.data() + pos));
  }
  // The tail, a 1 bit, zeros, and the length in bits: one or two final blocks.
  std::array<unsigned char, 128> tail{};
  const std::size_t rest = bytes.size() - pos;
  for (std::size_t i = 0; i < rest; ++i) tail[i] = static_cast<unsigned char>(bytes[pos + i]);
  tail[rest] = 0x80;
  const std::size_t tail_size = rest + 1 + 8 <= 64 ? 64 : 128;
  const std::uint64_t bits = static_cast<std::uint64_t>(bytes.size()) * 8;
  for (int i = 0; i < 8; ++i) {
    tail[tail_size - 1 - i] = static_cast<unsigned char>(bits >> (8 * i));
  }
  for (std::size_t block = 0; block < tail_size; block += 64) ProcessBlock(h, tail.data() + block);

  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(40);
  for (std::uint32_t word : h) {
    for (int shift = 28; shift >= 0; shift -= 4) hex += kDigits[(word >> shift) & 0xF];
  }
  return hex;
}

}  // namespace brindle::fyrn
