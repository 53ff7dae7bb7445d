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
    // The normal forms, and names in the three forms that BibTeX reads.
    {"Kell, Mira Anna", "Mira Anna Kell", "Kell", "Mira Anna", "M.~A."},
    {"Mira Anna Kell", "Mira Anna Kell", "Kell", "Mira Anna", "M.~A."},
    {"M. A. Kell", "M.~A.~Kell", "Kell", "M.~A.", "M.~A."},
    {"Kell, M. A.", "M.~A.~Kell", "Kell", "M.~A.", "M.~A."},
    {"M.~A.~Kell", "M.~A.~Kell", "Kell", "M.~A.", "M.~A."},
    {"Mira A. Kell", "Mira~A. Kell", "Kell", "Mira~A.", "M.~A."},
    // "Mira A. Kell" would read back with the given name "Mira~A.".
    {"Kell, Mira A.", "Kell, Mira A.", "Kell", "Mira A.", "M.~A."},
    {"M. Anna Kell", "M.~Anna Kell", "Kell", "M.~Anna", "M.~A."},
    {"M.A. Kell", "M.A. Kell", "Kell", "M.A.", "M."},
    {"Otto van Dalen", "Otto van Dalen", "van Dalen", "Otto", "O."},
    {"van Dalen, Otto", "Otto van Dalen", "van Dalen", "Otto", "O."},
    {"Jean de la Fontaine", "Jean de la Fontaine", "de la Fontaine", "Jean", "J."},
    {"de la Fontaine, Jean", "Jean de la Fontaine", "de la Fontaine", "Jean", "J."},
    {"Charles Louis de la Vall{\\'e}e Poussin", "Charles Louis de la Vall{\\'e}e Poussin",
     "de la Vall{\\'e}e Poussin", "Charles Louis", "C.~L."},
    {"'t Hooft, Gerard", "Gerard 't Hooft", "'t Hooft", "Gerard", "G."},
    {"Kell, Jr., Mira", "Kell, Jr., Mira", "Kell, Jr.", "Mira", "M."},
    {"Akers, Jr., Sheldon B.", "Akers, Jr., Sheldon B.", "Akers, Jr.", "Sheldon B.", "S.~B."},
    {"Kell, , Mira", "Mira Kell", "Kell", "Mira", "M."},
    // A third comma only separates words.
    {"Kell, Jr., Mira, Anna", "Kell, Jr., Mira, Anna", "Kell, Jr.", "Mira, Anna", "M.~A."},
    {"Jean-Luc Kell", "Jean-Luc Kell", "Kell", "Jean-Luc", "J."},
    {"Mira Smith-Jones", "Mira Smith-Jones", "Smith-Jones", "Mira", "M."},
    {"\xC3\x89mile Dalen", "\xC3\x89mile Dalen", "Dalen", "\xC3\x89mile", "\xC3\x89."},
    {"{Acme Research Group}", "{Acme Research Group}", "{Acme Research Group}", "", ""},
    {"{East China University of Science and Technology}",
     "{East China University of Science and Technology}",
     "{East China University of Science and Technology}", "", ""},
    {"Kell", "Kell", "Kell", "", ""},
    {"Kell,", "Kell", "Kell", "", ""},
    {"Mira~Kell", "Mira Kell", "Kell", "Mira", "M."},
    // Braces: a brace group is part of its word, whatever it holds.
    {"Paulo {Ney de Souza}", "Paulo {Ney de Souza}", "{Ney de Souza}", "Paulo", "P."},
    {"F.~{De~Angeli}", "F.~{De Angeli}", "{De Angeli}", "F.", "F."},
    {"De Angeli, F.", "De Angeli, F.", "De Angeli", "F.", "F."},
    {"{\\O}ie, Gunvor", "Gunvor {\\O}ie", "{\\O}ie", "Gunvor", "G."},
    {"{\\\"O}rjan Bo", "{\\\"O}rjan Bo", "Bo", "{\\\"O}rjan", "{\\\"O}."},
    {"J. Matou{\\v s}ek", "J.~Matou{\\v s}ek", "Matou{\\v s}ek", "J.", "J."},
    // A special character counts by its letter; other groups are passed over.
    {"Mira {\\\"u}ber Kell", "Mira {\\\"u}ber Kell", "{\\\"u}ber Kell", "Mira", "M."},
    {"Mira {\\v{s}}ak Kell", "Mira {\\v{s}}ak Kell", "{\\v{s}}ak Kell", "Mira", "M."},
    {"Jean {de la} Fontaine", "Jean {de la} Fontaine", "Fontaine", "Jean {de la}",
     "J.~{de la}."},
    {"{\\AE}sa {\\o}st Kell", "{\\AE}sa {\\o}st Kell", "{\\o}st Kell", "{\\AE}sa", "{\\AE}."},
    // "{M}ira Kell" would read back with "{M}ira" as its von part.
    {"Kell, {M}ira", "Kell, {M}ira", "Kell", "{M}ira", "{M}."},
    {"{Kell, Mira} Anna", "{Kell, Mira} Anna", "Anna", "{Kell, Mira}", "{Kell, Mira}."},
    {"Kell{,} \"Q\"", "Kell{,} \"Q\"", "\"Q\"", "Kell{,}", "K."},
    {"Ko{, }Bo, Mira", "Mira Ko{, }Bo", "Ko{, }Bo", "Mira", "M."},
    // "c a} b" would read back with "c" in the von part.
    {"a} b, c", "a} b, c", "a} b", "c", "c."},
    {"A {b, c\td,e", "A {b, c d,e", "{b, c d,e", "A", "A."},
    // biblatex's keyed form is written back as read.
    {"family=Kate, given=Warner, prefix=ten, useprefix=false",
     "family=Kate, given=Warner, prefix=ten, useprefix=false", "ten Kate", "Warner", "W."},
    {" given={Mira A.} ,family={Kell},suffix=Jr. ", "given={Mira A.} ,family={Kell},suffix=Jr.",
     "Kell, Jr.", "Mira A.", "M.~A."},
    {"Kell, given=Mira", "Kell, given=Mira", "Kell", "given=Mira", "g."},
    // Blanks, tabs and ties around and inside the name.
    {"  Mira   Kell ", "Mira Kell", "Kell", "Mira", "M."},
    {"Mira\tKell", "Mira Kell", "Kell", "Mira", "M."},
    {"Ko\tBo, Mira", "Ko Bo, Mira", "Ko Bo", "Mira", "M."},
    {"M.~ ~Kell", "M.~Kell", "Kell", "M.", "M."},
    {"J. ?nd ~", "J.~?nd", "?nd", "J.", "J."},
    {"Kell, M.~", "M.~Kell", "Kell", "M.", "M."},
    {"Kell, Mira, ", "Mira Kell", "Kell", "Mira", "M."},
    // A given name without a family name keeps its comma.
    {", Mira", ", Mira", "", "Mira", "M."},
    // A name whose rewritten forms would be cut at an "and" stays as written.
    {"Kell~and~Bo", "Kell~and~Bo", "and Bo", "Kell", "K."},
    {"Kell,and Mira", "Kell,and Mira", "Kell", "and Mira", "a.~M."},
    {"and, Mira", "and, Mira", "and", "Mira", "M."},
    {"and Kell", "and Kell", "and Kell", "", ""},
    // A tilde after a backslash is an accent, not a tie between words.
    {"Nu{\\~n}ez, Se{\\'a}n", "Se{\\'a}n Nu{\\~n}ez", "Nu{\\~n}ez", "Se{\\'a}n", "S."},
    {"Ana~Nu{\\~n}ez", "Ana Nu{\\~n}ez", "Nu{\\~n}ez", "Ana", "A."},
    {"In{\\~e}s~Ana Kell", "In{\\~e}s Ana Kell", "Kell", "In{\\~e}s Ana", "I.~A."},
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
// next run: it must give the same parts then, and be written the same way.
TEST(SplitAuthorName, RewrittenNameReadsBackAsTheSameName) {
  for (const NameRow& row : kNameRows) {
    SCOPED_TRACE(row.input);
    Item once = splitList(row.input);
    Item twice = splitList(once.value);
    EXPECT_EQ(twice.authorParts, once.authorParts);
    EXPECT_EQ(twice.value, once.value);
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
       {"Kell", "Mira", "M.", "van Dalen", "Otto", "O."}},
      {"each name rewritten", "Kell, Mira and  Dalen, O. ", "Mira Kell and O.~Dalen",
       {"Kell", "Mira", "M.", "Dalen", "O.", "O."}},
      {"and in any letter case", "Mira Kell AND Otto Dalen aNd Bo", "Mira Kell and Otto Dalen and Bo",
       {"Kell", "Mira", "M.", "Dalen", "Otto", "O.", "Bo", "", ""}},
      {"and between tabs", "Mira Kell\tand\tOtto Dalen", "Mira Kell and Otto Dalen",
       {"Kell", "Mira", "M.", "Dalen", "Otto", "O."}},
      {"braces protect and", "{Kell and Sons} and Kell, {Mira and Bo}",
       "{Kell and Sons} and {Mira and Bo} Kell",
       {"{Kell and Sons}", "", "", "Kell", "{Mira and Bo}", "{Mira and Bo}."}},
      {"a stray closing brace does not open a group", "Kell} and Bo", "Kell} and Bo",
       {"Kell}", "", "", "Bo", "", ""}},
      {"an unclosed brace holds the rest", "Kell and {Bo and Ko", "Kell and {Bo and Ko",
       {"Kell", "", "", "{Bo and Ko", "", ""}},
      {"empty name between separators", "Mira Kell and  and Otto Dalen",
       "Mira Kell and  and Otto Dalen",
       {"Kell", "Mira", "M.", "", "", "", "Dalen", "Otto", "O."}},
      {"two ands share a blank", "Kell and and Dalen", "Kell and  and Dalen",
       {"Kell", "", "", "", "", "", "Dalen", "", ""}},
      {"empty names at both ends", " and Kell and ", " and Kell and ",
       {"", "", "", "Kell", "", "", "", "", ""}},
      {"separator needs white space on both sides", "Kell andOtto and Dalen,and~and Bo",
       "Kell andOtto and Dalen,and~and Bo",
       {"andOtto", "Kell", "K.", "Dalen", "and and Bo", "a.~a.~B."}},
      {"and at the ends of the list", "and Kell and", "and Kell and", {"and Kell and", "", ""}},
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
    Item again = splitList(author.value);
    EXPECT_EQ(again.value, author.value);
    EXPECT_EQ(again.authorParts, author.authorParts);
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
      // A word that begins with a brace group has the whole group as its
      // initial; blanks inside braces separate no words.
      {"brace group", "{M}ira", "{M}.", "{M}ira"},
      {"special character", "{\\\"O}rjan Bo", "{\\\"O}.~B.", "{\\\"O}rjan Bo"},
      {"blanks in braces", "{Mira Anna} L{o u}", "{Mira Anna}.~L.", "{Mira Anna} L{o u}"},
      {"group that never closes", "{Mira Anna", ".", "{Mira Anna"},
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

// The list split in the plainest way: copy the rest of the list after every
// name.
Item splitListByCopying(const std::string& value) {
  Item result;
  std::string rest = value;
  for (char& c : rest)
    if (c == '\n' || c == '\r') c = ' ';
  bool first = true;
  while (true) {
    size_t separator = findNameSeparator(rest, 0);
    std::string name = rest.substr(0, separator);
    std::string given, initials, family;
    splitAuthorName(name, given, initials, family);
    if (!first) result.value += " and ";
    first = false;
    result.value += name;
    result.authorParts.insert(result.authorParts.end(), {family, given, initials});
    if (separator == std::string::npos) break;
    rest = rest.substr(separator + 3);
  }
  return result;
}

TEST(SplitAuthorList, AgreesWithCopyingSplitOnGeneratedLists) {
  const char* const pieces[] = {"Mira", "Kell,", " and ", "  ", "M.", "~",   "{",  "}",
                                "and",  " ",     "van",   ",",  "A.", "\xC3\x89", "\t", "Jr.,",
                                "=",    "given", "{\\\"o}", "-", "\n", " AND "};
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
    // Whatever the list, its rewritten value reads back as the same names.
    Item again = splitList(fast.value);
    EXPECT_EQ(again.authorParts, fast.authorParts);
    EXPECT_EQ(again.value, fast.value);
  }
}

TEST(SplitAuthorList, HundredThousandNames) {
  // Long names make the list 10 MB, so that copying the rest of the list at
  // every name (half a terabyte here) cannot hide behind fast memory.
  const size_t count = 100000;
  const std::string given = "M" + std::string(79, 'm');
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
  EXPECT_EQ(author.authorParts[3 * count - 1], "M.");
  EXPECT_EQ(author.value.substr(0, 95), given + " Kell0 and " + given.substr(0, 4));
}

}  // namespace
}  // namespace pubforge
