// RFC 2629 XML references: the publications of a set as reference elements,
// with title, authors and date, series information and the document format,
// in one file or one file per publication.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/diagnostics.h"
#include "model/publication_set.h"

namespace pubforge {

// What the command line asks of the XML output.
struct XmlOptions {
  std::optional<std::string> file = std::nullopt;            // -X: the whole set in one file
  std::optional<std::string> separatePrefix = std::nullopt;  // -x: one file per entry
};

// Writes the publications of `set` in set order to `fileName`, or, with
// `separateFiles`, each to its own file named prefix + citation key + ".xml"
// (`fileName` being the prefix; comment publications get no file).  Every
// file starts with the XML declaration and the document type line; the
// references follow one after the other.  Each file replaces its target only
// once it was written completely.  Returns false, after a message on `diag`,
// when a file could not be created or written; in per-publication mode the
// run stops there.  A file that is the process's standard output or error is
// written straight to that descriptor: flush a stream that buffers for it
// first.
// With `plainText`, values are written as the text their LaTeX stands for.
bool exportToXML(const PublicationSet& set, const std::string& fileName, bool separateFiles,
                 Diagnostics diag, bool plainText = false);

// The text without its "+" bytes.
std::string removePlusSigns(std::string_view text);

}  // namespace pubforge
