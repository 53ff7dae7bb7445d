// The XML files that the writer makes, checked by a real validator: xmllint
// against the RFC 2629 document type kept beside the repository.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/node.h"
#include "model/publication_set.h"
#include "writers/xml_writer.h"
#include "writer_test_util.h"
#include "../common/shared_folder.h"

namespace pubforge {
namespace {

using namespace writer_test;

const fs::path kDtdFolder = shared_folder::path() / "xml-ref" / "rfc2629";

// Single quotes around a path for the shell.
std::string quoted(const fs::path& path) {
  std::string text = "'";
  for (char c : path.string()) {
    if (c == '\'')
      text += "'\\''";
    else
      text += c;
  }
  return text + "'";
}

class XmlValidationTest : public writer_test::ScratchFolderTest {
 protected:
  void SetUp() override {
    PUBFORGE_NEED_SHARED_FOLDER(kDtdFolder);
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "xmllint is not installed (Debian package libxml2-utils)";
    ScratchFolderTest::SetUp();
  }

  // Runs a shell command; its output goes to `log`.  True when it succeeded.
  bool run(const std::string& command) {
    const std::string line = "( " + command + " ) >" + quoted(dir / "log") + " 2>&1";
    const bool ok = std::system(line.c_str()) == 0;
    log = readFile(dir / "log");
    return ok;
  }

  std::string xmllint() const {
    return "xmllint --nonet --noout --path " + quoted(kDtdFolder) + " --dtdvalid " +
           quoted(kDtdFolder / "rfc2629.dtd");
  }

  // A file of several references is wrapped in one root before it is
  // validated.
  bool validOneFile(const fs::path& file) {
    return run("awk '!done && /^<reference[ >]/ {print \"<references>\"; done = 1} {print} "
               "END {if (!done) print \"<references>\"; print \"</references>\"}' " +
               quoted(file) + " | " + xmllint() + " -");
  }

  // Files of one reference each are whole documents; they are validated in
  // one go.
  bool validSeparateFiles(const fs::path& folder) {
    return run("find " + quoted(folder) + " -name '*.xml' -type f -print0 | xargs -0 -r " +
               xmllint());
  }

  size_t countFiles(const fs::path& folder) {
    size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      count += entry.is_regular_file();
    return count;
  }

  // Runs the program on a bibliography with -X and -x; false when it does
  // not read.
  bool exportWithProgram(const fs::path& bib) {
    fs::create_directory(dir / "sep");
    return run(std::string(PUBFORGE_BINARY) + " -n -X " + quoted(dir / "out.xml") + " -x " +
               quoted(dir / "sep") + "/ " + quoted(bib));
  }

  std::string log;
};

// Deterministic bytes of every value, for the values below.
class Bytes {
 public:
  explicit Bytes(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    state_ = state_ * 6364136223846793005u + 1442695040888963407u;
    return state_ >> 33;
  }
  // A value mixing plain letters, markup, LaTeX forms, escapes, references
  // and arbitrary bytes.
  std::string value() {
    static const char* const kPieces[] = {
        "a", "Kell", " ", "&", "<", ">", "\"", "'", "~", "--", "{\\\"u}", "\\x26", "\\x3C",
        "\\x00", "\\\"", "&#160;", "&#1;", "&lt;", "]]>", "<!--", "\\", "{", "}", "é", "\n",
        "\r", "+", "/", ":", ".", "-", "1"};
    std::string text;
    const size_t pieces = next() % 12;
    for (size_t i = 0; i < pieces; ++i) {
      if (next() % 4 == 0)
        text += static_cast<char>(next() % 256);
      else
        text += kPieces[next() % std::size(kPieces)];
    }
    return text;
  }

 private:
  uint64_t state_;
};

TEST_F(XmlValidationTest, ReferencesOfHostileValuesAreValid) {
  static const char* const kKeywords[] = {
      "title", "author", "year",    "month",  "day",    "url",   "url.mime",
      "url.size", "type", "howpublished", "booktitle", "journal", "volume", "number",
      "pages", "isbn",   "issn",    "doi"};
  Collection nodes;
  Bytes bytes(2629);
  for (int n = 0; n < 300; ++n) {
    // Keys that name files stay inside the folder; anchors come from the
    // bytes of every key.
    std::string key = "k" + std::to_string(n);
    for (char c : bytes.value())
      if (c != '/' && c != '\0') key += c;
    auto node = createNode(key);
    node->value = n % 17 == 0 ? "Comment" : "Article";
    if (n % 17 == 0) node->kind = PublicationKind::kComment;
    for (const char* keyword : kKeywords) {
      if (bytes.next() % 3 == 0) continue;
      Item item;
      item.keyword = keyword;
      item.value = bytes.value();
      item.numericValue = static_cast<int32_t>(bytes.next() % 15) - 1;
      if (item.keyword == "author")
        for (int part = 0; part < 3 * static_cast<int>(bytes.next() % 3); ++part)
          item.authorParts.push_back(bytes.value());
      node->items.push_back(std::move(item));
    }
    nodes.push_back(std::move(node));
  }
  // Two keys whose anchors would be equal.
  nodes.push_back(createNode("twin+"));
  nodes.push_back(createNode("twin"));
  PublicationSet set(nodes.size());
  set.addAll(nodes);

  std::ostringstream err;
  ASSERT_TRUE(exportToXML(set, (dir / "out.xml").string(), false, err)) << err.str();
  EXPECT_TRUE(validOneFile(dir / "out.xml")) << log;
  fs::create_directory(dir / "sep");
  ASSERT_TRUE(exportToXML(set, (dir / "sep").string() + "/", true, err)) << err.str();
  EXPECT_GT(countFiles(dir / "sep"), 250u);
  EXPECT_TRUE(validSeparateFiles(dir / "sep")) << log;
}

TEST_F(XmlValidationTest, GeneratedBibliographyIsValid) {
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  const fs::path bib = dir / "gen.bib";
  ASSERT_TRUE(run("python3 " + quoted(fs::path(PUBFORGE_SOURCE_DIR) / "bench" / "gen_bib.py") +
                  " 1000 > " + quoted(bib)))
      << log;
  ASSERT_TRUE(exportWithProgram(bib)) << log;
  EXPECT_TRUE(validOneFile(dir / "out.xml")) << log;
  EXPECT_EQ(countFiles(dir / "sep"), 1000u);
  EXPECT_TRUE(validSeparateFiles(dir / "sep")) << log;
}

// The real bibliographies beside the repository: every one that reads gives
// valid references.  These must read.
TEST_F(XmlValidationTest, RealBibliographiesAreValid) {
  const fs::path corpus = shared_folder::path() / "corpus";
  PUBFORGE_NEED_SHARED_FOLDER(corpus);
  const std::vector<std::string> mustRead = {
      "thesis-dblp-export.bib", "zotero-betterbibtex-autoexport.bib",
      "zotero-native-export.bib", "group-pubs-hal-export-french.bib"};
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(corpus))
    if (entry.path().extension() == ".bib") files.push_back(entry.path());
  std::sort(files.begin(), files.end());

  for (const fs::path& file : files) {
    const std::string name = file.filename().string();
    SCOPED_TRACE(name);
    fs::remove_all(dir / "sep");
    fs::remove(dir / "out.xml");
    const bool required = std::find(mustRead.begin(), mustRead.end(), name) != mustRead.end();
    if (!exportWithProgram(file)) {
      EXPECT_FALSE(required) << log;
      if (!required) std::cout << "skipped (does not read): " << name << "\n";
      continue;
    }
    // A file of macro definitions only has no entry, and an empty list of
    // references is no valid document.
    if (readFile(dir / "out.xml").find("<reference ") == std::string::npos) {
      std::cout << "no entries, nothing to validate: " << name << "\n";
      continue;
    }
    EXPECT_TRUE(validOneFile(dir / "out.xml")) << log.substr(0, 2000);
    EXPECT_TRUE(validSeparateFiles(dir / "sep")) << log.substr(0, 2000);
  }
}

}  // namespace
}  // namespace pubforge
