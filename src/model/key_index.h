// Entries by citation key: the one lookup that merging, "cite" and
// cross-references share.  Keys are compared byte for byte.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace pubforge {

struct Node;

class KeyIndex {
 public:
  KeyIndex() = default;
  // Room for `expected` keys before the table grows.
  explicit KeyIndex(size_t expected);

  // The entry filed under the key, or null.
  Node* find(std::string_view key) const;
  // Files `entry` under its key in place of the entry filed there before,
  // which it returns (null when the key is new).
  Node* replace(Node* entry);
  // Files `entry` unless its key is filed already; returns whether it was.
  bool insert(Node* entry);
  size_t size() const { return count_; }

 private:
  // The slot that holds the key, or the empty slot where it belongs.
  size_t slotOf(std::string_view key) const;
  void makeRoomForOneMore();

  // Open addressing over a power-of-two table at most half full, so that a
  // lookup always ends at an empty slot.
  std::vector<Node*> slots_;
  size_t count_ = 0;
};

}  // namespace pubforge
