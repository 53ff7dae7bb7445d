// The template evaluator: reads the template from its first byte to its
// last, copies literal text, opens, closes and skips sections, and hands
// each placeholder to the rule that its name selects.
#include "custom/template.h"

#include <algorithm>

#include "custom/placeholders.h"
#include "text/strings.h"
#include "text/utf8.h"

namespace pubforge {

namespace {

bool isSectionByte(char c) {
  return c == '[' || c == '(' || c == ']' || c == ')' || c == '|';
}

// Where a successful alternative resumes: after the "]" that closes its
// section, found by counting square brackets from `from` (a backslash hides
// the byte after it; round brackets do not count), or the end.
size_t skipRestOfSection(std::string_view text, size_t from) {
  size_t depth = 1;
  for (size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') {
      ++i;
    } else if (c == '[') {
      ++depth;
    } else if (c == ']' && --depth == 0) {
      return i + 1;
    }
  }
  return text.size();
}

}  // namespace

TemplatePrinter::TemplatePrinter(std::string_view templateText, const PrintEnvironment& env)
    : text_(templateText),
      env_(env),
      tokenIndex_(templateText.size(), 0) {}

TemplatePrinter::Token TemplatePrinter::readToken(size_t position) const {
  const std::string_view text = text_;
  const size_t size = text.size();
  Token token;
  const char first = text[position];

  if (first == '%' && position + 1 < size) {
    token.kind = Token::Kind::kPlaceholder;
    if (text[position + 1] == '{') {
      // The name runs to the first "}" that no backslash escapes; escapes
      // stay in the name.  Without such a "}" it is the rest of the template.
      size_t end = position + 2;
      while (end < size && text[end] != '}') end += text[end] == '\\' ? 2 : 1;
      end = std::min(end, size);
      token.text = text.substr(position + 2, end - position - 2);
      token.next = std::min(end + 1, size);
    } else {
      token.text.assign(1, text[position + 1]);
      token.next = position + 2;
    }
    token.rule = findPlaceholderRule(token.text);
    if (token.rule != nullptr && token.rule->prefix) token.operand = token.rule->name.size();
    return token;
  }

  token.next = position + 1;
  switch (first) {
    case '[':
    case '(': token.kind = Token::Kind::kOpen; return token;
    case ']': token.kind = Token::Kind::kCloseSquare; return token;
    case ')': token.kind = Token::Kind::kCloseRound; return token;
    case '|': token.kind = Token::Kind::kAlternative; return token;
    default: break;
  }

  // Literal text and escapes, up to the next byte that means more.
  token.kind = Token::Kind::kText;
  size_t i = position;
  while (i < size) {
    const char c = text[i];
    const bool last = i + 1 == size;
    if (isSectionByte(c) || (c == '%' && !last)) break;
    if (c == '\\' && !last) {
      // The escaped byte is one byte, appended as it is.
      const char escaped = text[i + 1];
      token.text += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
      i += 2;
      continue;
    }
    const size_t length = utf8SequenceLength(static_cast<unsigned char>(c));
    if (length == 0 || i + length > size) {
      ++i;  // a stray byte, or a sequence the template cuts off: dropped
      continue;
    }
    // Each character is converted on its own, with a line feed kept as a
    // line feed and the UTF-8 column whatever the style: in effect only "~"
    // changes, since no LaTeX form is a single character that converts.
    appendConvertedLatex(token.text, text.substr(i, length), env_.nbsp, "\n", false);
    i += length;
  }
  token.next = i;
  return token;
}

size_t TemplatePrinter::readTokenAt(size_t position) {
  tokens_.push_back(readToken(position));
  return tokenIndex_[position] = tokens_.size();
}

void TemplatePrinter::print(const Node& publication, const Node* previous, const Node* next,
                            PrintCounters& counters, Diagnostics diag, std::string& text) {
  ++counters.entryNumber;
  ++counters.totalEntryNumber;
  Evaluation eval{publication, previous, next, env_, counters, diag, text, sections_};
  const size_t size = text_.size();
  while (eval.position < size) {
    Token& token = tokenAt(eval.position);
    eval.position = token.next;
    switch (token.kind) {
      case Token::Kind::kText:
        text += token.text;
        break;
      case Token::Kind::kPlaceholder:
        if (token.rule == nullptr) {
          printItemPlaceholder(eval, token.text);
        } else {
          const std::string_view name = token.text;
          token.rule->handler(eval, name, name.substr(token.operand));
        }
        break;
      case Token::Kind::kOpen:
        // A section at the top level starts with a clear flag.
        if (eval.sections.empty()) eval.failed = false;
        eval.sections.push_back({text.size(), eval.failed});
        break;
      case Token::Kind::kCloseSquare:
      case Token::Kind::kCloseRound: {
        if (eval.sections.empty())
          templateError(diag, "Unexpected ']' in custom printing template");
        const OpenSection section = eval.sections.back();
        eval.sections.pop_back();
        if (eval.failed) {
          text.resize(section.outputLength);
          // "]" ends the failure here; ")" hands it to the enclosing section.
          if (token.kind == Token::Kind::kCloseSquare) eval.failed = section.failed;
        }
        break;
      }
      case Token::Kind::kAlternative: {
        if (eval.sections.empty())
          templateError(diag, "Unexpected '|' in custom printing template");
        const OpenSection section = eval.sections.back();
        if (eval.failed) {
          // The next alternative starts from the state the section began with.
          text.resize(section.outputLength);
          eval.failed = section.failed;
        } else {
          eval.sections.pop_back();
          eval.failed = section.failed;
          if (token.skipTo == Token::kNotYet) token.skipTo = skipRestOfSection(text_, token.next);
          eval.position = token.skipTo;
        }
        break;
      }
    }
  }
}

std::string printPublication(std::string_view templateText, const Node& publication,
                             const Node* previous, const Node* next,
                             const PrintEnvironment& env, PrintCounters& counters,
                             Diagnostics diag) {
  TemplatePrinter printer(templateText, env);
  std::string text;
  printer.print(publication, previous, next, counters, diag, text);
  return text;
}

}  // namespace pubforge
