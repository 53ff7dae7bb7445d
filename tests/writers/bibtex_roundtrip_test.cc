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

#include "reader/reader.h"
#include "writers/bibtex_writer.h"
#include "writer_test_util.h"

namespace pubforge {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using writer_test::readFile;

struct Flags {
  bool skipNotes = false;
  bool addNotes = false;
  bool urlCommand = false;
};

class BibTeXRoundTripTest : public writer_test::ScratchFolderTest {
 protected:
  // Reads BibTeX text; stray bytes and messages are kept for inspection.
  ReadResult read(const std::string& text, Collection& collection, std::string* stray = nullptr) {
    std::ostringstream out, err;
    BibReader reader(out, err);
    ReadResult result = reader.readText(text);
    if (result == ReadResult::kOk) collection = reader.finish();
    if (stray) *stray = out.str();
    return result;
  }

  std::string write(const Collection& collection, Flags flags) {
    PublicationSet set(collection.size());
    set.addAll(collection);
    std::ostringstream err;
    fs::path out = dir / "out.bib";
    EXPECT_TRUE(exportToBibTeX(set, out, false, flags.skipNotes, flags.addNotes, flags.urlCommand,
                               err));
    EXPECT_EQ(err.str(), "");
    return readFile(out);
  }

  // Writes the bibliography read from `input`, reads the result and writes
  // it again twice.  Checks that the written file reads cleanly, that
  // nothing the first write put out got lost on the way back, and that the
  // second and third writes are equal.
  void roundTrip(const std::string& input, Flags flags = {}) {
    Collection first;
    ASSERT_EQ(read(input, first), ReadResult::kOk);
    std::string written1 = write(first, flags);

    Collection second;
    std::string stray;
    ASSERT_EQ(read(written1, second, &stray), ReadResult::kOk) << written1;
    EXPECT_EQ(stray, "") << "bytes of the written file that are no BibTeX";
    expectSameContents(first, second, flags);

    std::string written2 = write(second, flags);
    Collection third;
    ASSERT_EQ(read(written2, third), ReadResult::kOk);
    std::string written3 = write(third, flags);
    EXPECT_TRUE(written2 == written3) << firstDifference(written2, written3);
  }

  // The items of a publication that a write puts out, in order.
  static std::vector<const Item*> writtenItems(const Node& publication, Flags flags) {
    std::vector<const Item*> items;
    for (const Item& item : publication.items) {
      if (item.keyword == "removeme") continue;
      if (item.keyword == "month" && (item.numericValue < 1 || item.numericValue > 12)) continue;
      if (flags.skipNotes && item.keyword == "note") {
        const std::string& v = item.value;
        if (v.starts_with("ISBN") || v.starts_with("ISSN") || v.starts_with("{ISBN}") ||
            v.starts_with("{ISSN}"))
          continue;
      }
      items.push_back(&item);
    }
    return items;
  }

  // Author lists are normalised once more when read again (a given name
  // written with initials gets its spaces tied); compare them untied.
  static std::string untied(std::string text) {
    std::replace(text.begin(), text.end(), '~', ' ');
    return text;
  }

  void expectSameContents(const Collection& before, const Collection& after, Flags flags) {
    ASSERT_EQ(before.size(), after.size()) << "publications lost or gained";
    for (size_t i = 0; i < before.size(); ++i) {
      const Node& a = *before[i];
      const Node& b = *after[i];
      SCOPED_TRACE(a.keyword);
      EXPECT_EQ(a.value, b.value);
      if (!a.isComment()) {
        EXPECT_EQ(a.keyword, b.keyword);
      }
      std::vector<const Item*> itemsA = writtenItems(a, flags);
      std::vector<const Item*> itemsB = writtenItems(b, {});
      if (flags.addNotes) {
        // The added note stands among the other notes after reading.
        std::erase_if(itemsA, [](const Item* item) { return item->keyword == "note"; });
        std::erase_if(itemsB, [](const Item* item) { return item->keyword == "note"; });
      }
      ASSERT_EQ(itemsA.size(), itemsB.size());
      for (size_t k = 0; k < itemsA.size(); ++k) {
        const Item& x = *itemsA[k];
        const Item& y = *itemsB[k];
        SCOPED_TRACE(x.keyword);
        EXPECT_EQ(x.keyword, y.keyword);
        EXPECT_EQ(x.numericValue, y.numericValue);
        if (x.keyword == "url" || x.keyword == "doi") {
          // Compared as written: a DOI read back keeps the backslashes that
          // escaped its percent signs, and they are not doubled.
          EXPECT_EQ(escapePercent(x.value), escapePercent(y.value));
        } else if (x.keyword == "author") {
          // The braces that protect an author list with a double quote stay
          // in it: author lists are read without removing braces.
          std::string expected = untied(x.value);
          if (y.value.starts_with('{') && !x.value.starts_with('{')) expected = "{" + expected + "}";
          EXPECT_EQ(expected, untied(y.value));
        } else {
          EXPECT_EQ(x.value, y.value);
        }
      }
    }
  }

  static std::string firstDifference(const std::string& a, const std::string& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    size_t from = i < 80 ? 0 : i - 80;
    return "first difference at byte " + std::to_string(i) + ":\n" + a.substr(from, 200) +
           "\n----\n" + b.substr(from, 200);
  }

};

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
    {"embedded NUL byte",
     "@Misc{nul, title = {a\0b}, note = {c\0d}, year = 2001}\n"s},
};

TEST_F(BibTeXRoundTripTest, SampleBibliographies) {
  const Flags flagSets[] = {{}, {.urlCommand = true}, {.skipNotes = true},
                            {.skipNotes = true, .addNotes = true, .urlCommand = true}};
  for (const Sample& sample : kSamples) {
    for (const Flags& flags : flagSets) {
      SCOPED_TRACE(std::string(sample.name) + (flags.urlCommand ? " -a" : "") +
                   (flags.addNotes ? " -I" : flags.skipNotes ? " -i" : ""));
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

// The real bibliographies beside the repository, where present.
TEST_F(BibTeXRoundTripTest, RealBibliographies) {
  fs::path corpus = PUBFORGE_SOURCE_DIR "/../shared/corpus";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(corpus))
    if (entry.path().extension() == ".bib") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  if (files.empty()) GTEST_SKIP() << "no .bib files in " << corpus;

  size_t roundTripped = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    std::string text = readFile(file);
    Collection probe;
    if (read(text, probe) != ReadResult::kOk) {
      std::cout << "skipped (does not parse): " << file.filename().string() << "\n";
      continue;
    }
    roundTrip(text);
    roundTrip(text, {.skipNotes = true, .addNotes = true, .urlCommand = true});
    ++roundTripped;
  }
  EXPECT_GT(roundTripped, 0u) << "no bibliography of the corpus could be read";
}

}  // namespace
}  // namespace pubforge
