#include "checks/numbers.h"

#include <limits>

namespace pubforge {

namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t readLeadingInteger(std::string_view text) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // The magnitude is kept one past the 32-bit range at most, so that a long
  // run of digits cannot overflow.
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kMax + 1) magnitude = kMax + 1;
  }
  int64_t number = negative ? -magnitude : magnitude;
  if (number > kMax) number = kMax;
  if (number < kMin) number = kMin;
  return static_cast<int32_t>(number);
}

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
