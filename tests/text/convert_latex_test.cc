// convertLatex and latexToXml: the conversion rules, and the single pass
// compared with the row-by-row conversion on many generated values.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "reference_conversion.h"
#include "text_check_util.h"
#include "text/conversion_table.h"
#include "text/strings.h"

namespace pubforge {
namespace {

using namespace std::string_view_literals;
using textcheck::visible;

struct ConversionCase {
  const char* name;
  std::string_view text;
  std::string_view nbsp;
  std::string_view linebreak;
  bool xmlStyle;
  std::string_view expected;
};

const ConversionCase kUtf8Cases[] = {
    {"accent, en dash and tilde", "M{\\\"u}ller--Schmidt~Verlag", " ", "\n", false,
     "M\xC3\xBCller\xE2\x80\x93Schmidt Verlag"},
    {"em dash is an en dash and a hyphen", "1---2", " ", "\n", false, "1\xE2\x80\x93-2"},
    {"braces outside the table stay", "The {LaTeX} Book", " ", "\n", false, "The {LaTeX} Book"},
    {"unknown command stays", "\\textit{word}", " ", "\n", false, "\\textit{word}"},
    {"escaped braces lose the backslash", "\\{x\\}", " ", "\n", false, "{x}"},
    {"doubled backslash becomes one", "a\\\\b", " ", "\n", false, "a\\b"},
    {"command beginning with n is cut up", "\\newblock x", " ", "\n", false, "\newblock x"},
    {"backslash before number sign stays", "\\#1", " ", "\n", false, "\\#1"},
    {"backslash before ampersand stays", "A\\&B", " ", "\n", false, "A\\&B"},
    {"escaped double quote", "\\\"q\\\"", " ", "\n", false, "\"q\""},
    {"plain double quote passes", "say \"hi\"", " ", "\n", false, "say \"hi\""},
    {"reserved characters stay in UTF-8", "a<b>&'c'", " ", "\n", false, "a<b>&'c'"},
    {"two forms for a with ring", "{\\aa}\\r{a}{\\AA}\\r{A}", " ", "\n", false,
     "\xC3\xA5\xC3\xA5\xC3\x85\xC3\x85"},
    {"capital cedilla command", "\\C{C}", " ", "\n", false, "\xC3\x87"},
    {"lower-case cedilla command on capital is not in the table", "\\c{C}", " ", "\n", false,
     "\\c{C}"},
    {"circumflex with backslash is not in the table", "{\\^e}", " ", "\n", false, "{\\^e}"},
    {"tilde with backslash: the tilde becomes nbsp, then the escape", "\\~{n}", " ", "\n",
     false, " {n}"},
    {"tilde rows come before the nbsp step", "{~n}~", "X", "\n", false, "\xC3\xB1X"},
    {"empty nbsp keeps tildes", "a~b~", "", "\n", false, "a~b~"},
    {"nbsp text", "a~b", "&nbsp;", "\n", false, "a&nbsp;b"},
    {"line feed inside nbsp becomes a line break", "a~b", "\n", "<br>", false, "a<br>b"},
    {"empty linebreak removes line feeds", "a\nb\n", " ", "", false, "ab"},
    {"linebreak text", "a\nb", " ", "<br/>", false, "a<br/>b"},
    {"escapes in linebreak are resolved", "a\nb", " ", "\\n", false, "a\nb"},
    {"escapes in nbsp are resolved", "a~b", "\\x41", "\n", false, "aAb"},
    {"line feed made from an escape stays", "a\\nb", " ", "<br>", false, "a\nb"},
    {"carriage returns are not touched", "a\r\nb", " ", "", false, "a\rb"},
    {"hexadecimal escape", "\\x41\\x4", " ", "\n", false, "A4"},
    {"backslash before a converted form", "\\{\\\"a}", " ", "\n", false, "\\\xC3\xA4"},
    {"NUL bytes do not cut the value", "a\0~b\0"sv, " ", "\n", false, "a\0 b\0"sv},
    {"UTF-8 passes unchanged", "\xC3\x86r\xC3\xB8 \xE2\x82\xAC", " ", "\n", false,
     "\xC3\x86r\xC3\xB8 \xE2\x82\xAC"},
    {"empty value", "", " ", "\n", false, ""},
};

const ConversionCase kXmlCases[] = {
    {"reserved characters become references", "a<b>c&d'e", "&#160;", "\n", true,
     "a&lt;b&gt;c&amp;d&apos;e"},
    {"escaped double quote", "\\\"q\\\"", "&#160;", "\n", true, "&quot;q&quot;"},
    {"inserted references are not escaped again", "<\\\">&", "&#160;", "\n", true,
     "&lt;&quot;&gt;&amp;"},
    {"an ampersand of the value is always escaped", "&lt;&quot;&#160;", "&#160;", "\n", true,
     "&amp;lt;&amp;quot;&amp;#160;"},
    {"diaeresis rows come before the escaped quote", "{\\\"a}{\\\"Y}", "&#160;", "\n", true,
     "\xC3\xA4\xC5\xB8"},
    {"number sign loses its backslash", "\\#1", "&#160;", "\n", true, "#1"},
    {"backslash before ampersand stays, the ampersand is escaped", "A\\&B", "&#160;", "\n",
     true, "A\\&amp;B"},
    {"plain double quote passes", "\"x\"", "&#160;", "\n", true, "\"x\""},
    {"nbsp is not escaped", "a~b", "&#160;", "\n", true, "a&#160;b"},
    {"en dash", "1--2", "&#160;", "\n", true, "1\xE2\x80\x93" "2"},
    {"escapes are resolved after escaping", "\\x26\\x3c", "&#160;", "\n", true, "&<"},
};

void checkCases(const ConversionCase* begin, const ConversionCase* end) {
  for (const ConversionCase* c = begin; c != end; ++c) {
    SCOPED_TRACE(c->name);
    EXPECT_EQ(visible(convertLatex(c->text, c->nbsp, c->linebreak, c->xmlStyle)),
              visible(c->expected));
  }
}

TEST(ConvertLatexTest, Utf8Rules) { checkCases(std::begin(kUtf8Cases), std::end(kUtf8Cases)); }

TEST(ConvertLatexTest, XmlRules) { checkCases(std::begin(kXmlCases), std::end(kXmlCases)); }

TEST(ConvertLatexTest, LatexToXmlUsesXmlTextNbspAndKeepsLineFeeds) {
  EXPECT_EQ(latexToXml("a~b\nc<{\\'e}"), "a&#160;b\nc&lt;\xC3\xA9");
  EXPECT_EQ(latexToXml("\\#&"), "#&amp;");
}

// ---------------------------------------------------------------------------
// Single pass against the rows one by one.
// ---------------------------------------------------------------------------

constexpr std::string_view kNbspTexts[] = {
    "", " ", "~", "&#160;", "\\n", "\n", "x\\", "\\", "\\x4", "{\\\"a}", "\\\\",
};
constexpr std::string_view kLinebreakTexts[] = {
    "", "\n", "<br/>", "\\n", "\\", "~", "\r\n", "\\\\", "&", "x\\",
};

// Values built from the pieces that interact in the conversion: whole forms,
// cut forms, braces, backslashes, tildes, line feeds, ampersands, quotes,
// escapes, references and multi-byte UTF-8 (also broken sequences).
class ValueGenerator {
 public:
  explicit ValueGenerator(std::uint32_t seed) : rng_(seed) {}

  std::string next() {
    std::string value;
    const std::size_t pieces = below(24);
    for (std::size_t i = 0; i < pieces; ++i) value += piece();
    return value;
  }

 private:
  std::size_t below(std::size_t n) { return rng_() % n; }

  std::string piece() {
    static constexpr std::string_view kBytes = "{}\\~\n&\"'<>-#^`=xnaeAOv0f9 \t\r\0"sv;
    static constexpr std::string_view kChunks[] = {
        "\\x41", "\\x4", "\\xzz", "\\x-1", "\\x 7", "\\x", "&lt;", "&#160;", "\\\\", "\\n",
        "\\c{C}", "{\\^e}", "\\textit{a}", "---", "\\\"", "{\\", "\\{", "}}", "{{",
    };
    static constexpr std::string_view kUtf8[] = {
        "\xC3\xA4", "\xE2\x80\x93", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC3", "\x80",
    };
    switch (below(10)) {
      case 0:
      case 1:
      case 2:
        return std::string(ConversionTable[below(kConversionRowCount)].latex);
      case 3: {
        const std::string_view form = ConversionTable[below(kConversionRowCount)].latex;
        const std::size_t start = below(form.size());
        return std::string(form.substr(start, 1 + below(form.size() - start)));
      }
      case 4:
      case 5:
      case 6:
      case 7:
        return std::string(1, kBytes[below(kBytes.size())]);
      case 8:
        return std::string(kChunks[below(std::size(kChunks))]);
      default:
        return std::string(kUtf8[below(std::size(kUtf8))]);
    }
  }

  std::mt19937 rng_;
};

// Returns false (and reports) when the two conversions differ.
bool sameAsRows(std::string_view text, std::string_view nbsp, std::string_view linebreak,
                bool xmlStyle) {
  const std::string fast = convertLatex(text, nbsp, linebreak, xmlStyle);
  const std::string rows = reference::convertLatexByRows(text, nbsp, linebreak, xmlStyle);
  // Appending leaves what came before alone, escapes included.
  std::string appended = "\\x41\\";
  appendConvertedLatex(appended, text, nbsp, linebreak, xmlStyle);
  EXPECT_EQ(appended, "\\x41\\" + rows) << "appended to a text with escapes: [" << visible(text)
                                        << "]";
  // Converting into a buffer replaces what it held.
  std::string reused = "\\x41\\";
  convertLatexInto(reused, text, nbsp, linebreak, xmlStyle);
  EXPECT_EQ(reused, rows) << "converted into a used buffer: [" << visible(text) << "]";
  if (fast == rows) return true;
  ADD_FAILURE() << "value [" << visible(text) << "] nbsp [" << visible(nbsp) << "] linebreak ["
                << visible(linebreak) << "] " << (xmlStyle ? "XML" : "UTF-8") << "\n  single pass ["
                << visible(fast) << "]\n  row by row  [" << visible(rows) << "]";
  return false;
}

// Values where a careless single pass would part from the rows: overlapping
// forms, forms inside forms, forms cut by braces, and escapes that span a
// replaced piece.
constexpr std::string_view kTrickyValues[] = {
    "{\\\"a}}", "{{\\\"a}", "\\{\\\"a}", "{\\\"\\\"a}", "\\c{\\v{s}}", "-{~n}-", "{~{~n}}",
    "{\\'{\\'a}}", "\\\\#", "\\\\\\#", "&&lt;", "\\\"\\\"", "{\\\"}", "\\x5c\\x5c", "\\\\x41",
    "{\\a{\\aa}e}", "--{\\\"a}--", "~\n~\\", "\\", "\\~", "\\\n", "{\\'", "\\v{", "'{\\'e}'",
    "----", "\\--", "\\<", "\\x3c", "&\\\"&", "{^{\\^e}}", "\\r{\\r{a}}", "{\\o}}{\\O}",
};

TEST(ConvertLatexTest, TrickyValuesMatchTheRows) {
  for (std::string_view text : kTrickyValues) {
    for (bool xmlStyle : {false, true}) {
      for (std::string_view nbsp : kNbspTexts) {
        for (std::string_view linebreak : kLinebreakTexts) {
          sameAsRows(text, nbsp, linebreak, xmlStyle);
        }
      }
    }
  }
}

TEST(ConvertLatexTest, GeneratedValuesMatchTheRows) {
  ValueGenerator values(20240611);
  std::mt19937 pick(7);
  int failures = 0;
  for (int i = 0; i < 60000 && failures < 10; ++i) {
    const std::string text = values.next();
    for (bool xmlStyle : {false, true}) {
      // The settings that the program uses, then a random pair.
      const std::string_view nbsp = xmlStyle ? "&#160;" : " ";
      if (!sameAsRows(text, nbsp, "\n", xmlStyle)) ++failures;
      const std::string_view otherNbsp = kNbspTexts[pick() % std::size(kNbspTexts)];
      const std::string_view otherBreak = kLinebreakTexts[pick() % std::size(kLinebreakTexts)];
      if (!sameAsRows(text, otherNbsp, otherBreak, xmlStyle)) ++failures;
    }
  }
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace pubforge
