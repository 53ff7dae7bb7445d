#include "driver/line_buffered_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pubforge {

LineBufferedOutput::int_type LineBufferedOutput::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  pending_.push_back(traits_type::to_char_type(c));
  if (pending_.back() == '\n') writeCompleteLines();
  return c;
}

std::streamsize LineBufferedOutput::xsputn(const char* text, std::streamsize count) {
  pending_.append(text, static_cast<size_t>(count));
  if (std::memchr(text, '\n', static_cast<size_t>(count)) != nullptr) writeCompleteLines();
  return count;
}

int LineBufferedOutput::sync() {
  writeOut(pending_.size());
  return 0;
}

void LineBufferedOutput::writeCompleteLines() {
  const size_t lastLineFeed = pending_.rfind('\n');
  if (lastLineFeed != std::string::npos) writeOut(lastLineFeed + 1);
}

void LineBufferedOutput::writeOut(size_t count) {
  size_t written = 0;
  while (written < count) {
    const ssize_t n = ::write(fd_, pending_.data() + written, count - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // nowhere left to report to; the text is dropped
    written += static_cast<size_t>(n);
  }
  pending_.erase(0, count);
}

}  // namespace pubforge
