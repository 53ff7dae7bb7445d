// Conditions on publications, for selecting them: comparisons of fields
// with values, joined with "and", "or", "not" and parentheses.
//
//   condition  := or-term
//   or-term    := and-term { "or" and-term }
//   and-term   := unary { "and" unary }
//   unary      := "not" unary | "(" or-term ")" | "exists" field
//               | field op value
//   op         := "=" | "!=" | "<" | "<=" | ">" | ">=" | ":" | "!:"
//
// A field is an item keyword, "$key" (the citation key) or "$type" (the
// entry type); a value is a word or a double-quoted string in which a
// backslash escapes '"' and '\'.  Field values are compared in their
// plain-text form; "=", "!=" and ":" ignore ASCII letter case, ":" takes an
// extended regular expression; "<", "<=", ">" and ">=" compare numbers when
// both sides are numbers (months also by name), text otherwise.  A
// comparison with a field the publication lacks is false, except "!=" and
// "!:", which hold.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/node.h"
#include "model/publication_set.h"

namespace pubforge {

// Why a condition does not parse: the byte it went wrong at (1 for the
// first, one past the last for the end) and what was expected there.
struct ConditionError {
  size_t position = 1;
  std::string message;
};

class Condition {
 public:
  // The condition written in `text`, or none, with `error` set.
  static std::optional<Condition> parse(std::string_view text, ConditionError& error);

  Condition(Condition&&) noexcept;
  Condition& operator=(Condition&&) noexcept;
  ~Condition();

  // Whether the condition holds for the publication.  Only entries are
  // publications here: comment lines, macros and the like never match.
  bool holds(const Node& publication) const;

 private:
  struct Term;
  struct Pattern;
  class Parser;
  Condition();

  std::vector<Term> terms_;
  size_t root_ = 0;
  std::vector<std::unique_ptr<Pattern>> patterns_;
};

// Appends, in collection order, every publication that is not yet in the set
// and for which every condition given holds, with its citation key as
// label.  With `keepOthers`, publications that are no entries (comment
// lines, preambles, macros, comment blocks) are appended whatever the
// conditions say, as citeAll appends them; otherwise they are never.
void addWhere(PublicationSet& set, const Collection& collection,
              const std::vector<const Condition*>& conditions, bool keepOthers);

}  // namespace pubforge
