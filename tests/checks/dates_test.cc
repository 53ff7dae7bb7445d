// Year, month and day: their numbers, zero-padded values and warnings.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

#include "checks/checks.h"
#include "checks/numbers.h"

namespace pubforge {
namespace {

// An item as given in the entry, and what the check makes of it.
struct DatePart {
  std::optional<std::string> input;
  std::string value;
  int32_t number = 0;
};

struct DateRow {
  const char* name;
  DatePart year, month, day;
  std::string err;
};

const std::string kNoYear = "WARNING: Entry K has no \"year\" section, but \"month\" or \"day\"!\n";
const std::string kNoMonth = "WARNING: Entry K has no \"month\" section, but \"day\"!\n";

std::string yearWarning(const std::string& year) {
  return "WARNING: Entry K has probably invalid \"year\" section (year=" + year + "?)!\n";
}
std::string monthWarning(const std::string& month) {
  return "WARNING: Entry K has probably invalid \"month\" section (month=" + month + "?)!\n";
}
std::string dayWarning(const std::string& numbers) {
  return "WARNING: Entry K has invalid \"day\" or \"month\" section (" + numbers + ")!\n";
}

const DateRow kDateRows[] = {
    {"year only", {"2020", "2020", 2020}, {}, {}, ""},
    {"full date", {"2020", "2020", 2020}, {"may", "05", 5}, {"5", "0005", 5}, ""},
    {"short year", {"999", "0999", 999}, {}, {}, yearWarning("999")},
    {"earliest year", {"1700", "1700", 1700}, {}, {}, ""},
    {"before the earliest", {"1699", "1699", 1699}, {}, {}, yearWarning("1699")},
    {"latest year", {"2030", "2030", 2030}, {}, {}, ""},
    {"after the latest", {"2031", "2031", 2031}, {}, {}, yearWarning("2031")},
    {"negative year", {"-5", "-005", -5}, {}, {}, yearWarning("-5")},
    {"signed year", {"+2001", "2001", 2001}, {}, {}, ""},
    {"smallest 32-bit year", {"-2147483648", "-2147483648", -2147483647 - 1}, {}, {},
     yearWarning("-2147483648")},
    // A year that is no plain number keeps its text; its number is the first
    // run of digits outside a group that begins with a command.
    {"no digits", {"n.d.", "n.d.", 0}, {}, {}, yearWarning("0")},
    {"words", {"to appear", "to appear", 0}, {}, {}, yearWarning("0")},
    {"letter after the year", {"2020a", "2020a", 2020}, {}, {}, ""},
    {"text before the year", {"ca. 1850", "ca. 1850", 1850}, {}, {}, ""},
    {"sort command group passed over", {"{\\noopsort{1986a}}1986", "{\\noopsort{1986a}}1986", 1986},
     {}, {}, ""},
    {"plain group not passed over", {"{1986a}1987", "{1986a}1987", 1986}, {}, {}, ""},
    {"unclosed command group", {"{\\noopsort{1986}", "{\\noopsort{1986}", 0}, {}, {},
     yearWarning("0")},
    {"beyond 32 bits", {"99999999999", "99999999999", 2147483647}, {}, {},
     yearWarning("2147483647")},
    {"leap day in a year with a letter", {"2024b", "2024b", 2024}, {"feb", "02", 2},
     {"29", "0029", 29}, ""},
    {"short month name", {"2020", "2020", 2020}, {"Jan", "01", 1}, {}, ""},
    {"long month name", {"2020", "2020", 2020}, {"JANUARY", "01", 1}, {}, ""},
    {"december", {"2020", "2020", 2020}, {"december", "12", 12}, {"31", "0031", 31}, ""},
    {"abbreviation not known", {"2020", "2020", 2020}, {"Sept", "00", 0}, {}, monthWarning("sept")},
    {"full stop not known", {"2020", "2020", 2020}, {"jan.", "00", 0}, {}, monthWarning("jan.")},
    {"month number not known", {"2020", "2020", 2020}, {"07", "00", 0}, {"3", "0003", 3},
     monthWarning("07") + dayWarning("year=2020 month=0 day=3")},
    {"day beyond the month", {"2020", "2020", 2020}, {"apr", "04", 4}, {"31", "0031", 31},
     dayWarning("year=2020 month=4 day=31")},
    {"day 0", {"2020", "2020", 2020}, {"apr", "04", 4}, {"0", "0000", 0},
     dayWarning("year=2020 month=4 day=0")},
    {"leap day 2000", {"2000", "2000", 2000}, {"feb", "02", 2}, {"29", "0029", 29}, ""},
    {"leap day 2024", {"2024", "2024", 2024}, {"February", "02", 2}, {"29", "0029", 29}, ""},
    {"no leap day 1900", {"1900", "1900", 1900}, {"feb", "02", 2}, {"29", "0029", 29},
     dayWarning("year=1900 month=2 day=29")},
    {"no leap day 2023", {"2023", "2023", 2023}, {"feb", "02", 2}, {"29", "0029", 29},
     dayWarning("year=2023 month=2 day=29")},
    {"february without year", {}, {"feb", "02", 2}, {"29", "0029", 29},
     kNoYear + dayWarning("year=1 month=2 day=29")},
    {"month without year", {}, {"mar", "03", 3}, {}, kNoYear},
    {"day without month", {"2020", "2020", 2020}, {}, {"12", "0012", 12}, kNoMonth},
    {"day alone", {}, {}, {"x", "0000", 0}, kNoYear + kNoMonth},
    {"all three wrong", {"3000", "3000", 3000}, {"Foo", "00", 0}, {"1", "0001", 1},
     yearWarning("3000") + monthWarning("foo") + dayWarning("year=3000 month=0 day=1")},
};

Item dateItem(const char* keyword, const DatePart& part) {
  Item item;
  item.keyword = keyword;
  item.value = part.input.value_or("");
  item.numericValue = -99;  // must be overwritten
  return item;
}

TEST(CheckDate, Table) {
  for (const DateRow& row : kDateRows) {
    SCOPED_TRACE(row.name);
    Node publication;
    publication.keyword = "K";
    Item year = dateItem("year", row.year);
    Item month = dateItem("month", row.month);
    Item day = dateItem("day", row.day);
    std::ostringstream err;
    checkDate(publication, row.year.input ? &year : nullptr, row.month.input ? &month : nullptr,
              row.day.input ? &day : nullptr, err);
    EXPECT_EQ(err.str(), row.err);
    const std::pair<const DatePart*, const Item*> checked[] = {
        {&row.year, &year}, {&row.month, &month}, {&row.day, &day}};
    for (auto [part, item] : checked) {
      if (!part->input) continue;
      SCOPED_TRACE(item->keyword);
      EXPECT_EQ(item->value, part->value);
      EXPECT_EQ(item->numericValue, part->number);
    }
  }
}

TEST(ReadLeadingInteger, Table) {
  const struct {
    const char* text;
    int32_t expected;
  } rows[] = {
      {"", 0},           {"abc", 0},           {"42", 42},
      {" \t\n42x", 42},  {"-17 pages", -17},   {"+8", 8},
      {"- 8", 0},        {"4 2", 4},           {"2147483647", 2147483647},
      {"99999999999999999999", 2147483647},    {"-99999999999999999999", -2147483647 - 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(readLeadingInteger(row.text), row.expected);
  }
}

TEST(ZeroPadded, Table) {
  EXPECT_EQ(zeroPadded(5, 4), "0005");
  EXPECT_EQ(zeroPadded(5, 2), "05");
  EXPECT_EQ(zeroPadded(12345, 4), "12345");
  EXPECT_EQ(zeroPadded(0, 2), "00");
  EXPECT_EQ(zeroPadded(-5, 4), "-005");
  EXPECT_EQ(zeroPadded(-2147483648LL, 4), "-2147483648");
}

}  // namespace
}  // namespace pubforge
