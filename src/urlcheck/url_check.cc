#include "urlcheck/url_check.h"

#include <curl/curl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "checks/urls.h"
#include "model/node.h"
#include "urlcheck/analysis.h"
#include "urlcheck/download.h"
#include "model/download_file_name.h"
#include "urlcheck/files.h"
#include "writers/key_paths.h"

namespace pubforge {

namespace {

// A frame page is examined only when it is shorter than this.
constexpr size_t kFramePageLimit = 65535;

struct CurlCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

bool isKnown(const Node& publication) {
  return findItem(publication, "url.size") && findItem(publication, "url.mime") &&
         findItem(publication, "url.checked");
}

bool readable(const std::string& path) {
  FilePtr file(std::fopen(path.c_str(), "r"));
  return file != nullptr;
}

// Whether a known entry needs no new check, with the message that says so.
bool skipKnown(const Node& publication, const UrlCheckOptions& settings, Diagnostics diag) {
  if (settings.downloadDirectory) {
    if (keyLeavesFolder(publication.keyword)) return false;  // never stored
    std::string stored = downloadFileName(*settings.downloadDirectory, publication.keyword,
                                          findItem(publication, "url.mime")->value);
    if (!readable(stored)) return false;
    if (!settings.quiet)
      diag.report("Skipping URL of ", publication.keyword, " (already available as ", stored,
                  ").\n");
    return true;
  }
  if (!settings.onlyCheckNewUrls) return false;
  if (!settings.quiet) diag.report("Skipping URL of ", publication.keyword, " (not a new entry).\n");
  return true;
}

// A frame page of the IEEE Xplore site holds the document in a frame: the
// address of that frame, when the page shows one.  Prints what it found.
std::optional<std::string> examineFramePage(std::FILE* download, Diagnostics diag) {
  std::string page(kFramePageLimit, '\0');
  size_t n = std::fread(page.data(), 1, page.size(), download);
  if (n == 0 || n >= kFramePageLimit) return std::nullopt;
  page.resize(n);
  std::optional<std::string> frame = frameAddress(page);
  if (frame)
    diag.report("[IEEExplore->", *frame, "] ");
  else
    diag.write("[IEEExplore] ");
  return frame;
}

// Moves the finished download to its place in the download directory.
void storeDownload(const Node& publication, const std::string& directory,
                   const std::string& mime, TempFile& download, unsigned& errors,
                   Diagnostics diag) {
  const std::string target = downloadFileName(directory, publication.keyword, mime);
  const char* reason = nullptr;
  if (keyLeavesFolder(publication.keyword))
    reason = "the citation key leads out of the download directory";
  else if (!createKeyFolders(directory + '/', publication.keyword) ||
           std::rename(download.path().c_str(), target.c_str()) != 0)
    reason = std::strerror(errno);
  if (reason == nullptr) {
    download.keep();
    return;
  }
  diag.report("\nFAILED to store download file ", target, ": ", reason, "!\n");
  ++errors;
}

void examine(CURL* handle, Node& publication, const UrlCheckOptions& settings, unsigned& errors,
             Diagnostics diag) {
  diag.report("Checking URL of ", publication.keyword, " ... ");

  std::string downloadTemplate(settings.tempFolder);
  if (settings.downloadDirectory) (downloadTemplate = *settings.downloadDirectory) += '/';
  downloadTemplate += "/pubforge-dXXXXXX";
  TempFile downloadFile, mimeFile, pdfInfoFile;
  if (!downloadFile.create(downloadTemplate) ||
      !mimeFile.create(std::string(settings.tempFolder) + "/pubforge-mXXXXXX") ||
      !pdfInfoFile.create(std::string(settings.tempFolder) + "/pubforge-iXXXXXX")) {
    diag.error("Failed to create temporary file name");
    ++errors;
    return;
  }
  FilePtr download(std::fopen(downloadFile.path().c_str(), "w+b"));
  if (!download) {
    diag.error("Failed to create temporary download file");
    ++errors;
    return;
  }
  FilePtr header(std::tmpfile());
  if (!header) {
    diag.error("Failed to create temporary header file");
    ++errors;
    return;
  }

  // The url item is copied: recording the results may move the items.
  const std::string url = findItem(publication, "url")->value;
  if (!downloadUrl(handle, url, header.get(), download.get(), errors, diag)) return;
  std::optional<std::string> frame;
  if (isIeeeXploreUrl(url)) frame = examineFramePage(download.get(), diag);
  std::rewind(header.get());
  std::rewind(download.get());
  if (frame && !downloadUrl(handle, *frame, header.get(), download.get(), errors, diag)) return;

  const DownloadPaths paths{downloadFile.path(), mimeFile.path(), pdfInfoFile.path()};
  Analysis analysis = analyseDownload(publication, url, download.get(), paths,
                                      settings.ignoreUpdatesForHtml, errors, diag);
  if (!analysis.recorded || !settings.downloadDirectory) return;
  download.reset();
  storeDownload(publication, *settings.downloadDirectory, analysis.mime, downloadFile, errors, diag);
}

}  // namespace

unsigned runUrlCheck(const PublicationSet& set, const UrlCheckOptions& options, Diagnostics diag) {
  const std::optional<std::string>& folder = options.downloadDirectory;
  if (folder && mkdir(folder->c_str(), 0755) != 0 && errno != EEXIST) {
    diag.error("Failed to create download directory: ", std::strerror(errno));
    return 1;
  }
  std::unique_ptr<CURL, CurlCleanup> handle(curl_easy_init());
  if (!handle) {
    diag.error("Failed to initialize libcurl");
    return 1;
  }
  unsigned errors = 0;
  for (Node* publication : set) {
    if (!publication->isEntry() || findItem(*publication, "url") == nullptr) continue;
    if (isKnown(*publication) && skipKnown(*publication, options, diag)) continue;
    examine(handle.get(), *publication, options, errors, diag);
  }
  return errors;
}

}  // namespace pubforge
