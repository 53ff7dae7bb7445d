// Cross-references resolved after the last file: what an entry takes from the
// entry it names (and what never), chains, cycles, missing targets, letter
// case of the key, and the count warnings given after the inheritance.
#include "reader/cross_references.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "reader/reader.h"

namespace pubforge {
namespace {

struct Resolved {
  std::string entries;  // one line an entry; inherited fields marked with "*"
  std::string err;
};

Resolved readAll(const std::vector<std::string>& files) {
  std::ostringstream out, err;
  BibReader reader(out, err);
  for (const std::string& text : files) EXPECT_EQ(reader.readText(text), ReadResult::kOk);
  const Collection collection = reader.finish();
  Resolved r;
  for (const auto& node : collection) {
    r.entries += node->keyword + ":";
    for (const Item& item : node->items)
      r.entries += " " + std::string(item.derived ? "*" : "") + item.keyword + "=" + item.value;
    r.entries += "\n";
  }
  r.err = err.str();
  return r;
}

const std::string kProceedings =
    "@proceedings{coast21, title = {Proceedings of Coast (C 21)}, year = 2021,"
    " publisher = {CP}, editor = {Eva Editor}, url = {https://example.org/vol},"
    " doi = {10.1/vol}, url.size = {10}, numpages = {300}, address = {Bergen}}\n";

TEST(CrossReferences, ChildTakesWhatItLacksButNotWhatIdentifiesTheVolume) {
  const Resolved r = readAll({
      "@inproceedings{kell21, author = {Mira Kell}, title = {Dunes}, crossref = {coast21},"
      " pages = {1--9}, url = {https://example.org/kell}, address = {Oslo}}\n",
      kProceedings,
  });
  EXPECT_EQ(r.entries,
            "kell21: author=Mira Kell title=Dunes *booktitle=Proceedings of Coast~(C 21)"
            " *editor=Eva Editor pages=1--9 numpages=9 *year=2021 *publisher=CP address=Oslo"
            " url=https://example.org/kell crossref=coast21\n"
            "coast21: title=Proceedings of Coast (C 21) editor=Eva Editor numpages=300"
            " year=2021 publisher=CP address=Bergen doi=10.1/vol url=https://example.org/vol"
            " url.size=10\n");
  // The parent supplies year and booktitle: no warning about either.
  EXPECT_EQ(r.err, "WARNING: Entry coast21 has no \"author\" section!\n");
}

TEST(CrossReferences, ParentBooktitleWinsAndOtherTypesDoNotTakeTheTitle) {
  const Resolved r = readAll({
      "@inproceedings{a, author = {A}, title = {T}, year = 2000, crossref = {p}}\n"
      "@article{b, author = {B}, title = {U}, year = 2000, journal = {J}, crossref = {q}}\n"
      "@proceedings{p, title = {Volume Title}, booktitle = {Volume Booktitle}}\n"
      "@proceedings{q, title = {Q Title}}\n",
  });
  EXPECT_NE(r.entries.find("a: author=A title=T *booktitle=Volume Booktitle year=2000"),
            std::string::npos)
      << r.entries;
  EXPECT_NE(r.entries.find("b: author=B title=U journal=J year=2000 crossref=q\n"),
            std::string::npos)
      << r.entries;
}

TEST(CrossReferences, ChainsCaseAndMissingTargets) {
  const Resolved r = readAll({
      "@incollection{c, author = {C}, title = {Chapter}, crossref = {BOOK}}\n"
      "@book{book, title = {The Book}, crossref = {series}}\n"
      "@misc{m, author = {M}, title = {Lost}, year = 2001, crossref = {nowhere}}\n",
      "@misc{series, year = 1999, publisher = {SP}, author = {Sam Series}}\n",
  });
  // The book takes from the series first, and hands it on to the chapter.
  EXPECT_EQ(r.entries,
            "c: author=C title=Chapter *booktitle=The Book *year=1999 *publisher=SP"
            " crossref=BOOK\n"
            "book: *author=Sam Series title=The Book *year=1999 *publisher=SP crossref=series\n"
            "m: author=M title=Lost year=2001 crossref=nowhere\n"
            "series: author=Sam Series year=1999 publisher=SP\n");
  EXPECT_EQ(r.err,
            "WARNING: Entry series has no \"title\" section!\n"
            "WARNING: Entry m refers to missing cross-reference nowhere!\n");
}

TEST(CrossReferences, CyclesStopWithAWarning) {
  const Resolved r = readAll({
      "@misc{a, title = {A}, author = {X}, year = 2001, note = {from a}, crossref = {b}}\n"
      "@misc{b, title = {B}, author = {Y}, crossref = {a}}\n"
      "@misc{self, title = {S}, author = {Z}, year = 2001, crossref = {self}}\n",
  });
  EXPECT_EQ(r.err,
            "WARNING: Entry b has a cross-reference cycle through a!\n"
            "WARNING: Entry self has a cross-reference cycle through self!\n"
            "WARNING: Entry b has no \"year\" section!\n");
}

TEST(CrossReferences, CountWarningsComeAfterAllFilesInEntryOrder) {
  const Resolved r = readAll({
      "@article{x, title = {X}, crossref = {j}}\n"
      "@article{y, title = {Y}, author = {Y}}\n",
      "@article{z, title = {Z}, crossref = {j}}\n"
      "@periodical{j, journal = {Journal}, year = 2000, title = {J}}\n",
  });
  EXPECT_EQ(r.err,
            "WARNING: Entry y has no \"year\" section!\n"
            "WARNING: Entry y has no \"journal\" section!\n"
            "WARNING: Entry j has no \"author\" section!\n"
            "WARNING: Entry x has no \"author\" section!\n"
            "WARNING: Entry z has no \"author\" section!\n");
}

TEST(CrossReferences, LongChainsNeedNoDeepStack) {
  std::string text;
  const int n = 100000;
  for (int i = 0; i < n; ++i)
    text += "@misc{e" + std::to_string(i) + ", title = {T}, author = {A}, crossref = {e" +
            std::to_string(i + 1) + "}}\n";
  text += "@misc{e" + std::to_string(n) + ", title = {T}, author = {A}, year = 2000}\n";
  const Resolved r = readAll({text});
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.entries.find("e0: author=A title=T *year=2000 crossref=e1\n"), std::string::npos);
}

}  // namespace
}  // namespace pubforge
