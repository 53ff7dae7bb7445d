// The rules of BibTeX value syntax that the reader and the writer share:
// where quoted and braced values end, which braces balance, which pair of
// braces the reader takes off, and the delimiters the writer picks.  Every
// layout is also read back by the reader, which must give the text again.
#include "reader/value_syntax.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "read_test_util.h"
#include "text/strings.h"

namespace pubforge {
namespace {

using namespace std::string_view_literals;

constexpr size_t npos = std::string_view::npos;

TEST(ValueSyntaxTest, BareValueBytes) {
  // Bytes above 0x7F belong to macro names in any encoding.
  for (const char c : "azAZ09+-.:_\xC3\x80\xFF"sv) {
    SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(c)));
    EXPECT_TRUE(isBareValueByte(static_cast<unsigned char>(c)));
  }
  for (const char c : "/ \t{}\"#,=@()\\%~\0\x7F"sv) {
    SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(c)));
    EXPECT_FALSE(isBareValueByte(static_cast<unsigned char>(c)));
  }
}

TEST(ValueSyntaxTest, MacroNames) {
  EXPECT_TRUE(isMacroName("jgr"));
  EXPECT_TRUE(isMacroName("_x1"));
  EXPECT_FALSE(isMacroName("2010"));
  EXPECT_FALSE(isMacroName("3b"));
  EXPECT_FALSE(isMacroName("-5"));
  EXPECT_FALSE(isMacroName(".5"));
  EXPECT_TRUE(isMacroName("\xC3\xA9t\xC3\xA9"));
  EXPECT_FALSE(isMacroName(""));
  EXPECT_TRUE(isWritableMacroName("a\xC2\xAD" "b"));
  EXPECT_FALSE(isWritableMacroName("a b"));
  EXPECT_FALSE(isWritableMacroName("a/b"));
  EXPECT_FALSE(isWritableMacroName("0000"));
}

// A value fed in pieces: where in the last piece fed it ends (npos: it goes
// on), and whether the pieces end in a backslash whose next byte decides.
struct QuotedRow {
  const char* name;
  std::vector<std::string_view> pieces;
  size_t end;
  bool backslash = false;
};

TEST(ValueSyntaxTest, QuotedValueEnds) {
  const QuotedRow rows[] = {
      {"the first quote", {"ab\"c\""}, 2},
      {"a quote in braces stays", {"a{\"}b\""}, 5},
      {"an escaped quote stays", {"a\\\"b\""}, 4},
      {"another escape keeps the quote after it special", {"a\\n\""}, 3},
      {"a quote after a stray closing brace ends it", {"}\""}, 1},
      {"open braces: no end", {"{\""}, npos},
      {"a backslash at the end of a piece", {"a\\"}, npos, true},
      {"the quote after it in the next piece is escaped", {"a\\", "\"b\""}, 2},
      {"another byte after it leaves the quote special", {"a\\", "x\""}, 1},
      {"depth carries over pieces", {"{", "\"}", "\""}, 0},
      {"empty piece", {""}, npos},
  };
  for (const QuotedRow& row : rows) {
    SCOPED_TRACE(row.name);
    QuotedValueScan scan;
    size_t end = npos;
    for (std::string_view piece : row.pieces) end = scan.feed(piece);
    EXPECT_EQ(end, row.end);
    EXPECT_EQ(scan.endsInBackslash(), row.backslash);
  }
}

TEST(ValueSyntaxTest, BracedValueEnds) {
  struct Row {
    const char* name;
    std::vector<std::string_view> pieces;
    size_t end;
    long depth;  // after the last piece
  };
  const Row rows[] = {
      {"the first closing brace", {"ab}c}"}, 2, 0},
      {"nested braces", {"a{b}c}"}, 5, 0},
      {"no escapes: a backslash does not hide a brace", {"a\\}"}, 2, 0},
      {"quotes mean nothing", {"\"}"}, 1, 0},
      {"still open", {"a{b"}, npos, 2},
      {"depth carries over pieces", {"{", "}", "x}"}, 1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BracedValueScan scan;
    size_t end = npos;
    for (std::string_view piece : row.pieces) end = scan.feed(piece);
    EXPECT_EQ(end, row.end);
    EXPECT_EQ(scan.depth(), row.depth);
  }
}

TEST(ValueSyntaxTest, BracesBalance) {
  struct Row {
    std::string_view text;
    bool balanced;
  };
  const Row rows[] = {
      {"", true},        {"abc", true},  {"{a}{b}", true}, {"{{}}", true}, {"}{", false},
      {"{", false},      {"}", false},   {"a}b{", false},  {"\\}", false}, {"{\\}", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(bracesBalance(row.text), row.balanced);
  }
}

TEST(ValueSyntaxTest, WhichPairTheReaderTakesOff) {
  struct Row {
    std::string_view text;
    bool enclosed;
  };
  const Row rows[] = {
      {"{abc}", true},     {"{a{b}c}", true}, {"{}", true},        {"{a}{b}", false},
      {"{a} b", false},    {"a{b}", false},   {"{", false},        {"}", false},
      {"{a\\}", false},    {"{a\\}}", true},  {"{\\{a}", true},    {"{a\\", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(bracesEncloseWhole(row.text), row.enclosed);
    std::string stripped(row.text);
    stripBraces(stripped);
    EXPECT_EQ(stripped, row.enclosed ? row.text.substr(1, row.text.size() - 2) : row.text);
  }
}

// What the reader makes of `value` as the value of `keyword`, in an entry
// that the checks have nothing to say about.
std::string readBack(std::string_view keyword, const std::string& value) {
  std::string text = "@misc{k, author = {A. Author}, year = 2000, ";
  if (keyword != "title") text += "title = {T}, ";
  text += std::string(keyword) + " = " + value + "}\n";
  const testing::ReadOutcome outcome = testing::readTexts({text});
  EXPECT_EQ(outcome.result, ReadResult::kOk) << text;
  EXPECT_EQ(outcome.err, "") << text;
  const std::string label = " " + std::string(keyword) + "=";
  const size_t start = outcome.entries.find(label);
  if (start == std::string::npos) {
    ADD_FAILURE() << "no " << keyword << " in " << outcome.entries;
    return {};
  }
  const size_t from = start + label.size();
  const size_t end = std::min(outcome.entries.find(" | ", from), outcome.entries.find('\n', from));
  return outcome.entries.substr(from, end - from);
}

TEST(ValueSyntaxTest, LayoutsReadBackAsTheText) {
  // "title" loses an enclosing pair of braces when it is read, "comment" does
  // not.
  struct Row {
    const char* name;
    std::string_view text;
    ValueForm preferred;
    bool strips;
    std::string_view open, close;
    bool blank = false;
  };
  using enum ValueForm;
  const Row rows[] = {
      {"plain text: quotes", "abc", kQuoted, true, "\"", "\""},
      {"plain text in the preferred pair", "abc", kQuotedInPair, true, "\"{", "}\""},
      {"no pair where the reader keeps it", "abc", kQuotedInPair, false, "\"", "\""},
      {"a quote goes in a pair", "say \"hi\"", kQuoted, true, "\"{", "}\""},
      {"a quote without stripping: braces", "say \"hi\"", kQuoted, false, "{", "}"},
      {"the text's own pair is kept by another", "{OCReP}", kQuoted, true, "\"{", "}\""},
      {"the text's own pair, kept anyway", "{OCReP}", kQuoted, false, "\"", "\""},
      {"no pair that would stay", "a} b", kQuotedInPair, true, "\"", "\""},
      {"a trailing backslash gets a blank", "a\\", kQuoted, true, "\"", "\"", true},
      {"in the pair as well", "a\\", kQuotedInPair, true, "\"{", "}\"", true},
      {"an escaped quote stays in quotes", "a\\\"b", kQuoted, true, "\"", "\""},
      {"braces in the text", "a{b}c", kQuotedInPair, true, "\"{", "}\""},
      {"two pairs are not one enclosing pair", "{a}{b}", kQuoted, true, "\"", "\""},
      {"two pairs in the preferred pair", "{a}{b}", kQuotedInPair, true, "\"{", "}\""},
      {"a doubled pair is kept by another", "{{a}}", kQuoted, true, "\"{", "}\""},
      {"braces that do not balance: quotes", "}a{", kQuotedInPair, true, "\"", "\""},
      {"braces preferred", "{a}", kBraced, false, "{", "}"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ValueLayout layout = layoutValue(row.text, row.preferred, row.strips);
    EXPECT_EQ(layout.open, row.open);
    EXPECT_EQ(layout.close, row.close);
    EXPECT_EQ(layout.blank, row.blank);
    EXPECT_TRUE(layout.exact);
    const std::string value = std::string(layout.open) + std::string(row.text) +
                              (layout.blank ? " " : "") + std::string(layout.close);
    EXPECT_EQ(readBack(row.strips ? "title" : "comment", value), row.text) << value;
  }
}

TEST(ValueSyntaxTest, ConcatenationWhereNoSingleFormReadsBack) {
  struct Row {
    const char* name;
    std::string_view text;
    bool strips;
    std::string_view expected;  // empty: no concatenation works either
  };
  const Row rows[] = {
      {"a closing brace, then a quote", "}\"", true, "\"}\" # {\"}"},
      {"quotes between text", "a}\"b", false, "\"a}\" # {\"} # {b}"},
      {"a trailing backslash goes in braces", "}\"a\\", true, "\"}\" # {\"} # {a\\}"},
      {"a pair the reader takes off is doubled", "{x}", true, "{{{x}}}"},
      {"an open brace before the quote", "{\"", true, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string out = "kept";
    const bool joined = appendAsConcatenation(out, row.text, row.strips);
    if (row.expected.empty()) {
      EXPECT_FALSE(joined);
      EXPECT_EQ(out, "kept");
      continue;
    }
    ASSERT_TRUE(joined);
    EXPECT_EQ(out, "kept" + std::string(row.expected));
    EXPECT_EQ(readBack(row.strips ? "title" : "comment", out.substr(4)), row.text);
  }
}

}  // namespace
}  // namespace pubforge
