// Output files that replace their target only once they were written
// completely, so that a failed export never leaves a half-written file where
// the previous one was (the output is often the very file that was read).
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace pubforge {

// Bytes waiting to be written.  Appending is a bounds check and a copy: the
// writers append millions of short pieces.
class OutputBuffer {
 public:
  OutputBuffer& operator+=(std::string_view text) {
    if (text.empty()) return *this;  // the buffer may not exist yet
    if (text.size() > capacity_ - size_) grow(text.size());
    std::memcpy(data_.get() + size_, text.data(), text.size());
    size_ += text.size();
    return *this;
  }
  OutputBuffer& operator+=(char c) {
    if (size_ == capacity_) grow(1);
    data_[size_++] = c;
    return *this;
  }
  std::string_view view() const { return {data_.get(), size_}; }
  size_t size() const { return size_; }
  void clear() { size_ = 0; }

 private:
  void grow(size_t needed);

  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

class OutputFile {
 public:
  enum class Result { kWritten, kCreateFailed, kWriteFailed };

  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Prepares to write `path`.  A regular file (or a name that does not exist
  // yet) is written to a new file beside it that replaces it in finish(); a
  // symbolic link is followed, so the file it points to is replaced and the
  // link stays.  A file that is this process's standard output or error is
  // written through that stream, at its current position; anything else
  // that exists, such as a device or a pipe, is written in place.  False
  // when the file cannot be created, or exists and may not be written.
  bool open(const std::string& path);

  // The pending output; append to it and call flushIfFull() now and then.
  OutputBuffer& buffer() { return buffer_; }
  void flushIfFull() {
    if (buffer_.size() >= kFlushSize) flush();
  }

  // Writes what is pending and puts the file in place: an existing file
  // keeps its permission bits (and, where allowed, its owner), a new one gets
  // 0666 less the umask.  On kWriteFailed or kCreateFailed the target is left
  // as it was.
  Result finish();

 private:
  static constexpr size_t kFlushSize = size_t{1} << 18;

  void flush();
  void discard();

  int fd_ = -1;
  bool failed_ = false;
  bool inPlace_ = false;
  bool borrowed_ = false;   // fd_ is a standard stream, not ours to close
  std::string tempPath_;    // empty when writing in place
  std::string targetPath_;  // the file that tempPath_ replaces
  mode_t mode_ = 0;
  bool existed_ = false;
  uid_t owner_ = 0;
  gid_t group_ = 0;
  OutputBuffer buffer_;
};

}  // namespace pubforge
