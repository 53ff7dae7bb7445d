// The ordered selection of publications that every output walks.  The set
// refers to publication nodes of the collection; it owns none of them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "model/node.h"

namespace pubforge {

// What a publication is sorted and grouped by under `key`: the value of its
// first item with that keyword, its entry type for "$type", its citation key
// for "$key"; null when it has no such item.
const std::string* sortValue(const Node& publication, std::string_view key);

class PublicationSet {
 public:
  // An empty set with room reserved for `capacity` publications (the number
  // of publication nodes read, comment publications included).
  explicit PublicationSet(size_t capacity = 0);

  size_t capacity() const { return capacity_; }
  size_t size() const { return slots_.size(); }
  bool empty() const { return slots_.empty(); }

  Node* operator[](size_t i) const { return slots_[i]; }
  std::vector<Node*>::const_iterator begin() const { return slots_.begin(); }
  std::vector<Node*>::const_iterator end() const { return slots_.end(); }

  // Empties the selection.
  void clear();

  // Appends the publication unless it is already in the set (compared by
  // identity, not by key).  The label is left alone.  False when it was
  // already there.
  bool add(Node* publication);

  // Appends every publication of the collection that is not yet in the set,
  // in collection order, and gives each appended one its citation key as
  // label.  Publications already present keep their place and label.
  void addAll(const Collection& collection);

  // Orders the selection by the values of the first items with the given
  // keywords (exact, case-sensitive match), or by the entry type ("$type")
  // or citation key ("$key"), compared as unsigned bytes; key i
  // ascends when ascending[i] is true.  A publication without such an item
  // comes after those that have one when the key ascends, before them when
  // it descends.  Publications that compare equal on every key keep their
  // relative order.  Surplus keys or flags of the longer list are ignored.
  void sort(const std::vector<std::string>& keys, const std::vector<bool>& ascending);

 private:
  size_t capacity_;
  std::vector<Node*> slots_;
  std::unordered_set<const Node*> members_;  // the slots, while indexed_
  bool indexed_ = true;
};

}  // namespace pubforge
