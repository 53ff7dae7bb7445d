#include "urlcheck/download.h"

#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>

#include "text/numbers.h"

namespace pubforge {

namespace {

constexpr const char* kUserAgent = "pubforge/2.2 (AmigaOS; MC680x0)";
constexpr long kConnectTimeoutSeconds = 30;
constexpr unsigned kNoStatus = 999;

// Empties a file that a transfer will write.
bool truncateFile(std::FILE* file) {
  std::rewind(file);
  return ftruncate(fileno(file), 0) == 0;
}

std::string readAll(std::FILE* file) {
  std::string text;
  char block[16384];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, n);
  std::rewind(file);
  return text;
}

// The status of one header line, read as "HTTP/%*[^ ] %u " reads it: a
// version of at least one byte up to a space, blanks, an optionally signed
// number (taken modulo 2^32, as an unsigned conversion does).
std::optional<unsigned> statusOfLine(std::string_view line) {
  constexpr std::string_view kPrefix = "HTTP/";
  if (!line.starts_with(kPrefix)) return std::nullopt;
  size_t i = kPrefix.size();
  const size_t versionStart = i;
  while (i < line.size() && line[i] != ' ' && line[i] != '\0') ++i;
  if (i == versionStart) return std::nullopt;
  const LeadingNumber number = scanLeadingNumber(line.substr(i));
  if (number.digits.length == 0) return std::nullopt;
  // Out of range: the largest value.
  constexpr uint64_t kCap = std::numeric_limits<unsigned>::max();
  const auto status = static_cast<unsigned>(std::min(number.digits.magnitude, kCap));
  return number.negative ? 0u - status : status;
}

}  // namespace

unsigned finalHttpStatus(std::string_view headers) {
  unsigned status = kNoStatus;
  while (!headers.empty()) {
    size_t end = headers.find('\n');
    std::string_view line = headers.substr(0, end);
    if (auto s = statusOfLine(line)) status = *s;
    if (end == std::string_view::npos) break;
    headers.remove_prefix(end + 1);
  }
  return status;
}

std::optional<std::string> frameAddress(std::string_view page) {
  constexpr std::string_view kFrame = "<frame src=\"";
  page = page.substr(0, page.find('\0'));
  size_t at = page.rfind(kFrame);
  if (at == std::string_view::npos) return std::nullopt;
  size_t open = page.find('"', at);
  if (open == std::string_view::npos) return std::nullopt;
  size_t close = page.find('"', open + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return std::string(page.substr(open + 1, close - open - 1));
}

bool downloadUrl(CURL* handle, const std::string& url, std::FILE* header, std::FILE* download,
                 unsigned& errors, Diagnostics diag) {
  if (!truncateFile(header) || !truncateFile(download)) {
    diag.report("Unable to truncate output files: ", std::strerror(errno), '\n');
    return false;
  }
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, download);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, header);
  curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_AUTOREFERER, 1L);
  // Switches the cookie engine on without reading a file: cookies that one
  // response sets go with the later requests of the run.
  curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);

  CURLcode result = curl_easy_perform(handle);
  if (result != CURLE_OK) {
    diag.report("FAILED ", url, ": ", curl_easy_strerror(result), "!\n");
    ++errors;
    return false;
  }
  std::rewind(header);
  std::rewind(download);
  if (!url.starts_with("http")) return false;

  unsigned status = finalHttpStatus(readAll(header));
  if (status == 200) return true;
  diag.report("FAILED ", url, " - HTTP returns code ", status, "!\n");
  ++errors;
  return false;
}

}  // namespace pubforge
