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
// takes the download itself, and $TMPDIR names no other folder.
inline constexpr std::string_view kTempFolder = "/tmp";

inline constexpr unsigned kDefaultUrlJobs = 8;                  // -j
inline constexpr unsigned kDefaultUrlTimeoutSeconds = 300;      // --url-timeout
inline constexpr unsigned long long kDefaultUrlMaxSize = 512ULL << 20;  // --url-max-size
// Downloads to one host at most at once, whatever -j says.
inline constexpr unsigned kMaxJobsPerHost = 4;

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
  std::string tempFolder{kTempFolder};  // $TMPDIR
  unsigned jobs = kDefaultUrlJobs;       // -j: downloads at once
  // --url-timeout: the longest that the download of one entry may take,
  // redirects, the frame of a frame page and repeated requests included.
  unsigned timeoutSeconds = kDefaultUrlTimeoutSeconds;
  unsigned long long maxSize = kDefaultUrlMaxSize;  // --url-max-size, in bytes
  // A request that moves fewer than slowBytesPerSecond bytes a second over
  // slowSeconds seconds is given up.
  unsigned slowSeconds = 30;
  unsigned slowBytesPerSecond = 1000;
  // Standard error is a terminal: a line that shows the progress of a
  // check of several downloads at once is kept up to date there.
  bool progressDisplay = false;
};

// What came of a check.
struct UrlCheckResult {
  unsigned errors = 0;
  // A signal stopped the check: the entries checked so far keep their
  // results, the rest were not checked.
  bool interrupted = false;
  // A second signal came: the run is to end at once.
  bool endAtOnce = false;
};

// Checks the url of every publication of the set, in set order, as
// `options` asks, and counts the errors.  Counts 1 without checking anything
// when the download directory cannot be created or the download library
// cannot be started.  `options.enabled` is the caller's business.
UrlCheckResult runUrlCheck(const PublicationSet& set, const UrlCheckOptions& options,
                           Diagnostics diag);

// The value of --url-max-size: a number of bytes, optionally followed by K,
// M or G (binary multiples).  None unless it is at least one byte.
std::optional<unsigned long long> parseUrlMaxSize(std::string_view text);

}  // namespace pubforge
