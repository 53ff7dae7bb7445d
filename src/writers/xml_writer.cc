#include "writers/xml_writer.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <string>

#include "checks/numbers.h"
#include "model/node.h"
#include "text/ascii.h"
#include "text/conversion_table.h"
#include "text/months.h"
#include "text/numbers.h"
#include "text/plain_text.h"
#include "text/strings.h"
#include "writers/export_files.h"
#include "writers/xml_text.h"

namespace pubforge {

namespace {

constexpr std::string_view kFileStart =
    "<?xml version='1.0' encoding='UTF-8'?>\n"
    "<!DOCTYPE rfc PUBLIC '-//IETF//DTD RFC 2629//EN' "
    "'https://xml2rfc.tools.ietf.org/authoring/rfc2629.dtd'>\n";

// The items a reference is made of; of each keyword the first one counts.
enum Field : size_t {
  kTitle, kAuthor, kYear, kMonth, kDay, kUrl, kUrlMime, kUrlSize, kType, kHowpublished,
  kBooktitle, kJournal, kVolume, kNumber, kPages, kIsbn, kIssn, kDoi, kFieldCount
};

constexpr std::string_view kFieldKeywords[kFieldCount] = {
    "title",  "author", "year",  "month",   "day",         "url",       "url.mime",
    "url.size", "type", "howpublished", "booktitle", "journal", "volume", "number",
    "pages",  "isbn",   "issn",  "doi"};

using Fields = std::array<const Item*, kFieldCount>;

// One pass over the items finds the first item of every keyword used.
Fields findFields(const Node& publication) {
  Fields fields{};
  for (const Item& item : publication.items) {
    for (size_t f = 0; f < kFieldCount; ++f) {
      if (item.keyword.size() == kFieldKeywords[f].size() && item.keyword == kFieldKeywords[f]) {
        if (!fields[f]) fields[f] = &item;
        break;
      }
    }
  }
  return fields;
}

void appendNumber(OutputBuffer& out, int64_t number) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  out += std::string_view(digits, static_cast<size_t>(end - digits));
}

// The format type of a MIME type: what follows the first "/", in upper
// case, with "PLAIN" called "TXT"; empty without a "/".
std::string formatType(std::string_view mime) {
  const size_t slash = mime.find('/');
  if (slash == std::string_view::npos) return {};
  std::string type(mime.substr(slash + 1));
  for (char& c : type) c = asciiUpper(c);
  if (type == "PLAIN") type = "TXT";
  return type;
}

// Writes the references of one file.  The buffers are kept from one
// reference to the next: a large bibliography costs no allocations per value.
class ReferenceWriter {
 public:
  ReferenceWriter(size_t count, bool plainText) : plainText_(plainText) {
    anchors_.reserve(count);
  }
  void append(OutputBuffer& out, const Node& publication);

 private:
  void appendConverted(OutputBuffer& out, std::string_view latex, XmlPlace place);
  // Appends ` name="value"` with the value converted from LaTeX.
  void appendAttribute(OutputBuffer& out, std::string_view name, std::string_view latex);
  void appendAuthors(OutputBuffer& out, const Item& author);
  void appendSeriesInfo(OutputBuffer& out, const Fields& fields);

  bool plainText_;
  XmlAnchors anchors_;
  std::string converted_, family_, given_, initials_, fullName_, seriesName_, seriesValue_;
};

// True for the bytes with which latexToXml may change a value: a text
// without them is its own conversion.
bool isConvertedByte(char c) {
  return kConversionFormStart[static_cast<unsigned char>(c)] || c == '~' || c == '\n' ||
         c == '\\';
}

void ReferenceWriter::appendAttribute(OutputBuffer& out, std::string_view name,
                                      std::string_view latex) {
  out += ' ';
  out += name;
  out += "=\"";
  appendConverted(out, latex, XmlPlace::kAttribute);
  out += '"';
}

void ReferenceWriter::appendConverted(OutputBuffer& out, std::string_view latex,
                                      XmlPlace place) {
  if (plainText_) {
    converted_ = valueToXml(latex, true);
    appendXmlConverted(out, converted_, place);
    return;
  }
  for (char c : latex) {
    if (isConvertedByte(c)) {
      latexToXmlInto(converted_, latex);
      appendXmlConverted(out, converted_, place);
      return;
    }
  }
  appendXmlConverted(out, latex, place);
}

// A name part without one pair of braces that encloses it, in `scratch`
// when that pair had to be taken off.
std::string_view withoutBraces(std::string_view part, std::string& scratch) {
  if (part.empty() || part.front() != '{') return part;
  scratch.assign(part);
  return stripBraces(scratch);
}

void ReferenceWriter::appendAuthors(OutputBuffer& out, const Item& author) {
  const AuthorParts& parts = author.authorParts;
  for (size_t i = 0; i + 2 < parts.size(); i += 3) {
    const std::string_view family = withoutBraces(parts[i], family_);
    const std::string_view given = withoutBraces(parts[i + 1], given_);
    const std::string_view initials = withoutBraces(parts[i + 2], initials_);
    fullName_.assign(given);
    if (!given.empty()) fullName_ += '~';
    fullName_ += family;
    out += "\t\t<author";
    appendAttribute(out, "initials", initials);
    appendAttribute(out, "surname", family);
    appendAttribute(out, "fullname", fullName_);
    out += " />\n";
  }
}

void appendDate(OutputBuffer& out, const Fields& fields) {
  out += "\t\t<date ";
  if (const Item* day = fields[kDay]) {
    out += "day=\"";
    appendNumber(out, day->numericValue);
    out += "\" ";
  }
  if (const Item* month = fields[kMonth]; month && month->numericValue >= 1 &&
                                          month->numericValue <= 12) {
    out += "month=\"";
    out += kMonthTable[month->numericValue - 1].name;
    out += "\" ";
  }
  if (const Item* year = fields[kYear]) {
    out += "year=\"";
    if (isPlainYear(year->value))
      appendNumber(out, year->numericValue);
    else
      appendXmlEscaped(out, year->value, XmlPlace::kAttribute);
    out += "\" ";
  }
  out += "/>\n";
}

void ReferenceWriter::appendSeriesInfo(OutputBuffer& out, const Fields& fields) {
  std::string& name = seriesName_;
  std::string& value = seriesValue_;
  name.clear();
  value.clear();
  for (Field f : {kType, kJournal, kBooktitle, kHowpublished}) {
    if (fields[f]) {
      name = fields[f]->value;
      break;
    }
  }
  auto addPiece = [&](std::string_view label, const Item* item) {
    if (!item) return;
    if (!value.empty()) value += ", ";
    value += label;
    value += item->value;
  };
  addPiece(fields[kType] ? "" : "Number ", fields[kNumber]);
  addPiece("Volume ", fields[kVolume]);
  addPiece("Pages ", fields[kPages]);
  addPiece("ISSN~", fields[kIssn]);
  addPiece("ISBN~", fields[kIsbn]);
  addPiece("DOI~", fields[kDoi]);
  if (name.empty() && value.empty()) return;
  if (value.empty()) value.swap(name);
  out += "\t<seriesInfo";
  appendAttribute(out, "name", name);
  appendAttribute(out, "value", value);
  out += " />\n";
}

void appendFormat(OutputBuffer& out, const Fields& fields) {
  out += "\t<format type=\"";
  if (const Item* mime = fields[kUrlMime])
    appendXmlEscaped(out, formatType(mime->value), XmlPlace::kAttribute);
  out += '"';
  if (const Item* size = fields[kUrlSize]) {
    out += " octets=\"";
    appendNumber(out, readLeadingWrapped32(size->value));
    out += '"';
  }
  out += " target=\"";
  appendXmlEscaped(out, fields[kUrl]->value, XmlPlace::kAttribute);
  out += "\" />\n";
}

// Appends one reference.  Its front part always holds a title, at least one
// author and a date, which a reference must have: an entry without them gets
// them empty.
void ReferenceWriter::append(OutputBuffer& out, const Node& publication) {
  const Fields fields = findFields(publication);
  out += "<reference anchor=\"";
  appendXmlEscaped(out, anchors_.make(publication.keyword), XmlPlace::kAttribute);
  out += '"';
  if (const Item* url = fields[kUrl]) {
    out += " target=\"";
    appendXmlEscaped(out, url->value, XmlPlace::kAttribute);
    out += '"';
  }
  out += ">\n\t<front>\n";

  out += "\t\t<title>";
  if (const Item* title = fields[kTitle]) appendConverted(out, title->value, XmlPlace::kContent);
  out += "</title>\n";

  const Item* author = fields[kAuthor];
  if (author && author->authorParts.size() >= 3)
    appendAuthors(out, *author);
  else
    out += "\t\t<author />\n";

  appendDate(out, fields);
  out += "\t</front>\n";
  appendSeriesInfo(out, fields);
  if (fields[kUrl]) appendFormat(out, fields);
  out += "</reference>\n\n";
}

// Appends a comment publication: an XML comment that holds its key, the
// running number of the comment.  A key could hold "--", which may not
// stand in a comment: a blank goes between the two hyphens.
void appendComment(OutputBuffer& out, const Node& publication) {
  std::string key;
  for (char c : publication.keyword) {
    if (c == '-' && !key.empty() && key.back() == '-') key += ' ';
    key += c;
  }
  out += "<!-- ";
  appendXmlEscaped(out, key, XmlPlace::kContent);
  out += " -->\n\n";
}

}  // namespace

std::string removePlusSigns(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '+') out += c;
  return out;
}

bool exportToXML(const PublicationSet& set, const std::string& fileName, bool separateFiles,
                 Diagnostics diag, bool plainText) {
  ReferenceWriter oneFile(separateFiles ? 0 : set.size(), plainText);
  const ExportFormat format{
      "XML", ".xml", kFileStart,
      [&](OutputBuffer& out, const Node& publication) {
        if (publication.isComment()) {
          appendComment(out, publication);
        } else if (!publication.isEntry()) {
          // Preambles, macros and comment blocks belong to BibTeX alone.
        } else if (separateFiles) {
          ReferenceWriter ownFile(1, plainText);  // anchors are unique within their file
          ownFile.append(out, publication);
        } else {
          oneFile.append(out, publication);
        }
      }};
  return exportPublications(set, fileName, separateFiles, format, diag);
}

}  // namespace pubforge
