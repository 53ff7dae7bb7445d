// Mapping tables: named tables from keys to values, read from column files at
// start-up and consulted by the printing template (for instance to turn
// journal names into their abbreviations).
#pragma once

#include <cstddef>
#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <vector>
#include "model/diagnostics.h"

namespace pubforge {

// One named table.  Keys are unique and ordered byte by byte.
struct Mapping {
  std::string name;
  std::map<std::string, std::string> entries;
};

// Every mapping loaded for this run, by name (ordered byte by byte).
using MappingSet = std::map<std::string, Mapping>;

// The most columns a line of a mapping file is split into.
inline constexpr size_t kMaxMappingColumns = 16;

// Reads the mapping file `fileName` and adds the mapping `name` to the set.
// The first line names the columns; every further line not starting with '#'
// that has both named columns gives an entry (the first line with a key wins;
// a later one is reported).  An empty file has no column names and fails.
// If the set already holds a
// mapping of this name, the file is still read and checked but the earlier
// mapping stays.  On failure a message has been written to `diag`.
bool loadMapping(MappingSet& mappings, const std::string& name, const std::string& fileName,
                 const std::string& keyColumn, const std::string& valueColumn,
                 Diagnostics diag);

// The mapping of that name, or nullptr.
const Mapping* findMapping(const MappingSet& mappings, std::string_view name);

// The value stored for `key` (compared byte by byte), or nullptr.
const std::string* lookupMapping(const Mapping& mapping, std::string_view key);

// Splits one line of a mapping file (line ending included) into its columns.
// Spaces and tabs separate columns; double quotes group text containing
// blanks; a backslash takes away the meaning of the byte after it; CR or LF
// ends the last column.  A line starting with a blank has an empty first
// column.  After `maxColumns` complete columns the rest of the line is ignored.
std::vector<std::string> splitColumns(std::string_view line,
                                      size_t maxColumns = kMaxMappingColumns);

}  // namespace pubforge
