#include "urlcheck/analysis.h"

#include <openssl/evp.h>

#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>
#include <optional>

#include "model/items.h"
#include "text/strings.h"
#include "urlcheck/files.h"
#include "urlcheck/interrupt.h"

namespace pubforge {

namespace {

constexpr std::string_view kPdf = "application/pdf";
constexpr std::string_view kHtml = "text/html";
constexpr std::string_view kXml = "application/xml";
constexpr std::string_view kIgnore = "ignore";

// Types that `file` gives to plain text that happens to look like code.
constexpr std::string_view kPlainTextLookalikes[] = {"text/x-pascal", "text/x-c", "text/x-c++"};

struct DigestContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// Size and MD5 digest of the rest of `file`, read in blocks.
struct Measurement {
  unsigned long long size = 0;
  std::string md5;  // lower-case hexadecimal
};

Measurement measure(std::FILE* file) {
  Measurement result;
  std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
  if (!context) throw std::bad_alloc();
  EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr);
  unsigned char block[16384];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0) {
    result.size += n;
    EVP_DigestUpdate(context.get(), block, n);
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  EVP_DigestFinal_ex(context.get(), digest, &length);
  const int size = EVP_MD_get_size(EVP_md5());
  static constexpr char kHex[] = "0123456789abcdef";
  for (int i = 0; i < size && i < static_cast<int>(length); ++i) {
    result.md5 += kHex[digest[i] >> 4];
    result.md5 += kHex[digest[i] & 15];
  }
  return result;
}

enum class RunResult { kOk, kFailed, kInterrupted };

// Runs `program` on the download with its standard output going to
// `output`.  What it says on its standard error joins the report here.
RunResult runOnDownload(std::string_view program, const DownloadPaths& paths,
                        const std::string& output, Diagnostics diag) {
  std::string command(program);
  command += ' ';
  command += shellQuote(paths.download);
  command += " >";
  command += shellQuote(output);
  command += " 2>";
  command += shellQuote(paths.programErrors);
  const int status = std::system(command.c_str());
  if (FilePtr errors{std::fopen(paths.programErrors.c_str(), "rb")}) {
    char block[16384];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, errors.get())) > 0)
      diag.write(std::string_view(block, n));
  }
  if (status != -1 && WIFSIGNALED(status)) {
    passOnSignalOf(status);
    if (WTERMSIG(status) == SIGINT || WTERMSIG(status) == SIGTERM) return RunResult::kInterrupted;
  }
  return status == 0 ? RunResult::kOk : RunResult::kFailed;
}

// Reads one line, its line feed kept.  False at the end of the file.
bool readLine(std::FILE* file, std::string& line) {
  line.clear();
  int c;
  while ((c = std::getc(file)) != EOF) {
    line += static_cast<char>(c);
    if (c == '\n') break;
  }
  return !line.empty();
}

// The MIME type, or none when an interrupt ended `file`.
std::optional<std::string> mimeType(std::string_view url, const DownloadPaths& paths,
                                    Diagnostics diag) {
  const RunResult run = runOnDownload("file --mime-type -b", paths, paths.mimeOutput, diag);
  if (run == RunResult::kInterrupted) return std::nullopt;
  if (run == RunResult::kFailed) {
    diag.report("WARNING ", url, ": failed to obtain mime type of download file!\n");
    return std::string();
  }
  FilePtr output(std::fopen(paths.mimeOutput.c_str(), "rb"));
  std::string mime;
  if (!output || !readLine(output.get(), mime)) return std::string();
  if (mime.ends_with('\n')) mime.pop_back();
  for (std::string_view lookalike : kPlainTextLookalikes)
    if (mime == lookalike) return "text/plain";
  return mime;
}

// Text after a "Keywords:" or "Page size:" label, as it is recorded.
std::string cleanedInfo(std::string text) {
  return convertLatex(trimWhitespace(text), "~", "", false);
}

unsigned leadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  unsigned long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
    if (value > 0xffffffffULL) value = 0xffffffffULL;
  }
  return static_cast<unsigned>(value);
}

// Page count, keywords and page size of a PDF document, from the output of
// `pdfinfo`.
void recordPdfDetails(Node& publication, const DownloadPaths& paths) {
  FilePtr output(std::fopen(paths.pdfInfoOutput.c_str(), "rb"));
  if (!output) return;
  std::string line;
  std::string rest;
  while (readLine(output.get(), line)) {
    if (takePrefix(line, "Pages:", rest)) {
      setItem(publication, "numpages", std::to_string(leadingNumber(rest)));
    } else if (takePrefix(line, "Keywords:", rest)) {
      if (findItem(publication, "keywords") == nullptr)
        setItem(publication, "url.keywords", cleanedInfo(std::move(rest)));
    } else if (takePrefix(line, "Page size:", rest)) {
      setItem(publication, "url.pagesize", cleanedInfo(std::move(rest)));
    }
  }
}

std::optional<std::string> itemValue(const Node& publication, std::string_view keyword) {
  const Item* item = findItem(publication, keyword);
  if (item == nullptr) return std::nullopt;
  return item->value;
}

std::string checkTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[128];
  size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %Z", &local);
  return std::string(text, n);
}

}  // namespace

std::string shellQuote(std::string_view path) {
  std::string quoted = "'";
  for (char c : path) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  quoted += '\'';
  return quoted;
}

Analysis analyseDownload(Node& publication, std::string_view url, std::FILE* download,
                         const DownloadPaths& paths, bool ignoreUpdatesForHtml, unsigned& errors,
                         Diagnostics diag) {
  Measurement measured = measure(download);
  if (measured.size == 0) {
    diag.report("\nFAILED ", url, ": size is zero!\n");
    ++errors;
    return {};
  }
  Analysis result;
  std::optional<std::string> mime = mimeType(url, paths, diag);
  if (!mime) {
    result.interrupted = true;
    return result;
  }
  result.mime = std::move(*mime);
  const std::string size = std::to_string(measured.size);
  std::string md5 = std::move(measured.md5);

  const std::optional<std::string> oldMime = itemValue(publication, "url.mime");
  const std::optional<std::string> oldSize = itemValue(publication, "url.size");
  const std::optional<std::string> oldMd5 = itemValue(publication, "url.md5");

  // Size and digest changes of a page recorded as HTML or XML are not news
  // when the user says so; the digest is then no longer kept.
  const bool ignoreChanges = ignoreUpdatesForHtml && (oldMime == kHtml || oldMime == kXml);
  bool htmlBecamePdf = false;
  if (oldMime && *oldMime != result.mime) {
    if (*oldMime == kHtml && result.mime == kPdf) {
      diag.write("\nNOTE: change from HTML to PDF -> just updating entry\n");
      htmlBecamePdf = true;
    } else {
      diag.report("UPDATED ", url, ": old mime type has been ", *oldMime, ", new type mime is ",
                  result.mime, '\n');
    }
  }
  if (!htmlBecamePdf) {
    if (oldSize && *oldSize != size) {
      if (ignoreChanges) {
        md5 = kIgnore;
        diag.write("[Size change for HTML/XML document -> setting url.md5=\"ignore\"] ");
      } else {
        diag.report("UPDATED ", url, ": old size has been ", *oldSize, ", new size is ", size,
                    '\n');
      }
    }
    if (oldMd5 && *oldMd5 != kIgnore && *oldMd5 != md5) {
      if (ignoreChanges) {
        md5 = kIgnore;
        diag.write("[MD5 change for HTML/XML document -> setting url.md5=\"ignore\"] ");
      } else {
        diag.report("UPDATED ", url, ": old MD5 has been ", *oldMd5, ", new MD5 is ", md5, '\n');
      }
    }
  }

  if (result.mime == kPdf) {
    const RunResult run = runOnDownload("pdfinfo", paths, paths.pdfInfoOutput, diag);
    if (run == RunResult::kInterrupted) {
      result.interrupted = true;
      return result;
    }
    if (run == RunResult::kOk) recordPdfDetails(publication, paths);
  }
  result.recorded = true;

  setItem(publication, "url.size", size);
  setItem(publication, "url.mime", result.mime);
  if (htmlBecamePdf || oldMd5 != kIgnore) setItem(publication, "url.md5", md5);
  setItem(publication, "url.checked", checkTime());

  diag.report("OK: size=", size, "B;\ttype=", result.mime, ";\tMD5=", md5, '\n');
  return result;
}

}  // namespace pubforge
