// Values that are hard to write as BibTeX (braces, quotes, backslashes,
// percent signs) keep their text through the writer and the reader, and
// writing what was read back gives the same file again.  The cases come from
// fuzzing the writer against the reader.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "hostile_input.h"

namespace pubforge::hardening {
namespace {

struct RoundTripCase {
  const char* name;
  std::string fields;  // the fields of one entry besides its title and year
};

const RoundTripCase kCases[] = {
    {"inner-braces-of-a-title", "title = {{The {RFC} Series}}"},
    {"escaped-braces", "title = {Sets \\{x\\}}, note = \"a \\} b\""},
    {"braces-enclosing-the-value", "note = {{{x}}}, series = {{a} {b}}"},
    {"double-quotes", "note = {say \"hi\"}, journal = {\"J\"}, howpublished = \"a {\"} b\""},
    {"escaped-double-quote", "note = \"a \\\" b\""},
    {"trailing-backslash", "note = {a\\}, journal = {x\\}, author = {Bo Kell\\}"},
    {"nickname-in-double-quotes-in-an-author-list",
     "author = {Anna \"Q\" Kell and Bo \"Bobby\" Lee}"},
    {"braced-author-names", "author = {{NASA} and Bo Lee and {Team {Blue}}}"},
    {"url-with-command-and-percent", "url = {\\url{http://example.org/a%20b?c=%41}}"},
    {"percent-signs", "note = {50% of 100\\%}, title = {100%}"},
    {"blanks-and-line-feeds", "title = {  a \t b\n c  }, note = {x\r\ny}"},
    {"title-with-a-brace-that-closes-first", "title = \"a} b\", series = \"x\\{y}\""},
    {"quote-the-quoted-forms-cannot-keep", "title = {a\\{b}\"c}"},
    {"url-with-brace-quote-and-backslashes",
     "url = \"http://x/a}b \\\"c\", url = {\\url{\\\\srv\\\\x%y}}"},
    {"comma-inside-braces-of-an-author", "author = {Kell{,} \"Q\" and Ko{, }Bo, Mira}"},
};

// Values that the first write still normalises, so that only the files from
// the second write on must agree.
const RoundTripCase kFirstWriteNormalises[] = {
    {"urls-that-normalise-to-nothing", "url = {\\}, url = {\\}, url = {a b}"},
    {"url-of-a-tab-only", "url = {\\url{\t}}, doi = {10.1/a%b}"},
    {"author-name-that-would-be-cut-at-an-and", "author = {K-e l.Al,and ,and M.~A}"},
    {"author-names-with-ties-and-blanks", "author = {Kell~ and ~Bo and Lee, Mary Ann B.}"},
    {"author-name-ending-in-a-tie", "author = \"x = {K, J%r., ?nd ~ and Bo}\""},
    {"author-name-whose-blanks-would-shrink-into-an-and", "author = {De, Po and\t , l{}}"},
    {"author-lists-that-normalise-to-nothing", "author = {\t\t}, author = {\t, Kell}"},
};

// Every written item as "keyword=value", dates as their numbers.
std::string describeWritten(const Node& node) {
  std::string text = node.value + " " + node.keyword + "\n";
  for (const Item& item : node.items) {
    if (item.keyword == "removeme") continue;
    text += item.keyword + "=";
    if (item.keyword == "year" || item.keyword == "day" || item.keyword == "month")
      text += std::to_string(item.numericValue);
    else
      text += item.value;
    text += "\n";
  }
  return text;
}

std::string writeWith(const Collection& collection, const ScratchDir& dir, bool skipNotes,
                      bool addNotes, bool addUrlCommand) {
  PublicationSet set(collection.size());
  set.addAll(collection);
  std::ostringstream err;
  const std::string path = dir.file("out.bib");
  BibtexOptions options;
  options.skipNotesWithIsbnAndIssn = skipNotes;
  options.addNotesWithIsbnAndIssn = addNotes;
  options.addUrlCommand = addUrlCommand;
  EXPECT_TRUE(exportToBibTeX(set, path, false, options, err))
      << err.str();
  return fileContents(path);
}

TEST(RoundTrip, HardValuesKeepTheirTextThroughTheWriter) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  for (const RoundTripCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const Read read =
        readText("@misc{k, title = {T}, year = 2001, " + c.fields + "}\n");
    ASSERT_EQ(read.result, ReadResult::kOk) << read.err;
    ASSERT_EQ(read.collection.size(), 1u);

    const std::string written = writeBibTeX(read.collection, dir);
    const Read back = readText(written);
    ASSERT_EQ(back.result, ReadResult::kOk) << written;
    ASSERT_EQ(back.collection.size(), 1u);
    EXPECT_EQ(describeWritten(*back.collection.front()), describeWritten(*read.collection.front()))
        << written;
  }
}

TEST(RoundTrip, WritingWhatWasReadBackGivesTheSameFile) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const struct {
    bool skipNotes, addNotes, addUrlCommand;
  } options[] = {{false, false, false}, {true, false, false}, {true, true, false},
                 {false, false, true}};
  std::vector<RoundTripCase> cases(std::begin(kCases), std::end(kCases));
  cases.insert(cases.end(), std::begin(kFirstWriteNormalises), std::end(kFirstWriteNormalises));
  for (const RoundTripCase& c : cases) {
    for (const auto& o : options) {
      SCOPED_TRACE(std::string(c.name) + (o.skipNotes ? " skip-notes" : "") +
                   (o.addNotes ? " add-notes" : "") + (o.addUrlCommand ? " url-command" : ""));
      const Read read = readText("@misc{k, title = {T}, year = 2001, isbn = " +
                                 std::string("{978-3-16-148410-0}, note = {ISBN 1}, ") + c.fields +
                                 "}\n");
      ASSERT_EQ(read.result, ReadResult::kOk);
      const Read once = readText(writeWith(read.collection, dir, o.skipNotes, o.addNotes,
                                           o.addUrlCommand));
      ASSERT_EQ(once.result, ReadResult::kOk);
      const std::string second =
          writeWith(once.collection, dir, o.skipNotes, o.addNotes, o.addUrlCommand);
      const Read twice = readText(second);
      ASSERT_EQ(twice.result, ReadResult::kOk);
      EXPECT_EQ(writeWith(twice.collection, dir, o.skipNotes, o.addNotes, o.addUrlCommand),
                second);
    }
  }
}

}  // namespace
}  // namespace pubforge::hardening
