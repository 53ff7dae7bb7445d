#include "model/publication_set.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace pubforge {
namespace {

// A collection of publications with the given keys and items.
struct Library {
  Collection nodes;

  Node* add(std::string key, std::vector<std::pair<std::string, std::string>> items = {}) {
    auto node = createNode(std::move(key));
    node->value = "Article";
    for (auto& [keyword, value] : items) {
      Item item;
      item.keyword = keyword;
      item.value = value;
      node->items.push_back(std::move(item));
    }
    nodes.push_back(std::move(node));
    return nodes.back().get();
  }
};

std::vector<std::string> keysOf(const PublicationSet& set) {
  std::vector<std::string> keys;
  for (const Node* node : set) keys.push_back(node->keyword);
  return keys;
}

TEST(PublicationSetTest, CreatedEmptyWithItsCapacity) {
  PublicationSet set(7);
  EXPECT_EQ(set.capacity(), 7u);
  EXPECT_EQ(set.size(), 0u);
  EXPECT_TRUE(set.empty());
}

TEST(PublicationSetTest, AddRefusesAPublicationAlreadyPresent) {
  Library lib;
  Node* a = lib.add("a");
  Node* b = lib.add("b");
  a->label = "kept";
  PublicationSet set(2);
  EXPECT_TRUE(set.add(a));
  EXPECT_TRUE(set.add(b));
  EXPECT_FALSE(set.add(a));
  EXPECT_EQ(keysOf(set), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(a->label, "kept");
  EXPECT_EQ(b->label, "");
}

TEST(PublicationSetTest, AddComparesByIdentityNotByKey) {
  Library lib;
  Node* first = lib.add("same");
  Node* second = lib.add("same");
  PublicationSet set(2);
  EXPECT_TRUE(set.add(first));
  EXPECT_TRUE(set.add(second));
  EXPECT_EQ(set.size(), 2u);
}

TEST(PublicationSetTest, AddAllAppendsOnlyMissingOnesAndLabelsThem) {
  Library lib;
  Node* a = lib.add("a");
  Node* b = lib.add("b");
  Node* c = lib.add("c");
  PublicationSet set(3);
  ASSERT_TRUE(set.add(c));
  c->label = "7";
  set.addAll(lib.nodes);
  EXPECT_EQ(keysOf(set), (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(a->label, "a");
  EXPECT_EQ(b->label, "b");
  EXPECT_EQ(c->label, "7");
}

TEST(PublicationSetTest, ClearThenAddAllGivesCollectionOrder) {
  Library lib;
  lib.add("x");
  lib.add("y");
  lib.add("z");
  PublicationSet set(3);
  set.add(lib.nodes[2].get());
  set.add(lib.nodes[0].get());
  set.clear();
  EXPECT_TRUE(set.empty());
  EXPECT_EQ(set.capacity(), 3u);
  set.addAll(lib.nodes);
  EXPECT_EQ(keysOf(set), (std::vector<std::string>{"x", "y", "z"}));
  // A cleared set accepts its former members again.
  set.clear();
  EXPECT_TRUE(set.add(lib.nodes[2].get()));
}

TEST(PublicationSetTest, AddStaysFastOnALargeSet) {
  // With a linear membership test this would take minutes.
  Library lib;
  const size_t n = 200000;
  for (size_t i = 0; i < n; ++i) lib.add(std::to_string(i));
  PublicationSet set(n);
  for (const auto& node : lib.nodes) ASSERT_TRUE(set.add(node.get()));
  for (const auto& node : lib.nodes) ASSERT_FALSE(set.add(node.get()));
  set.clear();
  set.addAll(lib.nodes);
  EXPECT_EQ(set.size(), n);
  // After addAll into an empty set, add still knows every member.
  EXPECT_FALSE(set.add(lib.nodes[n - 1].get()));
  EXPECT_EQ(set.size(), n);
}

// Publications used by the sort cases, in collection order:
//   p1 year 2010 title B     p2 year 2009 title A     p3 (no year) title C
//   p4 year 2010 title A     p5 (no year, no title)   p6 year 2009 title A
class PublicationSetSortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    lib.add("p1", {{"year", "2010"}, {"title", "B"}});
    lib.add("p2", {{"year", "2009"}, {"title", "A"}});
    lib.add("p3", {{"title", "C"}});
    lib.add("p4", {{"year", "2010"}, {"title", "A"}});
    lib.add("p5");
    lib.add("p6", {{"title", "A"}, {"year", "2009"}});
    set.addAll(lib.nodes);
  }

  Library lib;
  PublicationSet set{6};
};

TEST_F(PublicationSetSortTest, OrdersByKeys) {
  struct Case {
    const char* name;
    std::vector<std::string> keys;
    std::vector<bool> ascending;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"year ascending puts missing years last",
       {"year"}, {true}, {"p2", "p6", "p1", "p4", "p3", "p5"}},
      {"year descending puts missing years first",
       {"year"}, {false}, {"p3", "p5", "p1", "p4", "p2", "p6"}},
      {"second key only among equal first keys",
       {"year", "title"}, {true, true}, {"p2", "p6", "p4", "p1", "p3", "p5"}},
      {"second key descending",
       {"year", "title"}, {true, false}, {"p2", "p6", "p1", "p4", "p5", "p3"}},
      {"second key decides where the first is missing in both",
       {"year", "title"}, {false, false}, {"p5", "p3", "p1", "p4", "p2", "p6"}},
      {"title ascending",
       {"title"}, {true}, {"p2", "p4", "p6", "p1", "p3", "p5"}},
      {"a key in upper case matches nothing", {"YEAR"}, {true},
       {"p1", "p2", "p3", "p4", "p5", "p6"}},
      {"no keys", {}, {}, {"p1", "p2", "p3", "p4", "p5", "p6"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    set.clear();
    set.addAll(lib.nodes);
    set.sort(c.keys, c.ascending);
    EXPECT_EQ(keysOf(set), c.expected);
  }
}

TEST_F(PublicationSetSortTest, UsesTheFirstItemOfAKeyword) {
  lib.nodes[4]->items.push_back({"year", "1990", {}, 0, 0});
  lib.nodes[4]->items.push_back({"year", "3000", {}, 0, 0});
  set.sort({"year"}, {true});
  EXPECT_EQ(keysOf(set).front(), "p5");
}

TEST(PublicationSetStabilityTest, EqualPublicationsKeepTheirOrder) {
  // Enough publications for the sort to leave its small-range path.
  Library lib;
  const int n = 1000;
  for (int i = 0; i < n; ++i) {
    if (i % 7 == 0)
      lib.add(std::to_string(i));  // no group at all
    else
      lib.add(std::to_string(i), {{"group", std::string(1, static_cast<char>('a' + i % 3))}});
  }
  PublicationSet set(n);
  set.addAll(lib.nodes);
  for (bool ascending : {true, false}) {
    SCOPED_TRACE(ascending ? "ascending" : "descending");
    set.clear();
    set.addAll(lib.nodes);
    set.sort({"group"}, {ascending});
    ASSERT_EQ(set.size(), static_cast<size_t>(n));
    for (size_t i = 1; i < set.size(); ++i) {
      const Item* a = findItem(static_cast<const Node&>(*set[i - 1]), "group");
      const Item* b = findItem(static_cast<const Node&>(*set[i]), "group");
      bool sameGroup = (!a && !b) || (a && b && a->value == b->value);
      if (sameGroup) {
        EXPECT_LT(std::stoi(set[i - 1]->keyword), std::stoi(set[i]->keyword)) << "at " << i;
      }
    }
  }
}

TEST(PublicationSetValueOrderTest, ComparesValuesAsUnsignedBytes) {
  Library lib;
  lib.add("umlaut", {{"k", "\xC3\xBC"}});
  lib.add("ten", {{"k", "10"}});
  lib.add("nine", {{"k", "9"}});
  lib.add("longer", {{"k", "ab"}});
  lib.add("prefix", {{"k", "a"}});
  lib.add("nul", {{"k", std::string("a\0b", 3)}});
  lib.add("upper", {{"k", "Z"}});
  PublicationSet set(7);
  set.addAll(lib.nodes);
  set.sort({"k"}, {true});
  EXPECT_EQ(keysOf(set), (std::vector<std::string>{"ten", "nine", "upper", "prefix", "nul",
                                                   "longer", "umlaut"}));
  set.sort({"k"}, {false});
  EXPECT_EQ(keysOf(set), (std::vector<std::string>{"umlaut", "longer", "nul", "prefix", "upper",
                                                   "nine", "ten"}));
}

}  // namespace
}  // namespace pubforge
