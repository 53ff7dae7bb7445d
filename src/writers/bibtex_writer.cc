#include "writers/bibtex_writer.h"

#include <charconv>
#include <cstdint>
#include <ostream>
#include <string>

#include "text/byte_scan.h"
#include "text/strings.h"
#include "writers/export_files.h"
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

// True when the text holds a byte that needs a closer look before it is
// written: one that can end a quoted value early, or decide which braces the
// reader removes.
bool hasSpecialBytes(std::string_view text) {
  return findAnyOf4(text, '"', '\\', '{', '}') != std::string_view::npos;
}

// Follows the reader through a quoted value to see whether the text would end
// it before its end: a double quote outside braces does (a backslash before
// it keeps it in the value).
class QuotedValueScan {
 public:
  // Jumps from one byte that matters to the next (most bytes of a value are
  // letters); only the byte after a backslash is always looked at.
  void feed(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
      if (!backslash_) {
        const size_t at = findAnyOf4(text.substr(i), '"', '\\', '{', '}');
        if (at == std::string_view::npos) return;
        i += at;
      }
      feedByte(text[i++]);
    }
  }
  void feedByte(char c) {
    if (backslash_) {
      backslash_ = false;
      if (c == '"') return;
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
  bool endsEarly() const { return endsEarly_; }
  // A backslash at the very end would take the closing quote as escaped.
  bool endsInBackslash() const { return backslash_; }

 private:
  long depth_ = 0;
  bool backslash_ = false;
  bool endsEarly_ = false;
};

// The reader takes one pair of braces off a value when the brace that closes
// its first byte is its last byte; a backslash hides the byte after it.
// Scans `text` as if a "{" stood before it, starting at depth 1.
struct BraceScan {
  size_t closeAt = std::string_view::npos;  // where the depth came down to 0
  long depth = 1;                           // the depth at the end otherwise
  bool pendingBackslash = false;            // the text ends in a hiding backslash
};

BraceScan scanAfterOpenBrace(std::string_view text) {
  BraceScan scan;
  for (size_t i = 0;; ++i) {
    const size_t at = findAnyOf4(text.substr(i), '\\', '{', '}', '}');
    if (at == std::string_view::npos) break;
    i += at;
    const char c = text[i];
    if (c == '\\') {
      if (++i == text.size()) {
        scan.pendingBackslash = true;
        break;
      }
    } else if (c == '{') {
      ++scan.depth;
    } else if (--scan.depth == 0) {
      scan.closeAt = i;
      break;
    }
  }
  return scan;
}

// True when the reader would take a pair of braces off `text` itself.
bool readerStrips(std::string_view text) {
  return text.size() >= 2 && text.front() == '{' &&
         scanAfterOpenBrace(text.substr(1)).closeAt == text.size() - 2;
}

// True when "{" + text (+ blank) + "}" comes back as `text` after the reader
// took the braces off: the pair encloses the whole text.  `blank` is set
// when a blank must go before the closing brace, because the text ends in a
// backslash that would hide it; the reader trims that blank again.
bool extraPairComesOff(std::string_view text, bool& blank) {
  const BraceScan scan = scanAfterOpenBrace(text);
  blank = scan.pendingBackslash;
  return scan.closeAt == std::string_view::npos && scan.depth == 1;
}

// True when the text can stand between braces as a value: the reader's scan
// of a braced value counts every brace, and must find the closing one only
// at the end.
bool bracesBalance(std::string_view text) {
  long depth = 0;
  for (size_t i = 0;; ++i) {
    const size_t at = findAnyOf4(text.substr(i), '{', '}', '{', '}');
    if (at == std::string_view::npos) break;
    i += at;
    if (text[i] == '{') {
      ++depth;
    } else if (--depth < 0) {
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

// Appends a url with a backslash before every backslash, "%" and double
// quote.  Reading takes such escapes off a url again, so the url comes back
// as it was, whatever it holds.
void appendUrlEscapes(std::string& out, std::string_view url) {
  size_t start = 0;
  for (size_t i = url.find_first_of("\\%\""); i != std::string_view::npos;
       i = url.find_first_of("\\%\"", i + 1)) {
    out += url.substr(start, i - start);
    out += '\\';
    start = i;
  }
  out += url.substr(start);
}

// The ways a value can be put in the file, in the order they are tried.
enum class ValueForm {
  kQuoted,         // "text"
  kQuotedInPair,   // "{text}", the reader removes the pair again
  kBraced,         // {text}
};

void putBetween(OutputBuffer& out, std::string_view open, std::string_view text, bool blank,
                std::string_view close) {
  out += open;
  out += text;
  if (blank) out += ' ';
  out += close;
}

// Appends the value part of a field so that the reader gets `text` back.
// The reader takes one pair of enclosing braces off every value but an
// author list or a comment (`readerStripsBraces`), and a double quote
// outside braces ends a quoted value.  The preferred form is tried first,
// then the others:
// - "text": not when a quote in the text ends the value early, nor when the
//   reader would take the text's own enclosing braces off (*{{OCReP}}* is
//   stored as *{OCReP}*, which must not lose its braces);
// - "{text}": only where the reader removes the pair again, that is when it
//   encloses the whole text (a title such as *a} b* keeps it, and would gain
//   a pair at every write);
// - {text}: when the text's braces balance, as the reader's scan of a braced
//   value needs.
// A text that ends in a backslash gets a blank after it, which the reader
// trims again; otherwise the backslash would escape the closing quote, or
// hide the closing brace of the extra pair.
void appendValue(OutputBuffer& out, std::string_view text, ValueForm preferred,
                 bool readerStripsBraces) {
  if (!hasSpecialBytes(text)) {
    if (preferred == ValueForm::kQuotedInPair && readerStripsBraces)
      putBetween(out, "\"{", text, false, "}\"");
    else
      putBetween(out, "\"", text, false, "\"");
    return;
  }

  bool pairBlank = false;
  const bool pairEncloses = extraPairComesOff(text, pairBlank);
  const bool pairComesOff = readerStripsBraces && pairEncloses;
  auto quotedInPairWorks = [&] {
    if (!pairComesOff) return false;
    QuotedValueScan scan;
    scan.feedByte('{');
    scan.feed(text);
    if (pairBlank) scan.feedByte(' ');
    scan.feedByte('}');
    return !scan.endsEarly() && !scan.endsInBackslash();
  };
  QuotedValueScan quoted;
  quoted.feed(text);
  const bool quotedBlank = quoted.endsInBackslash();
  const bool ownPairKept = !readerStripsBraces || !readerStrips(text);
  auto quotedWorks = [&] { return !quoted.endsEarly() && ownPairKept; };
  auto bracedWorks = [&] { return ownPairKept && bracesBalance(text); };

  ValueForm form = preferred;
  if (preferred == ValueForm::kQuotedInPair && !quotedInPairWorks()) form = ValueForm::kQuoted;
  if (form == ValueForm::kQuoted && !quotedWorks()) {
    if (quotedInPairWorks())
      form = ValueForm::kQuotedInPair;
    else if (bracedWorks())
      form = ValueForm::kBraced;
    else
      form = ValueForm::kQuotedInPair;  // no form reads back; keep the value readable
  }

  switch (form) {
    case ValueForm::kQuoted:
      putBetween(out, "\"", text, quotedBlank, "\"");
      break;
    case ValueForm::kQuotedInPair:
      putBetween(out, "\"{", text, pairBlank, "}\"");
      break;
    case ValueForm::kBraced:
      putBetween(out, "{", text, false, "}");
      break;
  }
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
  std::string scratch;
  for (const Item& item : publication.items) {
    switch (formatOf(item.keyword)) {
      case FieldFormat::kSkip:
        break;
      case FieldFormat::kBraced:
        startField(item.keyword);
        appendValue(out, item.value, ValueForm::kQuotedInPair, true);
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
        scratch.clear();
        // Written so that the url normalisation of the next read gives the
        // url back unchanged.
        if (options.addUrlCommand) scratch += "\\url{";
        appendUrlEscapes(scratch, item.value);
        if (options.addUrlCommand) scratch += '}';
        appendValue(out, scratch, ValueForm::kQuoted, true);
        break;
      case FieldFormat::kDoi:
        startField(item.keyword);
        scratch.clear();
        appendEscapedPercent(scratch, item.value);
        appendValue(out, scratch, ValueForm::kQuoted, true);
        break;
      case FieldFormat::kNote:
        if (options.skipNotesWithIsbnAndIssn && isIsbnOrIssnNote(item.value)) break;
        startField(item.keyword);
        appendValue(out, item.value, ValueForm::kQuoted, true);
        break;
      case FieldFormat::kIsbn:
      case FieldFormat::kIssn:
        (item.keyword == "isbn" ? isbn : issn) = &item;
        [[fallthrough]];
      case FieldFormat::kPlain:
        startField(item.keyword);
        appendValue(out, item.value, ValueForm::kQuoted,
                    item.keyword != "author" && item.keyword != "comment");
        break;
    }
  }

  if (options.addNotesWithIsbnAndIssn && (isbn || issn)) {
    startField("note");
    scratch.assign(isbn ? "{ISBN} " : "{ISSN} ");
    scratch += isbn ? isbn->value : issn->value;
    appendValue(out, scratch, ValueForm::kQuoted, true);
  }
  out += "\n}\n\n";
}

// Appends one publication of a one-file export; a comment publication
// becomes a percent sign, its text and an empty line.
void appendPublication(OutputBuffer& out, const Node& publication, const FieldOptions& options) {
  if (publication.isComment()) {
    if (!publication.items.empty()) {
      out += '%';
      out += publication.items.front().value;
      out += "\n\n";
    }
  } else {
    appendEntry(out, publication, options);
  }
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
                    bool addUrlCommand, Diagnostics diag) {
  const FieldOptions options{skipNotesWithIsbnAndIssn, addNotesWithIsbnAndIssn, addUrlCommand};
  const ExportFormat format{
      "BibTeX", ".bib", "",
      [&options](OutputBuffer& out, const Node& publication) {
        appendPublication(out, publication, options);
      }};
  return exportPublications(set, fileName, separateFiles, format, diag);
}

}  // namespace pubforge
