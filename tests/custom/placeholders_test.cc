// The placeholders: the publication's own data, the author loop, the tests
// on the section text and on the author's position, subdivisions, and the
// values from outside the publication (naming template, stored downloads,
// mappings and shell commands).
#include "custom/placeholders.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "custom/template.h"
#include "text/strings.h"
#include "template_fixture.h"

namespace pubforge {
namespace {

using testing::addAuthors;
using testing::ItemSpec;
using testing::makePublication;
using testing::PrintSetup;

// A placeholder in a section with the alternative FAILED shows whether it
// failed, and what it printed when it did not.
std::string probe(std::string_view placeholder) {
  return "[" + std::string(placeholder) + "|FAILED]";
}

struct PlaceholderCase {
  const char* name;
  std::string placeholder;
  std::vector<ItemSpec> items;
  std::string expected;
  std::string warning = "";
};

TEST(Placeholders, PublicationDataTable) {
  const std::vector<PlaceholderCase> cases = {
      {"label is the citation key", "%{label}", {}, "Key+1"},
      {"html-label replaces plus signs", "%{html-label}", {}, "Key_1"},
      {"anchor is the label, converted", "%{anchor}", {}, "L\xC3\xBC"},
      {"class is the entry type", "%{class}", {}, "Article"},
      {"year", "%{year}", {{"year", "2020", 2020}}, "2020"},
      {"year missing", "%{year}", {}, "FAILED"},
      {"empty year prints nothing and does not fail", "%{year}", {{"year", ""}}, ""},
      {"month name", "%{month-name}", {{"month", "05", 5}}, "May"},
      {"month name of month 12", "%{month-name}", {{"month", "12", 12}}, "December"},
      {"month name of month 0 fails", "%{month-name}", {{"month", "xx", 0}}, "FAILED"},
      {"month name of month 13 fails", "%{month-name}", {{"month", "13", 13}}, "FAILED"},
      {"month name without month", "%{month-name}", {}, "FAILED"},
      {"month number", "%{month-number}", {{"month", "05", 5}}, "5"},
      {"month number 13 is printed", "%{month-number}", {{"month", "13", 13}}, "13"},
      {"month number 0 is printed", "%{month-number}", {{"month", "x", 0}}, "0"},
      {"month number without month", "%{month-number}", {}, "FAILED"},
      {"day", "%{day}", {{"day", "07", 7}}, "7"},
      {"day missing", "%{day}", {}, "FAILED"},
      {"publisher", "%{$}", {{"publisher", "Harbour~Press"}}, "Harbour Press"},
      {"short publisher", "%$", {{"publisher", "P"}}, "P"},
      {"publisher missing", "%$", {}, "FAILED"},
      {"isbn with nbsp", "%{isbn}", {{"isbn", "978-3-16-148410-0"}}, "ISBN 978-3-16-148410-0"},
      {"issn", "%{issn}", {{"issn", "1234-5679"}}, "ISSN 1234-5679"},
      {"isbn missing", "%{isbn}", {}, "FAILED"},
      {"content-language", "%{content-language}",
       {{"language", "german"}, {"content-language", "de"}}, "de"},
      {"content-language falls back to language", "%{content-language}",
       {{"language", "english"}}, "english"},
      {"content-language missing", "%{content-language}", {}, "FAILED"},
      {"xml-language english", "%{xml-language}", {{"language", "english"}}, "en"},
      {"xml-language ngerman", "%{xml-language}", {{"language", "ngerman"}}, "de"},
      {"xml-language Greek", "%{xml-language}", {{"language", "Greek"}}, "el"},
      {"xml-language USenglish", "%{xml-language}", {{"language", "USenglish"}}, "en-US"},
      {"xml-language is case-sensitive", "%{xml-language}", {{"language", "English"}},
       "FAILED"},
      {"xml-language greek", "%{xml-language}", {{"language", "greek"}}, "FAILED"},
      {"xml-language missing", "%{xml-language}", {}, "FAILED"},
      {"url keeps tildes and drops line feeds", "%{url}",
       {{"url", "https://x.org/~kell/\npaper{\\\"a}"}}, "https://x.org/~kell/paper\xC3\xA4"},
      {"doi", "%{doi}", {{"doi", "10.1/x~y"}}, "10.1/x~y"},
      {"urn", "%{urn}", {{"urn", "urn:x"}}, "urn:x"},
      {"file", "%{file}", {{"file", "a.pdf"}}, "a.pdf"},
      {"repository", "%{repository}", {{"repository", "r"}}, "r"},
      {"url missing", "%{url}", {}, "FAILED"},
      {"how-published warns", "%{how-published}", {{"howpublished", "Web"}}, "Web",
       "WARNING: how-published is deprecated, use howpublished instead!\n"},
      {"how-published warns also when missing", "%{how-published}", {}, "FAILED",
       "WARNING: how-published is deprecated, use howpublished instead!\n"},
      {"url-md5 warns", "%{url-md5}", {{"url.md5", "abc"}}, "abc",
       "WARNING: url-md5 is deprecated, use url.md5 instead!\n"},
      {"url-mime warns", "%{url-mime}", {{"url.mime", "text/html"}}, "text/html",
       "WARNING: url-mime is deprecated, use url.mime instead!\n"},
      {"url.md5 is an item", "%{url.md5}", {{"url.md5", "abc"}}, "abc"},
      {"url.type of a PDF", "%{url.type}", {{"url.mime", "application/pdf"}}, "PDF"},
      {"url.type of XML", "%{url.type}", {{"url.mime", "application/xml"}}, "XML"},
      {"url.type of HTML", "%{url.type}", {{"url.mime", "text/html"}}, "HTML"},
      {"url.type of text", "%{url.type}", {{"url.mime", "text/plain"}}, "TXT"},
      {"url.type of SVG", "%{url.type}", {{"url.mime", "image/svg+xml"}}, "SVG"},
      {"url.type of another type is the type, unconverted", "%{url.type}",
       {{"url.mime", "x/a~b"}}, "x/a~b"},
      {"url.type missing", "%{url.type}", {}, "FAILED"},
      {"url-type warns", "%{url-type}", {{"url.mime", "text/html"}}, "HTML",
       "WARNING: url-type is deprecated, use url.type instead!\n"},
      {"size in bytes", "%{url.size.b}", {{"url.size", "1536"}}, "1536"},
      {"size in KiB rounds up", "%{url.size.kib}", {{"url.size", "1536"}}, "2"},
      {"size in MiB", "%{url.size.mib}", {{"url.size", "1536"}}, "1"},
      {"size unit is lower-cased", "%{url.size.MiB}", {{"url.size", "1536"}}, "1"},
      {"size in GiB", "%{url.size.gib}", {{"url.size", "3221225473"}}, "4"},
      {"size read like atoll", "%{url.size.b}", {{"url.size", " \t+42kB"}}, "42"},
      {"negative size", "%{url.size.kib}", {{"url.size", "-2048"}}, "-2"},
      {"huge size saturates", "%{url.size.b}", {{"url.size", "99999999999999999999"}},
       "9223372036854775808"},
      {"size 0 fails", "%{url.size.b}", {{"url.size", "0"}}, "FAILED"},
      {"size that is no number fails", "%{url.size.b}", {{"url.size", "abc"}}, "FAILED"},
      {"size missing fails", "%{url.size.b}", {}, "FAILED"},
      {"unknown unit without a size just fails", "%{url.size.kb}", {}, "FAILED"},
      {"unknown unit with size 0 just fails", "%{url.size.kb}", {{"url.size", "0"}},
       "FAILED"},
      {"url-size- warns", "%{url-size-kib}", {{"url.size", "1024"}}, "1",
       "WARNING: url-size-* is deprecated, use url.size.* instead!\n"},
      {"note", "%{note}", {{"note", "See the ISBN below"}}, "See the ISBN below"},
      {"note with ISBN", "%{note}", {{"note", "ISBN 978-3"}}, "FAILED"},
      {"note with ISSN", "%{note}", {{"note", "ISSN 1234"}}, "FAILED"},
      {"note with braced ISBN", "%{note}", {{"note", "{ISBN} 978"}}, "FAILED"},
      {"note with braced ISSN", "%{note}", {{"note", "{ISSN} 1234-5679"}}, "FAILED"},
      {"note missing", "%{note}", {}, "FAILED"},
      {"percent", "%{%}", {}, "%"},
      {"short percent", "%%", {}, "%"},
      {"any other name is an item", "%{title}", {{"title", "M{\\\"u}ller--Schmidt"}},
       "M\xC3\xBCller\xE2\x80\x93Schmidt"},
      {"names with capitals find no item", "%{Title}", {{"title", "T"}}, "FAILED"},
      {"dotted item", "%{url.checked}", {{"url.checked", "2026"}}, "2026"},
      {"first item of a keyword", "%{title}", {{"title", "A"}, {"title", "B"}}, "A"},
  };
  for (const PlaceholderCase& row : cases) {
    SCOPED_TRACE(row.name);
    PrintSetup setup;
    auto publication = makePublication("Key+1", "Article", row.items, "L{\\\"u}");
    EXPECT_EQ(setup.print(probe(row.placeholder), *publication), row.expected);
    EXPECT_EQ(setup.err.str(), row.warning);
  }
}

TEST(Placeholders, SettingsShapeTheConversion) {
  auto publication = makePublication(
      "k", "Article",
      {{"isbn", "978"}, {"title", "a<b & c\nd"}, {"month", "03", 3}, {"url", "x\ny"}});
  PrintSetup setup;
  setup.settings.nbsp = "&nbsp;";
  EXPECT_EQ(setup.print("%{isbn}", *publication), "ISBN&nbsp;978");
  setup.settings.linebreak = "<br>";
  setup.settings.xmlStyle = true;
  EXPECT_EQ(setup.print("%{title}", *publication), "a&lt;b &amp; c<br>d");
  EXPECT_EQ(setup.print("%{url}", *publication), "xy");
  setup.settings.xmlStyle = false;
  EXPECT_EQ(setup.print("%{title}", *publication), "a<b & c<br>d");
  setup.settings.monthNames[2] = "M{\\\"a}rz";
  EXPECT_EQ(setup.print("%{month-name}", *publication), "M\xC3\xA4rz");
}

TEST(Placeholders, CustomStrings) {
  auto publication = makePublication("k", "Misc", {});
  publication->custom = {"M{\\\"u}ller", "", "third", "", "", "", "", "", "ninth"};
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"%{custom-1}", "M\xC3\xBCller"},     {"%{custom-1-as-is}", "M{\\\"u}ller"},
      {"%{custom-2}", "FAILED"},            {"%{custom-2-as-is}", "FAILED"},
      {"%{custom-3}", "third"},             {"%{custom-9}", "ninth"},
      {"%{custom-9-as-is}", "ninth"},       {"%{custom-0}", "FAILED"},
      {"%{custom-10}", "FAILED"},
  };
  for (const auto& [placeholder, expected] : cases) {
    SCOPED_TRACE(placeholder);
    PrintSetup setup;
    EXPECT_EQ(setup.print(probe(placeholder), *publication), expected);
  }
  // A publication that was never cited has no custom strings.
  auto uncited = makePublication("u", "Misc", {});
  PrintSetup setup;
  EXPECT_EQ(setup.print(probe("%{custom-5}"), *uncited), "FAILED");
}

// ------------------------------------------------------------ author loop

const std::string kAuthorLine =
    "%{begin-author-loop}AUTHOR: [[%{is-first-author?}FIRST|%{is-last-author?}LAST|"
    "%{is-not-first-author?}NOT-FIRST]: initials=%{author-initials} "
    "given=%{author-given-name} family=%{author-family-name}]\n%{end-author-loop}";

struct LoopCase {
  const char* name;
  std::vector<std::string_view> authors;  // three parts per author; empty: no author item
  std::string templateText;
  std::string expected;
};

TEST(AuthorLoop, Table) {
  const std::vector<LoopCase> cases = {
      {"three authors",
       {"Kell", "Mira", "M.", "Dalen", "Otto", "O.", "Sousa", "Ana", "A."},
       kAuthorLine,
       "AUTHOR: FIRST: initials=M. given=Mira family=Kell\n"
       "AUTHOR: NOT-FIRST: initials=O. given=Otto family=Dalen\n"
       "AUTHOR: LAST: initials=A. given=Ana family=Sousa\n"},
      {"one author is first", {"Kell", "Mira", "M."}, kAuthorLine,
       "AUTHOR: FIRST: initials=M. given=Mira family=Kell\n"},
      {"no author item: the body once", {}, kAuthorLine,
       "AUTHOR: FIRST: initials= given= family=\n"},
      {"short forms", {"A", "a", "a.", "B", "b", "b."}, "%a%{author-family-name};%A",
       "A;B;"},
      {"two loops one after the other", {"A", "a", "a.", "B", "b", "b."},
       "%a%{author-family-name}%A;%a%{author-initials}%A", "AB;a.b."},
      {"name placeholders outside a loop print nothing", {"A", "a", "a."},
       "[<%{author-family-name}%{author-given-name}%{author-initials}>|F]", "<>"},
      {"name placeholders after the loop print nothing", {"A", "a", "a."},
       "%a%A[<%{author-family-name}%{author-given-name}>|F]", "<>"},
      {"braced family name loses its braces", {"{Kell Sons}", "", ""},
       "%a%{author-family-name}%A", "Kell Sons"},
      {"only one pair of braces goes", {"{{K}}", "", ""}, "%a%{author-family-name}%A", "{K}"},
      {"empty given name and initials fail", {"Kell", "", "", "Dalen", "Otto", "O."},
       "%a[%{author-family-name}][ given=%{author-given-name}][ %{author-initials}];%A",
       "Kell;Dalen given=Otto O.;"},
      {"braces around an empty given name count as empty", {"Kell", "{}", "{}"},
       "%a[%{author-given-name}|none]%A", "none"},
      {"family name is converted", {"M{\\\"u}ller", "J{\\\"o}rg", "J."},
       "%a%{author-given-name} %{author-family-name}%A", "J\xC3\xB6rg M\xC3\xBCller"},
      {"is-last-author? and is-not-last-author?", {"A", "a", "a.", "B", "b", "b."},
       "%a%{author-family-name}[%{is-not-last-author?}, ][%{is-last-author?}.]%A", "A, B."},
      {"position tests without author item", {},
       "[%{is-first-author?}1][%{is-not-first-author?}2][%{is-last-author?}3]"
       "[%{is-not-last-author?}4]",
       "14"},
      {"a test after a failure does nothing", {"A", "a", "a."},
       "%a[%{x}%{is-first-author?}|ok]%A", "ok"},
      {"the jump back keeps the sections open", {"A", "a", "a.", "B", "b", "b."},
       "[%a%{author-family-name}%A]", "AB"},
      {"the loop repeats inside a failed section", {"A", "a", "a.", "B", "b", "b."},
       "[%a%{author-family-name}%{x}%A|none]", "none"},
  };
  // The editor loop behaves as the author loop does: each row runs once as
  // written and once with its author placeholders turned into the editor
  // ones, on an editor item (beside an author item that it must not read).
  for (const std::string_view names : {"author", "editor"}) {
    for (const LoopCase& row : cases) {
      SCOPED_TRACE(std::string(names) + ": " + row.name);
      std::string templateText = row.templateText;
      if (names == "editor") {
        replaceAll(templateText, "%a", "%{begin-author-loop}");
        replaceAll(templateText, "%A", "%{end-author-loop}");
        replaceAll(templateText, "author", "editor");
      }
      PrintSetup setup;
      auto publication = makePublication("k", "Article", {{"title", "T"}});
      if (names == "editor") addAuthors(*publication, {"Wrong", "Wrong", "W."});
      if (!row.authors.empty()) {
        Item item;
        item.keyword = names;
        for (std::string_view part : row.authors) item.authorParts.push_back(part);
        publication->items.push_back(std::move(item));
      }
      EXPECT_EQ(setup.print(templateText, *publication), row.expected);
      EXPECT_EQ(setup.err.str(), "");
    }
  }
}

// Each loop keeps its own place: an editor loop inside an author loop runs
// over all editors for every author, and the other way round.
TEST(EditorLoop, LoopsNestInEitherOrder) {
  PrintSetup setup;
  auto publication = makePublication("k", "Article", {});
  addAuthors(*publication, {"A", "a", "a.", "B", "b", "b."});
  Item editors;
  editors.keyword = "editor";
  editors.authorParts = {"E", "e", "e.", "F", "f", "f.", "G", "g", "g."};
  publication->items.push_back(std::move(editors));
  EXPECT_EQ(setup.print("%a%{author-family-name}<%{begin-editor-loop}%{editor-family-name}"
                        "[%{is-last-author?}%{is-last-editor?}!]%{end-editor-loop}>%A",
                        *publication),
            "A<EFG>B<EFG!>");
  EXPECT_EQ(setup.print("%{begin-editor-loop}%{editor-initials}[%{is-not-first-editor?}+]"
                        "<%a%{author-initials}%A>%{end-editor-loop}",
                        *publication),
            "e.<a.b.>f.+<a.b.>g.+<a.b.>");
  EXPECT_EQ(setup.err.str(), "");
}

TEST(EditorLoop, UnbalancedLoopsAreFatal) {
  struct Row {
    const char* templateText;
    const char* message;
  };
  const Row rows[] = {
      {"%{begin-editor-loop}%{begin-editor-loop}",
       "ERROR: Unexpected editor loop begin %{begin-editor-loop} -> an editor loop is still "
       "open!\n"},
      {"x%{end-editor-loop}",
       "ERROR: Unexpected editor loop end %{end-editor-loop} -> %{begin-editor-loop} editor "
       "loop begin needed first!\n"},
      // An open author loop is no editor loop.
      {"%a%{end-editor-loop}%A",
       "ERROR: Unexpected editor loop end %{end-editor-loop} -> %{begin-editor-loop} editor "
       "loop begin needed first!\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.templateText);
    PrintSetup setup;
    auto publication = makePublication("k", "Article", {});
    EXPECT_THROW(setup.print(row.templateText, *publication), FatalError);
    EXPECT_EQ(setup.err.str(), row.message);
  }
}

TEST(AuthorLoop, AuthorItemWithoutNamesRunsTheBodyOnce) {
  PrintSetup setup;
  auto publication = makePublication("k", "Article", {{"author", ""}});
  EXPECT_EQ(setup.print("%a<%{author-family-name}>[%{author-initials}|no]%A", *publication),
            "<>no");
}

TEST(AuthorLoop, DeprecatedGivenNameWarnsEveryTime) {
  PrintSetup setup;
  auto publication = makePublication("k", "Article", {});
  addAuthors(*publication, {"A", "Ann", "A.", "B", "Bo", "B."});
  EXPECT_EQ(setup.print("%a%{author-give-name};%A", *publication), "Ann;Bo;");
  const std::string warning =
      "WARNING: author-give-name is deprecated, use author-given-name instead!\n";
  EXPECT_EQ(setup.err.str(), warning + warning);
}

TEST(AuthorLoop, ASecondBeginInsideTheLoopIsFatal) {
  PrintSetup setup;
  auto publication = makePublication("k", "Article", {});
  addAuthors(*publication, {"A", "a", "a.", "B", "b", "b."});
  EXPECT_THROW(setup.print("%a%{author-family-name}%a%A", *publication), FatalError);
  EXPECT_EQ(setup.err.str(),
            "ERROR: Unexpected author loop begin %a -> an author loop is still open!\n");
}

// ------------------------------------------------------------ comparisons

struct CompareCase {
  const char* name;
  std::string templateText;
  std::string year;  // empty: no year item
  std::string expected;
};

TEST(Comparisons, Table) {
  const std::vector<CompareCase> cases = {
      {"is? holds", "[%{year}%{is?2020}this year]", "2020", "this year"},
      {"is? does not hold", "[%{year}%{is?2020}this year]", "2019", ""},
      {"is-not?", "[%{year}%{is-not?2020}other]", "2019", "other"},
      {"less than", "[%{year}%{is-less-than?2000}old]", "1999", "old"},
      {"not less than itself", "[%{year}%{is-less-than?2000}old]", "2000", ""},
      {"no year: the section fails before the test", "[%{year}%{is-less-than?2000}old]", "",
       ""},
      {"no year: the test does not clear the failure",
       "[%{year}%{is-not?2000}x|no year]", "", "no year"},
      {"less than or equal", "[%{year}%{is-less-than-or-equal?2000}le]", "2000", "le"},
      {"greater than compares text", "[%{year}%{is-greater-than?1000}gt]", "999", "gt"},
      {"greater than or equal", "[%{year}%{is-greater-than-or-equal?2020}ge]", "2020", "ge"},
      {"a prefix is the lesser", "[%{year}%{is-less-than?20200}lt]", "2020", "lt"},
      {"a trailing space makes a difference", "[%{year} %{is?2020}eq|ne]", "2020", "ne"},
      {"empty operand", "[%{is?}empty]", "2020", "empty"},
      {"bytes compare unsigned", "[\xC3\xA9%{is-greater-than?z}hi]", "2020", "hi"},
      {"only the innermost section text counts", "[a[%{year}%{is?2020}b]]", "2020", "ab"},
      {"outside every section the whole output is compared", "x%{year}%{is?x2020}!", "2020",
       "!"},
      {"outside every section a false test has no effect", "x%{year}%{is?2019}!", "2020",
       "!"},
      {"the text is removed also when the test fails", "[%{year}%{is?1}|no]", "2020", "no"},
      {"operand keeps its escapes", "[%{year}%{is?20\\}20}yes|no]", "2020", "no"},
  };
  for (const CompareCase& row : cases) {
    SCOPED_TRACE(row.name);
    PrintSetup setup;
    std::vector<ItemSpec> items;
    if (!row.year.empty()) items.push_back({"year", row.year, 0});
    auto publication = makePublication("k", "Article", items);
    EXPECT_EQ(setup.print(row.templateText, *publication), row.expected);
  }
}

// ----------------------------------------------------------- subdivisions

std::string subdivisions(PrintSetup& setup, const std::vector<const Node*>& run, size_t i) {
  return setup.print(
      "[%{begin-subdivision-year}b][%{within-subdivision-year}w][%{end-subdivision-year}e]",
      *run[i], i > 0 ? run[i - 1] : nullptr, i + 1 < run.size() ? run[i + 1] : nullptr);
}

TEST(Subdivisions, RunsOfEqualYears) {
  std::vector<std::unique_ptr<Node>> nodes;
  for (const char* year : {"2019", "2020", "2020", "2020", "2021"})
    nodes.push_back(makePublication("k", "Misc", {{"year", year}}));
  std::vector<const Node*> run;
  for (const auto& node : nodes) run.push_back(node.get());
  PrintSetup setup;
  const std::vector<std::string> expected = {"be", "b", "w", "e", "be"};
  for (size_t i = 0; i < run.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(subdivisions(setup, run, i), expected[i]);
  }
}

TEST(Subdivisions, APublicationWithoutTheFieldBetweenTwoWithIt) {
  auto first = makePublication("a", "Misc", {{"year", "2020"}});
  auto middle = makePublication("b", "Misc", {});
  auto last = makePublication("c", "Misc", {{"year", "2020"}});
  const std::vector<const Node*> run = {first.get(), middle.get(), last.get()};
  PrintSetup setup;
  EXPECT_EQ(subdivisions(setup, run, 0), "be");
  EXPECT_EQ(subdivisions(setup, run, 1), "w");
  EXPECT_EQ(subdivisions(setup, run, 2), "be");
}

TEST(Subdivisions, SetTheFlagWhateverItWasAndCompareTextNotNumbers) {
  auto first = makePublication("a", "Misc", {{"month", "05", 5}, {"day", "1", 1}});
  auto second = makePublication("b", "Misc", {{"month", "5", 5}, {"day", "1", 1}});
  PrintSetup setup;
  // A subdivision test clears an earlier failure of its section.
  EXPECT_EQ(setup.print("[%{x}%{begin-subdivision-month}new month]", *second, first.get()),
            "new month");
  EXPECT_EQ(setup.print("[%{begin-subdivision-day}new day|same day]", *second, first.get()),
            "same day");
  // The output is not changed by the test itself.
  EXPECT_EQ(setup.print("[ab%{end-subdivision-day}c]", *first, nullptr, second.get()), "");
  EXPECT_EQ(setup.print("[ab%{end-subdivision-day}c]", *second, first.get()), "abc");
}

TEST(Subdivisions, GroupByAnyFieldAndByEntryType) {
  auto a = makePublication("a", "Article", {{"journal", "J"}});
  auto b = makePublication("b", "Article", {{"journal", "J"}});
  auto c = makePublication("c", "InProceedings", {{"booktitle", "P"}});
  const std::vector<const Node*> run = {a.get(), b.get(), c.get()};
  PrintSetup setup;
  const std::string byType =
      "[%{begin-subdivision-$type}b][%{within-subdivision-$type}w][%{end-subdivision-$type}e]";
  EXPECT_EQ(setup.print(byType, *a, nullptr, b.get()), "b");
  EXPECT_EQ(setup.print(byType, *b, a.get(), c.get()), "e");
  EXPECT_EQ(setup.print(byType, *c, b.get(), nullptr), "be");
  // Any keyword groups.  A field that nobody has is missing everywhere,
  // never an error: every publication is then a group of its own.
  const std::string byJournal = "[%{begin-subdivision-journal}b][%{end-subdivision-journal}e]";
  EXPECT_EQ(setup.print(byJournal, *a, nullptr, b.get()), "b");
  EXPECT_EQ(setup.print(byJournal, *b, a.get(), c.get()), "e");
  EXPECT_EQ(setup.print("[%{begin-subdivision-nosuchfield}b]", *b, a.get(), c.get()), "b");
  EXPECT_EQ(setup.print("[%{x}%{end-subdivision-}e]", *a, nullptr, b.get()), "e");
  EXPECT_EQ(setup.print("[%{begin-subdivision-title}b]", *a, nullptr, b.get()), "b");
}

// --------------------------------------------------------------- dispatch

TEST(Dispatch, NamesFindTheirRuleInTableOrder) {
  struct Row {
    std::string_view name;
    std::string_view rule;  // empty: the item of that keyword
  };
  const std::vector<Row> rows = {
      {"label", "label"},
      {"a", "a"},
      {"is?", "is?"},
      {"is?x", "is?"},
      {"is-not?", "is-not?"},
      {"is-less-than-or-equal?5", "is-less-than-or-equal?"},
      {"is-first-author?", "is-first-author?"},
      {"is-first-author?x", ""},
      {"url.size.", "url.size."},
      {"url.size.kib", "url.size."},
      {"url.size", ""},
      {"begin-subdivision-year", "begin-subdivision-"},
      {"map:", "map:"},
      {"map:x", "map:"},
      {"exec", "exec"},
      {"execute", ""},
      {"custom-10", ""},
      {"b", ""},
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name));
    const PlaceholderRule* rule = findPlaceholderRule(row.name);
    EXPECT_EQ(rule == nullptr ? std::string_view() : rule->name, row.rule);
  }
}

// ------------------------------------------------------------------ name

struct NamingCase {
  const char* name;
  std::string namingTemplate;
  PrintCounters before;  // the counters before the publication is printed
  std::string expected;
};

TEST(Placeholders, NamingTemplateTable) {
  const std::vector<NamingCase> cases = {
      {"entry number", "ref-%n", {0, 6}, "ref-1"},
      {"total number", "ref-%N", {0, 6}, "ref-7"},
      {"zero padded width", "%04n", {11, 11}, "0012"},
      {"space padded width", "%5N", {0, 2}, "    3"},
      {"a lone zero pads nothing", "%0n", {8, 8}, "9"},
      {"a width narrower than the number", "%1N", {0, 122}, "123"},
      {"both counters", "%n/%N", {1, 4}, "2/5"},
      {"a width beyond the largest int writes nothing", "<%99999999999n>", {0, 0}, "<>"},
      {"percent", "100%%", {0, 0}, "100%"},
      {"digits before a percent are dropped", "a%07%b", {0, 0}, "a%b"},
      {"ending inside a conversion keeps its digits", "ref-%12", {0, 0}, "ref-12"},
      {"a lone percent at the end goes", "ref-%", {0, 0}, "ref-"},
      {"an empty template prints nothing and does not fail", "", {0, 0}, ""},
      {"text is converted", "a~b{\\\"u}%n", {0, 0}, "a b\xC3\xBC" "1"},
      {"NUL bytes in the text stay", std::string("a\0b%n", 5), {0, 0},
       std::string("a\0b1", 4)},
  };
  auto publication = makePublication("k", "Misc", {});
  for (const NamingCase& row : cases) {
    SCOPED_TRACE(row.name);
    PrintSetup setup;
    setup.namingTemplate = row.namingTemplate;
    setup.counters = row.before;
    EXPECT_EQ(setup.print(probe("%{name}"), *publication), row.expected);
    EXPECT_EQ(setup.err.str(), "");
  }
}

TEST(Placeholders, BadNamingTemplateStopsTheRun) {
  auto publication = makePublication("k", "Misc", {});
  for (const std::string naming : {"%u", "ref-%x", "%n-%-3n", "a%12q", "%%%z"}) {
    SCOPED_TRACE(naming);
    PrintSetup setup;
    setup.namingTemplate = naming;
    EXPECT_THROW(setup.print("[%{x}]%{name}", *publication), FatalError);
    EXPECT_EQ(setup.err.str(), "ERROR: Bad naming template \"" + naming + "\"!\n");
  }
  // A template that never prints the name is never read.
  PrintSetup setup;
  EXPECT_EQ(setup.print("x", *publication), "x");
}

// ---------------------------------------------------- download-file-name

TEST(Placeholders, DownloadFileName) {
  struct Case {
    const char* name;
    std::optional<std::string> directory;
    std::vector<ItemSpec> items;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"no directory, PDF", std::nullopt, {{"url.mime", "application/pdf"}}, "a~b+1.pdf"},
      {"directory, HTML", "/srv/dl", {{"url.mime", "text/html"}}, "/srv/dl/a~b+1.html"},
      {"no MIME type", "dl", {}, "dl/a~b+1data"},
      {"another MIME type", "dl", {{"url.mime", "image/png"}}, "dl/a~b+1data"},
      {"an empty directory is none", "", {{"url.mime", "text/plain"}}, "a~b+1.txt"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    PrintSetup setup;
    setup.downloadDirectory = row.directory;
    auto publication = makePublication("a~b+1", "Misc", row.items);
    // Unconverted: the "~" of the key stays.
    EXPECT_EQ(setup.print(probe("%{download-file-name}"), *publication), row.expected);
  }
}

// ------------------------------------------------------------------ map:

TEST(Placeholders, MappingTable) {
  struct Case {
    const char* name;
    std::string nbsp;
    std::string templateText;
    std::vector<ItemSpec> items;
    std::string expected;
  };
  const std::string mapped = "[%{journal}%{map:journals}|FAILED]";
  const std::string orItself = "[%{journal}%{map:journals}|%{journal}]";
  const std::vector<Case> cases = {
      {"found", " ", mapped, {{"journal", "Coastal Notes"}}, "Coast. N."},
      {"not found", " ", mapped, {{"journal", "Other"}}, "FAILED"},
      {"no journal", " ", mapped, {}, "FAILED"},
      {"not found falls back to the journal", " ", orItself, {{"journal", "Other"}}, "Other"},
      {"found with a fallback", " ", orItself, {{"journal", "Coastal Notes"}}, "Coast. N."},
      {"the value is not converted", " ", mapped, {{"journal", "Tilde"}}, "a~b\\&"},
      {"the key is compared byte for byte", " ", mapped, {{"journal", "coastal notes"}},
       "FAILED"},
      {"nbsp of a tilde is looked up as a space", "&nbsp;", mapped,
       {{"journal", "Coastal~Notes"}}, "Coast. N."},
      {"a plain space stays a space", "&nbsp;", mapped, {{"journal", "Coastal Notes"}},
       "Coast. N."},
      {"with an empty nbsp the tilde stays", "", mapped, {{"journal", "Coastal~Notes"}},
       "FAILED"},
      {"with an empty nbsp a tilde key is found", "", mapped, {{"journal", "Wave~Log"}},
       "W. L."},
      {"text before it in the section is part of the key", " ",
       "[Coastal %{journal}%{map:journals}|FAILED]", {{"journal", "Notes"}}, "Coast. N."},
      {"only the innermost section is replaced", " ",
       "[<[%{journal}%{map:journals}]>|FAILED]", {{"journal", "Coastal Notes"}},
       "<Coast. N.>"},
      {"found clears an earlier failure", " ", "[%{x}Coastal Notes%{map:journals}|FAILED]",
       {}, "Coast. N."},
      {"not found sets the flag after a success", " ",
       "[%{journal}%{map:journals}%{journal}%{map:journals}|FAILED]",
       {{"journal", "Coastal Notes"}}, "FAILED"},
      {"outside every section the whole text is the key", " ",
       "Coastal Notes%{map:journals}", {}, "Coast. N."},
      {"outside every section a miss leaves the text", " ", "Other%{map:journals}", {},
       "Other"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    PrintSetup setup;
    setup.settings.nbsp = row.nbsp;
    Mapping& journals = setup.mappings["journals"];
    journals.name = "journals";
    journals.entries = {{"Coastal Notes", "Coast. N."},
                        {"Tilde", "a~b\\&"},
                        {"Wave~Log", "W. L."}};
    auto publication = makePublication("k", "Article", row.items);
    EXPECT_EQ(setup.print(row.templateText, *publication), row.expected);
    EXPECT_EQ(setup.err.str(), "");
  }
}

TEST(Placeholders, MissingMappingStopsTheRun) {
  // Also where the section has failed already.
  for (const std::string templateText : {"%{map:nosuch}", "[%{x}%{map:nosuch}|y]"}) {
    SCOPED_TRACE(templateText);
    PrintSetup setup;
    setup.mappings["journals"].name = "journals";
    auto publication = makePublication("k", "Article", {});
    EXPECT_THROW(setup.print(templateText, *publication), FatalError);
    EXPECT_EQ(setup.err.str(),
              "ERROR: Mapping \"nosuch\" does not exist! Forgot parameter "
              "\"--mapping nosuch:mapping_file:key_column:value_column\"?\n");
  }
}

// ------------------------------------------------------------------ exec

TEST(Placeholders, CommandTable) {
  struct Case {
    const char* name;
    std::string templateText;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"output replaces the command, line feed kept", "[echo %{year}%{exec}|FAILED]",
       "2020\n"},
      {"no output fails", "[true%{exec}|FAILED]", "FAILED"},
      {"a failed section runs nothing", "[%{x}echo a%{exec}|FAILED]", "FAILED"},
      {"only the innermost section is the command", "[<[printf b%{exec}]>|F]", "<b>"},
      // In the template a backslash escapes "~", "|", "%" and itself.
      {"the output is not converted", "[printf 'a\\~b\\\\&'%{exec}|F]", "a~b\\&"},
      {"NUL bytes do not cut the output", "[printf 'a\\\\0b'%{exec}|F]",
       std::string("a\0b", 3)},
      {"output larger than one chunk is whole",
       "[head -c 40000 /dev/zero \\| tr '\\\\000' x%{exec}|F]", std::string(40000, 'x')},
      {"outside every section the whole text is the command", "printf top%{exec}", "top"},
      {"the command's standard error is not output", "[echo e >&2; echo o%{exec}|F]",
       "o\n"},
  };
  auto publication = makePublication("k", "Misc", {{"year", "2020", 2020}});
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    PrintSetup setup;
    EXPECT_EQ(setup.print(row.templateText, *publication), row.expected);
    EXPECT_EQ(setup.err.str(), "");
  }
}

// The safe form the manual shows: only the command file's custom string
// goes into the command, and "\\%" keeps the percent sign from starting a
// placeholder.  The failure message shows the command as the shell got it.
TEST(Placeholders, CommandFromACustomString) {
  PrintSetup setup;
  auto publication = makePublication("k", "Misc", {});
  publication->custom.assign(kCustomCount, "");
  publication->custom[0] = "kell2020-cover.png";
  EXPECT_THROW(
      setup.print("[exit 3; identify -format \\%w %{custom-1-as-is}%{exec}]", *publication),
      FatalError);
  EXPECT_EQ(setup.err.str(),
            "Run of exit 3; identify -format %w kell2020-cover.png failed with code 768!\n");
}

TEST(Placeholders, FailingCommandStopsTheRun) {
  struct Case {
    std::string templateText;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"[false%{exec}]", "Run of false failed with code 256!\n"},
      {"[echo partial; exit 3%{exec}]", "Run of echo partial; exit 3 failed with code 768!\n"},
      {"[kill -9 $$%{exec}]", "Run of kill -9 $$ failed with code 9!\n"},
      // The shell would run such a command cut short at the NUL byte.
      {std::string("[echo a\0; echo b%{exec}]", 23), std::string("Unable to run echo a\0; echo b!\n", 31)},
  };
  auto publication = makePublication("k", "Misc", {});
  for (const Case& row : cases) {
    SCOPED_TRACE(row.templateText);
    PrintSetup setup;
    EXPECT_THROW(setup.print(row.templateText, *publication), FatalError);
    EXPECT_EQ(setup.err.str(), row.message);
  }
}

}  // namespace
}  // namespace pubforge
