#include "writers/key_paths.h"

#include <sys/stat.h>

#include <cerrno>

namespace pubforge {

bool keyLeavesFolder(std::string_view key) {
  if (key.starts_with('/')) return true;
  size_t start = 0;
  while (true) {
    const size_t slash = key.find('/', start);
    const std::string_view segment =
        key.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (segment == "..") return true;
    if (slash == std::string_view::npos) return false;
    start = slash + 1;
  }
}

bool createKeyFolders(std::string_view base, std::string_view key) {
  std::string path(base);
  const size_t keyStart = path.size();
  path += key;
  for (size_t slash = path.find('/', keyStart); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (slash == keyStart) continue;  // the base itself ends the folder it names
    path[slash] = '\0';
    const bool made = ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
    struct stat info;
    const bool isFolder = made && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    path[slash] = '/';
    if (!isFolder) return false;
  }
  return true;
}

bool keyFolderIsLink(std::string_view base, std::string_view key) {
  std::string path(base);
  const size_t keyStart = path.size();
  path += key;
  for (size_t slash = path.find('/', keyStart); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (slash == keyStart) continue;
    path[slash] = '\0';
    struct stat info;
    const bool link = ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
    path[slash] = '/';
    if (link) return true;
  }
  return false;
}

}  // namespace pubforge
