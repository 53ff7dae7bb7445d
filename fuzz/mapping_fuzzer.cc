// Fuzz target: mapping files.
//
// The input is one mapping file.  splitColumns runs on each of its lines with
// several column limits, and loadMapping reads the whole file from a scratch
// file with the first and the last column of its header as key and value
// columns.  The loaded entries must be exactly those that splitting the data
// lines gives.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "custom/mapping.h"
#include "fuzz_util.h"

namespace pubforge::fuzz {
namespace {

// The lines of the file, each with its line feed (the last one may lack it).
std::vector<std::string_view> splitLines(std::string_view file) {
  std::vector<std::string_view> lines;
  while (!file.empty()) {
    const size_t end = file.find('\n');
    const size_t length = end == std::string_view::npos ? file.size() : end + 1;
    lines.push_back(file.substr(0, length));
    file.remove_prefix(length);
  }
  return lines;
}

void checkSplit(std::string_view line) {
  const std::vector<std::string> all = splitColumns(line);
  require(all.size() <= kMaxMappingColumns, "at most 16 columns");
  size_t bytes = 0;
  for (const std::string& column : all) bytes += column.size();
  require(bytes <= line.size(), "columns hold no more bytes than the line");
  // With a lower limit the line is split the same way up to that column.
  for (size_t limit : {size_t{0}, size_t{1}, size_t{3}}) {
    const std::vector<std::string> some = splitColumns(line, limit);
    require(some.size() <= limit, "no more columns than the limit");
    require(some.size() == std::min(limit, all.size()), "a limit keeps the first columns");
    for (size_t i = 0; i < some.size(); ++i)
      requireEqual(all[i], some[i], "a limit keeps the first columns unchanged");
  }
}

}  // namespace
}  // namespace pubforge::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pubforge;
  using namespace pubforge::fuzz;
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string_view> lines = splitLines(file);
  for (std::string_view line : lines) checkSplit(line);

  std::string keyColumn = "key", valueColumn = "value";
  if (!lines.empty()) {
    const std::vector<std::string> header = splitColumns(lines[0]);
    if (!header.empty()) {
      keyColumn = header.front();
      valueColumn = header.back();
    }
  }

  const std::string path = scratchPath(".map");
  if (!writeFile(path, file)) fail("the scratch file can be written");
  MappingSet mappings;
  std::ostringstream err;
  const bool loaded = loadMapping(mappings, "m", path, keyColumn, valueColumn, err);
  std::remove(path.c_str());

  if (lines.empty()) {
    require(!loaded && mappings.empty(), "an empty file fails the load");
    require(err.str().find(" has no column names!") != std::string::npos,
            "an empty file is reported");
    return 0;
  }
  const std::vector<std::string> header = splitColumns(lines[0]);
  const auto keyAt = std::find(header.begin(), header.end(), keyColumn);
  const auto valueAt = std::find(header.begin(), header.end(), valueColumn);
  if (keyAt == header.end() || valueAt == header.end()) {
    require(!loaded && mappings.empty(), "a missing column fails the load");
    require(err.str().find(" not found in mapping file ") != std::string::npos,
            "a missing column is reported");
    return 0;
  }
  require(loaded, "a file with both columns loads");
  const Mapping* mapping = findMapping(mappings, "m");
  require(mapping != nullptr, "the mapping is defined");

  const size_t keyIndex = static_cast<size_t>(keyAt - header.begin());
  const size_t valueIndex = static_cast<size_t>(valueAt - header.begin());
  std::map<std::string, std::string> expected;
  std::string repeats;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].front() == '#') continue;
    const std::vector<std::string> columns = splitColumns(lines[i]);
    if (columns.size() <= std::max(keyIndex, valueIndex)) continue;
    if (!expected.try_emplace(columns[keyIndex], columns[valueIndex]).second)
      repeats += "WARNING: Key " + columns[keyIndex] + " appears twice in mapping file " + path +
                 "; keeping the first!\n";
  }
  require(expected == mapping->entries, "the entries are those of the data lines");
  require(err.str() == repeats, "a successful load reports only repeated keys");
  for (const auto& [key, value] : expected) {
    const std::string* found = lookupMapping(*mapping, key);
    require(found != nullptr && *found == value, "every key is found");
  }
  return 0;
}
