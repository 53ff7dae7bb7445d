// The one reader of leading numbers and the ranges its callers narrow to:
// 64-bit and 32-bit signed numbers that stop at the ends of their range, and
// 32-bit unsigned numbers that wrap around.
#include "text/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace pubforge {
namespace {

TEST(LeadingNumberTest, Ranges) {
  struct Row {
    std::string_view text;
    int64_t as64;
    int32_t as32;
    uint32_t wrapped;
  };
  const Row rows[] = {
      {"", 0, 0, 0u},
      {"abc", 0, 0, 0u},
      {"-", 0, 0, 0u},
      {"42", 42, 42, 42u},
      {" \t\n\v\f\r42x", 42, 42, 42u},
      {"+7", 7, 7, 7u},
      {"-7", -7, -7, 0u - 7u},
      {"- 7", 0, 0, 0u},
      {"007", 7, 7, 7u},
      {"12-15", 12, 12, 12u},
      {"2147483647", 2147483647, 2147483647, 2147483647u},
      {"2147483648", 2147483648LL, INT32_MAX, 2147483648u},
      {"-2147483648", -2147483648LL, INT32_MIN, 2147483648u},
      {"-2147483649", -2147483649LL, INT32_MIN, 2147483647u},
      {"4294967296", 4294967296LL, INT32_MAX, 0u},
      {"4294967301", 4294967301LL, INT32_MAX, 5u},
      {"9223372036854775807", INT64_MAX, INT32_MAX, 4294967295u},
      {"9223372036854775808", INT64_MAX, INT32_MAX, 0u},
      {"-9223372036854775808", INT64_MIN, INT32_MIN, 0u},
      {"-9223372036854775809", INT64_MIN, INT32_MIN, 4294967295u},
      // Past 64 bits the wrapped number is still exact.
      {"18446744073709551621", INT64_MAX, INT32_MAX, 5u},
      {"99999999999999999999999999999", INT64_MAX, INT32_MAX, 2684354559u},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(readLeadingNumber(row.text), row.as64);
    EXPECT_EQ(readLeadingInteger(row.text), row.as32);
    EXPECT_EQ(readLeadingWrapped32(row.text), row.wrapped);
  }
}

TEST(LeadingNumberTest, DigitRuns) {
  EXPECT_EQ(readDigits("123abc").length, 3u);
  EXPECT_EQ(readDigits("123abc").magnitude, 123u);
  EXPECT_EQ(readDigits(" 1").length, 0u);
  EXPECT_EQ(readDigits("18446744073709551615").magnitude, UINT64_MAX);
  EXPECT_EQ(readDigits("18446744073709551616").magnitude, UINT64_MAX);
  EXPECT_EQ(readDigits("18446744073709551616").length, 20u);
  const LeadingNumber number = scanLeadingNumber("  -12;");
  EXPECT_TRUE(number.negative);
  EXPECT_EQ(number.digits.magnitude, 12u);
  EXPECT_EQ(number.digits.length, 2u);
}

}  // namespace
}  // namespace pubforge
