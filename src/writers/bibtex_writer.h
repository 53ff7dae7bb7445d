// BibTeX output: the publications of a set written back in their normalised
// form, to one file or to one file per publication.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "model/publication_set.h"
#include "model/diagnostics.h"

namespace pubforge {

// What the command line asks of the BibTeX output.
struct BibtexOptions {
  std::optional<std::string> file = std::nullopt;            // -B: the whole set in one file
  std::optional<std::string> separatePrefix = std::nullopt;  // -b: one file per entry
  // Leaves out notes that begin with "ISBN", "ISSN", "{ISBN}" or "{ISSN}".
  bool skipNotesWithIsbnAndIssn = false;
  // Adds one note that states the ISBN, or else the ISSN.
  bool addNotesWithIsbnAndIssn = false;
  // Wraps the url in \url{...}.
  bool addUrlCommand = false;
};

// Writes the publications of `set` in set order to `fileName`, or, with
// `separateFiles`, each to its own file named prefix + citation key + ".bib"
// (`fileName` being the prefix; comment publications get no file).
//
// The fields are written as `options` asks; its file names are not used
// here.  Each file replaces its target only once it was written
// completely.  Returns false, after a message on `diag`, when a file could not
// be created or written; in per-publication mode the run stops there.
bool exportToBibTeX(const PublicationSet& set, const std::string& fileName, bool separateFiles,
                    const BibtexOptions& options, Diagnostics diag);

// The text with a backslash put before every "%" that has none yet.
std::string escapePercent(std::string_view text);

}  // namespace pubforge
