// Publications and settings for evaluating printing templates in-process.
#pragma once

#include <initializer_list>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "custom/mapping.h"
#include "custom/output_settings.h"
#include "custom/template.h"
#include "model/diagnostics.h"
#include "model/node.h"

namespace pubforge::testing {

struct ItemSpec {
  std::string keyword;
  std::string value;
  int32_t number = 0;  // numericValue
};

// A publication with the given items, in the given order.
inline std::unique_ptr<Node> makePublication(std::string key, std::string type,
                                             std::vector<ItemSpec> items,
                                             std::string label = "") {
  auto node = createNode(std::move(key));
  if (type == "Comment") node->kind = PublicationKind::kComment;
  node->value = std::move(type);
  node->label = std::move(label);
  for (ItemSpec& spec : items) {
    Item item;
    item.keyword = std::move(spec.keyword);
    item.value = std::move(spec.value);
    item.numericValue = spec.number;
    node->items.push_back(std::move(item));
  }
  return node;
}

// Adds an author item with the given names: family name, given name and
// initials for each author, one after the other.
inline void addAuthors(Node& publication, std::initializer_list<std::string_view> parts) {
  Item item;
  item.keyword = "author";
  item.value = "(authors)";
  item.authorParts = parts;
  publication.items.insert(publication.items.begin(), std::move(item));
}

// The output settings of a run, with what an evaluation needs besides them;
// messages are collected in `err`.
struct PrintSetup {
  OutputSettings settings;
  std::string namingTemplate = "%u";
  std::optional<std::string> downloadDirectory;
  MappingSet mappings;
  PrintCounters counters;
  std::ostringstream err;

  PrintEnvironment environment() const {
    return PrintEnvironment{namingTemplate,       settings.monthNames, settings.nbsp,
                            settings.linebreak,   settings.xmlStyle,   downloadDirectory,
                            mappings};
  }

  std::string print(std::string_view templateText, const Node& publication,
                    const Node* previous = nullptr, const Node* next = nullptr) {
    const PrintEnvironment env = environment();
    return printPublication(templateText, publication, previous, next, env, counters, err);
  }
};

}  // namespace pubforge::testing

namespace pubforge::testing {

// A few publications that between them give every placeholder something to
// print and something to miss: authors with braces and empty names, dates,
// url items, languages, notes, custom strings, a comment entry and an entry
// without items.  In collection order.
inline Collection samplePublications() {
  Collection all;
  auto article = makePublication(
      "Kell2020", "Article",
      {{"title", "Tide {T}ables: M{\\\"u}ller--Schmidt~Verlag"},
       {"journal", "Coastal Notes"},
       {"volume", "7"},
       {"pages", "11--19"},
       {"month", "05", 5},
       {"day", "07", 7},
       {"year", "2020", 2020},
       {"isbn", "978-3-16-148410-0"},
       {"language", "ngerman"},
       {"note", "ISBN 978-3-16-148410-0"},
       {"url", "https://example.org/~kell/a\nb.pdf"},
       {"url.size", "1536"},
       {"url.mime", "application/pdf"},
       {"url.md5", "0123456789abcdef"}},
      "1");
  addAuthors(*article, {"Kell", "Mira", "M.", "{Dalen Sons}", "", "", "M{\\\"u}ller", "J{\\\"o}rg",
                        "J."});
  article->custom = {"c1 {\\'e}", "", "c3", "", "", "", "", "", "c9"};
  all.push_back(std::move(article));

  all.push_back(makePublication("1", "Comment", {{"comment", "% a comment line"}}));

  auto book = makePublication("sousa2020", "Book",
                              {{"title", "<Sediments> & 'Estuaries'"},
                               {"publisher", "Harbour\nPress"},
                               {"year", "2020", 2020},
                               {"month", "13", 13},
                               {"language", "Greek"},
                               {"content-language", "el"},
                               {"note", "A note with ISBN later"},
                               {"url.size", "0"},
                               {"url.mime", "text/x-other"}},
                              "");
  addAuthors(*book, {"Sousa", "Ana", "A."});
  all.push_back(std::move(book));

  all.push_back(makePublication("empty", "Misc", {}, "label+with+plus"));

  auto report = makePublication("dalen2021", "TechReport",
                                {{"title", "Sluice gates"},
                                 {"institution", "Harbour Office"},
                                 {"year", "2021", 2021},
                                 {"author", ""}},
                                "x");
  all.push_back(std::move(report));
  return all;
}

}  // namespace pubforge::testing
