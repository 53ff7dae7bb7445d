// The files that every output format is written to: one file for the whole
// set, or one file per publication named after its citation key.  Each file
// replaces its target only once it was written completely; failures are
// reported in the format's own words.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "model/diagnostics.h"
#include "model/node.h"
#include "model/publication_set.h"
#include "writers/output_file.h"

namespace pubforge {

// What sets one output format apart from another when it is written to files.
struct ExportFormat {
  std::string_view name;       // in messages: "Unable to create <name> file ..."
  std::string_view extension;  // of per-publication files, such as ".bib"
  std::string_view fileStart;  // written at the start of every file
  // Appends one publication.  Publications that are no entries (comment
  // lines, preambles, macros, comment blocks) reach it only in one-file mode;
  // per-publication mode makes no file for them.
  std::function<void(OutputBuffer&, const Node&)> appendPublication;
  std::string_view fileEnd = {};  // written at the end of every file
};

// Writes the publications of `set` in set order to `fileName`, or, with
// `separateFiles`, each to its own file named prefix + citation key +
// extension (`fileName` being the prefix).  The folders that a key with "/"
// adds below the prefix's folder are created; a key that begins with "/" or
// has a ".." segment is refused.  Returns false, after a message on
// `diag`, when a file could not be created or written; in per-publication
// mode the run stops there, and the files written before stay.  A file that
// is the process's standard output or error is written straight to that
// descriptor, where it stands.
bool exportPublications(const PublicationSet& set, const std::string& fileName,
                        bool separateFiles, const ExportFormat& format, Diagnostics diag);

}  // namespace pubforge
