#include "writers/bibtex_writer.h"

#include <charconv>
#include <cstdint>
#include <ostream>

#include "text/strings.h"
#include "writers/output_file.h"

namespace pubforge {

namespace {

// How the value of an item is written.
enum class FieldFormat {
  kPlain,    // "value"
  kBraced,   // "{value}"
  kNumber,   // "numericValue"
  kMonth,    // month macro, or nothing for an unknown month
  kUrl,      // "value" or "\url{value}", percent signs escaped
  kDoi,      // "value", percent signs escaped
  kNote,     // "value", or nothing for an ISBN/ISSN note when those are skipped
  kIsbn,     // "value", remembered for the added note
  kIssn,     // likewise
  kSkip,     // never written
};

// The keywords with a format of their own.  Looked up for every item, so the
// lookup goes by length first and compares against constants.
FieldFormat formatOf(std::string_view keyword) {
  using enum FieldFormat;
  switch (keyword.size()) {
    case 3:
      if (keyword == "day") return kNumber;
      if (keyword == "url") return kUrl;
      if (keyword == "doi") return kDoi;
      break;
    case 4:
      if (keyword == "year") return kNumber;
      if (keyword == "note") return kNote;
      if (keyword == "isbn") return kIsbn;
      if (keyword == "issn") return kIssn;
      break;
    case 5:
      if (keyword == "title") return kBraced;
      if (keyword == "month") return kMonth;
      break;
    case 6:
      if (keyword == "series") return kBraced;
      break;
    case 7:
      if (keyword == "journal") return kBraced;
      break;
    case 8:
      if (keyword == "abstract") return kBraced;
      if (keyword == "removeme") return kSkip;
      break;
    case 9:
      if (keyword == "booktitle") return kBraced;
      break;
  }
  return kPlain;
}

// BibTeX's month macros, for the months 1 to 12.
constexpr std::string_view kMonthMacros[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                             "jul", "aug", "sep", "oct", "nov", "dec"};

constexpr std::string_view kIsbnIssnNotePrefixes[] = {"ISBN", "ISSN", "{ISBN}", "{ISSN}"};

bool isIsbnOrIssnNote(std::string_view value) {
  for (std::string_view prefix : kIsbnIssnNotePrefixes)
    if (value.starts_with(prefix)) return true;
  return false;
}

// Follows the reader through a quoted value to see whether the text would end
// it before its end: a double quote outside braces does (a backslash before
// it keeps it in the value).
class QuotedValueScan {
 public:
  void feed(std::string_view text) {
    for (char c : text) {
      if (backslash_) {
        backslash_ = false;
        if (c == '"') continue;  // \" stays in the value
      }
      if (c == '\\') {
        backslash_ = true;
      } else if (c == '{') {
        ++depth_;
      } else if (c == '}') {
        --depth_;
      } else if (c == '"' && depth_ <= 0) {
        endsEarly_ = true;
      }
    }
  }
  // A backslash at the very end would take the closing quote as escaped.
  bool endsEarly() const { return endsEarly_ || backslash_; }

 private:
  long depth_ = 0;
  bool backslash_ = false;
  bool endsEarly_ = false;
};

// True when the text can stand between braces as a value: no closing brace
// without its opening one, and none left open.
bool bracesBalance(std::string_view text) {
  long depth = 0;
  for (char c : text) {
    if (c == '{') {
      ++depth;
    } else if (c == '}' && --depth < 0) {
      return false;
    }
  }
  return depth == 0;
}

// Appends the text with a backslash put before every "%" that has none.
template <class Out>
void appendEscapedPercent(Out& out, std::string_view text) {
  size_t start = 0;
  for (size_t i = text.find('%'); i != std::string_view::npos; i = text.find('%', i + 1)) {
    if (i > 0 && text[i - 1] == '\\') continue;
    out += text.substr(start, i - start);
    out += '\\';
    start = i;
  }
  out += text.substr(start);
}

// Appends a quoted value part made of `open`, `value` and `close`, so that
// the reader gets the value back:
// - a value that ends with a backslash gets a blank after it, which the
//   reader trims again; otherwise the backslash would escape the closing
//   quote, or hide the closing brace of a title from the brace stripping;
// - a value with a double quote outside braces, which would end the quoted
//   value early, goes inside one more pair of braces, which the reader
//   removes again;
// - so does a value that braces enclose as a whole when `readerStripsBraces`
//   is set: the reader takes one such pair off every value but an author
//   list or a comment, and without the extra pair the value's own braces
//   (such as those of *{{{OCReP}}}*, stored as *{OCReP}*) would go.
// An author list or a comment keeps its braces when it is read, so an extra
// pair would change it (an author list in braces is one name).  Such a value
// that a quote would end early is written between braces instead of quotes,
// which the reader takes back byte for byte, as long as its braces balance.
// Escaping percent signs puts backslashes only before "%", which changes
// none of these tests.
void appendQuoted(OutputBuffer& out, std::string_view open, std::string_view value,
                  std::string_view close, bool escapePercentSigns = false,
                  bool readerStripsBraces = false) {
  const bool blank = value.ends_with('\\');
  bool wrap = false;
  if (readerStripsBraces && open.empty() && value.starts_with('{') && value.ends_with('}')) {
    std::string stripped(value);
    wrap = stripBraces(stripped).size() != value.size();
  }
  if (!wrap &&
      (value.find('"') != std::string_view::npos || value.find('\\') != std::string_view::npos)) {
    QuotedValueScan scan;
    scan.feed(open);
    scan.feed(value);
    if (blank) scan.feed(" ");
    scan.feed(close);
    wrap = scan.endsEarly();
  }
  if (wrap && !readerStripsBraces && open.empty() && close.empty() && !escapePercentSigns &&
      bracesBalance(value)) {
    out += '{';
    out += value;
    out += '}';
    return;
  }
  // Single bytes and skipped empty parts spare the copy calls: this runs for
  // every field.
  out += '"';
  if (wrap) out += '{';
  if (!open.empty()) out += open;
  if (escapePercentSigns)
    appendEscapedPercent(out, value);
  else
    out += value;
  if (blank) out += ' ';
  if (!close.empty()) out += close;
  if (wrap) out += '}';
  out += '"';
}

struct FieldOptions {
  bool skipNotesWithIsbnAndIssn;
  bool addNotesWithIsbnAndIssn;
  bool addUrlCommand;
};

// Appends one publication: the head line, one line per written field, the
// closing brace and an empty line.
void appendEntry(OutputBuffer& out, const Node& publication, const FieldOptions& options) {
  out += '@';
  out += publication.value;
  out += "{ ";
  out += publication.keyword;
  out += ",\n";

  bool first = true;
  auto startField = [&](std::string_view keyword) {
    if (!first) {
      out += ',';
      out += '\n';
    }
    first = false;
    out += '\t';
    out += keyword;
    out += " = ";
  };

  const Item* isbn = nullptr;
  const Item* issn = nullptr;
  for (const Item& item : publication.items) {
    switch (formatOf(item.keyword)) {
      case FieldFormat::kSkip:
        break;
      case FieldFormat::kBraced:
        startField(item.keyword);
        appendQuoted(out, "{", item.value, "}");
        break;
      case FieldFormat::kNumber: {
        startField(item.keyword);
        char digits[16];
        // Written with its sign: a negative year read as an unsigned number
        // would come back as the year 4294967295.
        auto end = std::to_chars(digits, digits + sizeof digits, item.numericValue).ptr;
        out += '"';
        out += std::string_view(digits, end - digits);
        out += '"';
        break;
      }
      case FieldFormat::kMonth:
        if (item.numericValue >= 1 && item.numericValue <= 12) {
          startField(item.keyword);
          out += kMonthMacros[item.numericValue - 1];
        }
        break;
      case FieldFormat::kUrl:
        startField(item.keyword);
        appendQuoted(out, options.addUrlCommand ? "\\url{" : "", item.value,
                     options.addUrlCommand ? "}" : "", true, true);
        break;
      case FieldFormat::kDoi:
        startField(item.keyword);
        appendQuoted(out, "", item.value, "", true, true);
        break;
      case FieldFormat::kNote:
        if (options.skipNotesWithIsbnAndIssn && isIsbnOrIssnNote(item.value)) break;
        startField(item.keyword);
        appendQuoted(out, "", item.value, "", false, true);
        break;
      case FieldFormat::kIsbn:
      case FieldFormat::kIssn:
        (item.keyword == "isbn" ? isbn : issn) = &item;
        [[fallthrough]];
      case FieldFormat::kPlain:
        startField(item.keyword);
        appendQuoted(out, "", item.value, "", false,
                     item.keyword != "author" && item.keyword != "comment");
        break;
    }
  }

  if (options.addNotesWithIsbnAndIssn && (isbn || issn)) {
    startField("note");
    appendQuoted(out, isbn ? "{ISBN} " : "{ISSN} ", isbn ? isbn->value : issn->value, "");
  }
  out += "\n}\n\n";
}

void reportCreateFailure(std::ostream& err, const std::string& name) {
  err << "ERROR: Unable to create BibTeX file " << name << "!\n";
}

// Finishes a file and reports what went wrong; true when it was written.
bool finishFile(OutputFile& file, const std::string& name, std::ostream& err) {
  switch (file.finish()) {
    case OutputFile::Result::kWritten:
      return true;
    case OutputFile::Result::kCreateFailed:
      reportCreateFailure(err, name);
      return false;
    case OutputFile::Result::kWriteFailed:
      err << "ERROR: Unable to write BibTeX file " << name << "!\n";
      return false;
  }
  return false;
}

// A citation key that would place its file outside the prefix's folder: one
// that begins with "/" or has a ".." path segment.
bool keyLeavesFolder(std::string_view key) {
  if (key.starts_with('/')) return true;
  size_t start = 0;
  while (true) {
    size_t slash = key.find('/', start);
    std::string_view segment = key.substr(start, slash == std::string_view::npos
                                                     ? std::string_view::npos
                                                     : slash - start);
    if (segment == "..") return true;
    if (slash == std::string_view::npos) return false;
    start = slash + 1;
  }
}

bool exportToOneFile(const PublicationSet& set, const std::string& fileName,
                     const FieldOptions& options, std::ostream& err) {
  OutputFile file;
  if (!file.open(fileName)) {
    reportCreateFailure(err, fileName);
    return false;
  }
  OutputBuffer& out = file.buffer();
  for (const Node* publication : set) {
    if (publication->isComment()) {
      if (!publication->items.empty()) {
        out += '%';
        out += publication->items.front().value;
        out += "\n\n";
      }
    } else {
      appendEntry(out, *publication, options);
    }
    file.flushIfFull();
  }
  return finishFile(file, fileName, err);
}

bool exportToSeparateFiles(const PublicationSet& set, const std::string& prefix,
                           const FieldOptions& options, std::ostream& err) {
  OutputFile file;
  for (const Node* publication : set) {
    if (publication->isComment()) continue;
    std::string name = prefix + publication->keyword + ".bib";
    if (keyLeavesFolder(publication->keyword) || !file.open(name)) {
      reportCreateFailure(err, name);
      return false;
    }
    appendEntry(file.buffer(), *publication, options);
    if (!finishFile(file, name, err)) return false;
  }
  return true;
}

}  // namespace

std::string escapePercent(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  appendEscapedPercent(out, text);
  return out;
}

bool exportToBibTeX(const PublicationSet& set, const std::string& fileName, bool separateFiles,
                    bool skipNotesWithIsbnAndIssn, bool addNotesWithIsbnAndIssn,
                    bool addUrlCommand, std::ostream& err) {
  const FieldOptions options{skipNotesWithIsbnAndIssn, addNotesWithIsbnAndIssn, addUrlCommand};
  if (separateFiles) return exportToSeparateFiles(set, fileName, options, err);
  return exportToOneFile(set, fileName, options, err);
}

}  // namespace pubforge
