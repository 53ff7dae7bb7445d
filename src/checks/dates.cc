// Year, month and day items become numbers: `numericValue` holds the number
// and `value` its zero-padded decimal text (a year that is no plain number
// keeps its text).
#include <ostream>
#include <string>
#include <string_view>

#include "checks/checks.h"
#include "checks/numbers.h"
#include "text/ascii.h"
#include "text/months.h"

namespace pubforge {

namespace {

constexpr int32_t kEarliestYear = 1700;
constexpr int32_t kLatestYear = 2030;
// Stands in for the year when an entry has a month or day but no year.
constexpr int32_t kMissingYear = 1;

bool isLeapYear(int32_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Month number (1 to 12, 0 when the name is not recognised) and its days.
struct Month {
  int32_t number = 0;
  int32_t days = 0;
};

// `name` is lower-case: the macro or the whole English name.
Month lookUpMonth(std::string_view name, int32_t year) {
  for (size_t i = 0; i < kMonthCount; ++i) {
    const MonthRow& row = kMonthTable[i];
    if (name != row.macro && !equalsIgnoringAsciiCase(name, row.name)) continue;
    Month month{static_cast<int32_t>(i + 1), row.days};
    if (month.number == 2 && isLeapYear(year)) ++month.days;
    return month;
  }
  return {};
}

void setNumber(Item& item, int32_t number, int width) {
  item.numericValue = number;
  item.value = zeroPadded(number, width);
}

}  // namespace

void checkDate(Node& publication, Item* yearItem, Item* monthItem, Item* dayItem,
               Diagnostics diag) {
  const std::string& key = publication.keyword;

  int32_t year = kMissingYear;
  if (yearItem) {
    // A year that is no plain number ("to appear", "2020a") keeps its text;
    // only its number is taken.
    const bool plain = isPlainYear(yearItem->value);
    year = plain ? readLeadingInteger(yearItem->value) : yearNumber(yearItem->value);
    if (year < kEarliestYear || year > kLatestYear)
      diag.entryWarning(key, "has probably invalid \"year\" section (year=", year, "?)");
    if (plain)
      setNumber(*yearItem, year, 4);
    else
      yearItem->numericValue = year;
  } else {
    diag.entryWarning(key, "has no \"year\" section, but \"month\" or \"day\"");
  }

  if (monthItem) {
    std::string name = asciiLowerCopy(monthItem->value);
    Month month = lookUpMonth(name, year);
    if (month.number == 0)
      diag.entryWarning(key, "has probably invalid \"month\" section (month=", name, "?)");
    setNumber(*monthItem, month.number, 2);

    if (dayItem) {
      int32_t day = readLeadingInteger(dayItem->value);
      if (day < 1 || day > month.days)
        diag.entryWarning(key, "has invalid \"day\" or \"month\" section (year=", year, " month=", month.number, " day=", day, ")");
      setNumber(*dayItem, day, 4);
    }
  } else if (dayItem) {
    int32_t day = readLeadingInteger(dayItem->value);
    diag.entryWarning(key, "has no \"month\" section, but \"day\"");
    setNumber(*dayItem, day, 4);
  }
}

}  // namespace pubforge
