#include "writers/key_paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace pubforge {
namespace {

TEST(KeyPathsTest, KeysThatLeaveTheirFolder) {
  struct Row {
    const char* key;
    bool leaves;
  } rows[] = {
      {"kell2020", false},        {"DBLP:conf/sss/Shapiro11", false},
      {"a..b", false},            {"..a/b", false},
      {"/etc/passwd", true},      {"..", true},
      {"a/../b", true},           {"a/..", true},
      {"../a", true},             {"", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    EXPECT_EQ(keyLeavesFolder(row.key), row.leaves);
  }
}

class KeyFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/pubforge-keys-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    root_ = name;
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::string root_;
};

TEST_F(KeyFoldersTest, FoldersOfTheKeyAreCreatedBelowTheBase) {
  const std::string base = root_ + "/out/";
  ASSERT_TRUE(std::filesystem::create_directory(root_ + "/out"));
  EXPECT_TRUE(createKeyFolders(base, "DBLP:conf/sss/ShapiroPBZ11"));
  EXPECT_TRUE(std::filesystem::is_directory(base + "DBLP:conf/sss"));
  // Existing folders are fine, and a key without "/" needs none.
  EXPECT_TRUE(createKeyFolders(base, "DBLP:conf/sss/Other"));
  EXPECT_TRUE(createKeyFolders(base, "plain"));
}

TEST_F(KeyFoldersTest, TheBaseFolderIsNotCreated) {
  EXPECT_FALSE(createKeyFolders(root_ + "/missing/", "a/b"));
  EXPECT_FALSE(std::filesystem::exists(root_ + "/missing"));
}

TEST_F(KeyFoldersTest, AFileInTheWayFails) {
  ASSERT_TRUE(std::filesystem::create_directory(root_ + "/out"));
  { std::FILE* f = std::fopen((root_ + "/out/a").c_str(), "w"); ASSERT_NE(f, nullptr); std::fclose(f); }
  EXPECT_FALSE(createKeyFolders(root_ + "/out/", "a/b"));
}

}  // namespace
}  // namespace pubforge
