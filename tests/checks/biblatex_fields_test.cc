#include "checks/biblatex_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/items.h"

namespace pubforge {
namespace {

struct Field {
  std::string keyword, value;
};

Node entryWith(const std::vector<Field>& fields) {
  Node node;
  node.keyword = "k";
  node.value = "Article";
  for (const Field& f : fields) insertItemInOrder(node, makeItem(f.keyword, f.value));
  return node;
}

std::string valueOf(const Node& node, std::string_view keyword) {
  const Item* item = findItem(node, keyword);
  return item ? item->value : "(none)";
}

TEST(BiblatexFieldsTest, DatesGiveYearMonthAndDay) {
  struct Row {
    const char* name;
    std::vector<Field> fields;
    const char* year;
    const char* month;
    const char* day;
    uint8_t derived;
  } rows[] = {
      {"full date", {{"date", "2018-09-07"}}, "2018", "sep", "07",
       kDerivedYear | kDerivedMonth | kDerivedDay},
      {"year and month", {{"date", "2018-12"}}, "2018", "dec", "(none)",
       kDerivedYear | kDerivedMonth},
      {"year only", {{"date", "1999"}}, "1999", "(none)", "(none)", kDerivedYear},
      {"range: the start counts", {{"date", "2018-09-07/2018-09-09"}}, "2018", "sep", "07",
       kDerivedYear | kDerivedMonth | kDerivedDay},
      {"open range", {{"date", "2018/"}}, "2018", "(none)", "(none)", kDerivedYear},
      {"a year of its own wins", {{"year", "2020"}, {"date", "2018-09-07"}}, "2020", "(none)",
       "(none)", 0},
      {"month 13 is no date", {{"date", "2018-13-01"}}, "(none)", "(none)", "(none)", 0},
      {"two-digit year", {{"date", "18-09-07"}}, "(none)", "(none)", "(none)", 0},
      {"text after the date", {{"date", "2018-09-07T10:00"}}, "(none)", "(none)", "(none)", 0},
      {"words", {{"date", "September 2018"}}, "(none)", "(none)", "(none)", 0},
      {"no date", {{"title", "T"}}, "(none)", "(none)", "(none)", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Node node = entryWith(row.fields);
    deriveBiblatexFields(node);
    EXPECT_EQ(valueOf(node, "year"), row.year);
    EXPECT_EQ(valueOf(node, "month"), row.month);
    EXPECT_EQ(valueOf(node, "day"), row.day);
    EXPECT_EQ(node.derived, row.derived);
  }
}

TEST(BiblatexFieldsTest, JournaltitleAndLocationStandInForMissingFields) {
  Node node = entryWith({{"journaltitle", "Coastal Notes"}, {"location", "Kiel"}});
  deriveBiblatexFields(node);
  EXPECT_EQ(valueOf(node, "journal"), "Coastal Notes");
  EXPECT_EQ(valueOf(node, "address"), "Kiel");
  EXPECT_EQ(node.derived, kDerivedJournal | kDerivedAddress);

  Node both = entryWith({{"journal", "J"}, {"journaltitle", "JT"}, {"address", "A"},
                         {"location", "L"}});
  deriveBiblatexFields(both);
  EXPECT_EQ(valueOf(both, "journal"), "J");
  EXPECT_EQ(valueOf(both, "address"), "A");
  EXPECT_EQ(both.derived, 0);
}

TEST(BiblatexFieldsTest, DerivedBitsNameTheirKeywords) {
  EXPECT_EQ(derivedBit("year"), kDerivedYear);
  EXPECT_EQ(derivedBit("journal"), kDerivedJournal);
  EXPECT_EQ(derivedBit("address"), kDerivedAddress);
  EXPECT_EQ(derivedBit("date"), 0);
  EXPECT_EQ(derivedBit("title"), 0);
}

}  // namespace
}  // namespace pubforge
