// The placeholders of the printing template, in the one table that decides
// which of them a name selects, and what each of them does.
#include "custom/placeholders.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>

#include "model/download_file_name.h"
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
  eval.diag.report("WARNING: ", name, " is deprecated, use ", replacement, " instead!\n");
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

// A decimal number at the start of `text`, read as atoll reads it (white
// space, a sign, digits; anything else ends it); out-of-range values stop at
// the largest number of their sign.
long long leadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned long long magnitude = 0;
  const unsigned long long limit =
      negative ? static_cast<unsigned long long>(LLONG_MAX) + 1 : LLONG_MAX;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
  }
  if (!negative) return static_cast<long long>(magnitude);
  return magnitude == limit ? LLONG_MIN : -static_cast<long long>(magnitude);
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
    eval.diag.report("WARNING: url-size-* is deprecated, use url.size.* instead!\n");
  std::string unit(operand);
  for (char& c : unit)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  const Item* size = findItem(eval.publication, "url.size");
  const long long bytes = size == nullptr ? 0 : leadingNumber(size->value);
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
  templateFatal(eval.diag, "ERROR: Unexpected unit '", unit, "' for url.size.UNIT!\n");
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

// ----------------------------------------------------------- author loop

void beginAuthorLoop(Evaluation& eval, std::string_view, std::string_view) {
  if (eval.loopResume)
    templateFatal(eval.diag,
                  "ERROR: Unexpected author loop begin %a -> an author loop is still open!\n");
  eval.author = findItem(eval.publication, "author");
  eval.loopResume = eval.position;
  eval.authorIndex = 0;
}

void endAuthorLoop(Evaluation& eval, std::string_view, std::string_view) {
  if (!eval.loopResume)
    templateFatal(eval.diag,
                  "ERROR: Unexpected author loop end %A -> %a author loop begin needed first!\n");
  if (eval.author != nullptr) {
    eval.authorIndex += 3;
    if (eval.authorIndex < eval.author->authorParts.size()) {
      eval.position = *eval.loopResume;  // the next author
      return;
    }
  }
  eval.authorIndex = 0;
  eval.author = nullptr;
  eval.loopResume.reset();
}

// Part `offset` (0 family name, 1 given name, 2 initials) of the current
// author, without one pair of enclosing braces.  `stripped` holds the text
// when braces had to be removed.
std::string_view authorPart(const Evaluation& eval, size_t offset, std::string& stripped) {
  const AuthorParts& parts = eval.author->authorParts;
  const size_t index = eval.authorIndex + offset;
  const std::string_view part = index < parts.size() ? parts[index] : std::string_view();
  if (!part.starts_with('{')) return part;
  stripped = part;
  return stripBraces(stripped);
}

void printFamilyName(Evaluation& eval, std::string_view, std::string_view) {
  std::string stripped;
  if (eval.author != nullptr) eval.appendConverted(authorPart(eval, 0, stripped));
}

// Given name (offset 1) and initials (offset 2) fail when empty.
void printNamePart(Evaluation& eval, size_t offset) {
  if (eval.author == nullptr) return;
  std::string stripped;
  const std::string_view part = authorPart(eval, offset, stripped);
  if (part.empty())
    eval.failed = true;
  else
    eval.appendConverted(part);
}

void printGivenName(Evaluation& eval, std::string_view name, std::string_view) {
  if (name == "author-give-name") warnDeprecated(eval, "author-give-name", "author-given-name");
  printNamePart(eval, 1);
}

void printInitials(Evaluation& eval, std::string_view, std::string_view) {
  printNamePart(eval, 2);
}

// ----------------------------------------------------------------- tests

// A test that holds leaves the flag alone; one that does not sets it.  A
// test after a failure does nothing.
void applyTest(Evaluation& eval, bool holds) {
  if (!eval.failed && !holds) eval.failed = true;
}

void testAuthorPosition(Evaluation& eval, std::string_view name, std::string_view) {
  const bool any = eval.author != nullptr;
  const bool first = eval.authorIndex == 0;
  const bool last = any && eval.authorIndex + 3 >= eval.author->authorParts.size();
  if (name == "is-first-author?")
    applyTest(eval, first);
  else if (name == "is-not-first-author?")
    applyTest(eval, any && !first);
  else if (name == "is-last-author?")
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
// publications with equal values of the field?
void testSubdivision(Evaluation& eval, std::string_view name, std::string_view field) {
  if (field != "day" && field != "month" && field != "year")
    templateFatal(eval.diag, "ERROR: Unexpected % placeholder '", name,
                  "' in subdivision part of custom printing template!\n");
  const Item* here = findItem(eval.publication, field);
  const Item* before = eval.previous ? findItem(*eval.previous, field) : nullptr;
  const Item* after = eval.next ? findItem(*eval.next, field) : nullptr;
  const bool begins = before == nullptr || (here != nullptr && here->value != before->value);
  const bool ends = after == nullptr || (here != nullptr && here->value != after->value);
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
      templateFatal(eval.diag, "ERROR: Bad naming template \"", naming, "\"!\n");
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
    templateFatal(eval.diag, "ERROR: Mapping \"", mappingName,
                  "\" does not exist! Forgot parameter \"--mapping ", mappingName,
                  ":mapping_file:key_column:value_column\"?\n");
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
    {"a", kExact, beginAuthorLoop},
    {"begin-author-loop", kExact, beginAuthorLoop},
    {"author-initials", kExact, printInitials},
    {"author-given-name", kExact, printGivenName},
    {"author-give-name", kExact, printGivenName},
    {"author-family-name", kExact, printFamilyName},
    {"is?", kPrefix, compareSectionText<isEqual>},
    {"is-not?", kPrefix, compareSectionText<isNotEqual>},
    {"is-less-than?", kPrefix, compareSectionText<isLess>},
    {"is-less-than-or-equal?", kPrefix, compareSectionText<isLessOrEqual>},
    {"is-greater-than?", kPrefix, compareSectionText<isGreater>},
    {"is-greater-than-or-equal?", kPrefix, compareSectionText<isGreaterOrEqual>},
    {"is-first-author?", kExact, testAuthorPosition},
    {"is-not-first-author?", kExact, testAuthorPosition},
    {"is-last-author?", kExact, testAuthorPosition},
    {"is-not-last-author?", kExact, testAuthorPosition},
    {"A", kExact, endAuthorLoop},
    {"end-author-loop", kExact, endAuthorLoop},
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
