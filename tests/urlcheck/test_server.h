// What the URL check tests run against: the local HTTP server of
// http_server.py (127.0.0.1, a free port, ended by its process id and
// stopping by itself after a bounded time), scratch folders, environment
// settings for one test, and reference values from real programs.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace pubforge::testing {

// A folder of its own under /tmp, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = "/tmp/pubforge-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // Every file and folder below, as paths relative to the folder, sorted.
  std::vector<std::string> list() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_))
      names.push_back(std::filesystem::relative(entry.path(), path_).string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

inline void writeFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Standard output of a shell command.
inline std::string commandOutput(const std::string& command) {
  std::string text;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char block[4096];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, pipe)) > 0) text.append(block, n);
    pclose(pipe);
  }
  return text;
}

// The MD5 digest of a file as md5sum computes it.
inline std::string md5sum(const std::string& path) {
  std::string out = commandOutput("md5sum < '" + path + "'");
  return out.substr(0, out.find(' '));
}

// Sets (or, with nullopt, removes) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// No proxy of the machine may take the tests' requests elsewhere.
class NoProxies {
 private:
  ScopedEnv a_{"http_proxy", std::nullopt}, b_{"HTTP_PROXY", std::nullopt},
      c_{"https_proxy", std::nullopt}, d_{"HTTPS_PROXY", std::nullopt},
      e_{"all_proxy", std::nullopt}, f_{"ALL_PROXY", std::nullopt},
      g_{"no_proxy", std::nullopt}, h_{"NO_PROXY", std::nullopt};
};

// The local HTTP server.  It serves the documents listed in http_server.py;
// `docroot` receives its sample documents and holds the files of /doc/.
class TestServer {
 public:
  // The server stops by itself after this many seconds, whatever happens to
  // the test.
  static constexpr int kLifetimeSeconds = 240;

  explicit TestServer(const std::string& docroot) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    const std::string script = std::string(PUBFORGE_SOURCE_DIR) + "/tests/urlcheck/http_server.py";
    const std::string lifetime = std::to_string(kLifetimeSeconds);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
      close(fds[1]);
      execlp("python3", "python3", script.c_str(), "--lifetime", lifetime.c_str(), "--docroot",
             docroot.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string line;
    pollfd ready{fds[0], POLLIN, 0};
    char c;
    while (line.find('\n') == std::string::npos && poll(&ready, 1, 20000) == 1 &&
           read(fds[0], &c, 1) == 1)
      line += c;
    close(fds[0]);
    port_ = std::atoi(line.c_str());
    if (pid_ < 0 || port_ <= 0) {
      stop();
      throw std::runtime_error("the test server did not start");
    }
  }
  ~TestServer() { stop(); }
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int port() const { return port_; }
  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  void stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

  pid_t pid_ = -1;
  int port_ = 0;
};

// A port of 127.0.0.1 where nobody listens: bound while this lives, so no
// other program takes it, but never accepting a connection.
class ClosedPort {
 public:
  ClosedPort() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("cannot bind a port");
    port_ = ntohs(address.sin_port);
  }
  ~ClosedPort() { close(fd_); }
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;

  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace pubforge::testing
