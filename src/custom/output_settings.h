// The settings that shape printed output (template, header, trailer, month
// names, no-break space and line-break texts, output style), and the
// counters of printed publications.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/latex_macros.h"
#include "text/months.h"

namespace pubforge {

// The printing template used until a command sets another one.  The `\[`,
// `\]` and `\n` in it are two bytes each: escapes of the template language.
inline constexpr std::string_view kDefaultPrintingTemplate =
    R"TPL(\[%{anchor}\] %{label}
%{begin-author-loop}AUTHOR: [[%{is-first-author?}FIRST|%{is-last-author?}LAST|%{is-not-first-author?}NOT-FIRST]: initials=%{author-initials} given=%{author-given-name} family=%{author-family-name}]
%{end-author-loop}
"%{title}"[, %{booktitle}][, %{journal}][, %{institution}][, %{publisher}][, Volume~%{volume}][, Number~%{number}][, pp.~%{pages}][, %{isbn}][, %{issn}][, %{address}][, [[%{month-number}, %{day}, |%{month-number}~]%{year}].\nURL: %{url}.\n\n)TPL";
static_assert(kDefaultPrintingTemplate.size() == 481);

struct OutputSettings {
  // A run starts with the English month names.
  OutputSettings() {
    for (const MonthRow& month : kMonthTable) monthNames.emplace_back(month.name);
  }

  std::vector<std::string> monthNames;
  std::string printingTemplate{kDefaultPrintingTemplate};
  std::string trailer;
  std::string header;
  std::string linebreak = "\n";
  std::string nbsp = " ";
  bool xmlStyle = false;
  // Values are printed as plain text: LaTeX accents, commands and
  // protecting braces turned into the text they stand for.
  bool plainText = false;
  // The macros that the bibliography's preambles define, expanded in values
  // printed as plain text.
  LatexMacros preambleMacros;
};

// Publications printed by the current export run, and in the whole run.
struct PrintCounters {
  unsigned entryNumber = 0;
  unsigned totalEntryNumber = 0;
};

}  // namespace pubforge
