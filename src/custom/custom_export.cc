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
                             mappings};
  TemplatePrinter printer(settings.printingTemplate, env);
  const std::string header = prepareFrame(settings.header, settings);
  const std::string trailer = prepareFrame(settings.trailer, settings);

  // Comment entries are neither printed nor anyone's neighbour.
  const size_t count = publications.size();
  const Node* previous = nullptr;
  size_t nextIndex = 0;
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    const Node& publication = *publications[i];
    if (publication.isComment()) continue;
    if (nextIndex <= i) nextIndex = i + 1;
    while (nextIndex < count && publications[nextIndex]->isComment()) ++nextIndex;
    const Node* next = nextIndex < count ? publications[nextIndex] : nullptr;

    // The publication is printed before any of it is written, so a fatal
    // error leaves no header of it behind.
    printer.print(publication, previous, next, counters, diag, text);
    write(out, header);
    write(out, text);
    write(out, trailer);
    previous = &publication;
  }
  return true;
}

}  // namespace pubforge
