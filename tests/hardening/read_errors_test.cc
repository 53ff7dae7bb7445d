// Errors that the system reports while the input files are read.  A file that
// opens but cannot be read to its end (a folder, a file whose reading fails
// at once or after some data) is the reader's read error: its own message and
// exit status 2, nothing of the file kept.  A file that cannot be opened at
// all keeps the message and status 1 of the command line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "driver/driver.h"
#include "hostile_input.h"

namespace pubforge::hardening {
namespace {

const std::string kEntry = "@misc{k, title = {T}, author = {A}, year = 2001}\n";

std::string readErrorMessage(const std::string& name) {
  return "ERROR: Unable to read BibTeX input file " + name + "!\n";
}

struct ProgramRun {
  int status = 0;
  std::string out, err;
};

ProgramRun runProgram(const std::vector<std::string>& args) {
  std::istringstream in;
  std::ostringstream out, err;
  ProgramRun run;
  run.status = runPubforge(args, in, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

// True while the thread `tid` of this process waits in a read() call.
bool waitsInRead(pid_t tid) {
  std::ifstream file("/proc/self/task/" + std::to_string(tid) + "/syscall");
  long number = -1;
  file >> number;
  return file && number == SYS_read;
}

// A pseudo-terminal whose far side holds one BibTeX entry and then goes away:
// reading the terminal by its name yields the entry, and the read after it
// fails with an input/output error, as a disk does that fails in the middle
// of a file.  The far side is closed once the entry has been read and the
// reader waits for more; closed earlier, the terminal would be hung up and
// its next read would see an ordinary end of file.
class FailingTerminal {
 public:
  FailingTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    const char* name = ::ptsname(master_);
    if (name == nullptr) return;
    name_ = name;
    // Our own end keeps the terminal's input queue observable.
    slave_ = ::open(name_.c_str(), O_RDWR | O_NOCTTY);
    termios raw;
    if (slave_ < 0 || ::tcgetattr(slave_, &raw) != 0) return;
    ::cfmakeraw(&raw);
    if (::tcsetattr(slave_, TCSANOW, &raw) != 0) return;
    // The reader opens the terminal without O_NOCTTY; should it become our
    // controlling terminal, its hang-up must not end the test.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGHUP, &ignore, &savedHangup_);
    ready_ = ::write(master_, kEntry.data(), kEntry.size()) == static_cast<ssize_t>(kEntry.size());
  }

  ~FailingTerminal() {
    if (closer_.joinable()) closer_.join();
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    ::sigaction(SIGHUP, &savedHangup_, nullptr);
  }

  bool ready() const { return ready_; }
  const std::string& name() const { return name_; }

  // Closes the far side once this thread has read the entry from the
  // terminal and waits in its next read (or after a minute in any case).
  void closeWhenRead() {
    const pid_t reader = static_cast<pid_t>(::syscall(SYS_gettid));
    closer_ = std::thread([this, reader] {
      for (int i = 0; i < 60000; ++i) {
        int pending = 0;
        if (::ioctl(slave_, FIONREAD, &pending) != 0) break;
        if (pending == 0 && waitsInRead(reader)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      ::close(master_);
      master_ = -1;
    });
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string name_;
  bool ready_ = false;
  struct sigaction savedHangup_ = {};
  std::thread closer_;
};

TEST(ReadErrors, FolderGivenAsInputFile) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string folder = dir.file("sub.bib");
  ASSERT_TRUE(std::filesystem::create_directory(folder));

  std::ostringstream out, err;
  BibReader reader(out, err);
  EXPECT_EQ(reader.readFile(folder), ReadResult::kReadError);
  EXPECT_EQ(err.str(), readErrorMessage(folder));
  EXPECT_TRUE(reader.finish().empty());

  // A later file is not read; the run ends with the read error's status.
  const std::string good = dir.file("good.bib");
  std::ofstream(good) << kEntry;
  const ProgramRun run = runProgram({"pubforge", "-n", good, folder, good});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, readErrorMessage(folder));
  EXPECT_EQ(run.out, "");
}

TEST(ReadErrors, FileWhoseFirstReadFails) {
  // The memory of the process read from address 0, which is never mapped.
  const std::string name = "/proc/self/mem";
  if (::access(name.c_str(), R_OK) != 0) GTEST_SKIP() << name << " cannot be opened here";
  std::ostringstream out, err;
  BibReader reader(out, err);
  EXPECT_EQ(reader.readFile(name), ReadResult::kReadError);
  EXPECT_EQ(err.str(), readErrorMessage(name));
  EXPECT_EQ(out.str(), "");

  const ProgramRun run = runProgram({"pubforge", name});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, readErrorMessage(name));
}

TEST(ReadErrors, ReadFailsAfterPartOfTheFileWasRead) {
  {
    FailingTerminal terminal;
    if (!terminal.ready()) GTEST_SKIP() << "no pseudo-terminal here";
    if (!std::ifstream("/proc/self/syscall")) GTEST_SKIP() << "cannot see what a thread waits for";
    terminal.closeWhenRead();
    std::ostringstream out, err;
    BibReader reader(out, err);
    EXPECT_EQ(reader.readFile(terminal.name()), ReadResult::kReadError);
    EXPECT_EQ(err.str(), readErrorMessage(terminal.name()));
    // The entry that was read before the error is not kept.
    EXPECT_TRUE(reader.finish().empty());
  }
  {
    FailingTerminal terminal;
    ASSERT_TRUE(terminal.ready());
    terminal.closeWhenRead();
    const ProgramRun run = runProgram({"pubforge", "-n", terminal.name()});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, readErrorMessage(terminal.name()));
    EXPECT_EQ(run.out, "");
  }
}

TEST(ReadErrors, FilesThatCannotBeOpenedKeepTheirMessageAndStatus) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string missing = dir.file("missing.bib");
  const std::string dangling = dir.file("dangling.bib");
  std::filesystem::create_symlink(dir.file("nowhere.bib"), dangling);
  // A socket exists in the file system but cannot be opened as a file.
  const std::string socketName = dir.file("socket.bib");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketName.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, socketName.c_str(), socketName.size() + 1);
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

  for (const std::string& name : {missing, dangling, socketName}) {
    SCOPED_TRACE(name);
    const std::string message = "ERROR: Unable to open BibTeX input file " + name + "!\n";
    const ProgramRun run = runProgram({"pubforge", "-n", name});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, message);
    // The reader opens the file itself, once, and says so when it cannot.
    std::ostringstream out, err;
    BibReader reader(out, err);
    EXPECT_EQ(reader.readFile(name), ReadResult::kOpenError);
    EXPECT_EQ(err.str(), message);
  }
  ::close(sock);
}

}  // namespace
}  // namespace pubforge::hardening
