// The LaTeX conversion done the slow, literal way: every row of the
// conversion table replaces all its occurrences in the whole value before the
// next row starts, then tildes, then line feeds, then escapes.  It is the
// yardstick for the single-pass convertLatex, for the unit tests and for
// fuzzing, and therefore depends on nothing but the table and the standard
// library.  Header only, so that any test or fuzz target can include it.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "text/conversion_table.h"

namespace pubforge::reference {

// Every occurrence of `pattern`, left to right; the search goes on after the
// inserted replacement, which is never searched again.
inline void replaceEach(std::string& text, std::string_view pattern,
                        std::string_view replacement) {
  if (pattern.empty()) return;
  std::size_t pos = text.find(pattern);
  while (pos != std::string::npos) {
    text.replace(pos, pattern.size(), replacement);
    pos = text.find(pattern, pos + replacement.size());
  }
}

// Backslash escapes, with the C library's own scanf reading "\xHH".
inline std::string unescape(std::string_view text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i++];
      continue;
    }
    const char next = text[i + 1];
    if (std::string_view("\\{} \"'").find(next) != std::string_view::npos) {
      out += next;
      i += 2;
    } else if (next == 'n') {
      out += '\n';
      i += 2;
    } else if (next == 'x') {
      if (i + 3 < text.size()) {
        const char field[3] = {text[i + 2], text[i + 3], '\0'};
        unsigned value = 0;
        if (std::sscanf(field, "%02x", &value) == 1) {
          out += static_cast<char>(value);
          i += 4;
          continue;
        }
      }
      i += 2;  // "\x" without a number is dropped
    } else {
      out += '\\';
      out += next;
      i += 2;
    }
  }
  return out;
}

// The rows in the order in which they act: table order, except that in XML
// output the ampersand row (78) comes before rows 75 to 77.
inline std::vector<std::size_t> rowOrder(bool xmlStyle) {
  std::vector<std::size_t> order;
  for (std::size_t row = 0; row < kConversionRowCount; ++row) {
    if (xmlStyle && row == 74) order.push_back(77);
    if (xmlStyle && row == 77) continue;
    order.push_back(row);
  }
  return order;
}

inline std::string convertLatexByRows(std::string_view text, std::string_view nbsp,
                                      std::string_view linebreak, bool xmlStyle) {
  std::string work(text);
  for (std::size_t row : rowOrder(xmlStyle)) {
    const ConversionRow& r = ConversionTable[row];
    replaceEach(work, r.latex, xmlStyle ? r.xml : r.utf8);
  }
  if (!nbsp.empty()) replaceEach(work, "~", nbsp);
  replaceEach(work, "\n", linebreak);
  return unescape(work);
}

}  // namespace pubforge::reference
