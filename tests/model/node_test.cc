// Publication nodes: lookups, count warnings and the order of items.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "model/node.h"

namespace pubforge {
namespace {

Item item(std::string keyword, uint32_t priority, std::string value = "") {
  Item made;
  made.keyword = std::move(keyword);
  made.value = std::move(value);
  made.priority = static_cast<uint16_t>(priority);
  return made;
}

TEST(CheckItemCount, Warnings) {
  Node pub;
  pub.keyword = "kell99";
  pub.items = {item("title", 254), item("url", 199), item("url", 199)};
  struct Row {
    const char* keyword;
    unsigned minimum;
    const char* want;
  } rows[] = {
      {"author", 1, "WARNING: Entry kell99 has no \"author\" section!\n"},
      {"author", 0, ""},
      {"title", 1, ""},
      {"url", 0, "WARNING: Entry kell99 has 2 \"url\" sections!\n"},
      {"url", 1, "WARNING: Entry kell99 has 2 \"url\" sections!\n"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.keyword) + "/" + std::to_string(r.minimum));
    std::ostringstream err;
    checkItemCount(pub, r.keyword, r.minimum, err);
    EXPECT_EQ(err.str(), r.want);
  }
}

std::string keywords(const Node& pub) {
  std::string s;
  for (const Item& i : pub.items) s += i.keyword + (i.value.empty() ? "" : "=" + i.value) + " ";
  return s;
}

TEST(SortItems, RankThenBytesThenInputOrder) {
  Node pub;
  pub.items = {item("zeta", 0),    item("title", 254), item("alpha", 0),   item("author", 255),
               item("alph", 0),    item("x\xC3\xA9", 0), item("xz", 0),    item("url", 199, "2"),
               item("url", 199, "1"), item("Z", 0)};
  sortItems(pub);
  // Bytes compare unsigned: 0xC3 sorts after "z".
  EXPECT_EQ(keywords(pub), "author title url=2 url=1 Z alph alpha xz x\xC3\xA9 zeta ");
}

TEST(SortItems, TracksAnItem) {
  Node pub;
  pub.items = {item("pages", 242), item("author", 255), item("zeta", 0)};
  EXPECT_EQ(sortItems(pub, 0), 1u);
  EXPECT_EQ(pub.items[1].keyword, "pages");
  EXPECT_EQ(sortItems(pub, 2), 2u);  // already in order
}

TEST(FindNode, FirstOfEqualKeys) {
  Collection c;
  c.push_back(createNode("a"));
  c.push_back(createNode("b"));
  c.push_back(createNode("b"));
  EXPECT_EQ(findNode(c, "b"), c[1].get());
  EXPECT_EQ(findNode(c, "B"), nullptr);
  EXPECT_EQ(findNode(Collection{}, "a"), nullptr);
  Node pub;
  pub.items = {item("url", 199, "1"), item("url", 199, "2")};
  EXPECT_EQ(findItem(pub, "url")->value, "1");
  EXPECT_EQ(findItem(pub, "URL"), nullptr);
  EXPECT_EQ(countItems(pub, "url"), 2u);
  EXPECT_EQ(countItems(pub, "doi"), 0u);
}

}  // namespace
}  // namespace pubforge

namespace pubforge {
namespace {

// Long item lists take another path through the sort than short ones; both
// must give the same stable order and track an item correctly.
TEST(SortItems, LongAndShortListsAgree) {
  for (size_t n : {5, 31, 32, 33, 80}) {
    Node pub;
    for (size_t i = 0; i < n; ++i)
      pub.items.push_back(item(i % 3 == 0 ? "title" : "k" + std::to_string(i % 7),
                               i % 3 == 0 ? 254 : 0, std::to_string(i)));
    Node expected = pub;
    std::stable_sort(expected.items.begin(), expected.items.end(),
                     [](const Item& a, const Item& b) {
                       return a.priority != b.priority ? a.priority > b.priority
                                                       : a.keyword < b.keyword;
                     });
    size_t tracked = n - 1;
    std::string trackedValue = pub.items[tracked].value;
    size_t at = sortItems(pub, tracked);
    SCOPED_TRACE(n);
    EXPECT_EQ(keywords(pub), keywords(expected));
    ASSERT_LT(at, n);
    EXPECT_EQ(pub.items[at].value, trackedValue);
  }
}

}  // namespace
}  // namespace pubforge

namespace pubforge {
namespace {

// Inserting in order must give what putting the item in front and sorting
// gives, whether the items were in order before or not.
TEST(InsertItemInOrder, SameAsFrontAndSort) {
  const std::vector<Item> lists[] = {
      {},
      {item("author", 255), item("title", 254), item("year", 237), item("zeta", 0)},
      {item("title", 254), item("numpages", 241, "old"), item("alpha", 0)},
      {item("zeta", 0), item("author", 255)},  // not in order
  };
  const Item newItems[] = {item("numpages", 241, "new"), item("aaa", 0), item("zzz", 0),
                           item("author", 255, "new"), item("removeme", 0)};
  for (const std::vector<Item>& list : lists) {
    for (const Item& added : newItems) {
      SCOPED_TRACE(added.keyword + " into " + std::to_string(list.size()) + " items");
      Node inserted, expected;
      inserted.items = expected.items = list;
      expected.items.insert(expected.items.begin(), added);
      const size_t want = sortItems(expected, 0);
      const size_t got = insertItemInOrder(inserted, added);
      EXPECT_EQ(keywords(inserted), keywords(expected));
      EXPECT_EQ(got, want);
      EXPECT_EQ(inserted.items[got].value, added.value);
    }
  }
}

}  // namespace
}  // namespace pubforge
