#include "writers/bibtex_writer.h"

#include <charconv>
#include <cstdint>
#include <ostream>
#include <string>
#include <unordered_set>

#include "checks/biblatex_fields.h"
#include "checks/numbers.h"
#include "model/items.h"
#include "reader/value_syntax.h"
#include "text/ascii.h"
#include "text/months.h"
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

constexpr std::string_view kIsbnIssnNotePrefixes[] = {"ISBN", "ISSN", "{ISBN}", "{ISSN}"};

bool isIsbnOrIssnNote(std::string_view value) {
  for (std::string_view prefix : kIsbnIssnNotePrefixes)
    if (value.starts_with(prefix)) return true;
  return false;
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

// Appends the value part of a field so that the reader gets `text` back.
// The reader takes one pair of enclosing braces off every value but a
// name list, a comment or the text of a preamble or macro
// (`readerStripsBraces`).
void appendValue(OutputBuffer& out, std::string_view text, ValueForm preferred,
                 bool readerStripsBraces) {
  const ValueLayout layout = layoutValue(text, preferred, readerStripsBraces);
  if (!layout.exact) {
    std::string parts;
    if (appendAsConcatenation(parts, text, readerStripsBraces)) {
      out += parts;
      return;
    }
  }
  out += layout.open;
  out += text;
  if (layout.blank) out += ' ';
  out += layout.close;
}

struct FieldOptions {
  bool skipNotesWithIsbnAndIssn;
  bool addNotesWithIsbnAndIssn;
  bool addUrlCommand;
  // A macro of the file is named like a month: the month is then written in
  // quotes, where no macro can change it.
  bool monthMacrosRedefined = false;
  // The macros of the set, lower-cased: a name that was undefined where it
  // was read but is defined in the written file is written as text.
  std::unordered_set<std::string> macroNames;
};

// Appends one publication: the head line, one line per written field, the
// closing brace and an empty line.
void appendEntry(OutputBuffer& out, const Node& publication, const FieldOptions& options) {
  out += '@';
  out += publication.writtenType();
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
    // Items derived from a field of another name were not in the file.
    if (item.derived) continue;
    const FieldFormat format = formatOf(item.keyword);
    // A macro that no file defines is written as the bare name it was read
    // as, so the file reads back the same way.
    if (item.undefinedMacro && format != FieldFormat::kSkip && isWritableMacroName(item.value) &&
        !options.macroNames.contains(asciiLowerCopy(item.value))) {
      startField(item.keyword);
      out += item.value;
      continue;
    }
    switch (format) {
      case FieldFormat::kSkip:
        break;
      case FieldFormat::kBraced:
        startField(item.keyword);
        appendValue(out, item.value, ValueForm::kQuotedInPair, true);
        break;
      case FieldFormat::kNumber: {
        startField(item.keyword);
        if (item.keyword == "year" && !isPlainYear(item.value)) {
          // A year such as "to appear" is kept as written.
          appendValue(out, item.value, ValueForm::kQuoted, true);
          break;
        }
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
          if (options.monthMacrosRedefined) out += '"';
          out += kMonthTable[item.numericValue - 1].macro;
          if (options.monthMacrosRedefined) out += '"';
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
                    !isNameList(item.keyword) && item.keyword != "comment");
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

// Appends one publication of a one-file export.  A comment line becomes a
// percent sign, its text and an empty line; a comment block is written at
// its place too.  Preambles and macros stand at the start of the file.
void appendPublication(OutputBuffer& out, const Node& publication, const FieldOptions& options) {
  const std::string* text = publication.items.empty() ? nullptr : &publication.items.front().value;
  switch (publication.kind) {
    case PublicationKind::kEntry:
      appendEntry(out, publication, options);
      break;
    case PublicationKind::kComment:
      if (text) {
        out += '%';
        out += *text;
        out += "\n\n";
      }
      break;
    case PublicationKind::kCommentBlock:
      if (text) {
        // A block read from parentheses may hold braces that do not balance.
        const bool braced = bracesBalance(*text);
        out += braced ? "@comment{" : "@comment(";
        out += *text;
        out += braced ? "}\n\n" : ")\n\n";
      }
      break;
    case PublicationKind::kPreamble:
    case PublicationKind::kString:
      break;
  }
}

// Appends the text of a preamble or macro, which the reader keeps exactly as
// it stands between the delimiters: no blank may be added.
void appendExactText(OutputBuffer& out, std::string_view text) {
  const ValueLayout layout = layoutValue(text, ValueForm::kQuoted, false);
  if (layout.exact && !layout.blank) {
    appendValue(out, text, ValueForm::kQuoted, false);
    return;
  }
  if (bracesBalance(text)) {
    out += '{';
    out += text;
    out += '}';
    return;
  }
  std::string parts;
  if (appendAsConcatenation(parts, text, false))
    out += parts;
  else
    appendValue(out, text, ValueForm::kQuoted, false);
}

// The start of a one-file export: the preambles, then the macros, each group
// in set order and followed by an empty line.  Macros are written with the
// text they stand for.
std::string preamblesAndMacros(const PublicationSet& set) {
  OutputBuffer start;
  for (PublicationKind kind : {PublicationKind::kPreamble, PublicationKind::kString}) {
    bool any = false;
    for (const Node* publication : set) {
      if (publication->kind != kind || publication->items.empty()) continue;
      const std::string& text = publication->items.front().value;
      if (kind == PublicationKind::kPreamble) {
        start += "@preamble{";
      } else {
        start += "@string{";
        start += publication->keyword;
        start += " = ";
      }
      appendExactText(start, text);
      start += "}\n";
      any = true;
    }
    if (any) start += '\n';
  }
  return std::string(start.view());
}

// The lower-cased names of the macros of the set.
std::unordered_set<std::string> macroNamesOf(const PublicationSet& set) {
  std::unordered_set<std::string> names;
  for (const Node* publication : set)
    if (publication->kind == PublicationKind::kString)
      names.insert(asciiLowerCopy(publication->keyword));
  return names;
}

// True when a macro of the set is named like one of the month macros.
bool redefinesMonthMacros(const PublicationSet& set) {
  for (const Node* publication : set) {
    if (publication->kind != PublicationKind::kString || publication->keyword.size() != 3)
      continue;
    if (isMonthMacro(asciiLowerCopy(publication->keyword))) return true;
  }
  return false;
}

}  // namespace

std::string escapePercent(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  appendEscapedPercent(out, text);
  return out;
}

bool exportToBibTeX(const PublicationSet& set, const std::string& fileName, bool separateFiles,
                    const BibtexOptions& bibtex, Diagnostics diag) {
  const FieldOptions options{bibtex.skipNotesWithIsbnAndIssn, bibtex.addNotesWithIsbnAndIssn,
                             bibtex.addUrlCommand, redefinesMonthMacros(set),
                             macroNamesOf(set)};
  // Preambles and macros are kept only in the one file of the whole set.
  const std::string start = separateFiles ? std::string() : preamblesAndMacros(set);
  const ExportFormat format{
      "BibTeX", ".bib", start,
      [&options](OutputBuffer& out, const Node& publication) {
        appendPublication(out, publication, options);
      }};
  return exportPublications(set, fileName, separateFiles, format, diag);
}

}  // namespace pubforge
