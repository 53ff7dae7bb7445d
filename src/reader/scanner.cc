#include "reader/scanner.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "text/byte_scan.h"

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

// Consumed input is dropped from the buffer once this much has piled up.
constexpr size_t kCompactAfter = 1 << 20;

constexpr unsigned char lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

constexpr bool isAsciiAlnum(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Letters, digits and "+-.:_" may form a value without delimiters.
bool isBareValueChar(unsigned char c) {
  return isAsciiAlnum(c) || c == '+' || c == '-' || c == '.' || c == ':' || c == '_';
}

bool isContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// ASCII bytes of names: letters, digits and "+-.:_/".
constexpr std::array<bool, 256> kAsciiNameByte = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c)
    table[c] = isAsciiAlnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.' ||
               c == ':' || c == '_' || c == '/';
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
  const unsigned char first = lower(static_cast<unsigned char>(word[0]));
  if (first < 'a' || first > 'z' || !(kTypeWordStarts[word.size()] & (1u << (first - 'a'))))
    return {};
  for (const TypeWord& t : kTypeWords) {
    if (t.word.size() != word.size()) continue;
    bool same = true;
    for (size_t i = 0; i < word.size() && same; ++i)
      same = lower(static_cast<unsigned char>(word[i])) == static_cast<unsigned char>(t.word[i]);
    if (same) return t.name;
  }
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

// Length of the run of name characters at `pos`: ASCII letters and digits,
// "+-.:_/", and the two- and three-byte UTF-8 letters of the Latin, Greek,
// Cyrillic and CJK ranges.
size_t Scanner::nameLength(size_t pos) {
  size_t i = pos;
  while (has(i)) {
    // ASCII name bytes in a run, without a refill check for each.
    const unsigned char* data = reinterpret_cast<const unsigned char*>(input_.data());
    const size_t n = input_.size();
    while (i < n && kAsciiNameByte[data[i]]) ++i;
    if (i == n) continue;
    const unsigned char c = data[i];
    // Two- and three-byte letters; looking at their continuation bytes may
    // read more input, so the buffer is looked up afresh.
    if ((c == 0xC3 || c == 0xC4 || c == 0xC5 || c == 0xCE || c == 0xCF || c == 0xD0 ||
                c == 0xD1) &&
               has(i + 1) && isContinuation(static_cast<unsigned char>(input_[i + 1]))) {
      i += 2;
    } else if (c >= 0xE3 && c <= 0xE9 && has(i + 2) &&
               isContinuation(static_cast<unsigned char>(input_[i + 1])) &&
               isContinuation(static_cast<unsigned char>(input_[i + 2]))) {
      i += 3;
    } else {
      break;
    }
  }
  return i - pos;
}

void Scanner::countLines(size_t from, size_t to) {
  line_ += static_cast<int>(std::count(input_.begin() + from, input_.begin() + to, '\n'));
}

// At pos_ stands the first byte after "=" and its blanks.  Reads a quoted,
// braced or bare value; false when none begins here.
bool Scanner::scanValue(Token& token) {
  unsigned char c = static_cast<unsigned char>(input_[pos_]);
  size_t start = pos_ + 1, i = start;
  if (c == '"') {
    // Quoted: a quote ends the value only outside braces; a backslash-quote
    // pair stays in the value.
    int depth = 0;
    bool done = false;
    while (!done && has(i)) {
      // Scan what has been read; read more when it runs out.
      const char* data = input_.data();
      const size_t n = input_.size();
      // Jumps from one byte that matters to the next.
      for (; i < n; ++i) {
        const size_t at = findAnyOf4(std::string_view(data + i, n - i), '\\', '{', '}', '"');
        if (at == std::string_view::npos) {
          i = n;
          break;
        }
        i += at;
        char b = data[i];
        if (b == '\\') {
          if (i + 1 == n) break;  // the byte after it is not read yet
          if (data[i + 1] == '"') ++i;
        } else if (b == '{') {
          ++depth;
        } else if (b == '}') {
          --depth;
        } else if (depth <= 0) {  // a quote outside braces
          done = true;
          break;
        }
      }
      if (!done && i < n && !has(i + 1)) i = n;  // a backslash ends the input
    }
  } else if (c == '{') {
    // Braced: no escapes; the brace that closes the first one ends it.  The
    // scan jumps from brace to brace.
    int depth = 1;
    bool done = false;
    while (!done && has(i)) {
      const char* data = input_.data();
      const size_t n = input_.size();
      while (i < n) {
        const void* close = std::memchr(data + i, '}', n - i);
        const size_t closeAt = close ? static_cast<const char*>(close) - data : n;
        while (const void* open = std::memchr(data + i, '{', closeAt - i)) {
          ++depth;
          i = static_cast<const char*>(open) - data + 1;
        }
        i = closeAt;
        if (i == n) break;
        if (--depth <= 0) {
          done = true;
          break;
        }
        ++i;
      }
    }
  } else if (isBareValueChar(c)) {
    start = pos_;
    while (has(i) && isBareValueChar(static_cast<unsigned char>(input_[i]))) ++i;
    token.kind = TokenKind::kValue;
    token.text.assign(input_.substr(start, i - start));
    pos_ = i;
    return true;
  } else {
    return false;
  }
  i = std::min(i, input_.size());
  countLines(start, i);
  if (i >= input_.size()) {
    // The input ends inside the value.
    pos_ = input_.size();
    token.kind = TokenKind::kEnd;
    return true;
  }
  token.kind = TokenKind::kValue;
  token.text.assign(input_.substr(start, i - start));
  pos_ = i + 1;
  return true;
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
    switch (c) {
      case '@':
        ++pos_;
        token.kind = TokenKind::kAt;
        return token;
      case '{':
        ++pos_;
        token.kind = TokenKind::kOpen;
        return token;
      case '}':
        ++pos_;
        token.kind = TokenKind::kClose;
        return token;
      case ',':
        ++pos_;
        token.kind = TokenKind::kComma;
        return token;
      case ' ':
      case '\t':
      case '\r':
        ++pos_;
        continue;
      case '\n':
        ++pos_;
        ++line_;
        continue;
      case '=': {
        // A value may start only on the line of its "=": only blanks may
        // stand between them.  Otherwise the "=" is a stray byte.
        size_t i = pos_ + 1;
        while (has(i) && (input_[i] == ' ' || input_[i] == '\t')) ++i;
        if (has(i)) {
          size_t saved = pos_;
          pos_ = i;
          if (scanValue(token)) return token;
          pos_ = saved;
        }
        stray_.push_back('=');
        ++pos_;
        continue;
      }
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
        size_t len = nameLength(pos_);
        if (len == 0) {
          stray_.push_back(static_cast<char>(c));
          ++pos_;
          continue;
        }
        std::string_view word = input_.substr(pos_, len);
        pos_ += len;
        std::string_view type = entryTypeName(word);
        if (!type.empty()) {
          token.kind = TokenKind::kType;
          token.text.assign(type);
        } else {
          token.kind = TokenKind::kName;
          token.text.assign(word);
        }
        return token;
      }
    }
  }
  token.kind = TokenKind::kEnd;
  return token;
}

}  // namespace pubforge
