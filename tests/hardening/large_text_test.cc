// The string operations on texts of many megabytes and on the patterns that
// make a naive search quadratic.  Each must finish in time proportional to
// its input; the results are checked against what the rules give.
#include <gtest/gtest.h>

#include <string>

#include "hostile_input.h"
#include "text/strings.h"

namespace pubforge::hardening {
namespace {

constexpr size_t kMegabytes = 8u << 20;

TEST(LargeText, ReplaceAllWithAPatternThatAlmostMatchesEverywhere) {
  // Every position begins a near match of a one-megabyte pattern.
  std::string text = repeat("a", kMegabytes) + "b";
  const std::string pattern = repeat("a", 1u << 20) + "b";
  replaceAll(text, pattern, "X");
  EXPECT_EQ(text.size(), kMegabytes - (1u << 20) + 1);
  EXPECT_EQ(text.back(), 'X');

  std::string many = repeat("ab", kMegabytes / 2);
  replaceAll(many, "ab", "ba");
  EXPECT_TRUE(many == repeat("ba", kMegabytes / 2));
}

TEST(LargeText, ConversionsOfLongTexts) {
  // Forms of the conversion table, near-forms, tildes, line feeds and
  // escapes; the piece converts the same wherever it stands.
  const std::string piece = "{\\\"u}{\\\"x~--\\&\\x41\n\\n{\\'e}\\q< ";
  const size_t times = kMegabytes / piece.size();
  const std::string text = repeat(piece, times);
  for (bool xml : {false, true}) {
    SCOPED_TRACE(xml ? "XML" : "UTF-8");
    const std::string once = convertLatex(piece, "&#160;", "<br/>", xml);
    EXPECT_TRUE(convertLatex(text, "&#160;", "<br/>", xml) == repeat(once, times));
  }

  const std::string escapes = repeat("\\\\x4", kMegabytes / 4);
  EXPECT_TRUE(unescapeBackslashes(escapes) == repeat("\\x4", kMegabytes / 4));
}

TEST(LargeText, BracesBlanksAndWordsOfLongTexts) {
  std::string braces = "{" + repeat("\\{", kMegabytes / 2) + "}";
  EXPECT_TRUE(stripBraces(braces) == repeat("\\{", kMegabytes / 2));

  std::string blanks = repeat(" \t", kMegabytes / 2) + "x" + repeat("\t ", kMegabytes / 2) + "y";
  EXPECT_EQ(trimWhitespace(blanks), "x y");

  std::string words = repeat("\\ ", kMegabytes / 2) + " rest";
  EXPECT_TRUE(nextWord(words, " ") == repeat("\\ ", kMegabytes / 2));
  EXPECT_EQ(words, "rest");

  std::string quoted = "\"" + repeat("\\\"", kMegabytes / 2);
  EXPECT_TRUE(nextWord(quoted, " ") == repeat("\\\"", kMegabytes / 2));
  EXPECT_EQ(quoted, "");
}

}  // namespace
}  // namespace pubforge::hardening
