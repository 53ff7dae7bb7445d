#include "writers/xml_text.h"

#include <array>
#include <cstdint>
#include <optional>

#include "text/utf8.h"
#include "writers/xml_writer.h"

namespace pubforge {

namespace {

// Bytes that need a look before they are copied: markup bytes, control
// bytes and the bytes of multi-byte UTF-8 sequences.
constexpr std::array<bool, 256> kSpecialByte = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 0x20; ++c) table[c] = c != '\t' && c != '\n' && c != '\r';
  for (int c = 0x80; c < 0x100; ++c) table[c] = true;
  table['&'] = table['<'] = table['>'] = table['"'] = true;
  return table;
}();

bool isSpecial(char c) { return kSpecialByte[static_cast<unsigned char>(c)]; }

// decodeUtf8, with U+FFFE and U+FFFF, which XML does not allow, taken as
// no sequence at all.
size_t decodeXmlUtf8(std::string_view text, size_t i, uint32_t& codePoint) {
  const size_t length = decodeUtf8(text, i, codePoint);
  return codePoint == 0xFFFE || codePoint == 0xFFFF ? 0 : length;
}

bool isXmlChar(uint32_t c) {
  if (c < 0x20) return c == '\t' || c == '\n' || c == '\r';
  return (c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// The length of a reference at text[i] (which is "&") that a parser accepts
// without a document type: one of the five predefined entities, or a
// character reference to an XML character.  0 when there is none.
size_t referenceLength(std::string_view text, size_t i) {
  const std::string_view rest = text.substr(i);
  for (std::string_view name : {"&lt;", "&gt;", "&amp;", "&quot;", "&apos;"})
    if (rest.starts_with(name)) return name.size();
  if (!rest.starts_with("&#")) return 0;
  const bool hex = rest.size() > 2 && rest[2] == 'x';
  size_t at = hex ? 3 : 2;
  uint32_t value = 0;
  const size_t firstDigit = at;
  for (; at < rest.size() && at - firstDigit < 8; ++at) {
    const char c = rest[at];
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      break;
    }
    value = value * (hex ? 16 : 10) + digit;
  }
  if (at == firstDigit || at >= rest.size() || rest[at] != ';' || !isXmlChar(value)) return 0;
  return at + 1;
}

void append(OutputBuffer& out, std::string_view text, XmlPlace place, bool keepReferences) {
  size_t i = 0;
  while (i < text.size()) {
    size_t plain = i;
    while (plain < text.size() && !isSpecial(text[plain])) ++plain;
    out += text.substr(i, plain - i);
    i = plain;
    if (i == text.size()) break;

    const char c = text[i];
    if (c == '&') {
      const size_t kept = keepReferences ? referenceLength(text, i) : 0;
      if (kept) {
        out += text.substr(i, kept);
        i += kept;
      } else {
        out += "&amp;";
        ++i;
      }
    } else if (c == '<') {
      out += "&lt;";
      ++i;
    } else if (c == '>') {
      out += "&gt;";
      ++i;
    } else if (c == '"') {
      out += place == XmlPlace::kAttribute ? std::string_view("&quot;") : std::string_view("\"");
      ++i;
    } else {
      uint32_t codePoint;
      const size_t length = decodeXmlUtf8(text, i, codePoint);
      if (length == 0 || !isXmlChar(codePoint)) {
        out += kReplacementCharacter;
        ++i;
      } else {
        out += text.substr(i, length);
        i += length;
      }
    }
  }
}

bool isNameStart(uint32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
  return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
         (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
         (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
         (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
         (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0xEFFFF);
}

bool isNameChar(uint32_t c) {
  return isNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
         (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// The anchor that `text` gives, or nothing when `text` is one already.
std::optional<std::string> nameFrom(std::string_view text) {
  size_t i = 0;
  uint32_t codePoint = 0;
  size_t length = 0;
  // Most keys are names already: they are checked without a copy.
  for (; i < text.size(); i += length) {
    length = decodeXmlUtf8(text, i, codePoint);
    if (length == 0 || !(i == 0 ? isNameStart(codePoint) : isNameChar(codePoint))) break;
  }
  if (i == text.size() && !text.empty()) return std::nullopt;

  std::string name(text.substr(0, i));
  name.reserve(text.size() + 1);
  while (i < text.size()) {
    length = decodeXmlUtf8(text, i, codePoint);
    if (length == 0) {
      name += '_';
      ++i;
      continue;
    }
    if (name.empty() && !isNameStart(codePoint) && isNameChar(codePoint)) name += '_';
    if (isNameChar(codePoint))
      name += text.substr(i, length);
    else
      name += '_';
    i += length;
  }
  if (name.empty()) name = "_";
  return name;
}

}  // namespace

void appendXmlEscaped(OutputBuffer& out, std::string_view text, XmlPlace place) {
  append(out, text, place, false);
}

void appendXmlConverted(OutputBuffer& out, std::string_view xml, XmlPlace place) {
  append(out, xml, place, true);
}

bool XmlAnchors::insert(std::string_view anchor) {
  const size_t mask = slots_.size() - 1;
  for (size_t slot = std::hash<std::string_view>{}(anchor) & mask;; slot = (slot + 1) & mask) {
    if (slots_[slot].empty()) {
      slots_[slot] = anchor;
      if (++used_ * 2 > slots_.size()) grow();
      return true;
    }
    if (slots_[slot] == anchor) return false;
  }
}

void XmlAnchors::reserve(size_t count) {
  while (slots_.size() < count * 2) grow();
}

void XmlAnchors::grow() {
  std::vector<std::string_view> old(slots_.size() * 2);
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (std::string_view anchor : old) {
    if (anchor.empty()) continue;
    size_t slot = std::hash<std::string_view>{}(anchor) & mask;
    while (!slots_[slot].empty()) slot = (slot + 1) & mask;
    slots_[slot] = anchor;
  }
}

std::string_view XmlAnchors::make(std::string_view key) {
  const bool hasPlus = key.find('+') != std::string_view::npos;
  std::string plain = hasPlus ? removePlusSigns(key) : std::string();
  std::optional<std::string> name = nameFrom(hasPlus ? std::string_view(plain) : key);
  if (!hasPlus && !name) {
    if (insert(key)) return key;
    name.emplace(key);
  } else {
    if (!name) name = std::move(plain);
    made_.push_back(*name);
    if (insert(made_.back())) return made_.back();
    made_.pop_back();
  }
  // Numbering goes on where it stopped for this anchor, so many equal
  // anchors cost no more than distinct ones.
  unsigned& n = nextNumber_[*name];
  if (n < 2) n = 2;
  while (true) {
    made_.push_back(*name + '-' + std::to_string(n++));
    if (insert(made_.back())) return made_.back();
    made_.pop_back();
  }
}

}  // namespace pubforge
