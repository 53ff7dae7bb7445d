#include "reader/reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <ostream>
#include <sys/stat.h>

#include "reader/entry_building.h"
#include "reader/items.h"
#include "reader/scanner.h"

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
  Parser(Scanner& scanner, std::ostream& err, unsigned& commentCounter,
         std::vector<std::unique_ptr<Node>>& entries)
      : scanner_(scanner), err_(err), commentCounter_(commentCounter), entries_(entries) {}

  ReadResult parse() {
    bool any = false;
    for (;;) {
      Token token = scanner_.next();
      if (token.kind == TokenKind::kEnd) {
        if (!any) return syntaxError();
        return ReadResult::kOk;
      }
      if (token.kind == TokenKind::kComment) {
        std::vector<Item> items;
        items.push_back(makeItem("comment", std::move(token.text)));
        entries_.push_back(
            makePublication("Comment", std::string(), std::move(items), commentCounter_, err_));
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

    std::vector<Item> items;
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
    entries_.push_back(
        makePublication(type.text, std::move(key.text), std::move(items), commentCounter_, err_));
    return true;
  }

  ReadResult syntaxError() {
    err_ << "ERROR in line " << scanner_.line() << ": syntax error\n";
    return ReadResult::kSyntaxError;
  }

  Scanner& scanner_;
  std::ostream& err_;
  unsigned& commentCounter_;
  std::vector<std::unique_ptr<Node>>& entries_;
};

}  // namespace

ReadResult BibReader::readText(std::string_view text) {
  std::string stray;
  Scanner scanner(text, stray);
  ReadResult result;
  size_t before = entries_.size();
  try {
    Parser parser(scanner, err_, commentCounter_, entries_);
    result = parser.parse();
  } catch (const std::bad_alloc&) {
    stray.clear();
    err_ << "ERROR in line " << scanner.line() << ": memory exhausted\n";
    result = ReadResult::kMemoryExhausted;
  }
  out_.write(stray.data(), static_cast<std::streamsize>(stray.size()));
  if (result != ReadResult::kOk) entries_.resize(before);
  return result;
}

bool readWholeFile(const std::string& fileName, std::string& data) {
  int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  data.clear();
  // A regular file is read straight into a buffer of its size; whatever else
  // comes (a pipe, a file that grew) is appended piece by piece.
  struct stat st;
  size_t filled = 0;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
    data.resize(static_cast<size_t>(st.st_size));
  bool ok = true;
  std::string piece;
  for (;;) {
    char* target;
    size_t room;
    if (filled < data.size()) {
      target = data.data() + filled;
      room = data.size() - filled;
    } else {
      piece.resize(1 << 16);
      target = piece.data();
      room = piece.size();
    }
    ssize_t got = ::read(fd, target, room);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    if (target == piece.data()) {
      data.resize(filled);
      data.append(piece.data(), static_cast<size_t>(got));
    }
    filled += static_cast<size_t>(got);
  }
  data.resize(filled);
  ::close(fd);
  return ok;
}

ReadResult BibReader::readFile(const std::string& fileName) {
  std::string data;
  if (!readWholeFile(fileName, data)) {
    err_ << "ERROR: Unable to read BibTeX input file " << fileName << "!\n";
    return ReadResult::kReadError;
  }
  return readText(data);
}

Collection BibReader::finish() { return assembleCollection(std::move(entries_), err_); }

}  // namespace pubforge
