// The folder of real bibliographies and reference files that lies beside the
// repository (../shared).  A fresh clone has none, so the tests that read it
// skip there; where it is meant to be present (PUBFORGE_REQUIRE_SHARED=1, as
// the CI run sets when the folder exists), a missing folder fails them instead.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace pubforge::shared_folder {

// The shared folder: ../shared beside the sources, or PUBFORGE_SHARED_DIR.
inline std::filesystem::path path() {
  const char* override = std::getenv("PUBFORGE_SHARED_DIR");
  if (override != nullptr && *override != '\0') return override;
  return std::filesystem::path(PUBFORGE_SOURCE_DIR) / ".." / "shared";
}

inline bool required() {
  const char* flag = std::getenv("PUBFORGE_REQUIRE_SHARED");
  return flag != nullptr && std::string_view(flag) == "1";
}

}  // namespace pubforge::shared_folder

// Skips the current test, or fails it when the shared folder is required,
// unless the folder `dir` (a part of the shared folder) exists.
#define PUBFORGE_NEED_SHARED_FOLDER(dir)                                              \
  do {                                                                                \
    if (!std::filesystem::is_directory(dir)) {                                        \
      if (::pubforge::shared_folder::required())                                      \
        FAIL() << "no " << (dir) << ", although PUBFORGE_REQUIRE_SHARED is set";      \
      GTEST_SKIP() << "no " << (dir);                                                 \
    }                                                                                 \
  } while (false)
