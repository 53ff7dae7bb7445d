// Numbers in item values: how the date and page checks read them and how
// they write them back.
#pragma once

#include <cstdint>
#include <string>

#include "text/numbers.h"

namespace pubforge {

// `number` in decimal with at least `width` characters, zero-padded after any
// minus sign (so -5 in width 4 is "-005").
std::string zeroPadded(int64_t number, int width);

}  // namespace pubforge
