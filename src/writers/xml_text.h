// Text put into XML output so that every file is well-formed whatever the
// values hold: markup bytes escaped, bytes that are no XML character (control
// bytes, broken UTF-8) replaced, anchors made into XML names.
#pragma once

#include <string>
#include <string_view>
#include <deque>
#include <unordered_map>
#include <vector>

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
  // The anchor for a citation key, made from the key without its "+" signs
  // (removePlusSigns).  The view stays valid while the anchors and the key
  // live: a key that is its own anchor is not copied.
  std::string_view make(std::string_view key);

  // Room for `count` anchors without growing.
  void reserve(size_t count);

 private:
  bool insert(std::string_view anchor);  // false when it was used before
  void grow();

  // Open addressing over views, so that the anchors of a large file cost no
  // allocation each; empty views mark free slots.
  std::vector<std::string_view> slots_ = std::vector<std::string_view>(64);
  size_t used_ = 0;
  std::deque<std::string> made_;  // anchors that differ from their text
  std::unordered_map<std::string, unsigned> nextNumber_;
};

}  // namespace pubforge
