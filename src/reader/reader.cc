#include "reader/reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <new>
#include <ostream>

#include "reader/entry_building.h"
#include "model/items.h"

namespace pubforge {

namespace {

// The grammar, one entry at a time:
//   file    := entry+
//   entry   := COMMENT | "@" TYPE "{" NAME "," items "}"
//   items   := item ("," item)*
//   item    := NAME VALUE | (nothing)
// Comment lines inside an entry are read and discarded wherever they stand.
class Parser {
 public:
  Parser(Scanner& scanner, Diagnostics diag, unsigned& commentCounter,
         std::vector<std::unique_ptr<Node>>& entries, std::vector<Item>& scratch)
      : scanner_(scanner),
        diag_(diag),
        commentCounter_(commentCounter),
        entries_(entries),
        scratch_(scratch) {}

  ReadResult parse() {
    bool any = false;
    for (;;) {
      Token token = scanner_.next();
      if (token.kind == TokenKind::kEnd) {
        if (scanner_.readFailed()) return ReadResult::kReadError;
        if (!any) return syntaxError();
        return ReadResult::kOk;
      }
      if (token.kind == TokenKind::kComment) {
        std::vector<Item> items;
        items.push_back(makeItem("comment", std::move(token.text)));
        entries_.push_back(
            makePublication("Comment", std::string(), std::move(items), commentCounter_, diag_));
      } else if (token.kind == TokenKind::kAt) {
        if (!parseEntry()) return syntaxError();
      } else {
        return syntaxError();
      }
      any = true;
    }
  }

 private:
  // The next token of an entry, passing over comment lines.
  Token entryToken() {
    Token token = scanner_.next();
    while (token.kind == TokenKind::kComment) token = scanner_.next();
    return token;
  }

  bool parseEntry() {
    Token type = entryToken();
    if (type.kind != TokenKind::kType) return false;
    if (entryToken().kind != TokenKind::kOpen) return false;
    Token key = entryToken();
    if (key.kind != TokenKind::kName) return false;
    if (entryToken().kind != TokenKind::kComma) return false;

    std::vector<Item>& items = scratch_;
    items.clear();
    bool afterItem = false;  // an item was just read; "," or "}" must follow
    for (;;) {
      Token token = entryToken();
      if (token.kind == TokenKind::kClose) break;
      if (token.kind == TokenKind::kComma) {
        afterItem = false;
        continue;
      }
      if (afterItem || token.kind != TokenKind::kName) return false;
      Token value = entryToken();
      if (value.kind != TokenKind::kValue) return false;
      items.push_back(makeItem(token.text, std::move(value.text)));
      afterItem = true;
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
    entries_.push_back(
        makePublication(type.text, std::move(key.text), std::move(exact), commentCounter_, diag_));
    return true;
  }

  ReadResult syntaxError() {
    // An input that breaks off is a read error, not a syntax error.
    if (scanner_.readFailed()) return ReadResult::kReadError;
    diag_.report("ERROR in line ", scanner_.line(), ": syntax error\n");
    return ReadResult::kSyntaxError;
  }

  Scanner& scanner_;
  Diagnostics diag_;
  unsigned& commentCounter_;
  std::vector<std::unique_ptr<Node>>& entries_;
  std::vector<Item>& scratch_;
};

}  // namespace

ReadResult BibReader::parse(Scanner& scanner, std::string& stray) {
  ReadResult result;
  size_t before = entries_.size();
  try {
    Parser parser(scanner, diag_, commentCounter_, entries_, scratch_);
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

ReadResult BibReader::readFile(const std::string& fileName) {
  int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  ReadResult result = ReadResult::kReadError;
  if (fd >= 0) {
    // The file is scanned as it is read, a piece at a time, so a large file
    // is never held in memory as a whole.
    result = readPieces(
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
        });
    ::close(fd);
  }
  if (result == ReadResult::kReadError)
    diag_.report("ERROR: Unable to read BibTeX input file ", fileName, "!\n");
  return result;
}

Collection BibReader::finish() { return assembleCollection(std::move(entries_), diag_); }

}  // namespace pubforge
