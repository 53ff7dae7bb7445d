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

// The keywords of the items marked as derived, in item order.
std::string derivedKeywords(const Node& node) {
  std::string keywords;
  for (const Item& item : node.items)
    if (item.derived) keywords += (keywords.empty() ? "" : " ") + item.keyword;
  return keywords;
}

TEST(BiblatexFieldsTest, DatesGiveYearMonthAndDay) {
  struct Row {
    const char* name;
    std::vector<Field> fields;
    const char* year;
    const char* month;
    const char* day;
    const char* derived;
  } rows[] = {
      {"full date", {{"date", "2018-09-07"}}, "2018", "sep", "07",
       "day month year"},
      {"year and month", {{"date", "2018-12"}}, "2018", "dec", "(none)", "month year"},
      {"year only", {{"date", "1999"}}, "1999", "(none)", "(none)", "year"},
      {"range: the start counts", {{"date", "2018-09-07/2018-09-09"}}, "2018", "sep", "07",
       "day month year"},
      {"open range", {{"date", "2018/"}}, "2018", "(none)", "(none)", "year"},
      {"a year of its own wins", {{"year", "2020"}, {"date", "2018-09-07"}}, "2020", "(none)",
       "(none)", ""},
      {"own month and day stay", {{"date", "2018-09-07"}, {"day", "3"}, {"month", "may"}},
       "2018", "may", "3", "year"},
      {"own month stays and takes no day", {{"date", "2018-09-07"}, {"month", "may"}}, "2018",
       "may", "(none)", "year"},
      {"own day stays", {{"date", "2018-09-07"}, {"day", "3"}}, "2018", "sep", "3",
       "month year"},
      {"month 13 is no date", {{"date", "2018-13-01"}}, "(none)", "(none)", "(none)", ""},
      {"two-digit year", {{"date", "18-09-07"}}, "(none)", "(none)", "(none)", ""},
      {"text after the date", {{"date", "2018-09-07T10:00"}}, "(none)", "(none)", "(none)", ""},
      {"words", {{"date", "September 2018"}}, "(none)", "(none)", "(none)", ""},
      {"no date", {{"title", "T"}}, "(none)", "(none)", "(none)", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Node node = entryWith(row.fields);
    deriveBiblatexFields(node);
    EXPECT_EQ(valueOf(node, "year"), row.year);
    EXPECT_EQ(valueOf(node, "month"), row.month);
    EXPECT_EQ(valueOf(node, "day"), row.day);
    EXPECT_EQ(derivedKeywords(node), row.derived);
  }
}

TEST(BiblatexFieldsTest, JournaltitleAndLocationStandInForMissingFields) {
  Node node = entryWith({{"journaltitle", "Coastal Notes"}, {"location", "Kiel"}});
  deriveBiblatexFields(node);
  EXPECT_EQ(valueOf(node, "journal"), "Coastal Notes");
  EXPECT_EQ(valueOf(node, "address"), "Kiel");
  EXPECT_EQ(derivedKeywords(node), "journal address");

  Node both = entryWith({{"journal", "J"}, {"journaltitle", "JT"}, {"address", "A"},
                         {"location", "L"}});
  deriveBiblatexFields(both);
  EXPECT_EQ(valueOf(both, "journal"), "J");
  EXPECT_EQ(valueOf(both, "address"), "A");
  EXPECT_EQ(derivedKeywords(both), "");
}

}  // namespace
}  // namespace pubforge
