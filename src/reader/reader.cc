#include "reader/reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <new>
#include <ostream>

#include "reader/cross_references.h"
#include "reader/entry_building.h"
#include "model/items.h"
#include "reader/value_syntax.h"
#include "text/ascii.h"
#include "text/months.h"

namespace pubforge {

namespace {

// An entry type word outside the table, as it is kept: first letter
// upper-case, the rest lower-case.
std::string typeWordOf(std::string_view word) {
  std::string kept = asciiLowerCopy(word);
  if (!kept.empty()) kept[0] = asciiUpper(kept[0]);
  return kept;
}

// The commands that "@" can stand for besides an entry.
enum class AtCommand { kEntry, kComment, kPreamble, kString };

AtCommand atCommandOf(std::string_view word) {
  if (word.size() < 6 || word.size() > 8) return AtCommand::kEntry;
  const std::string lower = asciiLowerCopy(word);
  if (lower == "comment") return AtCommand::kComment;
  if (lower == "preamble") return AtCommand::kPreamble;
  if (lower == "string") return AtCommand::kString;
  return AtCommand::kEntry;
}

// The grammar, one construct at a time:
//   file     := (construct | junk)+         junk is skipped with a warning
//   construct:= COMMENT
//             | "@" "comment" (block | rest of the line)
//             | "@" "preamble" open value close
//             | "@" "string" open NAME "=" value close
//             | "@" TYPE open NAME "," items close
//   open     := "{" | "("                   with the matching close
//   items    := item ("," item)*
//   item     := NAME "=" value | (nothing)
//   value    := part ("#" part)*            part: quoted, braced or bare
// Comment lines inside a construct are read and discarded wherever they
// stand.  "#", "(", ")" and "=" that the grammar has no use for are stray
// bytes, as are "=" without a value on its line.
class Parser {
 public:
  Parser(Scanner& scanner, Diagnostics diag, unsigned& commentCounter,
         std::unordered_map<std::string, std::string>& macros,
         std::vector<std::unique_ptr<Node>>& entries, std::vector<Item>& scratch,
         std::string_view fileName)
      : scanner_(scanner),
        diag_(diag),
        commentCounter_(commentCounter),
        macros_(macros),
        entries_(entries),
        scratch_(scratch),
        fileName_(fileName) {}

  ReadResult parse() {
    bool any = false;
    bool skipping = false;  // inside text outside entries
    // Text outside entries is skipped up to the next "@" or comment line,
    // with one warning for each stretch of it.
    auto skip = [&] {
      if (!skipping)
        diag_.warning("Skipping text outside entries in line ", scanner_.line());
      skipping = true;
    };
    for (;;) {
      Token token = topLevelToken();
      switch (token.kind) {
        case TokenKind::kEnd:
          if (scanner_.readFailed()) return ReadResult::kReadError;
          if (!any) return syntaxError();
          return ReadResult::kOk;
        case TokenKind::kComment:
          entries_.push_back(makeCommentLine(std::move(token.text), commentCounter_));
          any = true;
          skipping = false;
          break;
        case TokenKind::kAt:
          if (!parseAt()) return syntaxError();
          any = true;
          skipping = false;
          break;
        case TokenKind::kHash:
        case TokenKind::kOpenParen:
        case TokenKind::kCloseParen:
          strayed(token, TokenKind::kEnd);
          break;
        case TokenKind::kEquals:
          // A value after "=" is skipped whole: it may hold an "@".
          if (skipping || scanner_.valueOnSameLine()) {
            skip();
            if (scanner_.value(token, true)) {
              if (token.kind == TokenKind::kEnd) return syntaxError();
              break;
            }
          }
          scanner_.stray('=');
          break;
        default:
          skip();
          break;
      }
    }
  }

 private:
  // The next token between constructs: one read ahead, or the scanner's.
  Token topLevelToken() {
    if (hasPending_) {
      hasPending_ = false;
      return std::move(pending_);
    }
    return scanner_.next();
  }

  // The next token inside a construct, passing over comment lines.
  Token take() {
    if (hasPending_) {
      hasPending_ = false;
      return std::move(pending_);
    }
    Token token = scanner_.next();
    while (token.kind == TokenKind::kComment) token = scanner_.next();
    return token;
  }
  void putBack(Token token) {
    pending_ = std::move(token);
    hasPending_ = true;
  }

  // Hands the token to the stray-byte sink when it is one of the bytes that
  // mean nothing where they stand: "#", "(", ")" unless it is the `closer`,
  // and "=" without a value on its line.  True when it did.
  bool strayed(const Token& token, TokenKind closer) {
    switch (token.kind) {
      case TokenKind::kHash:
        scanner_.stray('#');
        return true;
      case TokenKind::kOpenParen:
        scanner_.stray('(');
        return true;
      case TokenKind::kCloseParen:
        if (closer == TokenKind::kCloseParen) return false;
        scanner_.stray(')');
        return true;
      case TokenKind::kEquals:
        if (scanner_.valueOnSameLine()) return false;
        scanner_.stray('=');
        return true;
      default:
        return false;
    }
  }

  // The next token that means something inside a construct closed by
  // `closer`.
  Token significant(TokenKind closer) {
    for (;;) {
      Token token = take();
      if (!strayed(token, closer)) return token;
    }
  }

  // "{" or "(" after the word of "@string" or "@preamble"; the token that
  // will close the construct, or kEnd when neither comes.
  TokenKind open() {
    for (;;) {
      const Token token = take();
      if (token.kind == TokenKind::kOpen) return TokenKind::kClose;
      if (token.kind == TokenKind::kOpenParen) return TokenKind::kCloseParen;
      if (!strayed(token, TokenKind::kEnd)) return TokenKind::kEnd;
    }
  }

  // "{" or "(" after an entry type.  A "(" directly before the "{" of an
  // entry stays the stray byte it has always been.
  TokenKind openEntry() {
    const size_t none = SIZE_MAX;
    size_t parenAt = none;  // where the first "(" goes if it is stray
    for (;;) {
      Token token = take();
      switch (token.kind) {
        case TokenKind::kOpen:
          if (parenAt != none) scanner_.insertStray(parenAt, '(');
          return TokenKind::kClose;
        case TokenKind::kOpenParen:
          if (parenAt == none)
            parenAt = scanner_.strayMark();
          else
            scanner_.stray('(');
          continue;
        default:
          if (strayed(token, TokenKind::kEnd)) continue;
          if (parenAt != none && scanner_.strayMark() == parenAt) {
            putBack(std::move(token));
            return TokenKind::kCloseParen;
          }
          return TokenKind::kEnd;
      }
    }
  }

  // Appends one part of a value; a bare word that names a macro stands for
  // the macro's text.  A macro that no file has defined (the month macros
  // are always defined) is reported and stands for its name.  True when
  // the part is such an undefined macro.
  bool appendPart(std::string& value, Token& part, bool first) {
    bool undefined = false;
    if (part.kind == TokenKind::kBareValue && isMacroName(part.text)) {
      const std::string name = asciiLowerCopy(part.text);
      if (auto macro = macros_.find(name); macro != macros_.end()) {
        value += macro->second;
        return false;
      }
      undefined = !isMonthMacro(name);
      // A name cut short by a failing read is not reported.
      if (undefined && !scanner_.readFailed())
        diag_.entryWarning(owner_, "uses undefined macro ", part.text);
    }
    if (first)
      value = std::move(part.text);
    else
      value += part.text;
    return undefined;
  }

  // The value whose first part is in `part_`, with the parts joined to it
  // by "#".  False when the input ends inside a part.  Afterwards
  // `undefinedMacro_` tells whether the value is one undefined macro alone.
  bool valueParts(std::string& value) {
    if (part_.kind == TokenKind::kEnd) return false;
    undefinedMacro_ = appendPart(value, part_, true);
    for (;;) {
      valueEndLine_ = scanner_.line();
      Token token = take();
      if (token.kind != TokenKind::kHash) {
        putBack(std::move(token));
        return true;
      }
      if (!scanner_.value(part_, true)) {
        scanner_.stray('#');
        continue;
      }
      if (part_.kind == TokenKind::kEnd) return false;
      appendPart(value, part_, false);
      undefinedMacro_ = false;
    }
  }

  enum class Field { kRead, kNoValue, kWordWithoutValue };

  // After a field keyword: "=" and the value, which may begin on a later
  // line.  An "=" without a value is a stray byte.  kWordWithoutValue when
  // another word follows the keyword, which is put back.
  Field fieldValue(TokenKind closer, std::string& value) {
    for (;;) {
      Token token = take();
      if (token.kind == TokenKind::kEquals) {
        if (scanner_.value(part_, true))
          return valueParts(value) ? Field::kRead : Field::kNoValue;
        scanner_.stray('=');
        continue;
      }
      if (strayed(token, closer)) continue;
      if (token.kind != TokenKind::kName) return Field::kNoValue;
      putBack(std::move(token));
      return Field::kWordWithoutValue;
    }
  }

  bool parseAt() {
    Token word = take();
    if (word.kind != TokenKind::kName) return false;
    switch (atCommandOf(word.text)) {
      case AtCommand::kComment:
        return parseCommentCommand();
      case AtCommand::kPreamble:
        return parsePreamble();
      case AtCommand::kString:
        return parseString();
      case AtCommand::kEntry:
        break;
    }
    return parseEntry(word.text);
  }

  // A block in braces or parentheses is a comment block; otherwise the rest
  // of the line is a comment line, as if it began with "%".
  bool parseCommentCommand() {
    Token body;
    scanner_.commentBody(body);
    if (body.kind == TokenKind::kValue) {
      entries_.push_back(makeTextPublication(PublicationKind::kCommentBlock, "@comment", "comment",
                                             std::move(body.text)));
      return true;
    }
    if (body.kind != TokenKind::kComment) return false;
    entries_.push_back(makeCommentLine(std::move(body.text), commentCounter_));
    return true;
  }

  bool parsePreamble() {
    const TokenKind closer = open();
    if (closer == TokenKind::kEnd) return false;
    std::string value;
    owner_ = "@preamble";
    if (!scanner_.value(part_, true) || !valueParts(value)) return false;
    if (significant(closer).kind != closer) return false;
    entries_.push_back(
        makeTextPublication(PublicationKind::kPreamble, "@preamble", "preamble", std::move(value)));
    return true;
  }

  // A macro: defined from here on, in this file and every later one; a
  // later definition of the same name replaces it.
  bool parseString() {
    const TokenKind closer = open();
    if (closer == TokenKind::kEnd) return false;
    Token name = significant(closer);
    if (name.kind != TokenKind::kName) return false;
    std::string value;
    owner_ = name.text;
    if (fieldValue(closer, value) != Field::kRead) return false;
    if (significant(closer).kind != closer) return false;
    macros_[asciiLowerCopy(name.text)] = value;
    entries_.push_back(makeTextPublication(PublicationKind::kString, std::move(name.text), "string",
                                           std::move(value)));
    return true;
  }

  bool parseEntry(const std::string& word) {
    std::string_view typeName = entryTypeName(word);
    std::string typeWord;
    if (typeName.empty()) {
      // Read like Misc, written back under its own word.
      typeName = "Misc";
      typeWord = typeWordOf(word);
    }
    const TokenKind closer = openEntry();
    if (closer == TokenKind::kEnd) return false;
    Token key = significant(closer);
    if (key.kind != TokenKind::kName) return false;
    // Bytes such as "&" or "(" inside a key
    // belong to it.
    scanner_.continueKey(key.text, closer == TokenKind::kCloseParen);
    owner_ = key.text;
    for (size_t mark = scanner_.strayMark();;) {
      Token token = significant(closer);
      if (token.kind == TokenKind::kComma) break;
      // Words between the key and its comma (a key with a blank in it) are
      // stray text; a key cut by a stray byte stays an error.
      if (token.kind != TokenKind::kName || scanner_.strayMark() != mark) return false;
      reportSkipped(key.text, scanner_.line());
    }

    std::vector<Item>& items = scratch_;
    items.clear();
    bool afterItem = false;  // an item was just read; "," or the closer must follow
    for (;;) {
      // Most fields are plain `keyword = {value},` and are read in one go;
      // a bare value stays with the token path once macros are defined.
      if (closer == TokenKind::kClose && !afterItem && !hasPending_) {
        PlainField field;
        if (scanner_.plainField(field, macros_.empty())) {
          items.push_back(makeItem(field.keyword, std::string(field.value)));
          valueEndLine_ = field.valueEndLine;
          afterItem = !field.comma;
          continue;
        }
      }
      Token token = significant(closer);
      if (token.kind == closer) break;
      if (token.kind == TokenKind::kComma) {
        afterItem = false;
        continue;
      }
      if (token.kind == TokenKind::kAt) {
        // An entry that is not closed ends where the next one begins.
        diag_.entryWarning(key.text, "is not closed before line ", scanner_.line());
        putBack(std::move(token));
        break;
      }
      if (token.kind != TokenKind::kName) return false;
      // A field that begins on a later line than the value before it ends
      // is taken as such, comma or not.
      const int line = scanner_.line();
      if (afterItem && line == valueEndLine_) return false;
      const bool missingComma = afterItem;
      std::string value;
      const size_t mark = scanner_.strayMark();
      switch (fieldValue(closer, value)) {
        case Field::kRead:
          // Reported once the field is read whole: its keyword may have been
          // cut short by the end of the input, and a value that a failing
          // read cut short is no field to report on.
          if (missingComma && !scanner_.readFailed())
            diag_.entryWarning(key.text, "lacks a comma before \"", token.text, "\" in line ", line);
          items.push_back(makeItem(token.text, std::move(value)));
          items.back().undefinedMacro = undefinedMacro_;
          afterItem = true;
          break;
        case Field::kWordWithoutValue:
          // A word that stands where a field begins, followed by another
          // word, is stray text (such as a number pasted between two
          // fields); the field begins with the next word.  A keyword cut by
          // a stray byte stays an error.
          if (scanner_.strayMark() != mark) return false;
          reportSkipped(key.text, line);
          break;
        case Field::kNoValue:
          return false;
      }
    }
    // The items are gathered in a reused vector and handed over in one of
    // exactly their size, with room for the page count that the page check
    // may add.
    bool hasPages = false;
    for (const Item& item : items) hasPages = hasPages || item.keyword == "pages";
    std::vector<Item> exact;
    exact.reserve(items.size() + (hasPages ? 1 : 0));
    std::move(items.begin(), items.end(), std::back_inserter(exact));
    items.clear();
    std::unique_ptr<Node> entry =
        makePublication(typeName, std::move(key.text), std::move(exact), diag_);
    entry->typeWord = std::move(typeWord);
    entries_.push_back(std::move(entry));
    return true;
  }

  void reportSkipped(std::string_view key, int line) {
    diag_.warning("Skipping text in entry ", key, " in line ", line);
  }

  ReadResult syntaxError() {
    // An input that breaks off is a read error, not a syntax error.
    if (scanner_.readFailed()) return ReadResult::kReadError;
    if (fileName_.empty())
      diag_.report("ERROR in line ", scanner_.line(), ": syntax error\n");
    else
      diag_.report("ERROR in line ", scanner_.line(), " of ", fileName_, ": syntax error\n");
    return ReadResult::kSyntaxError;
  }

  Scanner& scanner_;
  Diagnostics diag_;
  unsigned& commentCounter_;
  std::unordered_map<std::string, std::string>& macros_;
  std::vector<std::unique_ptr<Node>>& entries_;
  std::vector<Item>& scratch_;
  std::string_view fileName_;
  Token pending_;  // a token read ahead, when hasPending_
  bool hasPending_ = false;
  Token part_;  // the value part being read
  bool undefinedMacro_ = false;  // see valueParts
  std::string owner_;  // the key of the construct being read, for warnings
  int valueEndLine_ = 0;  // the line on which the last value ended
};

}  // namespace

ReadResult BibReader::parse(Scanner& scanner, std::string& stray, std::string_view fileName) {
  ReadResult result;
  size_t before = entries_.size();
  try {
    Parser parser(scanner, diag_, commentCounter_, macros_, entries_, scratch_, fileName);
    result = parser.parse();
  } catch (const std::bad_alloc&) {
    stray.clear();
    diag_.report("ERROR in line ", scanner.line(), ": memory exhausted\n");
    result = ReadResult::kMemoryExhausted;
  }
  out_.write(stray.data(), static_cast<std::streamsize>(stray.size()));
  if (result != ReadResult::kOk) entries_.resize(before);
  return result;
}

ReadResult BibReader::readText(std::string_view text) {
  std::string stray;
  Scanner scanner(text, stray);
  return parse(scanner, stray);
}

ReadResult BibReader::readPieces(Scanner::Refill refill) {
  std::string stray;
  Scanner scanner(std::move(refill), stray);
  return parse(scanner, stray);
}

ReadResult BibReader::readFile(const std::string& fileName, bool nameInErrors) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    diag_.error("Unable to open BibTeX input file ", fileName);
    return ReadResult::kOpenError;
  }
  // The file is scanned as it is read, a piece at a time, so a large file
  // is never held in memory as a whole.
  std::string stray;
  Scanner scanner(
      [fd](std::string& buffer) {
        constexpr size_t kPiece = 1 << 20;
        size_t old = buffer.size();
        buffer.resize(old + kPiece);
        ssize_t got;
        do {
          got = ::read(fd, buffer.data() + old, kPiece);
        } while (got < 0 && errno == EINTR);
        buffer.resize(old + (got > 0 ? static_cast<size_t>(got) : 0));
        return got >= 0;
      },
      stray);
  const ReadResult result =
      parse(scanner, stray, nameInErrors ? std::string_view(fileName) : std::string_view());
  ::close(fd);
  if (result == ReadResult::kReadError)
    diag_.error("Unable to read BibTeX input file ", fileName);
  return result;
}

Collection BibReader::finish() {
  Collection collection = assembleCollection(std::move(entries_), diag_);
  resolveCrossReferences(collection, diag_);
  return collection;
}

}  // namespace pubforge
