#include "model/key_index.h"

#include <functional>

#include "model/node.h"

namespace pubforge {

KeyIndex::KeyIndex(size_t expected) {
  size_t size = 16;
  while (size < 2 * expected) size *= 2;
  slots_.assign(size, nullptr);
}

size_t KeyIndex::slotOf(std::string_view key) const {
  const size_t mask = slots_.size() - 1;
  size_t slot = std::hash<std::string_view>{}(key) & mask;
  while (slots_[slot] != nullptr && slots_[slot]->keyword != key) slot = (slot + 1) & mask;
  return slot;
}

Node* KeyIndex::find(std::string_view key) const {
  if (slots_.empty()) return nullptr;
  return slots_[slotOf(key)];
}

void KeyIndex::makeRoomForOneMore() {
  if (!slots_.empty() && 2 * (count_ + 1) <= slots_.size()) return;
  std::vector<Node*> old(slots_.empty() ? 16 : slots_.size() * 2, nullptr);
  old.swap(slots_);
  for (Node* node : old)
    if (node != nullptr) slots_[slotOf(node->keyword)] = node;
}

Node* KeyIndex::replace(Node* entry) {
  makeRoomForOneMore();
  Node*& slot = slots_[slotOf(entry->keyword)];
  Node* before = slot;
  if (before == nullptr) ++count_;
  slot = entry;
  return before;
}

bool KeyIndex::insert(Node* entry) {
  makeRoomForOneMore();
  Node*& slot = slots_[slotOf(entry->keyword)];
  if (slot != nullptr) return false;
  slot = entry;
  ++count_;
  return true;
}

}  // namespace pubforge
