// Helpers for the tests that feed the reader and the writer hostile input:
// reading a text, writing a collection to a scratch file and reading it back.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "model/node.h"
#include "../common/collection_dump.h"
#include "model/publication_set.h"
#include "reader/reader.h"
#include "writers/bibtex_writer.h"

namespace pubforge::hardening {

struct Read {
  ReadResult result = ReadResult::kOk;
  Collection collection;  // empty unless the read succeeded
  std::string out;        // stray bytes
  std::string err;        // diagnostics
};


// Reads the text as a whole, or handed over in pieces of `pieceSize` bytes
// as a file or a pipe delivers it.
inline Read readOnce(std::string_view text, size_t pieceSize) {
  std::ostringstream out, err;
  BibReader reader(out, err);
  Read read;
  if (pieceSize == 0) {
    read.result = reader.readText(text);
  } else {
    size_t offset = 0;
    read.result = reader.readPieces([&](std::string& buffer) {
      const std::string_view piece = text.substr(offset, pieceSize);
      buffer.append(piece);
      offset += piece.size();
      return true;
    });
  }
  if (read.result == ReadResult::kOk) read.collection = reader.finish();
  read.out = out.str();
  read.err = err.str();
  return read;
}

// Reads the text as a whole and in the 64 KiB pieces that a pipe delivers;
// both must give the same.
inline Read readText(std::string_view text) {
  Read whole = readOnce(text, 0);
  const Read pieces = readOnce(text, size_t{1} << 16);
  EXPECT_EQ(pieces.result, whole.result);
  EXPECT_TRUE(pieces.out == whole.out) << "stray bytes differ when read in pieces";
  EXPECT_TRUE(pieces.err == whole.err) << "messages differ when read in pieces";
  EXPECT_TRUE(dumpCollection(pieces.collection) == dumpCollection(whole.collection))
      << "entries differ when read in pieces";
  return whole;
}

inline std::string fileContents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A folder of its own for each test, removed at the end.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = ::testing::TempDir() + "pubforge-hardening-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  bool ok() const { return !path_.empty(); }
  std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

// Writes every publication of the collection as one BibTeX file and returns
// its bytes; empty, with a test failure, when the writer fails.
inline std::string writeBibTeX(const Collection& collection, const ScratchDir& dir) {
  PublicationSet set(collection.size());
  set.addAll(collection);
  std::ostringstream err;
  const std::string path = dir.file("out.bib");
  const bool written = exportToBibTeX(set, path, false, {}, err);
  EXPECT_TRUE(written) << err.str();
  EXPECT_EQ(err.str(), "");
  return fileContents(path);
}

// The collection read back from what the writer made of `collection`.
inline Read writeAndReadBack(const Collection& collection, const ScratchDir& dir) {
  return readText(writeBibTeX(collection, dir));
}

inline std::string repeat(std::string_view piece, size_t times) {
  std::string text;
  text.reserve(piece.size() * times);
  for (size_t i = 0; i < times; ++i) text.append(piece);
  return text;
}

}  // namespace pubforge::hardening
