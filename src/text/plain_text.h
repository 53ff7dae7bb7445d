// Plain-text conversion of values: LaTeX notation turned into the text it
// prints (accents composed, commands and protecting braces gone), for outputs
// that are read as they are, such as web pages and plain-text lists.
#pragma once

#include <string>
#include <string_view>

#include "text/latex_macros.h"

namespace pubforge {

// The text that a LaTeX value prints, as UTF-8 (xmlStyle false) or as XML
// text (xmlStyle true: "<", ">", "&", "\"" and "'" become references).
// Accents are composed with their letter into one character where Unicode
// has one, else the letter is followed by the combining mark; special letters
// and symbols become their characters; `---`, `--`, ``` `` ``` and `''`
// become dashes and quotes; font commands, unknown commands with a braced
// argument, and braces leave only their text; the dollars of a math span go.
// An unknown command without an argument prints its name without the
// backslash, so that no word is lost.  Logos print their text, spacing
// commands nothing; in math, digits and "+ - = ( )" after "^" or "_" become
// superscripts and subscripts.  Each "~" becomes `nbsp` (unless it is
// empty) and each line feed `linebreak`; the escapes in those two texts
// (such as "\n") are resolved as convertLatex resolves them.  The value
// itself is read as LaTeX only: "\n" or "\x41" in it are commands.
//
// With `macros`, the macros that the bibliography defines are expanded
// first; when an expansion goes too far, `overflowed` (if given) names the
// macro, else it is set to null.
std::string convertLatexPlain(std::string_view text, std::string_view nbsp,
                              std::string_view linebreak, bool xmlStyle,
                              const LatexMacros* macros = nullptr,
                              const LatexMacro** overflowed = nullptr);

// Appends convertLatexPlain of `text` to `out`; what `out` held is left as
// it is.
void appendLatexPlain(std::string& out, std::string_view text, std::string_view nbsp,
                      std::string_view linebreak, bool xmlStyle,
                      const LatexMacros* macros = nullptr,
                      const LatexMacro** overflowed = nullptr);

// convertLatexPlain into `out` (replacing what it held), so that a caller that
// converts many values reuses one buffer.
void convertLatexPlainInto(std::string& out, std::string_view text, std::string_view nbsp,
                           std::string_view linebreak, bool xmlStyle);

// True when convertLatexPlain in UTF-8 mode gives the text back unchanged,
// whatever `nbsp` and `linebreak` are: it holds no byte with a meaning in
// LaTeX.  Lets writers skip the conversion of the many values that are plain.
bool isPlainText(std::string_view text);

// convertLatexPlain when `plainText` is set, else convertLatex.
std::string convertValue(std::string_view text, std::string_view nbsp,
                         std::string_view linebreak, bool xmlStyle, bool plainText);

// latexToXml, or its plain-text counterpart when `plainText` is set.
std::string valueToXml(std::string_view text, bool plainText);

}  // namespace pubforge
