// The LaTeX forms that values may use for accented letters and special
// characters, each with the text that replaces it in UTF-8 and in XML output,
// and the index that finds them during the single left-to-right conversion.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace pubforge {

struct ConversionRow {
  std::string_view latex;  // searched for in a value; never empty
  std::string_view utf8;   // replaces it in UTF-8 output
  std::string_view xml;    // replaces it in XML output
};

inline constexpr std::size_t kConversionRowCount = 81;

// The rows in their fixed order.  Read-only for the whole run.
extern const std::array<ConversionRow, kConversionRowCount> ConversionTable;

// True for the bytes with which some row's latex form begins.
extern const std::array<bool, 256> kConversionFormStart;

// What findConversionRow returns when no latex form begins at the position.
inline constexpr std::size_t kNoConversionRow = kConversionRowCount;

// The index of the row whose latex form begins at text[pos], or
// kNoConversionRow.  No form is a prefix of another, so at most one row can
// match at a position.
std::size_t findConversionRow(std::string_view text, std::size_t pos);

}  // namespace pubforge
