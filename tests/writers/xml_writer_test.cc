#include "writers/xml_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "text/strings.h"
#include "writers/xml_text.h"
#include "writer_test_util.h"

namespace pubforge {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace writer_test;

constexpr std::string_view kStart =
    "<?xml version='1.0' encoding='UTF-8'?>\n"
    "<!DOCTYPE rfc PUBLIC '-//IETF//DTD RFC 2629//EN' "
    "'https://xml2rfc.tools.ietf.org/authoring/rfc2629.dtd'>\n";

class XmlWriterTest : public writer_test::ScratchFolderTest {
 protected:
  Node* add(std::unique_ptr<Node> node) {
    nodes.push_back(std::move(node));
    return nodes.back().get();
  }
  bool exportAll(const std::string& name, bool separate = false) {
    PublicationSet set(nodes.size());
    set.addAll(nodes);
    return exportToXML(set, name, separate, err);
  }
  // The one-file output of the publications, without the two fixed lines.
  std::string references() {
    const fs::path out = dir / "out.xml";
    EXPECT_TRUE(exportAll(out.string())) << err.str();
    const std::string text = readFile(out);
    EXPECT_TRUE(text.starts_with(kStart));
    return text.substr(std::min(text.size(), kStart.size()));
  }

  Collection nodes;
  std::ostringstream err;
};

// ---------------------------------------------------------------------------
// What one reference looks like.

struct ReferenceCase {
  const char* name;
  std::string key;
  std::vector<ItemSpec> items;
  std::string expected;
};

// The front part of a reference with only a title "T", one author and a year.
const std::vector<ItemSpec> kFront = {
    {"author", "", 0, {"Kell", "Mira", "M."}}, {"title", "T"}, {"year", "1999", 1999}};
const std::string kFrontText =
    "\t<front>\n\t\t<title>T</title>\n"
    "\t\t<author initials=\"M.\" surname=\"Kell\" fullname=\"Mira&#160;Kell\" />\n"
    "\t\t<date year=\"1999\" />\n\t</front>\n";

std::vector<ItemSpec> withFront(std::vector<ItemSpec> more) {
  std::vector<ItemSpec> items = kFront;
  items.insert(items.end(), more.begin(), more.end());
  return items;
}

TEST_F(XmlWriterTest, WritesEachPartOfAReference) {
  const ReferenceCase cases[] = {
      {"plus signs leave the anchor; no url, no target and no format", "kell+dalen99", kFront,
       "<reference anchor=\"kelldalen99\">\n" + kFrontText + "</reference>\n\n"},
      {"authors: braces stripped, tie of the full name and of the initials",
       "k1",
       {{"author", "", 0, {"Kell", "Mira", "M.", "{Acme Research Group}", "", "",
                           "Dalen", "Jan Otto", "J.~O."}},
        {"title", "T"}},
       "<reference anchor=\"k1\">\n\t<front>\n\t\t<title>T</title>\n"
       "\t\t<author initials=\"M.\" surname=\"Kell\" fullname=\"Mira&#160;Kell\" />\n"
       "\t\t<author initials=\"\" surname=\"Acme Research Group\" "
       "fullname=\"Acme Research Group\" />\n"
       "\t\t<author initials=\"J.&#160;O.\" surname=\"Dalen\" "
       "fullname=\"Jan Otto&#160;Dalen\" />\n"
       "\t\t<date />\n\t</front>\n</reference>\n\n"},
      {"date: day, month name and year in this order",
       "k2",
       {{"author", "", 0, {"Kell", "", ""}}, {"title", "T"}, {"day", "5", 5},
        {"month", "May", 5}, {"year", "1999", 1999}},
       "<reference anchor=\"k2\">\n\t<front>\n\t\t<title>T</title>\n"
       "\t\t<author initials=\"\" surname=\"Kell\" fullname=\"Kell\" />\n"
       "\t\t<date day=\"5\" month=\"May\" year=\"1999\" />\n\t</front>\n</reference>\n\n"},
      {"an unrecognised month alone gives a date without attributes",
       "k3",
       {{"author", "", 0, {"Kell", "", ""}}, {"title", "T"}, {"month", "Sept.", 0}},
       "<reference anchor=\"k3\">\n\t<front>\n\t\t<title>T</title>\n"
       "\t\t<author initials=\"\" surname=\"Kell\" fullname=\"Kell\" />\n"
       "\t\t<date />\n\t</front>\n</reference>\n\n"},
      {"title: LaTeX accents become UTF-8, the ampersand a reference",
       "k4",
       {{"author", "", 0, {"Kell", "", ""}}, {"title", "M{\\\"u}ller & Co < {\\'e}t{\\'e}"}},
       "<reference anchor=\"k4\">\n\t<front>\n"
       "\t\t<title>Müller &amp; Co &lt; été</title>\n"
       "\t\t<author initials=\"\" surname=\"Kell\" fullname=\"Kell\" />\n"
       "\t\t<date />\n\t</front>\n</reference>\n\n"},
      {"series information of an article",
       "k5",
       withFront({{"journal", "J. Test"}, {"volume", "12"}, {"number", "3"},
                  {"pages", "10--20"}, {"issn", "0378-5955"}}),
       "<reference anchor=\"k5\">\n" + kFrontText +
           "\t<seriesInfo name=\"J. Test\" value=\"Number 3, Volume 12, Pages 10–20, "
           "ISSN&#160;0378-5955\" />\n</reference>\n\n"},
      {"a type takes the name, and the number goes without its word",
       "k6", withFront({{"type", "RFC"}, {"journal", "J"}, {"number", "2629"}}),
       "<reference anchor=\"k6\">\n" + kFrontText +
           "\t<seriesInfo name=\"RFC\" value=\"2629\" />\n</reference>\n\n"},
      {"a name alone becomes the value",
       "k7", withFront({{"journal", "J. Test"}}),
       "<reference anchor=\"k7\">\n" + kFrontText +
           "\t<seriesInfo name=\"\" value=\"J. Test\" />\n</reference>\n\n"},
      {"booktitle before howpublished; isbn and doi pieces",
       "k8",
       withFront({{"howpublished", "web"}, {"booktitle", "Proc."}, {"isbn", "978-3"},
                  {"doi", "10.1/x"}}),
       "<reference anchor=\"k8\">\n" + kFrontText +
           "\t<seriesInfo name=\"Proc.\" value=\"ISBN&#160;978-3, DOI&#160;10.1/x\" />\n"
           "</reference>\n\n"},
      {"howpublished when nothing else names the series",
       "k9", withFront({{"howpublished", "web"}, {"volume", "2"}}),
       "<reference anchor=\"k9\">\n" + kFrontText +
           "\t<seriesInfo name=\"web\" value=\"Volume 2\" />\n</reference>\n\n"},
      {"url without mime type and size",
       "k10", withFront({{"url", "http://a.example/p"}}),
       "<reference anchor=\"k10\" target=\"http://a.example/p\">\n" + kFrontText +
           "\t<format type=\"\" target=\"http://a.example/p\" />\n</reference>\n\n"},
      {"mime type text/plain and a size",
       "k11",
       withFront({{"url", "http://a.example/p"}, {"url.size", "1234"}, {"url.mime", "text/plain"}}),
       "<reference anchor=\"k11\" target=\"http://a.example/p\">\n" + kFrontText +
           "\t<format type=\"TXT\" octets=\"1234\" target=\"http://a.example/p\" />\n"
           "</reference>\n\n"},
      {"mime type application/pdf; a size of 4 GiB and more wraps around",
       "k12",
       withFront({{"url", "u"}, {"url.size", "  4294967297 bytes"},
                  {"url.mime", "application/pdf"}}),
       "<reference anchor=\"k12\" target=\"u\">\n" + kFrontText +
           "\t<format type=\"PDF\" octets=\"1\" target=\"u\" />\n</reference>\n\n"},
      {"mime type text/html; a size without digits",
       "k13", withFront({{"url", "u"}, {"url.size", "n/a"}, {"url.mime", "text/html"}}),
       "<reference anchor=\"k13\" target=\"u\">\n" + kFrontText +
           "\t<format type=\"HTML\" octets=\"0\" target=\"u\" />\n</reference>\n\n"},
      {"a mime type without a slash gives an empty type",
       "k14", withFront({{"url", "u"}, {"url.mime", "pdf"}}),
       "<reference anchor=\"k14\" target=\"u\">\n" + kFrontText +
           "\t<format type=\"\" target=\"u\" />\n</reference>\n\n"},
      {"only the first item of a keyword counts",
       "k15", withFront({{"journal", "First"}, {"journal", "Second"}}),
       "<reference anchor=\"k15\">\n" + kFrontText +
           "\t<seriesInfo name=\"\" value=\"First\" />\n</reference>\n\n"},
  };
  for (const ReferenceCase& c : cases) {
    SCOPED_TRACE(c.name);
    nodes.clear();
    add(makePublication("Article", c.key, c.items));
    EXPECT_EQ(references(), c.expected);
    EXPECT_EQ(err.str(), "");
  }
}

// Values that would break the file as they are written unconverted.
TEST_F(XmlWriterTest, EveryFileIsWellFormedWhateverTheValuesHold) {
  const ReferenceCase cases[] = {
      {"ampersands and quotes of a url are escaped in both targets",
       "k1", withFront({{"url", "http://x.example/a.jsp?n=1&isnumber=2\"<>"},
                        {"url.mime", "text/x&y\""}}),
       "<reference anchor=\"k1\" target=\"http://x.example/a.jsp?n=1&amp;isnumber=2&quot;&lt;&gt;\">\n" +
           kFrontText +
           "\t<format type=\"X&amp;Y&quot;\" "
           "target=\"http://x.example/a.jsp?n=1&amp;isnumber=2&quot;&lt;&gt;\" />\n"
           "</reference>\n\n"},
      {"a missing title, author and date are written empty",
       "k2", {{"journal", "J"}},
       "<reference anchor=\"k2\">\n\t<front>\n\t\t<title></title>\n\t\t<author />\n"
       "\t\t<date />\n\t</front>\n\t<seriesInfo name=\"\" value=\"J\" />\n"
       "</reference>\n\n"},
      {"markup that escapes bring into a value is escaped",
       "k3",
       {{"author", "", 0, {"O\"Brien", "A\\x26B", "\\x3C"}}, {"title", "a\\x3Cb\\x26c\\x3E"}},
       "<reference anchor=\"k3\">\n\t<front>\n\t\t<title>a&lt;b&amp;c&gt;</title>\n"
       "\t\t<author initials=\"&lt;\" surname=\"O&quot;Brien\" "
       "fullname=\"A&amp;B&#160;O&quot;Brien\" />\n"
       "\t\t<date />\n\t</front>\n</reference>\n\n"},
      {"bytes that are no XML character are replaced",
       "k4",
       {{"author", "", 0, {"Laborat\xf3rio", "", ""}}, {"title", "a\x01""b\\x00c"s}},
       "<reference anchor=\"k4\">\n\t<front>\n\t\t<title>a\uFFFDb\uFFFDc</title>\n"
       "\t\t<author initials=\"\" surname=\"Laborat\uFFFDrio\" fullname=\"Laborat\uFFFDrio\" />\n"
       "\t\t<date />\n\t</front>\n</reference>\n\n"},
      {"a key with slashes becomes an XML name",
       "DBLP:conf/sss/ShapiroPBZ11", kFront,
       "<reference anchor=\"DBLP:conf_sss_ShapiroPBZ11\">\n" + kFrontText +
           "</reference>\n\n"},
      {"a key that begins with a digit",
       "2025AJ....170..100M", kFront,
       "<reference anchor=\"_2025AJ....170..100M\">\n" + kFrontText + "</reference>\n\n"},
  };
  for (const ReferenceCase& c : cases) {
    SCOPED_TRACE(c.name);
    nodes.clear();
    add(makePublication("Article", c.key, c.items));
    EXPECT_EQ(references(), c.expected);
  }
}

// Values that need no conversion skip latexToXml; every value must come out
// as latexToXml makes it.
TEST_F(XmlWriterTest, TitlesComeOutAsLatexToXmlMakesThem) {
  const char* const pieces[] = {"a", "Kell ", "{\\\"u}", "~", "\n", "\\x41", "&", "<", "'",
                                "\"", "--", "{", "}", "\\", "é", "\\&", "x"};
  uint64_t state = 99;
  auto next = [&] {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return state >> 33;
  };
  for (int n = 0; n < 400; ++n) {
    std::string title;
    for (uint64_t k = next() % 8; k > 0; --k) title += pieces[next() % std::size(pieces)];
    SCOPED_TRACE(title);
    nodes.clear();
    add(makePublication("Misc", "k", withFront({})));
    nodes.back()->items[1].value = title;
    OutputBuffer expected;
    appendXmlConverted(expected, latexToXml(title), XmlPlace::kContent);
    const std::string text = references();
    const size_t start = text.find("<title>") + 7;
    EXPECT_EQ(text.substr(start, text.find("</title>") - start), expected.view());
  }
}

TEST_F(XmlWriterTest, AnchorsAreUniqueInTheirFile) {
  add(makePublication("Misc", "kell+99", kFront));
  add(makePublication("Misc", "kell99", kFront));
  add(makePublication("Misc", "kell99-2", kFront));
  add(makePublication("Misc", "+kell99", kFront));
  const std::string text = references();
  std::vector<std::string> anchors;
  for (size_t at = text.find("anchor=\""); at != std::string::npos;
       at = text.find("anchor=\"", at + 1)) {
    const size_t start = at + 8;
    anchors.push_back(text.substr(start, text.find('"', start) - start));
  }
  EXPECT_EQ(anchors, (std::vector<std::string>{"kell99", "kell99-2", "kell99-2-2", "kell99-3"}));

  // Each file of its own has the anchor as the key gives it.
  const std::string prefix = dir.string() + "/";
  ASSERT_TRUE(exportAll(prefix, true));
  EXPECT_NE(readFile(dir / "kell99.xml").find("anchor=\"kell99\""), std::string::npos);
  EXPECT_NE(readFile(dir / "+kell99.xml").find("anchor=\"kell99\""), std::string::npos);
}

// ---------------------------------------------------------------------------
// Files.

TEST_F(XmlWriterTest, CommentsInOneFileAndNoneInSeparateFiles) {
  add(makePublication("Comment", "3", {{"comment", "text -- not written"}}));
  add(makePublication("Misc", "kell99", kFront));
  add(makePublication("Comment", "a--b-", {{"comment", "x"}}));
  EXPECT_EQ(references(), "<!-- 3 -->\n\n<reference anchor=\"kell99\">\n" + kFrontText +
                              "</reference>\n\n<!-- a- -b- -->\n\n");

  fs::create_directory(dir / "sep");
  ASSERT_TRUE(exportAll((dir / "sep").string() + "/", true));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "sep"), fs::directory_iterator()), 1);
  EXPECT_EQ(readFile(dir / "sep" / "kell99.xml"),
            std::string(kStart) + "<reference anchor=\"kell99\">\n" + kFrontText +
                "</reference>\n\n");
}

TEST_F(XmlWriterTest, EmptySet) {
  ASSERT_TRUE(exportAll((dir / "out.xml").string()));
  EXPECT_EQ(readFile(dir / "out.xml"), kStart);
  ASSERT_TRUE(exportAll((dir / "none-").string(), true));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  EXPECT_EQ(err.str(), "");
}

TEST_F(XmlWriterTest, SeparateFilesAreNamedAfterTheKeys) {
  add(makePublication("Misc", "kell+dalen99", kFront));
  add(makePublication("Misc", "DBLP:conf/sss/ShapiroPBZ11", kFront));
  const std::string prefix = dir.string() + "/pre-";
  ASSERT_TRUE(exportAll(prefix, true)) << err.str();
  EXPECT_EQ(readFile(dir / "pre-kell+dalen99.xml"),
            std::string(kStart) + "<reference anchor=\"kelldalen99\">\n" + kFrontText +
                "</reference>\n\n");
  EXPECT_TRUE(fs::is_regular_file(dir / "pre-DBLP:conf" / "sss" / "ShapiroPBZ11.xml"));
  EXPECT_EQ(err.str(), "");
}

TEST_F(XmlWriterTest, FailuresAreReportedAsXml) {
  add(makePublication("Misc", "a", kFront));
  add(makePublication("Misc", "../b", kFront));
  add(makePublication("Misc", "c", kFront));
  const std::string missing = (dir / "missing" / "out.xml").string();
  EXPECT_FALSE(exportAll(missing));
  EXPECT_EQ(err.str(), "ERROR: Unable to create XML file " + missing + "!\n");

  err.str("");
  const std::string prefix = (dir / "in").string() + "/";
  fs::create_directory(dir / "in");
  EXPECT_FALSE(exportAll(prefix, true));
  EXPECT_EQ(err.str(), "ERROR: Unable to create XML file " + prefix + "../b.xml!\n");
  EXPECT_TRUE(fs::exists(dir / "in" / "a.xml"));
  EXPECT_FALSE(fs::exists(dir / "b.xml"));
  EXPECT_FALSE(fs::exists(dir / "in" / "c.xml"));

  if (fs::exists("/dev/full")) {
    err.str("");
    EXPECT_FALSE(exportAll("/dev/full"));
    EXPECT_EQ(err.str(), "ERROR: Unable to write XML file /dev/full!\n");
  }
}

TEST(RemovePlusSignsTest, RemovesEveryPlusSign) {
  const std::pair<std::string, std::string> rows[] = {
      {"kell+dalen99", "kelldalen99"}, {"+a++b+", "ab"}, {"", ""}, {"+++", ""},
      {"no plus", "no plus"},         {"a\0+b"s, "a\0b"s}};
  for (const auto& [in, out] : rows) {
    SCOPED_TRACE(in);
    EXPECT_EQ(removePlusSigns(in), out);
  }
}

// ---------------------------------------------------------------------------
// The text helpers.

std::string escaped(std::string_view text, XmlPlace place, bool converted) {
  OutputBuffer out;
  if (converted)
    appendXmlConverted(out, text, place);
  else
    appendXmlEscaped(out, text, place);
  return std::string(out.view());
}

TEST(XmlTextTest, EscapesWhatWouldBreakTheFile) {
  constexpr auto kContent = XmlPlace::kContent;
  constexpr auto kAttribute = XmlPlace::kAttribute;
  struct Row {
    const char* name;
    std::string in;
    XmlPlace place;
    bool converted;
    std::string out;
  } rows[] = {
      {"plain text", "Plain text, 123.", kAttribute, false, "Plain text, 123."},
      {"markup as stored", "a&b<c>d\"e'f", kAttribute, false, "a&amp;b&lt;c&gt;d&quot;e'f"},
      {"quote between tags", "a\"b", kContent, false, "a\"b"},
      {"references are not kept in stored text", "&amp;&#160;", kAttribute, false,
       "&amp;amp;&amp;#160;"},
      {"references of converted text stay", "&lt;&gt;&amp;&quot;&apos;&#160;&#xA0;&#x1F600;",
       kAttribute, true, "&lt;&gt;&amp;&quot;&apos;&#160;&#xA0;&#x1F600;"},
      {"what only looks like a reference", "&nbsp; &#; &#x; &#1; &#xD800; &#99999999; &# 1; &lt",
       kContent, true,
       "&amp;nbsp; &amp;#; &amp;#x; &amp;#1; &amp;#xD800; &amp;#99999999; &amp;# 1; &amp;lt"},
      {"tab, line feed and carriage return stay", "a\tb\nc\rd", kAttribute, false,
       "a\tb\nc\rd"},
      {"other control bytes", "a\0b\x01\x1f\x7f"s, kContent, true,
       "a\uFFFDb\uFFFD\uFFFD\x7f"},
      {"UTF-8 stays", "é€😀", kAttribute, false, "é€😀"},
      {"broken UTF-8: a stray byte, a cut sequence, an overlong form", "\xe9t\xe2\x82|\xc0\x80",
       kContent, false, "\uFFFDt\uFFFD\uFFFD|\uFFFD\uFFFD"},
      {"surrogates, non-characters and code points past U+10FFFF",
       "\xed\xa0\x80\xef\xbf\xbe\xf4\x90\x80\x80\xf5", kContent, false,
       "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(escaped(row.in, row.place, row.converted), row.out);
  }
}

TEST(XmlTextTest, AnchorsAreXmlNames) {
  const std::pair<std::string, std::string> rows[] = {
      {"kell99", "kell99"},
      {"LL:WOM-006", "LL:WOM-006"},
      {"smith_title_2020", "smith_title_2020"},
      {"Müller2020·x", "Müller2020·x"},
      {"DBLP:conf/x/Y", "DBLP:conf_x_Y"},
      {"Je{\\v{z}}ek", "Je__v_z__ek"},
      {"2025AJ....170..100M", "_2025AJ....170..100M"},
      {"-a", "_-a"},
      {".a", "_.a"},
      {"a&b\"c<d", "a_b_c_d"},
      {"a b", "a_b"},
      {"\xf3sa", "_sa"},
      {"×y", "_y"},
      {"", "_"},
      {"kell+dalen99", "kelldalen99"},
      {"+", "_"},
      {"+1a", "_1a"},
  };
  for (const auto& [key, anchor] : rows) {
    SCOPED_TRACE(key);
    XmlAnchors anchors;
    EXPECT_EQ(anchors.make(key), anchor);
  }
}

}  // namespace
}  // namespace pubforge
