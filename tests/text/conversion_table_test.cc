// The conversion table: its rows, and what each of them turns into.
#include "text/conversion_table.h"

#include <gtest/gtest.h>

#include <string>

#include "text/strings.h"

namespace pubforge {
namespace {

std::string encodeUtf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// Each row's form with the character it stands for.  Unless noted, both
// output columns hold that character UTF-8 encoded; the five characters that
// XML reserves become references, and "\#" keeps its backslash in UTF-8.
struct ExpectedRow {
  std::string_view latex;
  char32_t character;
  std::string_view xmlReference = {};
  std::string_view utf8Override = {};
};

constexpr ExpectedRow kExpectedRows[] = {
    {"{\\\"a}", 0x00E4},  // 1
    {"{\\\"o}", 0x00F6},  // 2
    {"{\\\"u}", 0x00FC},  // 3
    {"{\\\"A}", 0x00C4},  // 4
    {"{\\\"O}", 0x00D6},  // 5
    {"{\\\"U}", 0x00DC},  // 6
    {"{\\'a}", 0x00E1},  // 7
    {"{\\'A}", 0x00C1},  // 8
    {"{\\'e}", 0x00E9},  // 9
    {"{\\'E}", 0x00C9},  // 10
    {"{\\'i}", 0x00ED},  // 11
    {"{\\'I}", 0x00CD},  // 12
    {"{\\\"i}", 0x00EF},  // 13
    {"{\\\"I}", 0x00CF},  // 14
    {"{\\'o}", 0x00F3},  // 15
    {"{\\'O}", 0x00D3},  // 16
    {"{\\'u}", 0x00FA},  // 17
    {"{\\'U}", 0x00DA},  // 18
    {"{\\'y}", 0x00FD},  // 19
    {"{\\'Y}", 0x00DD},  // 20
    {"{\\\"y}", 0x00FF},  // 21
    {"{\\\"Y}", 0x0178},  // 22
    {"{\\`a}", 0x00E0},  // 23
    {"{\\`A}", 0x00C0},  // 24
    {"{\\`e}", 0x00E8},  // 25
    {"{\\`E}", 0x00C8},  // 26
    {"{\\`i}", 0x00EC},  // 27
    {"{\\`I}", 0x00CC},  // 28
    {"{\\`o}", 0x00F2},  // 29
    {"{\\`O}", 0x00D2},  // 30
    {"{\\`u}", 0x00F9},  // 31
    {"{\\`U}", 0x00D9},  // 32
    {"{^e}", 0x00EA},  // 33
    {"{^E}", 0x00CA},  // 34
    {"{^u}", 0x00FB},  // 35
    {"{^U}", 0x00DB},  // 36
    {"{^i}", 0x00EE},  // 37
    {"{^I}", 0x00CE},  // 38
    {"{^o}", 0x00F4},  // 39
    {"{^O}", 0x00D4},  // 40
    {"{^a}", 0x00E2},  // 41
    {"{^A}", 0x00C2},  // 42
    {"{~a}", 0x00E3},  // 43
    {"{~A}", 0x00C3},  // 44
    {"{~n}", 0x00F1},  // 45
    {"{~N}", 0x00D1},  // 46
    {"{~o}", 0x00F5},  // 47
    {"{~O}", 0x00D5},  // 48
    {"\\c{s}", 0x015F},  // 49
    {"\\c{S}", 0x015E},  // 50
    {"\\={u}", 0x016B},  // 51
    {"\\={U}", 0x016A},  // 52
    {"\\c{c}", 0x00E7},  // 53
    {"\\C{C}", 0x00C7},  // 54
    {"{\\'c}", 0x0107},  // 55
    {"{\\'C}", 0x0106},  // 56
    {"\\v{c}", 0x010D},  // 57
    {"\\v{C}", 0x010C},  // 58
    {"\\v{e}", 0x011B},  // 59
    {"\\v{E}", 0x011A},  // 60
    {"\\v{r}", 0x0159},  // 61
    {"\\v{R}", 0x0158},  // 62
    {"\\v{s}", 0x0161},  // 63
    {"\\v{S}", 0x0160},  // 64
    {"\\v{z}", 0x017E},  // 65
    {"\\v{Z}", 0x017D},  // 66
    {"{\\ae}", 0x00E6},  // 67
    {"{\\AE}", 0x00C6},  // 68
    {"{\\o}", 0x00F8},  // 69
    {"{\\O}", 0x00D8},  // 70
    {"\\r{a}", 0x00E5},  // 71
    {"{\\aa}", 0x00E5},  // 72
    {"\\r{A}", 0x00C5},  // 73
    {"{\\AA}", 0x00C5},  // 74
    {"<", 0x003C, "&lt;"},  // 75
    {">", 0x003E, "&gt;"},  // 76
    {"\\\"", 0x0022, "&quot;"},  // 77
    {"&", 0x0026, "&amp;"},  // 78
    {"'", 0x0027, "&apos;"},  // 79
    {"--", 0x2013},  // 80
    {"\\#", 0x0023, {}, "\\#"},  // 81
};

TEST(ConversionTableTest, HoldsTheRowsInOrder) {
  ASSERT_EQ(std::size(kExpectedRows), kConversionRowCount);
  ASSERT_EQ(ConversionTable.size(), kConversionRowCount);
  for (std::size_t i = 0; i < kConversionRowCount; ++i) {
    const ExpectedRow& want = kExpectedRows[i];
    SCOPED_TRACE("row " + std::to_string(i + 1) + " " + std::string(want.latex));
    const std::string character = encodeUtf8(want.character);
    EXPECT_EQ(ConversionTable[i].latex, want.latex);
    EXPECT_EQ(ConversionTable[i].utf8,
              want.utf8Override.empty() ? character : std::string(want.utf8Override));
    EXPECT_EQ(ConversionTable[i].xml,
              want.xmlReference.empty() ? character : std::string(want.xmlReference));
  }
}

// Converting a form on its own yields its row's text, whatever the
// no-break-space and line-break texts are: the tilde rows are consumed before
// tildes are replaced.
TEST(ConversionTableTest, EveryRowConvertsToItsOwnText) {
  for (std::size_t i = 0; i < kConversionRowCount; ++i) {
    const ConversionRow& row = ConversionTable[i];
    SCOPED_TRACE("row " + std::to_string(i + 1) + " " + std::string(row.latex));
    EXPECT_EQ(convertLatex(row.latex, " ", "\n", false), row.utf8);
    EXPECT_EQ(convertLatex(row.latex, " ", "\n", true), row.xml);
    EXPECT_EQ(convertLatex(row.latex, "NBSP", "", false), row.utf8);
    EXPECT_EQ(convertLatex(row.latex, "", "<br/>", true), row.xml);
    EXPECT_EQ(latexToXml(row.latex), row.xml);
  }
}

TEST(ConversionTableTest, FindsTheFormThatBeginsAtAPosition) {
  struct Case {
    const char* name;
    std::string_view text;
    std::size_t pos;
    std::size_t row;  // 1-based; 0 for none
  };
  const Case cases[] = {
      {"form at start", "{\\\"a}x", 0, 1},
      {"form inside", "ab\\v{z}", 2, 65},
      {"last row", "\\#", 0, 81},
      {"braced row before its inner escaped quote", "{\\\"o}", 0, 2},
      {"inner escaped quote alone", "{\\\"o}", 1, 77},
      {"form cut by the end", "{\\\"a", 0, 0},
      {"no form", "abc", 1, 0},
      {"position at the end", "ab", 2, 0},
      {"lower-case cedilla before capital", "\\c{C}", 0, 0},
      {"en dash", "a---", 1, 80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t want = c.row == 0 ? kNoConversionRow : c.row - 1;
    EXPECT_EQ(findConversionRow(c.text, c.pos), want);
  }
}

TEST(ConversionTableTest, MarksTheBytesThatBeginForms) {
  for (int byte = 0; byte < 256; ++byte) {
    bool begins = false;
    for (const ConversionRow& row : ConversionTable) {
      begins = begins || static_cast<unsigned char>(row.latex[0]) == byte;
    }
    EXPECT_EQ(kConversionFormStart[byte], begins) << "byte " << byte;
  }
}

}  // namespace
}  // namespace pubforge
