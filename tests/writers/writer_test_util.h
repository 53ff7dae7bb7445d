// What the writer tests share: publications built item by item, files read
// and written whole, and a scratch folder for each test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "model/node.h"

namespace pubforge::writer_test {

namespace fs = std::filesystem;

struct ItemSpec {
  std::string keyword;
  std::string value;
  int32_t number = 0;                  // numericValue of date items
  std::vector<std::string> authors{};  // author parts: family, given, initials per author
};

inline std::unique_ptr<Node> makePublication(std::string type, std::string key,
                                             std::vector<ItemSpec> items = {}) {
  auto node = createNode(std::move(key));
  node->value = std::move(type);
  // As the reader builds them: a comment line has the type name "Comment".
  if (node->value == "Comment") node->kind = PublicationKind::kComment;
  for (ItemSpec& spec : items) {
    Item item;
    item.keyword = std::move(spec.keyword);
    item.value = std::move(spec.value);
    item.numericValue = spec.number;
    for (const std::string& part : spec.authors) item.authorParts.push_back(part);
    node->items.push_back(std::move(item));
  }
  return node;
}

inline std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A test with a folder of its own, removed at the end.
class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "pubforge-writer-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    if (!dir.empty()) fs::remove_all(dir);
  }

  fs::path dir;
};

}  // namespace pubforge::writer_test
