// The shared string operations: escapes, replacing, braces, trimming, words,
// formatting and prefixes.
#include "text/strings.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "reference_conversion.h"

namespace pubforge {
namespace {

using namespace std::string_view_literals;

// ---------------------------------------------------------------------------
// unescapeBackslashes
// ---------------------------------------------------------------------------

TEST(UnescapeBackslashesTest, Rules) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view expected;
  };
  const Case cases[] = {
      {"hex escape", "\\x41", "A"},
      {"one byte after x at the end: escape dropped", "\\x4", "4"},
      {"x at the end: escape dropped", "\\x", ""},
      {"no number: escape dropped, bytes kept", "\\xzz", "zz"},
      {"bytes after a failed x are scanned normally", "\\x\\x41", "A"},
      {"one digit still consumes both bytes", "\\x4gh", "\x04h"},
      {"sign before a digit", "\\x-1", "\xFF"},
      {"white space before a digit", "\\x 7", "\x07"},
      {"0x reads as zero", "\\x0x", "\0"sv},
      {"unknown escape stays", "\\q", "\\q"},
      {"trailing backslash stays", "a\\", "a\\"},
      {"resolved backslash starts no pair", "\\\\n", "\\n"},
      {"the simple escapes", "\\{\\}\\ \\\"\\'\\\\", "{} \"'\\"},
      {"line feed", "a\\nb", "a\nb"},
      {"NUL bytes are ordinary", "a\0\\n\\\0"sv, "a\0\n\\\0"sv},
      {"UTF-8 after a backslash stays", "\\\xC3\xA4", "\\\xC3\xA4"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(unescapeBackslashes(c.text), c.expected);
  }
}

// "\x" reads its two bytes as scanf's "%02x" does: compared with scanf itself
// for every pair of bytes.
TEST(UnescapeBackslashesTest, HexEscapeReadsLikeScanfForEveryBytePair) {
  for (int first = 0; first < 256; ++first) {
    for (int second = 0; second < 256; ++second) {
      std::string text = "\\x";
      text += static_cast<char>(first);
      text += static_cast<char>(second);
      text += "!";
      ASSERT_EQ(unescapeBackslashes(text), reference::unescape(text))
          << "bytes " << first << " " << second;
    }
  }
}

TEST(UnescapeBackslashesTest, GeneratedTextsMatchThePlainScan) {
  constexpr std::string_view kBytes = "\\\\\\xxn0a9fFg -+{}\"' \t\0"sv;
  std::mt19937 rng(99);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    for (std::size_t n = rng() % 16; n > 0; --n) text += kBytes[rng() % kBytes.size()];
    ASSERT_EQ(unescapeBackslashes(text), reference::unescape(text)) << text;
  }
}

// ---------------------------------------------------------------------------
// replaceAll
// ---------------------------------------------------------------------------

TEST(ReplaceAllTest, Rules) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view pattern;
    std::string_view replacement;
    std::string_view expected;
  };
  const Case cases[] = {
      {"matches do not overlap", "aaaa", "aa", "a", "aa"},
      {"replacement equal to the pattern", "abcb", "b", "b", "abcb"},
      {"replacement containing the pattern", "abab", "ab", "abab", "abababab"},
      {"empty pattern changes nothing", "abc", "", "x", "abc"},
      {"empty replacement deletes", "x%y%%", "%", "", "xy"},
      {"partial match before a match", "aaab", "aab", "X", "aX"},
      {"partial matches with shared borders", "abaabab", "abab", "-", "aba-"},
      {"whole text", "abcab", "abcab", "", ""},
      {"pattern longer than text", "ab", "abc", "x", "ab"},
      {"empty text", "", "a", "b", ""},
      {"NUL bytes", "a\0b\0"sv, "\0"sv, "-", "a-b-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text(c.text);
    replaceAll(text, c.pattern, c.replacement);
    EXPECT_EQ(text, c.expected);
  }
}

TEST(ReplaceAllTest, PatternAndReplacementMayViewTheText) {
  std::string text = "abab";
  const std::string_view view = text;
  replaceAll(text, view.substr(0, 2), view.substr(1, 1));
  EXPECT_EQ(text, "bb");
}

TEST(ReplaceAllTest, GeneratedTextsMatchThePlainSearch) {
  std::mt19937 rng(5);
  auto word = [&rng](std::size_t maxLength) {
    std::string out;
    for (std::size_t n = rng() % (maxLength + 1); n > 0; --n) out += "ab"[rng() % 2];
    return out;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string original = word(20);
    const std::string pattern = word(4);
    const std::string replacement = word(3);
    std::string fast = original;
    std::string plain = original;
    replaceAll(fast, pattern, replacement);
    reference::replaceEach(plain, pattern, replacement);
    ASSERT_EQ(fast, plain) << original << " / " << pattern << " / " << replacement;
  }
}

// ---------------------------------------------------------------------------
// stripBraces and trimWhitespace
// ---------------------------------------------------------------------------

TEST(StripBracesTest, Rules) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view expected;
  };
  const Case cases[] = {
      {"one pair", "{a b}", "a b"},
      {"only one pair", "{{x}}", "{x}"},
      {"empty braces", "{}", ""},
      {"first brace closes early", "{a}{b}", "{a}{b}"},
      {"extra closing brace", "{a}}", "{a}}"},
      {"unclosed", "{a", "{a"},
      {"not at the start", "x{a}", "x{a}"},
      {"escaped brace does not count", "{a\\}b}", "a\\}b"},
      {"escaped closing brace leaves it open", "{a\\}", "{a\\}"},
      {"trailing backslash", "{\\", "{\\"},
      {"single brace", "{", "{"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text(c.text);
    EXPECT_EQ(&stripBraces(text), &text);
    EXPECT_EQ(text, c.expected);
  }
}

TEST(TrimWhitespaceTest, Rules) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view expected;
  };
  const Case cases[] = {
      {"ends trimmed, line feed stops trimming, run shrinks to its last byte",
       " \t a \t\t b \n", "a b \n"},
      {"space then tab keeps the tab", "a \tb", "a\tb"},
      {"tab then spaces keeps a space", "a\t  b", "a b"},
      {"only blanks", " \t ", ""},
      {"empty", "", ""},
      {"line feeds and carriage returns are not blanks", "\r\na\n", "\r\na\n"},
      {"NUL bytes are not blanks", "a \0  b"sv, "a \0 b"sv},
      {"single inner blanks stay", "a b\tc", "a b\tc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text(c.text);
    EXPECT_EQ(&trimWhitespace(text), &text);
    EXPECT_EQ(text, c.expected);
  }
}

// ---------------------------------------------------------------------------
// nextWord
// ---------------------------------------------------------------------------

TEST(NextWordTest, Rules) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view separators;
    std::string_view word;
    std::string_view rest;
  };
  const Case cases[] = {
      {"plain word", "cite key1 label", " \t", "cite", "key1 label"},
      {"tab separates", "a\tb", " \t", "a", "b"},
      {"only one separator dropped", "a  b", " \t", "a", " b"},
      {"leading separator gives an empty word", " lead", " \t", "", "lead"},
      {"no separator", "word", " \t", "word", ""},
      {"quoted word", "\"two words\" rest", " \t", "two words", " rest"},
      {"two quotes give an empty word", "\"\"x", " \t", "", "x"},
      {"just two quotes", "\"\"", " \t", "", ""},
      {"quoted word at the end", "\"x\"", " \t", "x", ""},
      {"escaped quote inside quotes", "\"a\\\"b\" c", " \t", "a\\\"b", " c"},
      {"missing closing quote", "\"open", " \t", "open", ""},
      {"single quote character", "\"", " \t", "", ""},
      {"comment", "#comment here", " \t", "", ""},
      {"quoted comment", "\"#x\" y", " \t", "", ""},
      {"escaped separator", "a\\ b c", " \t", "a\\ b", "c"},
      {"trailing backslash", "abc\\", " \t", "abc\\", ""},
      {"quote and hash inside a word", "a\"b#c d", " \t", "a\"b#c", "d"},
      {"template separator", "x}rest", "}", "x", "rest"},
      {"empty", "", " \t", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text(c.text);
    EXPECT_EQ(nextWord(text, c.separators), c.word);
    EXPECT_EQ(text, c.rest);
  }
}

// ---------------------------------------------------------------------------
// formatString and takePrefix
// ---------------------------------------------------------------------------

TEST(FormatStringTest, FormatsLikePrintf) {
  EXPECT_EQ(formatString("%d-%s:%04.1f", 42, "x", 3.14159), "42-x:03.1");
  EXPECT_EQ(formatString("%s", ""), "");
  EXPECT_EQ(formatString("%c%c", 'a', 0), "a\0"sv);
}

TEST(FormatStringTest, FormatsBeyondSixteenKilobytes) {
  const std::string big(40000, 'y');
  const std::string out = formatString("<%s>%d", big.c_str(), 7);
  EXPECT_EQ(out, "<" + big + ">7");
}

TEST(TakePrefixTest, Rules) {
  struct Case {
    const char* name;
    std::string_view text;
    std::string_view prefix;
    bool matches;
    std::string_view rest;  // "keep" when unchanged
  };
  const Case cases[] = {
      {"prefix taken", "url.size.x", "url.size.", true, "x"},
      {"whole text", "map:", "map:", true, ""},
      {"text shorter than prefix", "ma", "map:", false, "keep"},
      {"case matters", "Map:x", "map:", false, "keep"},
      {"differs at the end", "map;x", "map:", false, "keep"},
      {"empty prefix", "abc", "", true, "abc"},
      {"empty text, empty prefix", "", "", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string rest = "keep";
    EXPECT_EQ(takePrefix(c.text, c.prefix, rest), c.matches);
    EXPECT_EQ(rest, c.rest);
  }
}

TEST(TakePrefixTest, RestMayBeTheText) {
  std::string text = "map:name";
  EXPECT_TRUE(takePrefix(text, "map:", text));
  EXPECT_EQ(text, "name");
}

}  // namespace
}  // namespace pubforge
