// Writing what was read, reading it again and writing it again: the written
// file must read back without loss, and from the second write on the bytes
// must not change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../common/bibtex_round_trip.h"
#include "reader/reader.h"
#include "writers/bibtex_writer.h"
#include "writer_test_util.h"

namespace pubforge {
namespace {

using testing::BibTeXRoundTripTest;
using testing::Flags;
using namespace std::string_literals;
using writer_test::readFile;

// Small bibliographies of the kinds that people keep.
struct Sample {
  const char* name;
  std::string text;
};

const Sample kSamples[] = {
    {"journal articles with dates and pages",
     "@Article{kell99,\n"
     "  author = {Kell, John and M{\\\"u}ller, Anna-Lena and {The Team}},\n"
     "  title = {{Deep} Learning of {RNA} Structures},\n"
     "  journal = {J. Comput. Biol. (JCB)},\n"
     "  volume = 12, number = {3},\n"
     "  pages = {112-130},\n"
     "  year = 1999, month = may, day = 5,\n"
     "  doi = {10.1000/182%2Fx},\n"
     "  issn = {0378-5955},\n"
     "}\n"
     "@article{Smith2020, author = \"Smith, J. R.\", title = \"A {\\\"u}ber \\\"quoted\\\" title\",\n"
     "  journal = \"Nature\", year = \"2020\", month = \"December\", note = {n.d.}}\n"},
    {"comment lines and stray blank lines",
     "% Bibliography of the group\n"
     "%% second line with a % sign\n"
     "\n"
     "@Misc{web1,\n  title = {Home page},\n  url = {\\url{http://example.org/a b/%7Euser}},\n"
     "  urldate = {2021-03-04}\n}\n"
     "%\n"},
    {"books with isbn and notes",
     "@Book{knuth,\n  author = {Donald E. Knuth},\n  title = {The {\\TeX}book},\n"
     "  publisher = {Addison-Wesley}, address = {Reading, MA},\n"
     "  isbn = {0-201-13447-0}, note = {see \"The Art\" too}, year = 1984}\n"
     "@InCollection{part, author = {A. Author}, title = {Part}, booktitle = {Handbook (2nd ed.)},\n"
     "  publisher = {P}, year = 2001, note = {{ISBN} 0-201-13447-0}, edition = {Second}}\n"},
    {"quotes, backslashes and braces in values",
     "@Misc{q,\n"
     "  author = {Jos{\\'e} \"Pepe\" Garc{\\'\\i}a},\n"
     "  title = {The \"best\" {\"} \\\"case\\\"},\n"
     "  note = {ends with a line break\\\\},\n"
     "  address = {C:\\},\n"
     "  howpublished = {{a} \"b\" {c}},\n"
     "  keywords = {x {y {z}} w},\n"
     "  shorttitle = {{{OCReP}}}, series = {{{LNCS}}}, doi = {{{10.1/x}}},\n"
     "  year = 2010\n}\n"},
    {"unusual fields, empty values, unknown months",
     "@TechReport{tr1,\n  author = {X Y}, title = {T}, institution = {Inst}, year = {in press},\n"
     "  month = {7}, day = {31}, note = {}, abstract = {Line one.\n\n  Line  two\twith tab.},\n"
     "  zzz = {last}, file = {:a.pdf:PDF}, Custom-Field = {Value}, comment = {  kept as read }\n"
     "}\n"
     "@Online{o1, title = {Site}, url = {https://x.org/?q=a%20b&r=1}, year = 2022}\n"},
    {"non-ASCII text and keys, CRLF line ends",
     "@Article{M\xC3\xBCller2019,\r\n  author = {J\xC3\xBCrgen M\xC3\xBCller and \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD "
     "\xD0\x9F\xD0\xB5\xD1\x82\xD1\x80\xD0\xBE\xD0\xB2},\r\n  title = {\xE6\xBC\xA2\xE5\xAD\x97 and "
     "\xC3\xA9t\xC3\xA9},\r\n  journal = {Zeitschrift},\r\n  year = {2019}\r\n}\r\n"},
    {"duplicate keys",
     "@Article{dup, author = {A}, title = {Old}, journal = {J}, year = 2000}\n"
     "@Book{dup, author = {B}, title = {New}, publisher = {P}, year = 2001}\n"},
    {"macros, preambles, comment blocks and other types",
     "@preamble{\"\\newcommand{\\x}{\" # \"y}\"}\n"
     "@string(j = {J. {C}omp.})\n@String{q = \"a {\"} b\"}\n"
     "@comment{jabref-meta: a{b}c;}\n@comment( x } y )\n@comment url={x}\n"
     "@LiveLink(LL:A1, title = j # { } # q, year = 2001, month = jan)\n"
     "@misc{data, author = {Gan, Yifan and\n  Ren, Xueyuan}, title = \n  {T}}\n"},
    {"a macro named like a month",
     "@string{jan = {February}}\n@misc{k, title = {T}, month = jan, year = 2001}\n"},
    {"embedded NUL byte",
     "@Misc{nul, title = {a\0b}, note = {c\0d}, year = 2001}\n"s},
};

TEST_F(BibTeXRoundTripTest, SampleBibliographies) {
  const Flags flagSets[] = {{}, {.addUrlCommand = true}, {.skipNotesWithIsbnAndIssn = true},
                            {.skipNotesWithIsbnAndIssn = true, .addNotesWithIsbnAndIssn = true, .addUrlCommand = true}};
  for (const Sample& sample : kSamples) {
    for (const Flags& flags : flagSets) {
      SCOPED_TRACE(std::string(sample.name) + (flags.addUrlCommand ? " -a" : "") +
                   (flags.addNotesWithIsbnAndIssn ? " -I" : flags.skipNotesWithIsbnAndIssn ? " -i" : ""));
      roundTrip(sample.text, flags);
    }
  }
}

TEST_F(BibTeXRoundTripTest, QuotedValuesStayReadable) {
  // Without the extra braces the note would end at its first quote and the
  // rest of the file would not parse.
  Collection read1;
  ASSERT_EQ(read("@Misc{a, note = {see \"X\" and \"Y\"}, year = 2001}\n"
                 "@Misc{b, note = {C:\\}, year = 2002}\n",
                 read1),
            ReadResult::kOk);
  std::string written = write(read1, {});
  EXPECT_NE(written.find("note = \"{see \"X\" and \"Y\"}\""), std::string::npos) << written;
  Collection read2;
  ASSERT_EQ(read(written, read2), ReadResult::kOk) << written;
  ASSERT_EQ(read2.size(), 2u);
  EXPECT_EQ(findItem(static_cast<const Node&>(*read2[0]), "note")->value, "see \"X\" and \"Y\"");
  EXPECT_EQ(read2[1]->keyword, "b");
}

TEST_F(BibTeXRoundTripTest, PercentSignsDoNotPileUp) {
  Collection collection;
  ASSERT_EQ(read("@Misc{a, doi = {10.1/a%b}, url = {http://x.org/%7Eme}}\n", collection),
            ReadResult::kOk);
  for (int round = 0; round < 3; ++round) {
    std::string written = write(collection, {});
    EXPECT_NE(written.find("doi = \"10.1/a\\%b\""), std::string::npos) << written;
    EXPECT_NE(written.find("url = \"http://x.org/\\%7Eme\""), std::string::npos) << written;
    collection.clear();
    ASSERT_EQ(read(written, collection), ReadResult::kOk);
  }
}

// Values joined with "#" can hold what no single quoted or braced value
// holds (a "}" and then a double quote).  Random parts of braces, quotes,
// backslashes, blanks and letters are joined into a preamble, a macro, a
// title and a note; each must come back as it was read.
TEST_F(BibTeXRoundTripTest, JoinedValuesReadBackExactly) {
  const char kBytes[] = {'a', ' ', '{', '}', '"', '\\'};
  uint32_t seed = 2629;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  // A part as written in the input, when the reader takes it as one part.
  auto randomPart = [&]() -> std::string {
    for (;;) {
      std::string content;
      for (uint32_t k = next(6); k > 0; --k) content += kBytes[next(6)];
      const std::string part = next(2) ? "\"" + content + "\"" : "{" + content + "}";
      Collection probe;
      if (read("@preamble{" + part + "}", probe) != ReadResult::kOk) continue;
      if (probe.size() == 1 && probe[0]->items[0].value == content) return part;
    }
  };
  int checked = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string value = randomPart();
    for (uint32_t k = next(4); k > 0; --k) value += " # " + randomPart();
    const std::string input = "@preamble{" + value + "}\n@string{m = " + value +
                              "}\n@misc{k, title = " + value + ", note = " + value + "}\n";
    Collection first;
    if (read(input, first) != ReadResult::kOk) continue;
    SCOPED_TRACE(input);
    Collection second;
    const std::string written = write(first, {});
    ASSERT_EQ(read(written, second), ReadResult::kOk) << written;
    ASSERT_EQ(second.size(), first.size()) << written;
    for (size_t i = 0; i < first.size(); ++i) {
      EXPECT_EQ(second[i]->kind, first[i]->kind);
      // Items whose value came out empty are not written.
      std::vector<const Item*> before, after;
      for (const Item& item : first[i]->items)
        if (item.keyword != "removeme") before.push_back(&item);
      for (const Item& item : second[i]->items) after.push_back(&item);
      ASSERT_EQ(after.size(), before.size()) << written;
      for (size_t j = 0; j < before.size(); ++j)
        EXPECT_EQ(after[j]->value, before[j]->value) << written;
    }
    ++checked;
  }
  EXPECT_GT(checked, 1000);
}

}  // namespace
}  // namespace pubforge
