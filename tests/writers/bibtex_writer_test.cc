#include "writers/bibtex_writer.h"

#include "writer_test_util.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace pubforge {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace writer_test;

std::unique_ptr<Node> makeComment(std::string number, std::string text) {
  return makePublication("Comment", std::move(number), {{"comment", std::move(text)}});
}

// Names of the files in a folder (not recursive).
std::vector<std::string> listFolder(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

using Flags = BibtexOptions;

class BibTeXWriterTest : public writer_test::ScratchFolderTest {
 protected:
  Node* add(std::unique_ptr<Node> node) {
    nodes.push_back(std::move(node));
    return nodes.back().get();
  }
  PublicationSet setOfAll() {
    PublicationSet set(nodes.size());
    set.addAll(nodes);
    return set;
  }
  bool exportAll(const std::string& name, bool separate = false, Flags flags = {}) {
    return exportToBibTeX(setOfAll(), name, separate, flags, err);
  }

  Collection nodes;
  std::ostringstream err;
};

// ---------------------------------------------------------------------------
// What one publication looks like in the file.

struct EntryCase {
  const char* name;
  std::string type;
  std::vector<ItemSpec> items;
  Flags flags;
  std::string expected;
};

TEST_F(BibTeXWriterTest, WritesEachFieldInItsFormat) {
  const EntryCase cases[] = {
      {"head, plain field, braced title",
       "Article", {{"author", "J. Kell"}, {"title", "Deep Learning"}}, {},
       "@Article{ kell99,\n\tauthor = \"J. Kell\",\n\ttitle = \"{Deep Learning}\"\n}\n\n"},
      {"entry without fields", "Misc", {}, {}, "@Misc{ kell99,\n\n}\n\n"},
      {"every braced keyword",
       "InProceedings",
       {{"booktitle", "B"}, {"series", "S"}, {"journal", "J"}, {"abstract", "A"}}, {},
       "@InProceedings{ kell99,\n\tbooktitle = \"{B}\",\n\tseries = \"{S}\",\n\tjournal = "
       "\"{J}\",\n\tabstract = \"{A}\"\n}\n\n"},
      {"day and year from their numbers",
       "Misc", {{"day", "0005", 5}, {"year", "0000", 0}}, {},
       "@Misc{ kell99,\n\tday = \"5\",\n\tyear = \"0\"\n}\n\n"},
      {"a negative number keeps its sign",
       "Misc", {{"year", "-001", -1}, {"day", "-2147483648", INT32_MIN}}, {},
       "@Misc{ kell99,\n\tyear = \"-1\",\n\tday = \"-2147483648\"\n}\n\n"},
      {"month macros",
       "Misc", {{"month", "01", 1}, {"month", "12", 12}, {"month", "05", 5}}, {},
       "@Misc{ kell99,\n\tmonth = jan,\n\tmonth = dec,\n\tmonth = may\n}\n\n"},
      {"unknown month left out, first field keeps no separator",
       "Misc", {{"month", "00", 0}, {"year", "2010", 2010}, {"month", "13", 13}}, {},
       "@Misc{ kell99,\n\tyear = \"2010\"\n}\n\n"},
      {"percent signs of url and doi escaped, other fields not",
       "Misc",
       {{"doi", "10.1/a%b"}, {"note", "5% off"}, {"url", "http://x.org/a%20b"}}, {},
       "@Misc{ kell99,\n\tdoi = \"10.1/a\\%b\",\n\tnote = \"5% off\",\n\turl = "
       "\"http://x.org/a\\%20b\"\n}\n\n"},
      {"url command",
       "Misc", {{"url", "http://x.org/a%20b"}}, {.addUrlCommand = true},
       "@Misc{ kell99,\n\turl = \"\\url{http://x.org/a\\%20b}\"\n}\n\n"},
      {"removeme never written",
       "Misc", {{"removeme", ""}, {"title", "T"}, {"removeme", "x"}}, {},
       "@Misc{ kell99,\n\ttitle = \"{T}\"\n}\n\n"},
      {"url items, comment item and unranked keywords written plainly",
       "Misc",
       {{"url.md5", "abc"}, {"url.size", "12"}, {"comment", "  as read "}, {"zeta", "z"}}, {},
       "@Misc{ kell99,\n\turl.md5 = \"abc\",\n\turl.size = \"12\",\n\tcomment = \"  as read "
       "\",\n\tzeta = \"z\"\n}\n\n"},
      {"values reach the file unchanged",
       "Misc",
       {{"note", std::string("a\0b", 3)}, {"address", "line\none"}, {"publisher", "{\\'E}d."}},
       {},
       "@Misc{ kell99,\n\tnote = \"a\0b\",\n\taddress = \"line\none\",\n\t"
       "publisher = \"{\\'E}d.\"\n}\n\n"s},
      {"isbn and issn notes kept without the flag",
       "Book", {{"note", "{ISBN} 123"}, {"note", "ISSN 1"}}, {},
       "@Book{ kell99,\n\tnote = \"{ISBN} 123\",\n\tnote = \"ISSN 1\"\n}\n\n"},
      {"isbn and issn notes skipped",
       "Book",
       {{"note", "{ISBN} 978-3"}, {"note", "ISSN 1234"}, {"note", "see ISBN list"},
        {"note", "{ISSN}"}, {"note", "ISBN"}, {"note", "isbn 1"}, {"note", " ISBN 1"}},
       {.skipNotesWithIsbnAndIssn = true},
       "@Book{ kell99,\n\tnote = \"see ISBN list\",\n\tnote = \"isbn 1\",\n\tnote = \" ISBN "
       "1\"\n}\n\n"},
      {"added isbn note",
       "Book", {{"isbn", "978-3-16"}}, {.skipNotesWithIsbnAndIssn = true, .addNotesWithIsbnAndIssn = true},
       "@Book{ kell99,\n\tisbn = \"978-3-16\",\n\tnote = \"{ISBN} 978-3-16\"\n}\n\n"},
      {"isbn note preferred to issn note",
       "Book", {{"isbn", "1"}, {"issn", "2"}}, {.skipNotesWithIsbnAndIssn = true, .addNotesWithIsbnAndIssn = true},
       "@Book{ kell99,\n\tisbn = \"1\",\n\tissn = \"2\",\n\tnote = \"{ISBN} 1\"\n}\n\n"},
      {"added issn note",
       "Article", {{"issn", "0378-5955"}}, {.skipNotesWithIsbnAndIssn = true, .addNotesWithIsbnAndIssn = true},
       "@Article{ kell99,\n\tissn = \"0378-5955\",\n\tnote = \"{ISSN} 0378-5955\"\n}\n\n"},
      {"the last of several isbn items is noted",
       "Book", {{"isbn", "1"}, {"isbn", "2"}}, {.skipNotesWithIsbnAndIssn = true, .addNotesWithIsbnAndIssn = true},
       "@Book{ kell99,\n\tisbn = \"1\",\n\tisbn = \"2\",\n\tnote = \"{ISBN} 2\"\n}\n\n"},
      {"an old isbn note is replaced by the added one",
       "Book", {{"isbn", "1"}, {"note", "{ISBN} 1"}}, {.skipNotesWithIsbnAndIssn = true, .addNotesWithIsbnAndIssn = true},
       "@Book{ kell99,\n\tisbn = \"1\",\n\tnote = \"{ISBN} 1\"\n}\n\n"},
      {"no note without isbn or issn",
       "Book", {{"title", "T"}}, {.skipNotesWithIsbnAndIssn = true, .addNotesWithIsbnAndIssn = true},
       "@Book{ kell99,\n\ttitle = \"{T}\"\n}\n\n"},
      {"added note is the only field",
       "Book", {{"removeme", ""}, {"isbn", "9"}}, {.addNotesWithIsbnAndIssn = true},
       "@Book{ kell99,\n\tisbn = \"9\",\n\tnote = \"{ISBN} 9\"\n}\n\n"},
      // A double quote outside braces would end a quoted value early.
      {"a note quoting something gets extra braces",
       "Misc", {{"note", "see \"X\""}}, {},
       "@Misc{ kell99,\n\tnote = \"{see \"X\"}\"\n}\n\n"},
      // An author list or a comment keeps extra braces when read again, so
      // it goes between braces instead of quotes.
      {"an author list or comment with a quote goes between braces",
       "Misc", {{"author", "M\\\"uller, J. and \"Kell\""}, {"comment", "say \"x\""}}, {},
       "@Misc{ kell99,\n\tauthor = {M\\\"uller, J. and \"Kell\"},\n\tcomment = {say "
       "\"x\"}\n}\n\n"},
      {"unless its braces do not balance: then the quote stands alone",
       "Misc", {{"author", "a\" }"}}, {},
       "@Misc{ kell99,\n\tauthor = \"a\" # {\"} # \" }\"\n}\n\n"},
      {"an escaped quote, or one inside braces, needs none",
       "Misc", {{"note", "a \\\"o"}, {"address", "x {\"} y"}}, {},
       "@Misc{ kell99,\n\tnote = \"a \\\"o\",\n\taddress = \"x {\"} y\"\n}\n\n"},
      {"a quote after braces that closed again gets them",
       "Misc", {{"note", "{a} \"b"}}, {},
       "@Misc{ kell99,\n\tnote = \"{{a} \"b}\"\n}\n\n"},
      // A trailing backslash would escape the closing quote, or hide the
      // closing brace of a title; a blank after it is trimmed on reading.
      {"a trailing backslash gets a blank after it",
       "Misc",
       {{"note", "line\\\\"}, {"address", "C:\\"}, {"journal", "J\\"}, {"url", "u\\"}},
       {.addUrlCommand = true},
       "@Misc{ kell99,\n\tnote = \"line\\\\ \",\n\taddress = \"C:\\ \",\n\tjournal = "
       "\"{J\\ }\",\n\turl = \"\\url{u\\\\}\"\n}\n\n"},
      {"a trailing backslash and a quote",
       "Misc", {{"note", "say \"x\" \\"}}, {},
       "@Misc{ kell99,\n\tnote = \"{say \"x\" \\ }\"\n}\n\n"},
      // The reader takes one pair of enclosing braces off every value but
      // an author list or a comment.
      {"a value enclosed in braces gets one more pair",
       "Misc",
       {{"author", "{The Team}"}, {"title", "{X}"}, {"shorttitle", "{OCReP}"},
        {"isbn", "{1}"}, {"doi", "{10.1/%}"}, {"note", "{a} b {c}"}, {"url", "{u}"},
        {"comment", "{c}"}},
       {},
       "@Misc{ kell99,\n\tauthor = \"{The Team}\",\n\ttitle = \"{{X}}\",\n\tshorttitle = "
       "\"{{OCReP}}\",\n\tisbn = \"{{1}}\",\n\tdoi = \"{{10.1/\\%}}\",\n\tnote = \"{a} b "
       "{c}\",\n\turl = \"{{u}}\",\n\tcomment = \"{c}\"\n}\n\n"},
      {"a braced url inside the url command needs no more",
       "Misc", {{"url", "{u}"}}, {.addUrlCommand = true},
       "@Misc{ kell99,\n\turl = \"\\url{{u}}\"\n}\n\n"},
      {"titles are braced already",
       "Misc", {{"title", "Say \"hi\""}}, {},
       "@Misc{ kell99,\n\ttitle = \"{Say \"hi\"}\"\n}\n\n"},
      // Reading a url takes a backslash off the byte after it, so a url gets
      // one before each backslash, quote and percent sign.
      {"a quote or backslash in a url inside the url command is escaped",
       "Misc", {{"url", "http://x/\"q\"\\%"}}, {.addUrlCommand = true},
       "@Misc{ kell99,\n\turl = \"\\url{http://x/\\\"q\\\"\\\\\\%}\"\n}\n\n"},
      {"a quote in a plain url is escaped, in an isbn note it gets braces",
       "Book", {{"isbn", "1\"2"}, {"url", "http://x/\"q\""}}, {.addNotesWithIsbnAndIssn = true},
       "@Book{ kell99,\n\tisbn = \"{1\"2}\",\n\turl = \"http://x/\\\"q\\\"\",\n\tnote = "
       "\"{{ISBN} 1\"2}\"\n}\n\n"},
      {"every url item is written alike",
       "Misc", {{"url", "http://x/a\\b"}, {"url", "y%z"}}, {.addUrlCommand = true},
       "@Misc{ kell99,\n\turl = \"\\url{http://x/a\\\\b}\",\n\turl = \"\\url{y\\%z}\"\n}\n\n"},
      // The extra pair around a title comes off again only where it encloses
      // the whole value; elsewhere it would stay and pile up.
      {"a title whose braces do not balance gets no extra pair",
       "Misc", {{"title", "a} b"}, {"journal", "{a"}, {"series", "x\\{y}"}}, {},
       "@Misc{ kell99,\n\ttitle = \"a} b\",\n\tjournal = \"{a\",\n\tseries = \"x\\{y}\"\n}\n\n"},
      {"a value with a quote that no quoted form keeps is written in braces",
       "Misc", {{"title", "a\\{b}\"c"}, {"note", "{a\\}\"}"}}, {},
       "@Misc{ kell99,\n\ttitle = {a\\{b}\"c},\n\tnote = \"{{a\\}\"}}\"\n}\n\n"},
  };
  for (const EntryCase& c : cases) {
    SCOPED_TRACE(c.name);
    nodes.clear();
    add(makePublication(c.type, "kell99", c.items));
    fs::path out = dir / "out.bib";
    ASSERT_TRUE(exportAll(out, false, c.flags));
    EXPECT_EQ(readFile(out), c.expected);
    EXPECT_EQ(err.str(), "");
  }
}

TEST(EscapePercentTest, EscapesEachUnescapedPercentSign) {
  struct Case {
    std::string_view text, expected;
  };
  const Case cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"%", "\\%"},
      {"a%20b%2F", "a\\%20b\\%2F"},
      {"%%", "\\%\\%"},
      {"a\\%20b", "a\\%20b"},    // already escaped: left alone
      {"\\%%", "\\%\\%"},
      {"\\\\%", "\\\\%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(escapePercent(c.text), c.expected);
    // Escaping twice changes nothing more.
    EXPECT_EQ(escapePercent(escapePercent(c.text)), c.expected);
  }
}

// ---------------------------------------------------------------------------
// The whole file.

TEST_F(BibTeXWriterTest, WritesPublicationsInSetOrderWithComments) {
  Node* a = add(makePublication("Article", "a", {{"title", "A"}}));
  Node* c1 = add(makeComment("1", " a comment"));
  Node* b = add(makePublication("Book", "b"));
  Node* empty = add(createNode("2"));
  empty->value = "Comment";
  empty->kind = PublicationKind::kComment;
  PublicationSet set(4);
  set.add(b);
  set.add(c1);
  set.add(empty);
  set.add(a);
  fs::path out = dir / "out.bib";
  ASSERT_TRUE(exportToBibTeX(set, out, false, {}, err));
  EXPECT_EQ(readFile(out),
            "@Book{ b,\n\n}\n\n% a comment\n\n@Article{ a,\n\ttitle = \"{A}\"\n}\n\n");
  EXPECT_EQ(err.str(), "");
}

TEST_F(BibTeXWriterTest, EmptySetGivesAnEmptyFile) {
  fs::path out = dir / "out.bib";
  writeFile(out, "old contents");
  ASSERT_TRUE(exportAll(out));
  EXPECT_TRUE(fs::exists(out));
  EXPECT_EQ(readFile(out), "");
  EXPECT_EQ(err.str(), "");
}

TEST_F(BibTeXWriterTest, EmptySetGivesNoSeparateFiles) {
  ASSERT_TRUE(exportAll((dir / "missing-folder" / "").string(), true));
  EXPECT_TRUE(listFolder(dir).empty());
  EXPECT_EQ(err.str(), "");
}

TEST_F(BibTeXWriterTest, FileThatCannotBeCreated) {
  add(makePublication("Misc", "k"));
  struct Case {
    const char* name;
    std::string path;
  };
  const Case cases[] = {
      {"missing folder", (dir / "no" / "out.bib").string()},
      {"a folder", dir.string()},
      {"below a plain file", (dir / "plain" / "out.bib").string()},
  };
  writeFile(dir / "plain", "x");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    err.str("");
    EXPECT_FALSE(exportAll(c.path));
    EXPECT_EQ(err.str(), "ERROR: Unable to create BibTeX file " + c.path + "!\n");
  }
  EXPECT_EQ(listFolder(dir), std::vector<std::string>{"plain"});
}

// ---------------------------------------------------------------------------
// One file per publication.

TEST_F(BibTeXWriterTest, SeparateFilesAreNamedAfterTheKeys) {
  add(makePublication("Article", "kell99", {{"title", "A"}}));
  add(makeComment("1", "dropped"));
  add(makePublication("Misc", "Kell99"));
  fs::create_directory(dir / "out");
  std::string prefix = (dir / "out").string() + "/pre-";
  ASSERT_TRUE(exportAll(prefix, true, {.addUrlCommand = true}));
  EXPECT_EQ(listFolder(dir / "out"), (std::vector<std::string>{"pre-Kell99.bib", "pre-kell99.bib"}));
  EXPECT_EQ(readFile(dir / "out" / "pre-kell99.bib"),
            "@Article{ kell99,\n\ttitle = \"{A}\"\n}\n\n");
  EXPECT_EQ(readFile(dir / "out" / "pre-Kell99.bib"), "@Misc{ Kell99,\n\n}\n\n");
  EXPECT_EQ(err.str(), "");
}

TEST_F(BibTeXWriterTest, SeparateFilesStopAtTheFirstThatCannotBeCreated) {
  add(makePublication("Misc", "a"));
  add(makePublication("Misc", "sub/b"));
  add(makePublication("Misc", "c"));
  std::string prefix = dir.string() + "/";
  // A plain file stands where the key's folder would be made.
  writeFile(dir / "sub", "x");
  EXPECT_FALSE(exportAll(prefix, true));
  EXPECT_EQ(err.str(), "ERROR: Unable to create BibTeX file " + prefix + "sub/b.bib!\n");
  EXPECT_EQ(listFolder(dir), (std::vector<std::string>{"a.bib", "sub"}));

  // Without it, the folder that the key adds is made, and the key names a
  // file in it.
  fs::remove(dir / "sub");
  err.str("");
  EXPECT_TRUE(exportAll(prefix, true));
  EXPECT_EQ(readFile(dir / "sub" / "b.bib"), "@Misc{ sub/b,\n\n}\n\n");
  EXPECT_EQ(listFolder(dir), (std::vector<std::string>{"a.bib", "c.bib", "sub"}));
  EXPECT_EQ(err.str(), "");
}

TEST_F(BibTeXWriterTest, KeysMayNotLeaveThePrefixFolder) {
  fs::create_directories(dir / "in" / "x");
  std::string prefix = (dir / "in").string() + "/";
  struct Case {
    const char* key;
    bool allowed;
  };
  const Case cases[] = {
      {"../evil", false},   {"x/../../evil", false}, {"x/..", false},
      {"/abs", false},      {"..", false},           {"a..b", true},
      {"..x", true},        {"x/y..", true},         {".hidden", true},
  };
  fs::create_directory(dir / "in" / "x" / "y..");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    nodes.clear();
    err.str("");
    add(makePublication("Misc", c.key));
    std::string name = prefix + c.key + ".bib";
    if (c.allowed) {
      EXPECT_TRUE(exportAll(prefix, true));
      EXPECT_EQ(err.str(), "");
      EXPECT_TRUE(fs::exists(name));
    } else {
      EXPECT_FALSE(exportAll(prefix, true));
      EXPECT_EQ(err.str(), "ERROR: Unable to create BibTeX file " + name + "!\n");
    }
  }
  EXPECT_FALSE(fs::exists(dir / "evil.bib"));
  EXPECT_FALSE(fs::exists(dir / "in" / "x.bib"));
  EXPECT_FALSE(fs::exists("/abs.bib"));
}

TEST_F(BibTeXWriterTest, LongFileNamesAreNotCut) {
  // Five folder levels of 200 bytes each make a name of more than 1,023 bytes.
  fs::path deep = dir;
  for (int i = 0; i < 5; ++i) deep /= std::string(200, static_cast<char>('a' + i));
  fs::create_directories(deep);
  std::string prefix = deep.string() + "/";
  std::string key(150, 'k');
  add(makePublication("Misc", key));
  ASSERT_GT(prefix.size() + key.size() + 4, 1023u);
  ASSERT_TRUE(exportAll(prefix, true));
  EXPECT_EQ(readFile(prefix + key + ".bib"), "@Misc{ " + key + ",\n\n}\n\n");
  EXPECT_EQ(listFolder(deep), std::vector<std::string>{key + ".bib"});

  ASSERT_TRUE(exportAll(prefix + "all.bib"));
  EXPECT_EQ(readFile(prefix + "all.bib"), "@Misc{ " + key + ",\n\n}\n\n");
}

// ---------------------------------------------------------------------------
// Replacing the target.

TEST_F(BibTeXWriterTest, ExistingFileKeepsItsPermissions) {
  add(makePublication("Misc", "k"));
  fs::path out = dir / "refs.bib";
  writeFile(out, "old");
  ASSERT_EQ(chmod(out.c_str(), 0604), 0);
  ASSERT_TRUE(exportAll(out));
  struct stat st;
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0604u);
  EXPECT_EQ(readFile(out), "@Misc{ k,\n\n}\n\n");
  EXPECT_EQ(listFolder(dir), std::vector<std::string>{"refs.bib"});
}

TEST_F(BibTeXWriterTest, NewFileGetsTheUsualPermissions) {
  add(makePublication("Misc", "k"));
  for (mode_t mask : {mode_t{022}, mode_t{027}, mode_t{0}}) {
    SCOPED_TRACE(mask);
    fs::path out = dir / ("new" + std::to_string(mask) + ".bib");
    mode_t old = umask(mask);
    bool ok = exportAll(out);
    umask(old);
    ASSERT_TRUE(ok);
    struct stat st;
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666u & ~mask);
  }
}

TEST_F(BibTeXWriterTest, SymbolicLinkIsFollowed) {
  add(makePublication("Misc", "k"));
  fs::create_directory(dir / "real");
  writeFile(dir / "real" / "refs.bib", "old");
  ASSERT_EQ(chmod((dir / "real" / "refs.bib").c_str(), 0640), 0);
  fs::create_symlink("real/refs.bib", dir / "link1.bib");
  fs::create_symlink(dir / "link1.bib", dir / "link2.bib");  // a chain, absolute
  fs::create_symlink("real/new.bib", dir / "dangling.bib");

  ASSERT_TRUE(exportAll(dir / "link2.bib"));
  EXPECT_TRUE(fs::is_symlink(dir / "link1.bib"));
  EXPECT_TRUE(fs::is_symlink(dir / "link2.bib"));
  EXPECT_EQ(readFile(dir / "real" / "refs.bib"), "@Misc{ k,\n\n}\n\n");
  EXPECT_EQ(fs::status(dir / "real" / "refs.bib").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  ASSERT_TRUE(exportAll(dir / "dangling.bib"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.bib"));
  EXPECT_EQ(readFile(dir / "real" / "new.bib"), "@Misc{ k,\n\n}\n\n");
  EXPECT_EQ(listFolder(dir / "real"), (std::vector<std::string>{"new.bib", "refs.bib"}));
  EXPECT_EQ(err.str(), "");
}

TEST_F(BibTeXWriterTest, DevicesAreWrittenInPlace) {
  add(makePublication("Misc", "k"));
  EXPECT_TRUE(exportAll("/dev/null"));
  EXPECT_EQ(err.str(), "");
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  EXPECT_FALSE(exportAll("/dev/full"));
  EXPECT_EQ(err.str(), "ERROR: Unable to write BibTeX file /dev/full!\n");
}

TEST_F(BibTeXWriterTest, PipeIsWrittenInPlace) {
  add(makePublication("Misc", "k"));
  fs::path fifo = dir / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  pid_t reader = fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) {
    // The child copies what comes through the pipe into a file.
    std::ifstream in(fifo, std::ios::binary);
    std::ofstream(dir / "received", std::ios::binary) << in.rdbuf();
    _exit(0);
  }
  bool ok = exportAll(fifo);
  int status = 0;
  waitpid(reader, &status, 0);
  EXPECT_TRUE(ok);
  EXPECT_EQ(readFile(dir / "received"), "@Misc{ k,\n\n}\n\n");
  EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
}

// Runs an export in a child process after `prepare` (false: the child cannot
// take the situation, and the test is skipped).
struct ChildExport {
  bool ran = false;
  bool result = false;
  std::string messages;
};

ChildExport exportInChild(const std::function<bool()>& prepare,
                          const std::function<bool(std::ostream&)>& run) {
  int pipeFds[2];
  ChildExport outcome;
  if (pipe(pipeFds) != 0) return outcome;
  pid_t pid = fork();
  if (pid == 0) {
    close(pipeFds[0]);
    if (!prepare()) _exit(2);
    std::ostringstream err;
    bool ok = run(err);
    std::string text = err.str();
    (void)!write(pipeFds[1], text.data(), text.size());
    _exit(ok ? 0 : 1);
  }
  close(pipeFds[1]);
  char chunk[4096];
  ssize_t n;
  while ((n = read(pipeFds[0], chunk, sizeof chunk)) > 0) outcome.messages.append(chunk, n);
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) != 2) {
    outcome.ran = true;
    outcome.result = WEXITSTATUS(status) == 0;
  }
  return outcome;
}

TEST_F(BibTeXWriterTest, FailedWriteLeavesThePreviousFile) {
  // Enough output to pass a small file-size limit, which makes the writes
  // fail as a full disk would.
  for (int i = 0; i < 2000; ++i)
    add(makePublication("Misc", "k" + std::to_string(i), {{"note", std::string(100, 'n')}}));
  fs::path out = dir / "refs.bib";
  writeFile(out, "previous contents\n");
  PublicationSet set = setOfAll();
  ChildExport child = exportInChild(
      [] {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {64 * 1024, 64 * 1024};
        return setrlimit(RLIMIT_FSIZE, &limit) == 0;
      },
      [&](std::ostream& childErr) {
        return exportToBibTeX(set, out, false, {}, childErr);
      });
  ASSERT_TRUE(child.ran);
  EXPECT_FALSE(child.result);
  EXPECT_EQ(child.messages, "ERROR: Unable to write BibTeX file " + out.string() + "!\n");
  EXPECT_EQ(readFile(out), "previous contents\n");
  EXPECT_EQ(listFolder(dir), std::vector<std::string>{"refs.bib"});

  // The same in per-publication mode: the run stops at the file that failed.
  std::string prefix = dir.string() + "/sep-";
  writeFile(prefix + "k1.bib", "previous k1\n");
  nodes[1]->items[0].value = std::string(200 * 1024, 'n');
  child = exportInChild(
      [] {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {64 * 1024, 64 * 1024};
        return setrlimit(RLIMIT_FSIZE, &limit) == 0;
      },
      [&](std::ostream& childErr) {
        return exportToBibTeX(set, prefix, true, {}, childErr);
      });
  ASSERT_TRUE(child.ran);
  EXPECT_FALSE(child.result);
  EXPECT_EQ(child.messages, "ERROR: Unable to write BibTeX file " + prefix + "k1.bib!\n");
  EXPECT_EQ(readFile(prefix + "k1.bib"), "previous k1\n");
  EXPECT_EQ(listFolder(dir), (std::vector<std::string>{"refs.bib", "sep-k0.bib", "sep-k1.bib"}));
}

// Gives up root, if the process has it, for an ordinary user who can still
// reach `dir`.
bool becomeOrdinaryUser(const fs::path& dir) {
  if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return false;
  return access(dir.c_str(), X_OK) == 0;
}

TEST_F(BibTeXWriterTest, ReadOnlyFileIsRefused) {
  add(makePublication("Misc", "k"));
  // Root may write any file, so the export runs as an ordinary user.
  ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
  fs::path out = dir / "refs.bib";
  writeFile(out, "protected\n");
  ASSERT_EQ(chmod(out.c_str(), 0444), 0);
  PublicationSet set = setOfAll();
  ChildExport child = exportInChild(
      [&] { return becomeOrdinaryUser(dir); },
      [&](std::ostream& childErr) {
        return exportToBibTeX(set, out, false, {}, childErr);
      });
  if (!child.ran) GTEST_SKIP() << "cannot run as an ordinary user";
  EXPECT_FALSE(child.result);
  EXPECT_EQ(child.messages, "ERROR: Unable to create BibTeX file " + out.string() + "!\n");
  EXPECT_EQ(readFile(out), "protected\n");
  EXPECT_EQ(listFolder(dir), std::vector<std::string>{"refs.bib"});
}

TEST_F(BibTeXWriterTest, WritableFileInAProtectedFolderIsRewrittenInPlace) {
  add(makePublication("Misc", "k"));
  fs::path out = dir / "refs.bib";
  writeFile(out, "old\n");
  ASSERT_EQ(chmod(out.c_str(), 0666), 0);
  ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
  PublicationSet set = setOfAll();
  ChildExport child = exportInChild(
      [&] { return becomeOrdinaryUser(dir); },
      [&](std::ostream& childErr) {
        return exportToBibTeX(set, out, false, {}, childErr);
      });
  chmod(dir.c_str(), 0700);
  if (!child.ran) GTEST_SKIP() << "cannot run as an ordinary user";
  EXPECT_TRUE(child.result);
  EXPECT_EQ(child.messages, "");
  EXPECT_EQ(readFile(out), "@Misc{ k,\n\n}\n\n");
}

TEST_F(BibTeXWriterTest, OwnerOfAnExistingFileIsKept) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give files away";
  add(makePublication("Misc", "k"));
  fs::path out = dir / "refs.bib";
  writeFile(out, "old\n");
  ASSERT_EQ(chown(out.c_str(), 65534, 65534), 0);
  ASSERT_TRUE(exportAll(out));
  struct stat st;
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
}

TEST_F(BibTeXWriterTest, LargeBibliographyIsWrittenWhole) {
  // Many times the output buffer; the benchmark under bench/ measures speed.
  const int count = 20000;
  for (int i = 0; i < count; ++i)
    add(makePublication(
        "Article", "key" + std::to_string(i),
        {{"author", "A. Author and B. Author"},
         {"title", "A title of moderate length about publication " + std::to_string(i)},
         {"journal", "Journal of Repeated Experiments"},
         {"volume", "12"},
         {"pages", "100--120"},
         {"month", "05", 5},
         {"year", "2010", 2010},
         {"doi", "10.1000/xyz%" + std::to_string(i)},
         {"url", "https://example.org/papers/" + std::to_string(i) + "%20v2.pdf"},
         {"abstract", std::string(80, 'a')}}));
  PublicationSet set = setOfAll();
  fs::path out = dir / "large.bib";
  ASSERT_TRUE(exportToBibTeX(set, out, false, {}, err));
  std::ifstream in(out, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_GT(text.size(), 7u * 1000 * 1000);
  EXPECT_TRUE(text.starts_with("@Article{ key0,\n"));
  EXPECT_TRUE(text.ends_with("\tabstract = \"{" + std::string(80, 'a') + "}\"\n}\n\n"));
  EXPECT_NE(text.find("@Article{ key" + std::to_string(count - 1) + ",\n"), std::string::npos);
}

}  // namespace
}  // namespace pubforge
