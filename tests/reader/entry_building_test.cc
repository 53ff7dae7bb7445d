// Entry building: item keywords, values and ranks, the item setter, count
// warnings and the merging of entries that share a key.
#include <gtest/gtest.h>

#include <sstream>

#include "read_test_util.h"
#include "reader/entry_building.h"
#include "model/items.h"

namespace pubforge {
namespace {

struct MakeItemCase {
  const char* name;
  std::string keyword, value;
  std::string wantKeyword, wantValue;
  uint32_t wantRank;
};

const MakeItemCase kMakeItemCases[] = {
    {"keyword-lower-cased", "TITLE", "X", "title", "X", 254},
    {"mixed-case", "BookTitle", "X", "booktitle", "X", 251},
    {"double-braces-lose-one-pair", "title", "{Deep Learning}", "title", "Deep Learning", 254},
    {"blanks-trimmed-and-shrunk", "title", " A  B ", "title", "A B", 254},
    {"empty-value", "note", "", "removeme", "", 0},
    {"blank-value", "note", " ", "removeme", "", 0},
    {"empty-braces", "note", "{}", "removeme", "", 0},
    {"author-blank-stays", "author", "  ", "author", "  ", 255},
    {"author-not-stripped", "author", "{A B}", "author", "{A B}", 255},
    {"author-empty", "author", "", "removeme", "", 0},
    {"comment-as-read", "Comment", " {x}  y ", "comment", " {x}  y ", 0},
    {"unknown-keyword-rank-0", "zeta", "z", "zeta", "z", 0},
    {"near-misses-rank-0", "urls", "z", "urls", "z", 0},
    {"prefix-of-known-rank-0", "url.md", "z", "url.md", "z", 0},
    {"one-letter-rank-0", "x", "z", "x", "z", 0},
    {"dotted-keyword", "URL.MD5", "abc", "url.md5", "abc", 196},
    {"lowest-rank", "addendum", "a", "addendum", "a", 1},
    {"only-ascii-lower-cased", "T\xC3\x89X", "v", "t\xC3\x89x", "v", 0},
};

TEST(MakeItem, Cases) {
  for (const MakeItemCase& c : kMakeItemCases) {
    SCOPED_TRACE(c.name);
    Item item = makeItem(c.keyword, c.value);
    EXPECT_EQ(item.keyword, c.wantKeyword);
    EXPECT_EQ(item.value, c.wantValue);
    EXPECT_EQ(item.priority, c.wantRank);
  }
}

Node publicationWith(std::vector<std::pair<std::string, std::string>> fields) {
  Node node;
  node.keyword = "k";
  node.value = "Misc";
  for (auto& [k, v] : fields) node.items.push_back(makeItem(k, v));
  sortItems(node);
  return node;
}

TEST(SetItem, ExistingItemKeepsPlaceRankAndRawValue) {
  Node pub = publicationWith({{"title", "T"}, {"year", "2000"}, {"zeta", "z"}});
  Item& item = setItem(pub, "year", "  1999 ");
  EXPECT_EQ(&item, &pub.items[1]);
  EXPECT_EQ(item.value, "  1999 ");
  EXPECT_EQ(item.priority, 237u);
}

TEST(SetItem, NewTextIsNoLongerABareMacroName) {
  Node pub = publicationWith({{"title", "T"}, {"publisher", "jgr"}});
  Item* publisher = findItem(pub, "publisher");
  ASSERT_NE(publisher, nullptr);
  publisher->undefinedMacro = true;
  EXPECT_TRUE(setItem(pub, "publisher", "jgr").undefinedMacro);
  EXPECT_FALSE(setItem(pub, "publisher", "other").undefinedMacro);
}

TEST(SetItem, NewItemIsMadeAndSorted) {
  Node pub = publicationWith({{"title", "T"}, {"zeta", "z"}});
  Item& item = setItem(pub, "pages", " 1--2 ");
  EXPECT_EQ(item.keyword, "pages");
  EXPECT_EQ(item.value, "1--2");
  ASSERT_EQ(pub.items.size(), 3u);
  EXPECT_EQ(&item, &pub.items[1]);

  Item& blank = setItem(pub, "numpages", "  ");
  EXPECT_EQ(blank.keyword, "removeme");
  // Upper case does not find the existing item: a second "title" is added.
  Item& second = setItem(pub, "TITLE", "U");
  EXPECT_EQ(second.keyword, "title");
  EXPECT_EQ(countItems(pub, "title"), 2u);
}

TEST(TieParentheses, SpaceBeforeParenthesisBecomesTilde) {
  const std::pair<const char*, const char*> rows[] = {
      {"Proceedings of the Workshop (WS 2010)", "Proceedings of the Workshop~(WS 2010)"},
      {"Proc. (A) (B)", "Proc.~(A)~(B)"},
      {"  (x", " ~(x"},
      {"none", "none"},
  };
  for (auto [in, want] : rows) {
    Item item{"booktitle", in, {}, 0, 0};
    tieParentheses(item);
    EXPECT_EQ(item.value, want);
  }
}

struct BuildCase {
  const char* name;
  std::string input;
  std::string entries;
  std::string err;
};

const BuildCase kBuildCases[] = {
    {"emptied-title-is-missing", "@misc{k, title={ }, author={A B}, year=2000}",
     "Misc k: author=A B | year=2000 | removeme=\n",
     "WARNING: Entry k has no \"title\" section!\n"},
    {"article-needs-journal", "@article{k, title={T}, author={A B}, year=2000}",
     "Article k: author=A B | title=T | year=2000\n",
     "WARNING: Entry k has no \"journal\" section!\n"},
    {"online-url-repeated-twice",
     "@online{k, title={T}, author={A B}, year=2000, url={http://a.example/}, "
     "url={http://b.example/}}",
     "Online k: author=A B | title=T | year=2000 | url=http://a.example/ | "
     "url=http://b.example/\n",
     "WARNING: Entry k has 2 \"url\" sections!\nWARNING: Entry k has 2 \"url\" sections!\n"},
    {"every-author-list-normalised",
     "@misc{k, title={T}, author={ \t }, author={Kell, Mira Anna}, year=2000}",
     "Misc k: author= | author=Mira Anna Kell | title=T | year=2000\n",
     "WARNING: Entry k has 2 \"author\" sections!\n"},
    // Editors are names like authors: split, rewritten, braces kept.
    {"editor-list-normalised",
     "@book{k, title={T}, author={A B}, year=2000, editor={{Acme Group} and van Dalen, Otto}}",
     "Book k: author=A B | title=T | editor={Acme Group} and Otto van Dalen | year=2000\n",
     "WARNING: Entry k has no \"publisher\" section!\n"},
    {"every-url-normalised",
     "@misc{k, title={T}, author={A B}, year=2000, url={\\url{http://a.example/x y}}, "
     "url={\\url{http://b.example/\\_z}}}",
     "Misc k: author=A B | title=T | year=2000 | url=http://a.example/x%20y | "
     "url=http://b.example/_z\n",
     "WARNING: Entry k has 2 \"url\" sections!\n"},
    {"missing-author-once", "@book{k, title={T}, year=2000, publisher={P}}",
     "Book k: title=T | year=2000 | publisher=P\n",
     "WARNING: Entry k has no \"author\" section!\n"},
    {"repeated-title", "@misc{k, title={T}, title={U}, author={A B}, year=2000}",
     "Misc k: author=A B | title=T | title=U | year=2000\n",
     "WARNING: Entry k has 2 \"title\" sections!\n"},
    {"field-comment-kept-raw", "@misc{k, title={T}, author={A B}, year=2000, comment={ x  }}",
     "Misc k: author=A B | title=T | year=2000 | comment= x  \n", ""},
    {"unranked-after-ranked-in-byte-order",
     "@misc{k, zeta={z}, alpha={a}, alph={b}, title={T}, author={A B}, year=2000}",
     "Misc k: author=A B | title=T | year=2000 | alph=b | alpha=a | zeta=z\n", ""},
    {"booktitle-tied-title-not",
     "@misc{k, title={A (B)}, booktitle={Proc. (A) (B)}, howpublished={H (x)}, "
     "author={A B}, year=2000}",
     "Misc k: author=A B | title=A (B) | howpublished=H~(x) | booktitle=Proc.~(A)~(B) | "
     "year=2000\n",
     ""},
    {"comment-keys-count-up", "% a\n% b\n@misc{k, title={T}, author={A B}, year=2000}\n% c\n",
     "Comment 1: comment= a\nComment 2: comment= b\nMisc k: author=A B | title=T | "
     "year=2000\nComment 3: comment= c\n",
     ""},
    {"entry-key-1-stays-apart-from-first-comment",
     "% a\n@misc{1, title={T}, author={A B}, year=2000}\n% b\n@misc{2, title={U}, "
     "author={A B}, year=2001}\n",
     "Comment 1: comment= a\nMisc 1: author=A B | title=T | year=2000\nComment 2: comment= b\n"
     "Misc 2: author=A B | title=U | year=2001\n",
     ""},
    {"entries-keyed-like-comments-still-merge",
     "% a\n@misc{1, title={T}, author={A B}, year=2000}\n@misc{1, title={T}, author={C D}, "
     "year=2001}\n",
     "Comment 1: comment= a\nMisc 1: author=C D | title=T | year=2001\n",
     "NOTE: Duplicate entry 1, only keeping the latest one!\n"},
    {"duplicate-titles-differ",
     "@article{k, title={A}, author={A B}, year=2000, journal={J}}\n"
     "@book{k, title={B}, author={A B}, year=2001, publisher={P}}\n",
     "Article k: author=A B | title=A | year=2001 | publisher=P\n",
     "NOTE: Duplicate entry k; keeping the old title but updating the rest!\n"
     "Old = \"A\"\nNew = \"B\"\n"},
    {"duplicate-same-title",
     "@misc{k, title={A}, author={A B}, year=2000}\n@misc{k, title={A}, author={C D}, "
     "year=2000}\n",
     "Misc k: author=C D | title=A | year=2000\n",
     "NOTE: Duplicate entry k, only keeping the latest one!\n"},
    {"duplicate-later-without-title",
     "@misc{k, title={A}, author={A B}, year=2000}\n@misc{k, author={C D}, year=2000}\n",
     "Misc k: author=C D | year=2000\n",
     "WARNING: Entry k has no \"title\" section!\n"
     "NOTE: Duplicate entry k, only keeping the latest one!\n"},
    {"three-duplicates-merge-from-the-end",
     "@misc{k, title={A}, author={A B}, year=2000}\n"
     "@misc{j, title={J}, author={A B}, year=2000}\n"
     "@misc{k, title={B}, author={A B}, year=2001}\n"
     "@misc{k, title={C}, author={A B}, year=2002}\n",
     "Misc k: author=A B | title=A | year=2002\nMisc j: author=A B | title=J | year=2000\n",
     "NOTE: Duplicate entry k; keeping the old title but updating the rest!\n"
     "Old = \"B\"\nNew = \"C\"\n"
     "NOTE: Duplicate entry k; keeping the old title but updating the rest!\n"
     "Old = \"A\"\nNew = \"B\"\n"},
    {"keys-differ-in-case", "@misc{k, title={A}, author={A B}, year=2000}\n"
                            "@misc{K, title={B}, author={A B}, year=2000}\n",
     "Misc k: author=A B | title=A | year=2000\nMisc K: author=A B | title=B | year=2000\n",
     ""},
};

TEST(EntryBuilding, Cases) {
  for (const BuildCase& c : kBuildCases) {
    SCOPED_TRACE(c.name);
    testing::ReadOutcome got = testing::readTexts({c.input});
    EXPECT_EQ(got.result, ReadResult::kOk);
    EXPECT_EQ(got.entries, c.entries);
    EXPECT_EQ(got.err, c.err);
  }
}

TEST(EntryBuilding, ManyDuplicatesOfOneKey) {
  std::string text;
  const int n = 100000;
  for (int i = 0; i < n; ++i) text += "@misc{same, title={T}, author={A B}, year=2000}\n";
  std::ostringstream out, err;
  BibReader reader(out, err);
  ASSERT_EQ(reader.readText(text), ReadResult::kOk);
  Collection collection = reader.finish();
  ASSERT_EQ(collection.size(), 1u);
  EXPECT_EQ(collection[0]->items.size(), 3u);
}

}  // namespace
}  // namespace pubforge
