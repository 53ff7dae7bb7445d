// The twelve months: the BibTeX macro that names each, its English name and
// its days, for the date check, the writers and printed output.
#pragma once

#include <cstdint>
#include <string_view>

namespace pubforge {

struct MonthRow {
  std::string_view macro;  // BibTeX's month macro: "jan"
  std::string_view name;   // "January"
  int32_t days;            // February: in a common year
};

// Month n (1 to 12) is row n - 1.
inline constexpr MonthRow kMonthTable[] = {
    {"jan", "January", 31},   {"feb", "February", 28}, {"mar", "March", 31},
    {"apr", "April", 30},     {"may", "May", 31},      {"jun", "June", 30},
    {"jul", "July", 31},      {"aug", "August", 31},   {"sep", "September", 30},
    {"oct", "October", 31},   {"nov", "November", 30}, {"dec", "December", 31},
};

inline constexpr size_t kMonthCount = sizeof kMonthTable / sizeof kMonthTable[0];

// True when `name` (lower-case) is one of the month macros, which BibTeX
// always defines.
constexpr bool isMonthMacro(std::string_view name) {
  for (const MonthRow& row : kMonthTable)
    if (name == row.macro) return true;
  return false;
}

}  // namespace pubforge
