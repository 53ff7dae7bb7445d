// Shared helpers of the fuzz targets: failing loudly and scratch files.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace pubforge::fuzz {

// Reports a broken expectation with enough context to reproduce it, then
// aborts so that libFuzzer keeps the input as a crash.
[[noreturn]] inline void fail(const char* what, std::string_view expected = {},
                              std::string_view actual = {}) {
  std::fprintf(stderr, "FUZZ CHECK FAILED: %s\n", what);
  if (!expected.empty() || !actual.empty()) {
    std::fprintf(stderr, "--- expected (%zu bytes)\n", expected.size());
    std::fwrite(expected.data(), 1, expected.size() < 4000 ? expected.size() : 4000, stderr);
    std::fprintf(stderr, "\n--- actual (%zu bytes)\n", actual.size());
    std::fwrite(actual.data(), 1, actual.size() < 4000 ? actual.size() : 4000, stderr);
    std::fprintf(stderr, "\n");
  }
  std::abort();
}

inline void require(bool condition, const char* what) {
  if (!condition) fail(what);
}

inline void requireEqual(std::string_view expected, std::string_view actual, const char* what) {
  if (expected != actual) fail(what, expected, actual);
}

// A scratch file name of this process, in memory where the system has such a
// folder.  Each fuzzing process uses its own names, so several can run at once.
inline std::string scratchPath(std::string_view suffix) {
  const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/pubforge-fuzz-" + std::to_string(::getpid()) + std::string(suffix);
}

inline bool writeFile(const std::string& path, std::string_view data) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(file.flush());
}

inline std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace pubforge::fuzz
