// The printing template language: literal text, escapes, sections,
// alternatives, the failed flag, placeholder names and the fatal errors.
#include "custom/template.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "template_fixture.h"

namespace pubforge {
namespace {

using testing::addAuthors;
using testing::makePublication;
using testing::PrintSetup;

// The article of the language's example: label 1, two authors, a title, a
// journal, volume 7, month 5 and year 2020.
std::unique_ptr<Node> tideTables() {
  auto node = makePublication("Kell2020", "Article",
                              {{"title", "Tide tables"},
                               {"journal", "Coastal Notes"},
                               {"volume", "7"},
                               {"month", "05", 5},
                               {"year", "2020", 2020}},
                              "1");
  addAuthors(*node, {"Kell", "Mira", "M.", "Dalen", "Otto", "O."});
  return node;
}

TEST(PrintPublication, DefaultTemplatePrintsTheExampleExactly) {
  PrintSetup setup;
  auto article = tideTables();
  EXPECT_EQ(setup.print(kDefaultPrintingTemplate, *article),
            "[1] Kell2020\n"
            "AUTHOR: FIRST: initials=M. given=Mira family=Kell\n"
            "AUTHOR: LAST: initials=O. given=Otto family=Dalen\n"
            "\n"
            "\"Tide tables\", Coastal Notes, Volume 7, 5 2020.\n"
            "URL: .\n"
            "\n");
  EXPECT_EQ(setup.err.str(), "");
}

struct LanguageCase {
  const char* name;
  std::string templateText;
  std::string expected;
  std::string nbsp = " ";
};

// The publication has a title and a year, and lacks the items x and y.
TEST(PrintPublication, LanguageTable) {
  const std::vector<LanguageCase> cases = {
      {"empty template", "", ""},
      {"plain text", "plain text", "plain text"},
      {"percent as last byte", "50%", "50%"},
      {"backslash as last byte", "a\\", "a\\"},
      {"tilde becomes nbsp", "a~b", "a b"},
      {"tilde with another nbsp", "a~b", "a&nbsp;b", "&nbsp;"},
      {"tilde stays with an empty nbsp", "a~b", "a~b", ""},
      {"escaped tilde stays a tilde", "a\\~b", "a~b", "&nbsp;"},
      {"escapes in the nbsp text are resolved", "a~b", "a\nb", "\\n"},
      {"escaped line feed and tab", "a\\nb\\tc", "a\nb\tc"},
      {"escaped section bytes", "\\[\\]\\(\\)\\|\\%\\\\", "[]()|%\\"},
      {"other escaped byte is itself", "\\q", "q"},
      {"literal LaTeX stays as written", "--{\\\"a}<&'", "--{\"a}<&'"},
      {"first alternative that does not fail", "[a%{x}b|c]", "c"},
      {"first alternative wins", "[a|b|c]", "a"},
      {"last alternative", "[%{x}|%{y}|z]", "z"},
      {"every alternative fails", "[%{x}|%{y}]", ""},
      {"alternative after a failed one keeps text before the section", "q[%{x}|w]e", "qwe"},
      {"inner square failure stays inside", "[[a%{x}]b]", "b"},
      {"round failure reaches the outer section", "[(a%{x})b]", ""},
      {"round group that succeeds", "[(a)b]", "ab"},
      {"failure outside every section has no effect", "q%{x}[w]", "qw"},
      {"a top-level round group starts with a clear flag", "%{x}(w)", "w"},
      {"nested section keeps the outer failure", "[%{x}[w]]", ""},
      {"section never closed keeps its text", "[a%{x}", "a"},
      {"skip passes escaped brackets", "[a|\\]b]c", "ac"},
      {"skip counts nested square brackets", "[a|[b]c]d", "ad"},
      {"skip ignores round brackets", "[a|(b]c", "ac"},
      {"skip to the end of the template", "[a|b", "a"},
      {"alternatives of an inner section", "[x[%{x}|i]y]", "xiy"},
      {"placeholder succeeds in a section", "[<%{title}>]", "<Tide tables>"},
      {"long placeholder without closing brace takes the rest", "a%{title", "aTide tables"},
      {"unknown name without closing brace ends the evaluation", "a%{x]b", "a"},
      {"escaped brace stays in the name", "[%{ti\\}tle}|no]", "no"},
      {"name beginning with a quote is still a name", "[%{\"title}|no]z", "noz"},
      {"name beginning with # is still a name", "[%{#x}|no]z", "noz"},
      {"empty long name finds no item", "[%{}|no]", "no"},
      {"short placeholder is one byte", "%%%$", "%"},
      {"short b, w and e are items", "[%b|B][%w|W][%e|E]", "BWE"},
      {"two-byte character", "caf\xC3\xA9", "caf\xC3\xA9"},
      {"four-byte character", "\xF0\x9F\x98\x80!", "\xF0\x9F\x98\x80!"},
      {"continuation bytes are taken untested", "\xC3[x", "\xC3[x"},
      {"stray continuation byte dropped", "a\xA9z", "az"},
      {"bytes F8 to FF dropped", "a\xF8\xFFz", "az"},
      {"incomplete sequence at the end", "ab\xE2\x82", "ab"},
      {"lead byte cut off, next byte read again", "ab\xE2[", "ab"},
      {"lead byte cut off before a plain byte", "ab\xE2z", "abz"},
      {"escape takes one byte of a character", "\\\xC3\xA9z", "\xC3z"},
  };
  auto publication = makePublication("k", "Article",
                                     {{"title", "Tide tables"}, {"year", "2020", 2020}});
  for (const LanguageCase& row : cases) {
    SCOPED_TRACE(row.name);
    PrintSetup setup;
    setup.settings.nbsp = row.nbsp;
    EXPECT_EQ(setup.print(row.templateText, *publication), row.expected);
    EXPECT_EQ(setup.err.str(), "");
  }
}

TEST(PrintPublication, EveryEvaluationAdvancesBothCounters) {
  PrintSetup setup;
  setup.counters = {4, 10};
  auto publication = makePublication("k", "Misc", {});
  EXPECT_EQ(setup.print("", *publication), "");
  EXPECT_EQ(setup.print("x", *publication), "x");
  EXPECT_EQ(setup.counters.entryNumber, 6u);
  EXPECT_EQ(setup.counters.totalEntryNumber, 12u);
}

TEST(PrintPublication, OneTemplatePrintsManyPublications) {
  // What the printer learns about a template from one publication must not
  // change what it prints for the next.
  PrintSetup setup;
  const PrintEnvironment env = setup.environment();
  TemplatePrinter printer("[%{year}|none]:[%{title}%{is?A}yes|no]", env);
  auto withBoth = makePublication("a", "Misc", {{"title", "A"}, {"year", "1999", 1999}});
  auto withNone = makePublication("b", "Misc", {});
  auto withTitle = makePublication("c", "Misc", {{"title", "B"}});
  std::string text;
  const std::vector<std::pair<const Node*, std::string>> runs = {
      {withBoth.get(), "1999:yes"}, {withNone.get(), "none:no"},
      {withTitle.get(), "none:no"}, {withBoth.get(), "1999:yes"}};
  for (const auto& [publication, expected] : runs) {
    text.clear();
    printer.print(*publication, nullptr, nullptr, setup.counters, setup.err, text);
    EXPECT_EQ(text, expected);
  }
  // The text is appended; comparisons outside every section see only the
  // publication's own text.
  text = "1999";
  TemplatePrinter compare("%{year}%{is?1999}same", env);
  compare.print(*withBoth, nullptr, nullptr, setup.counters, setup.err, text);
  EXPECT_EQ(text, "1999same");
}

// Large templates built so that work per byte that grows with the template
// would take far longer than the test's time-out.
TEST(PrintPublication, LargeTemplatesAreReadInLinearWork) {
  auto publication = makePublication("k", "Article", {{"title", "T"}});
  addAuthors(*publication, {"A", "a", "a.", "B", "b", "b."});
  auto repeat = [](std::string_view piece, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
  };
  const size_t n = 200000;
  struct Large {
    const char* name;
    std::string templateText;
    size_t expectedSize;
  };
  const std::vector<Large> cases = {
      {"first of many alternatives", "[" + repeat("%{title}|", n) + "]", 1},
      {"last of many alternatives", "[" + repeat("%{x}|", n) + "z]", 1},
      {"deeply nested sections", repeat("[", n) + "a" + repeat("]", n), 1},
      {"deeply nested failing groups", "[" + repeat("(", n) + "%{x}" + repeat(")", n) + "]", 0},
      {"name that never closes", "%{" + repeat("%{a", n), 0},
      {"many comparisons in one section", "[" + repeat("%{title}%{is?T}", n) + "]", 0},
      {"long loop body", "%a" + repeat("%{author-family-name}", n) + "%A", 2 * n},
      {"many literal runs", repeat("ab\n", n), 3 * n},
  };
  for (const Large& row : cases) {
    SCOPED_TRACE(row.name);
    PrintSetup setup;
    EXPECT_EQ(setup.print(row.templateText, *publication).size(), row.expectedSize);
  }
}

struct FatalCase {
  const char* name;
  std::string templateText;
  std::string message;
};

TEST(PrintPublication, FatalErrorsReportTheirMessageAndThrow) {
  const std::string unexpectedClose = "ERROR: Unexpected ']' in custom printing template!\n";
  const std::vector<FatalCase> cases = {
      {"closing square bracket at the top", "a]", unexpectedClose},
      {"closing round bracket at the top", "a)", unexpectedClose},
      {"one closing bracket too many", "[a]]", unexpectedClose},
      {"alternative at the top", "a|b", "ERROR: Unexpected '|' in custom printing template!\n"},
      {"alternative after its section closed", "[a]|b",
       "ERROR: Unexpected '|' in custom printing template!\n"},
      {"loop begun twice", "%a%{begin-author-loop}",
       "ERROR: Unexpected author loop begin %a -> an author loop is still open!\n"},
      {"loop ended without a beginning", "x%{end-author-loop}",
       "ERROR: Unexpected author loop end %A -> %a author loop begin needed first!\n"},
      {"short loop end without a beginning", "%A",
       "ERROR: Unexpected author loop end %A -> %a author loop begin needed first!\n"},
      {"unknown size unit", "[%{url.size.kb}]",
       "ERROR: Unexpected unit 'kb' for url.size.UNIT!\n"},
  };
  auto publication = makePublication("k", "Article", {{"url.size", "1536"}});
  for (const FatalCase& row : cases) {
    SCOPED_TRACE(row.name);
    PrintSetup setup;
    EXPECT_THROW(setup.print(row.templateText, *publication), FatalError);
    EXPECT_EQ(setup.err.str(), row.message);
  }
}

TEST(PrintPublication, FatalErrorStatusIsOne) {
  PrintSetup setup;
  auto publication = makePublication("k", "Misc", {});
  try {
    setup.print("]", *publication);
    FAIL() << "no fatal error";
  } catch (const FatalError& fatal) {
    EXPECT_EQ(fatal.status, 1);
  }
}

}  // namespace
}  // namespace pubforge
