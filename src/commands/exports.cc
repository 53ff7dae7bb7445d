#include "commands/exports.h"

#include <functional>
#include <optional>
#include <string>

#include "custom/custom_export.h"
#include "urlcheck/url_check.h"
#include "writers/bibtex_writer.h"
#include "writers/csl_json_writer.h"
#include "writers/xml_writer.h"

namespace pubforge {

namespace {

bool printList(RunContext& ctx, const PublicationSet& set, std::string_view namingTemplate) {
  return exportToCustom(set, namingTemplate, ctx.settings, ctx.options.urlCheck.downloadDirectory,
                        ctx.mappings, ctx.counters, ctx.out, ctx.diag);
}

// One file export: its target, and whether it writes one file per entry.
struct FileExport {
  const std::optional<std::string>& target;
  bool separateFiles;
  std::function<bool(const std::string&, bool)> write;
};

}  // namespace

ExportOutcome runExports(RunContext& ctx, const PublicationSet& set, StopRule stopRule,
                         std::string_view namingTemplate) {
  const RunOptions& o = ctx.options;
  ExportOutcome outcome;
  if (o.urlCheck.enabled && !ctx.interrupted) {
    const UrlCheckResult check = runUrlCheck(set, o.urlCheck, ctx.diag);
    outcome.errors += check.errors;
    ctx.interrupted = check.interrupted;
    ctx.endAtOnce = check.endAtOnce;
    if (ctx.endAtOnce) return outcome;
  }
  const bool everyStep = stopRule == StopRule::kRunEveryStep;
  if (!everyStep && !printList(ctx, set, namingTemplate)) ++outcome.errors;

  // An export whose file is standard output writes to it directly: what the
  // stream holds already goes first.
  ctx.out.flush();
  const bool plain = ctx.settings.plainText;
  auto bibtex = [&](const std::string& name, bool separate) {
    return exportToBibTeX(set, name, separate, o.bibtex, ctx.diag);
  };
  auto xml = [&](const std::string& name, bool separate) {
    return exportToXML(set, name, separate, ctx.diag, plain);
  };
  auto cslJson = [&](const std::string& name, bool) {
    return exportToCslJson(set, name, ctx.diag);
  };
  const FileExport files[] = {
      {o.bibtex.file, false, bibtex},
      {o.bibtex.separatePrefix, true, bibtex},
      {o.xml.file, false, xml},
      {o.xml.separatePrefix, true, xml},
      {o.cslJson.file, false, cslJson},
  };
  for (const FileExport& file : files) {
    if (!file.target || file.write(*file.target, file.separateFiles)) continue;
    outcome.fileFailed = true;
    if (!everyStep) return outcome;
  }

  if (everyStep && o.custom.file && !printList(ctx, set, namingTemplate)) ++outcome.errors;
  return outcome;
}

}  // namespace pubforge
