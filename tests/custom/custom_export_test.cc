// The custom export run: header and trailer around every printed
// publication, comment entries skipped, neighbours and counters.
#include "custom/custom_export.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "model/publication_set.h"
#include "template_fixture.h"

namespace pubforge {
namespace {

using testing::makePublication;
using testing::PrintSetup;

class CustomExportTest : public ::testing::Test {
 protected:
  Node* add(std::unique_ptr<Node> node) {
    collection_.push_back(std::move(node));
    return collection_.back().get();
  }
  Node* addComment() {
    Node* comment = add(makePublication("1", "Comment", {{"comment", "% c"}}));
    comment->kind = PublicationKind::kComment;
    return comment;
  }

  // Exports the set, returning what was written.
  std::string run(const PublicationSet& set) {
    std::ostringstream out;
    EXPECT_TRUE(exportToCustom(set, setup_.namingTemplate, setup_.settings,
                               setup_.downloadDirectory, setup_.mappings, setup_.counters, out,
                               setup_.err));
    return out.str();
  }
  PublicationSet all() {
    PublicationSet set(collection_.size());
    set.addAll(collection_);
    return set;
  }

  Collection collection_;
  PrintSetup setup_;
};

TEST_F(CustomExportTest, EmptySetAndCommentsOnlyWriteNothing) {
  setup_.settings.header = "H";
  EXPECT_EQ(run(all()), "");
  addComment();
  addComment();
  EXPECT_EQ(run(all()), "");
  EXPECT_EQ(setup_.counters.totalEntryNumber, 0u);
}

TEST_F(CustomExportTest, HeaderAndTrailerAroundEveryPublication) {
  add(makePublication("a", "Misc", {}));
  add(makePublication("b", "Misc", {}));
  setup_.settings.printingTemplate = "%{label}";
  setup_.settings.header = "::";
  setup_.settings.trailer = ";;\\n";
  EXPECT_EQ(run(all()), "::a;;\n::b;;\n");
}

TEST_F(CustomExportTest, HeaderAndTrailerAreConvertedWithTheUtf8Column) {
  add(makePublication("a", "Misc", {{"title", "x<y"}}));
  setup_.settings.printingTemplate = "%{title}~";
  setup_.settings.header = "<li>--~\\x41";
  setup_.settings.trailer = "</li>\\\\n";
  setup_.settings.nbsp = "&#160;";
  setup_.settings.xmlStyle = true;
  // The trailer's doubled backslash is resolved twice: once before the
  // conversion, once at its end.
  EXPECT_EQ(run(all()), "<li>\xE2\x80\x93&#160;Ax&lt;y&#160;</li>\n");
}

TEST_F(CustomExportTest, WholeTextsAreWrittenEvenWithNulBytes) {
  add(makePublication("a", "Misc", {{"title", std::string("x\0y", 3)}}));
  setup_.settings.printingTemplate = "%{title}";
  setup_.settings.header = "[\\x00]";
  EXPECT_EQ(run(all()), std::string("[\0]x\0y", 6));
}

TEST_F(CustomExportTest, NeighboursSkipCommentEntries) {
  // Years 2002, 2002, 2003 with a comment entry between the first two: the
  // first publication does not end its year, because its next publication
  // is the second one, not the comment.
  addComment();
  add(makePublication("p1", "Misc", {{"year", "2002"}}));
  addComment();
  add(makePublication("p2", "Misc", {{"year", "2002"}}));
  add(makePublication("p3", "Misc", {{"year", "2003"}}));
  addComment();
  setup_.settings.printingTemplate =
      "%{label}[%{begin-subdivision-year}<][%{end-subdivision-year}>];";
  EXPECT_EQ(run(all()), "p1<;p2>;p3<>;");
}

TEST_F(CustomExportTest, EntryNumberRestartsAndTotalGoesOn) {
  add(makePublication("a", "Misc", {}));
  add(makePublication("b", "Misc", {}));
  addComment();
  setup_.counters = {7, 7};
  run(all());
  EXPECT_EQ(setup_.counters.entryNumber, 2u);
  EXPECT_EQ(setup_.counters.totalEntryNumber, 9u);
  run(all());
  EXPECT_EQ(setup_.counters.entryNumber, 2u);
  EXPECT_EQ(setup_.counters.totalEntryNumber, 11u);
}

// The naming template numbers publications within each export run (%n)
// and across all export runs of the process (%N).
TEST_F(CustomExportTest, NamingTemplateAcrossExportRuns) {
  for (const char* key : {"a", "b", "c"}) add(makePublication(key, "Misc", {}));
  setup_.settings.printingTemplate = "%{name};";
  const PublicationSet set = all();
  setup_.namingTemplate = "ref-%n";
  EXPECT_EQ(run(set), "ref-1;ref-2;ref-3;");
  EXPECT_EQ(run(set), "ref-1;ref-2;ref-3;");
  setup_.namingTemplate = "ref-%N";
  EXPECT_EQ(run(set), "ref-7;ref-8;ref-9;");
  setup_.namingTemplate = "%02n/%N";
  EXPECT_EQ(run(set), "01/10;02/11;03/12;");
  EXPECT_EQ(setup_.err.str(), "");
}

TEST_F(CustomExportTest, SetOrderAndSelectionAreFollowed) {
  Node* a = add(makePublication("a", "Misc", {}));
  add(makePublication("b", "Misc", {}));
  Node* c = add(makePublication("c", "Misc", {}));
  PublicationSet set(3);
  set.add(c);
  set.add(a);
  setup_.settings.printingTemplate = "%{label}";
  EXPECT_EQ(run(set), "ca");
}

TEST_F(CustomExportTest, FatalErrorKeepsWhatWasWrittenAndNoHeaderOfTheFailingOne) {
  add(makePublication("a", "Misc", {}));
  add(makePublication("b", "Misc", {{"url.size", "10"}}));
  add(makePublication("c", "Misc", {}));
  setup_.settings.printingTemplate = "%{label}[%{url.size.kb}]";
  setup_.settings.header = "<";
  setup_.settings.trailer = ">";
  const PublicationSet set = all();
  std::ostringstream out;
  EXPECT_THROW(exportToCustom(set, "%u", setup_.settings, setup_.downloadDirectory,
                              setup_.mappings, setup_.counters, out, setup_.err),
               FatalError);
  EXPECT_EQ(out.str(), "<a>");
  EXPECT_EQ(setup_.err.str(), "ERROR: Unexpected unit 'kb' for url.size.UNIT!\n");
}

TEST_F(CustomExportTest, BadNamingTemplateKeepsWhatWasWritten) {
  add(makePublication("a", "Misc", {}));
  add(makePublication("b", "Misc", {}));
  // The name is read for the second publication only.
  setup_.settings.printingTemplate = "%{label}[%{label}%{is?a}|%{name}]";
  setup_.namingTemplate = "%u";
  const PublicationSet set = all();
  std::ostringstream out;
  EXPECT_THROW(exportToCustom(set, setup_.namingTemplate, setup_.settings,
                              setup_.downloadDirectory, setup_.mappings, setup_.counters, out,
                              setup_.err),
               FatalError);
  EXPECT_EQ(out.str(), "a");
  EXPECT_EQ(setup_.err.str(), "ERROR: Bad naming template \"%u\"!\n");
}

}  // namespace
}  // namespace pubforge
