#include "custom/mapping.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace pubforge {
namespace {

using Columns = std::vector<std::string>;
using Entries = std::map<std::string, std::string>;

std::string sixteenWords(std::string_view lastSeparator) {
  std::string line;
  for (int i = 1; i <= 16; ++i) {
    if (i > 1) line += ' ';
    line += "c" + std::to_string(i);
  }
  return line += lastSeparator;
}

// ---------------------------------------------------------------- splitColumns

struct SplitCase {
  const char* name;
  std::string line;
  Columns expected;
  size_t maxColumns = kMaxMappingColumns;
};

TEST(SplitColumns, Table) {
  const std::vector<SplitCase> cases = {
      {"two words", "key value\n", {"key", "value"}},
      {"quoted column with a space", "CN \"Coastal Notes\"\n", {"CN", "Coastal Notes"}},
      {"tab and two spaces separate", "a\tb  c\n", {"a", "b", "c"}},
      {"leading space gives an empty first column", " x y\n", {"", "x", "y"}},
      {"leading tab gives an empty first column", "\tx\n", {"", "x"}},
      {"escaped space stays with its backslash", "a\\ b c\n", {"a\\ b", "c"}},
      {"quotes inside a column stay", "ab\"c d\"e f\n", {"ab\"c d\"e", "f"}},
      {"empty line has one empty column", "\n", {""}},
      {"no bytes at all give no column", "", {}},
      {"blanks at the end start no column", "a \n", {"a"}},
      {"blanks before CRLF start no column", "a \t\r\n", {"a"}},
      {"line without line ending", "a b", {"a", "b"}},
      {"CR of CRLF is not part of the text", "a b\r\n", {"a", "b"}},
      {"closing quote before CRLF removed", "\"x\"\r\n", {"x"}},
      {"quoted trailing space kept", "\"Physics \" P\n", {"Physics ", "P"}},
      {"tab inside quotes kept", "\"a\tb\"\tc\n", {"a\tb", "c"}},
      {"both columns quoted", "\"Applied Optics\" \"Appl. Opt.\"\n",
       {"Applied Optics", "Appl. Opt."}},
      {"CR inside a line ends the text, not the column", "ab\rcd ef\n", {"ab", "ef"}},
      {"CR before any column leaves an empty column", "\rab cd\n", {"", "cd"}},
      {"escape before a column is dropped", "\\#x y\n", {"x", "y"}},
      {"escape before a column that then ends", "\\x y\n", {"", "y"}},
      {"escaped quote does not quote", "a\\\"b c\n", {"a\\\"b", "c"}},
      {"quote before a separator is removed even when escaped", "a\\\" b\n", {"a\\", "b"}},
      {"escaped line feed stays in the text", "a\\\n", {"a\\\n"}},
      {"backslash as last byte of a column", "a\\", {"a\\"}},
      {"backslash as last byte before a column", "a \\", {"a", ""}},
      {"byte after an opening quote is not examined", "\"\"x y\n", {"\"x y"}},
      {"space after an opening quote is not examined", "\" x\" y\n", {" x", "y"}},
      {"opening quote as last byte", "a \"", {"a", ""}},
      {"opening quote before line feed takes the line feed", "a \"\n", {"a", "\n"}},
      {"stray quote before line feed removed", "ab\"\n", {"ab"}},
      {"unclosed quote runs to the line end", "a\" b\n", {"a\" b"}},
      {"NUL bytes are ordinary bytes", std::string("a\0b c\0\n", 7),
       {std::string("a\0b", 3), std::string("c\0", 2)}},
      {"sixteen columns", sixteenWords("\n"),
       {"c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "c10", "c11", "c12", "c13",
        "c14", "c15", "c16"}},
      {"seventeenth column ignored", sixteenWords(" c17 c18\n"),
       {"c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "c10", "c11", "c12", "c13",
        "c14", "c15", "c16"}},
      {"smaller limit", "a b c d\n", {"a", "b"}, 2},
      {"limit reached by the last column", "a b\n", {"a", "b"}, 2},
  };
  for (const SplitCase& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(splitColumns(row.line, row.maxColumns), row.expected);
  }
}

// ---------------------------------------------------------------- loadMapping

class LoadMappingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "mapping-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  std::string writeFile(const std::string& name, const std::string& content) {
    const std::string path = (dir_ / name).string();
    std::ofstream out(path, std::ios::binary);
    out << content;
    EXPECT_TRUE(out.good()) << path;
    return path;
  }

  std::filesystem::path dir_;
};

struct LoadCase {
  const char* name;
  std::string content;
  std::string keyColumn;
  std::string valueColumn;
  Entries expected;
};

const char kJournals[] = "name abbrev\nPhysics Phys.\n\"Applied Optics\" \"Appl. Opt.\"\n";

TEST_F(LoadMappingTest, EntriesTable) {
  const std::string longKey(200000, 'k');
  const std::string longValue(300000, 'v');
  const std::vector<LoadCase> cases = {
      {"key and value columns", kJournals, "name", "abbrev",
       {{"Physics", "Phys."}, {"Applied Optics", "Appl. Opt."}}},
      {"extra columns on some lines", "name abbrev\nPhysics Phys. extra\nOptics Opt.\n", "name",
       "abbrev", {{"Physics", "Phys."}, {"Optics", "Opt."}}},
      {"value column before key column: width from the key",
       "abbrev other name\nPhys. x Physics\nOpt. Optics\n", "name", "abbrev",
       {{"Physics", "Phys."}}},
      {"key and value from the same column", "name abbrev\nPhysics\nOptics Opt.\n", "name", "name",
       {{"Physics", "Physics"}, {"Optics", "Optics"}}},
      {"first of equal column names counts", "name name\nPhysics Phys.\n", "name", "name",
       {{"Physics", "Physics"}}},
      {"line with only the first column ignored", "name abbrev\nPhysics\nOptics Opt.\n", "name",
       "abbrev", {{"Optics", "Opt."}}},
      {"comment lines skipped", "name abbrev\n#Physics Phys.\nOptics #Opt.\n", "name", "abbrev",
       {{"Optics", "#Opt."}}},
      {"header beginning with '#'", "#name abbrev\n#Physics Phys.\nOptics Opt.\n", "#name",
       "abbrev", {{"Optics", "Opt."}}},
      {"keys compared byte for byte",
       "name abbrev\nPhysics Phys.\nphysics phys.\n\"Physics \" P.\n", "name", "abbrev",
       {{"Physics", "Phys."}, {"physics", "phys."}, {"Physics ", "P."}}},
      {"CRLF line endings", "name abbrev\r\nPhysics Phys.\r\nOptics Opt.\r\n", "name", "abbrev",
       {{"Physics", "Phys."}, {"Optics", "Opt."}}},
      {"last line without line ending", "name abbrev\nPhysics Phys.", "name", "abbrev",
       {{"Physics", "Phys."}}},
      {"empty lines ignored", "name abbrev\n\n\nPhysics Phys.\n", "name", "abbrev",
       {{"Physics", "Phys."}}},
      {"header only", "name abbrev\n", "name", "abbrev", {}},
      {"sixteenth column usable", sixteenWords("\n") + "k 2 3 4 5 6 7 8 9 10 11 12 13 14 15 v\n",
       "c1", "c16", {{"k", "v"}}},
      {"NUL bytes kept", std::string("name abbrev\nA\0B X\0Y\n", 20), "name", "abbrev",
       {{std::string("A\0B", 3), std::string("X\0Y", 3)}}},
      {"very long lines", "name abbrev\n" + longKey + " " + longValue + "\n", "name", "abbrev",
       {{longKey, longValue}}},
  };
  for (const LoadCase& row : cases) {
    SCOPED_TRACE(row.name);
    const std::string path = writeFile("table.map", row.content);
    MappingSet mappings;
    std::ostringstream err;
    EXPECT_TRUE(loadMapping(mappings, "j", path, row.keyColumn, row.valueColumn, err));
    EXPECT_EQ(err.str(), "");
    const Mapping* mapping = findMapping(mappings, "j");
    ASSERT_NE(mapping, nullptr);
    EXPECT_EQ(mapping->name, "j");
    EXPECT_EQ(mapping->entries, row.expected);
  }
}

TEST_F(LoadMappingTest, RepeatedKeyKeepsTheFirstValueAndWarns) {
  const std::string path = writeFile(
      "twice.map", "name abbrev\nPhysics Phys.\nOptics Opt.\nPhysics Ph.\nPhysics P.\n");
  MappingSet mappings;
  std::ostringstream err;
  ASSERT_TRUE(loadMapping(mappings, "j", path, "name", "abbrev", err));
  const std::string warning =
      "WARNING: Key Physics appears twice in mapping file " + path + "; keeping the first!\n";
  EXPECT_EQ(err.str(), warning + warning);
  const Mapping* mapping = findMapping(mappings, "j");
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(mapping->entries, (Entries{{"Physics", "Phys."}, {"Optics", "Opt."}}));
}

struct ErrorCase {
  const char* name;
  std::string content;
  std::string keyColumn;
  std::string valueColumn;
  std::string expected;  // "@" stands for the file name
};

TEST_F(LoadMappingTest, ColumnErrorsTable) {
  const std::vector<ErrorCase> cases = {
      {"empty file has no column names", "", "name", "abbrev",
       "ERROR: Mapping file @ has no column names!\n"},
      {"key column missing", "name abbrev\nPhysics Phys.\n", "journal", "abbrev",
       "ERROR: Key column journal not found in mapping file @!\n"},
      {"key column reported before value column", "name abbrev\n", "journal", "short",
       "ERROR: Key column journal not found in mapping file @!\n"},
      {"value column missing", "name abbrev\nPhysics Phys.\n", "name", "short",
       "ERROR: Value column short not found in mapping file @!\n"},
      {"header beginning with '#' is still the header", "#name abbrev\nname abbrev\n", "name",
       "abbrev", "ERROR: Key column name not found in mapping file @!\n"},
      {"column names compared byte for byte", "Name abbrev\n", "name", "abbrev",
       "ERROR: Key column name not found in mapping file @!\n"},
      {"key column beyond the sixteenth", sixteenWords(" c17\n"), "c17", "c1",
       "ERROR: Key column c17 not found in mapping file @!\n"},
      {"value column beyond the sixteenth", sixteenWords(" c17\n"), "c1", "c17",
       "ERROR: Value column c17 not found in mapping file @!\n"},
  };
  for (const ErrorCase& row : cases) {
    SCOPED_TRACE(row.name);
    const std::string path = writeFile("bad.map", row.content);
    std::string expected = row.expected;
    expected.replace(expected.find('@'), 1, path);
    MappingSet mappings;
    std::ostringstream err;
    EXPECT_FALSE(loadMapping(mappings, "j", path, row.keyColumn, row.valueColumn, err));
    EXPECT_EQ(err.str(), expected);
    EXPECT_TRUE(mappings.empty());
  }
}

TEST_F(LoadMappingTest, MissingFileCannotBeOpened) {
  const std::string path = (dir_ / "absent.map").string();
  MappingSet mappings;
  std::ostringstream err;
  EXPECT_FALSE(loadMapping(mappings, "j", path, "name", "abbrev", err));
  EXPECT_EQ(err.str(),
            "ERROR: Unable to open mapping file " + path + ": " + std::strerror(ENOENT) + "!\n");
  EXPECT_TRUE(mappings.empty());
}

TEST_F(LoadMappingTest, DirectoryOpensButCannotBeRead) {
  const std::string path = dir_.string();
  MappingSet mappings;
  std::ostringstream err;
  EXPECT_FALSE(loadMapping(mappings, "j", path, "name", "abbrev", err));
  EXPECT_EQ(err.str(),
            "ERROR: Unable to read from mapping file " + path + ": " + std::strerror(EISDIR) + "\n");
  EXPECT_TRUE(mappings.empty());
}

TEST_F(LoadMappingTest, SecondMappingOfTheSameNameIsReadButNotUsed) {
  const std::string first = writeFile("first.map", kJournals);
  const std::string second = writeFile("second.map", "name abbrev\nPhysics P.\nOptics O.\n");
  const std::string bad = writeFile("bad.map", "journal abbrev\nPhysics P.\n");
  MappingSet mappings;
  std::ostringstream err;
  ASSERT_TRUE(loadMapping(mappings, "j", first, "name", "abbrev", err));
  EXPECT_TRUE(loadMapping(mappings, "j", second, "name", "abbrev", err));
  EXPECT_EQ(err.str(), "");

  // The second file must still be valid.
  EXPECT_FALSE(loadMapping(mappings, "j", bad, "name", "abbrev", err));
  EXPECT_EQ(err.str(), "ERROR: Key column name not found in mapping file " + bad + "!\n");

  ASSERT_EQ(mappings.size(), 1u);
  const Mapping* mapping = findMapping(mappings, "j");
  ASSERT_NE(mapping, nullptr);
  const Entries expected = {{"Physics", "Phys."}, {"Applied Optics", "Appl. Opt."}};
  EXPECT_EQ(mapping->entries, expected);
}

TEST_F(LoadMappingTest, FindAndLookUp) {
  const std::string journals = writeFile("journals.map", kJournals);
  const std::string publishers =
      writeFile("publishers.map", "short long\nSP \"Shore Press\"\n");
  MappingSet mappings;
  std::ostringstream err;
  ASSERT_TRUE(loadMapping(mappings, "journals", journals, "name", "abbrev", err));
  ASSERT_TRUE(loadMapping(mappings, "publishers", publishers, "short", "long", err));
  EXPECT_EQ(err.str(), "");

  const Mapping* j = findMapping(mappings, "journals");
  const Mapping* p = findMapping(mappings, "publishers");
  ASSERT_NE(j, nullptr);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->name, "publishers");
  EXPECT_EQ(findMapping(mappings, "Journals"), nullptr);
  EXPECT_EQ(findMapping(mappings, ""), nullptr);

  struct LookupCase {
    const char* name;
    const Mapping* mapping;
    std::string key;
    const char* expected;  // nullptr: no entry
  };
  const std::vector<LookupCase> cases = {
      {"plain key", j, "Physics", "Phys."},
      {"key with a space", j, "Applied Optics", "Appl. Opt."},
      {"other mapping", p, "SP", "Shore Press"},
      {"key of another mapping", p, "Physics", nullptr},
      {"different case", j, "physics", nullptr},
      {"trailing space", j, "Physics ", nullptr},
      {"prefix of a key", j, "Phys", nullptr},
      {"empty key", j, "", nullptr},
  };
  for (const LookupCase& row : cases) {
    SCOPED_TRACE(row.name);
    const std::string* value = lookupMapping(*row.mapping, row.key);
    if (row.expected == nullptr) {
      EXPECT_EQ(value, nullptr);
    } else {
      ASSERT_NE(value, nullptr);
      EXPECT_EQ(*value, row.expected);
    }
  }
}

}  // namespace
}  // namespace pubforge
