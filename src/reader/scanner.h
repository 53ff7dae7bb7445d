// The BibTeX scanner: turns the bytes of one input file into tokens.  Bytes
// that no token accepts are handed to a stray-byte sink (standard output).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pubforge {

enum class TokenKind {
  kAt,       // "@"
  kOpen,     // "{" outside a value
  kClose,    // "}" outside a value
  kComma,    // "," outside a value
  kType,     // an entry type word; text is its type name
  kName,     // a citation key or field keyword
  kValue,    // "=" and a field value; text is the value without delimiters
  kComment,  // a comment line; text is the rest of the line after "%"
  kEnd,      // end of input
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;
};

// The type name for an entry type word in any letter case, or empty.
std::string_view entryTypeName(std::string_view word);

class Scanner {
 public:
  // `input` must outlive the scanner.  Stray bytes are appended to `stray`.
  Scanner(std::string_view input, std::string& stray) : input_(input), stray_(stray) {}

  // The next token; kEnd at the end of the input (also inside an unfinished
  // value; a comment line without its final line feed is dropped).
  Token next();

  // Line number: 1 plus the line feeds consumed so far.
  int line() const { return line_; }

 private:
  bool scanValue(Token& token);  // after "=" and blanks
  void scanComment(size_t start, Token& token);
  size_t nameLength(size_t pos) const;
  size_t countLines(size_t from, size_t to);

  std::string_view input_;
  std::string& stray_;
  size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace pubforge
