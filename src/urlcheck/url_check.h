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

// Checks the url of every publication of the set, in set order, and returns
// the number of errors.  With a download directory (created when missing)
// each document is kept there under downloadFileName(); a known entry whose
// stored document is there is skipped.  Without one, `onlyCheckNewUrls`
// skips entries that went through an earlier check.  `ignoreUpdatesForHtml`
// turns size and digest changes of HTML and XML documents into a digest of
// "ignore".  `quiet` silences the messages about skipped entries.  Returns 1
// without checking anything when the directory cannot be created or the
// download library cannot be started.  `tempFolder` is where temporary files
// go.
unsigned runUrlCheck(const PublicationSet& set, const std::optional<std::string>& downloadDirectory,
                     bool onlyCheckNewUrls, bool ignoreUpdatesForHtml, bool quiet,
                     Diagnostics diag, std::string_view tempFolder = kTempFolder);

}  // namespace pubforge
