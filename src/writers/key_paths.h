// Files named after citation keys (one output file per entry, stored
// downloads): which keys may name a file, and the folders a key adds.
#pragma once

#include <string>
#include <string_view>

namespace pubforge {

// A citation key that would place its file outside the folder it is meant
// for: one that begins with "/" or has a ".." path segment.
bool keyLeavesFolder(std::string_view key);

// Creates the folders that the "/"-separated segments of `key` add below the
// folder named by `base` (a path prefix such as "out/" or "out/pre-"; the
// folder it names is not created).  A key without "/" needs none.  False when
// a folder could not be created; folders that exist already are fine.
bool createKeyFolders(std::string_view base, std::string_view key);

// Whether one of the folders that the segments of `key` add below `base` (as
// for createKeyFolders) is a symbolic link: a file written there could land
// anywhere.
bool keyFolderIsLink(std::string_view base, std::string_view key);

}  // namespace pubforge
