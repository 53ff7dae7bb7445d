#include "writers/output_file.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pubforge {

namespace {

// The folder part of a path ("." when it has none).
std::string directoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Follows a chain of symbolic links to the name that the last one points to,
// which need not exist yet.
std::string followLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 256, '\0');
    ssize_t n;
    while ((n = readlink(path.c_str(), target.data(), target.size())) >= 0 &&
           static_cast<size_t>(n) == target.size())
      target.resize(target.size() * 2);
    if (n < 0) return path;
    target.resize(static_cast<size_t>(n));
    if (!target.empty() && target[0] == '/')
      path = target;
    else
      path = directoryOf(path) + "/" + target;
  }
  return path;
}

// The standard stream (0, 1 or 2) that has the file open already, or -1.
// Replacing such a file would leave the open stream with the old, unlinked
// file.
int standardStreamOf(const struct stat& file) {
  for (int fd = 0; fd <= 2; ++fd) {
    struct stat st;
    if (fstat(fd, &st) == 0 && st.st_dev == file.st_dev && st.st_ino == file.st_ino) return fd;
  }
  return -1;
}

mode_t currentUmask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

void OutputBuffer::grow(size_t needed) {
  size_t capacity = capacity_ ? capacity_ * 2 : 64 * 1024;
  while (capacity - size_ < needed) capacity *= 2;
  auto data = std::make_unique_for_overwrite<char[]>(capacity);
  if (size_) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() {
  if (fd_ >= 0 && !borrowed_) close(fd_);
  fd_ = -1;
  borrowed_ = false;
  if (!tempPath_.empty()) unlink(tempPath_.c_str());
  tempPath_.clear();
}

bool OutputFile::open(const std::string& path) {
  discard();
  failed_ = false;
  buffer_.clear();
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return false;
    const int stream = standardStreamOf(st);
    if (stream == STDOUT_FILENO || stream == STDERR_FILENO) {
      // The file is where this process's output or messages go (such as
      // /dev/stdout, or a file the shell sent the output to): the export
      // goes through that stream at its current position, so whatever was
      // written there before stays, and what comes after follows it.
      // Opening the name again would start at the beginning and cut the file.
      if (access(path.c_str(), W_OK) != 0) return false;
      fd_ = stream;
      borrowed_ = true;
      inPlace_ = true;
      return true;
    }
    if (!S_ISREG(st.st_mode) || stream == STDIN_FILENO) {
      // Devices, pipes and sockets cannot be replaced: write through them.
      fd_ = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
      inPlace_ = true;
      return fd_ >= 0;
    }
    if (access(path.c_str(), W_OK) != 0) return false;
    existed_ = true;
    mode_ = st.st_mode & 07777;
    owner_ = st.st_uid;
    group_ = st.st_gid;
  } else {
    if (errno != ENOENT) return false;
    existed_ = false;
    mode_ = 0666 & ~currentUmask();
  }

  targetPath_ = followLinks(path);
  std::string temp = directoryOf(targetPath_) + "/.pubforge-XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    // A folder we may not add files to can still hold a file we may write:
    // then the file is rewritten where it is.
    if (existed_ && (errno == EACCES || errno == EPERM)) {
      fd_ = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
      inPlace_ = true;
      return fd_ >= 0;
    }
    return false;
  }
  fd_ = fd;
  tempPath_ = std::move(temp);
  inPlace_ = false;
  return true;
}

void OutputFile::flush() {
  std::string_view pending = buffer_.view();
  size_t done = 0;
  while (!failed_ && done < pending.size()) {
    ssize_t n = write(fd_, pending.data() + done, pending.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
    } else {
      done += static_cast<size_t>(n);
    }
  }
  buffer_.clear();
}

OutputFile::Result OutputFile::finish() {
  if (fd_ < 0) return Result::kCreateFailed;
  flush();
  if (inPlace_) {
    if (!borrowed_ && close(fd_) != 0) failed_ = true;
    fd_ = -1;
    borrowed_ = false;
    return failed_ ? Result::kWriteFailed : Result::kWritten;
  }
  if (failed_) {
    discard();
    return Result::kWriteFailed;
  }
  // The owner first: changing it may clear set-id bits that fchmod restores.
  if (existed_ && (owner_ != geteuid() || group_ != getegid()))
    (void)!fchown(fd_, owner_, group_);
  fchmod(fd_, mode_);
  int closed = close(fd_);
  fd_ = -1;
  if (closed != 0) {
    discard();
    return Result::kWriteFailed;
  }
  if (rename(tempPath_.c_str(), targetPath_.c_str()) != 0) {
    discard();
    return Result::kCreateFailed;
  }
  tempPath_.clear();
  return Result::kWritten;
}

}  // namespace pubforge
