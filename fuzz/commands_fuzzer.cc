// Fuzz target: command scripts.
//
// The input is a command script, optionally followed by include files, all
// separated by the byte 0x1E: the script is standard input, the pieces after
// it are the files "f1", "f2", ... of a scratch folder that also holds an
// empty folder "d".  Include names are taken inside that folder; a script
// with a "/" in an include name is skipped, so that none reads a device or a
// file outside it, and so is one with an "x" in a template command, so that
// none runs shell commands.  The script runs over a small bibliography, with
// BibTeX and XML outputs in the scratch folder.
//
// Whatever the script, the run must end, and afterwards: the result is 0
// exactly when no error was reported, and never more than the errors
// reported; the selection holds each publication of the collection at most
// once; there are still twelve month names; a cited publication has none or
// all nine of its custom strings.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "commands/commands.h"
#include "commands/run_context.h"
#include "fuzz_util.h"
#include "model/diagnostics.h"
#include "model/publication_set.h"
#include "reader/reader.h"

namespace pubforge::fuzz {
namespace {

constexpr char kSeparator = '\x1e';
constexpr size_t kScriptFiles = 4;

const char kBibliography[] =
    "% comment line\n"
    "@Article{kell2020, author = {Kell, Mira and J{\\\"o}rg M{\\\"u}ller}, title = {Tidal "
    "{F}lats}, journal = {J. Coast}, year = 2020, month = jul, pages = {1-9}, url = "
    "{https://example.org/k.pdf}}\n"
    "@Book{muller2018, author = {M{\\\"u}ller, J{\\\"o}rg}, title = {Coasts}, publisher = "
    "{Harbour Press}, year = 2018, isbn = {978-3-16-148410-0}}\n"
    "@InProceedings{sousa2019, author = {Ana Sousa}, title = {Sediment}, booktitle = {WCD}, "
    "year = 2019, month = mar, day = 3}\n"
    "@Misc{k, title = {Only a title}, crossref = {WCD2019}}\n"
    "@Proceedings{wcd2019, title = {Workshop on Coastal Dynamics}, year = 2019, publisher = "
    "{Delta}}\n";

std::vector<std::string_view> splitPieces(std::string_view data) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const size_t end = data.find(kSeparator);
    pieces.push_back(data.substr(0, end));
    if (end == std::string_view::npos) break;
    data.remove_prefix(end + 1);
  }
  return pieces;
}

bool hasLongDigitRun(std::string_view line) {
  size_t run = 0;
  for (char c : line) {
    run = (c >= '0' && c <= '9') ? run + 1 : 0;
    if (run >= 5) return true;
  }
  return false;
}

// The text with every include name taken inside `folder`; nullopt for a
// script to skip: an include name with a "/", or a template command with an
// "x", or a naming template with a width of five digits or more.
std::optional<std::string> rootIncludes(std::string_view text, const std::string& folder) {
  std::string rooted;
  for (;;) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    // The default printing template holds no "x", so without one in the
    // template commands no script can build a template that runs a shell
    // command ("exec").
    if (line.starts_with("template") && line.find('x') != std::string_view::npos)
      return std::nullopt;
    // A naming template's width is honoured however large it is: a script
    // may ask for gigabytes of padding, which says nothing about the program.
    if (line.starts_with("expor") && hasLongDigitRun(line)) return std::nullopt;
    if (line.starts_with("include ")) {
      const std::string_view name = line.substr(8);
      if (name.find('/') != std::string_view::npos) return std::nullopt;
      ((rooted += "include ") += folder) += '/';
      rooted += name;
    } else {
      rooted += line;
    }
    if (end == std::string_view::npos) break;
    rooted += '\n';
    text.remove_prefix(end + 1);
  }
  return rooted;
}

// Error messages begin a line with "ERROR: ".
size_t countErrors(const std::string& err) {
  size_t n = 0;
  for (size_t at = 0; at < err.size();) {
    if (err.compare(at, 7, "ERROR: ") == 0) ++n;
    const size_t end = err.find('\n', at);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return n;
}

// The scratch folder of one input: made empty (but for the folder "d") when
// the input starts and removed when it is done, so that nothing of one input
// is seen by the next and nothing stays behind when fuzzing ends.
class ScratchFolder {
 public:
  ScratchFolder() : path_(scratchPath(".commands")) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_ + "/d");
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace
}  // namespace pubforge::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pubforge;
  using namespace pubforge::fuzz;
  const std::vector<std::string_view> pieces =
      splitPieces(std::string_view(reinterpret_cast<const char*>(data), size));
  if (pieces.size() > 1 + kScriptFiles) return -1;
  const ScratchFolder scratch;
  const std::string& folder = scratch.path();
  std::vector<std::string> texts;
  for (std::string_view piece : pieces) {
    std::optional<std::string> rooted = rootIncludes(piece, folder);
    if (!rooted) return -1;
    texts.push_back(std::move(*rooted));
  }
  for (size_t i = 1; i < texts.size(); ++i)
    if (!writeFile(folder + "/f" + std::to_string(i), texts[i]))
      fail("an include file can be written");

  std::ostringstream out, err;
  RunContext ctx(out, err);
  {
    std::ostringstream readerOut, readerErr;
    BibReader reader(readerOut, readerErr);
    require(reader.readText(kBibliography) == ReadResult::kOk, "the bibliography reads");
    ctx.publications = reader.finish();
  }
  ctx.options.bibtex.file = folder + "/out.bib";
  ctx.options.bibtex.separatePrefix = folder + "/sep-";
  ctx.options.xml.file = folder + "/out.xml";
  ctx.options.xml.separatePrefix = folder + "/xml-";
  PublicationSet set(ctx.publications.size());
  std::istringstream script{texts[0]};

  unsigned result = 0;
  try {
    result = runCommands(script, ctx, set, 0);
  } catch (const FatalError&) {
    // An error in a printing template ends the run; its message is out.
    require(!err.str().empty(), "a fatal error says why");
    return 0;
  }

  const size_t reported = countErrors(err.str());
  require((result == 0) == (reported == 0), "the result is 0 exactly when no error was reported");
  require(result <= reported, "every error counted was reported");

  require(set.size() <= set.capacity(), "the selection fits its capacity");
  std::set<const Node*> collection, seen;
  for (const auto& node : ctx.publications) collection.insert(node.get());
  for (const Node* p : set) {
    require(seen.insert(p).second, "a publication is selected once");
    require(collection.count(p) == 1, "the selection is of the collection");
    require(p->custom.empty() || p->custom.size() == kCustomCount, "nine custom strings");
  }
  require(ctx.settings.monthNames.size() == 12, "twelve month names");
  return 0;
}
