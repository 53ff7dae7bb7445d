// Numbers in item values: how the date and page checks read them and how
// they write them back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/numbers.h"

namespace pubforge {

// `number` in decimal with at least `width` characters, zero-padded after any
// minus sign (so -5 in width 4 is "-005").
std::string zeroPadded(int64_t number, int width);

// True when a year value is a plain number: an optional sign and digits,
// within the range of a signed 32-bit integer.  Such a year is stored as
// its number; any other year value is kept as it was written.
bool isPlainYear(std::string_view value);

// The number of a year value that is not plain: its first run of digits
// outside any brace group that begins with a command (so "2020a" is 2020
// and "{\noopsort{1986a}}1986" is 1986), 0 when there is none.  Runs
// beyond the 32-bit range stop at its largest number.
int32_t yearNumber(std::string_view value);

}  // namespace pubforge
