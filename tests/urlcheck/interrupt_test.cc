// Ctrl-C or SIGTERM in the middle of a check of the program itself: the
// downloads in flight are given up without a trace, the entries checked so
// far are written, and the run ends with status 130.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "test_server.h"

namespace pubforge {
namespace {

using testing::NoProxies;
using testing::readFile;
using testing::TempDir;
using testing::TestServer;
using testing::writeFile;

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size()) ++n;
  return n;
}

TEST(UrlCheckInterrupt, SignalsStopTheCheckInOrder) {
  struct Row {
    const char* name;
    std::vector<int> signals;
    bool exported;  // out.bib written with the entries checked so far
    const char* jobs;
  };
  const Row rows[] = {
      {"Ctrl-C", {SIGINT}, true, "8"},
      {"SIGTERM", {SIGTERM}, true, "8"},
      {"a second signal", {SIGINT, SIGTERM}, false, "8"},
      // One at a time, the progress line of the entry in flight is out
      // before its download ends; the interrupt ends that line.
      {"Ctrl-C, one at a time", {SIGINT}, true, "1"},
  };
  NoProxies noProxies;
  TempDir docroot;
  TestServer server(docroot.path());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir work, temp;
    // Three quick entries, then five that the server holds for long.
    std::string bib;
    for (int i = 0; i < 8; ++i)
      bib += "@Misc{k" + std::to_string(i) + ", author = {A}, title = {T}, year = 2020, url = {" +
             server.url(i < 3 ? "/doc/sample.txt" : "/doc/sample.pdf?delay=60") + "}}\n";
    writeFile(work / "refs.bib", bib);
    const std::string err = work / "err";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (chdir(work.path().c_str()) != 0) _exit(127);
      const int fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(fd, STDERR_FILENO);
      setenv("TMPDIR", temp.path().c_str(), 1);
      execl(PUBFORGE_BINARY, "pubforge", "-n", "-U", "-j", row.jobs, "-D", "dl", "-B", "out.bib",
            "refs.bib", static_cast<char*>(nullptr));
      _exit(127);
    }
    // Wait until the quick entries are reported: the others are in flight.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const size_t started = std::string(row.jobs) == "1" ? 4 : 3;
    while ((count(readFile(err), "OK: ") < 3 || count(readFile(err), "Checking URL of") < started) &&
           std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(count(readFile(err), "OK: "), 3u) << readFile(err);
    // Several signals reach the program together: stopped, it has them
    // all pending when it goes on, however busy this machine is.
    if (row.signals.size() > 1) {
      kill(child, SIGSTOP);
      int stopped = 0;
      ASSERT_EQ(waitpid(child, &stopped, WUNTRACED), child);
      ASSERT_TRUE(WIFSTOPPED(stopped)) << stopped;
    }
    for (int sig : row.signals) kill(child, sig);
    if (row.signals.size() > 1) kill(child, SIGCONT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 130);

    const std::string report = readFile(err);
    EXPECT_TRUE(report.ends_with("NOTE: URL check interrupted; 3 of 8 entries checked.\n"))
        << report;
    EXPECT_EQ(count(report, "Checking URL of"), started) << report;
    if (started == 4) {
      EXPECT_NE(report.find("Checking URL of k3 ... \nNOTE: "), std::string::npos) << report;
    }
    // Nothing of the downloads in flight stays, neither among the
    // temporary files nor in the download directory.
    EXPECT_EQ(temp.list(), std::vector<std::string>{});
    std::vector<std::string> expected = {"dl", "dl/k0.txt", "dl/k1.txt", "dl/k2.txt", "err",
                                         "refs.bib"};
    if (row.exported) expected.push_back("out.bib");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(work.list(), expected);
    if (!row.exported) continue;
    const std::string out = readFile(work / "out.bib");
    EXPECT_EQ(count(out, "url.size"), 3u) << out;
    EXPECT_EQ(count(out, "@Misc{"), 8u) << out;
  }
}

}  // namespace
}  // namespace pubforge
