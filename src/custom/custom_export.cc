#include "custom/custom_export.h"

#include <ostream>

#include "custom/template.h"
#include "text/strings.h"

namespace pubforge {

namespace {

// The header and trailer: escapes resolved, then converted like a value,
// with line feeds kept and the UTF-8 column whatever the output style.
std::string prepareFrame(const std::string& text, const OutputSettings& settings) {
  return convertLatex(unescapeBackslashes(text), settings.nbsp, "\n", false);
}

// Printed text is written once this much has been collected.
constexpr size_t kWriteSize = 1 << 16;

void write(std::ostream& out, std::string_view text) {
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace

bool exportToCustom(const PublicationSet& publications, std::string_view namingTemplate,
                    const OutputSettings& settings,
                    const std::optional<std::string>& downloadDirectory,
                    const MappingSet& mappings, PrintCounters& counters, std::ostream& out,
                    Diagnostics diag) {
  counters.entryNumber = 0;
  const PrintEnvironment env{namingTemplate,     settings.monthNames, settings.nbsp,
                             settings.linebreak, settings.xmlStyle,   downloadDirectory,
                             mappings,           settings.plainText,
                             &settings.preambleMacros};
  TemplatePrinter printer(settings.printingTemplate, env);
  const std::string header = prepareFrame(settings.header, settings);
  const std::string trailer = prepareFrame(settings.trailer, settings);

  // Only entries are printed and anyone's neighbour: comment lines,
  // preambles, macros and comment blocks are not.  What is printed is
  // collected and written in large pieces.
  const size_t count = publications.size();
  const Node* previous = nullptr;
  size_t nextIndex = 0;
  std::string pending;
  for (size_t i = 0; i < count; ++i) {
    const Node& publication = *publications[i];
    if (!publication.isEntry()) continue;
    if (nextIndex <= i) nextIndex = i + 1;
    while (nextIndex < count && !publications[nextIndex]->isEntry()) ++nextIndex;
    const Node* next = nextIndex < count ? publications[nextIndex] : nullptr;

    const size_t before = pending.size();
    pending += header;
    try {
      printer.print(publication, previous, next, counters, diag, pending);
    } catch (const FatalError&) {
      // What the publications before it printed is written; nothing of
      // this one, not even its header.
      pending.resize(before);
      write(out, pending);
      throw;
    }
    pending += trailer;
    if (pending.size() >= kWriteSize) {
      write(out, pending);
      pending.clear();
    }
    previous = &publication;
  }
  write(out, pending);
  return true;
}

LatexMacros preambleMacros(const Collection& publications) {
  LatexMacros macros;
  for (const auto& publication : publications) {
    if (publication->kind != PublicationKind::kPreamble) continue;
    if (const Item* text = findItem(*publication, "preamble")) macros.addDefinitions(text->value);
  }
  return macros;
}

}  // namespace pubforge
