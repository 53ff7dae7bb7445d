// The files of one check: open streams that close themselves, and temporary
// files that are removed when the check of an entry ends.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace pubforge {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A file made unique from a template ending in six X.  It is removed and its
// descriptor closed when this ends, unless it was kept.
class TempFile {
 public:
  TempFile() = default;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (created_ && !kept_) unlink(path_.c_str());
    if (fd_ >= 0) close(fd_);
  }

  // False when no file could be made (a descriptor 0 counts as failure too:
  // standard input was closed, and the file is given up).
  bool create(std::string pathTemplate) {
    path_ = std::move(pathTemplate);
    fd_ = mkstemp(path_.data());
    created_ = fd_ >= 0;
    return fd_ > 0;
  }
  const std::string& path() const { return path_; }
  // The file lives on under another name.
  void keep() { kept_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  bool created_ = false;
  bool kept_ = false;
};

}  // namespace pubforge
