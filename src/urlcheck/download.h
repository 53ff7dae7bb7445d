// Fetching one document over the network, and reading what the server said
// about it: the final HTTP status and the frame address of a frame page.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include <curl/curl.h>

#include "model/diagnostics.h"

namespace pubforge {

// Fetches `url` with `handle` into `download` (the body) and `header` (the
// headers of every response, redirects included), after emptying both files.
// True only for a completed transfer whose final HTTP status is 200; the
// files are then positioned at their start.  Reports a failed transfer or
// status and counts it in `errors`; a url that is not http or https fails
// silently.
bool downloadUrl(CURL* handle, const std::string& url, std::FILE* header, std::FILE* download,
                 unsigned& errors, Diagnostics diag);

// The status of the last status line in `headers` ("HTTP/", a version, a
// blank, a number), or 999 when no line is one.
unsigned finalHttpStatus(std::string_view headers);

// The address of the last frame of a frame page: the text between the
// double quotes of the last `<frame src="` up to the first zero byte of
// `page`.  None when there is no such frame.
std::optional<std::string> frameAddress(std::string_view page);

}  // namespace pubforge
