// Fetching one document over the network, and reading what the server said
// about it: the final HTTP status, when to ask again, and the frame address
// of a frame page.
#pragma once

#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include <curl/curl.h>

namespace pubforge {

// How one request went, once libcurl has finished it.
struct RequestResult {
  bool ok = false;         // completed, final status 200
  bool completed = false;  // the transfer itself ended without an error
  unsigned status = 0;     // final HTTP status of a completed transfer
  // The "FAILED" report of a request that did not succeed.
  std::string failure;
  // What the final response asked for in its Retry-After header, as a wait.
  std::optional<std::chrono::seconds> retryAfter;
};

// One request in flight: an easy handle set up to fetch a url into a file,
// with the limits that keep a hostile server from holding or flooding the
// run.  It fetches only http and https, for the url and every redirect.
class Request {
 public:
  Request() = default;
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;
  ~Request();

  // Empties `download` and prepares the fetch of `url` into it.  `share`
  // holds the cookies of the run; `maxSize` bounds the body; `timeLeft` is
  // what remains of the entry's time.  False, with the system's text in
  // `error`, when the file cannot be emptied; throws std::bad_alloc when
  // libcurl has no handle to give.
  bool begin(CURLSH* share, const std::string& url, std::FILE* download,
             unsigned long long maxSize, std::chrono::milliseconds timeLeft, std::string& error);

  CURL* handle() const { return handle_; }
  const std::string& url() const { return url_; }
  // Bytes of headers and body received so far, for the slow-transfer check.
  unsigned long long bytesMoved() const { return moved_; }

  // What came of the request whose transfer libcurl ended with `code`.  The
  // download file is then positioned at its start.
  RequestResult finish(CURLcode code);

  // The "FAILED" report of a request that this run abandoned itself.
  std::string abandoned(std::string_view reason) const;

 private:
  static size_t onBody(char* data, size_t size, size_t count, void* self);
  static size_t onHeader(char* data, size_t size, size_t count, void* self);

  CURL* handle_ = nullptr;
  std::string url_;
  std::FILE* download_ = nullptr;
  unsigned long long maxSize_ = 0;
  unsigned long long bodyBytes_ = 0;
  unsigned long long moved_ = 0;
  bool tooLarge_ = false;
  unsigned status_ = 0;
  std::string retryAfter_;  // of the latest response
};

// "larger than SIZE": the limit written with the largest of the suffixes
// K, M and G that divides it.
std::string formatSize(unsigned long long bytes);

// The status of one header line read as "HTTP/%*[^ ] %u " reads it, or none
// when the line is no status line.
std::optional<unsigned> httpStatusOfLine(std::string_view line);

// The status of the last status line in `headers` ("HTTP/", a version, a
// blank, a number), or 999 when no line is one.
unsigned finalHttpStatus(std::string_view headers);

// The wait that a Retry-After value asks for: a number of seconds, or an
// HTTP date (the time until then, `now` being the present).  None when the
// value is neither.
std::optional<std::chrono::seconds> retryAfterWait(std::string_view value, std::time_t now);

// The address of the last frame of a frame page: the text between the
// double quotes of the last `<frame src="` up to the first zero byte of
// `page`.  None when there is no such frame.
std::optional<std::string> frameAddress(std::string_view page);

// The host name of `url` as written there, without user or port; empty
// when the url has none.
std::string hostOf(std::string_view url);

}  // namespace pubforge
