// convertLatexPlain: every construct that it turns into text, the malformed
// values it must survive, its settings, and properties checked on many
// generated values.
#include "text/plain_text.h"

#include <gtest/gtest.h>

#include <utf8proc.h>

#include <cstdlib>
#include <random>
#include <string>

#include "text/latex_commands.h"
#include "text/strings.h"
#include "text_check_util.h"

namespace pubforge {
namespace {

using namespace std::string_view_literals;
using textcheck::visible;
using textcheck::xmlEscape;

struct PlainCase {
  const char* name;
  std::string_view text;
  std::string_view expected;
};

// UTF-8 output with the no-break-space text "_" and the line-break text "|",
// so that both show.
std::string plain(std::string_view text) { return convertLatexPlain(text, "_", "|", false); }

void checkCases(const PlainCase* begin, const PlainCase* end) {
  for (const PlainCase* c = begin; c != end; ++c) {
    SCOPED_TRACE(c->name);
    SCOPED_TRACE(visible(c->text));
    EXPECT_EQ(visible(plain(c->text)), visible(c->expected));
  }
}

const PlainCase kAccentCases[] = {
    {"braced command inside braces", "{\\\"o}", "ö"},
    {"bare letter", "\\\"o", "ö"},
    {"braced letter", "\\\"{o}", "ö"},
    {"braced letter inside braces", "{\\\"{o}}", "ö"},
    {"letter inside nested braces", "\\\"{{{o}}}", "ö"},
    {"acute", "\\'e", "é"},
    {"grave", "\\`a", "à"},
    {"circumflex", "\\^o", "ô"},
    {"tilde", "\\~n", "ñ"},
    {"macron", "\\=a", "ā"},
    {"dot above", "\\.{z}", "ż"},
    {"breve", "\\u{g}", "ğ"},
    {"caron", "\\v{s}", "š"},
    {"double acute", "\\H{o}", "ő"},
    {"cedilla", "\\c{c}", "ç"},
    {"dot below", "\\d{s}", "ṣ"},
    {"macron below", "\\b{t}", "ṯ"},
    {"ring above", "\\r{u}", "ů"},
    {"ogonek", "\\k{a}", "ą"},
    {"capital letters compose too", "\\v{S}\\k{A}\\.{Z}", "ŠĄŻ"},
    {"capital cedilla command", "\\C{C}", "Ç"},
    {"comma below", "\\textcommabelow{s}", "ș"},
    {"command word with a blank before its letter", "\\v s", "š"},
    {"no precomposed character: combining mark", "\\v{x}", "x\u030C"},
    {"accent on a multi-byte letter", "\\'\\o", "ǿ"},
    {"accent on a UTF-8 letter", "\\=\xC3\xA6", "ǣ"},
    {"two accents: the inner one first", "\\'{\\^e}", "ế"},
    {"two bare accents", "\\'\\^e", "ế"},
    {"accent on dotless i", "\\'\\i", "í"},
    {"accent on braced dotless i", "\\\"{\\i}", "ï"},
    {"accent on dotless j", "\\v\\j", "ǰ"},
    {"dotless i without a precomposed form keeps no dot", "\\H{\\i}", "ı\u030B"},
    {"only the first letter of the argument", "\\\"{ab}", "äb"},
    {"accent inside a word", "Erd\\H{o}s G\\\"odel", "Erdős Gödel"},
    {"old circumflex form", "{^e}", "ê"},
    {"old tilde form", "{~n}", "ñ"},
    {"tilde with an empty argument is a tilde", "http://a.b/\\~{}user", "http://a.b/~user"},
    {"circumflex with an empty argument", "x\\^{}2", "x^2"},
    {"accent at the end stands for itself", "a\\\"", "a\""},
    {"letter accent at the end", "a\\v", "aˇ"},
    {"accent before a closing brace", "{a\\'}b", "a'b"},
    // An accent symbol reaches its letter over blanks, as a word accent does.
    {"accent symbol across a blank", "\\\" quoted", "q\u0308uoted"},
    {"accent symbol across blanks", "Matou\\v s{\\'  e}k \\\"  o", "Matou\u0161\u00E9k \u00F6"},
    {"accent symbol across a blank onto a group", "\\' {e}", "\u00E9"},
    {"accent before a blank and a digit", "\\\" 1", "\" 1"},
    {"accent before a blank at the end", "a\\' ", "a' "},
    {"accent before a tilde", "\\'~x", "'_x"},
    {"accent before a line feed", "\\'\nx", "'|x"},
    {"accent before an unknown command", "\\'\\zz", "'zz"},
};

const PlainCase kLetterCases[] = {
    {"sharp s swallows the blank after it", "Stra\\ss e", "Straße"},
    {"letters in braces", "{\\ss}{\\ae}{\\AE}{\\oe}{\\OE}{\\o}{\\O}", "ßæÆœŒøØ"},
    {"more letters", "\\l{} \\L{} \\i{} \\j{} \\aa{} \\AA{} \\dh{} \\th{} \\ng",
     "ł Ł ı ȷ å Å ð þ ŋ"},
    {"reserved characters", "\\&\\%\\$\\#\\_\\{\\}", "&%$#_{}"},
    {"dash commands", "1\\textendash 2\\textemdash 3", "1–2—3"},
    {"quote command", "Don\\textquoteright t", "Don’t"},
    {"logos", "\\LaTeX{} and \\TeX\\ macros", "LaTeX and TeX macros"},
    {"symbols that bibliography managers write", "50\\textasciitilde 60 \\textbackslash x",
     "50~60 \\x"},
    {"math letters", "$\\alpha$-$\\beta$", "α-β"},
    {"control space", "a\\ b", "a b"},
    {"line break command", "a\\\\b", "a|b"},
};

const PlainCase kLigatureCases[] = {
    {"em dash", "a---b", "a—b"},
    {"en dash", "1--2", "1–2"},
    {"four hyphens", "a----b", "a—-b"},
    {"single hyphen", "well-known", "well-known"},
    {"double quotes", "``Text''", "“Text”"},
    {"single quotes stay", "`a' b's", "`a' b's"},
    {"tilde is the no-break space", "D.~E.~Knuth", "D._E._Knuth"},
};

const PlainCase kCommandCases[] = {
    {"text commands", "\\textit{a} \\emph{b} \\textbf{c} \\textsc{d} \\mbox{e}", "a b c d e"},
    {"font switches", "{\\em a} {\\it b} {\\bf c}", "a b c"},
    {"url keeps its tilde and loses escapes",
     "\\url{http://x.org/~u/a_b\\_c%20--d}", "http://x.org/~u/a_b_c%20--d"},
    {"url without a closing brace", "\\url{http://x", "http://x"},
    {"url without an argument prints its name", "\\url x", "url x"},
    {"relax and italic correction", "a\\relax b\\/c", "abc"},
    {"link shows its text", "\\href{http://x.org/~u}{the page}", "the page"},
    {"sort key is not shown", "{\\noopsort{1973b}}1972", "1972"},
    {"unknown command with an argument", "\\ourmethod{X} and \\textcolor{red}",
     "X and red"},
    {"unknown command with a blank before its argument", "\\foo {x}", "x"},
    {"unknown command without an argument prints its name and its blank", "a \\foo b",
     "a foo b"},
    {"unknown command with an empty argument prints its name", "How \\Foo{} changed",
     "How Foo changed"},
    {"unknown command before a blank and an empty argument", "\\Foo {}x", "Foox"},
    {"unknown control symbol prints its character", "a\\+b\\*", "a+b*"},
    {"program escapes are commands here", "\\n \\x41 \\newblock", "n x41 "},
    {"case-protecting braces", "{{Unifying Framework}} for {DNA}", "Unifying Framework for DNA"},
    {"math span loses its dollars", "the $k$-th $O(n)$", "the k-th O(n)"},
    {"display math", "$$x$$", "x"},
    {"math delimiters with a backslash", "Radix-2\\({}^{\\mbox{k}}\\) \\[x\\]", "Radix-2^k x"},
    {"escaped dollar inside a math span", "$\\$5$", "$5"},
    {"lone dollar stays", "costs 5$", "costs 5$"},
    {"third dollar stays", "$a$ b$", "a b$"},
};

const PlainCase kMalformedCases[] = {
    {"empty value", "", ""},
    {"lone backslash at the end: a cut control space", "abc\\", "abc"},
    {"only a backslash", "\\", ""},
    {"accent before a lone backslash at the end", "\\'\\", "'"},
    {"unclosed brace", "{abc", "abc"},
    {"stray closing brace", "a}b}", "ab"},
    {"unclosed accent argument", "\\\"{o", "ö"},
    {"empty accent argument then a letter", "\\\"{}o", "\"o"},
    {"accent with an unclosed empty argument", "\\'{", "'"},
    {"deeply nested braces", "{{{{{{{{a}}}}}}}}", "a"},
    {"NUL bytes stay", "a\0b\\\"\0c"sv, "a\0b\0\u0308c"sv},
    {"UTF-8 passes", "Ærø € 😀", "Ærø € 😀"},
    {"broken UTF-8 passes", "\xC3 \x80\xE2\x82", "\xC3 \x80\xE2\x82"},
    {"accent on broken UTF-8 keeps the bytes", "\\'\xC3", "\xC3\u0301"},
    {"backslash before a UTF-8 letter", "\\\xC3\xA9", "\xC3\xA9"},
    {"carriage return stays", "a\r\nb", "a\r|b"},
};

// The logos and typesetting commands of the TeX user groups' bibliographies.
const PlainCase kTypesettingCases[] = {
    {"logo with an empty group", "How \\AllTeX{} changed the face", "How (La)TeX changed the face"},
    {"logos keep the blank after them", "\\MF and \\MP, \\ConTeXt, \\LuaTeX, \\XeTeX",
     "METAFONT and METAPOST, ConTeXt, LuaTeX, XeTeX"},
    {"names", "\\BibTeX\\ in \\TUB{} from \\TUG, \\AMS, \\CTAN, \\PS{} and \\PDF",
     "BibTeX in TUGboat from TUG, AMS, CTAN, PostScript and PDF"},
    {"slash joins", "semantic\\slash active", "semantic/active"},
    {"dash", "TeX\\Dash the program", "TeX—the program"},
    {"kern with its dimension", "T\\kern-.1667em\\lower.5ex\\hbox{E}\\kern -0.125em X", "TEX"},
    {"kern with a blank before the unit", "a\\kern 2 pt  b", "a b"},
    {"the blank after the unit belongs to it", "a\\kern1truecm b", "ab"},
    {"kern with a register", "a\\kern\\parindent b a\\kern2\\parindent c", "ab ac"},
    {"kern without a dimension goes alone", "a\\kern b", "ab"},
    {"hskip with its stretch", "a\\hskip 0pt plus 1fill minus 2pt  b", "a b"},
    {"hskip without a unit", "a\\hskip 3 b", "a3 b"},
    {"hspace with its braced length", "a\\hspace{1em}b\\hspace*{2em}c", "abc"},
    {"thin spaces", "1\\,000 a\\;b a\\:b a\\!b", "1\u2009000 a b a b ab"},
    {"control space after initials", "A. L.\\ Thiele", "A. L. Thiele"},
    {"end of sentence mark", "TUG\\@. Next", "TUG. Next"},
    {"phantom hides its argument", "Erd\\vphantom{x}os\\phantom", "Erdos"},
    {"math fonts", "$\\mathscr V(\\bold M_3)$", "V(M\u2083)"},
};

// Scripts in math.
const PlainCase kScriptCases[] = {
    {"braced superscript", "$10^{3}$", "10\u00B3"},
    {"single-character subscripts", "Fe$_2$O$_3$", "Fe\u2082O\u2083"},
    {"signs and parentheses", "$x^{-(1+2)=0}$ $a_{(+-=)}$",
     "x\u207B\u207D\u00B9\u207A\u00B2\u207E\u207C\u2070 a\u208D\u208A\u208B\u208C\u208E"},
    {"blanks inside a script", "$x^ {1 2}$", "x\u00B9\u00B2"},
    {"other scripts stay without their braces", "$A^*$ $h^{max}$ $x_{i,j}$ $x^\\prime$",
     "A^* h^max x_i,j x^\u2032"},
    {"a script of two groups", "$x^{2}{3}$", "x\u00B23"},
    {"empty script", "$x^{}$", "x^"},
    {"unclosed script", "$x^{2$", "x^2"},
    {"script at the end", "$x^$", "x^"},
    {"outside math they are characters", "a_1 b^2 file_name", "a_1 b^2 file_name"},
    {"math by backslash delimiters", "\\(x^2\\) y^2 \\[z_1\\]", "x\u00B2 y^2 z\u2081"},
    {"math by ensuremath", "\\ensuremath{x^2}y^2", "x\u00B2y^2"},
    {"ensuremath inside math", "$\\ensuremath{a^2}b^2$", "a\u00B2b\u00B2"},
    {"textsuperscript", "1\\textsuperscript{st} 10\\textsuperscript{3} H\\textsubscript{2}O",
     "1st 10\u00B3 H\u2082O"},
    {"textsuperscript without an argument", "a\\textsuperscript b", "ab"},
};

TEST(PlainTextTest, TypesettingCommands) {
  checkCases(std::begin(kTypesettingCases), std::end(kTypesettingCases));
}

TEST(PlainTextTest, ScriptsInMath) {
  checkCases(std::begin(kScriptCases), std::end(kScriptCases));
}

TEST(PlainTextTest, Accents) { checkCases(std::begin(kAccentCases), std::end(kAccentCases)); }

// The composed letters that the conversion takes from its own table are the
// characters that Unicode composition gives, for every accent on every ASCII
// letter; where Unicode has none, the letter keeps the combining mark.
TEST(PlainTextTest, AccentsComposeAsUnicodeDoes) {
  for (std::string_view accent : {"'", "`", "^", "\"", "~", "=", ".", "u", "v", "H", "c", "C", "d",
                                  "b", "r", "k", "t", "textcommabelow", "ocirc"}) {
    const LatexCommand* command = findLatexCommand(accent);
    ASSERT_NE(command, nullptr) << accent;
    for (char letter = 'A'; letter <= 'z'; ++letter) {
      if (letter > 'Z' && letter < 'a') continue;
      const std::string joined = std::string(1, letter) + std::string(command->mark);
      utf8proc_uint8_t* composed = nullptr;
      const utf8proc_ssize_t length = utf8proc_map(
          reinterpret_cast<const utf8proc_uint8_t*>(joined.data()),
          static_cast<utf8proc_ssize_t>(joined.size()), &composed,
          static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
      ASSERT_GT(length, 0);
      const std::string expected(reinterpret_cast<const char*>(composed),
                                 static_cast<std::size_t>(length));
      std::free(composed);
      SCOPED_TRACE(std::string(accent) + letter);
      EXPECT_EQ(visible(plain("\\" + std::string(accent) + "{" + letter + "}")), visible(expected));
    }
  }
}

TEST(PlainTextTest, LettersAndSymbols) {
  checkCases(std::begin(kLetterCases), std::end(kLetterCases));
}

TEST(PlainTextTest, Ligatures) {
  checkCases(std::begin(kLigatureCases), std::end(kLigatureCases));
}

TEST(PlainTextTest, CommandsBracesAndMath) {
  checkCases(std::begin(kCommandCases), std::end(kCommandCases));
}

TEST(PlainTextTest, MalformedValues) {
  checkCases(std::begin(kMalformedCases), std::end(kMalformedCases));
}

struct SettingsCase {
  const char* name;
  std::string_view text;
  std::string_view nbsp;
  std::string_view linebreak;
  bool xmlStyle;
  std::string_view expected;
};

const SettingsCase kSettingsCases[] = {
    {"XML references", "a<b>c&d\"e'f", "&#160;", "\n", true,
     "a&lt;b&gt;c&amp;d&quot;e&apos;f"},
    {"XML: reserved characters from commands are escaped", "\\&\\textless x\\textgreater",
     "&#160;", "\n", true, "&amp;&lt;x&gt;"},
    {"XML: an accent standing alone is escaped", "\\\"", "&#160;", "\n", true, "&quot;"},
    {"XML: an unknown control symbol is escaped", "\\<", "&#160;", "\n", true, "&lt;"},
    {"XML: a URL is escaped", "\\url{a?b&c}", "&#160;", "\n", true, "a?b&amp;c"},
    {"XML: the no-break space and line break go in as they are", "a~b\nc", "&#160;", "<br/>",
     true, "a&#160;b<br/>c"},
    {"XML: ligatures", "``a''--b", "&#160;", "\n", true, "“a”–b"},
    {"empty no-break space keeps tildes", "a~b", "", "\n", false, "a~b"},
    {"empty line break removes line feeds", "a\nb\n", " ", "", false, "ab"},
    {"escapes in the line break are resolved", "a\nb", " ", "\\n", false, "a\nb"},
    {"escapes in the no-break space are resolved", "a~b", "\\x41", "\n", false, "aAb"},
    {"a line feed in the no-break space becomes a line break", "a~b", "\n", "<br>", false,
     "a<br>b"},
    {"escapes of the value are not resolved", "\\x41", " ", "\n", false, "x41"},
};

TEST(PlainTextTest, Settings) {
  for (const SettingsCase& c : kSettingsCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(visible(convertLatexPlain(c.text, c.nbsp, c.linebreak, c.xmlStyle)),
              visible(c.expected));
  }
}

TEST(PlainTextTest, ConverterIsPickedByTheFlag) {
  const std::string_view value = "{\\\"o}~\\textit{x}<";
  for (bool xmlStyle : {false, true}) {
    EXPECT_EQ(convertValue(value, " ", "\n", xmlStyle, false),
              convertLatex(value, " ", "\n", xmlStyle));
    EXPECT_EQ(convertValue(value, " ", "\n", xmlStyle, true),
              convertLatexPlain(value, " ", "\n", xmlStyle));
  }
  EXPECT_EQ(valueToXml(value, false), latexToXml(value));
  EXPECT_EQ(valueToXml(value, true), "ö&#160;x&lt;");
}

// ---------------------------------------------------------------------------
// Properties on generated values.
// ---------------------------------------------------------------------------

std::string generate(std::mt19937& rng, std::string_view alphabet,
                     std::initializer_list<std::string_view> chunks) {
  std::string value;
  const std::size_t pieces = rng() % 30;
  for (std::size_t i = 0; i < pieces; ++i) {
    if (chunks.size() > 0 && rng() % 3 == 0) {
      value += chunks.begin()[rng() % chunks.size()];
    } else {
      value += alphabet[rng() % alphabet.size()];
    }
  }
  return value;
}

TEST(PlainTextTest, TextWithoutLatexComesOutUnchanged) {
  std::mt19937 rng(11);
  constexpr std::string_view kAlphabet = "<>&\"abcXYZ019 \t\r.,;:!?()[]/@*+=_%#^|\0\x7F"sv;
  for (int i = 0; i < 5000; ++i) {
    const std::string value = generate(
        rng, kAlphabet, {"\xC3\xA4", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC3", "\x80"});
    ASSERT_EQ(visible(convertLatexPlain(value, " ", "\n", false)), visible(value));
    ASSERT_EQ(convertLatexPlain(value, "&#160;", "\n", true), xmlEscape(value));
  }
}

// isPlainText promises that the conversion may be skipped: on every value it
// accepts, whatever the settings, the conversion changes nothing.
TEST(PlainTextTest, IsPlainTextOnlyForValuesTheConversionKeeps) {
  EXPECT_TRUE(isPlainText("Plain <words> & \"quotes\" 19:20 \xC3\xA4"));
  for (std::string_view latex : {"{a}", "a~b", "a\nb", "a--b", "``a", "a''", "$x$", "\\'e"}) {
    SCOPED_TRACE(latex);
    EXPECT_FALSE(isPlainText(latex));
  }
  std::mt19937 rng(13);
  constexpr std::string_view kAlphabet = "&\"<>^ aeiou.\0\xC3\xA9"sv;
  for (int i = 0; i < 5000; ++i) {
    // Mostly plain bytes, now and then one with a meaning in LaTeX.
    const std::string value =
        generate(rng, kAlphabet, {"{", "}", "\\", "~", "\n", "-", "'", "`", "$"});
    if (!isPlainText(value)) continue;
    ASSERT_EQ(visible(convertLatexPlain(value, "_", "|", false)), visible(value));
  }
}

// The XML text is the UTF-8 text with its reserved characters escaped, for
// any value: composing and escaping never interfere.
TEST(PlainTextTest, XmlOutputIsTheEscapedUtf8Output) {
  std::mt19937 rng(12);
  constexpr std::string_view kAlphabet = "{}\\~\n&\"'<>-`$^ aeiouv.=xA\0\xC3\xA9"sv;
  for (int i = 0; i < 20000; ++i) {
    const std::string value =
        generate(rng, kAlphabet,
                 {"\\\"", "\\'", "\\v", "\\i", "\\url{", "\\href{", "\\textit{", "\\foo", "\\\\",
                  "\\&", "\\<", "$", "---", "``", "''", "{^e}", "\\ss", "\\textless"});
    ASSERT_EQ(visible(convertLatexPlain(value, " ", "\n", true)),
              visible(xmlEscape(convertLatexPlain(value, " ", "\n", false))))
        << visible(value);
  }
}

// Values built to expose work that grows faster than the value: the test's
// time-out catches a quadratic pass.
TEST(PlainTextTest, LongValuesTakeLinearTime) {
  const std::size_t n = 1 << 20;
  const std::string nested = std::string(n, '{') + "a" + std::string(n, '}');
  EXPECT_EQ(plain(nested), "a");
  EXPECT_EQ(plain(std::string(n, '{')), "");
  EXPECT_EQ(plain(std::string(n, '\\')), std::string(n / 2, '|'));

  // Accents beyond the first few on one letter are not composed.
  std::string accents;
  for (std::size_t i = 0; i < n / 4; ++i) accents += i % 2 ? "\\d" : "\\'";
  const std::string accented = plain(accents + "{e}");
  EXPECT_TRUE(accented.starts_with("\u1EB9\u0323\u0301\u0301")) << visible(accented.substr(0, 16));
  EXPECT_EQ(accented.size(), 3 + 2 * (n / 4 - 1));

  std::string accentsInGroups;
  for (std::size_t i = 0; i < n / 4; ++i) accentsInGroups += "\\'{";
  EXPECT_EQ(plain(accentsInGroups), std::string(n / 4, '\''));

  std::string dollars;
  for (std::size_t i = 0; i < n / 4; ++i) dollars += "\\$$";
  EXPECT_EQ(plain(dollars + "x"), std::string(n / 4, '$') + "x");

  // The first URL never closes and takes the rest as written.
  std::string urls;
  std::string urlsInFirst;
  for (std::size_t i = 0; i < n / 8; ++i) urls += "\\url{";
  for (std::size_t i = 1; i < n / 8; ++i) urlsInFirst += "\\url";
  EXPECT_EQ(plain(urls), urlsInFirst);
}

}  // namespace
}  // namespace pubforge
