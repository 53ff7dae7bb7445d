// CSL-JSON: the publications of a set as one array of citation items, the
// form that citation processors, reference managers and site generators
// read.  Values are the plain text their LaTeX stands for.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/diagnostics.h"
#include "model/publication_set.h"
#include "writers/output_file.h"

namespace pubforge {

// What the command line asks of the CSL-JSON output.
struct CslJsonOptions {
  std::optional<std::string> file = std::nullopt;  // -J: the whole set in one file
};

// Writes the entries of `set` in set order to `fileName` as one JSON array
// with one item per entry; comment lines, preambles and macros are left out.
// The file replaces its target only once it was written completely.
// Returns false, after a message on `diag`, when it could not be created or
// written.  A file that is the process's standard output or error is written
// straight to that descriptor: flush a stream that buffers for it first.
bool exportToCslJson(const PublicationSet& set, const std::string& fileName, Diagnostics diag);

// Appends `text` as a JSON string, quotes included: quotes and backslashes
// escaped, control bytes as \u00XX, and each byte that belongs to no
// well-formed UTF-8 sequence as U+FFFD, so that any bytes give valid JSON.
void appendJsonString(OutputBuffer& out, std::string_view text);

}  // namespace pubforge
