// Text put into XML output so that every file is well-formed whatever the
// values hold: markup bytes escaped, bytes that are no XML character (control
// bytes, broken UTF-8) replaced, anchors made into XML names.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "writers/output_file.h"

namespace pubforge {

// Where a text goes.
enum class XmlPlace {
  kContent,    // between tags: "&", "<" and ">" are escaped
  kAttribute,  // between double quotes: the double quote is escaped as well
};

// Appends a value taken as it is stored (a URL, a MIME type): every "&",
// "<", ">" (and in an attribute every double quote) becomes its entity
// reference.
void appendXmlEscaped(OutputBuffer& out, std::string_view text, XmlPlace place);

// Appends text that is XML already (what latexToXml made of a value): the
// references in it stay, while a markup byte that would break the file (one
// that an escape such as "\x3C" brought in) is escaped.
void appendXmlConverted(OutputBuffer& out, std::string_view xml, XmlPlace place);

// The anchors of one file.  An anchor is the attribute by which a document
// refers to a reference, so it must be an XML name and unique in its file:
// a byte that cannot stand in a name becomes "_", a name that would begin
// with a digit, "-" or "." gets a "_" before it, and an anchor used before in
// the file gets "-2", "-3", ... appended.  Anchors that are names already and
// come once are kept as they are.
class XmlAnchors {
 public:
  // The anchor for `text` (the citation key without its "+" signs).
  std::string make(std::string_view text);

 private:
  std::unordered_set<std::string> used_;
  std::unordered_map<std::string, unsigned> nextNumber_;
};

}  // namespace pubforge
