// The records one run of the program works on: output settings, the options
// of the command line, the mapping tables, the publication collection and
// the counters of printed publications.  One RunContext is created per run
// and passed down explicitly; the parts below the command language are
// handed only the pieces they need.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "custom/mapping.h"
#include "custom/output_settings.h"
#include "model/diagnostics.h"
#include "model/node.h"

namespace pubforge {

// What the command line asked for.
struct RunOptions {
  std::optional<std::string> bibtexFile;            // -B
  std::optional<std::string> separateBibtexPrefix;  // -b
  std::optional<std::string> xmlFile;               // -X
  std::optional<std::string> separateXmlPrefix;     // -x
  std::optional<std::string> customExport;          // -C
  std::optional<std::string> downloadDirectory;     // -D
  bool interactive = true;
  bool checkUrls = false;
  bool onlyCheckNewUrls = false;
  bool ignoreUpdatesForHtml = false;
  bool addUrlCommand = false;
  bool skipNotesWithIsbnAndIssn = false;
  bool addNotesWithIsbnAndIssn = false;
  bool quiet = false;
};

struct RunContext {
  RunContext(std::ostream& o, std::ostream& e) : out(o), diag(e) {}

  std::ostream& out;  // custom output, echo text, stray input bytes
  Diagnostics diag;   // warnings, notes and errors
  OutputSettings settings;
  RunOptions options;
  MappingSet mappings;
  Collection publications;  // every publication read, in collection order
  PrintCounters counters;
};

}  // namespace pubforge
