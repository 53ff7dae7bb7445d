#include "writers/csl_json_writer.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <sstream>

#include "checks/authors.h"
#include "checks/checks.h"
#include "checks/numbers.h"
#include "model/items.h"
#include "model/node.h"
#include "text/ascii.h"
#include "text/byte_scan.h"
#include "text/plain_text.h"
#include "text/strings.h"
#include "text/utf8.h"
#include "writers/export_files.h"

namespace pubforge {

namespace {

// The items an entry's CSL item is made of; of each keyword the first one
// counts.
enum Field : uint8_t {
  kNone, kTitle, kAuthor, kEditor, kJournal, kBooktitle, kSeries, kVolume, kNumber, kPages,
  kNumPages, kEdition, kPublisher, kAddress, kInstitution, kSchool, kOrganization, kDoi, kUrl,
  kIsbn, kIssn, kAbstract, kNote, kKeywords, kLanguage, kYear, kMonth, kDay, kDate, kType,
  kEprint, kEprintType, kArchivePrefix, kHowPublished, kUrlDate, kLangId, kFieldCount
};

constexpr std::string_view kFieldKeywords[kFieldCount] = {
    "",          "title",   "author",      "editor",   "journal",      "booktitle",
    "series",    "volume",  "number",      "pages",    "numpages",     "edition",
    "publisher", "address", "institution", "school",   "organization", "doi",
    "url",       "isbn",    "issn",        "abstract", "note",         "keywords",
    "language",  "year",    "month",       "day",      "date",         "type",
    "eprint",    "eprinttype", "archiveprefix", "howpublished", "urldate", "langid"};

// The fields with keywords that have no rank; they are compared one by one.
constexpr Field kUnrankedFields[] = {kArchivePrefix, kLangId};

// Every other keyword used has a rank of its own, so the rank finds the field.
constexpr std::array<Field, 256> kFieldOfRank = [] {
  std::array<Field, 256> fields{};
  for (size_t f = 1; f < kFieldCount; ++f)
    if (itemRank(kFieldKeywords[f]) != 0) fields[itemRank(kFieldKeywords[f])] = Field(f);
  return fields;
}();

static_assert([] {
  size_t unranked = 0;
  for (size_t f = 1; f < kFieldCount; ++f)
    if (itemRank(kFieldKeywords[f]) == 0) ++unranked;
  return unranked == std::size(kUnrankedFields);
}(), "every field keyword but the unranked ones has a rank");

using Fields = std::array<const Item*, kFieldCount>;

Fields findFields(const Node& publication) {
  Fields fields{};
  for (const Item& item : publication.items) {
    const uint32_t rank = itemRank(item.keyword);
    Field f = rank < kFieldOfRank.size() ? kFieldOfRank[rank] : kNone;
    if (rank == 0) {
      for (Field unranked : kUnrankedFields)
        if (item.keyword == kFieldKeywords[unranked]) f = unranked;
    }
    if (f != kNone && !fields[f]) fields[f] = &item;
  }
  return fields;
}

// What an entry type becomes, and the genre a thesis gets when its entry
// names none.
struct TypeRow {
  std::string_view entryType;  // lower case
  std::string_view cslType;
  std::string_view genre = {};
};

constexpr TypeRow kTypes[] = {
    {"article", "article-journal"},
    {"inproceedings", "paper-conference"},
    {"conference", "paper-conference"},
    {"incollection", "chapter"},
    {"inbook", "chapter"},
    {"book", "book"},
    {"proceedings", "book"},
    {"phdthesis", "thesis", "PhD thesis"},
    {"mastersthesis", "thesis", "Master's thesis"},
    {"thesis", "thesis"},
    {"techreport", "report"},
    {"report", "report"},
    {"manual", "report"},
    {"booklet", "pamphlet"},
    {"unpublished", "manuscript"},
    {"online", "webpage"},
    {"electronic", "webpage"},
    {"www", "webpage"},
};

constexpr TypeRow kOtherType = {"", "document"};

bool equalsIgnoringCase(std::string_view a, std::string_view lower) {
  return equalsIgnoringAsciiCase(a, lower);
}

// The genre words of the "type" field of biblatex theses and reports.
constexpr TypeRow kGenres[] = {
    {"phdthesis", "", "PhD thesis"},
    {"mathesis", "", "Master's thesis"},
    {"mastersthesis", "", "Master's thesis"},
    {"techreport", "", "Technical report"},
    {"resreport", "", "Research report"},
};

// The web addresses of the documents that an "eprint" names, by archive.
struct ArchiveRow {
  std::string_view archive;  // lower case
  std::string_view address;  // the identifier follows
};

constexpr ArchiveRow kArchives[] = {
    {"arxiv", "https://arxiv.org/abs/"},
    {"jstor", "https://www.jstor.org/stable/"},
    {"pubmed", "https://www.ncbi.nlm.nih.gov/pubmed/"},
    {"googlebooks", "https://books.google.com?id="},
};

const TypeRow& typeOf(const Node& publication) {
  for (const TypeRow& row : kTypes)
    if (equalsIgnoringCase(publication.writtenType(), row.entryType)) return row;
  return kOtherType;
}

// The language names of BibTeX files (those of the LaTeX language packages)
// and the language tags that CSL reads: a processor puts only English titles
// into title case, and knows English only by its tag.
struct LanguageRow {
  std::string_view name;  // lower case
  std::string_view tag;
};

constexpr LanguageRow kLanguages[] = {
    {"english", "en-US"},    {"american", "en-US"},    {"usenglish", "en-US"},
    {"british", "en-GB"},    {"ukenglish", "en-GB"},   {"german", "de-DE"},
    {"ngerman", "de-DE"},    {"austrian", "de-AT"},    {"naustrian", "de-AT"},
    {"french", "fr-FR"},     {"francais", "fr-FR"},    {"italian", "it-IT"},
    {"spanish", "es-ES"},    {"portuguese", "pt-PT"},  {"brazilian", "pt-BR"},
    {"dutch", "nl-NL"},      {"swedish", "sv-SE"},     {"danish", "da-DK"},
    {"norwegian", "nb-NO"},  {"finnish", "fi-FI"},     {"polish", "pl-PL"},
    {"czech", "cs-CZ"},      {"slovak", "sk-SK"},      {"russian", "ru-RU"},
    {"ukrainian", "uk-UA"},  {"greek", "el-GR"},       {"turkish", "tr-TR"},
    {"hungarian", "hu-HU"},  {"catalan", "ca-AD"},     {"japanese", "ja-JP"},
    {"chinese", "zh-CN"},    {"korean", "ko-KR"},
};

// The tag of a language name, or empty for any other value (which may be a
// tag already).
std::string_view languageTag(std::string_view language) {
  for (const LanguageRow& row : kLanguages)
    if (equalsIgnoringCase(language, row.name)) return row.tag;
  return {};
}

// True for a language tag or name that CSL processors read as English; no
// language at all counts as English too.
bool isEnglish(std::string_view language) {
  if (language.empty()) return true;
  const std::string_view tag = languageTag(language);
  const std::string_view code = tag.empty() ? language : tag;
  return code.size() >= 2 && asciiLower(code[0]) == 'e' && asciiLower(code[1]) == 'n' &&
         (code.size() == 2 || code[2] == '-' || code[2] == '_');
}

bool isAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
bool isWordByte(char c) {
  return isAsciiUpper(c) || isAsciiLower(c) || static_cast<unsigned char>(c) >= 0x80;
}

// An English title in sentence case, as CSL expects titles to be stored: a
// style that wants title case makes it from there, which it cannot do the
// other way round.  A capitalised word ("Binary", not "IPC" or "SoCS") is
// lower-cased unless it begins the title or a sentence of it (after ":",
// ".", "?" or "!"); words in braces are protected as BibTeX protects them,
// as are formulas, and command names stay as they are.
void toSentenceCase(std::string& title) {
  size_t depth = 0;
  bool sentenceStart = true, math = false;
  for (size_t i = 0; i < title.size(); ++i) {
    const char c = title[i];
    if (c == '$') {
      math = !math;
      sentenceStart = false;
      continue;
    }
    if (c == '{') {
      ++depth;
      sentenceStart = false;
      continue;
    }
    if (c == '}') {
      if (depth > 0) --depth;
      continue;
    }
    if (c == '\\') {
      // A command word, or one escaped byte.
      size_t end = i + 1;
      while (end < title.size() && (isAsciiUpper(title[end]) || isAsciiLower(title[end]))) ++end;
      i = end > i + 1 ? end - 1 : end;
      continue;
    }
    if (!isWordByte(c)) {
      if (c == ':' || c == '.' || c == '?' || c == '!') sentenceStart = true;
      continue;
    }
    size_t end = i + 1;
    while (end < title.size() && isWordByte(title[end])) ++end;
    if (depth == 0 && !math && !sentenceStart && isAsciiUpper(c)) {
      bool capitalised = true;
      for (size_t k = i + 1; k < end && capitalised; ++k) capitalised = !isAsciiUpper(title[k]);
      if (capitalised) title[i] = asciiLower(c);
    }
    sentenceStart = false;
    i = end - 1;
  }
}

// What a "~" of a value stands for.
enum class Ties {
  kNoBreakSpaces,   // a no-break space
  kWordSeparators,  // a space: in names it only keeps words together
  // A no-break space, but one before a parenthesis is a space: the reader
  // ties "(" to the word before it in journals and booktitles for the
  // printed list, which a citation processor sets on its own.
  kReaderTies,
};

constexpr std::string_view kNoBreakSpace = "\xC2\xA0";

// Writes the items of one file.  The buffers are kept from one item to the
// next: a large bibliography costs no allocations per value.
class CslItemWriter {
 public:
  void append(OutputBuffer& out, const Node& publication);

 private:
  // Appends `,\n    "name": ` (the comma before every field but the first).
  void appendKey(OutputBuffer& out, std::string_view name);
  // A field whose value is the plain text of the LaTeX value.
  void appendText(OutputBuffer& out, std::string_view name, const Item* item,
                  Ties ties = Ties::kNoBreakSpaces);
  // A field whose value is written as stored (identifiers, addresses).
  void appendRaw(OutputBuffer& out, std::string_view name, const Item* item);
  void appendPlain(OutputBuffer& out, std::string_view latex, Ties ties = Ties::kNoBreakSpaces);
  void appendUrl(OutputBuffer& out, const Fields& fields);
  void appendNames(OutputBuffer& out, std::string_view name, const AuthorParts& parts);
  void appendName(OutputBuffer& out, std::string_view family, std::string_view given,
                  std::string_view particle = {}, std::string_view suffix = {});
  void appendIssued(OutputBuffer& out, const Fields& fields);
  void appendAccessed(OutputBuffer& out, const Item* urlDate);

  bool firstField_ = true;
  bool firstItem_ = true;
  std::string converted_, group_, untied_, title_;
  Node editorNode_;  // the editor list, split as the author checks split authors
  std::ostringstream unusedMessages_;
};

void CslItemWriter::appendKey(OutputBuffer& out, std::string_view name) {
  out += firstField_ ? "\n    \"" : ",\n    \"";
  firstField_ = false;
  out += name;
  out += "\": ";
}

// True for the bytes that LaTeX reads as white space between words.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Every run of blanks as one space, as LaTeX sets it: a value wrapped over
// several lines reads as one line, with no blanks at its ends.
void shrinkBlanks(std::string& text) {
  size_t to = 0;
  bool pendingSpace = false;
  for (const char c : text) {
    if (isBlank(c)) {
      pendingSpace = to > 0;
      continue;
    }
    if (pendingSpace) text[to++] = ' ';
    pendingSpace = false;
    text[to++] = c;
  }
  text.resize(to);
}

// True when shrinkBlanks would change the text.  Values are long (whole
// abstracts), so the scan goes sixteen bytes at a time.
bool needsShrinking(std::string_view text) {
  if (text.empty()) return false;
  if (isBlank(text.front()) || isBlank(text.back())) return true;
  return findAnyOf4(text, '\t', '\n', '\r', '\t') != std::string_view::npos ||
         findBlankPair(text) != std::string_view::npos;
}

void CslItemWriter::appendPlain(OutputBuffer& out, std::string_view latex, Ties ties) {
  if (ties == Ties::kReaderTies && latex.find("~(") != std::string_view::npos) {
    untied_.assign(latex);
    replaceAll(untied_, "~(", " (");
    latex = untied_;
  }
  std::string_view text = latex;
  if (!isPlainText(latex)) {
    convertLatexPlainInto(converted_, latex,
                          ties == Ties::kWordSeparators ? " " : kNoBreakSpace, " ", false);
    text = converted_;
  }
  if (needsShrinking(text)) {
    if (text.data() != converted_.data()) converted_.assign(text);
    shrinkBlanks(converted_);
    text = converted_;
  }
  appendJsonString(out, text);
}

void CslItemWriter::appendText(OutputBuffer& out, std::string_view name, const Item* item,
                               Ties ties) {
  if (!item || item->value.empty()) return;
  appendKey(out, name);
  appendPlain(out, item->value, ties);
}

void CslItemWriter::appendRaw(OutputBuffer& out, std::string_view name, const Item* item) {
  if (!item || item->value.empty()) return;
  appendKey(out, name);
  appendJsonString(out, item->value);
}

// One name object with the parts that exist.  A name that is one braced
// group with nothing else (an institution, "{Acme Research Group}") is a
// literal name, never to be split or inverted.
void CslItemWriter::appendName(OutputBuffer& out, std::string_view family,
                               std::string_view given, std::string_view particle,
                               std::string_view suffix) {
  out += "{";
  bool first = true;
  auto part = [&](std::string_view name, std::string_view latex) {
    if (latex.empty()) return;
    out += first ? "\"" : ", \"";
    first = false;
    out += name;
    out += "\": ";
    appendPlain(out, latex, Ties::kWordSeparators);
  };
  bool oneGroup = false;
  if (family.starts_with('{') && given.empty() && particle.empty() && suffix.empty()) {
    group_.assign(family);
    oneGroup = stripBraces(group_).size() + 2 == family.size();
  }
  if (oneGroup) {
    part("literal", family);
  } else {
    part("family", family);
    part("given", given);
    part("non-dropping-particle", particle);
    part("suffix", suffix);
  }
  out += "}";
}

// The family name of the name splitter ("von Last" or "von Last, Jr") in
// its CSL parts: the von words before the last name as the particle, and
// what follows the comma as the suffix.  Braced groups are never cut.
struct NameFamily {
  std::string_view particle, last, suffix;
};

NameFamily splitFamily(std::string_view family) {
  NameFamily parts{{}, family, {}};
  size_t depth = 0, lastStart = 0;
  for (size_t i = 0; i < family.size(); ++i) {
    const char c = family[i];
    if (c == '{') ++depth;
    if (c == '}' && depth > 0) --depth;
    if (depth > 0) continue;
    if (c == ',') {
      parts.last = family.substr(0, i);
      size_t from = i + 1;
      while (from < family.size() && family[from] == ' ') ++from;
      parts.suffix = family.substr(from);
      break;
    }
    // A von word ends at a blank; the last name needs one word at least.
    if (c == ' ' && isVonWord(family.substr(lastStart, i - lastStart))) lastStart = i + 1;
    else if (c == ' ') break;
  }
  if (lastStart > 0 && lastStart < parts.last.size()) {
    parts.particle = family.substr(0, lastStart - 1);
    parts.last = parts.last.substr(lastStart);
  }
  return parts;
}

void CslItemWriter::appendNames(OutputBuffer& out, std::string_view name,
                                const AuthorParts& parts) {
  if (parts.size() < 3) return;
  appendKey(out, name);
  out += "[";
  for (size_t i = 0; i + 2 < parts.size(); i += 3) {
    out += i == 0 ? "\n      " : ",\n      ";
    const NameFamily family = splitFamily(parts[i]);
    appendName(out, family.last, parts[i + 1], family.particle, family.suffix);
  }
  out += "\n    ]";
}

void appendNumber(OutputBuffer& out, int64_t number) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  out += std::string_view(digits, static_cast<size_t>(end - digits));
}

// The date as year, month and day, each only when it exists and the parts
// before it do; a year that is no plain number ("to appear") stands as the
// literal date, a year 0 gives no date, and a biblatex date that gave no
// year stands as the literal date.
void CslItemWriter::appendIssued(OutputBuffer& out, const Fields& fields) {
  const Item* year = fields[kYear];
  if (year && !isPlainYear(year->value)) {
    // A year such as "to appear" stands as written.
    appendKey(out, "issued");
    out += "{\"literal\": ";
    appendPlain(out, year->value);
    out += "}";
  } else if (year && year->numericValue != 0) {
    appendKey(out, "issued");
    out += "{\"date-parts\": [[";
    appendNumber(out, year->numericValue);
    const Item* month = fields[kMonth];
    if (month && month->numericValue >= 1 && month->numericValue <= 12) {
      out += ", ";
      appendNumber(out, month->numericValue);
      const Item* day = fields[kDay];
      if (day && day->numericValue >= 1 && day->numericValue <= 31) {
        out += ", ";
        appendNumber(out, day->numericValue);
      }
    }
    out += "]]}";
  } else if (const Item* date = fields[kDate]; date && !date->value.empty()) {
    appendKey(out, "issued");
    out += "{\"literal\": ";
    appendPlain(out, date->value);
    out += "}";
  }
}

// The url, or else the address of the document in the archive that the
// entry's eprint names.
void CslItemWriter::appendUrl(OutputBuffer& out, const Fields& fields) {
  if (fields[kUrl] && !fields[kUrl]->value.empty()) {
    appendRaw(out, "URL", fields[kUrl]);
    return;
  }
  const Item* eprint = fields[kEprint];
  const Item* archive = fields[kEprintType] ? fields[kEprintType] : fields[kArchivePrefix];
  if (!eprint || eprint->value.empty() || !archive) return;
  for (const ArchiveRow& row : kArchives) {
    if (!equalsIgnoringCase(archive->value, row.archive)) continue;
    appendKey(out, "URL");
    converted_.assign(row.address);
    converted_ += eprint->value;
    appendJsonString(out, converted_);
    return;
  }
}

// The leading number of `text` at `at`, of at most `digits` digits; moves
// `at` past it.  -1 when there is none.
int32_t readNumber(std::string_view text, size_t& at, size_t digits) {
  int32_t number = 0;
  size_t read = 0;
  for (; at < text.size() && read < digits && text[at] >= '0' && text[at] <= '9'; ++at, ++read)
    number = number * 10 + (text[at] - '0');
  return read == 0 ? -1 : number;
}

// The day the url was visited: a date YYYY-MM-DD (or YYYY-MM, YYYY) as date
// parts, anything else as a literal date.
void CslItemWriter::appendAccessed(OutputBuffer& out, const Item* urlDate) {
  if (!urlDate || urlDate->value.empty()) return;
  const std::string_view text = urlDate->value;
  int32_t parts[3] = {-1, -1, -1};
  size_t at = 0, count = 0;
  while (count < 3) {
    const size_t start = at;
    parts[count] = readNumber(text, at, count == 0 ? 4 : 2);
    if (parts[count] < 0 || at - start != (count == 0 ? 4u : 2u)) break;
    ++count;
    if (at == text.size() || text[at] != '-') break;
    ++at;
  }
  const bool valid = count > 0 && at == text.size() && (count < 2 || (parts[1] >= 1 && parts[1] <= 12)) &&
                     (count < 3 || (parts[2] >= 1 && parts[2] <= 31));
  appendKey(out, "accessed");
  if (!valid) {
    out += "{\"literal\": ";
    appendPlain(out, text);
    out += "}";
    return;
  }
  out += "{\"date-parts\": [[";
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) out += ", ";
    appendNumber(out, parts[i]);
  }
  out += "]]}";
}

void CslItemWriter::append(OutputBuffer& out, const Node& publication) {
  if (!publication.isEntry()) return;  // comment lines, preambles, macros
  const Fields fields = findFields(publication);
  const TypeRow& type = typeOf(publication);
  const bool report = type.cslType == "report";
  const bool thesis = type.cslType == "thesis";

  out += firstItem_ ? "\n  {" : ",\n  {";
  firstItem_ = false;
  firstField_ = true;
  appendKey(out, "id");
  appendJsonString(out, publication.keyword);
  appendKey(out, "type");
  out += '"';
  out += type.cslType;
  out += '"';
  if ((report || thesis) && fields[kType] && !fields[kType]->value.empty()) {
    const Item* genre = fields[kType];
    const TypeRow* known = nullptr;
    for (const TypeRow& row : kGenres)
      if (equalsIgnoringCase(genre->value, row.entryType)) known = &row;
    if (known) {
      appendKey(out, "genre");
      appendJsonString(out, known->genre);
    } else {
      appendText(out, "genre", genre);
    }
  } else if (!type.genre.empty()) {
    appendKey(out, "genre");
    appendJsonString(out, type.genre);
  }

  // biblatex names the language of the entry's text as its langid.
  const Item* language = fields[kLangId] ? fields[kLangId] : fields[kLanguage];
  if (const Item* title = fields[kTitle]; title && !title->value.empty()) {
    appendKey(out, "title");
    if (isEnglish(language ? std::string_view(language->value) : std::string_view())) {
      title_.assign(title->value);
      toSentenceCase(title_);
      appendPlain(out, title_);
    } else {
      appendPlain(out, title->value);
    }
  }
  appendText(out, "container-title", fields[kJournal] ? fields[kJournal] : fields[kBooktitle],
             Ties::kReaderTies);
  appendText(out, "collection-title", fields[kSeries]);
  appendText(out, "volume", fields[kVolume]);
  // A report's number is its report number, not an issue.
  appendText(out, report ? "number" : "issue", fields[kNumber]);
  appendText(out, "page", fields[kPages]);
  appendText(out, "number-of-pages", fields[kNumPages]);
  appendText(out, "edition", fields[kEdition]);
  // Reports are published by their institution, theses by their school
  // (biblatex gives it as the institution).
  const Item* publisher = fields[kPublisher];
  if ((report || thesis) && fields[kInstitution]) publisher = fields[kInstitution];
  if (thesis && fields[kSchool]) publisher = fields[kSchool];
  // How an entry without a publisher came out (a web site, an archive) is
  // the nearest thing to one.
  if (!publisher) publisher = fields[kOrganization] ? fields[kOrganization] : fields[kHowPublished];
  appendText(out, "publisher", publisher);
  appendText(out, "publisher-place", fields[kAddress]);

  if (const Item* author = fields[kAuthor]) appendNames(out, "author", author->authorParts);
  if (const Item* editor = fields[kEditor]) {
    // Editors are a list of names like the authors, split the same way.
    editorNode_.items.resize(1);
    Item& names = editorNode_.items[0];
    names.keyword = editor->keyword;
    names.value = editor->value;
    // Problems with the names are not the export's to report: the reader
    // warned about the entry when it was read.
    splitAuthorList(editorNode_, names, unusedMessages_);
    unusedMessages_.str({});
    appendNames(out, "editor", names.authorParts);
  }
  appendIssued(out, fields);
  appendAccessed(out, fields[kUrlDate]);

  appendRaw(out, "DOI", fields[kDoi]);
  appendUrl(out, fields);
  appendRaw(out, "ISBN", fields[kIsbn]);
  appendRaw(out, "ISSN", fields[kIssn]);
  appendText(out, "abstract", fields[kAbstract]);
  appendText(out, "note", fields[kNote]);
  appendText(out, "keyword", fields[kKeywords]);
  if (language && !language->value.empty()) {
    appendKey(out, "language");
    if (const std::string_view tag = languageTag(language->value); !tag.empty())
      appendJsonString(out, tag);
    else
      appendPlain(out, language->value);
  }
  out += "\n  }";
}

// JSON's short escapes; 0 where a control byte is written as \u00XX.
constexpr std::array<char, 256> kShortEscapes = [] {
  std::array<char, 256> escapes{};
  escapes['"'] = '"';
  escapes['\\'] = '\\';
  return escapes;
}();

// Bytes that are copied as they are: printable ASCII but the quote and the
// backslash.
constexpr std::array<bool, 256> kCopiedByte = [] {
  std::array<bool, 256> copied{};
  for (int c = 0x20; c < 0x80; ++c) copied[c] = c != '"' && c != '\\';
  return copied;
}();

// The first byte at or after `from` that is not copied as it is, or the
// size of the text.
size_t nextSpecialByte(std::string_view text, size_t from) {
  const char* data = text.data();
  size_t i = from;
#if defined(__SSE2__)
  // A signed compare with 0x20 finds the control bytes and the bytes from
  // 0x80 up, which are negative.
  const __m128i space = _mm_set1_epi8(0x20), quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  for (; i + 16 <= text.size(); i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const __m128i hits = _mm_or_si128(
        _mm_cmplt_epi8(bytes, space),
        _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)));
    if (const int mask = _mm_movemask_epi8(hits)) return i + __builtin_ctz(mask);
  }
#endif
  while (i < text.size() && kCopiedByte[static_cast<unsigned char>(data[i])]) ++i;
  return i;
}

}  // namespace

void appendJsonString(OutputBuffer& out, std::string_view text) {
  out += '"';
  size_t i = 0;
  while (i < text.size()) {
    const size_t plain = nextSpecialByte(text, i);
    out += text.substr(i, plain - i);
    i = plain;
    if (i == text.size()) break;
    const auto c = static_cast<unsigned char>(text[i]);
    if (const char escape = kShortEscapes[c]) {
      out += '\\';
      out += escape;
      ++i;
    } else if (c < 0x20) {
      constexpr std::string_view kHex = "0123456789abcdef";
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
      ++i;
    } else {
      uint32_t codePoint;
      const size_t length = decodeUtf8(text, i, codePoint);
      if (length == 0) {
        out += kReplacementCharacter;
        ++i;
      } else {
        out += text.substr(i, length);
        i += length;
      }
    }
  }
  out += '"';
}

bool exportToCslJson(const PublicationSet& set, const std::string& fileName, Diagnostics diag) {
  CslItemWriter writer;
  const ExportFormat format{
      "CSL-JSON", ".json", "[",
      [&](OutputBuffer& out, const Node& publication) { writer.append(out, publication); },
      "\n]\n"};
  return exportPublications(set, fileName, false, format, diag);
}

}  // namespace pubforge
