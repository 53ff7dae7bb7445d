#include "checks/numbers.h"

#include <limits>

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

namespace {

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool isPlainYear(std::string_view value) {
  const size_t start = !value.empty() && (value[0] == '-' || value[0] == '+') ? 1 : 0;
  const DigitRun digits = readDigits(value.substr(start));
  if (digits.length == 0 || start + digits.length != value.size()) return false;
  const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) +
                         (value[0] == '-' ? 1 : 0);
  return digits.magnitude <= limit;
}

int32_t yearNumber(std::string_view value) {
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '{' && i + 1 < value.size() && value[i + 1] == '\\') {
      // A group that begins with a command is passed over whole.
      long depth = 1;
      for (++i; i + 1 < value.size() && depth > 0;) {
        ++i;
        if (value[i] == '{')
          ++depth;
        else if (value[i] == '}')
          --depth;
      }
      continue;
    }
    if (isDigit(value[i])) {
      const DigitRun digits = readDigits(value.substr(i));
      constexpr uint64_t kLargest = std::numeric_limits<int32_t>::max();
      return static_cast<int32_t>(digits.magnitude < kLargest ? digits.magnitude : kLargest);
    }
  }
  return 0;
}

}  // namespace pubforge
