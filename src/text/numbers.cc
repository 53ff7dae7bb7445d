#include "text/numbers.h"

#include <limits>

namespace pubforge {

namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// `number` as a signed number in [minimum, maximum]; one beyond stops at the
// nearest end.
int64_t clamped(const LeadingNumber& number, int64_t minimum, int64_t maximum) {
  const uint64_t magnitude = number.digits.magnitude;
  if (!number.negative)
    return magnitude > static_cast<uint64_t>(maximum) ? maximum : static_cast<int64_t>(magnitude);
  const uint64_t limit = 0 - static_cast<uint64_t>(minimum);
  return magnitude >= limit ? minimum : -static_cast<int64_t>(magnitude);
}

}  // namespace

DigitRun readDigits(std::string_view text) {
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  DigitRun run;
  for (; run.length < text.size(); ++run.length) {
    const char c = text[run.length];
    if (c < '0' || c > '9') break;
    const unsigned digit = static_cast<unsigned>(c - '0');
    run.magnitude = run.magnitude > (kMax - digit) / 10 ? kMax : run.magnitude * 10 + digit;
    run.low32 = run.low32 * 10 + digit;
  }
  return run;
}

LeadingNumber scanLeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  LeadingNumber number;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number.negative = text[i++] == '-';
  number.digits = readDigits(text.substr(i));
  return number;
}

int64_t readLeadingNumber(std::string_view text) {
  return clamped(scanLeadingNumber(text), std::numeric_limits<int64_t>::min(),
                 std::numeric_limits<int64_t>::max());
}

int32_t readLeadingInteger(std::string_view text) {
  return static_cast<int32_t>(clamped(scanLeadingNumber(text), std::numeric_limits<int32_t>::min(),
                                      std::numeric_limits<int32_t>::max()));
}

uint32_t readLeadingWrapped32(std::string_view text) {
  const LeadingNumber number = scanLeadingNumber(text);
  return number.negative ? 0u - number.digits.low32 : number.digits.low32;
}

}  // namespace pubforge
