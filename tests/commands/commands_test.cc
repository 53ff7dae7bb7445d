// The command language run in-process over a small bibliography: what each
// command does to the selection, the labels, the custom strings and the
// output settings, what it prints, and how errors are counted and stop the
// input.
#include "commands/commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "commands/run_context.h"
#include "model/publication_set.h"
#include "reader/reader.h"

namespace pubforge {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A comment line (key "1") and three entries.
const std::string kBibliography =
    "% group list\n"
    "@article{a1, title = {Alpha}, author = {Ann Author}, year = 2001}\n"
    "@book{b2, title = {Beta}, author = {Ben Author}, year = 1999, publisher = {P}}\n"
    "@misc{c3, title = {Gamma}, author = {Cy Author}}\n";

struct ScriptRun {
  unsigned result = 0;
  std::string out, err;
  std::string selection;  // "key:label" of the selected publications, in order
};

// A run context over the bibliography above, with an empty selection.
class Interpreter {
 public:
  Interpreter() : ctx(out, err) {
    std::ostringstream readerOut, readerErr;
    BibReader reader(readerOut, readerErr);
    EXPECT_EQ(reader.readText(kBibliography), ReadResult::kOk);
    ctx.publications = reader.finish();
    set = PublicationSet(ctx.publications.size());
  }

  ScriptRun run(const std::string& script, unsigned level = 0) {
    out.str("");
    err.str("");
    std::istringstream input(script);
    ScriptRun r;
    r.result = runCommands(input, ctx, set, level);
    r.out = out.str();
    r.err = err.str();
    for (const Node* p : set)
      r.selection += (r.selection.empty() ? "" : " ") + p->keyword + ":" + p->label;
    return r;
  }

  Node& publication(const std::string& key) {
    Node* p = findNode(ctx.publications, key);
    EXPECT_NE(p, nullptr) << key;
    return *p;
  }

  std::ostringstream out, err;
  RunContext ctx;
  PublicationSet set;
};

class CommandsTest : public ::testing::Test, public Interpreter {};

struct Row {
  const char* name;
  std::string script;
  std::string selection;
  std::string err;
  unsigned result;
  std::string out = "";
};

TEST(Commands, ScriptsTable) {
  const std::string kNotFound = "ERROR: Publication 'zz' not found!\n";
  const Row rows[] = {
      // Selecting and labelling.
      {"labels count the selection", "cite a1\ncite b2\n", "a1:0 b2:1", "", 0},
      {"a label given", "cite a1 [1]\ncite b2\n", "a1:[1] b2:1", "", 0},
      {"blanks between the words", "cite \t a1\t\t L  \n", "a1:L", "", 0},
      {"quoted key and label", "cite \"a1\" \"two words\"\n", "a1:two words", "", 0},
      {"an empty quoted label numbers", "cite b2 \"\"\n", "b2:0", "", 0},
      {"a comment word ends the argument", "cite a1 #note\n", "a1:0", "", 0},
      {"citing twice", "cite a1 A\ncite a1 A\n", "a1:A",
       "ERROR: Publication 'a1 A' has already been added!\n", 1},
      {"citing again replaces the label", "cite a1\ncite b2\ncite a1  X\n", "a1:X b2:1",
       "ERROR: Publication 'a1  X' has already been added!\n", 1},
      {"an unknown key", "cite zz\ncite a1\n", "a1:0", kNotFound, 1},
      {"errors add up; citing again renumbers", "cite zz\ncite zz\ncite a1\ncite a1\n", "a1:1",
       kNotFound + kNotFound + "ERROR: Publication 'a1' has already been added!\n", 3},
      {"citeAll appends the rest with their keys", "cite b2 B\nciteAll\n",
       "b2:B 1:1 a1:a1 c3:c3", "", 0},
      {"clear empties the selection", "cite a1 L\nclear\ncite b2\n", "b2:0", "", 0},
      // Sorting.
      {"sort ascending: no value last", "cite c3\ncite a1\ncite b2\nsort year\n",
       "b2:2 a1:1 c3:0", "", 0},
      {"sort descending: no value first", "cite a1\ncite c3\ncite b2\nsort year/D\n",
       "c3:1 a1:0 b2:2", "", 0},
      {"orders in full words", "cite b2\ncite a1\ncite c3\nsort year/descending\n",
       "c3:2 a1:1 b2:0", "", 0},
      {"a second key among equals", "cite c3\ncite b2\ncite a1\nsort nosuch/A title/D\n",
       "c3:0 b2:1 a1:2", "", 0},
      {"a bad order keeps the keys before it", "cite c3\ncite b2\ncite a1\nsort title year/down\n",
       "a1:2 b2:1 c3:0", "ERROR: Bad sorting order 'down' for key 'year'!\n", 1},
      {"words after the eighth are ignored",
       "cite a1\ncite b2\nsort a b c d e f g title/D year/bad\n", "b2:1 a1:0", "", 0},
      {"an empty key adds nothing", "cite a1\ncite b2\nsort /D\n", "a1:0 b2:1", "", 0},
      // Lines and the command table.
      {"empty and comment lines", "\n# cite zz\n\ncite a1\n", "a1:0", "", 0},
      {"the last line needs no line feed", "cite b2\ncite a1", "b2:0 a1:1", "", 0},
      {"commands match by their first bytes",
       "cite a1\nclearing\nciteAllx\ntemplate %{label};\nexpor\nutf8Styl\n",
       "1:1 a1:a1 b2:b2 c3:c3", "", 0, "a1;b2;c3;"},
      {"a bad command ends the input", "cite a1\nbogus\ncite b2\n", "a1:0",
       "ERROR: Bad command 'bogus'!\n", 1},
      {"a stop counts 1 whatever came before", "cite zz\ncite zz\nbogus\n", "",
       kNotFound + kNotFound + "ERROR: Bad command 'bogus'!\n", 1},
      {"cite without its space", "cite\ncite a1\n", "", "ERROR: Bad command 'cite'!\n", 1},
      {"a line of blanks", "   \n", "", "ERROR: Bad command '   '!\n", 1},
      {"a NUL byte stays in the message", "bo\0gus\n"s, "", "ERROR: Bad command 'bo\0gus'!\n"s, 1},
      // Export prints the selection as it is at that moment.
      {"export at each export", "template %{label};\nexport\ncite b2\nexport\ncite a1\nexport\n",
       "b2:0 a1:1", "", 0, "b2;b2;a1;"},
      {"the template of the moment", "cite a1\ntemplate <%{title}>\nexpor\ntemplatenew\nexport\n",
       "a1:0", "", 0, "<Alpha>"},
      {"header and trailer around each",
       "cite a1\ncite c3\nheader (\ntrailer )\ntemplate %{label}\nexport\n",
       "a1:0 c3:1", "", 0, "(a1)(c3)"},
      // Echo.
      {"echo resolves escapes", "echo Hello\\n\necho  x\\x41\n", "", "", 0, "Hello\n xA"},
      {"echo keeps NUL bytes", "echo a\0b\n"s, "", "", 0, "a\0b"s},
      {"too many month names stop", "monthNames 1 2 3 4 5 6 7 8 9 10 11 12 13\necho x\n", "",
       "ERROR: There are only 12 month names possible in monthNames!\n", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Interpreter fresh;
    const ScriptRun r = fresh.run(row.script);
    EXPECT_EQ(r.selection, row.selection);
    EXPECT_EQ(r.err, row.err);
    EXPECT_EQ(r.result, row.result);
    EXPECT_EQ(r.out, row.out);
  }
}

TEST_F(CommandsTest, CustomStringsFollowTheLabel) {
  run("cite a1 L \"two words\" x\n");
  EXPECT_EQ(publication("a1").custom,
            (std::vector<std::string>{"two words", "x", "", "", "", "", "", "", ""}));
  // Citing again stores the new strings, also when it is an error; words
  // after the ninth are ignored and escapes stay as written.
  const ScriptRun again = run("cite a1 M 1 2 3 4 5 6 7 8 a\\ b 10\n");
  EXPECT_EQ(again.result, 1u);
  EXPECT_EQ(publication("a1").label, "M");
  EXPECT_EQ(publication("a1").custom,
            (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "a\\ b"}));
  // An unknown key changes nothing.
  run("cite zz Q q\n");
  EXPECT_EQ(publication("a1").label, "M");
}

TEST_F(CommandsTest, ClearKeepsLabelsAndCustomStrings) {
  EXPECT_EQ(run("cite a1 L x\nclear\n").selection, "");
  EXPECT_EQ(publication("a1").label, "L");
  EXPECT_EQ(publication("a1").custom[0], "x");
  // After clear a publication may be cited again without an error.
  const ScriptRun again = run("cite a1\n");
  EXPECT_EQ(again.result, 0u);
  EXPECT_EQ(again.selection, "a1:0");
}

TEST_F(CommandsTest, SettingsTakeTheArgumentAsWritten) {
  const OutputSettings& s = ctx.settings;
  EXPECT_EQ(run("header  <li>\\n\ntrailer ;;\nnbsp &nbsp;\nlinebreak <br>\nxmlStyle\n").result, 0u);
  EXPECT_EQ(s.header, " <li>\\n");
  EXPECT_EQ(s.trailer, ";;");
  EXPECT_EQ(s.nbsp, "&nbsp;");
  EXPECT_EQ(s.linebreak, "<br>");
  EXPECT_TRUE(s.xmlStyle);
  run("utf8Style whatever\n");
  EXPECT_FALSE(s.xmlStyle);
  run("xmlStylex\n");
  EXPECT_TRUE(s.xmlStyle);

  run("template %{title}\n");
  EXPECT_EQ(s.printingTemplate, "%{title}");
  run("templatenew ignored\ntemplate+ [%{author}\ntemplate+  ]\\n\n");
  EXPECT_EQ(s.printingTemplate, "[%{author} ]\\n");
  run("header \ntrailer \n");
  EXPECT_EQ(s.header, "");
  EXPECT_EQ(s.trailer, "");
}

TEST_F(CommandsTest, AnErrorInThePrintingTemplateEndsTheRun) {
  std::istringstream input("cite a1\ncite b2\ntemplate %{label}]\nexport\necho not reached\n");
  EXPECT_THROW(runCommands(input, ctx, set, 0), FatalError);
  EXPECT_EQ(err.str(), "ERROR: Unexpected ']' in custom printing template!\n");
  EXPECT_EQ(out.str(), "");
}

TEST_F(CommandsTest, LinesOfAnyLengthAreOneCommand) {
  const std::string piece(70000, 'x');
  const ScriptRun r = run("templatenew\ntemplate+ " + piece + "\ntemplate+ " + piece + "\n");
  EXPECT_EQ(r.result, 0u);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ctx.settings.printingTemplate, piece + piece);
}

TEST_F(CommandsTest, MonthNames) {
  const std::vector<std::string>& names = ctx.settings.monthNames;
  run("monthNames Jan Feb\n");
  EXPECT_EQ(names[0], "Jan");
  EXPECT_EQ(names[1], "Feb");
  EXPECT_EQ(names[2], "March");
  EXPECT_EQ(names[11], "December");
  // Only the space separates names; quotes hold one.
  run("monthNames \"Jan uar\" Fe\tb  M\n");
  EXPECT_EQ(names[0], "Jan uar");
  EXPECT_EQ(names[1], "Fe\tb");
  EXPECT_EQ(names[2], "M");
  // Twelve names replace all of them.
  EXPECT_EQ(run("monthNames 1 2 3 4 5 6 7 8 9 10 11 12   \n").result, 0u);
  EXPECT_EQ(names, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10",
                                             "11", "12"}));
  // Blanks alone give one empty name.
  run("monthNames   \n");
  EXPECT_EQ(names[0], "");
  EXPECT_EQ(names[1], "2");
  // A thirteenth name stops, after the first twelve were stored.
  run("monthNames a b c d e f g h i j k l m\n");
  EXPECT_EQ(names[11], "l");
  EXPECT_EQ(names.size(), 12u);
}

// Include files live in a scratch folder of the test.
class IncludeTest : public CommandsTest {
 protected:
  IncludeTest()
      : dir(fs::temp_directory_path() / ("pubforge-include-" + std::to_string(::getpid()))) {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~IncludeTest() override { fs::remove_all(dir); }

  std::string write(const std::string& name, const std::string& text) {
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  static size_t occurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  }

  fs::path dir;
};

TEST_F(IncludeTest, IncludedCommandsShareTheSelectionAndTheErrors) {
  const std::string inner = write("inner cmds", "cite b2 B\ncite zz\nheader h\n");
  const ScriptRun r = run("cite a1\ninclude " + inner + "\ncite c3\n");
  EXPECT_EQ(r.selection, "a1:0 b2:B c3:2");
  EXPECT_EQ(r.err, "ERROR: Publication 'zz' not found!\n");
  EXPECT_EQ(r.result, 1u);
  EXPECT_EQ(ctx.settings.header, "h");
}

TEST_F(IncludeTest, AStoppedIncludeCountsOneAndTheIncluderGoesOn) {
  const std::string inner = write("inner", "cite zz\ncite zz\nbogus\ncite b2\n");
  const ScriptRun r = run("include " + inner + "\ncite a1\ncite zz\n");
  EXPECT_EQ(r.selection, "a1:0");
  EXPECT_EQ(r.result, 2u);  // 1 for the stopped file, 1 for the unknown key
}

TEST_F(IncludeTest, FilesThatCannotBeReadStopTheInput) {
  const std::string missing = (dir / "missing").string();
  const std::string folder = (dir / "sub").string();
  fs::create_directories(folder);
  const std::string withNul = write("a", "cite a1\n") + std::string("\0x", 2);
  for (const std::string& name : {missing, folder, withNul}) {
    SCOPED_TRACE(name);
    set.clear();
    const ScriptRun r = run("include " + name + "\ncite b2\n");
    EXPECT_EQ(r.err, "ERROR: Unable to open include file '" + name + "'!\n");
    EXPECT_EQ(r.result, 1u);
    EXPECT_EQ(r.selection, "");
  }
}

TEST_F(IncludeTest, AFileThatIncludesItselfNestsTenDeep) {
  const std::string self = (dir / "self").string();
  write("self", "echo >\ninclude " + self + "\necho <\n");
  const ScriptRun r = run("include " + self + "\necho done\n");
  EXPECT_EQ(r.out, std::string(10, '>') + std::string(9, '<') + "done");
  EXPECT_EQ(r.err, "ERROR: Include file nesting level limit reached!\n");
  EXPECT_EQ(r.result, 1u);
}

TEST_F(IncludeTest, IncludesAtTheDeepestLevelStopEvenWhenTheFileIsMissing) {
  const ScriptRun r = run("include /nonexistent\n", kMaxIncludeLevel);
  EXPECT_EQ(r.result, 1u);
  EXPECT_EQ(r.err, "ERROR: Include file nesting level limit reached!\n");
}

TEST_F(IncludeTest, AFileThatIncludesItselfManyTimesEnds) {
  const std::string self = (dir / "fan").string();
  std::string text = "echo .\n";
  for (int i = 0; i < 30; ++i) text += "include " + self + "\n";
  write("fan", text);
  const ScriptRun r = run("include " + self + "\necho done\n");
  EXPECT_EQ(occurrences(r.out, "."), size_t{kMaxIncludeFiles});
  EXPECT_TRUE(r.out.ends_with("done"));
  EXPECT_GT(occurrences(r.err, "ERROR: Include file limit of 10000 files reached!\n"), 0u);
  EXPECT_EQ(r.result, 1u);
}

// cite looks publications up through an index; the first node with a key is
// the one findNode gives.
TEST(CommandsLookup, TheFirstPublicationWithAKeyIsCited) {
  std::ostringstream out, err;
  RunContext ctx(out, err);
  for (const char* key : {"k", "k", "m"}) ctx.publications.push_back(createNode(key));
  PublicationSet set(ctx.publications.size());
  std::istringstream input("cite m\ncite k\ncite k\n");
  EXPECT_EQ(runCommands(input, ctx, set, 0), 1u);
  ASSERT_EQ(set.size(), 2u);
  EXPECT_EQ(set[1], findNode(ctx.publications, "k"));
  EXPECT_EQ(set[1], ctx.publications[0].get());
}

// Every key of a larger bibliography, some of them twice, is found as
// findNode finds it.
TEST(CommandsLookup, AgreesWithFindNode) {
  std::ostringstream out, err;
  RunContext ctx(out, err);
  for (int i = 0; i < 1000; ++i)
    ctx.publications.push_back(createNode("k" + std::to_string(i % 700)));
  PublicationSet set(ctx.publications.size());
  std::string script;
  for (int i = 0; i < 700; ++i) script += "cite k" + std::to_string(i) + "\n";
  std::istringstream input(script + "cite k700\n");
  EXPECT_EQ(runCommands(input, ctx, set, 0), 1u);
  ASSERT_EQ(set.size(), 700u);
  for (int i = 0; i < 700; ++i)
    EXPECT_EQ(set[i], findNode(ctx.publications, "k" + std::to_string(i))) << i;
}

TEST(CommandsLookup, NothingIsFoundInAnEmptyBibliography) {
  std::ostringstream out, err;
  RunContext ctx(out, err);
  PublicationSet set;
  std::istringstream input("cite k\n");
  EXPECT_EQ(runCommands(input, ctx, set, 0), 1u);
  EXPECT_EQ(err.str(), "ERROR: Publication 'k' not found!\n");
}

}  // namespace
}  // namespace pubforge
