// An output stream buffer for standard error: messages are written a whole
// line at a time, not one piece of a message at a time, and still appear as
// soon as their line is complete.
#pragma once

#include <streambuf>
#include <string>

namespace pubforge {

class LineBufferedOutput : public std::streambuf {
 public:
  explicit LineBufferedOutput(int fd) : fd_(fd) {}
  ~LineBufferedOutput() override { sync(); }
  LineBufferedOutput(const LineBufferedOutput&) = delete;
  LineBufferedOutput& operator=(const LineBufferedOutput&) = delete;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  // Writes what the buffer holds up to and including its last line feed.
  void writeCompleteLines();
  void writeOut(size_t count);

  int fd_;
  std::string pending_;
};

}  // namespace pubforge
