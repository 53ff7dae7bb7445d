// Reading the macro definitions of a preamble, and expanding the macros in a
// value as TeX does: the expansion is read again in place of the use, and an
// argument may come from the text that follows it.
#include "text/latex_macros.h"

#include <algorithm>
#include <vector>

#include "text/latex_commands.h"

namespace pubforge {

namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// --------------------------------------------------------- definitions

// Reads the parts of a definition from a preamble; every read either moves
// past what it read or leaves the position where it was and fails.
class DefinitionReader {
 public:
  explicit DefinitionReader(std::string_view text) : text_(text) {}

  bool atEnd() const { return pos_ >= text_.size(); }
  std::size_t position() const { return pos_; }
  void moveTo(std::size_t pos) { pos_ = pos; }

  void skipSpace() {
    while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
  }

  bool take(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }

  // A control sequence at the position: its name, without the backslash.
  bool controlSequence(std::string_view& name) {
    if (pos_ + 1 >= text_.size() || text_[pos_] != '\\') return false;
    std::size_t end = pos_ + 1;
    if (isLetter(text_[end])) {
      while (end < text_.size() && isLetter(text_[end])) ++end;
    } else {
      ++end;
    }
    name = text_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end;
    return true;
  }

  // A braced group at the position: its content.
  bool group(std::string_view& content) {
    if (pos_ >= text_.size() || text_[pos_] != '{') return false;
    std::size_t depth = 0;
    for (std::size_t i = pos_; i < text_.size(); ++i) {
      if (text_[i] == '\\') {
        ++i;
      } else if (text_[i] == '{') {
        ++depth;
      } else if (text_[i] == '}' && --depth == 0) {
        content = text_.substr(pos_ + 1, i - pos_ - 1);
        pos_ = i + 1;
        return true;
      }
    }
    return false;
  }

  // "[...]" at the position, with "]" inside braces belonging to the text.
  bool bracketed(std::string_view& content) {
    if (pos_ >= text_.size() || text_[pos_] != '[') return false;
    std::size_t depth = 0;
    for (std::size_t i = pos_ + 1; i < text_.size(); ++i) {
      if (text_[i] == '\\') {
        ++i;
      } else if (text_[i] == '{') {
        ++depth;
      } else if (text_[i] == '}') {
        if (depth > 0) --depth;
      } else if (text_[i] == ']' && depth == 0) {
        content = text_.substr(pos_ + 1, i - pos_ - 1);
        pos_ = i + 1;
        return true;
      }
    }
    return false;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

enum class DefinitionKind { kNone, kLatex, kLatexProvide, kTex };

DefinitionKind definitionKind(std::string_view name) {
  if (name == "newcommand" || name == "renewcommand" || name == "DeclareRobustCommand")
    return DefinitionKind::kLatex;
  if (name == "providecommand") return DefinitionKind::kLatexProvide;
  if (name == "def" || name == "gdef" || name == "edef" || name == "xdef")
    return DefinitionKind::kTex;
  return DefinitionKind::kNone;
}

// "\newcommand*{\name}[2][default]{body}" after the command word; the
// braces around the name may be left out.
bool readLatexDefinition(DefinitionReader& in, LatexMacro& macro) {
  in.skipSpace();
  in.take('*');
  in.skipSpace();
  std::string_view name;
  if (in.take('{')) {
    in.skipSpace();
    if (!in.controlSequence(name)) return false;
    in.skipSpace();
    if (!in.take('}')) return false;
  } else if (!in.controlSequence(name)) {
    return false;
  }
  macro.name = name;
  in.skipSpace();
  std::string_view count;
  if (in.bracketed(count)) {
    if (count.size() != 1 || count[0] < '0' || count[0] > '9') return false;
    macro.parameters = static_cast<unsigned>(count[0] - '0');
    in.skipSpace();
    std::string_view defaultArgument;
    if (in.bracketed(defaultArgument)) {
      if (macro.parameters == 0) return false;
      macro.optionalFirst = true;
      macro.defaultArgument = defaultArgument;
      in.skipSpace();
    }
  }
  std::string_view body;
  if (!in.group(body)) return false;
  macro.body = body;
  return true;
}

// "\def\name#1#2{body}" after the command word.  Only parameters that follow
// one another in order are read; a delimited parameter text is not.
bool readTexDefinition(DefinitionReader& in, LatexMacro& macro) {
  in.skipSpace();
  std::string_view name;
  if (!in.controlSequence(name)) return false;
  macro.name = name;
  if (isLetter(name[0])) in.skipSpace();
  while (in.take('#')) {
    if (macro.parameters == 9 || !in.take(static_cast<char>('1' + macro.parameters)))
      return false;
    ++macro.parameters;
  }
  std::string_view body;
  if (!in.group(body)) return false;
  macro.body = body;
  return true;
}

// --------------------------------------------------------- expansion

// The value and the expansions under way, read as one stream of bytes: the
// innermost expansion first, then what is left of the one around it.
class Expander {
 public:
  Expander(const LatexMacros& macros, std::string_view value, std::string& out)
      : macros_(macros),
        value_(value),
        out_(out),
        budget_(std::max(kMacroOutputFactor * value.size(), kMinMacroOutput)) {}

  // False when the value uses no macro.
  bool run(const LatexMacro*& overflowed) {
    out_.clear();
    bool expanded = false;
    while (!atEnd()) {
      const bool inValue = frames_.empty();
      const char c = next();
      if (c != '\\' || atEnd()) {
        out_.push_back(c);
        continue;
      }
      const std::size_t backslash = valuePos_ - 1;  // when inValue
      std::string name(1, next());
      if (isLetter(name[0])) {
        while (letterHere()) name.push_back(next());
      }
      const LatexMacro* macro = macros_.find(name);
      if (macro == nullptr) {
        out_.push_back('\\');
        out_.append(name);
        continue;
      }
      expanded = true;
      if (inValue) {
        // Where the value is printed as written from, should this use of a
        // macro go too far.
        callOut_ = out_.size();
        callPos_ = backslash;
      }
      if (!expandMacro(*macro)) {
        overflowed = macro;
        out_.resize(callOut_);
        out_.append(value_.substr(callPos_));
        return true;
      }
    }
    return expanded;
  }

 private:
  struct Frame {
    std::string text;
    std::size_t pos;
  };

  bool atEnd() {
    while (!frames_.empty() && frames_.back().pos >= frames_.back().text.size()) frames_.pop_back();
    return frames_.empty() && valuePos_ >= value_.size();
  }

  // A letter follows in the same text: the name of a command word never
  // reaches past the end of the expansion it is in.
  bool letterHere() const {
    if (frames_.empty()) return valuePos_ < value_.size() && isLetter(value_[valuePos_]);
    const Frame& top = frames_.back();
    return top.pos < top.text.size() && isLetter(top.text[top.pos]);
  }

  // Only after atEnd() said false.
  char peek() const {
    return frames_.empty() ? value_[valuePos_] : frames_.back().text[frames_.back().pos];
  }
  char next() { return frames_.empty() ? value_[valuePos_++] : frames_.back().text[frames_.back().pos++]; }

  void skipSpace() {
    while (!atEnd() && isSpace(peek())) next();
  }

  // One undelimited argument: a braced group without its braces, a control
  // sequence, or one character.  Missing at the end of the value: empty.
  std::string argument() {
    skipSpace();
    std::string text;
    if (atEnd()) return text;
    const char first = next();
    if (first == '{') {
      std::size_t depth = 1;
      while (!atEnd()) {
        const char c = next();
        if (c == '\\' && !atEnd()) {
          text.push_back(c);
          text.push_back(next());
          continue;
        }
        if (c == '{') ++depth;
        if (c == '}' && --depth == 0) break;
        text.push_back(c);
      }
      return text;
    }
    text.push_back(first);
    if (first == '\\' && !atEnd()) {
      const char c = next();
      text.push_back(c);
      if (isLetter(c)) {
        while (letterHere()) text.push_back(next());
      }
    } else if (static_cast<unsigned char>(first) >= 0xC0) {
      // The rest of a UTF-8 character belongs to it.
      while (!atEnd() && (static_cast<unsigned char>(peek()) & 0xC0) == 0x80)
        text.push_back(next());
    }
    return text;
  }

  // An optional argument in brackets, or the default.
  std::string optionalArgument(const LatexMacro& macro) {
    skipSpace();
    if (atEnd() || peek() != '[') return macro.defaultArgument;
    next();
    std::string text;
    std::size_t depth = 0;
    while (!atEnd()) {
      const char c = next();
      if (c == '\\' && !atEnd()) {
        text.push_back(c);
        text.push_back(next());
        continue;
      }
      if (c == ']' && depth == 0) break;
      if (c == '{') ++depth;
      if (c == '}' && depth > 0) --depth;
      text.push_back(c);
    }
    return text;
  }

  // Reads the arguments and puts the expansion in front of what follows;
  // false when that would go past a bound.
  bool expandMacro(const LatexMacro& macro) {
    if (frames_.size() + 1 > kMaxMacroDepth) return false;
    // A command word takes the blanks after it, as TeX reads it.
    if (macro.parameters == 0 && isLetter(macro.name[0])) {
      while (!atEnd() && isBlank(peek())) next();
    }
    std::vector<std::string> arguments;
    arguments.reserve(macro.parameters);
    for (unsigned i = 0; i < macro.parameters; ++i) {
      arguments.push_back(i == 0 && macro.optionalFirst ? optionalArgument(macro) : argument());
    }
    std::string text;
    const std::string_view body = macro.body;
    for (std::size_t i = 0; i < body.size(); ++i) {
      if (body[i] == '#' && i + 1 < body.size()) {
        const char c = body[i + 1];
        if (c == '#') {
          text.push_back('#');
          ++i;
          continue;
        }
        if (c >= '1' && c <= '9' && static_cast<unsigned>(c - '0') <= macro.parameters) {
          const std::string& argument = arguments[static_cast<std::size_t>(c - '1')];
          if (produced_ + text.size() + argument.size() > budget_) return false;
          text += argument;
          ++i;
          continue;
        }
      }
      text.push_back(body[i]);
    }
    produced_ += text.size();
    if (produced_ > budget_) return false;
    if (!text.empty()) frames_.push_back({std::move(text), 0});
    return true;
  }

  const LatexMacros& macros_;
  std::string_view value_;
  std::size_t valuePos_ = 0;
  std::string& out_;
  std::vector<Frame> frames_;
  std::size_t budget_;
  std::size_t produced_ = 0;
  std::size_t callOut_ = 0;
  std::size_t callPos_ = 0;
};

}  // namespace

void LatexMacros::addDefinitions(std::string_view preamble) {
  DefinitionReader in(preamble);
  while (!in.atEnd()) {
    std::string_view command;
    if (!in.controlSequence(command)) {
      in.moveTo(in.position() + 1);
      continue;
    }
    const DefinitionKind kind = definitionKind(command);
    if (kind == DefinitionKind::kNone) continue;
    const std::size_t after = in.position();
    LatexMacro macro;
    const bool read = kind == DefinitionKind::kTex ? readTexDefinition(in, macro)
                                                   : readLatexDefinition(in, macro);
    if (!read) {
      in.moveTo(after);
      continue;
    }
    if (findLatexCommand(macro.name) != nullptr) continue;
    if (kind == DefinitionKind::kLatexProvide && macros_.contains(macro.name)) continue;
    std::string name = macro.name;
    macros_.insert_or_assign(std::move(name), std::move(macro));
  }
}

const LatexMacro* LatexMacros::find(std::string_view name) const {
  const auto found = macros_.find(name);
  return found == macros_.end() ? nullptr : &found->second;
}

bool LatexMacros::expand(std::string_view text, std::string& out,
                         const LatexMacro*& overflowed) const {
  overflowed = nullptr;
  if (macros_.empty() || text.find('\\') == std::string_view::npos) return false;
  return Expander(*this, text, out).run(overflowed);
}

}  // namespace pubforge
