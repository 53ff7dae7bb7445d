// The accepted syntax: tokens, value modes, stray bytes, line numbers, the
// grammar and its errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

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
    {"string-definition", "@string{a = {b}}", ReadResult::kOk, "String a: string=b\n", "", ""},
    {"comment-block", "\n\n@comment{x}", ReadResult::kOk, "CommentBlock @comment: comment=x\n",
     "", ""},
    {"braced-value-keeps-inner-braces", "@misc{k, title = {The {RFC} Series}}", ReadResult::kOk,
     "Misc k: title=The {RFC} Series\n", "", kNoAuthorYear},
    {"quote-inside-braces-of-quoted-value", "@misc{k, title = \"a {\"} b\"}", ReadResult::kOk,
     "Misc k: title=a {\"} b\n", "", kNoAuthorYear},
    {"escaped-quote-stays-in-quoted-value", "@misc{k, title = \"a \\\" b\"}", ReadResult::kOk,
     "Misc k: title=a \\\" b\n", "", kNoAuthorYear},
    {"braced-value-has-no-escapes", "@misc{k, title = {a\\}, b=c}", ReadResult::kOk,
     "Misc k: title=a\\ | b=c\n", "", "WARNING: Entry k uses undefined macro c!\n" + kNoAuthorYear},
    {"bare-number", "@misc{k, title={A}, year = 2010}", ReadResult::kOk,
     "Misc k: title=A | year=2010\n", "",
     "WARNING: Entry k has no \"author\" section!\n"},
    {"bare-value-stops-at-slash", "@misc{k, year = 10/2010}", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},
    {"value-on-next-line", "@misc{k, title =\n{A}}", ReadResult::kOk, "Misc k: title=A\n", "",
     kNoAuthorYear},
    {"stray-bytes-between-entries", "# ! @misc{k, title={A}} (x)", ReadResult::kOk,
     "Misc k: title=A\n", "#!()",
     kNoAuthorYear + "WARNING: Skipping text outside entries in line 1!\n"},
    {"stray-bytes-only", "#!\n@misc{k, title={A}}\n\"", ReadResult::kOk, "Misc k: title=A\n",
     "#!\"", kNoAuthorYear},
    // The entry is built at its closing brace, so its warnings come first.
    {"stray-word", "@misc{k, title={A}} word", ReadResult::kOk, "Misc k: title=A\n", "",
     kNoAuthorYear + "WARNING: Skipping text outside entries in line 1!\n"},
    {"comment-line", "% note\n", ReadResult::kOk, "Comment 1: comment= note\n", "", ""},
    {"backslash-percent-comment", "\\%x\n", ReadResult::kOk, "Comment 1: comment=x\n", "", ""},
    {"comment-without-line-feed-is-lost", "% note", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},
    {"utf8-letter-in-key", "@misc{k\xC3\xBC, title={A}}", ReadResult::kOk,
     "Misc k\xC3\xBC: title=A\n", "",
     "WARNING: Entry k\xC3\xBC has no \"author\" section!\n"
     "WARNING: Entry k\xC3\xBC has no \"year\" section!\n"},
    {"micro-sign-inside-key", "@misc{k\xC2\xB5x, title={A}}", ReadResult::kOk,
     "Misc k\xC2\xB5x: title=A\n", "",
     "WARNING: Entry k\xC2\xB5x has no \"author\" section!\n"
     "WARNING: Entry k\xC2\xB5x has no \"year\" section!\n"},
    {"any-byte-above-0x7f-in-names",
     "@string{a\xC2\xAD" "b = {X}}\n@misc{k\xC2\xB5, title={A}, note = a\xC2\xAD" "B}\n"
     "@misc{\xFF\x80, title={B}, note = n\xE2\x80\x94}",
     ReadResult::kOk,
     "String a\xC2\xAD" "b: string=X\nMisc k\xC2\xB5: title=A | note=X\n"
     "Misc \xFF\x80: title=B | note=n\xE2\x80\x94\n",
     "",
     "WARNING: Entry k\xC2\xB5 has no \"author\" section!\n"
     "WARNING: Entry k\xC2\xB5 has no \"year\" section!\n"
     "WARNING: Entry \xFF\x80 uses undefined macro n\xE2\x80\x94!\n"
     "WARNING: Entry \xFF\x80 has no \"author\" section!\n"
     "WARNING: Entry \xFF\x80 has no \"year\" section!\n"},
    {"three-byte-letter-in-key", "@misc{\xE4\xB8\xAD, title={A}}", ReadResult::kOk,
     "Misc \xE4\xB8\xAD: title=A\n", "",
     "WARNING: Entry \xE4\xB8\xAD has no \"author\" section!\n"
     "WARNING: Entry \xE4\xB8\xAD has no \"year\" section!\n"},
    {"key-that-is-a-type-word", "@misc{Data, title={A}}", ReadResult::kOk, "Misc Data: title=A\n",
     "",
     "WARNING: Entry Data has no \"author\" section!\n"
     "WARNING: Entry Data has no \"year\" section!\n"},
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
    {"comment-line-counts-one-line", "% c\n@misc{k, title={A}} }", ReadResult::kOk,
     "Comment 1: comment= c\nMisc k: title=A\n", "",
     kNoAuthorYear + "WARNING: Skipping text outside entries in line 2!\n"},
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

    // Macros and concatenation.
    {"macro-in-value", "@String{ACM = \"{Assoc. Comp.}\"}\n@misc{k, title={A}, publisher = acm}",
     ReadResult::kOk, "String ACM: string={Assoc. Comp.}\nMisc k: title=A | publisher=Assoc. Comp.\n",
     "", kNoAuthorYear},
    {"undefined-bare-word-stays", "@string{feb = {Februar}}\n@misc{k, title={A}, note = jan}",
     ReadResult::kOk, "String feb: string=Februar\nMisc k: title=A | note=jan\n", "",
     kNoAuthorYear},
    {"macro-defined-later-is-not-known-yet",
     "@misc{k, title={A}, note = nb}\n@string{nb = {N}}\n@misc{j, title={B}, note = nb}",
     ReadResult::kOk, "Misc k: title=A | note=nb\nString nb: string=N\nMisc j: title=B | note=N\n",
     "",
     "WARNING: Entry k uses undefined macro nb!\n" + kNoAuthorYear +
         "WARNING: Entry j has no \"author\" section!\nWARNING: Entry j has no \"year\" section!\n"},
    {"concatenation", "@string{u = \"http://x.org/\"}\n@misc{k, title = \"A\" # {B} #\n c, url = u # {p.pdf}}",
     ReadResult::kOk, "String u: string=http://x.org/\nMisc k: title=ABc | url=http://x.org/p.pdf\n",
     "", "WARNING: Entry k uses undefined macro c!\n" + kNoAuthorYear},
    {"hash-without-value-is-stray", "@misc{k, title = {A} #, year = 2000 #}", ReadResult::kOk,
     "Misc k: title=A | year=2000\n", "##", "WARNING: Entry k has no \"author\" section!\n"},
    {"macro-redefined", "@string{x = {1}}\n@string{X = {2}}\n@misc{k, title = x}",
     ReadResult::kOk, "String x: string=1\nString X: string=2\nMisc k: title=2\n", "",
     kNoAuthorYear},
    {"undefined-macros-reported-by-name",
     "@string{p = pub}\n@preamble{pre}\n"
     "@misc{k, title={A}, publisher = Jgr, note = \"P \" # conf, month = JAN, volume = 3b}",
     ReadResult::kOk,
     "String p: string=pub\nPreamble @preamble: preamble=pre\n"
     "Misc k: title=A | volume=3b | month=01 | publisher=Jgr | note=P conf\n",
     "",
     "WARNING: Entry p uses undefined macro pub!\nWARNING: Entry @preamble uses undefined macro "
     "pre!\nWARNING: Entry k uses undefined macro Jgr!\nWARNING: Entry k uses undefined macro "
     "conf!\n" + kNoAuthorYear + "WARNING: Entry k has no \"year\" section, but \"month\" or "
     "\"day\"!\n"},
    {"string-needs-name-and-value", "@string{x}", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},

    // Preambles and comment blocks.
    {"preamble", "@preamble{ \"\\def\\a{x}\" # \" y\" }\n@preamble(\"p\")",
     ReadResult::kOk, "Preamble @preamble: preamble=\\def\\a{x} y\nPreamble @preamble: preamble=p\n",
     "", ""},
    {"comment-block-keeps-text", "@Comment{jabref-meta: a{b}\n c;}\n@COMMENT(x {)} y)", ReadResult::kOk,
     "CommentBlock @comment: comment=jabref-meta: a{b}\n c;\n"
     "CommentBlock @comment: comment=x {)} y\n", "", ""},
    {"comment-without-block-is-a-comment-line", "@COMMENT url={x},\n@comment\n", ReadResult::kOk,
     "Comment 1: comment= url={x},\nComment 2: comment=\n", "", ""},
    {"parentheses-nest-in-comment-block", "@comment(a (b) c)\n@comment(x ((y)) {)} z)",
     ReadResult::kOk,
     "CommentBlock @comment: comment=a (b) c\nCommentBlock @comment: comment=x ((y)) {)} z\n", "",
     ""},
    {"unclosed-parenthesis-in-comment-block", "@comment(a (b c)", ReadResult::kSyntaxError, "",
     "", "ERROR in line 1: syntax error\n"},
    {"unclosed-comment-block", "@comment{x", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},

    // Delimiters, type words and names.
    {"entry-in-parentheses", "@misc(k, title = {(A)}, note = {)})", ReadResult::kOk,
     "Misc k: title=(A) | note=)\n", "", kNoAuthorYear},
    {"parenthesis-before-brace-is-stray", "@misc({k, title={A})}", ReadResult::kOk,
     "Misc k: title=A\n", "()", kNoAuthorYear},
    {"type-outside-the-table", "@LiveLink{k, title={A}}\n@thesis{j, title={B}}", ReadResult::kOk,
     "Misc/Livelink k: title=A\nMisc/Thesis j: title=B\n", "",
     kNoAuthorYear +
         "WARNING: Entry j has no \"author\" section!\nWARNING: Entry j has no \"year\" section!\n"},
    {"field-named-like-a-type", "@data{misc, article = {A}, title={T}}", ReadResult::kOk,
     "Data misc: title=T | article=A\n", "",
     "WARNING: Entry misc has no \"author\" section!\nWARNING: Entry misc has no \"year\" section!\n"},
    {"key-with-other-bytes", "@misc{P&M(2)\x96x, title={A}}\n@misc{Q!, title={B}}", ReadResult::kOk,
     "Misc P&M(2)\x96x: title=A\nMisc Q: title=B\n", "!",
     "WARNING: Entry P&M(2)\x96x has no \"author\" section!\n"
     "WARNING: Entry P&M(2)\x96x has no \"year\" section!\n"
     "WARNING: Entry Q has no \"author\" section!\nWARNING: Entry Q has no \"year\" section!\n"},

    // Text that is not where it belongs.
    {"text-outside-entries-is-skipped",
     "junk{ a = \"@x\", b = {y} }\n@misc{k, title={A}}\n}\n% c\n(=)\n", ReadResult::kOk,
     "Misc k: title=A\nComment 1: comment= c\n", "(=)",
     "WARNING: Skipping text outside entries in line 1!\n" + kNoAuthorYear +
         "WARNING: Skipping text outside entries in line 3!\n"},
    {"word-between-fields-is-skipped", "@misc{k, title={A},\n10.5281/z.5\nyear=2000}",
     ReadResult::kOk, "Misc k: title=A | year=2000\n", "",
     "WARNING: Skipping text in entry k in line 2!\nWARNING: Entry k has no \"author\" section!\n"},
    {"word-after-key-is-skipped", "@book{Kell 2020, title={A}}", ReadResult::kOk,
     "Book Kell: title=A\n", "",
     "WARNING: Skipping text in entry Kell in line 1!\nWARNING: Entry Kell has no \"author\" "
     "section!\nWARNING: Entry Kell has no \"year\" section!\nWARNING: Entry Kell has no "
     "\"publisher\" section!\n"},
    {"missing-comma-at-line-end", "@misc{k, title = x\nyear = {2000}}", ReadResult::kOk,
     "Misc k: title=x | year=2000\n", "",
     "WARNING: Entry k uses undefined macro x!\n"
     "WARNING: Entry k lacks a comma before \"year\" in line 2!\n"
     "WARNING: Entry k has no \"author\" section!\n"},
    {"unclosed-entry-ends-at-next", "@misc{k, title={A},\n@misc{j, title={B}}", ReadResult::kOk,
     "Misc k: title=A\nMisc j: title=B\n", "",
     "WARNING: Entry k is not closed before line 2!\n" + kNoAuthorYear +
         "WARNING: Entry j has no \"author\" section!\nWARNING: Entry j has no \"year\" section!\n"},

    // Plain fields are read in one pass; whatever follows them that is not
    // a comma or the closing brace hands over to the tokens.
    {"plain-fields-and-their-lines",
     "@misc{k,\n title = {A\nB},\n\tnote = \"x\ny\",\n  year = 2000\n pages = {1}}",
     ReadResult::kOk, "Misc k: title=A\nB | pages=1 | numpages=1 | year=2000 | note=x\ny\n", "",
     "WARNING: Entry k lacks a comma before \"pages\" in line 7!\n"
     "WARNING: Entry k has no \"author\" section!\n"},
    {"plain-field-then-hash", "@misc{k, title = {A} # {B}, note = \"c\" #\n 4, year = 2000}",
     ReadResult::kOk, "Misc k: title=AB | year=2000 | note=c4\n", "",
     "WARNING: Entry k has no \"author\" section!\n"},
    {"plain-field-then-comment-line", "@misc{k, title = {A} % c\n, year = 2000 %\n}",
     ReadResult::kOk, "Misc k: title=A | year=2000\n", "",
     "WARNING: Entry k has no \"author\" section!\n"},
    // Without any macro defined, a bare name is still an undefined macro;
    // the month macros are not.
    {"bare-value-names-no-macro", "@misc{k, publisher = acm, month = may, title = {T}, year = 2000}",
     ReadResult::kOk, "Misc k: title=T | month=05 | year=2000 | publisher=acm\n", "",
     "WARNING: Entry k uses undefined macro acm!\nWARNING: Entry k has no \"author\" section!\n"},
    {"bare-value-names-a-macro", "@string{m = {May}}\n@misc{k, note = m, title = {T}, year = 2000}",
     ReadResult::kOk, "String m: string=May\nMisc k: title=T | year=2000 | note=May\n", "",
     "WARNING: Entry k has no \"author\" section!\n"},
    {"keyword-with-letters-beyond-ascii", "@misc{k, t\xc3\xaftle = {A}, year = 2000}",
     ReadResult::kOk, "Misc k: year=2000 | t\xc3\xaftle=A\n", "", 
     "WARNING: Entry k has no \"title\" section!\nWARNING: Entry k has no \"author\" section!\n"},
    {"unfinished-plain-field", "@misc{k, title = {A", ReadResult::kSyntaxError, "", "",
     "ERROR in line 1: syntax error\n"},
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

TEST(ReaderFiles, MacrosHoldInLaterFiles) {
  testing::ReadOutcome got =
      readTexts({"@string{jr = {J. Res.}}\n", "@misc{k, title={A}, journal = jr # { B}}\n"});
  EXPECT_EQ(got.result, ReadResult::kOk);
  EXPECT_EQ(got.entries, "String jr: string=J. Res.\nMisc k: title=A | journal=J. Res. B\n");
}

TEST(ReaderFiles, SyntaxErrorNamesTheFileWhenSeveralAreRead) {
  const std::string path = ::testing::TempDir() + "pubforge-bad.bib";
  {
    std::ofstream bad(path, std::ios::binary);
    bad << "\n@misc{k}\n";
  }
  for (bool named : {false, true}) {
    std::ostringstream out, err;
    BibReader reader(out, err);
    EXPECT_EQ(reader.readFile(path, named), ReadResult::kSyntaxError);
    EXPECT_EQ(err.str(), named ? "ERROR in line 2 of " + path + ": syntax error\n"
                               : "ERROR in line 2: syntax error\n");
  }
  std::remove(path.c_str());
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
