// The real bibliographies beside the repository (../shared/corpus), each
// named: every one must read without error, and writing it, reading the
// result and writing again must lose nothing and settle from the second
// write on.  Skipped where the corpus folder is absent (see shared_folder.h).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../common/bibtex_round_trip.h"
#include "../common/shared_folder.h"

namespace pubforge {
namespace {

namespace fs = std::filesystem;
using testing::Flags;
using writer_test::readFile;

// Each file and the constructs that made it unreadable before.
const char* const kCorpusFiles[] = {
    "biblatex-curated-strings-accents.bib",            // @string, # concatenation
    "biblatex-zotero-bbt-autoexport.bib",              // @thesis, @report
    "geombib-subset-leading-commas.bib",               // values on the next line
    "group-bib-basel-ai-abbrv-strings.bib",            // only @string definitions
    "group-bib-basel-ai-accents.bib",                  // a stray closing brace
    "group-pubs-hal-export-french.bib",
    "group-pubs-mendeley-string-parens.bib",           // @string(...), missing commas
    "jabref-saved-authors-pubs.bib",                   // @Comment{jabref-meta: ...}
    "large-gaia-livelink-nonstandard-type.bib",        // @LiveLink, odd bytes in keys
    "mathscinet-czech-author-preamble.bib",            // @preamble, wrapped author lists
    "personal-bib-messy-preamble-comment-concat.bib",  // @COMMENT lines, text outside entries
    "thesis-dblp-export.bib",
    "zotero-betterbibtex-autoexport.bib",
    "zotero-native-export.bib",
};

class CorpusTest : public testing::BibTeXRoundTripTest {};

TEST_F(CorpusTest, EveryFileReadsAndSurvivesARewrite) {
  const fs::path corpus = shared_folder::path() / "corpus";
  PUBFORGE_NEED_SHARED_FOLDER(corpus);
  for (const char* name : kCorpusFiles) {
    SCOPED_TRACE(name);
    const fs::path file = corpus / name;
    ASSERT_TRUE(fs::is_regular_file(file)) << "missing from the corpus";
    const std::string text = readFile(file);
    Collection collection;
    ASSERT_EQ(read(text, collection), ReadResult::kOk) << "does not read";
    EXPECT_FALSE(collection.empty());
    roundTrip(text);
    roundTrip(text, Flags{.skipNotesWithIsbnAndIssn = true, .addNotesWithIsbnAndIssn = true, .addUrlCommand = true});
  }
}

}  // namespace
}  // namespace pubforge
