// Entry building: publication nodes from the entries the reader recognises,
// with ordered items, count warnings and checks, and the merging of entries
// that share a citation key.
#pragma once

#include <iosfwd>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/key_index.h"
#include "model/node.h"
#include "model/diagnostics.h"

namespace pubforge {

// Builds a publication node for an entry, orders its items, warns about
// missing and repeated items and runs the entry checks.
std::unique_ptr<Node> makePublication(std::string_view typeName, std::string key,
                                      std::vector<Item> items, Diagnostics diag);

// Warns about missing and repeated items: the count checks that
// makePublication runs, except on entries with a cross-reference.
void checkItemCounts(const Node& publication, Diagnostics diag);

// Whether the entry has a "crossref" field of its own.
bool hasCrossReference(const Node& publication);

// A comment line's publication: the next number of `commentCounter` as its
// key, one "comment" item with the text as read.
std::unique_ptr<Node> makeCommentLine(std::string text, unsigned& commentCounter);

// A preamble, macro definition or comment block: `key` names it, and its one
// item, whose keyword is `itemKeyword`, holds the text as read.
std::unique_ptr<Node> makeTextPublication(PublicationKind kind, std::string key,
                                          std::string_view itemKeyword, std::string text);

// Every space directly before "(" becomes "~".
void tieParentheses(Item& item);

// The entries read so far, assembled from the last one backwards: each
// earlier entry is put in front, merged with a later entry of the same key.
class EntryChain {
 public:
  explicit EntryChain(size_t expected = 0);

  // Puts `entry` in front of the chain.  When the chain holds an entry with
  // the same key, `entry` takes over its items (keeping its own title if the
  // titles differ) and the later entry is dropped, with a note on `diag`.
  // Only entries merge: comment lines, whose key is only a running number,
  // and the other kinds of publication are kept as they are.
  void addEntry(std::unique_ptr<Node> entry, Diagnostics diag);

  // The chain in collection order, with its index of entries by key.
  Collection take();

 private:
  std::vector<std::unique_ptr<Node>> reversed_;  // front of the chain last
  KeyIndex byKey_;                               // the entries of the chain
  // Later entries that an earlier one with the same key took the items of:
  // they leave the chain when it is taken.
  std::vector<Node*> merged_;
};

// Assembles entries given in input order into the collection.
Collection assembleCollection(std::vector<std::unique_ptr<Node>> entries, Diagnostics diag);

}  // namespace pubforge
