// Author lists and names: the normal spelling, the three parts per name, the
// initials, and lists too long to copy at every name.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "checks/checks.h"

namespace pubforge {
namespace {

// Runs the author check on one author value; nothing may be printed.
Item splitList(const std::string& value) {
  Node publication;
  publication.keyword = "Kell2020";
  Item author;
  author.keyword = "author";
  author.value = value;
  std::ostringstream err;
  splitAuthorList(publication, author, err);
  EXPECT_EQ(err.str(), "");
  return author;
}

struct NameRow {
  const char* input;
  const char* value;
  const char* family;
  const char* given;
  const char* initials;
};

// One name per row: how it is written back and its three parts.
const NameRow kNameRows[] = {
    {"Kell, Mira Anna", "Mira Anna Kell", "Kell", "Mira Anna", "M.~A."},
    {"Mira Anna Kell", "Mira Anna Kell", "Kell", "Mira Anna", "M.~A."},
    {"M. A. Kell", "M.~A.~Kell", "Kell", "M.~A.", "M.~A."},
    {"Kell, M. A.", "M.~A.~Kell", "Kell", "M.~A.", "M.~A."},
    {"M.~A.~Kell", "M.~A.~Kell", "Kell", "M.~A.", "M.~A."},
    {"Mira A. Kell", "Mira~A. Kell", "Kell", "Mira~A.", "M.~A."},
    {"Kell, Mira A.", "Mira A. Kell", "Kell", "Mira A.", "M.~A."},
    {"M. Anna Kell", "M.~Anna Kell", "Kell", "M.~Anna", "M.~A."},
    {"M.A. Kell", "M.A. Kell", "Kell", "M.A.", "M."},
    {"Otto van Dalen", "Otto van Dalen", "Dalen", "Otto van", "O.~v."},
    // A family name of several words keeps the comma form, which reads back
    // as the same name.
    {"van Dalen, Otto", "van Dalen, Otto", "van Dalen", "Otto", "O."},
    // A given name with a comma stays behind the family name, so that the
    // value means the same when it is read again.
    {"Kell, Jr., Mira", "Kell, Jr., Mira", "Kell", "Jr., Mira", "J.~M."},
    {"Jean-Luc Kell", "Jean-Luc Kell", "Kell", "Jean-Luc", "J."},
    {"\xC3\x89mile Dalen", "\xC3\x89mile Dalen", "Dalen", "\xC3\x89mile", "\xC3\x89."},
    {"{Acme Research Group}", "{Acme Research Group}", "{Acme Research Group}", "", ""},
    {"Kell", "Kell", "Kell", "", ""},
    {"Kell,", "Kell", "Kell", "", ""},
    {"Mira~Kell", "Mira Kell", "Kell", "Mira", "M."},
    // Blanks around and inside the name.
    {"  Mira   Kell ", "Mira Kell", "Kell", "Mira", "M."},
    {"Mira\tKell", "Mira\tKell", "Mira\tKell", "", ""},
    {"Mira Kell AND Otto Dalen", "Mira Kell AND Otto Dalen", "Dalen", "Mira Kell AND Otto",
     "M.~K.~A.~O."},
    // Braces: a braced name is never split; a braced given name gives the
    // brace as its initial.
    {"{Kell, Mira} Anna", "{Kell, Mira} Anna", "{Kell, Mira} Anna", "", ""},
    {"Kell, {M}ira", "Kell, {M}ira", "Kell", "{M}ira", "{."},
    // A comma inside braces does not separate family and given name, and
    // neither does one after a closing brace without its opening one: taking
    // the name apart there would leave its braces unbalanced.
    {"Kell{,} \"Q\"", "Kell{,} \"Q\"", "\"Q\"", "Kell{,}", "K."},
    {"Ko{, }Bo, Mira", "Ko{, }Bo, Mira", "Ko{, }Bo", "Mira", "M."},
    {"a} b, c", "a} b, c", "c", "a} b,", "a.~b."},
    // A tab does not separate words: a family name with a tab is one word,
    // and writing it first would bring its comma to the front.
    {"Ko\tBo, Mira", "Mira Ko\tBo", "Ko\tBo", "Mira", "M."},
    {"A {b, c\td,e", "A {b, c\td,e", "c\td,e", "A {b,", "A.~{."},
    // A given name without a family name is followed by the empty family
    // name; read again, it is a family name.
    {", Mira", "Mira ", "", "Mira", "M."},
    // A name whose rewritten form would be cut at an "and" stays as written.
    {"Kell~and~Bo", "Kell~and~Bo", "Bo", "Kell and", "K.~a."},
    // Blanks that ties leave at the ends of a given name are no ties.
    {"M.~ ~Kell", "M.~Kell", "Kell", "M.", "M."},
    {"J. ?nd ~", "J.~?nd ", "", "J.~?nd", "J.~?."},
    {"Kell, M.~", "M.~Kell", "Kell", "M.", "M."},
    {"Kell,and Mira", "and Mira Kell", "Kell", "and Mira", "a.~M."},
    {"Kell,and ,and Mira", "Kell,and ,and Mira", "Kell", "and ,and Mira", "a.~,.~M."},
    {"De, Po and\t , l{}", "De, Po and\t , l{}", "De", "Po and , l{}", "P.~a.~,.~l."},
    {"and, Mira", "and, Mira", "and", "Mira", "M."},
    // A tilde after a backslash is an accent, not a tie between words.
    {"Nu{\\~n}ez, Se{\\'a}n", "Se{\\'a}n Nu{\\~n}ez", "Nu{\\~n}ez", "Se{\\'a}n", "S."},
    {"Ana~Nu{\\~n}ez", "Ana Nu{\\~n}ez", "Nu{\\~n}ez", "Ana", "A."},
    {"In{\\~e}s~Ana Kell", "In{\\~e}s Ana Kell", "Kell", "In{\\~e}s Ana", "I.~A."},
    {"Kell, Mira, ", "Kell, Mira,", "Kell", "Mira,", "M."},
    {"", "", "", "", ""},
    {"   ", "", "", "", ""},
};

TEST(SplitAuthorList, NameTable) {
  for (const NameRow& row : kNameRows) {
    SCOPED_TRACE(row.input);
    Item author = splitList(row.input);
    EXPECT_EQ(author.value, row.value);
    EXPECT_EQ(author.authorParts,
              (std::vector<std::string>{row.family, row.given, row.initials}));
  }
}

TEST(SplitAuthorName, SameResultsAsTheList) {
  for (const NameRow& row : kNameRows) {
    SCOPED_TRACE(row.input);
    std::string name = row.input;
    std::string given = "old", initials = "old", family = "old";
    splitAuthorName(name, given, initials, family);
    EXPECT_EQ(name, row.value);
    EXPECT_EQ(family, row.family);
    EXPECT_EQ(given, row.given);
    EXPECT_EQ(initials, row.initials);
  }
}

// The rewritten name goes out in the BibTeX output and is read again by the
// next run: it must keep its family name and initials then (a given name
// with a full stop may gain "~" for its spaces), and a second rewrite changes
// nothing.
TEST(SplitAuthorName, RewrittenNameReadsBackAsTheSameName) {
  const char* const names[] = {
      "Kell, Mira Anna",  "M. A. Kell",   "Kell, Mira A.",         "Kell, Jr., Mira",
      "Kell, Jr., M. A.", "Kell, Mira, ", "{Acme Research Group}", "Kell,",
      "Mira~Kell",        "M.A. Kell",    "\xC3\x89mile Dalen",  "van Dalen, Otto",
      "Kell, {M}ira",     "Nu{\\~n}ez, Se{\\'a}n", "Kell{,} \"Q\"",      "Ko{, }Bo, Mira",
      "a} b, c",          "Ko\tBo, Mira", "A {b, c\td,e",
      "Kell~and~Bo",      "Kell,and Mira", "and, Mira",             "Kell,and ,and Mira",
      "De, Po and\t , l{}",
  };
  for (const char* name : names) {
    SCOPED_TRACE(name);
    Item once = splitList(name);
    Item twice = splitList(once.value);
    ASSERT_EQ(twice.authorParts.size(), 3u);
    EXPECT_EQ(twice.authorParts[0], once.authorParts[0]);
    EXPECT_EQ(twice.authorParts[2], once.authorParts[2]);
    Item thrice = splitList(twice.value);
    EXPECT_EQ(thrice.value, twice.value);
    EXPECT_EQ(thrice.authorParts, twice.authorParts);
  }
}

struct ListRow {
  const char* name;
  const char* input;
  const char* value;
  std::vector<std::string> parts;
};

TEST(SplitAuthorList, ListTable) {
  const ListRow rows[] = {
      {"two names", "Mira Kell and Otto van Dalen", "Mira Kell and Otto van Dalen",
       {"Kell", "Mira", "M.", "Dalen", "Otto van", "O.~v."}},
      {"each name rewritten", "Kell, Mira and  Dalen, O. ", "Mira Kell and O.~Dalen",
       {"Kell", "Mira", "M.", "Dalen", "O.", "O."}},
      {"braces are not respected", "{Kell and Sons}", "{Kell and Sons}",
       {"{Kell", "", "", "Sons}", "", ""}},
      {"empty name between separators", "Mira Kell and  and Otto Dalen",
       "Mira Kell and  and Otto Dalen",
       {"Kell", "Mira", "M.", "", "", "", "Dalen", "Otto", "O."}},
      {"empty names at both ends", " and Kell and ", " and Kell and ",
       {"", "", "", "Kell", "", "", "", "", ""}},
      {"separator needs both spaces", "Kell andOtto and Dalen", "Kell andOtto and Dalen",
       {"andOtto", "Kell", "K.", "Dalen", "", ""}},
      // A list wrapped over several lines: each line break reads as a blank.
      {"line feed before and", "Mira Kell\nand Otto Dalen", "Mira Kell and Otto Dalen",
       {"Kell", "Mira", "M.", "Dalen", "Otto", "O."}},
      {"line break after and", "Gan, Yifan and\r\n    Ren, Xueyuan",
       "Yifan Gan and Xueyuan Ren", {"Gan", "Yifan", "Y.", "Ren", "Xueyuan", "X."}},
      {"line break inside a name", "Kell,\nMira and {Acme\nGroup}", "Mira Kell and {Acme Group}",
       {"Kell", "Mira", "M.", "{Acme Group}", "", ""}},
  };
  for (const ListRow& row : rows) {
    SCOPED_TRACE(row.name);
    Item author = splitList(row.input);
    EXPECT_EQ(author.value, row.value);
    EXPECT_EQ(author.authorParts, row.parts);
  }
}

TEST(SplitAuthorList, OldPartsAreReplaced) {
  Node publication;
  Item author;
  author.keyword = "author";
  author.value = "Mira Kell";
  author.authorParts = {"stale", "stale", "stale", "stale"};
  std::ostringstream err;
  splitAuthorList(publication, author, err);
  EXPECT_EQ(author.authorParts, (std::vector<std::string>{"Kell", "Mira", "M."}));
}

TEST(SplitAuthorList, EmbeddedNulBytesStayInTheNames) {
  using namespace std::string_literals;
  Item author = splitList("Mi\0ra Kell and Otto D\0alen"s);
  EXPECT_EQ(author.value, "Mi\0ra Kell and Otto D\0alen"s);
  EXPECT_EQ(author.authorParts,
            (std::vector<std::string>{"Kell", "Mi\0ra"s, "M.", "D\0alen"s, "Otto", "O."}));
}

struct InitialsRow {
  const char* name;
  const char* given;
  const char* expectedInitials;
  const char* expectedGiven;
};

TEST(MakeInitials, Table) {
  const InitialsRow rows[] = {
      {"empty", "", "", ""},
      {"one word", "Mira", "M.", "Mira"},
      {"space and tilde separate", "Mira~Anna Lou", "M.~A.~L.", "Mira~Anna Lou"},
      {"runs of separators", " Mira ~ Anna ", "M.~A.", " Mira ~ Anna "},
      {"full stop and space tied", "M. A. Lou", "M.~A.~L.", "M.~A.~Lou"},
      {"full stop at the end", "Mira A.", "M.~A.", "Mira A."},
      {"hyphen is no separator", "Jean-Luc", "J.", "Jean-Luc"},
      {"two-byte character", "\xC3\x89mile", "\xC3\x89.", "\xC3\x89mile"},
      {"three-byte character", "\xE2\x82\xACuro Ann", "\xE2\x82\xAC.~A.", "\xE2\x82\xACuro Ann"},
      {"four-byte character", "\xF0\x9F\x98\x80x", "\xF0\x9F\x98\x80.", "\xF0\x9F\x98\x80x"},
      {"sequence cut by the end", "Ann \xE2\x82", "A.~.", "Ann \xE2\x82"},
      {"stray continuation byte", "\x89mile Ann", ".~A.", "\x89mile Ann"},
      {"byte 0xF8 and above", "\xF8x Ann", ".~A.", "\xF8x Ann"},
      {"brace group", "{M}ira", "{.", "{M}ira"},
  };
  for (const InitialsRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::string given = row.given;
    std::string initials = "old";
    makeInitials(given, initials);
    EXPECT_EQ(initials, row.expectedInitials);
    EXPECT_EQ(given, row.expectedGiven);
  }
}

// The list split as defined: copy the rest of the list after every name.
Item splitListByCopying(const std::string& value) {
  Item result;
  std::string rest = value;
  bool first = true;
  while (true) {
    size_t separator = rest.find(" and ");
    std::string name = rest.substr(0, separator);
    std::string given, initials, family;
    splitAuthorName(name, given, initials, family);
    if (!first) result.value += " and ";
    first = false;
    result.value += name;
    result.authorParts.insert(result.authorParts.end(), {family, given, initials});
    if (separator == std::string::npos) break;
    rest = rest.substr(separator + 5);
  }
  return result;
}

TEST(SplitAuthorList, AgreesWithCopyingSplitOnGeneratedLists) {
  const char* const pieces[] = {"Mira", "Kell,", " and ", "  ", "M.", "~", "{", "}", "and",
                                " ",    "van",   ",",     "A.", "\xC3\x89", "\t", "Jr.,"};
  const size_t pieceCount = std::size(pieces);
  uint32_t state = 12345;
  for (int sample = 0; sample < 500; ++sample) {
    std::string value;
    int length = sample % 17;
    for (int i = 0; i < length; ++i) {
      state = state * 1103515245u + 12345u;
      value += pieces[(state >> 16) % pieceCount];
    }
    SCOPED_TRACE(value);
    Item fast = splitList(value);
    Item plain = splitListByCopying(value);
    EXPECT_EQ(fast.value, plain.value);
    EXPECT_EQ(fast.authorParts, plain.authorParts);
  }
}

TEST(SplitAuthorList, HundredThousandNames) {
  // Long names make the list 10 MB, so that copying the rest of the list at
  // every name (half a terabyte here) cannot hide behind fast memory.
  const size_t count = 100000;
  const std::string given(80, 'm');
  std::string value;
  for (size_t i = 0; i < count; ++i) {
    if (i != 0) value += " and ";
    value += "Kell" + std::to_string(i) + ", " + given;
  }
  // No clock here: a split that copied the rest of the list at every name
  // would not finish within the test time-out.
  Item author = splitList(value);

  ASSERT_EQ(author.authorParts.size(), 3 * count);
  EXPECT_EQ(author.authorParts[0], "Kell0");
  EXPECT_EQ(author.authorParts[3 * 54321], "Kell54321");
  EXPECT_EQ(author.authorParts[3 * count - 2], given);
  EXPECT_EQ(author.authorParts[3 * count - 1], "m.");
  EXPECT_EQ(author.value.substr(0, 95), given + " Kell0 and " + given.substr(0, 4));
}

}  // namespace
}  // namespace pubforge
