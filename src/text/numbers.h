// Reading the number that a text begins with.  One scan serves every reader
// of numbers in values, HTTP headers and tool output; the readers differ only
// in the range they narrow the number to, which each states.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pubforge {

// A run of decimal digits.  `magnitude` stops at the largest 64-bit number;
// `low32` is the exact number modulo 2 to the power of 32.
struct DigitRun {
  uint64_t magnitude = 0;
  uint32_t low32 = 0;
  size_t length = 0;  // bytes of digits; 0 when the text begins with none
};

// The digits at the start of `text`, up to the first other byte.
DigitRun readDigits(std::string_view text);

// The number that `text` begins with: white space (space, tab, line feed,
// vertical tab, form feed, carriage return), an optional sign, then digits up
// to the first other byte.
struct LeadingNumber {
  bool negative = false;
  DigitRun digits;
};
LeadingNumber scanLeadingNumber(std::string_view text);

// The leading number as a signed 64-bit integer, as atoll reads it: 0 without
// leading digits; numbers beyond the range stop at its nearest end.
int64_t readLeadingNumber(std::string_view text);

// The leading number as a signed 32-bit integer: 0 without leading digits;
// numbers beyond the range stop at its nearest end.
int32_t readLeadingInteger(std::string_view text);

// The leading number as an unsigned 32-bit integer that wraps around: the
// number modulo 2 to the power of 32, a minus sign negating it.  0 without
// leading digits.
uint32_t readLeadingWrapped32(std::string_view text);

}  // namespace pubforge
