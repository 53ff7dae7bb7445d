#include "reader/cross_references.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/items.h"
#include "reader/entry_building.h"

namespace pubforge {

namespace {

// Fields that identify the document rather than the volume it appears in,
// and the ones the URL check writes about that document.
bool isInherited(std::string_view keyword) {
  return keyword != "crossref" && keyword != "url" && keyword != "doi" &&
         keyword != "numpages" && keyword != "removeme" && !keyword.starts_with("url.");
}

// Parts of a volume: the volume's title is their booktitle.
bool isPartOfVolume(std::string_view type) {
  return type == "InProceedings" || type == "InCollection" || type == "InBook";
}

// Copies into `child` every field of `parent` whose keyword it lacks.
void inherit(Node& child, const Node& parent) {
  std::vector<std::string_view> own;
  own.reserve(child.items.size());
  for (const Item& item : child.items) own.push_back(item.keyword);
  std::sort(own.begin(), own.end());
  auto lacks = [&](std::string_view keyword) {
    return !std::binary_search(own.begin(), own.end(), keyword);
  };

  std::vector<Item> taken;
  for (const Item& item : parent.items) {
    if (!isInherited(item.keyword) || !lacks(item.keyword)) continue;
    taken.push_back(item);
    taken.back().derived = true;
  }
  if (isPartOfVolume(child.value) && lacks("booktitle") && !findItem(parent, "booktitle")) {
    if (const Item* title = findItem(parent, "title")) {
      Item booktitle = *title;
      booktitle.keyword = "booktitle";
      booktitle.priority = static_cast<uint16_t>(itemRank("booktitle"));
      booktitle.derived = true;
      tieParentheses(booktitle);
      taken.push_back(std::move(booktitle));
    }
  }
  if (taken.empty()) return;
  for (Item& item : taken) child.items.push_back(std::move(item));
  sortItems(child);
}

enum class State : unsigned char { kOpen, kDone };

}  // namespace

void resolveCrossReferences(const Collection& collection, Diagnostics diag) {
  std::unordered_map<const Node*, State> states;
  std::vector<Node*> path;
  for (const auto& node : collection) {
    if (!node->isEntry() || !hasCrossReference(*node) || states.count(node.get())) continue;
    // Walks down the chain of cross-references, then inherits on the way
    // back up, so that a parent has taken its own parent's fields before its
    // children take them.  The walk keeps its own stack: a chain may be as
    // long as the bibliography.
    path.push_back(node.get());
    states[node.get()] = State::kOpen;
    while (!path.empty()) {
      Node& child = *path.back();
      const std::string& target = findItem(child, "crossref")->value;
      Node* parent = collection.findEntryAnyCase(target);
      if (parent == nullptr) {
        diag.entryWarning(child.keyword, "refers to missing cross-reference ", target);
      } else {
        const auto state = states.find(parent);
        if (state != states.end() && state->second == State::kOpen) {
          diag.entryWarning(child.keyword, "has a cross-reference cycle through ",
                            parent->keyword);
        } else if (state == states.end() && hasCrossReference(*parent)) {
          states[parent] = State::kOpen;
          path.push_back(parent);
          continue;
        } else {
          inherit(child, *parent);
        }
      }
      states[&child] = State::kDone;
      path.pop_back();
    }
  }
  for (const auto& node : collection)
    if (node->isEntry() && hasCrossReference(*node)) checkItemCounts(*node, diag);
}

}  // namespace pubforge
