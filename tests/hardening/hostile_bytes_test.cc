// NUL bytes and invalid UTF-8 anywhere in the input.  Values keep every byte
// (also through the writer); outside values such bytes are stray bytes that
// go to standard output and may cut a key or keyword in two.
#include <gtest/gtest.h>

#include <string>

#include "hostile_input.h"

namespace pubforge::hardening {
namespace {

using namespace std::string_literals;

struct BytesCase {
  const char* name;
  std::string input;
  ReadResult result;
  std::string out;        // stray bytes
  std::string key;        // of the first publication, when the read succeeds
  std::string keyword;    // an item to look at, when the read succeeds
  std::string value;      // its value
};

const BytesCase kCases[] = {
    {"nul-in-braced-value", "@misc{k, title = {a\0b}}"s, ReadResult::kOk, "", "k", "title",
     "a\0b"s},
    {"nul-in-quoted-value", "@misc{k, title = \"a\0b\"}"s, ReadResult::kOk, "", "k", "title",
     "a\0b"s},
    {"nul-in-comment-line", "%a\0b\n"s, ReadResult::kOk, "", "1", "comment", "a\0b"s},
    {"nul-between-entries", "\0@misc{k, title = {x}}\0\n"s, ReadResult::kOk, "\0\0"s, "k",
     "title", "x"},
    {"nul-in-key", "@misc{k\0j, title = {x}}"s, ReadResult::kSyntaxError, "\0"s, "", "", ""},
    {"nul-in-keyword", "@misc{k, ti\0tle = {x}}"s, ReadResult::kSyntaxError, "\0"s, "", "", ""},
    {"nul-ends-bare-value", "@misc{k, year = 19\0" "99}"s, ReadResult::kSyntaxError, "\0"s, "",
     "", ""},
    {"invalid-utf8-in-value", "@misc{k, title = {\xff\xfe \x80 \xc0\xaf \xe4\xb8}}",
     ReadResult::kOk, "", "k", "title", "\xff\xfe \x80 \xc0\xaf \xe4\xb8"},
    // Every byte above 0x7F is a name byte, so a broken sequence stays in the key.
    {"lead-byte-stays-in-key", "@misc{k\xc3, title = {x}}", ReadResult::kOk, "", "k\xc3",
     "title", "x"},
    {"truncated-three-byte-character-stays-in-key", "@misc{k\xe4\xb8, title = {x}}",
     ReadResult::kOk, "", "k\xe4\xb8", "title", "x"},
    {"four-byte-character-inside-key", "@misc{k\xf0\x9f\x98\x80j, title = {x}}",
     ReadResult::kOk, "", "k\xf0\x9f\x98\x80j", "title", "x"},
    {"lead-byte-at-end-of-input", "@misc{k\xc3", ReadResult::kSyntaxError, "", "", "", ""},
    {"utf8-letters-in-key", "@misc{h\xc3\xbc\xe4\xb8\xad, title = {x}}", ReadResult::kOk, "",
     "h\xc3\xbc\xe4\xb8\xad", "title", "x"},
    {"invalid-utf8-in-author-names",
     "@misc{k, author = {\xff\xfe B. Kell and \xc3 \xe4\xb8 Lee and \x80, \xc3}}",
     ReadResult::kOk, "", "k", "", ""},
};

TEST(HostileBytes, AreKeptInValuesAndStrayElsewhere) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  for (const BytesCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const Read read = readText(c.input);
    ASSERT_EQ(read.result, c.result) << read.err;
    EXPECT_EQ(read.out, c.out);
    if (c.result != ReadResult::kOk) {
      EXPECT_EQ(read.err, "ERROR in line 1: syntax error\n");
      continue;
    }
    ASSERT_FALSE(read.collection.empty());
    EXPECT_EQ(read.collection.front()->keyword, c.key);

    // Written and read back, the entry is the same, and writing it again
    // gives the same file.
    const std::string written = writeBibTeX(read.collection, dir);
    const Read back = readText(written);
    ASSERT_EQ(back.result, ReadResult::kOk) << written;
    EXPECT_EQ(dumpCollection(back.collection), dumpCollection(read.collection));
    EXPECT_EQ(writeBibTeX(back.collection, dir), written);

    if (c.keyword.empty()) continue;
    const Item* item = findItem(*back.collection.front(), c.keyword);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->value, c.value);
  }
}

}  // namespace
}  // namespace pubforge::hardening
