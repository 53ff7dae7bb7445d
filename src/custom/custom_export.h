// The custom export: every publication of a set, except comment entries,
// printed through the printing template between the header and the trailer.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "custom/mapping.h"
#include "custom/output_settings.h"
#include "model/diagnostics.h"
#include "model/publication_set.h"

namespace pubforge {

// What the command line asks of the printed list in non-interactive mode.
struct CustomOptions {
  // -C: the list is printed; the name given is not used, the list always
  // goes to standard output.
  std::optional<std::string> file = std::nullopt;
};

// Writes, for each publication of the set that is not a comment entry, the
// header, the publication printed through `settings.printingTemplate`, and
// the trailer to `out`.  The header and trailer have their escapes resolved
// and their LaTeX notation converted to UTF-8.  `counters.entryNumber`
// restarts at 0.  Always returns true; a fatal template error has been
// reported on `diag` and is thrown as FatalError, after the publications
// before it have been written.
bool exportToCustom(const PublicationSet& publications, std::string_view namingTemplate,
                    const OutputSettings& settings,
                    const std::optional<std::string>& downloadDirectory,
                    const MappingSet& mappings, PrintCounters& counters, std::ostream& out,
                    Diagnostics diag);

// The macros that the preambles among `publications` define, in the order
// of the input.
LatexMacros preambleMacros(const Collection& publications);

}  // namespace pubforge
