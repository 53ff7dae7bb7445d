#include "model/node.h"

#include <algorithm>
#include <numeric>
#include <ostream>

#include "text/ascii.h"

namespace pubforge {

const std::string& Node::customString(size_t i) const {
  static const std::string kEmpty;
  return i < custom.size() ? custom[i] : kEmpty;
}

std::unique_ptr<Node> createNode(std::string keyword) {
  auto node = std::make_unique<Node>();
  node->keyword = std::move(keyword);
  return node;
}

Node* Collection::findEntry(std::string_view key) const {
  if (!indexed_) {
    entries_ = KeyIndex(nodes_.size());
    for (const auto& node : nodes_)
      if (node->isEntry()) entries_.insert(node.get());
    indexed_ = true;
  }
  return entries_.find(key);
}

Node* Collection::findEntryAnyCase(std::string_view key) const {
  if (Node* exact = findEntry(key)) return exact;
  if (foldedIndex_.empty()) {
    foldedIndex_.reserve(nodes_.size());
    for (const auto& node : nodes_)
      if (node->isEntry()) foldedIndex_.try_emplace(asciiLowerCopy(node->keyword), node.get());
  }
  const auto found = foldedIndex_.find(asciiLowerCopy(key));
  return found == foldedIndex_.end() ? nullptr : found->second;
}

Node* findNode(const Collection& collection, std::string_view keyword) {
  return collection.findEntry(keyword);
}

size_t countPublications(const Collection& collection) {
  size_t n = 0;
  for (const auto& node : collection) n += node->isEntry() || node->isComment();
  return n;
}

// Looked up many times for every entry: the length and the first byte rule
// out most items before their keywords are compared.
static bool sameKeyword(const std::string& itemKeyword, std::string_view keyword) {
  return itemKeyword.size() == keyword.size() &&
         (keyword.empty() || (itemKeyword[0] == keyword[0] &&
                              std::char_traits<char>::compare(itemKeyword.data() + 1,
                                                              keyword.data() + 1,
                                                              keyword.size() - 1) == 0));
}

Item* findItem(Node& publication, std::string_view keyword) {
  for (Item& item : publication.items)
    if (sameKeyword(item.keyword, keyword)) return &item;
  return nullptr;
}

const Item* findItem(const Node& publication, std::string_view keyword) {
  return findItem(const_cast<Node&>(publication), keyword);
}

unsigned countItems(const Node& publication, std::string_view keyword) {
  unsigned n = 0;
  for (const Item& item : publication.items)
    if (sameKeyword(item.keyword, keyword)) ++n;
  return n;
}

void checkItemCount(const Node& publication, std::string_view keyword, unsigned minimum,
                    Diagnostics diag) {
  reportItemCount(publication, keyword, countItems(publication, keyword), minimum, diag);
}

void reportItemCount(const Node& publication, std::string_view keyword, unsigned n,
                     unsigned minimum, Diagnostics diag) {
  if (n < minimum)
    diag.entryWarning(publication.keyword, "has no \"", keyword, "\" section");
  else if (n > 1)
    diag.entryWarning(publication.keyword, "has ", n, " \"", keyword, "\" sections");
}

static bool itemBefore(const Item& a, const Item& b) {
  if (a.priority != b.priority) return a.priority > b.priority;
  // std::string compares as unsigned bytes (char_traits<char>::lt), and a
  // prefix sorts before the longer keyword.
  return a.keyword < b.keyword;
}

size_t insertItemInOrder(Node& publication, Item item) {
  std::vector<Item>& items = publication.items;
  if (std::is_sorted(items.begin(), items.end(), itemBefore)) {
    // Put in front and sorted stably, the item would end up before every
    // item that does not sort before it.
    auto at = std::lower_bound(items.begin(), items.end(), item, itemBefore);
    const size_t position = static_cast<size_t>(at - items.begin());
    items.insert(at, std::move(item));
    return position;
  }
  items.insert(items.begin(), std::move(item));
  return sortItems(publication, 0);
}

size_t sortItems(Node& publication, size_t tracked) {
  std::vector<Item>& items = publication.items;
  if (std::is_sorted(items.begin(), items.end(), itemBefore)) return tracked;
  if (items.size() <= 32) {
    // Entries hold a few dozen items at most: a stable insertion sort that
    // needs no extra memory.
    for (size_t i = 1; i < items.size(); ++i) {
      if (!itemBefore(items[i], items[i - 1])) continue;
      Item moving = std::move(items[i]);
      size_t j = i;
      for (; j > 0 && itemBefore(moving, items[j - 1]); --j) items[j] = std::move(items[j - 1]);
      items[j] = std::move(moving);
      if (tracked == i)
        tracked = j;
      else if (tracked != SIZE_MAX && tracked >= j && tracked < i)
        ++tracked;
    }
    return tracked;
  }
  if (tracked == SIZE_MAX) {
    std::stable_sort(items.begin(), items.end(), itemBefore);
    return tracked;
  }
  std::vector<size_t> order(items.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return itemBefore(items[a], items[b]); });
  std::vector<Item> sorted;
  sorted.reserve(items.size());
  size_t newPosition = SIZE_MAX;
  for (size_t i = 0; i < order.size(); ++i) {
    if (order[i] == tracked) newPosition = i;
    sorted.push_back(std::move(items[order[i]]));
  }
  items = std::move(sorted);
  return newPosition;
}

}  // namespace pubforge
