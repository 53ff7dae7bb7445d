#include "reader/scanner.h"

#include <algorithm>
#include <cstring>

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

unsigned char lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; }

bool isAsciiAlnum(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Letters, digits and "+-.:_" may form a value without delimiters.
bool isBareValueChar(unsigned char c) {
  return isAsciiAlnum(c) || c == '+' || c == '-' || c == '.' || c == ':' || c == '_';
}

bool isContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

}  // namespace

std::string_view entryTypeName(std::string_view word) {
  for (const TypeWord& t : kTypeWords) {
    if (t.word.size() != word.size()) continue;
    bool same = true;
    for (size_t i = 0; i < word.size() && same; ++i)
      same = lower(static_cast<unsigned char>(word[i])) == static_cast<unsigned char>(t.word[i]);
    if (same) return t.name;
  }
  return {};
}

// Length of the run of name characters at `pos`: ASCII letters and digits,
// "+-.:_/", and the two- and three-byte UTF-8 letters of the Latin, Greek,
// Cyrillic and CJK ranges.
size_t Scanner::nameLength(size_t pos) const {
  const size_t n = input_.size();
  size_t i = pos;
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(input_[i]);
    if (isAsciiAlnum(c) || c == '+' || c == '-' || c == '.' || c == ':' || c == '_' || c == '/') {
      ++i;
    } else if ((c == 0xC3 || c == 0xC4 || c == 0xC5 || c == 0xCE || c == 0xCF || c == 0xD0 ||
                c == 0xD1) &&
               i + 1 < n && isContinuation(static_cast<unsigned char>(input_[i + 1]))) {
      i += 2;
    } else if (c >= 0xE3 && c <= 0xE9 && i + 2 < n &&
               isContinuation(static_cast<unsigned char>(input_[i + 1])) &&
               isContinuation(static_cast<unsigned char>(input_[i + 2]))) {
      i += 3;
    } else {
      break;
    }
  }
  return i - pos;
}

size_t Scanner::countLines(size_t from, size_t to) {
  size_t lines = std::count(input_.begin() + from, input_.begin() + to, '\n');
  line_ += static_cast<int>(lines);
  return lines;
}

// At pos_ stands the first byte after "=" and its blanks.  Reads a quoted,
// braced or bare value; false when none begins here.
bool Scanner::scanValue(Token& token) {
  const size_t n = input_.size();
  unsigned char c = static_cast<unsigned char>(input_[pos_]);
  if (c == '"') {
    // Quoted: a quote ends the value only outside braces; a backslash-quote
    // pair stays in the value.
    size_t start = pos_ + 1, i = start;
    int depth = 0;
    for (; i < n; ++i) {
      char b = input_[i];
      if (b == '\\' && i + 1 < n && input_[i + 1] == '"') {
        ++i;
      } else if (b == '{') {
        ++depth;
      } else if (b == '}') {
        --depth;
      } else if (b == '"' && depth <= 0) {
        break;
      }
    }
    countLines(start, i);
    if (i >= n) {
      pos_ = n;
      token.kind = TokenKind::kEnd;
      return true;
    }
    token.kind = TokenKind::kValue;
    token.text.assign(input_.substr(start, i - start));
    pos_ = i + 1;
    return true;
  }
  if (c == '{') {
    // Braced: no escapes; the brace that closes the first one ends it.
    size_t start = pos_ + 1, i = start;
    int depth = 1;
    for (; i < n; ++i) {
      char b = input_[i];
      if (b == '{') {
        ++depth;
      } else if (b == '}' && --depth <= 0) {
        break;
      }
    }
    countLines(start, i);
    if (i >= n) {
      pos_ = n;
      token.kind = TokenKind::kEnd;
      return true;
    }
    token.kind = TokenKind::kValue;
    token.text.assign(input_.substr(start, i - start));
    pos_ = i + 1;
    return true;
  }
  if (isBareValueChar(c)) {
    size_t start = pos_, i = start;
    while (i < n && isBareValueChar(static_cast<unsigned char>(input_[i]))) ++i;
    token.kind = TokenKind::kValue;
    token.text.assign(input_.substr(start, i - start));
    pos_ = i;
    return true;
  }
  return false;
}

// A comment line runs from `start` to the next line feed, which ends it.
void Scanner::scanComment(size_t start, Token& token) {
  const size_t n = input_.size();
  const void* lf = std::memchr(input_.data() + start, '\n', n - start);
  if (lf == nullptr) {
    // Without its line feed the comment yields no token.
    pos_ = n;
    token.kind = TokenKind::kEnd;
    return;
  }
  size_t end = static_cast<const char*>(lf) - input_.data();
  token.kind = TokenKind::kComment;
  token.text.assign(input_.substr(start, end - start));
  pos_ = end + 1;
  ++line_;
}

Token Scanner::next() {
  Token token;
  const size_t n = input_.size();
  while (pos_ < n) {
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
        while (i < n && (input_[i] == ' ' || input_[i] == '\t')) ++i;
        if (i < n) {
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
        if (pos_ + 1 < n && input_[pos_ + 1] == '%') {
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
