// The printing template language: literal text, escapes, placeholders,
// conditional sections with alternatives, the author loop and the tests.
// One evaluation turns one publication into its piece of custom output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "custom/mapping.h"
#include "custom/output_settings.h"
#include "model/diagnostics.h"
#include "model/node.h"

namespace pubforge {

struct PlaceholderRule;

// One open section: the output length when it opened and the failed flag
// at that moment.
struct OpenSection {
  size_t outputLength;
  bool failed;
};

// What an evaluation reads besides the template and the publications.  The
// values it refers to must outlive every evaluation that uses them.
struct PrintEnvironment {
  std::string_view namingTemplate;                     // of the export run
  const std::vector<std::string>& monthNames;
  std::string_view nbsp;                               // text for "~"
  std::string_view linebreak;                          // text for a line feed in values
  bool xmlStyle = false;                               // XML text instead of UTF-8
  const std::optional<std::string>& downloadDirectory;
  const MappingSet& mappings;
  bool plainText = false;                              // values as plain text
  const LatexMacros* macros = nullptr;                 // expanded in plain text
};

// A printing template prepared for many evaluations with one environment.
// The template is read as the language prescribes, byte by byte from a
// position; what starts at a position is worked out the first time the
// evaluation gets there and kept, so printing thousands of publications
// reads the template text once.
class TemplatePrinter {
 public:
  TemplatePrinter(std::string_view templateText, const PrintEnvironment& env);
  TemplatePrinter(const TemplatePrinter&) = delete;
  TemplatePrinter& operator=(const TemplatePrinter&) = delete;

  // Evaluates the template for `publication` and appends the result to
  // `text`.  `previous` and `next` are its neighbours in the export run, or
  // null.  Both counters grow by one first.  A fatal template error is
  // reported on `diag` and thrown as FatalError; what was appended to `text`
  // is then incomplete.
  void print(const Node& publication, const Node* previous, const Node* next,
             PrintCounters& counters, Diagnostics diag, std::string& text);

 private:
  // One piece of the template, as it begins at some position: literal text
  // (escapes resolved, "~" turned into the no-break-space text), a section
  // byte, or a placeholder with the rule that its name selects.
  struct Token {
    enum class Kind : uint8_t {
      kText,
      kOpen,
      kCloseSquare,
      kCloseRound,
      kAlternative,
      kPlaceholder
    };
    static constexpr size_t kNotYet = SIZE_MAX;
    Kind kind = Kind::kText;
    size_t next = 0;                        // the position after it
    const PlaceholderRule* rule = nullptr;  // null: the item of that keyword
    std::string text;                       // literal output, or the placeholder name
    size_t operand = 0;                     // where the operand begins in `text`
    size_t skipTo = kNotYet;                // "|": where a successful alternative resumes
  };

  // The token that begins at `position` (less than the template size).  The
  // reference stays valid until the next call.
  Token& tokenAt(size_t position) {
    const size_t index = tokenIndex_[position];
    return tokens_[(index != 0 ? index : readTokenAt(position)) - 1];
  }
  Token readToken(size_t position) const;
  size_t readTokenAt(size_t position);

  std::string text_;
  const PrintEnvironment env_;
  std::vector<Token> tokens_;
  std::vector<OpenSection> sections_;   // of the evaluation under way
  std::vector<size_t> tokenIndex_;      // by position: index + 1, 0 while not yet read
};

// Evaluates `templateText` once for `publication`; see TemplatePrinter.
std::string printPublication(std::string_view templateText, const Node& publication,
                             const Node* previous, const Node* next,
                             const PrintEnvironment& env, PrintCounters& counters,
                             Diagnostics diag);

}  // namespace pubforge
