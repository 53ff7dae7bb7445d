// Conversion of LaTeX notation to UTF-8 or XML text in one left-to-right pass.
#include <array>

#include "text/conversion_table.h"
#include "text/strings.h"

namespace pubforge {

namespace {

// The bytes that end a run of bytes copied as they are: where a LaTeX form
// may begin, tildes and line feeds.
const std::array<bool, 256> kEndsPlainRun = [] {
  std::array<bool, 256> ends = kConversionFormStart;
  ends['~'] = ends['\n'] = true;
  return ends;
}();

}  // namespace

void appendConvertedLatex(std::string& out, std::string_view text, std::string_view nbsp,
                          std::string_view linebreak, bool xmlStyle) {
  // One pass does the table, the tildes and the line feeds: the forms are
  // such that replacing, at each position, the form that begins there gives
  // what the rows applied one after the other give (see conversion_table.cc).
  const std::size_t start = out.size();
  const std::size_t size = text.size();
  std::size_t pos = 0;
  while (pos < size) {
    std::size_t plain = pos;
    while (plain < size) {
      if (kEndsPlainRun[static_cast<unsigned char>(text[plain])]) break;
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
    if (c == '~' && !nbsp.empty()) {
      // A tilde that no row consumes becomes the no-break-space text, and a
      // line feed inside that text becomes a line break like any other.
      for (char n : nbsp) {
        if (n == '\n')
          out.append(linebreak);
        else
          out.push_back(n);
      }
    } else if (c == '\n') {
      out.append(linebreak);  // an empty line break removes the line feed
    } else {
      out.push_back(c);  // with an empty no-break-space text tildes stay
    }
  }

  // Escapes are resolved last, also those that the no-break-space and
  // line-break texts bring in; a line feed made from "\n" here stays.
  if (std::string_view(out).find('\\', start) == std::string_view::npos) return;
  std::string resolved = unescapeBackslashes(std::string_view(out).substr(start));
  out.resize(start);
  out += resolved;
}

std::string convertLatex(std::string_view text, std::string_view nbsp,
                         std::string_view linebreak, bool xmlStyle) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  appendConvertedLatex(out, text, nbsp, linebreak, xmlStyle);
  return out;
}

void convertLatexInto(std::string& out, std::string_view text, std::string_view nbsp,
                      std::string_view linebreak, bool xmlStyle) {
  out.clear();
  out.reserve(text.size() + text.size() / 8);
  appendConvertedLatex(out, text, nbsp, linebreak, xmlStyle);
}

std::string latexToXml(std::string_view text) {
  return convertLatex(text, "&#160;", "\n", true);
}

void latexToXmlInto(std::string& out, std::string_view text) {
  convertLatexInto(out, text, "&#160;", "\n", true);
}

}  // namespace pubforge
