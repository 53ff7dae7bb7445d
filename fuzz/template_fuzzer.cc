// Fuzz target: printing templates.
//
// The input is a printing template; its first byte, when there is one,
// chooses the settings (no-break-space and line-break texts, output style)
// and the naming template.  A small mapping set is loaded, so that "map:"
// finds keys, misses them and meets a mapping that does not exist.
// The template prints a few fixed publications, as an export run does.  Any
// template must end in output or in one of the documented fatal errors, never
// in a crash or a hang, and the program's evaluator must print exactly what
// the plain evaluator of tests/custom/reference_template.h prints.  An export
// run of the same template must write what the evaluations print, with the
// header and trailer around each.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "custom/custom_export.h"
#include "fuzz_util.h"
#include "model/publication_set.h"
#include "reference_template.h"
#include "template_fixture.h"

namespace pubforge::fuzz {
namespace {

// The messages a template may stop with: how each begins and ends.  The
// message is the last one written (warnings of deprecated names may come
// before it); the placeholder name or unit it quotes may hold any bytes.
struct FatalMessage {
  std::string_view start;
  std::string_view end;
};

constexpr FatalMessage kFatalMessages[] = {
    {"ERROR: Unexpected ']' in custom printing template!\n", ""},
    {"ERROR: Unexpected '|' in custom printing template!\n", ""},
    {"ERROR: Unexpected author loop begin %a -> an author loop is still open!\n", ""},
    {"ERROR: Unexpected author loop end %A -> %a author loop begin needed first!\n", ""},
    {"ERROR: Unexpected editor loop begin %{begin-editor-loop} -> an editor loop is still "
     "open!\n",
     ""},
    {"ERROR: Unexpected editor loop end %{end-editor-loop} -> %{begin-editor-loop} editor loop "
     "begin needed first!\n",
     ""},
    {"ERROR: Unexpected unit '", "' for url.size.UNIT!\n"},
    {"ERROR: Bad naming template \"", "\"!\n"},
    {"ERROR: Mapping \"", ":mapping_file:key_column:value_column\"?\n"},
};

bool endsWithFatalMessage(std::string_view messages) {
  for (const FatalMessage& fatal : kFatalMessages) {
    if (fatal.end.empty() ? messages.ends_with(fatal.start)
                          : messages.ends_with(fatal.end) &&
                                messages.find(fatal.start) != std::string_view::npos)
      return true;
  }
  return false;
}

}  // namespace
}  // namespace pubforge::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pubforge;
  using namespace pubforge::fuzz;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  // Shell commands must never run from random text, whatever "exec" does.
  if (input.find("exec") != std::string_view::npos) return 0;

  testing::PrintSetup setup;
  if (!input.empty()) {
    const unsigned choice = static_cast<unsigned char>(input[0]);
    input.remove_prefix(1);
    static constexpr std::string_view kNbsp[] = {" ", "", "&#160;", "\\n~"};
    static constexpr std::string_view kLinebreak[] = {"\n", "", "<br>", "\\"};
    setup.settings.nbsp = kNbsp[choice % 4];
    setup.settings.linebreak = kLinebreak[(choice / 4) % 4];
    setup.settings.xmlStyle = (choice / 16) % 2 == 1;
    // Fixed naming templates: widths stay small, and one stops the run.
    static constexpr std::string_view kNaming[] = {"%u", "ref-%03n/%N", "100%%~%5N", "x%12"};
    setup.namingTemplate = kNaming[(choice / 32) % 4];
  }
  Mapping& journals = setup.mappings["journals"];
  journals.name = "journals";
  journals.entries = {{"Coastal Notes", "C.~N."}, {"Tide tables", "T\\&"}, {"", "empty"}};
  const Collection publications = testing::samplePublications();

  // The evaluator against the plain one.
  const std::string difference =
      reference::compareWithReference(input, publications, setup.environment());
  if (!difference.empty()) fail("the evaluator prints what the plain rules print", "", difference);

  // An export run: what it writes is the header, the text and the trailer of
  // each publication printed before a fatal error.
  setup.settings.printingTemplate = input;
  setup.settings.header = "<";
  setup.settings.trailer = ">\\n";
  PublicationSet set(publications.size());
  set.addAll(publications);
  std::ostringstream out;
  bool stopped = false;
  try {
    require(exportToCustom(set, setup.namingTemplate, setup.settings, setup.downloadDirectory,
                           setup.mappings, setup.counters, out, setup.err),
            "an export run reports success");
  } catch (const FatalError& fatal) {
    require(fatal.status == 1, "a template error ends the run with status 1");
    require(endsWithFatalMessage(setup.err.str()), "a template stops with a documented message");
    stopped = true;
  }
  const std::string written = out.str();
  if (!stopped) {
    require(setup.counters.entryNumber == 4, "four publications are printed");
    require(written.size() >= 4 * 3, "each has its header and trailer");
  } else {
    require(written.empty() || written.ends_with(">\n"),
            "nothing of the failing publication is written");
  }
  return 0;
}
