// Fast scans over value bytes, sixteen bytes at a time where the machine
// allows it.  Values are scanned on every read and every write, so these sit
// on the hot path of large bibliographies.
#pragma once

#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pubforge {

// The position of the first byte of `text` that equals one of a, b, c and d,
// or npos.
inline size_t findAnyOf4(std::string_view text, char a, char b, char c, char d) {
  const char* data = text.data();
  const size_t size = text.size();
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b);
  const __m128i vc = _mm_set1_epi8(c), vd = _mm_set1_epi8(d);
  for (; i + 16 <= size; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const __m128i hits =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, va), _mm_cmpeq_epi8(bytes, vb)),
                     _mm_or_si128(_mm_cmpeq_epi8(bytes, vc), _mm_cmpeq_epi8(bytes, vd)));
    if (const int mask = _mm_movemask_epi8(hits)) return i + __builtin_ctz(mask);
  }
#endif
  for (; i < size; ++i) {
    const char x = data[i];
    if (x == a || x == b || x == c || x == d) return i;
  }
  return std::string_view::npos;
}

// The position of the first of two blanks (space or tab) in a row, or npos.
inline size_t findBlankPair(std::string_view text) {
  const char* data = text.data();
  const size_t size = text.size();
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t');
  // Compares the bytes at i and at i + 1, so the last block ends one byte
  // before the end of the text.
  for (; i + 17 <= size; i += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 1));
    const __m128i blankHere =
        _mm_or_si128(_mm_cmpeq_epi8(here, space), _mm_cmpeq_epi8(here, tab));
    const __m128i blankNext =
        _mm_or_si128(_mm_cmpeq_epi8(next, space), _mm_cmpeq_epi8(next, tab));
    if (const int mask = _mm_movemask_epi8(_mm_and_si128(blankHere, blankNext)))
      return i + __builtin_ctz(mask);
  }
#endif
  for (; i + 1 < size; ++i) {
    const bool here = data[i] == ' ' || data[i] == '\t';
    const bool next = data[i + 1] == ' ' || data[i + 1] == '\t';
    if (here && next) return i;
  }
  return std::string_view::npos;
}

}  // namespace pubforge
