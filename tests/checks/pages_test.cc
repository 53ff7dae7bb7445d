// Pages and number of pages: normal forms, the numpages item that the page
// range sets, and the warnings.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>

#include "checks/checks.h"
#include "model/items.h"

namespace pubforge {
namespace {

std::string pagesWarning(const std::string& pages) {
  return "WARNING: Entry K has possibly invalid page numbers in \"pages\" section (pages=" + pages +
         ")!\n";
}
std::string inconsistency(const std::string& pages, const std::string& numPages) {
  return "WARNING: Entry K has inconsistent invalid page numbers and number of pages (pages=" +
         pages + "; numpages=" + numPages + ")!\n";
}
std::string numPagesWarning(const std::string& numPages) {
  return "WARNING: Entry K has invalid page of numbers in \"numpages\" section (numpages=" +
         numPages + ")!\n";
}

// A publication with a title, the pages and, where given, a numpages item,
// built as entry building builds them.
Node pagesEntry(const std::string& pages, const std::optional<std::string>& numPages) {
  Node publication;
  publication.keyword = "K";
  publication.items.push_back(makeItem("title", "T"));
  publication.items.push_back(makeItem("pages", pages));
  if (numPages) publication.items.push_back(makeItem("numpages", *numPages));
  publication.items.push_back(makeItem("year", "2020"));
  sortItems(publication);
  return publication;
}

struct PagesRow {
  const char* name;
  std::string pages;
  std::optional<std::string> numPages;
  std::string expectedPages;
  std::optional<std::string> expectedNumPages;  // none: no numpages item
  std::string err;
};

const PagesRow kPagesRows[] = {
    {"one page", "12", {}, "12", "1", ""},
    {"hyphen range", "12-15", {}, "12--15", "4", ""},
    {"double hyphen", "12--15", {}, "12--15", "4", ""},
    {"with prefix", "pp. 12-15", {}, "12--15", "4", ""},
    {"en dash", "12\xE2\x80\x93" "15", {}, "12--15", "4", ""},
    {"equal pages", "7-7", {}, "7", "1", ""},
    {"leading zeros", "007-010", {}, "7--10", "4", ""},
    {"only the first two numbers", "1-2, 5-7", {}, "1--2", "2", ""},
    {"last before first", "15-12", {}, "15-12", {}, pagesWarning("15-12")},
    {"page 0", "0", {}, "0", {}, pagesWarning("0")},
    {"range from 0", "0-4", {}, "0-4", {}, pagesWarning("0-4")},
    {"no digits", "n/a", {}, "n/a", {}, pagesWarning("n/a")},
    {"invalid keeps numpages", "15-12", "3", "15-12", "3", pagesWarning("15-12")},
    {"numpages agrees", "12--15", "4", "12--15", "4", ""},
    {"numpages agrees in words", "12--15", "4 pages", "12--15", "4", ""},
    {"numpages differs", "12-15", "10", "12--15", "4", inconsistency("12--15", "10")},
    {"numpages unreadable", "3", "many", "3", "1", inconsistency("3", "many")},
    {"largest page", "4294967295", {}, "4294967295", "1", ""},
    {"whole range", "1-4294967295", {}, "1--4294967295", "4294967295", ""},
    // Digits beyond 32 bits are an identifier, not a page: the value stays.
    {"page beyond 32 bits", "4294967296", {}, "4294967296", {}, pagesWarning("4294967296")},
    {"article identifier", "S0219843615500255", "7", "S0219843615500255", "7",
     pagesWarning("S0219843615500255")},
    // An article number keeps its letters and zeros, and counts no pages.
    {"article number with a prefix", "e1444", {}, "e1444", {}, ""},
    {"article number with a leading zero", "044001", {}, "044001", {}, ""},
    {"supplement article", "S13", "2", "S13", "2", ""},
    {"pages given as a count", "7p", {}, "7p", {}, ""},
    {"a prefix with a dot is no article number", "p.5", {}, "5", "1", ""},
    {"zero alone", "0", {}, "0", {}, pagesWarning("0")},
    {"range ending beyond 32 bits", "12-99999999999", {}, "12-99999999999", {},
     pagesWarning("12-99999999999")},
};

TEST(CheckPages, Table) {
  for (const PagesRow& row : kPagesRows) {
    SCOPED_TRACE(row.name);
    Node publication = pagesEntry(row.pages, row.numPages);
    std::ostringstream err;
    checkPages(publication, *findItem(publication, "pages"), err);
    EXPECT_EQ(err.str(), row.err);
    EXPECT_EQ(findItem(publication, "pages")->value, row.expectedPages);
    const Item* numPages = findItem(publication, "numpages");
    ASSERT_EQ(numPages != nullptr, row.expectedNumPages.has_value());
    if (numPages) {
      EXPECT_EQ(numPages->value, *row.expectedNumPages);
    }
    EXPECT_EQ(countItems(publication, "numpages"), row.expectedNumPages ? 1u : 0u);
  }
}

// The numpages item that the check adds takes its place in the output order,
// right after the pages.
TEST(CheckPages, AddedNumPagesIsRankedAfterPages) {
  Node publication = pagesEntry("3-9", std::nullopt);
  std::ostringstream err;
  checkPages(publication, *findItem(publication, "pages"), err);
  ASSERT_EQ(publication.items.size(), 4u);
  EXPECT_EQ(publication.items[0].keyword, "title");
  EXPECT_EQ(publication.items[1].keyword, "pages");
  EXPECT_EQ(publication.items[1].value, "3--9");
  EXPECT_EQ(publication.items[2].keyword, "numpages");
  EXPECT_EQ(publication.items[2].value, "7");
  EXPECT_EQ(publication.items[2].priority, 241u);
  EXPECT_EQ(publication.items[3].keyword, "year");
}

TEST(CheckNumPages, Table) {
  const struct {
    const char* name;
    std::string value;
    std::string expected;
    std::string err;
  } rows[] = {
      {"plain", "12", "12", ""},
      {"with words", "12 pages", "12", ""},
      {"one", "1", "1", ""},
      {"largest accepted", "999998", "999998", ""},
      {"too large", "999999", "999999", numPagesWarning("999999")},
      {"zero", "0", "0", numPagesWarning("0")},
      {"no digits", "many", "0", numPagesWarning("many")},
      {"negative", "-1", "4294967295", numPagesWarning("-1")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Node publication = pagesEntry("1", row.value);
    Item& numPages = *findItem(publication, "numpages");
    std::ostringstream err;
    checkNumPages(publication, numPages, err);
    EXPECT_EQ(err.str(), row.err);
    EXPECT_EQ(numPages.value, row.expected);
  }
}

}  // namespace
}  // namespace pubforge
