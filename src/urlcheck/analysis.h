// Measuring and identifying a downloaded document, and recording the result
// in the entry's url.* items with a report of what changed since the last
// check.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "model/diagnostics.h"
#include "model/node.h"

namespace pubforge {

// The temporary files of one check: the download, and the files that take
// the output of the MIME and PDF-info programs.
struct DownloadPaths {
  std::string download;
  std::string mimeOutput;
  std::string pdfInfoOutput;
};

struct Analysis {
  bool recorded = false;  // false only for an empty document
  std::string mime;       // MIME type found, empty when `file` failed
};

// Measures the document in `download` (positioned at its start), finds its
// MIME type with `file` and, for a PDF, its details with `pdfinfo`, compares
// them with the entry's url.* items, reports every change and records the
// new values.  `url` is the address named in the messages.  An empty document
// is reported and counted in `errors`, and nothing is recorded.
Analysis analyseDownload(Node& publication, std::string_view url, std::FILE* download,
                         const DownloadPaths& paths, bool ignoreUpdatesForHtml, unsigned& errors,
                         Diagnostics diag);

// `path` as one word for the shell: in single quotes, each single quote of it
// written as '\''.
std::string shellQuote(std::string_view path);

}  // namespace pubforge
