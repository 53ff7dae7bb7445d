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
