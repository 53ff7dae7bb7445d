// Helpers for reader tests: read texts and describe the collection compactly.
#pragma once

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "model/node.h"
#include "reader/reader.h"

namespace pubforge::testing {

// One line per publication: "Type key: kw=value | kw=value".
inline std::string describe(const Collection& collection) {
  std::string text;
  for (const auto& node : collection) {
    text += node->value + (node->typeWord.empty() ? "" : "/" + node->typeWord) + " " +
            node->keyword + ":";
    const char* sep = " ";
    for (const Item& item : node->items) {
      text += sep + item.keyword + "=" + item.value;
      sep = " | ";
    }
    text += "\n";
  }
  return text;
}

struct ReadOutcome {
  ReadResult result = ReadResult::kOk;
  std::string entries;  // describe() of the collection, empty on failure
  std::string out;
  std::string err;
};

// Reads the texts as successive files of one bibliography.  With a piece
// size, each text is handed to the reader in pieces of that many bytes.
inline ReadOutcome readTexts(const std::vector<std::string>& texts, size_t pieceSize = 0) {
  std::ostringstream out, err;
  BibReader reader(out, err);
  ReadOutcome outcome;
  for (const std::string& text : texts) {
    size_t offset = 0;
    outcome.result =
        pieceSize == 0 ? reader.readText(text)
                       : reader.readPieces([&](std::string& buffer) {
                           size_t n = std::min(pieceSize, text.size() - offset);
                           buffer.append(text, offset, n);
                           offset += n;
                           return true;
                         });
    if (outcome.result != ReadResult::kOk) break;
  }
  if (outcome.result == ReadResult::kOk) outcome.entries = describe(reader.finish());
  outcome.out = out.str();
  outcome.err = err.str();
  return outcome;
}

}  // namespace pubforge::testing
