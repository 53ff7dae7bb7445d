// The URL check: downloads the document behind every entry's url, records
// its size, MIME type and MD5 digest (and, for PDF documents, page count,
// keywords and page size) in the entry's url.* items, reports what changed
// since the last check and can keep the downloads in a directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/diagnostics.h"
#include "model/download_file_name.h"
#include "model/publication_set.h"

namespace pubforge {

// Where the temporary files of a check are made when no download directory
// takes the download itself.
inline constexpr std::string_view kTempFolder = "/tmp";

// What the command line asks of the URL check.
struct UrlCheckOptions {
  bool enabled = false;  // -U
  // -D: each document is kept there under downloadFileName() (the folder is
  // created when missing); a known entry whose stored document is there is
  // skipped.
  std::optional<std::string> downloadDirectory = std::nullopt;
  // -u: without a download directory, entries that went through an earlier
  // check are skipped.
  bool onlyCheckNewUrls = false;
  // -w: size and digest changes of HTML and XML documents become a digest
  // of "ignore".
  bool ignoreUpdatesForHtml = false;
  bool quiet = false;  // -q: no messages about skipped entries
  std::string tempFolder{kTempFolder};
};

// Checks the url of every publication of the set, in set order, as
// `options` asks, and returns the number of errors.  Returns 1 without
// checking anything when the download directory cannot be created or the
// download library cannot be started.  `options.enabled` is the caller's
// business.
unsigned runUrlCheck(const PublicationSet& set, const UrlCheckOptions& options, Diagnostics diag);

}  // namespace pubforge
