// A full text dump of a collection, for comparing what two reads built: one
// line per publication and per item, with each item's rank, number and
// author parts; and the order of the written file.  Shared by the tests and
// the fuzz targets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/node.h"

namespace pubforge {

inline std::string dumpCollection(const Collection& collection) {
  std::string text;
  for (const auto& node : collection) {
    text += "@" + node->value + (node->typeWord.empty() ? "" : "/" + node->typeWord) + " " +
            node->keyword + "\n";
    for (const Item& item : node->items) {
      text += "  " + item.keyword + "=" + item.value + " #" + std::to_string(item.priority) +
              " n" + std::to_string(item.numericValue);
      for (std::string_view part : item.authorParts) (text += " |") += part;
      text += "\n";
    }
  }
  return text;
}

// The publications in the order in which the BibTeX writer puts them:
// preambles, macros, then entries, comment lines and comment blocks.
inline std::vector<const Node*> inWrittenOrder(const Collection& collection) {
  std::vector<const Node*> order;
  for (PublicationKind kind : {PublicationKind::kPreamble, PublicationKind::kString})
    for (const auto& node : collection)
      if (node->kind == kind) order.push_back(node.get());
  for (const auto& node : collection)
    if (node->kind != PublicationKind::kPreamble && node->kind != PublicationKind::kString)
      order.push_back(node.get());
  return order;
}

}  // namespace pubforge
