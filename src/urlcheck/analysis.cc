#include "urlcheck/analysis.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>
#include <optional>

#include "model/items.h"
#include "text/numbers.h"
#include "text/strings.h"
#include "urlcheck/files.h"

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

// Runs `program` on the download with its standard output going to
// `output`; true when it ended with status 0.
bool runOnDownload(std::string_view program, const std::string& download,
                   const std::string& output, Diagnostics diag) {
  std::string command(program);
  command += ' ';
  command += shellQuote(download);
  command += " >";
  command += shellQuote(output);
  diag.flush();  // what the program says on its standard error comes after ours
  return std::system(command.c_str()) == 0;
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

std::string mimeType(std::string_view url, const DownloadPaths& paths, Diagnostics diag) {
  if (!runOnDownload("file --mime-type -b", paths.download, paths.mimeOutput, diag)) {
    diag.report("WARNING ", url, ": failed to obtain mime type of download file!\n");
    return {};
  }
  FilePtr output(std::fopen(paths.mimeOutput.c_str(), "rb"));
  std::string mime;
  if (!output || !readLine(output.get(), mime)) return {};
  if (mime.ends_with('\n')) mime.pop_back();
  for (std::string_view lookalike : kPlainTextLookalikes)
    if (mime == lookalike) return "text/plain";
  return mime;
}

// Text after a "Keywords:" or "Page size:" label, as it is recorded.
std::string cleanedInfo(std::string text) {
  return convertLatex(trimWhitespace(text), "~", "", false);
}

// The page count that follows "Pages:": blanks, then digits; a larger count
// than 32 bits hold stops at the largest.
unsigned pageCountOf(std::string_view text) {
  const size_t start = std::min(text.find_first_not_of(" \t"), text.size());
  const uint64_t count = readDigits(text.substr(start)).magnitude;
  return count > UINT32_MAX ? UINT32_MAX : static_cast<unsigned>(count);
}

// Page count, keywords and page size of a PDF document.
void recordPdfDetails(Node& publication, const DownloadPaths& paths, Diagnostics diag) {
  if (!runOnDownload("pdfinfo", paths.download, paths.pdfInfoOutput, diag)) return;
  FilePtr output(std::fopen(paths.pdfInfoOutput.c_str(), "rb"));
  if (!output) return;
  std::string line;
  std::string rest;
  while (readLine(output.get(), line)) {
    if (takePrefix(line, "Pages:", rest)) {
      setItem(publication, "numpages", std::to_string(pageCountOf(rest)));
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
  result.recorded = true;
  result.mime = mimeType(url, paths, diag);
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

  if (result.mime == kPdf) recordPdfDetails(publication, paths, diag);

  setItem(publication, "url.size", size);
  setItem(publication, "url.mime", result.mime);
  if (htmlBecamePdf || oldMd5 != kIgnore) setItem(publication, "url.md5", md5);
  setItem(publication, "url.checked", checkTime());

  diag.report("OK: size=", size, "B;\ttype=", result.mime, ";\tMD5=", md5, '\n');
  return result;
}

}  // namespace pubforge
