#include "commands/condition.h"

#include <regex.h>

#include <cstdint>
#include <utility>

#include "text/ascii.h"
#include "text/months.h"
#include "text/numbers.h"
#include "text/plain_text.h"

namespace pubforge {

namespace {

// Parentheses and "not" nest at most this deep, so that neither the parser
// nor the evaluation can run out of stack on a hostile condition.
constexpr unsigned kMaxNesting = 256;

enum class Op { kEqual, kNotEqual, kLess, kLessOrEqual, kGreater, kGreaterOrEqual, kMatch, kNoMatch };

enum class FieldKind { kItem, kKey, kType };

// A whole number: an optional minus sign and at most 18 digits, nothing else.
std::optional<int64_t> wholeNumber(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  const DigitRun digits = readDigits(text);
  if (digits.length == 0 || digits.length != text.size() || digits.length > 18) return std::nullopt;
  const auto magnitude = static_cast<int64_t>(digits.magnitude);
  return negative ? -magnitude : magnitude;
}

// The number of a month given by its number, its macro ("jul") or its
// English name, in any letter case.
std::optional<int64_t> monthNumber(std::string_view text) {
  if (std::optional<int64_t> number = wholeNumber(text)) return number;
  for (size_t i = 0; i < kMonthCount; ++i)
    if (equalsIgnoringAsciiCase(text, kMonthTable[i].macro) ||
        equalsIgnoringAsciiCase(text, kMonthTable[i].name))
      return static_cast<int64_t>(i + 1);
  return std::nullopt;
}

bool isDateField(std::string_view keyword) {
  return keyword == "year" || keyword == "month" || keyword == "day";
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Bytes that end a field name: blanks, parentheses, quotes and the bytes of
// the operators.
bool endsField(char c) {
  return isBlank(c) || c == '(' || c == ')' || c == '"' || c == '=' || c == '!' || c == '<' ||
         c == '>' || c == ':';
}

// Bytes that end a value written as a word.
bool endsValueWord(char c) { return isBlank(c) || c == '(' || c == ')' || c == '"'; }

}  // namespace

struct Condition::Pattern {
  regex_t compiled{};
  bool valid = false;  // regcomp succeeded: there is something to free
  Pattern() = default;
  Pattern(const Pattern&) = delete;
  Pattern& operator=(const Pattern&) = delete;
  ~Pattern() {
    if (valid) regfree(&compiled);
  }
};

struct Condition::Term {
  enum class Kind { kAll, kAny, kNot, kExists, kCompare } kind = Kind::kCompare;
  std::vector<size_t> operands;  // kAll, kAny: every operand; kNot: one
  FieldKind field = FieldKind::kItem;
  std::string keyword;  // kItem: the item keyword
  Op op = Op::kEqual;
  std::string value;
  std::optional<int64_t> number;  // the value as a number, if it is one
  size_t pattern = 0;             // kMatch, kNoMatch: index in patterns_
};

class Condition::Parser {
 public:
  Parser(std::string_view text, Condition& condition, ConditionError& error)
      : text_(text), condition_(condition), error_(error) {}

  bool parseAll() {
    std::optional<size_t> root = orTerm(0);
    if (!root) return false;
    condition_.root_ = *root;
    skipBlanks();
    if (at_ < text_.size()) {
      const std::string_view word = peekWord();
      if (word == ")") return fail(at_, "unexpected \")\"");
      return fail(at_, "expected \"and\", \"or\" or the end of the condition");
    }
    return true;
  }

 private:
  bool fail(size_t at, std::string message) {
    if (error_.message.empty()) {
      error_.position = at + 1;
      error_.message = std::move(message);
    }
    return false;
  }

  void skipBlanks() {
    while (at_ < text_.size() && isBlank(text_[at_])) ++at_;
  }

  // The next field-like word, or the single byte that ends it.
  std::string_view peekWord() {
    skipBlanks();
    size_t end = at_;
    while (end < text_.size() && !endsField(text_[end])) ++end;
    if (end == at_ && end < text_.size()) ++end;
    return text_.substr(at_, end - at_);
  }

  bool takeKeyword(std::string_view keyword) {
    if (peekWord() != keyword) return false;
    at_ += keyword.size();
    return true;
  }

  size_t add(Term term) {
    condition_.terms_.push_back(std::move(term));
    return condition_.terms_.size() - 1;
  }

  // Operands joined by `joiner`, each parsed by `operand`.
  template <typename Operand>
  std::optional<size_t> joined(std::string_view joiner, Term::Kind kind, unsigned depth,
                               Operand operand) {
    std::optional<size_t> first = (this->*operand)(depth);
    if (!first) return std::nullopt;
    if (peekWord() != joiner) return first;
    Term all;
    all.kind = kind;
    all.operands.push_back(*first);
    while (takeKeyword(joiner)) {
      std::optional<size_t> next = (this->*operand)(depth);
      if (!next) return std::nullopt;
      all.operands.push_back(*next);
    }
    return add(std::move(all));
  }

  std::optional<size_t> orTerm(unsigned depth) {
    return joined("or", Term::Kind::kAny, depth, &Parser::andTerm);
  }

  std::optional<size_t> andTerm(unsigned depth) {
    return joined("and", Term::Kind::kAll, depth, &Parser::unary);
  }

  std::optional<size_t> unary(unsigned depth) {
    const std::string_view word = peekWord();
    if (depth >= kMaxNesting && (word == "not" || word == "(")) {
      fail(at_, "nested too deeply");
      return std::nullopt;
    }
    if (takeKeyword("not")) {
      std::optional<size_t> operand = unary(depth + 1);
      if (!operand) return std::nullopt;
      Term negation;
      negation.kind = Term::Kind::kNot;
      negation.operands.push_back(*operand);
      return add(std::move(negation));
    }
    if (word == "(") {
      ++at_;
      std::optional<size_t> inner = orTerm(depth + 1);
      if (!inner) return std::nullopt;
      if (peekWord() != ")") {
        fail(at_, "expected \"and\", \"or\" or \")\"");
        return std::nullopt;
      }
      ++at_;
      return inner;
    }
    if (takeKeyword("exists")) {
      Term exists;
      exists.kind = Term::Kind::kExists;
      if (!field(exists)) return std::nullopt;
      return add(std::move(exists));
    }
    Term comparison;
    if (!field(comparison) || !op(comparison) || !value(comparison)) return std::nullopt;
    return add(std::move(comparison));
  }

  bool field(Term& term) {
    const std::string_view word = peekWord();
    if (word.empty() || endsField(word.front()) || word == "and" || word == "or" ||
        word == "not" || word == "exists")
      return fail(at_, "expected a field");
    if (word.front() == '$') {
      if (word == "$key")
        term.field = FieldKind::kKey;
      else if (word == "$type")
        term.field = FieldKind::kType;
      else
        return fail(at_, "unknown field " + std::string(word));
    } else {
      term.field = FieldKind::kItem;
      term.keyword = asciiLowerCopy(word);
    }
    at_ += word.size();
    return true;
  }

  bool op(Term& term) {
    skipBlanks();
    static constexpr std::pair<std::string_view, Op> kOps[] = {
        {"!=", Op::kNotEqual}, {"!:", Op::kNoMatch},       {"<=", Op::kLessOrEqual},
        {">=", Op::kGreaterOrEqual}, {"=", Op::kEqual},    {"<", Op::kLess},
        {">", Op::kGreater},   {":", Op::kMatch},
    };
    const std::string_view rest = text_.substr(at_);
    for (const auto& [written, meaning] : kOps) {
      if (!rest.starts_with(written)) continue;
      term.op = meaning;
      at_ += written.size();
      return true;
    }
    return fail(at_, "expected an operator");
  }

  bool value(Term& term) {
    skipBlanks();
    const size_t start = at_;
    if (at_ < text_.size() && text_[at_] == '"') {
      ++at_;
      for (;;) {
        if (at_ == text_.size()) return fail(start, "unterminated string");
        const char c = text_[at_++];
        if (c == '"') break;
        if (c == '\\' && at_ < text_.size() && (text_[at_] == '"' || text_[at_] == '\\')) {
          term.value += text_[at_++];
          continue;
        }
        term.value += c;
      }
    } else {
      while (at_ < text_.size() && !endsValueWord(text_[at_])) term.value += text_[at_++];
      if (term.value.empty()) return fail(start, "expected a value");
    }
    term.number = term.field == FieldKind::kItem && term.keyword == "month"
                      ? monthNumber(term.value)
                      : wholeNumber(term.value);
    if (term.op == Op::kMatch || term.op == Op::kNoMatch) return pattern(term, start);
    return true;
  }

  // Compiles the regular expression of a match, once for all publications.
  bool pattern(Term& term, size_t start) {
    if (term.value.find('\0') != std::string::npos)
      return fail(start, "regular expression with a NUL byte");
    auto compiled = std::make_unique<Pattern>();
    const int code =
        regcomp(&compiled->compiled, term.value.c_str(), REG_EXTENDED | REG_ICASE | REG_NOSUB);
    compiled->valid = code == 0;
    if (code != 0) {
      char message[256];
      regerror(code, &compiled->compiled, message, sizeof message);
      return fail(start, "bad regular expression: " + std::string(message));
    }
    term.pattern = condition_.patterns_.size();
    condition_.patterns_.push_back(std::move(compiled));
    return true;
  }

  std::string_view text_;
  size_t at_ = 0;
  Condition& condition_;
  ConditionError& error_;
};

Condition::Condition() = default;
Condition::Condition(Condition&&) noexcept = default;
Condition& Condition::operator=(Condition&&) noexcept = default;
Condition::~Condition() = default;

std::optional<Condition> Condition::parse(std::string_view text, ConditionError& error) {
  error = ConditionError();
  Condition condition;
  Parser parser(text, condition, error);
  if (!parser.parseAll()) return std::nullopt;
  return condition;
}

bool Condition::holds(const Node& publication) const {
  if (!publication.isEntry() || terms_.empty()) return false;
  std::string buffer;  // plain text of a value, reused
  // Terms are evaluated from the root down; the parser bounds the nesting.
  auto evaluate = [&](auto& self, size_t index) -> bool {
    const Term& term = terms_[index];
    switch (term.kind) {
      case Term::Kind::kAll:
        for (size_t operand : term.operands)
          if (!self(self, operand)) return false;
        return true;
      case Term::Kind::kAny:
        for (size_t operand : term.operands)
          if (self(self, operand)) return true;
        return false;
      case Term::Kind::kNot: return !self(self, term.operands.front());
      case Term::Kind::kExists:
      case Term::Kind::kCompare: break;
    }
    std::string_view text;
    std::optional<int64_t> number;
    switch (term.field) {
      case FieldKind::kKey: text = publication.keyword; break;
      case FieldKind::kType: text = publication.writtenType(); break;
      case FieldKind::kItem: {
        const Item* item = findItem(publication, term.keyword);
        if (item == nullptr)
          return term.kind == Term::Kind::kCompare &&
                 (term.op == Op::kNotEqual || term.op == Op::kNoMatch);
        if (term.kind == Term::Kind::kExists) return true;
        if (isPlainText(item->value)) {
          text = item->value;
        } else {
          convertLatexPlainInto(buffer, item->value, " ", " ", false);
          text = buffer;
        }
        if (isDateField(item->keyword) && item->numericValue != 0) number = item->numericValue;
        break;
      }
    }
    if (term.kind == Term::Kind::kExists) return true;
    switch (term.op) {
      case Op::kEqual: return equalsIgnoringAsciiCase(text, term.value);
      case Op::kNotEqual: return !equalsIgnoringAsciiCase(text, term.value);
      case Op::kMatch:
      case Op::kNoMatch: {
        regmatch_t range[1];
        range[0].rm_so = 0;
        range[0].rm_eo = static_cast<regoff_t>(text.size());
        const bool found = regexec(&patterns_[term.pattern]->compiled, text.data(), 1, range,
                                   REG_STARTEND) == 0;
        return term.op == Op::kMatch ? found : !found;
      }
      case Op::kLess:
      case Op::kLessOrEqual:
      case Op::kGreater:
      case Op::kGreaterOrEqual: break;
    }
    if (!number) number = wholeNumber(text);
    int order;
    if (number && term.number)
      order = *number < *term.number ? -1 : (*number > *term.number ? 1 : 0);
    else
      order = text.compare(term.value);
    switch (term.op) {
      case Op::kLess: return order < 0;
      case Op::kLessOrEqual: return order <= 0;
      case Op::kGreater: return order > 0;
      default: return order >= 0;
    }
  };
  return evaluate(evaluate, root_);
}

void addWhere(PublicationSet& set, const Collection& collection,
              const std::vector<const Condition*>& conditions, bool keepOthers) {
  for (const auto& node : collection) {
    bool wanted = node->isEntry() || keepOthers;
    if (node->isEntry())
      for (const Condition* condition : conditions)
        if (condition != nullptr && !condition->holds(*node)) wanted = false;
    if (wanted && set.add(node.get())) node->label = node->keyword;
  }
}

}  // namespace pubforge
