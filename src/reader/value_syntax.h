// The rules of BibTeX value syntax, in one place for the reader and the
// writer: where a quoted or braced value ends, which bytes may form a value
// without delimiters, which pair of braces the reader takes off a value, and
// so which delimiters keep a value intact when it is written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pubforge {

// Letters, digits, "+-.:_" and bytes above 0x7F may form a value without
// delimiters (a number, or a macro name such as jan).
constexpr bool isBareValueByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '+' || c == '-' || c == '.' || c == ':' || c == '_' || c >= 0x80;
}

// True when a bare value is a macro name rather than a number: it begins
// with a letter, "_" or a byte above 0x7F (not with a digit, a sign or ".").
constexpr bool isMacroName(std::string_view text) {
  if (text.empty()) return false;
  const unsigned char c = static_cast<unsigned char>(text[0]);
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}

// True when `text` can be written without delimiters and read back as the
// same macro name.
constexpr bool isWritableMacroName(std::string_view text) {
  if (!isMacroName(text)) return false;
  for (char c : text)
    if (!isBareValueByte(static_cast<unsigned char>(c))) return false;
  return true;
}

// Follows a quoted value from the byte after its opening quote.  A double
// quote ends it when it stands outside braces; a backslash before a double
// quote keeps the quote in the value.  The text may arrive in pieces.
class QuotedValueScan {
 public:
  // Scans the next piece; returns the position in it of the quote that ends
  // the value, or npos when the value goes on.
  size_t feed(std::string_view piece);
  // A backslash ends what was fed: its next byte decides what it does.
  bool endsInBackslash() const { return backslash_; }

 private:
  long depth_ = 0;
  bool backslash_ = false;
};

// Follows a braced value from the byte after its opening brace: the brace
// that brings the depth back to 0 ends it.  A braced value has no escapes.
// The text may arrive in pieces.
class BracedValueScan {
 public:
  // Scans the next piece; returns the position in it of the closing brace,
  // or npos when the value goes on.
  size_t feed(std::string_view piece);
  long depth() const { return depth_; }

 private:
  long depth_ = 1;
};

// True when the text's braces balance, so that it can stand between braces
// as a value (or a comment block) and come back whole.
bool bracesBalance(std::string_view text);

// How a value is put between delimiters.
enum class ValueForm {
  kQuoted,        // "text"
  kQuotedInPair,  // "{text}", where the reader takes the pair off again
  kBraced,        // {text}
};

// The delimiters that keep `text` as it is when the reader reads it back.
// `preferred` is tried first; `readerStripsBraces` tells whether the reader
// takes one enclosing pair of braces off this value (every field but an
// author list or a comment).  `blank` asks for one blank after the text:
// the text ends in a backslash that would hide the closing delimiter, and
// the reader trims the blank again.
struct ValueLayout {
  std::string_view open;
  std::string_view close;
  bool blank = false;
  // False when no single form reads back as the text (which only values
  // joined with "#" can give, such as a "}" and a double quote after it).
  bool exact = true;
};
ValueLayout layoutValue(std::string_view text, ValueForm preferred, bool readerStripsBraces);

// Appends `text` as parts joined by " # " that read back as the text: each
// double quote outside braces in braces of its own, the rest in quotes.
// For a text that layoutValue cannot keep.  False, with nothing appended,
// when this does not work either.
bool appendAsConcatenation(std::string& out, std::string_view text, bool readerStripsBraces);

}  // namespace pubforge
