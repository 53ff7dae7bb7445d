// The CSL-JSON writer: strings escaped for any bytes, entry types, names,
// dates and the fields of the item, read back with the tests' JSON parser.
#include "writers/csl_json_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "../common/json_parser.h"
#include "model/publication_set.h"
#include "writer_test_util.h"

namespace pubforge {
namespace {

using namespace std::string_literals;
using writer_test::ItemSpec;
using writer_test::makePublication;
using writer_test::readFile;

struct StringCase {
  const char* name;
  std::string text;
  std::string json;
};

TEST(CslJsonStringTest, AnyBytesBecomeValidJson) {
  const StringCase cases[] = {
      {"plain text", "Kell and Dalen", R"("Kell and Dalen")"},
      {"quote and backslash", R"(a "b" \c)", R"("a \"b\" \\c")"},
      {"control bytes", "a\tb\nc\x01\x1f", R"("a\u0009b\u000ac\u0001\u001f")"},
      {"NUL bytes do not cut the value", "a\0b"s, R"("a\u0000b")"},
      {"UTF-8 stays", "M\xC3\xBCller \xE2\x80\x93 \xF0\x9F\x98\x80", "\"M\xC3\xBCller \xE2\x80\x93 \xF0\x9F\x98\x80\""},
      {"a stray continuation byte", "a\x80" "b", "\"a\xEF\xBF\xBD" "b\""},
      {"a cut sequence at the end", "a\xC3", "\"a\xEF\xBF\xBD\""},
      {"an overlong slash", "\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"a surrogate", "\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"past U+10FFFF", "\xF4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"DEL is a character", "\x7F", "\"\x7F\""},
  };
  for (const StringCase& c : cases) {
    SCOPED_TRACE(c.name);
    OutputBuffer out;
    appendJsonString(out, c.text);
    EXPECT_EQ(std::string(out.view()), c.json);
    json::Value value;
    std::string error;
    ASSERT_TRUE(json::parse(out.view(), value, &error)) << error;
    EXPECT_EQ(value.kind, json::Value::Kind::kString);
  }
}

// The parser of the tests refuses what is no JSON, or its checks of the
// writer's files would prove nothing.
TEST(CslJsonStringTest, TheTestParserRefusesInvalidJson) {
  for (std::string_view bad : {"[1,]", "{\"a\": 1, \"a\": 2}", "\"a\x01\"", "\"\\x41\"",
                               "\"\xC3\"", "[1] 2", "01", "\"\\ud800\"", "{a: 1}", ""}) {
    SCOPED_TRACE(bad);
    json::Value value;
    EXPECT_FALSE(json::parse(bad, value));
  }
  json::Value value;
  ASSERT_TRUE(json::parse(R"([{"a": "\u00e4\ud83d\ude00", "b": [1, -2.5e3, true, null]}])", value));
  EXPECT_EQ(value.elements[0].find("a")->text, "\xC3\xA4\xF0\x9F\x98\x80");
}

class CslJsonWriterTest : public writer_test::ScratchFolderTest {
 protected:
  // Writes the publications and parses the file; the items of the array.
  std::vector<json::Value> write(const Collection& publications) {
    PublicationSet set(publications.size());
    set.addAll(publications);
    const std::string path = (dir / "out.json").string();
    std::ostringstream err;
    EXPECT_TRUE(exportToCslJson(set, path, err));
    EXPECT_EQ(err.str(), "");
    text = readFile(path);
    json::Value array;
    std::string error;
    EXPECT_TRUE(json::parse(text, array, &error)) << error << "\n" << text;
    EXPECT_EQ(array.kind, json::Value::Kind::kArray);
    return array.elements;
  }
  json::Value writeOne(std::unique_ptr<Node> publication) {
    Collection publications;
    publications.push_back(std::move(publication));
    std::vector<json::Value> items = write(publications);
    EXPECT_EQ(items.size(), 1u);
    return items.empty() ? json::Value{} : items[0];
  }
  // The member as compact JSON-like text: strings as they are, numbers as
  // written, arrays and objects with their parts.
  static std::string show(const json::Value* value) {
    if (!value) return "(none)";
    switch (value->kind) {
      case json::Value::Kind::kString:
      case json::Value::Kind::kNumber: return value->text;
      case json::Value::Kind::kArray: {
        std::string out = "[";
        for (const json::Value& e : value->elements) out += (out.size() > 1 ? "," : "") + show(&e);
        return out + "]";
      }
      case json::Value::Kind::kObject: {
        std::string out = "{";
        for (size_t i = 0; i < value->names.size(); ++i)
          out += (out.size() > 1 ? "," : "") + value->names[i] + ":" + show(&value->values[i]);
        return out + "}";
      }
      default: return "?";
    }
  }

  std::string text;
};

TEST_F(CslJsonWriterTest, EmptySetIsAnEmptyArray) {
  EXPECT_TRUE(write({}).empty());
  EXPECT_EQ(text, "[\n]\n");
}

TEST_F(CslJsonWriterTest, OnlyEntriesBecomeItems) {
  Collection publications;
  publications.push_back(makePublication("Comment", "1", {{"comment", "a comment"}}));
  auto macro = makePublication("String", "jt", {{"string", "J. Test"}});
  macro->kind = PublicationKind::kString;
  publications.push_back(std::move(macro));
  publications.push_back(makePublication("Article", "kell99", {{"title", "T"}}));
  const std::vector<json::Value> items = write(publications);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(show(items[0].find("id")), "kell99");
}

TEST_F(CslJsonWriterTest, EntryTypes) {
  struct Row {
    const char* entryType;
    const char* cslType;
    const char* genre;
  };
  const Row rows[] = {
      {"Article", "article-journal", "(none)"}, {"InProceedings", "paper-conference", "(none)"},
      {"InCollection", "chapter", "(none)"},    {"InBook", "chapter", "(none)"},
      {"Book", "book", "(none)"},               {"Proceedings", "book", "(none)"},
      {"PhDThesis", "thesis", "PhD thesis"},    {"MastersThesis", "thesis", "Master's thesis"},
      {"TechReport", "report", "(none)"},       {"Manual", "report", "(none)"},
      {"Booklet", "pamphlet", "(none)"},        {"Unpublished", "manuscript", "(none)"},
      {"Online", "webpage", "(none)"},          {"Misc", "document", "(none)"},
      {"Software", "document", "(none)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.entryType);
    const json::Value item = writeOne(makePublication(row.entryType, "k"));
    EXPECT_EQ(show(item.find("type")), row.cslType);
    EXPECT_EQ(show(item.find("genre")), row.genre);
  }
  // A type outside the reader's table is Misc with its own word kept.
  auto www = makePublication("Misc", "k");
  www->typeWord = "Www";
  EXPECT_EQ(show(writeOne(std::move(www)).find("type")), "webpage");
}

TEST_F(CslJsonWriterTest, Names) {
  const json::Value item = writeOne(makePublication(
      "Article", "k",
      {{"author", "", 0,
        {"Kell", "Mira~Anna", "M.~A.", "{Acme Research Group}", "", "",
         "{Van den Nest}", "Maarten", "M.", "M{\\\"u}ller", "J{\\\"o}rg", "J.",
         "van der Berg, Jr.", "Jan", "J.", "de la Fuente", "Ana", "A.", "von", "Otto", "O."}}}));
  // The von part is the particle and the Jr part the suffix; a braced family
  // name and a name that is only a von word stay whole.
  EXPECT_EQ(show(item.find("author")),
            "[{family:Kell,given:Mira Anna},{literal:Acme Research Group},"
            "{family:Van den Nest,given:Maarten},{family:M\xC3\xBCller,given:J\xC3\xB6rg},"
            "{family:Berg,given:Jan,non-dropping-particle:van der,suffix:Jr.},"
            "{family:Fuente,given:Ana,non-dropping-particle:de la},{family:von,given:Otto}]");
}

TEST_F(CslJsonWriterTest, EditorsAreSplitLikeAuthors) {
  const json::Value item =
      writeOne(makePublication("Book", "k", {{"editor", "Ann Lee and Ray, Bob and {ACM}"}}));
  EXPECT_EQ(show(item.find("editor")),
            "[{family:Lee,given:Ann},{family:Ray,given:Bob},{literal:ACM}]");
}

TEST_F(CslJsonWriterTest, Dates) {
  struct Row {
    const char* name;
    std::vector<ItemSpec> items;
    const char* issued;
  };
  const Row rows[] = {
      {"year, month and day", {{"year", "2020", 2020}, {"month", "05", 5}, {"day", "0007", 7}},
       "{date-parts:[[2020,5,7]]}"},
      {"year alone", {{"year", "1999", 1999}}, "{date-parts:[[1999]]}"},
      {"an unknown month ends the parts", {{"year", "1999", 1999}, {"month", "00", 0},
                                           {"day", "0005", 5}}, "{date-parts:[[1999]]}"},
      {"a year that is no number", {{"year", "0000", 0}}, "(none)"},
      {"a date that gave no year", {{"date", "2020/2021"}}, "{literal:2020/2021}"},
      {"no date", {{"title", "T"}}, "(none)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const json::Value item = writeOne(makePublication("Misc", "k", row.items));
    EXPECT_EQ(show(item.find("issued")), row.issued);
  }
  const json::Value visited =
      writeOne(makePublication("Online", "k", {{"urldate", "2024-02-29"}}));
  EXPECT_EQ(show(visited.find("accessed")), "{date-parts:[[2024,2,29]]}");
  const json::Value vague = writeOne(makePublication("Online", "k", {{"urldate", "spring 2024"}}));
  EXPECT_EQ(show(vague.find("accessed")), "{literal:spring 2024}");
}

TEST_F(CslJsonWriterTest, FieldsArePlainText) {
  const json::Value item = writeOne(makePublication(
      "Article", "k",
      {{"title", "M{\\\"u}ller--Schmidt~and {DNA}\n  over lines"},
       {"journal", "Proc.~(WS)"},
       {"pages", "10--20"},
       {"number", "3"},
       {"doi", "10.1000/a--b~c"},
       {"url", "https://example.org/?a=1&b=2"},
       {"language", "ngerman"},
       {"keywords", "x, y"}}));
  EXPECT_EQ(show(item.find("title")), "M\xC3\xBCller\xE2\x80\x93Schmidt\xC2\xA0" "and DNA over lines");
  EXPECT_EQ(show(item.find("container-title")), "Proc. (WS)");  // the reader's tie
  EXPECT_EQ(show(item.find("page")), "10\xE2\x80\x93" "20");
  EXPECT_EQ(show(item.find("issue")), "3");
  EXPECT_EQ(show(item.find("DOI")), "10.1000/a--b~c");  // identifiers as stored
  EXPECT_EQ(show(item.find("URL")), "https://example.org/?a=1&b=2");
  EXPECT_EQ(show(item.find("language")), "de-DE");
  EXPECT_EQ(show(item.find("keyword")), "x, y");
}

// English titles are stored in sentence case, so that a style can put them
// into title case or leave them; protected words and other languages stay.
TEST_F(CslJsonWriterTest, EnglishTitlesInSentenceCase) {
  struct Row {
    const char* name;
    std::vector<ItemSpec> items;
    const char* title;
  };
  const Row rows[] = {
      {"capitalised words", {{"title", "Binary Decision Diagrams"}}, "Binary decision diagrams"},
      {"a new sentence after a colon", {{"title", "Planning: The Next Steps? Yes. Now"}},
       "Planning: The next steps? Yes. Now"},
      {"acronyms and mixed case stay", {{"title", "IPC Results for SoCS and LaTeX"}},
       "IPC results for SoCS and LaTeX"},
      {"braces and formulas protect", {{"title", "The {Monte Carlo} Way to $A^*$ Search"}},
       "The Monte Carlo way to A^* search"},
      {"hyphenated words", {{"title", "Front-To-End Search"}}, "Front-to-end search"},
      {"command names stay", {{"title", "Das {\\\"U}bel Und \\textbf{Mehr}"}, {"language", "english"}},
       "Das \xC3\x9C" "bel und Mehr"},
      {"other languages stay", {{"title", "Die Neue Welt"}, {"language", "ngerman"}},
       "Die Neue Welt"},
      {"an English langid", {{"title", "The New World"}, {"langid", "en-GB"}}, "The new world"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const json::Value item = writeOne(makePublication("Article", "k", row.items));
    EXPECT_EQ(show(item.find("title")), row.title);
  }
}

TEST_F(CslJsonWriterTest, PublishersOfReportsThesesAndTheRest) {
  struct Row {
    const char* type;
    std::vector<ItemSpec> items;
    const char* publisher;
    const char* number;
  };
  const Row rows[] = {
      {"TechReport", {{"institution", "Lab"}, {"publisher", "P"}, {"number", "7"}}, "Lab", "7"},
      {"PhDThesis", {{"school", "Uni"}, {"institution", "Inst"}}, "Uni", "(none)"},
      {"Book", {{"publisher", "P"}, {"institution", "Inst"}}, "P", "(none)"},
      {"Misc", {{"howpublished", "Zenodo"}}, "Zenodo", "(none)"},
      {"Manual", {{"organization", "ACME"}}, "ACME", "(none)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.type);
    const json::Value item = writeOne(makePublication(row.type, "k", row.items));
    EXPECT_EQ(show(item.find("publisher")), row.publisher);
    EXPECT_EQ(show(item.find("number")), row.number);
  }
  const json::Value preprint = writeOne(
      makePublication("Misc", "k", {{"eprint", "2101.00001"}, {"eprinttype", "arXiv"}}));
  EXPECT_EQ(show(preprint.find("URL")), "https://arxiv.org/abs/2101.00001");
}

TEST_F(CslJsonWriterTest, ReportsCreateFailureInTheFormatsWords) {
  PublicationSet set(0);
  std::ostringstream err;
  const std::string path = (dir / "missing" / "out.json").string();
  EXPECT_FALSE(exportToCslJson(set, path, err));
  EXPECT_EQ(err.str(), "ERROR: Unable to create CSL-JSON file " + path + "!\n");
}

}  // namespace
}  // namespace pubforge
