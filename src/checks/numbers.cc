#include "checks/numbers.h"

namespace pubforge {

std::string zeroPadded(int64_t number, int width) {
  bool negative = number < 0;
  // The magnitude as unsigned, so that the smallest 64-bit number has one too.
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
  std::string digits;
  do {
    digits.push_back(static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  std::string text;
  if (negative) text.push_back('-');
  int used = static_cast<int>(digits.size()) + (negative ? 1 : 0);
  if (used < width) text.append(static_cast<size_t>(width - used), '0');
  text.append(digits.rbegin(), digits.rend());
  return text;
}

}  // namespace pubforge
