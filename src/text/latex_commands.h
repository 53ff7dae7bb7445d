// The LaTeX commands that the plain-text conversion knows, and what each one
// becomes in text: a letter or symbol, an accent on the following letter,
// nothing (font switches, spacing), or an argument taken verbatim or dropped.
#pragma once

#include <cstdint>
#include <string_view>

namespace pubforge {

enum class LatexCommandKind : std::uint8_t {
  Text,          // replaced by `text` (empty for font switches and spacing hints)
  Word,          // a logo or name: replaced by `text`, the blanks after it stay
  Skip,          // spacing with a dimension or a braced length: nothing
  Script,        // \textsuperscript, \textsubscript: `text` is "^" or "_"
  MathBegin,     // \( and \[: math up to MathEnd
  MathEnd,
  MathArgument,  // its braced argument is math (\ensuremath)
  Accent,        // puts `mark` on the next letter; `text` when there is none
  LineBreak,     // replaced by the line-break text
  Verbatim,      // its braced argument is copied as written (a URL)
  DropArgument,  // its braced argument is left out (a sort key, a link target)
};

struct LatexCommand {
  // Letters for a control word (`ss`, `textit`), or the one byte after the
  // backslash for a control symbol (`&`, `"`).
  std::string_view name;
  LatexCommandKind kind;
  std::string_view text;  // UTF-8
  std::string_view mark = {};  // Accent: the combining mark, UTF-8
  // The dotless letters: the letter with its dot, on which an accent composes
  // (an accent replaces the dot, so an acute on `\i` gives the character
  // that an acute on `i` gives).
  std::string_view accentBase = {};
};

// The command called `name`, or nullptr.
const LatexCommand* findLatexCommand(std::string_view name);

}  // namespace pubforge
