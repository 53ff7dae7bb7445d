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

// The temporary files of one check: the download, the files that take
// the output of the MIME and PDF-info programs, and the file that takes what
// these programs say on their standard error (it joins the entry's report,
// so that it stays with the entry when several entries are checked at once).
struct DownloadPaths {
  std::string download;
  std::string mimeOutput;
  std::string pdfInfoOutput;
  std::string programErrors;
};

struct Analysis {
  bool recorded = false;  // false for an empty document or an interrupt
  // One of the programs was ended by an interrupt: nothing was recorded and
  // the report is to be dropped.
  bool interrupted = false;
  std::string mime;  // MIME type found, empty when `file` failed
};

// Measures the document in `download` (positioned at its start), finds its
// MIME type with `file` and, for a PDF, its details with `pdfinfo`, compares
// them with the entry's url.* items, reports every change and records the
// new values.  `url` is the address named in the messages.  An empty document
// is reported and counted in `errors`, and nothing is recorded; neither is
// anything when an interrupt ends one of the programs.
Analysis analyseDownload(Node& publication, std::string_view url, std::FILE* download,
                         const DownloadPaths& paths, bool ignoreUpdatesForHtml, unsigned& errors,
                         Diagnostics diag);

// `path` as one word for the shell: in single quotes, each single quote of it
// written as '\''.
std::string shellQuote(std::string_view path);

}  // namespace pubforge
