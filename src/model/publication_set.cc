#include "model/publication_set.h"

#include <algorithm>
#include <numeric>
#include <string_view>

namespace pubforge {

PublicationSet::PublicationSet(size_t capacity) : capacity_(capacity) {
  slots_.reserve(capacity);
}

void PublicationSet::clear() {
  slots_.clear();
  members_.clear();
  indexed_ = true;
}

bool PublicationSet::add(Node* publication) {
  if (!indexed_) {
    members_.reserve(slots_.size() + 1);
    members_.insert(slots_.begin(), slots_.end());
    indexed_ = true;
  }
  if (!members_.insert(publication).second) return false;
  slots_.push_back(publication);
  return true;
}

void PublicationSet::addAll(const Collection& collection) {
  if (!slots_.empty()) {
    for (const auto& node : collection)
      if (add(node.get())) node->label = node->keyword;
    return;
  }
  // Into an empty set every node of the collection goes once: no lookups.
  // The membership index is built only when add() needs it.
  for (const auto& node : collection) {
    slots_.push_back(node.get());
    node->label = node->keyword;
  }
  members_.clear();
  indexed_ = false;
}

namespace {

// Three-way comparison of two byte strings as unsigned bytes; a prefix is
// smaller than the longer string.
int compareBytes(std::string_view a, std::string_view b) {
  int c = a.compare(b);  // char_traits<char> compares as unsigned char
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

const std::string* sortValue(const Node& publication, std::string_view key) {
  if (key == "$type") return &publication.writtenType();
  if (key == "$key") return &publication.keyword;
  const Item* item = findItem(publication, key);
  return item ? &item->value : nullptr;
}

void PublicationSet::sort(const std::vector<std::string>& keys,
                          const std::vector<bool>& ascending) {
  const size_t keyCount = std::min(keys.size(), ascending.size());
  const size_t n = slots_.size();
  if (keyCount == 0 || n < 2) return;

  // The value of each key's first item, looked up once per publication
  // instead of once per comparison; null where the publication has none.
  std::vector<const std::string*> values(n * keyCount);
  for (size_t p = 0; p < n; ++p)
    for (size_t k = 0; k < keyCount; ++k) {
      values[p * keyCount + k] = sortValue(*slots_[p], keys[k]);
    }

  auto before = [&](size_t a, size_t b) {
    for (size_t k = 0; k < keyCount; ++k) {
      const std::string* va = values[a * keyCount + k];
      const std::string* vb = values[b * keyCount + k];
      int order;  // < 0: a first when ascending
      if (!va && !vb) continue;
      if (!va) {
        order = 1;
      } else if (!vb) {
        order = -1;
      } else {
        order = compareBytes(*va, *vb);
        if (order == 0) continue;
      }
      return ascending[k] ? order < 0 : order > 0;
    }
    return false;
  };

  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), before);
  std::vector<Node*> sorted;
  sorted.reserve(n);
  for (size_t i : order) sorted.push_back(slots_[i]);
  slots_ = std::move(sorted);
}

}  // namespace pubforge
