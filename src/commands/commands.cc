#include "commands/commands.h"

#include <istream>
#include <ostream>
#include <string>

namespace pubforge {

unsigned runCommands(std::istream& input, RunContext& ctx, PublicationSet& /*set*/,
                     unsigned /*level*/) {
  unsigned errors = 0;
  std::string line;
  while (std::getline(input, line)) {
    if (line.empty() || line[0] == '#') continue;
    // No command is known yet, so every other line ends the input.
    ctx.diag.report("ERROR: Bad command '", line, "'!\n");
    return 1;
  }
  return errors;
}

}  // namespace pubforge
