// The BibTeX reader: reads input files into publication nodes.  Several files
// form one bibliography: their entries are collected in order and assembled
// into one collection after the last file.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/node.h"
#include "reader/scanner.h"
#include "model/diagnostics.h"

namespace pubforge {

enum class ReadResult {
  kOk = 0,
  kSyntaxError = 1,      // message printed; the file does not parse
  kMemoryExhausted = 2,  // message printed; out of memory
  kReadError = 3,        // message printed; the system could not read the file
  kOpenError = 4,        // message printed; the file could not be opened
};

class BibReader {
 public:
  // Stray input bytes go to `out`, diagnostics to `diag`.
  BibReader(std::ostream& out, Diagnostics diag) : out_(out), diag_(diag) {}

  // Reads one whole file given as text.  Line numbers start at 1.
  ReadResult readText(std::string_view text);

  // Reads one whole file that arrives piece by piece.  A read error ends
  // the read with kReadError and no message.
  ReadResult readPieces(Scanner::Refill refill);

  // Reads the file `fileName`, piece by piece.  With `nameInErrors` (when
  // several files are read) a syntax error names the file.
  ReadResult readFile(const std::string& fileName, bool nameInErrors = false);

  // Assembles the entries of every file read into the collection, merging
  // entries with equal keys, and resolves the cross-references.  Duplicate
  // notes, and the warnings about cross-references and about the fields of
  // entries with one, are printed here.
  Collection finish();

 private:
  std::ostream& out_;
  Diagnostics diag_;
  unsigned commentCounter_ = 0;
  // The macros of @string definitions, by lower-case name; they hold for the
  // rest of the run, later files included.
  std::unordered_map<std::string, std::string> macros_;
  ReadResult parse(Scanner& scanner, std::string& stray, std::string_view fileName = {});

  std::vector<std::unique_ptr<Node>> entries_;
  std::vector<Item> scratch_;  // items of the entry being read
};

}  // namespace pubforge
