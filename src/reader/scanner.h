// The BibTeX scanner: turns the bytes of one input file into tokens.  Bytes
// that no token accepts are handed to a stray-byte sink (standard output).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pubforge {

enum class TokenKind {
  kAt,          // "@"
  kOpen,        // "{" outside a value
  kClose,       // "}" outside a value
  kComma,       // "," outside a value
  kEquals,      // "="; the grammar reads the value after it
  kHash,        // "#" outside a value; the grammar reads the value after it
  kOpenParen,   // "(" outside a value
  kCloseParen,  // ")" outside a value
  kName,        // a word: citation key, field keyword, entry type word
  kValue,       // a value in quotes or braces; text is without the delimiters
  kBareValue,   // a value without delimiters: a number or a macro name
  kComment,     // a comment line; text is the rest of the line after "%"
  kEnd,         // end of input
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;
};

// The type name for an entry type word in any letter case, or empty.
std::string_view entryTypeName(std::string_view word);

// A field read whole by Scanner::plainField.  The views point into the
// input read so far: they hold until the scanner reads on.
struct PlainField {
  std::string_view keyword;
  std::string_view value;  // without its delimiters
  int valueEndLine = 0;    // the line on which the value ends
  bool comma = false;      // a "," followed (and was consumed); else a "}"
};

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
  // the input could not be read (readFailed() tells).  Bytes that start no
  // token are stray bytes.  "=", "#", "(" and ")" are tokens; where the
  // grammar has no use for them they are stray bytes too (stray()).
  Token next();

  // After "=" or "#": skips blanks (and line breaks too with `acrossLines`)
  // and reads one value in quotes or braces (kValue) or without delimiters
  // (kBareValue).  kEnd when the input ends inside the value.  False, with
  // only the blanks consumed, when no value begins there.
  bool value(Token& token, bool acrossLines);

  // True when a value begins after blanks on the current line: "=" and "#"
  // that have one are no stray bytes.
  bool valueOnSameLine();

  // After the word "comment" of "@comment": a block in braces or
  // parentheses gives kValue with the text between the delimiters (in a
  // block in parentheses, parentheses outside braces nest); anything else on
  // the line gives kComment with the rest of the line, up to its line feed.
  // kEnd when the input ends inside a block.
  void commentBody(Token& token);

  // After a citation key: other bytes that are no name characters (such as
  // "&" or "("), followed by more name
  // characters, continue the key; they are appended to `key` with what
  // follows them.  Blanks, NUL, ",", braces, "=", "#", "%", "@" and a double
  // quote end a key, and so does ")" in an entry in parentheses.
  void continueKey(std::string& key, bool inParentheses);

  // The common field of an entry in braces, `keyword = {value},`, read in
  // one pass: blanks and line breaks around the keyword and the "=", a value
  // in braces or quotes or (with `bareValues`) a number or month macro
  // without delimiters, then blanks and a "," (consumed) or the "}" that
  // closes the entry (left for the next token).  Anything else (a comment
  // line, "#", a stray byte, another bare word, the end of the input read
  // so far) leaves the input as it was and gives false, so that the token
  // path reads it.
  bool plainField(PlainField& field, bool bareValues);

  // Hands a byte that the grammar has no use for to the stray-byte sink.
  void stray(char c) { stray_.push_back(c); }
  // Where the next stray byte goes, for a byte that is found to be stray
  // only after later ones.
  size_t strayMark() const { return stray_.size(); }
  void insertStray(size_t mark, char c) { stray_.insert(stray_.begin() + mark, c); }

  // Line number: 1 plus the line feeds consumed so far.
  int line() const { return line_; }

  bool readFailed() const { return readFailed_; }

 private:
  // True when the byte at `i` is available, reading more input if needed.
  bool has(size_t i) {
    return i < input_.size() || (refill_ && more(i));
  }
  bool more(size_t i);
  size_t skipBlanks(size_t i, bool acrossLines);
  void scanDelimited(Token& token);  // at the opening quote, brace or parenthesis
  void scanComment(size_t start, Token& token);
  size_t nameLength(size_t pos);
  bool isByteOrderMark(size_t pos);  // the UTF-8 one, at an available byte
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
