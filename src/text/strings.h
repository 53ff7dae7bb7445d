// The string operations that the whole program shares: LaTeX conversion,
// escapes, replacing, brace stripping, trimming, word splitting, formatting.
// All of them work on bytes; UTF-8 is never decoded.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pubforge {

// LaTeX notation to UTF-8 (xmlStyle false) or to XML text (xmlStyle true):
// the forms of the ConversionTable are replaced (in XML text an ampersand of
// the value becomes "&amp;", the references that the table inserts stay), then
// every remaining "~" becomes `nbsp` (unless it is empty), every line feed
// becomes `linebreak` (an empty one removes it), and finally the backslash
// escapes are resolved.  Braces and commands outside the table stay.
std::string convertLatex(std::string_view text, std::string_view nbsp,
                         std::string_view linebreak, bool xmlStyle);

// convertLatex into `out` (replacing what it held), so that a caller that
// converts many values reuses one buffer.
void convertLatexInto(std::string& out, std::string_view text, std::string_view nbsp,
                      std::string_view linebreak, bool xmlStyle);

// Appends convertLatex of `text` to `out`; what `out` held is left as it is.
void appendConvertedLatex(std::string& out, std::string_view text, std::string_view nbsp,
                          std::string_view linebreak, bool xmlStyle);

// convertLatex with nbsp "&#160;", linebreak "\n" and XML output.
std::string latexToXml(std::string_view text);
void latexToXmlInto(std::string& out, std::string_view text);

// Resolves backslash escapes (\\, \{, \}, \ , \", \', \n, \xHH); any other
// backslash pair stays as it is, and so does a trailing backslash.
std::string unescapeBackslashes(std::string_view text);

// Replaces every occurrence of `pattern`, left to right, never rescanning an
// inserted replacement.  An empty pattern leaves the text unchanged.
void replaceAll(std::string& text, std::string_view pattern, std::string_view replacement);

// Follows a text as if a "{" stood before it, a backslash hiding the byte
// after it: where the brace that closes the "{" stands, or else the depth at
// the end and whether a hiding backslash ends the text.
struct BraceScan {
  size_t closeAt = std::string_view::npos;
  long depth = 1;
  bool pendingBackslash = false;
};
BraceScan scanAfterOpenBrace(std::string_view text);

// True when one pair of braces encloses the whole text: the brace that closes
// its first byte is its last byte.  This is the pair that a value loses when
// it is read, so the writer asks the same question.
bool bracesEncloseWhole(std::string_view text);

// Removes one pair of braces that encloses the whole text.
std::string& stripBraces(std::string& text);

// Removes spaces and tabs at both ends and shrinks each inner run of them to
// its last byte.
std::string& trimWhitespace(std::string& text);

// Splits the next word off `text`, which keeps the remainder: the text up to
// the first byte of `separators` (dropped), a double-quoted word (quotes
// dropped), or nothing for a "#" comment.  A backslash protects the byte after
// it; escapes stay unresolved.
std::string nextWord(std::string& text, std::string_view separators);

// printf into a string of any length; NUL bytes that the format produces
// (a %c of 0) are kept.
std::string formatString(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True when `text` begins with `prefix`; `rest` then receives what follows it.
bool takePrefix(std::string_view text, std::string_view prefix, std::string& rest);

}  // namespace pubforge
