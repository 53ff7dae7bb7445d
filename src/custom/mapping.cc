// Mapping tables: loading column files, looking up keys, splitting lines.
#include "custom/mapping.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>

namespace pubforge {
namespace {

// Reads a file line by line, each line whole (whatever its length, NUL bytes
// included) and with its line ending.
class LineReader {
 public:
  enum class Result { kLine, kEnd, kError };

  explicit LineReader(FILE* file) : file_(file) {}
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;
  ~LineReader() { std::free(buffer_); }

  // On kError, errno tells why.
  Result next(std::string& line) {
    errno = 0;
    const ssize_t length = ::getline(&buffer_, &capacity_, file_);
    if (length < 0) return std::ferror(file_) ? Result::kError : Result::kEnd;
    line.assign(buffer_, static_cast<size_t>(length));
    return Result::kLine;
  }

 private:
  FILE* file_;
  char* buffer_ = nullptr;
  size_t capacity_ = 0;
};

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

void reportReadError(Diagnostics diag, const std::string& fileName, int error) {
  diag.error("Unable to read from mapping file ", fileName, ": ", std::strerror(error), kPlainEnd);
}

std::optional<size_t> columnIndex(const std::vector<std::string>& header, const std::string& name) {
  const auto it = std::find(header.begin(), header.end(), name);
  if (it == header.end()) return std::nullopt;
  return static_cast<size_t>(it - header.begin());
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isBlankOrLineEnd(char c) { return isBlank(c) || c == '\r' || c == '\n'; }

}  // namespace

std::vector<std::string> splitColumns(std::string_view line, size_t maxColumns) {
  // The line is cut as if in place: a column runs from its first byte to the
  // first cut at or after it.  Cuts fall on separators, on CR and LF, and on a
  // double quote right before either; a cut that lies before the column's
  // first byte does not shorten it.
  constexpr size_t kNone = std::string_view::npos;
  std::vector<std::string> columns;
  if (maxColumns == 0) return columns;

  const size_t size = line.size();
  size_t start = kNone;  // first byte of the current column; kNone until it starts
  size_t end = kNone;    // first cut in the current column
  bool quoting = false;

  auto cut = [&](size_t at) {
    if (start != kNone && at >= start && at < end) end = at;
  };
  auto cutWithQuoteBefore = [&](size_t at) {
    if (at > 0 && line[at - 1] == '"') cut(at - 1);
    cut(at);
  };
  auto completeColumn = [&] {
    if (start == kNone) {
      columns.emplace_back();
    } else {
      const size_t first = std::min(start, size);
      const size_t last = std::max(first, std::min(end, size));
      columns.emplace_back(line.substr(first, last - first));
    }
    start = kNone;
    end = kNone;
  };

  size_t pos = 0;
  while (pos < size) {
    const char c = line[pos];
    if (isBlank(c) && !quoting) {
      cutWithQuoteBefore(pos);
      completeColumn();
      if (columns.size() == maxColumns) return columns;
      ++pos;
      while (pos < size && isBlankOrLineEnd(line[pos])) ++pos;
      continue;
    }
    switch (c) {
      case '"':
        quoting = !quoting;
        if (start == kNone) {
          // An opening quote: the column starts after it, and the byte after
          // the quote is its first byte whatever it is.
          start = pos + 1;
          pos += 2;
          continue;
        }
        break;
      case '\\':
        // The escaped byte is skipped unexamined; before a column it is
        // dropped together with the backslash.
        if (start == kNone) start = pos + 2;
        pos += 2;
        continue;
      case '\r':
      case '\n':
        if (start == kNone) start = pos;
        cutWithQuoteBefore(pos);
        break;
      default:
        if (start == kNone) start = pos;
        break;
    }
    ++pos;
  }
  if (start != kNone) completeColumn();
  return columns;
}

bool loadMapping(MappingSet& mappings, const std::string& name, const std::string& fileName,
                 const std::string& keyColumn, const std::string& valueColumn,
                 Diagnostics diag) {
  const std::unique_ptr<FILE, FileCloser> file(std::fopen(fileName.c_str(), "r"));
  if (!file) {
    const int error = errno;
    diag.error("Unable to open mapping file ", fileName, ": ", std::strerror(error));
    return false;
  }
  LineReader reader(file.get());
  std::string line;

  // The first line always names the columns, even when it begins with '#'.
  switch (reader.next(line)) {
    case LineReader::Result::kEnd:
      diag.error("Mapping file ", fileName, " has no column names");
      return false;
    case LineReader::Result::kError:
      reportReadError(diag, fileName, errno);
      return false;
    case LineReader::Result::kLine:
      break;
  }
  const std::vector<std::string> header = splitColumns(line);
  const std::optional<size_t> keyIndex = columnIndex(header, keyColumn);
  if (!keyIndex) {
    diag.error("Key column ", keyColumn, " not found in mapping file ", fileName);
    return false;
  }
  const std::optional<size_t> valueIndex = columnIndex(header, valueColumn);
  if (!valueIndex) {
    diag.error("Value column ", valueColumn, " not found in mapping file ", fileName);
    return false;
  }

  // A second mapping of the same name is read and checked like the first but
  // never used: the earlier one keeps the name.
  Mapping unused;
  Mapping* target = &unused;
  if (const auto [it, inserted] = mappings.try_emplace(name); inserted) {
    it->second.name = name;
    target = &it->second;
  } else {
    unused.name = name;
  }

  const size_t width = std::max(*keyIndex, *valueIndex) + 1;
  for (;;) {
    switch (reader.next(line)) {
      case LineReader::Result::kEnd:
        return true;
      case LineReader::Result::kError:
        reportReadError(diag, fileName, errno);
        return false;
      case LineReader::Result::kLine:
        break;
    }
    if (!line.empty() && line.front() == '#') continue;
    const std::vector<std::string> columns = splitColumns(line);
    if (columns.size() < width) continue;
    // The first line with a key wins.
    if (!target->entries.try_emplace(columns[*keyIndex], columns[*valueIndex]).second)
      diag.warning("Key ", columns[*keyIndex], " appears twice in mapping file ", fileName,
                   "; keeping the first");
  }
}

const Mapping* findMapping(const MappingSet& mappings, std::string_view name) {
  const auto it = mappings.find(std::string(name));
  return it == mappings.end() ? nullptr : &it->second;
}

const std::string* lookupMapping(const Mapping& mapping, std::string_view key) {
  const auto it = mapping.entries.find(std::string(key));
  return it == mapping.entries.end() ? nullptr : &it->second;
}

}  // namespace pubforge
