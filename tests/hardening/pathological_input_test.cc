// Inputs far beyond what a bibliography normally holds: deep nesting, huge
// values, comment lines, author lists, entries and duplicate keys.  Each must
// be read (and, where it reads, written and read back) in time and memory in
// proportion to its size, with the documented result.  The inputs are made
// here; a reader or writer that is quadratic in any of them does not finish.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "hostile_input.h"

namespace pubforge::hardening {
namespace {

constexpr size_t kDepth = 200000;

const Item* itemOf(const Read& read, std::string_view keyword) {
  if (read.collection.empty()) return nullptr;
  return findItem(*read.collection.front(), keyword);
}

size_t countOf(std::string_view text, std::string_view what) {
  size_t n = 0;
  for (size_t pos = text.find(what); pos != std::string_view::npos;
       pos = text.find(what, pos + what.size()))
    ++n;
  return n;
}

TEST(DeepNesting, BracedAndQuotedValuesOfAnyDepthAreReadAndWrittenWhole) {
  const std::string nested = repeat("{", kDepth) + "x" + repeat("}", kDepth);
  // The reader removes the delimiters, entry building one pair of braces.
  const std::string stored = nested.substr(1, nested.size() - 2);
  const struct {
    const char* name;
    std::string entry;
  } cases[] = {
      {"braced", "@misc{k,\n  title = {" + nested + "},\n  note = {after}}\n"},
      {"quoted", "@misc{k,\n  title = \"" + nested + "\",\n  note = {after}}\n"},
  };
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Read read = readText(c.entry);
    ASSERT_EQ(read.result, ReadResult::kOk) << read.err;
    ASSERT_EQ(read.collection.size(), 1u);
    ASSERT_NE(itemOf(read, "title"), nullptr);
    EXPECT_TRUE(itemOf(read, "title")->value == stored);
    ASSERT_NE(itemOf(read, "note"), nullptr);
    EXPECT_EQ(itemOf(read, "note")->value, "after");

    const Read back = writeAndReadBack(read.collection, dir);
    ASSERT_EQ(back.result, ReadResult::kOk) << back.err;
    ASSERT_NE(itemOf(back, "title"), nullptr);
    EXPECT_TRUE(itemOf(back, "title")->value == stored);
  }
}

TEST(DeepNesting, UnclosedValuesAreSyntaxErrorsAtTheEndOfTheInput) {
  // A line feed every thousand braces: the error is reported on the last line.
  const std::string open = repeat(repeat("{", 1000) + "\n", kDepth / 1000);
  const struct {
    const char* name;
    std::string entry;
  } cases[] = {
      {"braced", "@misc{k,\n  title = {" + open},
      {"quoted", "@misc{k,\n  title = \"" + open},
      {"braced-closed-once-too-few", "@misc{k,\n  title = {" + open + repeat("}", kDepth)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Read read = readText(c.entry);
    EXPECT_EQ(read.result, ReadResult::kSyntaxError);
    EXPECT_EQ(read.err, "ERROR in line " + std::to_string(2 + kDepth / 1000) + ": syntax error\n");
    EXPECT_EQ(read.out, "");
  }
}

TEST(HugeValues, ThirtyMegabyteValuesAreReadAndWrittenBack) {
  constexpr size_t kLarge = 30u << 20;
  // The checked fields get 4 MB: enough to make any quadratic step hang, and
  // quicker in the sanitizer build.
  constexpr size_t kChecked = 4u << 20;
  // Each field's value is a long run of realistic text; the checks of the
  // checked fields see all of it.
  const struct {
    const char* keyword;
    std::string piece;
    size_t size;
    bool keptAsIs;  // the value is stored unchanged
  } cases[] = {
      {"keywords", "abcdefgh", kLarge, true},
      {"title", "Some {Title} words ", kLarge, false},  // the trailing blank is trimmed
      {"note", "x\t\n\\% {a} \"q\" ", kChecked, false},
      {"author", "Mira Kell and ", kChecked, false},
      {"pages", "12--", kChecked, false},
      {"isbn", "978-3-16-", kChecked, false},
      {"url", "http://example.org/%41~", kChecked, false},
      {"year", "1999", kChecked, false},
  };
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keyword);
    const std::string value = repeat(c.piece, c.size / c.piece.size());
    const Read read =
        readText(std::string("@misc{k, ") + c.keyword + " = {" + value + "}, title2 = {end}}");
    ASSERT_EQ(read.result, ReadResult::kOk) << read.err.substr(0, 300);
    ASSERT_EQ(read.collection.size(), 1u);
    const Item* item = itemOf(read, c.keyword);
    ASSERT_NE(item, nullptr);
    if (c.keptAsIs) {
      EXPECT_TRUE(item->value == value);
    }
    ASSERT_NE(itemOf(read, "title2"), nullptr);
    EXPECT_EQ(itemOf(read, "title2")->value, "end");

    // What was written reads back, and writing that gives the same file.
    const std::string first = writeBibTeX(read.collection, dir);
    const Read back = readText(first);
    ASSERT_EQ(back.result, ReadResult::kOk) << back.err.substr(0, 300);
    EXPECT_TRUE(writeBibTeX(back.collection, dir) == first);
  }
}

TEST(HugeValues, TwentyMegabyteCommentLine) {
  const std::string text = repeat("comment text ", (20u << 20) / 13);
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());

  const Read read = readText("%" + text + "\n@misc{k, title = {T}}\n");
  ASSERT_EQ(read.result, ReadResult::kOk) << read.err;
  ASSERT_EQ(read.collection.size(), 2u);
  EXPECT_TRUE(read.collection[0]->isComment());
  ASSERT_EQ(read.collection[0]->items.size(), 1u);
  EXPECT_TRUE(read.collection[0]->items[0].value == text);

  const Read back = writeAndReadBack(read.collection, dir);
  ASSERT_EQ(back.result, ReadResult::kOk);
  ASSERT_EQ(back.collection.size(), 2u);
  EXPECT_TRUE(back.collection[0]->items[0].value == text);

  // Without its line feed the last comment line is dropped; a file that holds
  // nothing else is then empty, which is a syntax error.
  const Read dropped = readText("@misc{k, title = {T}}\n%" + text);
  ASSERT_EQ(dropped.result, ReadResult::kOk);
  EXPECT_EQ(dropped.collection.size(), 1u);
  const Read alone = readText("%" + text);
  EXPECT_EQ(alone.result, ReadResult::kSyntaxError);
  EXPECT_EQ(alone.err, "ERROR in line 1: syntax error\n");
}

TEST(LongLists, AuthorItemWithTwoHundredThousandNames) {
  constexpr size_t kNames = 200000;
  std::string authors;
  for (size_t i = 0; i < kNames; ++i) {
    if (i > 0) authors += " and ";
    authors += "Given" + std::to_string(i) + " Family" + std::to_string(i);
  }
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const Read read = readText("@misc{k, author = {" + authors + "}, title = {T}, year = 2001}");
  ASSERT_EQ(read.result, ReadResult::kOk) << read.err;
  const Item* author = itemOf(read, "author");
  ASSERT_NE(author, nullptr);
  ASSERT_EQ(author->authorParts.size(), 3 * kNames);
  EXPECT_EQ(author->authorParts[0], "Family0");
  EXPECT_EQ(author->authorParts[3 * kNames - 2], "Given199999");
  EXPECT_EQ(author->authorParts[3 * kNames - 1], "G.");
  EXPECT_TRUE(author->value == authors);

  const Read back = writeAndReadBack(read.collection, dir);
  ASSERT_EQ(back.result, ReadResult::kOk);
  ASSERT_NE(itemOf(back, "author"), nullptr);
  EXPECT_EQ(itemOf(back, "author")->authorParts, author->authorParts);
}

TEST(LongLists, EntryWithOneHundredThousandItems) {
  constexpr size_t kItems = 100000;
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());

  // Different unranked keywords: kept in keyword order, all written back.
  std::string entry = "@misc{k";
  for (size_t i = 0; i < kItems; ++i) entry += ",\n f" + std::to_string(i) + " = {v}";
  entry += "}\n";
  const Read read = readText(entry);
  ASSERT_EQ(read.result, ReadResult::kOk);
  ASSERT_EQ(read.collection.size(), 1u);
  const Node& node = *read.collection.front();
  ASSERT_EQ(node.items.size(), kItems);
  EXPECT_TRUE(std::is_sorted(node.items.begin(), node.items.end(),
                             [](const Item& a, const Item& b) { return a.keyword < b.keyword; }));
  const Read back = writeAndReadBack(read.collection, dir);
  ASSERT_EQ(back.result, ReadResult::kOk);
  ASSERT_EQ(back.collection.size(), 1u);
  EXPECT_EQ(back.collection.front()->items.size(), kItems);

  // The same keyword over and over: one warning that counts them.
  const Read repeated = readText("@misc{k, title = {T}, author = {A}, year = 2001" +
                                 repeat(", note = {n}", kItems) + "}");
  ASSERT_EQ(repeated.result, ReadResult::kOk);
  EXPECT_EQ(repeated.collection.front()->items.size(), kItems + 3);
  EXPECT_EQ(repeated.err, "WARNING: Entry k has 100000 \"note\" sections!\n");
}

TEST(LongLists, OneHundredThousandEntriesWithTheSameKey) {
  constexpr size_t kEntries = 100000;
  std::string text;
  for (size_t i = 0; i < kEntries; ++i)
    text += "@misc{same, title = {Title " + std::to_string(i) + "}, note = {n" +
            std::to_string(i) + "}, author = {A}, year = 2001}\n";
  const Read read = readText(text);
  ASSERT_EQ(read.result, ReadResult::kOk);
  // One publication: the first entry's title, everything else from the last.
  ASSERT_EQ(read.collection.size(), 1u);
  ASSERT_NE(itemOf(read, "title"), nullptr);
  EXPECT_EQ(itemOf(read, "title")->value, "Title 0");
  ASSERT_NE(itemOf(read, "note"), nullptr);
  EXPECT_EQ(itemOf(read, "note")->value, "n99999");
  EXPECT_EQ(countOf(read.err, "NOTE: Duplicate entry same; keeping the old title"), kEntries - 1);
}

TEST(LongLists, OneHundredThousandDifferentEntriesAreWrittenBack) {
  constexpr size_t kEntries = 100000;
  std::string text;
  for (size_t i = 0; i < kEntries; ++i)
    text += "@misc{k" + std::to_string(i) + ", title = {T}, author = {A}, year = 2001}\n";
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const Read read = readText(text);
  ASSERT_EQ(read.result, ReadResult::kOk);
  ASSERT_EQ(read.collection.size(), kEntries);
  const Read back = writeAndReadBack(read.collection, dir);
  ASSERT_EQ(back.result, ReadResult::kOk);
  ASSERT_EQ(back.collection.size(), kEntries);
  EXPECT_EQ(back.collection.back()->keyword, "k" + std::to_string(kEntries - 1));
}

TEST(LongLists, ManyCommentLinesInsideOneEntryAreDiscarded) {
  const Read read =
      readText("@misc{k, title = {T}, author = {A}, year = 2001\n" + repeat("% c\n", 200000) + "}");
  ASSERT_EQ(read.result, ReadResult::kOk);
  ASSERT_EQ(read.collection.size(), 1u);
  EXPECT_EQ(read.collection.front()->items.size(), 3u);
}

TEST(StrayBytes, MegabytesOfStrayBytesAndBlanksGoToOutputInOrder) {
  const std::string stray = repeat("#!()\\=", 500000);
  const Read read = readText(stray + "@misc{k, title = {T}, author = {A}, year = 2001}" +
                             repeat("= ", 500000) + "\n" + repeat(" ", 5u << 20) + "\n");
  ASSERT_EQ(read.result, ReadResult::kOk);
  EXPECT_TRUE(read.out == stray + repeat("=", 500000));
}

}  // namespace
}  // namespace pubforge::hardening
