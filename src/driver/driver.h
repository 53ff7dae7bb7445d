// The program's entry point as a library call: parses the command line,
// reads the BibTeX files and runs command mode or non-interactive mode.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace pubforge {

struct RunContext;

// Runs the program with `args` (args[0] is the program name as invoked) and
// returns the exit status.  Standard input is `in`; standard output `out`;
// standard error `diag`.
int runPubforge(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                std::ostream& err);

// The same with a context made by the caller, which keeps what the run read.
int runPubforge(const std::vector<std::string>& args, std::istream& in, RunContext& ctx);

}  // namespace pubforge
