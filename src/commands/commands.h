// The command language of command mode, read line by line from standard
// input and from include files: it selects, labels and orders publications,
// changes the output settings and exports.
#pragma once

#include <iosfwd>

#include "commands/run_context.h"
#include "model/publication_set.h"

namespace pubforge {

// Include files open inside one another at most this deep.
inline constexpr unsigned kMaxIncludeLevel = 10;

// Include files opened in one run at most.  A file that includes itself
// several times multiplies its runs at every level, so without this bound a
// few lines could keep the program busy for years.
inline constexpr unsigned kMaxIncludeFiles = 10000;

// Runs the commands of `input` and returns the number of errors: the errors
// counted while reading, or 1 when an error stopped the input.  `level` is the
// include nesting level of `input` (0 for standard input).  Changes to `set`,
// to the publications' labels and custom strings and to ctx.settings stay.
unsigned runCommands(std::istream& input, RunContext& ctx, PublicationSet& set, unsigned level);

}  // namespace pubforge
