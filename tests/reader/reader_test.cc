// The accepted syntax: tokens, value modes, stray bytes, line numbers, the
// grammar and its errors.
#include <gtest/gtest.h>

#include "read_test_util.h"

namespace pubforge {
namespace {

using testing::readTexts;

const std::string kNoAuthorYear =
    "WARNING: Entry k has no \"author\" section!\nWARNING: Entry k has no \"year\" section!\n";

struct SyntaxCase {
  const char* name;
  std::string input;
  ReadResult result;
  std::string entries;  // when the read succeeds
  std::string out;      // stray bytes
  std::string err;
};

const SyntaxCase kSyntaxCases[] = {
    {"upper-case-type", "@MISC{k, title = {A}}\n", ReadResult::kOk, "Misc k: title=A\n", "",
     kNoAuthorYear},
    {"compact", "@Misc{k,title={A}}", ReadResult::kOk, "Misc k: title=A\n", "", kNoAuthorYear},
    {"blanks-and-trailing-comma", "@misc {k , title = {A} ,}", ReadResult::kOk,
     "Misc k: title=A\n", "", kNoAuthorYear},
    {"conference-is-inproceedings", "@conference{k, title={A}}", ReadResult::kOk,
     "InProceedings k: title=A\n", "",
     kNoAuthorYear + "WARNING: Entry k has no \"booktitle\" section!\n"},
    {"type-words-any-case", "@PhDThesis{k, title={A}}\n@codeFRAGMENT{j, title={B}}",
     ReadResult::kOk, "PhDThesis k: title=A\nCodeFragment j: title=B\n", "",
     kNoAuthorYear +
         "WARNING: Entry j has no \"author\" section!\nWARNING: Entry j has no \"year\" section!\n"},
    {"string-is-not-a-type", "@string{a = {b}}", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},
    {"comment-is-not-a-type", "\n\n@comment{x}", ReadResult::kSyntaxError, "", "",
     "ERROR in line 3: syntax error\n"},
    {"braced-value-keeps-inner-braces", "@misc{k, title = {The {RFC} Series}}", ReadResult::kOk,
     "Misc k: title=The {RFC} Series\n", "", kNoAuthorYear},
    {"quote-inside-braces-of-quoted-value", "@misc{k, title = \"a {\"} b\"}", ReadResult::kOk,
     "Misc k: title=a {\"} b\n", "", kNoAuthorYear},
    {"escaped-quote-stays-in-quoted-value", "@misc{k, title = \"a \\\" b\"}", ReadResult::kOk,
     "Misc k: title=a \\\" b\n", "", kNoAuthorYear},
    {"braced-value-has-no-escapes", "@misc{k, title = {a\\}, b=c}", ReadResult::kOk,
     "Misc k: title=a\\ | b=c\n", "", kNoAuthorYear},
    {"bare-number", "@misc{k, title={A}, year = 2010}", ReadResult::kOk,
     "Misc k: title=A | year=2010\n", "",
     "WARNING: Entry k has no \"author\" section!\n"},
    {"bare-value-stops-at-slash", "@misc{k, year = 10/2010}", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},
    {"value-on-next-line", "@misc{k, title =\n{A}}", ReadResult::kSyntaxError, "", "=",
     "ERROR in line 2: syntax error\n"},
    {"stray-bytes-between-entries", "# ! @misc{k, title={A}} (x)", ReadResult::kSyntaxError, "",
     "#!(", kNoAuthorYear + "ERROR in line 1: syntax error\n"},
    {"stray-bytes-only", "#!\n@misc{k, title={A}}\n\"", ReadResult::kOk, "Misc k: title=A\n",
     "#!\"", kNoAuthorYear},
    // The entry is built at its closing brace, so its warnings come first.
    {"stray-word", "@misc{k, title={A}} word", ReadResult::kSyntaxError, "", "",
     kNoAuthorYear + "ERROR in line 1: syntax error\n"},
    {"comment-line", "% note\n", ReadResult::kOk, "Comment 1: comment= note\n", "", ""},
    {"backslash-percent-comment", "\\%x\n", ReadResult::kOk, "Comment 1: comment=x\n", "", ""},
    {"comment-without-line-feed-is-lost", "% note", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},
    {"utf8-letter-in-key", "@misc{k\xC3\xBC, title={A}}", ReadResult::kOk,
     "Misc k\xC3\xBC: title=A\n", "",
     "WARNING: Entry k\xC3\xBC has no \"author\" section!\n"
     "WARNING: Entry k\xC3\xBC has no \"year\" section!\n"},
    {"micro-sign-splits-key", "@misc{k\xC2\xB5x, title={A}}", ReadResult::kSyntaxError, "",
     "\xC2\xB5", "ERROR in line 1: syntax error\n"},
    {"three-byte-letter-in-key", "@misc{\xE4\xB8\xAD, title={A}}", ReadResult::kOk,
     "Misc \xE4\xB8\xAD: title=A\n", "",
     "WARNING: Entry \xE4\xB8\xAD has no \"author\" section!\n"
     "WARNING: Entry \xE4\xB8\xAD has no \"year\" section!\n"},
    {"key-that-is-a-type-word", "@misc{Data, title={A}}", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},
    {"keyword-beginning-with-type-word", "@misc{k, booktitle={A}, title={B}}", ReadResult::kOk,
     "Misc k: title=B | booktitle=A\n", "", kNoAuthorYear},
    {"empty-file", "", ReadResult::kSyntaxError, "", "", "ERROR in line 1: syntax error\n"},
    {"blank-file", " \n\t\n", ReadResult::kSyntaxError, "", "", "ERROR in line 3: syntax error\n"},
    {"key-without-comma", "@misc{k}", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},
    {"entry-without-items", "@misc{k,}", ReadResult::kOk, "Misc k:\n", "",
     "WARNING: Entry k has no \"title\" section!\n" + kNoAuthorYear},
    {"empty-items", "@misc{k,, title={A},,}", ReadResult::kOk, "Misc k: title=A\n", "",
     kNoAuthorYear},
    {"items-need-commas", "@misc{k, title={A} year=2000}", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},
    {"name-without-value", "@misc{k, title}", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},
    {"error-line-counts-lines-inside-values", "@misc{k, title={A\nB\nC} x y}",
     ReadResult::kSyntaxError, "", "", "ERROR in line 3: syntax error\n"},
    {"comment-line-counts-one-line", "% c\n@misc{k, title={A}} }", ReadResult::kSyntaxError, "",
     "", kNoAuthorYear + "ERROR in line 2: syntax error\n"},
    {"unclosed-braced-value", "@misc{k, title={A\n\n", ReadResult::kSyntaxError, "", "",
     "ERROR in line 3: syntax error\n"},
    {"unclosed-quoted-value", "@misc{k, title=\"A", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},
    {"comment-lines-inside-entry",
     "@misc{k,\n% one\n title={A},\n% two\n% three\n year=2000 % four\n}\n", ReadResult::kOk,
     "Misc k: title=A | year=2000\n", "", "WARNING: Entry k has no \"author\" section!\n"},
    {"comment-line-before-type", "@\n% c\nmisc{k, title={A}}", ReadResult::kOk,
     "Misc k: title=A\n", "", kNoAuthorYear},
    {"percent-inside-value-is-text", "@misc{k, title={50% off}}", ReadResult::kOk,
     "Misc k: title=50% off\n", "", kNoAuthorYear},
    {"nul-bytes-stay-in-values", std::string("@misc{k, title={a\0b}}", 21), ReadResult::kOk,
     std::string("Misc k: title=a\0b\n", 18), "", kNoAuthorYear},
    {"crlf-line-ends", "@misc{k,\r\n title = {A},\r\n}\r\n", ReadResult::kOk,
     "Misc k: title=A\n", "", kNoAuthorYear},
};

TEST(ReaderSyntax, Cases) {
  for (const SyntaxCase& c : kSyntaxCases) {
    SCOPED_TRACE(c.name);
    testing::ReadOutcome got = readTexts({c.input});
    EXPECT_EQ(got.result, c.result);
    EXPECT_EQ(got.entries, c.entries);
    EXPECT_EQ(got.out, c.out);
    EXPECT_EQ(got.err, c.err);
  }
}

TEST(ReaderSyntax, InputInPiecesReadsTheSame) {
  for (size_t piece : {1, 2, 7}) {
    for (const SyntaxCase& c : kSyntaxCases) {
      SCOPED_TRACE(std::string(c.name) + " in pieces of " + std::to_string(piece));
      testing::ReadOutcome got = readTexts({c.input}, piece);
      EXPECT_EQ(got.result, c.result);
      EXPECT_EQ(got.entries, c.entries);
      EXPECT_EQ(got.out, c.out);
      EXPECT_EQ(got.err, c.err);
    }
  }
}

TEST(ReaderFiles, ReadFailureIsAReadError) {
  std::ostringstream out, err;
  BibReader reader(out, err);
  bool first = true;
  ReadResult result = reader.readPieces([&](std::string& buffer) {
    if (!first) return false;
    first = false;
    buffer += "@misc{k, title={A}}\n@misc{j, title={";
    return true;
  });
  EXPECT_EQ(result, ReadResult::kReadError);
  EXPECT_EQ(err.str(), kNoAuthorYear);  // no syntax error is reported
}

TEST(ReaderFiles, EachFileCountsItsLinesFromOne) {
  testing::ReadOutcome got = readTexts({"% a\n% b\n% c\n", "\n@misc{k}"});
  EXPECT_EQ(got.result, ReadResult::kSyntaxError);
  EXPECT_EQ(got.err, "ERROR in line 2: syntax error\n");
}

TEST(ReaderFiles, EachFileStartsInNormalMode) {
  // The first file ends inside a comment line; the second is read afresh.
  testing::ReadOutcome got = readTexts({"% a\n% unfinished", "@misc{k, title={A}}"});
  EXPECT_EQ(got.result, ReadResult::kOk);
  EXPECT_EQ(got.entries, "Comment 1: comment= a\nMisc k: title=A\n");
}

TEST(ReaderFiles, FilesFormOneBibliography) {
  testing::ReadOutcome got = readTexts({
      "% first\n@misc{k, title={A}, year=2001}\n@misc{j, title={J}, year=2002}\n",
      "% second\n@book{k, title={B}, year=2003}\n",
  });
  EXPECT_EQ(got.result, ReadResult::kOk);
  EXPECT_EQ(got.entries,
            "Comment 1: comment= first\n"
            "Misc k: title=A | year=2003\n"
            "Misc j: title=J | year=2002\n"
            "Comment 2: comment= second\n");
  // The duplicate note comes after the warnings of every file.
  EXPECT_EQ(got.err,
            "WARNING: Entry k has no \"author\" section!\n"
            "WARNING: Entry j has no \"author\" section!\n"
            "WARNING: Entry k has no \"author\" section!\n"
            "WARNING: Entry k has no \"publisher\" section!\n"
            "NOTE: Duplicate entry k; keeping the old title but updating the rest!\n"
            "Old = \"A\"\nNew = \"B\"\n");
}

TEST(ReaderScale, ManyEntriesAndDeepBraces) {
  std::string text;
  for (int i = 0; i < 100000; ++i)
    text += "@misc{key" + std::to_string(i) + ", title={T}, author={A B}, year=2000}\n";
  text += "@misc{deep, title={" + std::string(200000, '{') + std::string(200000, '}') +
          "}, author={A B}, year=2000}\n";
  testing::ReadOutcome got = readTexts({text});
  EXPECT_EQ(got.result, ReadResult::kOk);
  EXPECT_EQ(got.err, "");
}

}  // namespace
}  // namespace pubforge

namespace pubforge {
namespace {

TEST(EntryTypeName, TypeWordsInAnyCaseAndNothingElse) {
  const struct {
    std::string_view word, name;
  } cases[] = {
      {"article", "Article"},        {"ARTICLE", "Article"},
      {"Conference", "InProceedings"}, {"phdthesis", "PhDThesis"},
      {"SoftwareVersion", "SoftwareVersion"}, {"codefragment", "CodeFragment"},
      {"data", "Data"},              {"dataset", "Dataset"},
      // Field keywords, and words that share a type word's length and first
      // letter.
      {"publisher", ""},             {"address", ""},
      {"author", ""},                {"datas", ""},
      {"softwareversions", ""},      {"", ""},
      {"_misc", ""},                 {"\xC3\xA9tude", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(entryTypeName(c.word), c.name);
  }
}

}  // namespace
}  // namespace pubforge
