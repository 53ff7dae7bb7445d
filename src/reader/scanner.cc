#include "reader/scanner.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "reader/value_syntax.h"
#include "text/ascii.h"
#include "text/byte_scan.h"
#include "text/months.h"

namespace pubforge {

namespace {

struct TypeWord {
  std::string_view word;
  std::string_view name;
};

constexpr TypeWord kTypeWords[] = {
    {"article", "Article"},
    {"book", "Book"},
    {"booklet", "Booklet"},
    {"dataset", "Dataset"},
    {"data", "Data"},
    {"inbook", "InBook"},
    {"incollection", "InCollection"},
    {"inproceedings", "InProceedings"},
    {"conference", "InProceedings"},
    {"manual", "Manual"},
    {"mastersthesis", "MastersThesis"},
    {"misc", "Misc"},
    {"online", "Online"},
    {"phdthesis", "PhDThesis"},
    {"techreport", "TechReport"},
    {"proceedings", "Proceedings"},
    {"unpublished", "Unpublished"},
    {"software", "Software"},
    {"softwareversion", "SoftwareVersion"},
    {"softwaremodule", "SoftwareModule"},
    {"codefragment", "CodeFragment"},
};

// The bytes that are tokens by themselves; kEnd for every other byte.
constexpr std::array<TokenKind, 256> kByteTokens = [] {
  std::array<TokenKind, 256> kinds{};
  kinds.fill(TokenKind::kEnd);
  kinds['@'] = TokenKind::kAt;
  kinds['{'] = TokenKind::kOpen;
  kinds['}'] = TokenKind::kClose;
  kinds[','] = TokenKind::kComma;
  kinds['='] = TokenKind::kEquals;
  kinds['#'] = TokenKind::kHash;
  kinds['('] = TokenKind::kOpenParen;
  kinds[')'] = TokenKind::kCloseParen;
  return kinds;
}();

// Consumed input is dropped from the buffer once this much has piled up.
constexpr size_t kCompactAfter = 1 << 20;

constexpr bool isAsciiAlnum(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Bytes of names: ASCII letters, digits and "+-.:_/", and every byte above
// 0x7F, so that a name in UTF-8 (or another encoding) is read whole.
constexpr std::array<bool, 256> kNameByte = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c)
    table[c] = isAsciiAlnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.' ||
               c == ':' || c == '_' || c == '/' || c >= 0x80;
  return table;
}();

// For each word length, the first letters that a type word of that length
// can have: every field keyword is a word too, and most are ruled out here.
constexpr size_t kLongestTypeWord = 15;
constexpr std::array<uint32_t, kLongestTypeWord + 1> kTypeWordStarts = [] {
  std::array<uint32_t, kLongestTypeWord + 1> starts{};
  for (const TypeWord& t : kTypeWords) starts[t.word.size()] |= 1u << (t.word[0] - 'a');
  return starts;
}();
static_assert([] {
  for (const TypeWord& t : kTypeWords)
    if (t.word.size() > kLongestTypeWord || t.word[0] < 'a' || t.word[0] > 'z') return false;
  return true;
}(), "type words are short and begin with a lower-case letter");

}  // namespace

std::string_view entryTypeName(std::string_view word) {
  if (word.empty() || word.size() > kLongestTypeWord) return {};
  const char first = asciiLower(word[0]);
  if (first < 'a' || first > 'z' || !(kTypeWordStarts[word.size()] & (1u << (first - 'a'))))
    return {};
  for (const TypeWord& t : kTypeWords)
    if (equalsIgnoringAsciiCase(word, t.word)) return t.name;
  return {};
}

bool Scanner::more(size_t i) {
  while (i >= input_.size() && !atEnd_) {
    size_t before = buffer_.size();
    if (!refill_(buffer_)) {
      readFailed_ = true;
      atEnd_ = true;
    } else if (buffer_.size() == before) {
      atEnd_ = true;
    }
    input_ = buffer_;
  }
  return i < input_.size();
}

// Length of the run of name bytes at `pos`.
size_t Scanner::nameLength(size_t pos) {
  size_t i = pos;
  while (has(i)) {
    // Name bytes in a run, without a refill check for each.
    const unsigned char* data = reinterpret_cast<const unsigned char*>(input_.data());
    const size_t n = input_.size();
    while (i < n && kNameByte[data[i]]) ++i;
    if (i < n) break;
  }
  return i - pos;
}

bool Scanner::isByteOrderMark(size_t pos) {
  return static_cast<unsigned char>(input_[pos]) == 0xEF && has(pos + 2) &&
         static_cast<unsigned char>(input_[pos + 1]) == 0xBB &&
         static_cast<unsigned char>(input_[pos + 2]) == 0xBF;
}

void Scanner::countLines(size_t from, size_t to) {
  // Most values hold no line feed at all: memchr passes over them fast.
  const char* p = input_.data() + from;
  const char* const end = input_.data() + to;
  while (p < end) {
    const void* lf = std::memchr(p, '\n', static_cast<size_t>(end - p));
    if (lf == nullptr) break;
    ++line_;
    p = static_cast<const char*>(lf) + 1;
  }
}

size_t Scanner::skipBlanks(size_t i, bool acrossLines) {
  while (has(i)) {
    const char c = input_[i];
    if (c == ' ' || c == '\t') {
      ++i;
    } else if (acrossLines && (c == '\r' || c == '\n')) {
      if (c == '\n') ++line_;
      ++i;
    } else {
      break;
    }
  }
  return i;
}

bool Scanner::valueOnSameLine() {
  const size_t i = skipBlanks(pos_, false);
  if (!has(i)) return false;
  const unsigned char c = static_cast<unsigned char>(input_[i]);
  return c == '"' || c == '{' || isBareValueByte(c);
}

bool Scanner::value(Token& token, bool acrossLines) {
  pos_ = skipBlanks(pos_, acrossLines);
  if (!has(pos_)) return false;
  const unsigned char c = static_cast<unsigned char>(input_[pos_]);
  if (c == '"' || c == '{') {
    scanDelimited(token);
    return true;
  }
  if (!isBareValueByte(c)) return false;
  size_t i = pos_ + 1;
  while (has(i) && isBareValueByte(static_cast<unsigned char>(input_[i]))) ++i;
  token.kind = TokenKind::kBareValue;
  // A text of its own, of exactly its size: the token may be reused, and
  // a buffer left from a longer value would stay with the item.
  token.text = std::string(input_.substr(pos_, i - pos_));
  pos_ = i;
  return true;
}

// At pos_ stands the opening delimiter.  The text up to the closing one is
// scanned as it arrives; the delimiters are not part of it.
void Scanner::scanDelimited(Token& token) {
  const char open = input_[pos_];
  const size_t start = pos_ + 1;
  size_t i = start;
  QuotedValueScan quoted;
  BracedValueScan braced;
  long braceDepth = 0;  // inside a block in parentheses
  long parenDepth = 0;  // parentheses opened outside braces in that block
  // The end of a block in parentheses: the ")" outside braces that closes
  // it; parentheses nest in it as braces do in a braced block.
  auto parenEnd = [&braceDepth, &parenDepth](std::string_view piece) {
    for (size_t k = 0;; ++k) {
      const size_t at = findAnyOf4(piece.substr(k), '{', '}', '(', ')');
      if (at == std::string_view::npos) return std::string_view::npos;
      k += at;
      if (piece[k] == '{')
        ++braceDepth;
      else if (piece[k] == '}')
        --braceDepth;
      else if (braceDepth > 0)
        continue;
      else if (piece[k] == '(')
        ++parenDepth;
      else if (parenDepth-- <= 0)
        return k;
    }
  };
  for (;;) {
    if (!has(i)) {
      // The input ends inside the value.
      countLines(start, input_.size());
      pos_ = input_.size();
      token.kind = TokenKind::kEnd;
      return;
    }
    const std::string_view piece = input_.substr(i);
    const size_t at = open == '"' ? quoted.feed(piece)
                      : open == '{' ? braced.feed(piece)
                                    : parenEnd(piece);
    if (at != std::string_view::npos) {
      i += at;
      break;
    }
    i = input_.size();
  }
  countLines(start, i);
  token.kind = TokenKind::kValue;
  token.text = std::string(input_.substr(start, i - start));  // of exactly its size
  pos_ = i + 1;
}

bool Scanner::plainField(PlainField& field, bool bareValues) {
  const char* const d = input_.data();
  const size_t n = input_.size();
  auto blanks = [d, n](size_t i) {
    while (i < n && (d[i] == ' ' || d[i] == '\t' || d[i] == '\n' || d[i] == '\r')) ++i;
    return i;
  };
  size_t i = blanks(pos_);
  const size_t keywordStart = i;
  while (i < n && kNameByte[static_cast<unsigned char>(d[i])]) ++i;
  const size_t keywordEnd = i;
  if (keywordEnd == keywordStart) return false;
  i = blanks(i);
  if (i >= n || d[i] != '=') return false;
  i = blanks(i + 1);
  if (i >= n) return false;
  const unsigned char open = static_cast<unsigned char>(d[i]);
  size_t valueStart = i + 1;
  size_t valueEnd = 0;
  size_t after = 0;  // the byte after the value and its closing delimiter
  if (open == '{' || open == '"') {
    const std::string_view rest = input_.substr(valueStart);
    size_t at;
    if (open == '{') {
      BracedValueScan scan;
      at = scan.feed(rest);
    } else {
      QuotedValueScan scan;
      at = scan.feed(rest);
    }
    if (at == std::string_view::npos) return false;
    valueEnd = valueStart + at;
    after = valueEnd + 1;
  } else if (bareValues && isBareValueByte(open)) {
    valueStart = i;
    valueEnd = i + 1;
    while (valueEnd < n && isBareValueByte(static_cast<unsigned char>(d[valueEnd]))) ++valueEnd;
    // A macro name that no file defines draws a warning and a mark on its
    // item: that is the token path's work.  Only the month macros, which
    // stand for their own names, stay here.
    const std::string_view bare = input_.substr(valueStart, valueEnd - valueStart);
    if (isMacroName(bare) && !(bare.size() == 3 && isMonthMacro(asciiLowerCopy(bare))))
      return false;
    after = valueEnd;
  } else {
    return false;
  }
  const size_t end = blanks(after);
  if (end >= n || (d[end] != ',' && d[end] != '}')) return false;

  countLines(pos_, after);
  field.valueEndLine = line_;
  countLines(after, end);
  field.keyword = input_.substr(keywordStart, keywordEnd - keywordStart);
  field.value = input_.substr(valueStart, valueEnd - valueStart);
  field.comma = d[end] == ',';
  pos_ = field.comma ? end + 1 : end;
  return true;
}

void Scanner::commentBody(Token& token) {
  const size_t i = skipBlanks(pos_, false);
  if (has(i) && (input_[i] == '{' || input_[i] == '(')) {
    pos_ = i;
    scanDelimited(token);
    return;
  }
  // Without a block the rest of the line is the comment, kept also when the
  // input ends without a line feed.
  const size_t start = pos_;
  scanComment(start, token);
  if (token.kind == TokenKind::kEnd) {
    token.kind = TokenKind::kComment;
    token.text.assign(input_.substr(std::min(start, input_.size())));
  }
}

void Scanner::continueKey(std::string& key, bool inParentheses) {
  auto joins = [inParentheses](unsigned char c) {
    switch (c) {
      case 0: case ' ': case '\t': case '\r': case '\n': case ',': case '{': case '}':
      case '=': case '#': case '%': case '@': case '"':
        return false;
      case ')':
        return !inParentheses;
      default:
        return true;
    }
  };
  for (bool continued = false;; continued = true) {
    size_t i = pos_;
    while (has(i) && joins(static_cast<unsigned char>(input_[i])) && nameLength(i) == 0) ++i;
    if (i == pos_) return;
    const size_t len = nameLength(i);
    if (len == 0) {
      // At the end of a key that was read whole they are stray bytes, as
      // they always were; a key that was continued keeps them too.
      if (continued) {
        key.append(input_.substr(pos_, i - pos_));
        pos_ = i;
      }
      return;
    }
    key.append(input_.substr(pos_, i + len - pos_));
    pos_ = i + len;
  }
}

// A comment line runs from `start` to the next line feed, which ends it.
void Scanner::scanComment(size_t start, Token& token) {
  size_t i = start;
  for (;;) {
    if (!has(i)) {
      // Without its line feed the comment yields no token.
      pos_ = input_.size();
      token.kind = TokenKind::kEnd;
      return;
    }
    const void* lf = std::memchr(input_.data() + i, '\n', input_.size() - i);
    if (lf != nullptr) {
      i = static_cast<const char*>(lf) - input_.data();
      break;
    }
    i = input_.size();
  }
  token.kind = TokenKind::kComment;
  token.text.assign(input_.substr(start, i - start));
  pos_ = i + 1;
  ++line_;
}

Token Scanner::next() {
  Token token;
  if (refill_ && pos_ >= kCompactAfter) {
    buffer_.erase(0, pos_);
    input_ = buffer_;
    pos_ = 0;
  }
  while (has(pos_)) {
    unsigned char c = static_cast<unsigned char>(input_[pos_]);
    if (const TokenKind kind = kByteTokens[c]; kind != TokenKind::kEnd) {
      ++pos_;
      token.kind = kind;
      return token;
    }
    switch (c) {
      case ' ':
      case '\t':
      case '\r':
        ++pos_;
        continue;
      case '\n':
        ++pos_;
        ++line_;
        continue;
      case '\\':
        if (has(pos_ + 1) && input_[pos_ + 1] == '%') {
          scanComment(pos_ + 2, token);
          return token;
        }
        stray_.push_back('\\');
        ++pos_;
        continue;
      case '%':
        scanComment(pos_ + 1, token);
        return token;
      default: {
        // A byte-order mark starts no name: its bytes stay stray bytes.
        if (isByteOrderMark(pos_)) {
          stray_.append(input_.substr(pos_, 3));
          pos_ += 3;
          continue;
        }
        size_t len = nameLength(pos_);
        if (len == 0) {
          stray_.push_back(static_cast<char>(c));
          ++pos_;
          continue;
        }
        token.kind = TokenKind::kName;
        token.text.assign(input_.substr(pos_, len));
        pos_ += len;
        return token;
      }
    }
  }
  token.kind = TokenKind::kEnd;
  return token;
}

}  // namespace pubforge
