// The command language of command mode, read line by line from standard
// input and from include files.
#pragma once

#include <iosfwd>

#include "commands/run_context.h"
#include "model/publication_set.h"

namespace pubforge {

// Runs the commands of `input`; returns the number of errors.  `level` is the
// include nesting level (0 for standard input).
unsigned runCommands(std::istream& input, RunContext& ctx, PublicationSet& set, unsigned level);

}  // namespace pubforge
