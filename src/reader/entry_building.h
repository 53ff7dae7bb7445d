// Entry building: publication nodes from the entries the reader recognises,
// with ordered items, count warnings and checks, and the merging of entries
// that share a citation key.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/node.h"

namespace pubforge {

// Builds a publication node, orders its items, warns about missing and
// repeated items and runs the entry checks.  A "Comment" publication takes
// the next number of `commentCounter` as its key.
std::unique_ptr<Node> makePublication(std::string_view typeName, std::string key,
                                      std::vector<Item> items, unsigned& commentCounter,
                                      std::ostream& err);

// Every space directly before "(" becomes "~".
void tieParentheses(Item& item);

// The entries read so far, assembled from the last one backwards: each
// earlier entry is put in front, merged with a later entry of the same key.
class EntryChain {
 public:
  explicit EntryChain(size_t expected = 0) {
    reversed_.reserve(expected);
    byKey_.reserve(expected);
  }

  // Puts `entry` in front of the chain.  When the chain holds an entry with
  // the same key, `entry` takes over its items (keeping its own title if the
  // titles differ) and the later entry is dropped, with a note on `err`.
  void addEntry(std::unique_ptr<Node> entry, std::ostream& err);

  // The chain in collection order.
  Collection take();

 private:
  std::vector<std::unique_ptr<Node>> reversed_;  // front of the chain last
  std::unordered_map<std::string_view, size_t> byKey_;
};

// Assembles entries given in input order into the collection.
Collection assembleCollection(std::vector<std::unique_ptr<Node>> entries, std::ostream& err);

}  // namespace pubforge
