// The exports that a run asks for, in their one fixed order: the URL check,
// the printed list, the BibTeX files, the XML files and the CSL-JSON file.
// Non-interactive mode runs them once; command mode at every "export".
#pragma once

#include <string_view>

#include "commands/run_context.h"
#include "model/publication_set.h"

namespace pubforge {

// What a failed step does to the steps after it.
enum class StopRule {
  // Non-interactive mode: every requested step runs, also after an earlier
  // one failed.  The printed list comes last and only with -C.
  kRunEveryStep,
  // Command mode: the printed list always comes first, right after the URL
  // check; the first file export that fails ends the sequence.
  kStopAtFailedFile,
};

struct ExportOutcome {
  unsigned errors = 0;      // of the URL check and the printed list
  bool fileFailed = false;  // a file export failed
};

// Runs the exports of `ctx.options` over `set`.  `namingTemplate` names the
// publications of the printed list.  A URL check that a signal stopped sets
// ctx.interrupted; the exports then still run, with what it found so far,
// unless a second signal set ctx.endAtOnce.  A fatal template error travels up as
// FatalError.
ExportOutcome runExports(RunContext& ctx, const PublicationSet& set, StopRule stopRule,
                         std::string_view namingTemplate = "%u");

}  // namespace pubforge
