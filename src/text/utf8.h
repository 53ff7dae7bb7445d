// UTF-8 as bytes: how many bytes a sequence has, told by its first byte,
// and the decoding that XML and JSON output need, which may hold only
// well-formed sequences.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

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

// Decodes the UTF-8 sequence at text[i]; returns its length, or 0 when the
// bytes there are no well-formed sequence (overlong forms, surrogates, code
// points past U+10FFFF, cut or stray continuation bytes are not).
inline size_t decodeUtf8(std::string_view text, size_t i, uint32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(text[i]);
  size_t length;
  uint32_t minimum;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF) return 0;
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return 0;
  return length;
}

// U+FFFD, the character that stands in for bytes that are no character.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

}  // namespace pubforge
