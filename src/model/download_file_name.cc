#include "model/download_file_name.h"

namespace pubforge {

namespace {

// MIME types whose stored downloads get an extension of their own.
struct Extension {
  std::string_view mime;
  std::string_view extension;
};
constexpr Extension kExtensions[] = {
    {"application/pdf", ".pdf"},
    {"application/xml", ".xml"},
    {"text/html", ".html"},
    {"text/plain", ".txt"},
};
// Appended for every other type, without a dot.
constexpr std::string_view kOtherExtension = "data";

}  // namespace

std::string downloadFileName(std::string_view directory, std::string_view key,
                             std::string_view mime) {
  std::string path;
  if (!directory.empty()) {
    path = directory;
    path += '/';
  }
  path += key;
  std::string_view extension = kOtherExtension;
  for (const Extension& row : kExtensions)
    if (row.mime == mime) extension = row.extension;
  path += extension;
  return path;
}

}  // namespace pubforge
