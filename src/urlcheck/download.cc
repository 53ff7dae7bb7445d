#include "urlcheck/download.h"

#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "text/ascii.h"
#include "text/numbers.h"

namespace pubforge {

namespace {

constexpr const char* kUserAgent = "pubforge/2.2 (AmigaOS; MC680x0)";
constexpr long kConnectTimeoutSeconds = 30;
constexpr long kMaxRedirects = 10;
constexpr unsigned kNoStatus = 999;
// The only protocols fetched, for the first request and every redirect: a
// bibliography must not make the check read local files or talk to other
// local services.
constexpr const char* kWebProtocols = "http,https";

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool isWebUrl(std::string_view url) {
  return startsWithIgnoringCase(url, "http://") || startsWithIgnoringCase(url, "https://");
}

}  // namespace

Request::~Request() {
  if (handle_ != nullptr) curl_easy_cleanup(handle_);
}

bool Request::begin(CURLSH* share, const std::string& url, std::FILE* download,
                    unsigned long long maxSize, std::chrono::milliseconds timeLeft,
                    std::string& error) {
  std::rewind(download);
  if (ftruncate(fileno(download), 0) != 0) {
    error = std::strerror(errno);
    return false;
  }
  // Every request starts from a new handle: resetting a used handle would
  // drop, without freeing it, the list that switching the cookie engine on
  // adds to.
  if (handle_ != nullptr) curl_easy_cleanup(handle_);
  handle_ = curl_easy_init();
  if (handle_ == nullptr) throw std::bad_alloc();
  url_ = url;
  download_ = download;
  maxSize_ = maxSize;
  bodyBytes_ = moved_ = 0;
  tooLarge_ = false;
  status_ = kNoStatus;
  retryAfter_.clear();

  CURL* h = handle_;
  curl_easy_setopt(h, CURLOPT_URL, url_.c_str());
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 1L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Request::onBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Request::onHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(h, CURLOPT_AUTOREFERER, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, kWebProtocols);
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, kWebProtocols);
  // The cookies of the run live in the share; this switches the cookie
  // engine on without reading a file.
  curl_easy_setopt(h, CURLOPT_SHARE, share);
  curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  // The check watches the time itself; this only makes sure that libcurl
  // gives up too.
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<long long>(timeLeft.count(), 1)));
  // A document announced as too large is refused before its body comes.
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(
      std::min<unsigned long long>(maxSize, std::numeric_limits<curl_off_t>::max())));
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  return true;
}

size_t Request::onBody(char* data, size_t size, size_t count, void* self) {
  Request& r = *static_cast<Request*>(self);
  const size_t n = size * count;
  r.moved_ += n;
  if (n > r.maxSize_ - r.bodyBytes_) {
    r.tooLarge_ = true;
    return 0;  // ends the transfer
  }
  r.bodyBytes_ += n;
  return std::fwrite(data, 1, n, r.download_);
}

size_t Request::onHeader(char* data, size_t size, size_t count, void* self) {
  Request& r = *static_cast<Request*>(self);
  const size_t n = size * count;
  r.moved_ += n;
  const std::string_view line(data, n);
  if (std::optional<unsigned> status = httpStatusOfLine(line)) {
    r.status_ = *status;
    r.retryAfter_.clear();  // a new response begins
  } else if (startsWithIgnoringCase(line, "retry-after:")) {
    r.retryAfter_ = trimmed(line.substr(std::strlen("retry-after:")));
  }
  return n;
}

RequestResult Request::finish(CURLcode code) {
  std::fflush(download_);
  std::rewind(download_);
  RequestResult result;
  if (code == CURLE_OK) {
    result.completed = true;
    result.status = status_;
    if (status_ == 200) {
      result.ok = true;
      return result;
    }
    if (!retryAfter_.empty()) result.retryAfter = retryAfterWait(retryAfter_, std::time(nullptr));
    result.failure = "FAILED " + url_ + " - HTTP returns code " + std::to_string(status_) + "!\n";
    return result;
  }
  std::string reason;
  char* effective = nullptr;
  curl_easy_getinfo(handle_, CURLINFO_EFFECTIVE_URL, &effective);
  if (tooLarge_ || code == CURLE_FILESIZE_EXCEEDED)
    reason = "larger than " + formatSize(maxSize_);
  else if (code == CURLE_TOO_MANY_REDIRECTS)
    reason = "too many redirects";
  else if (code == CURLE_OPERATION_TIMEDOUT)
    reason = "timed out";
  else if (code == CURLE_UNSUPPORTED_PROTOCOL && !isWebUrl(effective ? effective : url_))
    reason = "unsupported protocol";
  else
    reason = curl_easy_strerror(code);
  result.failure = abandoned(reason);
  return result;
}

std::string Request::abandoned(std::string_view reason) const {
  std::string text = "FAILED " + url_ + ": ";
  text += reason;
  text += "!\n";
  return text;
}

std::string formatSize(unsigned long long bytes) {
  constexpr std::pair<unsigned long long, char> kUnits[] = {
      {1ULL << 30, 'G'}, {1ULL << 20, 'M'}, {1ULL << 10, 'K'}};
  for (const auto& [unit, suffix] : kUnits)
    if (bytes >= unit && bytes % unit == 0) return std::to_string(bytes / unit) + suffix;
  return std::to_string(bytes);
}

// Read as "HTTP/%*[^ ] %u " reads it: a version of at least one byte up to a
// space, blanks, an optionally signed number (taken modulo 2^32, as an
// unsigned conversion does).
std::optional<unsigned> httpStatusOfLine(std::string_view line) {
  constexpr std::string_view kPrefix = "HTTP/";
  if (!line.starts_with(kPrefix)) return std::nullopt;
  size_t i = kPrefix.size();
  const size_t versionStart = i;
  while (i < line.size() && line[i] != ' ' && line[i] != '\0' && line[i] != '\n') ++i;
  if (i == versionStart) return std::nullopt;
  const LeadingNumber number = scanLeadingNumber(line.substr(i));
  if (number.digits.length == 0) return std::nullopt;
  // Out of range: the largest value.
  constexpr uint64_t kCap = std::numeric_limits<unsigned>::max();
  const auto status = static_cast<unsigned>(std::min(number.digits.magnitude, kCap));
  return number.negative ? 0u - status : status;
}

unsigned finalHttpStatus(std::string_view headers) {
  unsigned status = kNoStatus;
  while (!headers.empty()) {
    size_t end = headers.find('\n');
    std::string_view line = headers.substr(0, end);
    if (auto s = httpStatusOfLine(line)) status = *s;
    if (end == std::string_view::npos) break;
    headers.remove_prefix(end + 1);
  }
  return status;
}

std::optional<std::chrono::seconds> retryAfterWait(std::string_view value, std::time_t now) {
  value = trimmed(value);
  if (value.empty()) return std::nullopt;
  if (std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    long long seconds = 0;
    for (char c : value) {
      seconds = seconds * 10 + (c - '0');
      if (seconds > 1000000000) break;  // far beyond any wait the check makes
    }
    return std::chrono::seconds(seconds);
  }
  const std::string date(value);
  const std::time_t then = curl_getdate(date.c_str(), nullptr);
  if (then == -1) return std::nullopt;
  return std::chrono::seconds(then > now ? then - now : 0);
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

std::string hostOf(std::string_view url) {
  std::string host;
  CURLU* parsed = curl_url();
  if (parsed == nullptr) throw std::bad_alloc();
  const std::string text(url);
  char* part = nullptr;
  if (curl_url_set(parsed, CURLUPART_URL, text.c_str(),
                   CURLU_GUESS_SCHEME | CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_HOST, &part, 0) == CURLUE_OK) {
    host = part;
    curl_free(part);
  }
  curl_url_cleanup(parsed);
  return host;
}

}  // namespace pubforge
