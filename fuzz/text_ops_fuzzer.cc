// Fuzz target: the shared string operations.
//
// The input is up to six fields separated by the byte 0x1E: the text, then
// a no-break-space text, a line-break text, a pattern, a replacement and a
// preamble whose macro definitions the plain-text conversion expands (the
// later fields are optional).  Every operation runs on the text and is
// compared with a plain implementation of its rule: the single-pass
// convertLatex with the row-by-row conversion, and the others with the
// straightforward versions below.  The plain-text conversion has no slower
// twin; it is held to properties that any value must keep, with and
// without the macros of the preamble.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_util.h"
#include "reference_conversion.h"
#include "text_check_util.h"
#include "text/latex_macros.h"
#include "text/plain_text.h"
#include "text/strings.h"

namespace pubforge::fuzz {
namespace {

constexpr char kFieldSeparator = '\x1e';

std::vector<std::string> splitFields(std::string_view input) {
  std::vector<std::string> fields(1);
  for (char c : input) {
    if (c == kFieldSeparator && fields.size() < 6)
      fields.emplace_back();
    else
      fields.back().push_back(c);
  }
  fields.resize(6);
  return fields;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// One pair of braces around the whole text goes; a backslash hides the byte
// after it from the brace count.
std::string plainStripBraces(const std::string& text) {
  if (text.size() < 2 || text[0] != '{') return text;
  int depth = 1;
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '{') {
      ++depth;
    } else if (text[i] == '}' && --depth == 0) {
      return i + 1 == text.size() ? text.substr(1, text.size() - 2) : text;
    }
  }
  return text;
}

// Blanks at the ends go; a run of blanks inside keeps its last byte.
std::string plainTrim(const std::string& text) {
  std::string out;
  std::string run;  // the blanks seen since the last other byte
  for (char c : text) {
    if (isBlank(c)) {
      run.push_back(c);
    } else {
      if (!run.empty() && !out.empty()) out.push_back(run.back());
      run.clear();
      out.push_back(c);
    }
  }
  return out;
}

// nextWord as its rule is written: quotes and comments only at the start, a
// backslash keeps the byte after it in the word, one separator byte dropped.
std::string plainNextWord(std::string& text, std::string_view separators) {
  if (!text.empty() && text[0] == '"') {
    if (text.size() >= 2 && text[1] == '"') {
      text = text.substr(2);
      return {};
    }
    text = text.substr(1);
    return plainNextWord(text, "\"");  // the whole rule again, with the quote
  }
  if (!text.empty() && text[0] == '#') {
    text.clear();
    return {};
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
      continue;
    }
    if (separators.find(text[i]) != std::string_view::npos) {
      std::string word = text.substr(0, i);
      text = text.substr(i + 1);
      return word;
    }
  }
  std::string word = text;
  text.clear();
  return word;
}

void checkConversions(const std::string& text, const std::string& nbsp,
                      const std::string& linebreak) {
  for (bool xml : {false, true}) {
    requireEqual(reference::convertLatexByRows(text, nbsp, linebreak, xml),
                 convertLatex(text, nbsp, linebreak, xml),
                 xml ? "convertLatex (XML) matches the row-by-row conversion"
                     : "convertLatex (UTF-8) matches the row-by-row conversion");
  }
}

void checkPlainConversion(const std::string& text, const std::string& nbsp,
                          const std::string& linebreak) {
  const std::string utf8 = convertLatexPlain(text, " ", "\n", false);
  // Composing and escaping never interfere: the XML text is the UTF-8 text
  // with its reserved characters escaped.
  requireEqual(textcheck::xmlEscape(utf8), convertLatexPlain(text, " ", "\n", true),
               "convertLatexPlain: XML output is the escaped UTF-8 output");
  // Bytes that begin no LaTeX construct pass unchanged.
  if (text.find_first_of("\\{}~-`'$\n") == std::string::npos)
    requireEqual(text, utf8, "convertLatexPlain: a value without LaTeX is unchanged");
  requireEqual(utf8, convertValue(text, " ", "\n", false, true),
               "convertValue picks the plain one");
  for (bool xml : {false, true}) convertLatexPlain(text, nbsp, linebreak, xml);
}

// The macros of a preamble: the expansion keeps to its bounds, names a
// macro of the preamble when it stops, and the conversion keeps its
// properties on what it expands to.
void checkMacros(const std::string& text, const std::string& preamble) {
  LatexMacros macros;
  macros.addDefinitions(preamble);
  std::string expanded;
  const LatexMacro* overflowed = nullptr;
  const bool used = macros.expand(text, expanded, overflowed);
  if (!used) {
    require(overflowed == nullptr, "LatexMacros::expand: no use, no overflow");
    requireEqual(convertLatexPlain(text, " ", "\n", false),
                 convertLatexPlain(text, " ", "\n", false, &macros),
                 "convertLatexPlain: a value without macros is not changed by them");
    return;
  }
  // What the expansions produced, and at most the rest of the value as written.
  const std::size_t bound =
      text.size() + std::max(kMacroOutputFactor * text.size(), kMinMacroOutput);
  require(expanded.size() <= bound + text.size(), "LatexMacros::expand keeps to its bound");
  if (overflowed != nullptr) {
    require(macros.find(overflowed->name) == overflowed,
            "LatexMacros::expand names a macro of the preamble");
  }
  const LatexMacro* converted = nullptr;
  const std::string utf8 = convertLatexPlain(text, " ", "\n", false, &macros, &converted);
  require(converted == overflowed, "convertLatexPlain reports the macro that went too far");
  requireEqual(textcheck::xmlEscape(utf8), convertLatexPlain(text, " ", "\n", true, &macros),
               "convertLatexPlain with macros: XML output is the escaped UTF-8 output");
}

void checkNextWord(const std::string& text, std::string_view separators) {
  std::string rest = text, plainRest = text;
  const std::string word = nextWord(rest, separators);
  requireEqual(plainNextWord(plainRest, separators), word, "nextWord: the word");
  requireEqual(plainRest, rest, "nextWord: the remainder");
}

void checkReplaceAll(const std::string& text, const std::string& pattern,
                     const std::string& replacement) {
  std::string expected = text, actual = text;
  reference::replaceEach(expected, pattern, replacement);
  replaceAll(actual, pattern, replacement);
  requireEqual(expected, actual, "replaceAll matches replacing one occurrence at a time");
}

}  // namespace
}  // namespace pubforge::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pubforge;
  using namespace pubforge::fuzz;
  const std::vector<std::string> fields =
      splitFields(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string& text = fields[0];

  // convertLatex with the settings the program's callers use, and with the
  // fields of the input.
  checkConversions(text, " ", "\n");
  checkConversions(text, "~", "");
  checkConversions(text, "", "");
  checkConversions(text, "&nbsp;", "<br/>\\n");
  checkConversions(text, "\\x41~", "\\");
  checkConversions(text, fields[1], fields[2]);
  requireEqual(convertLatex(text, "&#160;", "\n", true), latexToXml(text),
               "latexToXml is convertLatex with the XML settings");

  checkPlainConversion(text, fields[1], fields[2]);
  checkMacros(text, fields[5]);
  // The text as its own preamble: values that define what they use.
  checkMacros(text, text);

  requireEqual(reference::unescape(text), unescapeBackslashes(text), "unescapeBackslashes");

  std::string stripped = text;
  requireEqual(plainStripBraces(text), stripBraces(stripped), "stripBraces");
  std::string trimmed = text;
  requireEqual(plainTrim(text), trimWhitespace(trimmed), "trimWhitespace");

  for (std::string_view separators : {std::string_view(" \t"), std::string_view(" "),
                                      std::string_view("}"), std::string_view(fields[3])})
    checkNextWord(text, separators);

  checkReplaceAll(text, "aa", "a");
  checkReplaceAll(text, "~", "~~");
  checkReplaceAll(text, fields[3], fields[4]);
  checkReplaceAll(text, fields[3], fields[3]);

  // Pattern and replacement may be parts of the text itself.
  if (!text.empty()) {
    const size_t half = text.size() / 2;
    std::string expected = text, actual = text;
    reference::replaceEach(expected, text.substr(half, 3), text.substr(0, half));
    replaceAll(actual, std::string_view(actual).substr(half, 3),
               std::string_view(actual).substr(0, half));
    requireEqual(expected, actual, "replaceAll with views into the text");
  }

  std::string rest = "unchanged";
  const bool matches = takePrefix(text, fields[3], rest);
  require(matches == text.starts_with(fields[3]), "takePrefix: the result");
  requireEqual(matches ? text.substr(fields[3].size()) : "unchanged", rest, "takePrefix: rest");
  std::string self = text;
  if (takePrefix(self, std::string_view(self).substr(0, self.size() / 2), self))
    requireEqual(text.substr(text.size() / 2), self, "takePrefix with the text as rest");
  return 0;
}
