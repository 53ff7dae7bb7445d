// A full text dump of a collection, for comparing what two reads built: one
// line per publication and per item, with each item's rank, number and
// author parts.  Shared by the hardening tests and the fuzz targets.
#pragma once

#include <string>
#include <string_view>

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

}  // namespace pubforge
