// The BibTeX scanner: turns the bytes of one input file into tokens.  Bytes
// that no token accepts are handed to a stray-byte sink (standard output).
#pragma once

#include <cstdint>
#include <functional>
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
  // Appends the next piece of the input to the buffer; appends nothing at the
  // end of the input.  False when the input cannot be read.
  using Refill = std::function<bool(std::string& buffer)>;

  // Scans a whole text, which must outlive the scanner.  Stray bytes are
  // appended to `stray`.
  Scanner(std::string_view input, std::string& stray) : input_(input), stray_(stray) {}

  // Scans an input that arrives piece by piece.  Only the token being read
  // and the unread rest of the last piece are held in memory.
  Scanner(Refill refill, std::string& stray) : stray_(stray), refill_(std::move(refill)) {}

  // The next token; kEnd at the end of the input (also inside an unfinished
  // value; a comment line without its final line feed is dropped) and when
  // the input could not be read (readFailed() tells).
  Token next();

  // Line number: 1 plus the line feeds consumed so far.
  int line() const { return line_; }

  bool readFailed() const { return readFailed_; }

 private:
  // True when the byte at `i` is available, reading more input if needed.
  bool has(size_t i) {
    return i < input_.size() || (refill_ && more(i));
  }
  bool more(size_t i);
  bool scanValue(Token& token);  // after "=" and blanks
  void scanComment(size_t start, Token& token);
  size_t nameLength(size_t pos);
  void countLines(size_t from, size_t to);

  std::string_view input_;
  std::string& stray_;
  Refill refill_;
  std::string buffer_;  // the input read so far, less what was consumed
  bool atEnd_ = false;
  bool readFailed_ = false;
  size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace pubforge
