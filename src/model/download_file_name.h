// Where a publication's downloaded document is kept: shared by the URL
// check, which stores it, and the printing template, which prints the path.
#pragma once

#include <string>
#include <string_view>

namespace pubforge {

// The path under which the download of `key` with MIME type `mime` is kept:
// directory, "/", the key and an extension (".pdf", ".xml", ".html", ".txt",
// or the letters "data" without a dot for every other type).  Without a
// directory (empty) the key and the extension alone.
std::string downloadFileName(std::string_view directory, std::string_view key,
                             std::string_view mime);

}  // namespace pubforge
