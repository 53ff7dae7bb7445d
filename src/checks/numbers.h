// Numbers in item values: how the date and page checks read them and how
// they write them back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pubforge {

// The leading decimal integer of `text`: optional white space, an optional
// sign, then digits up to the first other byte.  Text without leading digits
// reads as 0; numbers beyond the 32-bit range stop at its nearest end.
int32_t readLeadingInteger(std::string_view text);

// `number` in decimal with at least `width` characters, zero-padded after any
// minus sign (so -5 in width 4 is "-005").
std::string zeroPadded(int64_t number, int width);

}  // namespace pubforge
