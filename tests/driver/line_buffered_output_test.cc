#include "driver/line_buffered_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <ostream>
#include <string>

namespace pubforge {
namespace {

// A pipe whose read end never blocks: what has not been written yet reads as
// nothing.
class Pipe {
 public:
  Pipe() {
    EXPECT_EQ(pipe(fds_), 0);
    fcntl(fds_[0], F_SETFL, O_NONBLOCK);
  }
  ~Pipe() {
    close(fds_[0]);
    close(fds_[1]);
  }
  int writeEnd() const { return fds_[1]; }
  std::string drain() const {
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(fds_[0], buffer, sizeof buffer)) > 0) text.append(buffer, n);
    return text;
  }

 private:
  int fds_[2] = {-1, -1};
};

TEST(LineBufferedOutput, WritesWholeLinesAsSoonAsTheyAreComplete) {
  Pipe pipe;
  LineBufferedOutput buffer(pipe.writeEnd());
  std::ostream out(&buffer);

  out << "WARNING: Entry " << "k" << " has no ";
  EXPECT_EQ(pipe.drain(), "");
  out << "\"title\" section!\n" << "NOTE: ";
  EXPECT_EQ(pipe.drain(), "WARNING: Entry k has no \"title\" section!\n");
  out << 'x' << '\n';
  EXPECT_EQ(pipe.drain(), "NOTE: x\n");
  out << "Old = \"A\"\nNew = \"B";
  EXPECT_EQ(pipe.drain(), "Old = \"A\"\n");
  out.flush();
  EXPECT_EQ(pipe.drain(), "New = \"B");
}

TEST(LineBufferedOutput, KeepsNulBytesAndLongLines) {
  Pipe pipe;
  std::string line(40000, 'x');  // within what a pipe holds
  line[5] = '\0';
  {
    LineBufferedOutput buffer(pipe.writeEnd());
    std::ostream out(&buffer);
    out << line;
    // The rest goes out when the buffer is destroyed.
  }
  std::string got;
  for (std::string piece; !(piece = pipe.drain()).empty();) got += piece;
  EXPECT_EQ(got, line);
}

}  // namespace
}  // namespace pubforge
