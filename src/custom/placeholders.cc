// The placeholders of the printing template, in the one table that decides
// which of them a name selects, and what each of them does.
#include "custom/placeholders.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>

#include "model/download_file_name.h"
#include "model/publication_set.h"
#include "text/ascii.h"
#include "text/numbers.h"
#include "text/plain_text.h"
#include "text/strings.h"

namespace pubforge {

// ------------------------------------------------------------ conversion

void Evaluation::appendConverted(std::string_view value) {
  appendConverted(value, env.nbsp, env.linebreak);
}

void Evaluation::appendConverted(std::string_view value, std::string_view nbsp,
                                 std::string_view linebreak) {
  if (env.plainText) {
    const LatexMacro* overflowed = nullptr;
    appendLatexPlain(output, value, nbsp, linebreak, env.xmlStyle, env.macros, &overflowed);
    if (overflowed != nullptr && !overflowed->reported) {
      overflowed->reported = true;
      diag.report("WARNING: Macro \\", overflowed->name, " expands too far; printed as written!\n");
    }
  } else
    appendConvertedLatex(output, value, nbsp, linebreak, env.xmlStyle);
}

namespace {

// --------------------------------------------------------------- helpers

void appendNumber(Evaluation& eval, long long number) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  eval.appendConverted(std::string_view(digits, static_cast<size_t>(end - digits)));
}

// Prints the item `keyword` converted; fails when the publication lacks it.
void printItem(Evaluation& eval, std::string_view keyword) {
  if (const Item* item = findItem(eval.publication, keyword))
    eval.appendConverted(item->value);
  else
    eval.failed = true;
}

void warnDeprecated(Evaluation& eval, std::string_view name, std::string_view replacement) {
  eval.diag.warning(name, " is deprecated, use ", replacement, " instead");
}

// ------------------------------------------------ the publication's own data

void printCitationKey(Evaluation& eval, std::string_view, std::string_view) {
  eval.appendConverted(eval.publication.keyword);
}

void printHtmlLabel(Evaluation& eval, std::string_view, std::string_view) {
  const size_t start = eval.output.size();
  eval.appendConverted(eval.publication.keyword);
  for (size_t i = start; i < eval.output.size(); ++i)
    if (eval.output[i] == '+') eval.output[i] = '_';
}

void printLabel(Evaluation& eval, std::string_view, std::string_view) {
  eval.appendConverted(eval.publication.label);
}

void printEntryType(Evaluation& eval, std::string_view, std::string_view) {
  eval.appendConverted(eval.publication.value);
}

void printYear(Evaluation& eval, std::string_view, std::string_view) { printItem(eval, "year"); }

void printMonthName(Evaluation& eval, std::string_view, std::string_view) {
  const Item* month = findItem(eval.publication, "month");
  const std::vector<std::string>& names = eval.env.monthNames;
  if (month == nullptr || month->numericValue < 1 || month->numericValue > 12 ||
      static_cast<size_t>(month->numericValue) > names.size()) {
    eval.failed = true;
    return;
  }
  eval.appendConverted(names[static_cast<size_t>(month->numericValue) - 1]);
}

// "month-number" and "day": the number the date check found.
void printDateNumber(Evaluation& eval, std::string_view name, std::string_view) {
  const Item* item = findItem(eval.publication, name == "day" ? "day" : "month");
  if (item == nullptr)
    eval.failed = true;
  else
    appendNumber(eval, item->numericValue);
}

void printPublisher(Evaluation& eval, std::string_view, std::string_view) {
  printItem(eval, "publisher");
}

// "isbn" and "issn": the number after "ISBN~" or "ISSN~", converted as one.
void printStandardNumber(Evaluation& eval, std::string_view name, std::string_view) {
  const Item* item = findItem(eval.publication, name);
  if (item == nullptr) {
    eval.failed = true;
    return;
  }
  std::string text = name == "isbn" ? "ISBN~" : "ISSN~";
  text += item->value;
  eval.appendConverted(text);
}

void printContentLanguage(Evaluation& eval, std::string_view, std::string_view) {
  const Item* item = findItem(eval.publication, "content-language");
  if (item == nullptr) item = findItem(eval.publication, "language");
  if (item == nullptr)
    eval.failed = true;
  else
    eval.appendConverted(item->value);
}

struct Language {
  std::string_view code;
  std::string_view name;
};

// Language names as BibTeX files give them, with their language codes.  The
// first row whose name matches gives the code.
constexpr Language kLanguageTable[] = {
    {"de", "german"},      {"de", "ngerman"},      {"de-AT", "austrian"},
    {"de-AT", "naustrian"}, {"en", "english"},     {"en-US", "USenglish"},
    {"en-US", "american"}, {"en-GB", "UKenglish"}, {"en-GB", "british"},
    {"en-CA", "canadian"}, {"en-AU", "australian"}, {"en-NZ", "newzealand"},
    {"nb-NO", "norsk"},    {"nn-NO", "nynorsk"},   {"fr", "french"},
    {"fr", "francais"},    {"it", "italian"},      {"es", "spanish"},
    {"pt", "portuguese"},  {"sv", "swedish"},      {"da", "danish"},
    {"nl", "dutch"},       {"la", "latin"},        {"zh-CN", "chinese"},
    {"ja-JP", "japanese"}, {"arb", "arabic"},      {"fas", "farsi"},
    {"ko", "korean"},      {"ru", "russian"},      {"el", "Greek"},
};
static_assert(std::size(kLanguageTable) == 30);

void printXmlLanguage(Evaluation& eval, std::string_view, std::string_view) {
  if (const Item* item = findItem(eval.publication, "language")) {
    for (const Language& language : kLanguageTable) {
      if (language.name == item->value) {
        eval.output += language.code;
        return;
      }
    }
  }
  eval.failed = true;
}

// "doi", "url", "urn", "file", "repository": addresses keep their "~" and
// lose their line feeds.
void printAddress(Evaluation& eval, std::string_view name, std::string_view) {
  if (const Item* item = findItem(eval.publication, name))
    eval.appendConverted(item->value, "", "");
  else
    eval.failed = true;
}

void printHowPublished(Evaluation& eval, std::string_view, std::string_view) {
  warnDeprecated(eval, "how-published", "howpublished");
  printItem(eval, "howpublished");
}

void printUrlMd5(Evaluation& eval, std::string_view, std::string_view) {
  warnDeprecated(eval, "url-md5", "url.md5");
  printItem(eval, "url.md5");
}

void printUrlMime(Evaluation& eval, std::string_view, std::string_view) {
  warnDeprecated(eval, "url-mime", "url.mime");
  printItem(eval, "url.mime");
}

struct DocumentType {
  std::string_view mime;
  std::string_view type;
};

constexpr DocumentType kDocumentTypes[] = {
    {"application/pdf", "PDF"}, {"application/xml", "XML"}, {"text/html", "HTML"},
    {"text/plain", "TXT"},      {"image/svg+xml", "SVG"},
};

void printDocumentType(Evaluation& eval, std::string_view name, std::string_view) {
  if (name == "url-type") warnDeprecated(eval, "url-type", "url.type");
  const Item* mime = findItem(eval.publication, "url.mime");
  if (mime == nullptr) {
    eval.failed = true;
    return;
  }
  for (const DocumentType& known : kDocumentTypes) {
    if (known.mime == mime->value) {
      eval.output += known.type;
      return;
    }
  }
  eval.output += mime->value;
}

struct SizeUnit {
  std::string_view name;
  double divisor;
};

constexpr SizeUnit kSizeUnits[] = {
    {"b", 1.0}, {"kib", 1024.0}, {"mib", 1048576.0}, {"gib", 1073741824.0}};

// "url.size.UNIT" and "url-size-UNIT": the document size in the unit,
// rounded up.
void printDocumentSize(Evaluation& eval, std::string_view name, std::string_view operand) {
  if (name.starts_with("url-size-"))
    eval.diag.warning("url-size-* is deprecated, use url.size.* instead");
  const std::string unit = asciiLowerCopy(operand);
  const Item* size = findItem(eval.publication, "url.size");
  const int64_t bytes = size == nullptr ? 0 : readLeadingNumber(size->value);
  if (bytes == 0) {
    eval.failed = true;
    return;
  }
  for (const SizeUnit& known : kSizeUnits) {
    if (known.name == unit) {
      char text[64];
      const int length = std::snprintf(text, sizeof text, "%1.0f",
                                       std::ceil(static_cast<double>(bytes) / known.divisor));
      eval.appendConverted(std::string_view(text, static_cast<size_t>(length)));
      return;
    }
  }
  templateError(eval.diag, "Unexpected unit '", unit, "' for url.size.UNIT");
}

void printNote(Evaluation& eval, std::string_view, std::string_view) {
  const Item* note = findItem(eval.publication, "note");
  if (note == nullptr) {
    eval.failed = true;
    return;
  }
  // Notes that only state the ISBN or ISSN are left out.
  for (std::string_view start : {"ISBN", "ISSN", "{ISBN}", "{ISSN}"}) {
    if (note->value.starts_with(start)) {
      eval.failed = true;
      return;
    }
  }
  eval.appendConverted(note->value);
}

void printPercent(Evaluation& eval, std::string_view, std::string_view) { eval.output += '%'; }

// "custom-N" and "custom-N-as-is": the custom string N given when citing.
void printCustom(Evaluation& eval, std::string_view name, std::string_view) {
  const size_t index = static_cast<size_t>(name[7] - '1');
  const std::string& custom = eval.publication.customString(index);
  if (custom.empty())
    eval.failed = true;
  else if (name.ends_with("-as-is"))
    eval.output += custom;
  else
    eval.appendConverted(custom);
}

// ------------------------------------------------ author and editor loops

// What tells the author loop from the editor loop: the item it runs over and
// its two errors.
struct NameLoopKind {
  std::string_view keyword;
  NameLoop Evaluation::*loop;
  std::string_view beginError;
  std::string_view endError;
};

constexpr NameLoopKind kAuthorLoop{
    "author", &Evaluation::authors,
    "Unexpected author loop begin %a -> an author loop is still open",
    "Unexpected author loop end %A -> %a author loop begin needed first"};
constexpr NameLoopKind kEditorLoop{
    "editor", &Evaluation::editors,
    "Unexpected editor loop begin %{begin-editor-loop} -> an editor loop is still open",
    "Unexpected editor loop end %{end-editor-loop} -> %{begin-editor-loop} editor loop begin "
    "needed first"};

template <const NameLoopKind& Kind>
void beginNameLoop(Evaluation& eval, std::string_view, std::string_view) {
  NameLoop& loop = eval.*Kind.loop;
  if (loop.resume) templateError(eval.diag, Kind.beginError);
  loop.item = findItem(eval.publication, Kind.keyword);
  loop.resume = eval.position;
  loop.index = 0;
}

template <const NameLoopKind& Kind>
void endNameLoop(Evaluation& eval, std::string_view, std::string_view) {
  NameLoop& loop = eval.*Kind.loop;
  if (!loop.resume) templateError(eval.diag, Kind.endError);
  if (loop.item != nullptr) {
    loop.index += 3;
    if (loop.index < loop.item->authorParts.size()) {
      eval.position = *loop.resume;  // the next name
      return;
    }
  }
  loop = NameLoop{};
}

// Part `offset` (0 family name, 1 given name, 2 initials) of the current
// name, without one pair of enclosing braces.  `stripped` holds the text
// when braces had to be removed.
std::string_view namePart(const NameLoop& loop, size_t offset, std::string& stripped) {
  const AuthorParts& parts = loop.item->authorParts;
  const size_t index = loop.index + offset;
  const std::string_view part = index < parts.size() ? parts[index] : std::string_view();
  if (!part.starts_with('{')) return part;
  stripped = part;
  return stripBraces(stripped);
}

template <const NameLoopKind& Kind>
void printFamilyName(Evaluation& eval, std::string_view, std::string_view) {
  const NameLoop& loop = eval.*Kind.loop;
  std::string stripped;
  if (loop.item != nullptr) eval.appendConverted(namePart(loop, 0, stripped));
}

// Given name (offset 1) and initials (offset 2) fail when empty.
void printNamePart(Evaluation& eval, const NameLoop& loop, size_t offset) {
  if (loop.item == nullptr) return;
  std::string stripped;
  const std::string_view part = namePart(loop, offset, stripped);
  if (part.empty())
    eval.failed = true;
  else
    eval.appendConverted(part);
}

template <const NameLoopKind& Kind>
void printGivenName(Evaluation& eval, std::string_view name, std::string_view) {
  if (name == "author-give-name") warnDeprecated(eval, "author-give-name", "author-given-name");
  printNamePart(eval, eval.*Kind.loop, 1);
}

template <const NameLoopKind& Kind>
void printInitials(Evaluation& eval, std::string_view, std::string_view) {
  printNamePart(eval, eval.*Kind.loop, 2);
}

// ----------------------------------------------------------------- tests

// A test that holds leaves the flag alone; one that does not sets it.  A
// test after a failure does nothing.
void applyTest(Evaluation& eval, bool holds) {
  if (!eval.failed && !holds) eval.failed = true;
}

// "is-first-author?", "is-not-last-editor?" and the others: where the
// current name stands in its list.
template <const NameLoopKind& Kind>
void testNamePosition(Evaluation& eval, std::string_view name, std::string_view) {
  const NameLoop& loop = eval.*Kind.loop;
  const bool any = loop.item != nullptr;
  const bool first = loop.index == 0;
  const bool last = any && loop.index + 3 >= loop.item->authorParts.size();
  if (name.starts_with("is-first-"))
    applyTest(eval, first);
  else if (name.starts_with("is-not-first-"))
    applyTest(eval, any && !first);
  else if (name.starts_with("is-last-"))
    applyTest(eval, last);
  else
    applyTest(eval, !any || !last);
}

// Comparisons of the section text with the operand; the section text is
// consumed either way.
template <bool (*Holds)(int)>
void compareSectionText(Evaluation& eval, std::string_view, std::string_view operand) {
  if (!eval.failed) {
    const int order = eval.sectionText().compare(operand);
    applyTest(eval, Holds(order));
  }
  eval.output.resize(eval.sectionStart());
}

constexpr bool isEqual(int order) { return order == 0; }
constexpr bool isNotEqual(int order) { return order != 0; }
constexpr bool isLess(int order) { return order < 0; }
constexpr bool isLessOrEqual(int order) { return order <= 0; }
constexpr bool isGreater(int order) { return order > 0; }
constexpr bool isGreaterOrEqual(int order) { return order >= 0; }

// Subdivision tests: does this publication begin, continue or end a run of
// publications with equal values of the field?  The field is any item
// keyword, "$type" or "$key"; one that a publication lacks is missing there.
void testSubdivision(Evaluation& eval, std::string_view name, std::string_view field) {
  const std::string* here = sortValue(eval.publication, field);
  const std::string* before = eval.previous ? sortValue(*eval.previous, field) : nullptr;
  const std::string* after = eval.next ? sortValue(*eval.next, field) : nullptr;
  const bool begins = before == nullptr || (here != nullptr && *here != *before);
  const bool ends = after == nullptr || (here != nullptr && *here != *after);
  if (name.starts_with("begin-"))
    eval.failed = !begins;
  else if (name.starts_with("end-"))
    eval.failed = !ends;
  else
    eval.failed = begins || ends;
}

// ------------------------------------------ values from outside the entry

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Appends `number` as printf's "%<digits>u" would write it: at least as wide
// as the digits say (a leading "0" pads with zeros, otherwise spaces pad).
// Like printf, a width beyond the largest int writes nothing.
void appendPadded(std::string& out, unsigned number, std::string_view digits) {
  size_t width = 0;
  for (const char c : digits) {
    width = width * 10 + static_cast<size_t>(c - '0');
    if (width > INT_MAX) return;
  }
  char text[16];
  const auto end = std::to_chars(text, text + sizeof text, number).ptr;
  const size_t length = static_cast<size_t>(end - text);
  const char pad = !digits.empty() && digits.front() == '0' ? '0' : ' ';
  if (width > length) out.append(width - length, pad);
  out.append(text, length);
}

// The naming template of the export run, with "%n" (this publication's
// number in the export run), "%N" (its number in all export runs) and "%%";
// digits after the "%" give a printf width.  The text between conversions
// is converted.
void printName(Evaluation& eval, std::string_view, std::string_view) {
  const std::string_view naming = eval.env.namingTemplate;
  const size_t size = naming.size();
  size_t stretch = 0;  // where the text not yet appended begins
  size_t i = 0;
  while (i < size) {
    if (naming[i] != '%') {
      ++i;
      continue;
    }
    size_t end = i + 1;
    while (end < size && isDigit(naming[end])) ++end;
    if (end == size) {
      // Ends inside a conversion: the "%" goes, its digits stay as text.
      eval.appendConverted(naming.substr(stretch, i - stretch));
      stretch = i + 1;
      break;
    }
    const std::string_view digits = naming.substr(i + 1, end - i - 1);
    const char conversion = naming[end];
    if (conversion != 'n' && conversion != 'N' && conversion != '%')
      templateError(eval.diag, "Bad naming template \"", naming, "\"");
    eval.appendConverted(naming.substr(stretch, i - stretch));
    if (conversion == '%')
      eval.output += '%';
    else
      appendPadded(eval.output,
                   conversion == 'n' ? eval.counters.entryNumber
                                     : eval.counters.totalEntryNumber,
                   digits);
    i = stretch = end + 1;
  }
  if (stretch < size) eval.appendConverted(naming.substr(stretch));
}

// Where the URL check keeps the publication's download.
void printDownloadFileName(Evaluation& eval, std::string_view, std::string_view) {
  const Item* mime = findItem(eval.publication, "url.mime");
  const std::optional<std::string>& directory = eval.env.downloadDirectory;
  eval.output += downloadFileName(directory ? std::string_view(*directory) : std::string_view(),
                                  eval.publication.keyword,
                                  mime ? std::string_view(mime->value) : std::string_view());
}

// Replaces the section text by its value in the named mapping.  The
// no-break-space text that "~" became is looked up as a plain space.  Found,
// the section no longer fails; not found, it fails.
void printMapped(Evaluation& eval, std::string_view, std::string_view mappingName) {
  const Mapping* mapping = findMapping(eval.env.mappings, mappingName);
  if (mapping == nullptr)
    templateError(eval.diag, "Mapping \"", mappingName,
                  "\" does not exist! Forgot parameter \"--mapping ", mappingName,
                  ":mapping_file:key_column:value_column\"?", kPlainEnd);
  const std::string_view text = eval.sectionText();
  const std::string_view nbsp = eval.env.nbsp;
  std::string key;
  if (nbsp.empty()) {
    key = text;
  } else {
    key.reserve(text.size());
    size_t from = 0;
    for (size_t at = text.find(nbsp); at != std::string_view::npos;
         at = text.find(nbsp, from)) {
      key.append(text, from, at - from);
      key += ' ';
      from = at + nbsp.size();
    }
    key.append(text, from);
  }
  const std::string* value = lookupMapping(*mapping, key);
  eval.failed = value == nullptr;
  if (value == nullptr) return;
  eval.output.resize(eval.sectionStart());
  eval.output += *value;
}

// Bytes read from a command at a time.
constexpr size_t kCommandChunk = 16383;

struct PipeCloser {
  void operator()(FILE* pipe) const { pclose(pipe); }
};

// Runs the section text as a shell command and puts what it prints in
// place of the section text; the section fails when it prints nothing.  A
// command that cannot be started, or that ends with a status other than 0,
// ends the run.  Output is kept whole, NUL bytes included.
void printCommandOutput(Evaluation& eval, std::string_view, std::string_view) {
  if (eval.failed) return;
  const std::string command(eval.sectionText());
  eval.output.resize(eval.sectionStart());
  // The shell reads the command as a C string: one with a NUL byte in it
  // would run cut short, so it is not run at all.
  std::unique_ptr<FILE, PipeCloser> pipe(
      command.find('\0') == std::string::npos ? popen(command.c_str(), "r") : nullptr);
  if (!pipe) templateFatal(eval.diag, "Unable to run ", command, "!\n");
  eval.failed = true;
  char chunk[kCommandChunk];
  for (;;) {
    const size_t count = std::fread(chunk, 1, sizeof chunk, pipe.get());
    if (count == 0) break;
    eval.failed = false;
    eval.output.append(chunk, count);
  }
  const int status = pclose(pipe.release());
  if (status != 0)
    templateFatal(eval.diag, "Run of ", command, " failed with code ", status, "!\n");
}

// ---------------------------------------------------------- the dispatch

constexpr bool kExact = false;
constexpr bool kPrefix = true;

// The names in the order in which they are tried; the first match decides.
// A name that matches none prints the item of that keyword.
constexpr PlaceholderRule kPlaceholderRules[] = {
    {"label", kExact, printCitationKey},
    {"html-label", kExact, printHtmlLabel},
    {"anchor", kExact, printLabel},
    {"class", kExact, printEntryType},
    {"name", kExact, printName},
    {"download-file-name", kExact, printDownloadFileName},
    {"a", kExact, beginNameLoop<kAuthorLoop>},
    {"begin-author-loop", kExact, beginNameLoop<kAuthorLoop>},
    {"author-initials", kExact, printInitials<kAuthorLoop>},
    {"author-given-name", kExact, printGivenName<kAuthorLoop>},
    {"author-give-name", kExact, printGivenName<kAuthorLoop>},
    {"author-family-name", kExact, printFamilyName<kAuthorLoop>},
    {"begin-editor-loop", kExact, beginNameLoop<kEditorLoop>},
    {"editor-initials", kExact, printInitials<kEditorLoop>},
    {"editor-given-name", kExact, printGivenName<kEditorLoop>},
    {"editor-family-name", kExact, printFamilyName<kEditorLoop>},
    {"is?", kPrefix, compareSectionText<isEqual>},
    {"is-not?", kPrefix, compareSectionText<isNotEqual>},
    {"is-less-than?", kPrefix, compareSectionText<isLess>},
    {"is-less-than-or-equal?", kPrefix, compareSectionText<isLessOrEqual>},
    {"is-greater-than?", kPrefix, compareSectionText<isGreater>},
    {"is-greater-than-or-equal?", kPrefix, compareSectionText<isGreaterOrEqual>},
    {"is-first-author?", kExact, testNamePosition<kAuthorLoop>},
    {"is-not-first-author?", kExact, testNamePosition<kAuthorLoop>},
    {"is-last-author?", kExact, testNamePosition<kAuthorLoop>},
    {"is-not-last-author?", kExact, testNamePosition<kAuthorLoop>},
    {"is-first-editor?", kExact, testNamePosition<kEditorLoop>},
    {"is-not-first-editor?", kExact, testNamePosition<kEditorLoop>},
    {"is-last-editor?", kExact, testNamePosition<kEditorLoop>},
    {"is-not-last-editor?", kExact, testNamePosition<kEditorLoop>},
    {"A", kExact, endNameLoop<kAuthorLoop>},
    {"end-author-loop", kExact, endNameLoop<kAuthorLoop>},
    {"end-editor-loop", kExact, endNameLoop<kEditorLoop>},
    {"year", kExact, printYear},
    {"month-name", kExact, printMonthName},
    {"month-number", kExact, printDateNumber},
    {"day", kExact, printDateNumber},
    {"$", kExact, printPublisher},
    {"isbn", kExact, printStandardNumber},
    {"issn", kExact, printStandardNumber},
    {"content-language", kExact, printContentLanguage},
    {"xml-language", kExact, printXmlLanguage},
    {"doi", kExact, printAddress},
    {"url", kExact, printAddress},
    {"urn", kExact, printAddress},
    {"file", kExact, printAddress},
    {"repository", kExact, printAddress},
    {"how-published", kExact, printHowPublished},
    {"url-md5", kExact, printUrlMd5},
    {"url-mime", kExact, printUrlMime},
    {"url.type", kExact, printDocumentType},
    {"url-type", kExact, printDocumentType},
    {"url.size.", kPrefix, printDocumentSize},
    {"url-size-", kPrefix, printDocumentSize},
    {"note", kExact, printNote},
    {"%", kExact, printPercent},
    {"begin-subdivision-", kPrefix, testSubdivision},
    {"within-subdivision-", kPrefix, testSubdivision},
    {"end-subdivision-", kPrefix, testSubdivision},
    {"custom-1", kExact, printCustom},
    {"custom-2", kExact, printCustom},
    {"custom-3", kExact, printCustom},
    {"custom-4", kExact, printCustom},
    {"custom-5", kExact, printCustom},
    {"custom-6", kExact, printCustom},
    {"custom-7", kExact, printCustom},
    {"custom-8", kExact, printCustom},
    {"custom-9", kExact, printCustom},
    {"custom-1-as-is", kExact, printCustom},
    {"custom-2-as-is", kExact, printCustom},
    {"custom-3-as-is", kExact, printCustom},
    {"custom-4-as-is", kExact, printCustom},
    {"custom-5-as-is", kExact, printCustom},
    {"custom-6-as-is", kExact, printCustom},
    {"custom-7-as-is", kExact, printCustom},
    {"custom-8-as-is", kExact, printCustom},
    {"custom-9-as-is", kExact, printCustom},
    {"map:", kPrefix, printMapped},
    {"exec", kExact, printCommandOutput},
};

}  // namespace

const PlaceholderRule* findPlaceholderRule(std::string_view name) {
  for (const PlaceholderRule& rule : kPlaceholderRules) {
    if (rule.prefix ? name.starts_with(rule.name) : name == rule.name) return &rule;
  }
  return nullptr;
}

void printItemPlaceholder(Evaluation& eval, std::string_view keyword) { printItem(eval, keyword); }

}  // namespace pubforge
