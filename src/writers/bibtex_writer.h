// BibTeX output: the publications of a set written back in their normalised
// form, to one file or to one file per publication.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "model/publication_set.h"
#include "model/diagnostics.h"

namespace pubforge {

// Writes the publications of `set` in set order to `fileName`, or, with
// `separateFiles`, each to its own file named prefix + citation key + ".bib"
// (`fileName` being the prefix; comment publications get no file).
//
// `skipNotesWithIsbnAndIssn` leaves out notes that begin with "ISBN",
// "ISSN", "{ISBN}" or "{ISSN}"; `addNotesWithIsbnAndIssn` adds one note that
// states the ISBN, or else the ISSN; `addUrlCommand` wraps the url in
// \url{...}.  Each file replaces its target only once it was written
// completely.  Returns false, after a message on `diag`, when a file could not
// be created or written; in per-publication mode the run stops there.
bool exportToBibTeX(const PublicationSet& set, const std::string& fileName, bool separateFiles,
                    bool skipNotesWithIsbnAndIssn, bool addNotesWithIsbnAndIssn,
                    bool addUrlCommand, Diagnostics diag);

// The text with a backslash put before every "%" that has none yet.
std::string escapePercent(std::string_view text);

}  // namespace pubforge
