#include "writers/xml_text.h"

#include <array>
#include <cstdint>

namespace pubforge {

namespace {

// U+FFFD, put where a byte is no XML character.
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

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

// Decodes the UTF-8 sequence at text[i]; returns its length, or 0 when the
// bytes there are no well-formed sequence of an XML character (overlong
// forms, surrogates, U+FFFE, U+FFFF and code points past U+10FFFF are not).
size_t decodeUtf8(std::string_view text, size_t i, uint32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(text[i]);
  size_t length;
  uint32_t minimum;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (next & 0x3F);
  }
  if (codePoint < minimum || codePoint > 0x10FFFF) return 0;
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return 0;
  if (codePoint == 0xFFFE || codePoint == 0xFFFF) return 0;
  return length;
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
      const size_t length = decodeUtf8(text, i, codePoint);
      if (length == 0 || !isXmlChar(codePoint)) {
        out += kReplacement;
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

}  // namespace

void appendXmlEscaped(OutputBuffer& out, std::string_view text, XmlPlace place) {
  append(out, text, place, false);
}

void appendXmlConverted(OutputBuffer& out, std::string_view xml, XmlPlace place) {
  append(out, xml, place, true);
}

std::string XmlAnchors::make(std::string_view text) {
  std::string anchor;
  anchor.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size();) {
    uint32_t codePoint;
    const size_t length = decodeUtf8(text, i, codePoint);
    if (length == 0) {
      anchor += '_';
      ++i;
      continue;
    }
    if (anchor.empty() && !isNameStart(codePoint) && isNameChar(codePoint)) anchor += '_';
    if (isNameChar(codePoint))
      anchor += text.substr(i, length);
    else
      anchor += '_';
    i += length;
  }
  if (anchor.empty()) anchor = "_";
  if (used_.insert(anchor).second) return anchor;
  // Numbering goes on where it stopped for this anchor, so many equal
  // anchors cost no more than distinct ones.
  unsigned& n = nextNumber_[anchor];
  if (n < 2) n = 2;
  while (true) {
    std::string numbered = anchor + '-' + std::to_string(n++);
    if (used_.insert(numbered).second) return numbered;
  }
}

}  // namespace pubforge
