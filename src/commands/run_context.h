// The records one run of the program works on: output settings, the options
// of the command line, the mapping tables, the publication collection and
// the counters of printed publications.  One RunContext is created per run
// and passed down explicitly; the parts below the command language are
// handed only the pieces they need.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "commands/condition.h"
#include "custom/custom_export.h"
#include "custom/mapping.h"
#include "custom/output_settings.h"
#include "model/diagnostics.h"
#include "model/node.h"
#include "urlcheck/url_check.h"
#include "writers/bibtex_writer.h"
#include "writers/csl_json_writer.h"
#include "writers/xml_writer.h"

namespace pubforge {

// What the command line asked for: one record per output, and the run mode.
struct RunOptions {
  BibtexOptions bibtex;      // -B, -b, -i, -I, -a
  XmlOptions xml;            // -X, -x
  CslJsonOptions cslJson;    // -J
  CustomOptions custom;      // -C
  UrlCheckOptions urlCheck;  // -U, -D, -u, -w, -j, --url-timeout, --url-max-size
  // -c: the publications that every export takes (non-interactive mode) or
  // that citeAll and citeWhere select (command mode); none selects all.
  std::shared_ptr<const Condition> select;
  bool interactive = true;
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
  // A signal stopped a URL check: no further check runs, and the run ends
  // with status 130 once the exports of that check are written (at once,
  // without them, after a second signal).
  bool interrupted = false;
  bool endAtOnce = false;
};

}  // namespace pubforge
