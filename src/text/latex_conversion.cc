// Conversion of LaTeX notation to UTF-8 or XML text in one left-to-right pass.
#include "text/conversion_table.h"
#include "text/strings.h"

namespace pubforge {

std::string convertLatex(std::string_view text, std::string_view nbsp,
                         std::string_view linebreak, bool xmlStyle) {
  std::string out;
  convertLatexInto(out, text, nbsp, linebreak, xmlStyle);
  return out;
}

void convertLatexInto(std::string& out, std::string_view text, std::string_view nbsp,
                      std::string_view linebreak, bool xmlStyle) {
  // A tilde that no row consumes becomes the no-break-space text, and a line
  // feed inside that text becomes a line break like any other.  With an empty
  // no-break-space text tildes stay.
  std::string tilde = nbsp.empty() ? std::string("~") : std::string(nbsp);
  replaceAll(tilde, "\n", linebreak);

  // One pass does the table, the tildes and the line feeds: the forms are
  // such that replacing, at each position, the form that begins there gives
  // what the rows applied one after the other give (see conversion_table.cc).
  out.clear();
  out.reserve(text.size() + text.size() / 8);
  const std::size_t size = text.size();
  std::size_t pos = 0;
  while (pos < size) {
    std::size_t plain = pos;
    while (plain < size) {
      const auto byte = static_cast<unsigned char>(text[plain]);
      if (kConversionFormStart[byte] || byte == '~' || byte == '\n') break;
      ++plain;
    }
    out.append(text.substr(pos, plain - pos));
    pos = plain;
    if (pos == size) break;

    const std::size_t row = findConversionRow(text, pos);
    if (row != kNoConversionRow) {
      const ConversionRow& found = ConversionTable[row];
      out.append(xmlStyle ? found.xml : found.utf8);
      pos += found.latex.size();
      continue;
    }
    const char c = text[pos++];
    if (c == '~') {
      out.append(tilde);
    } else if (c == '\n') {
      out.append(linebreak);  // an empty line break removes the line feed
    } else {
      out.push_back(c);
    }
  }

  // Escapes are resolved last, also those that the no-break-space and
  // line-break texts bring in; a line feed made from "\n" here stays.
  if (out.find('\\') != std::string::npos) out = unescapeBackslashes(out);
}

std::string latexToXml(std::string_view text) {
  return convertLatex(text, "&#160;", "\n", true);
}

void latexToXmlInto(std::string& out, std::string_view text) {
  convertLatexInto(out, text, "&#160;", "\n", true);
}

}  // namespace pubforge
