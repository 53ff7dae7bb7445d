// Conditions on publications: the parser (precedence, quoting, positions of
// bad conditions), each operator, missing fields, numbers against text,
// accents in plain text, regular expressions, and the selection by them.
#include "commands/condition.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "model/publication_set.h"
#include "reader/reader.h"

namespace pubforge {
namespace {

const std::string kBibliography =
    "@string{jcr = {Journal of Coastal Research}}\n"
    "@article{kell2020, author = {Kell, Mira and J{\\\"o}rg M{\\\"u}ller},"
    " title = {Tidal Flats}, journal = jcr, year = 2020, month = jul, volume = 36}\n"
    "@inproceedings{Sousa2019, author = {Ana Sousa}, title = {Dunes in 9 Steps},"
    " booktitle = {Proc. Coast}, year = 2019, month = nov, pages = {1--9}}\n"
    "@book{muller2018, author = {J. M{\\\"u}ller}, title = {Sand \"quoted\" and more},"
    " publisher = {Deltares}, year = 2018, note = {x\\y}}\n"
    "@misc{nodate, title = {999 Reasons}, note = {A}}\n"
    "% a comment line\n";

class Conditions : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ostringstream out, err;
    BibReader reader(out, err);
    ASSERT_EQ(reader.readText(kBibliography), ReadResult::kOk);
    publications = reader.finish();
  }

  // The keys of the entries for which the condition holds, in order.
  std::string matching(const std::string& text) {
    ConditionError error;
    const std::optional<Condition> condition = Condition::parse(text, error);
    if (!condition) return "bad at " + std::to_string(error.position) + ": " + error.message;
    std::string keys;
    for (const auto& node : publications)
      if (condition->holds(*node)) keys += (keys.empty() ? "" : " ") + node->keyword;
    return keys;
  }

  Collection publications;
};

TEST_F(Conditions, EachOperator) {
  struct Row {
    const char* condition;
    const char* expected;
  };
  const std::vector<Row> rows = {
      {"year = 2020", "kell2020"},
      {"year != 2020", "Sousa2019 muller2018 nodate"},
      {"year < 2020", "Sousa2019 muller2018"},
      {"year <= 2019", "Sousa2019 muller2018"},
      {"year > 2018", "kell2020 Sousa2019"},
      {"year >= 2019", "kell2020 Sousa2019"},
      {"title : flat", "kell2020"},
      {"title !: flat", "Sousa2019 muller2018 nodate"},
      {"exists pages", "Sousa2019"},
      {"not exists year", "nodate"},
      {"$key = KELL2020", "kell2020"},
      {"$type = inproceedings", "Sousa2019"},
      {"$type : ^(article|book)$", "bad at 10: expected \"and\", \"or\" or the end of the condition"},
      {"$type : \"^(article|book)$\"", "kell2020 muller2018"},
      {"publisher = deltares", "muller2018"},
      // Macros are expanded when the entry is read.
      {"journal : \"coastal research\"", "kell2020"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.condition);
    EXPECT_EQ(matching(row.condition), row.expected);
  }
}

TEST_F(Conditions, MissingFieldsAndPrecedence) {
  const std::vector<std::pair<const char*, const char*>> rows = {
      // Only "!=" and "!:" hold for a field the entry lacks.
      {"pages = 1-9", ""},
      {"pages != x", "kell2020 Sousa2019 muller2018 nodate"},
      {"pages !: x", "kell2020 Sousa2019 muller2018 nodate"},
      // "1–9" is no number, so it compares as text with "5".
      {"pages < 5", "Sousa2019"},
      {"pages > 5", ""},
      {"pages : .", "Sousa2019"},
      // not binds tightest, then and, then or.
      {"year = 2018 or year = 2020 and volume = 36", "kell2020 muller2018"},
      {"(year = 2018 or year = 2020) and not volume = 36", "muller2018"},
      {"not year = 2020 and exists year", "Sousa2019 muller2018"},
      {"not (year = 2020 or year = 2019)", "muller2018 nodate"},
      {"not not exists note", "muller2018 nodate"},
      {"exists note and exists year or $key = kell2020", "kell2020 muller2018"},
      // Fields are item keywords in lower case; upper case is folded.
      {"YEAR = 2019", "Sousa2019"},
      {"year=2019", "Sousa2019"},
  };
  for (const auto& [condition, expected] : rows) {
    SCOPED_TRACE(condition);
    EXPECT_EQ(matching(condition), expected);
  }
}

TEST_F(Conditions, NumbersAgainstText) {
  const std::vector<std::pair<const char*, const char*>> rows = {
      // Months compare by number, also when written by name.
      {"month > 7", "Sousa2019"},
      {"month >= jul", "kell2020 Sousa2019"},
      {"month = 07", "kell2020"},
      {"month < November", "kell2020"},
      // Numbers compare as numbers: 999 is less than 1000 ...
      {"volume < 100", "kell2020"},
      {"year > 999", "kell2020 Sousa2019 muller2018"},
      // ... but text that is not a number compares as text.
      {"title < B", "nodate"},
      {"title >= Tidal", "kell2020"},
      {"note > 9", "muller2018 nodate"},
  };
  for (const auto& [condition, expected] : rows) {
    SCOPED_TRACE(condition);
    EXPECT_EQ(matching(condition), expected);
  }
}

TEST_F(Conditions, PlainTextAccentsAndRegularExpressions) {
  const std::vector<std::pair<const char*, const char*>> rows = {
      {"author : \"Müller\"", "kell2020 muller2018"},
      {"author : müller", "kell2020 muller2018"},
      // Only ASCII letters fold: "Ü" is not "ü".
      {"author : MÜLLER", ""},
      {"author : MüLLER", "kell2020 muller2018"},
      {"author : \"J(ö|\\.) M\"", "muller2018"},
      {"author : \"j(ö|\\.)\"", "kell2020 muller2018"},
      {"author : \"^ana\"", "Sousa2019"},
      {"author : \"sousa$\"", "Sousa2019"},
      {"title : \"[0-9]+ \"", "Sousa2019 nodate"},
      {"title = \"sand \\\"quoted\\\" and more\"", "muller2018"},
      {"note = \"x\\\\y\"", ""},
      // The backslash is the plain text of a LaTeX command: x, then y.
      {"note : \"^xy$\"", "muller2018"},
      {"pages = \"1–9\"", "Sousa2019"},
  };
  for (const auto& [condition, expected] : rows) {
    SCOPED_TRACE(condition);
    EXPECT_EQ(matching(condition), expected);
  }
}

TEST_F(Conditions, BadConditionsGiveTheirPosition) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"", "bad at 1: expected a field"},
      {"   ", "bad at 4: expected a field"},
      {"year", "bad at 5: expected an operator"},
      {"year ~ 2", "bad at 6: expected an operator"},
      {"year =", "bad at 7: expected a value"},
      {"year = )", "bad at 8: expected a value"},
      {"year = 1 and", "bad at 13: expected a field"},
      {"year = 1 2", "bad at 10: expected \"and\", \"or\" or the end of the condition"},
      {"(year = 1", "bad at 10: expected \"and\", \"or\" or \")\""},
      {"year = 1)", "bad at 9: unexpected \")\""},
      {"title = \"open", "bad at 9: unterminated string"},
      {"title = \"ends in a backslash\\\"", "bad at 9: unterminated string"},
      {"$year = 1", "bad at 1: unknown field $year"},
      {"exists", "bad at 7: expected a field"},
      {"exists and", "bad at 8: expected a field"},
      {"= 2", "bad at 1: expected a field"},
      {"not", "bad at 4: expected a field"},
      {std::string("title : \"a\0b\"", 13), "bad at 9: regular expression with a NUL byte"},
  };
  for (const auto& [condition, expected] : rows) {
    SCOPED_TRACE(condition);
    EXPECT_EQ(matching(condition), expected);
  }
  // regcomp's own complaint follows the position of the expression.
  const std::string bad = matching("year = 1 or title : \"(unclosed\"");
  EXPECT_EQ(bad.substr(0, 45), "bad at 21: bad regular expression: Unmatched ");
}

TEST_F(Conditions, NestingIsBounded) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "not (";
  EXPECT_EQ(matching(deep).substr(0, 20), "bad at 641: nested t");
  std::string fine = "exists year";
  for (int i = 0; i < 100; ++i) fine = "not (" + fine + ")";
  EXPECT_EQ(matching(fine), "kell2020 Sousa2019 muller2018");
  // Long chains of "and" and "or" are flat, not nested.
  std::string chain = "exists year";
  for (int i = 0; i < 100000; ++i) chain += " or exists title";
  EXPECT_EQ(matching(chain), "kell2020 Sousa2019 muller2018 nodate");
}

TEST_F(Conditions, OnlyEntriesMatchAndAddWhereKeepsTheOthersOnRequest) {
  ConditionError error;
  const std::optional<Condition> anything = Condition::parse("$key != \"\"", error);
  ASSERT_TRUE(anything);
  const std::optional<Condition> recent = Condition::parse("year >= 2019", error);
  ASSERT_TRUE(recent);
  auto keysOf = [](const PublicationSet& set) {
    std::string keys;
    for (const Node* p : set) keys += (keys.empty() ? "" : " ") + p->keyword + ":" + p->label;
    return keys;
  };
  PublicationSet set(publications.size());
  addWhere(set, publications, {&*recent}, false);
  EXPECT_EQ(keysOf(set), "kell2020:kell2020 Sousa2019:Sousa2019");
  // Publications already selected stay where they are, with their labels.
  publications[1]->label = "mine";
  addWhere(set, publications, {&*anything, nullptr}, false);
  EXPECT_EQ(keysOf(set),
            "kell2020:mine Sousa2019:Sousa2019 muller2018:muller2018 nodate:nodate");
  PublicationSet all(publications.size());
  addWhere(all, publications, {&*recent}, true);
  EXPECT_EQ(keysOf(all), "jcr:jcr kell2020:kell2020 Sousa2019:Sousa2019 1:1");
}

}  // namespace
}  // namespace pubforge
