// UTF-8 as bytes: how many bytes a sequence has, told by its first byte.
// Nothing here decodes text.
#pragma once

#include <cstddef>

namespace pubforge {

// The length of the UTF-8 sequence that a lead byte begins: 1 for ASCII, 2
// for 0xC0 to 0xDF, 3 for 0xE0 to 0xEF, 4 for 0xF0 to 0xF7; 0 for a byte that
// cannot begin one (a continuation byte met on its own, 0xF8 to 0xFF).
constexpr size_t utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC0 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  return 0;
}

// True for a byte that continues a UTF-8 sequence (0x80 to 0xBF).
constexpr bool isUtf8Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace pubforge
