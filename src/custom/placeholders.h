// The state of one template evaluation and the table of placeholders that
// act on it.  Used by the template evaluator only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "custom/template.h"
#include "model/diagnostics.h"
#include "model/node.h"

namespace pubforge {

// Writes a fatal template message and ends the run.
template <typename... Pieces>
[[noreturn]] void templateFatal(Diagnostics diag, const Pieces&... pieces) {
  diag.report(pieces...);
  throw FatalError{1};
}

// Writes a fatal template error ("ERROR: ...!") and ends the run.
template <typename... Pieces>
[[noreturn]] void templateError(Diagnostics diag, const Pieces&... pieces) {
  diag.error(pieces...);
  throw FatalError{1};
}

// A loop over the names of a name list: where scanning resumes for the next
// name (none while the loop is not open), the item and the index of the
// current name's family name in its parts.
struct NameLoop {
  std::optional<size_t> resume;
  const Item* item = nullptr;
  size_t index = 0;
};

struct Evaluation {
  Evaluation(const Node& pub, const Node* before, const Node* after, const PrintEnvironment& e,
             const PrintCounters& numbers, Diagnostics d, std::string& out,
             std::vector<OpenSection>& open)
      : publication(pub), previous(before), next(after), env(e), counters(numbers), diag(d),
        output(out), start(out.size()), sections(open) {
    sections.clear();
  }

  const Node& publication;
  const Node* previous;
  const Node* next;
  const PrintEnvironment& env;
  const PrintCounters& counters;  // already counting this publication
  Diagnostics diag;
  std::string& output;
  const size_t start;  // where this publication's text begins in `output`

  size_t position = 0;  // next template byte to read
  bool failed = false;
  std::vector<OpenSection>& sections;  // innermost last

  // The author loop and the editor loop: each runs over the names of its
  // item on its own.
  NameLoop authors;
  NameLoop editors;

  // Where the section text begins: the innermost open section's start, or
  // the start of the publication's text outside every section.
  size_t sectionStart() const {
    return sections.empty() ? start : sections.back().outputLength;
  }
  std::string_view sectionText() const {
    return std::string_view(output).substr(sectionStart());
  }

  // Appends a value converted from LaTeX notation with the evaluation's
  // settings, or with the given no-break-space and line-break texts.
  void appendConverted(std::string_view value);
  void appendConverted(std::string_view value, std::string_view nbsp,
                       std::string_view linebreak);
};

// What a placeholder does.  `name` is the whole placeholder name; `operand`
// what follows a prefix (the name itself for an exact name).
using PlaceholderHandler = void (*)(Evaluation& eval, std::string_view name,
                                    std::string_view operand);

struct PlaceholderRule {
  std::string_view name;
  bool prefix;  // false: the whole name must be equal
  PlaceholderHandler handler;
};

// The first rule of the dispatch table that the name matches, or null: the
// name then prints the item of that keyword (printItemPlaceholder).
const PlaceholderRule* findPlaceholderRule(std::string_view name);
void printItemPlaceholder(Evaluation& eval, std::string_view keyword);

}  // namespace pubforge
