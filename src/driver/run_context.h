// The records one run of the program works on: output settings, the options
// of the command line, the mapping tables and the publication collection.
// One RunContext is created per run and passed down explicitly.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "custom/mapping.h"
#include "model/node.h"

namespace pubforge {

// The printing template used until a command sets another one.
extern const std::string_view kDefaultPrintingTemplate;

struct OutputSettings {
  std::vector<std::string> monthNames;
  std::string printingTemplate{kDefaultPrintingTemplate};
  std::string trailer;
  std::string header;
  std::string linebreak = "\n";
  std::string nbsp = " ";
  bool xmlStyle = false;
};

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
  RunContext(std::ostream& o, std::ostream& e) : out(o), err(e) {}

  std::ostream& out;  // custom output, echo text, stray input bytes
  std::ostream& err;  // diagnostics
  OutputSettings settings;
  RunOptions options;
  MappingSet mappings;
  Collection publications;  // every publication read, in collection order
  unsigned entryNumber = 0;       // publications printed by the current export
  unsigned totalEntryNumber = 0;  // publications printed in this run
};

}  // namespace pubforge
