// The macros that a bibliography defines for itself in its @preamble
// (\newcommand, \renewcommand, \providecommand, \DeclareRobustCommand, \def),
// and their expansion in values that are printed as plain text.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace pubforge {

struct LatexMacro {
  std::string name;  // without the backslash
  unsigned parameters = 0;  // 0 to 9
  // The first parameter is optional ("\newcommand{\x}[2][a]{...}"): given in
  // brackets, else this text.
  bool optionalFirst = false;
  std::string defaultArgument;
  std::string body;
  // The warning about an expansion that went too far is given once per
  // macro in a run.
  mutable bool reported = false;
};

// Expansion stops at this depth of macros inside macros.
inline constexpr std::size_t kMaxMacroDepth = 32;
// The expansions of one value produce at most this many times its size, and
// at least kMinMacroOutput bytes, so that a short value can still name a
// long definition.
inline constexpr std::size_t kMacroOutputFactor = 10;
inline constexpr std::size_t kMinMacroOutput = 256;

class LatexMacros {
 public:
  // Takes the definitions that `preamble` makes.  A later definition replaces
  // an earlier one, except that \providecommand never replaces; a command
  // that the plain-text conversion knows itself keeps its meaning (a
  // preamble's \def\BibTeX is its typesetting, not other text).  Parts that
  // do not read as a definition are passed over.
  void addDefinitions(std::string_view preamble);

  bool empty() const { return macros_.empty(); }
  const LatexMacro* find(std::string_view name) const;

  // Writes `text` with its macros expanded to `out` (replacing what it held)
  // and returns true, or returns false when `text` uses none.  An expansion
  // that would go deeper or produce more than the bounds above is not made:
  // the value is then printed as written from the use of the macro on that
  // it came from, and `overflowed` names the macro that went too far.
  bool expand(std::string_view text, std::string& out, const LatexMacro*& overflowed) const;

 private:
  std::map<std::string, LatexMacro, std::less<>> macros_;
};

}  // namespace pubforge
