// The bibliography tree: publication nodes, each owning its items, and the
// collection that owns every publication read from the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>
#include "model/diagnostics.h"
#include "model/key_index.h"

namespace pubforge {

// The names of an author list, three strings per author: family name,
// given name, initials.  Only author items have them, so the list costs one
// pointer in every other item.  The strings are kept end to end in one text,
// which takes far less memory than a string each; they are read as views.
class AuthorParts {
 public:
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::string_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::string_view;

    const_iterator() = default;
    const_iterator(const AuthorParts* parts, size_t index) : parts_(parts), index_(index) {}
    std::string_view operator*() const { return (*parts_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++index_;
      return before;
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) {
      return a.index_ == b.index_;
    }

   private:
    const AuthorParts* parts_ = nullptr;
    size_t index_ = 0;
  };
  using iterator = const_iterator;
  using value_type = std::string_view;

  AuthorParts() = default;
  AuthorParts(std::initializer_list<std::string_view> strings) { *this = strings; }
  AuthorParts(const AuthorParts& other)
      : storage_(other.storage_ ? std::make_unique<Storage>(*other.storage_) : nullptr) {}
  AuthorParts(AuthorParts&&) noexcept = default;
  AuthorParts& operator=(const AuthorParts& other) {
    if (this != &other)
      storage_ = other.storage_ ? std::make_unique<Storage>(*other.storage_) : nullptr;
    return *this;
  }
  AuthorParts& operator=(AuthorParts&&) noexcept = default;
  AuthorParts& operator=(std::initializer_list<std::string_view> strings) {
    clear();
    for (std::string_view s : strings) push_back(s);
    return *this;
  }

  size_t size() const { return storage_ ? storage_->ends.size() : 0; }
  bool empty() const { return size() == 0; }
  std::string_view operator[](size_t i) const {
    const size_t start = i == 0 ? 0 : storage_->ends[i - 1];
    return std::string_view(storage_->text).substr(start, storage_->ends[i] - start);
  }
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size()); }
  void clear() { storage_.reset(); }
  // Room for `parts` strings of `bytes` bytes in all.
  void reserve(size_t parts, size_t bytes = 0) {
    storage().ends.reserve(parts);
    storage_->text.reserve(bytes);
  }
  void push_back(std::string_view s) {
    Storage& st = storage();
    st.text += s;
    st.ends.push_back(st.text.size());
  }
  void insert(const_iterator, std::initializer_list<std::string_view> more) {
    for (std::string_view s : more) push_back(s);
  }

  friend bool operator==(const AuthorParts& a, const AuthorParts& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i] != b[i]) return false;
    return true;
  }
  friend bool operator==(const AuthorParts& a, const std::vector<std::string>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i] != b[i]) return false;
    return true;
  }

 private:
  struct Storage {
    std::string text;           // every string, end to end
    std::vector<size_t> ends;   // where each string ends in `text`
  };
  Storage& storage() {
    if (!storage_) storage_ = std::make_unique<Storage>();
    return *storage_;
  }
  std::unique_ptr<Storage> storage_;
};

// One field of an entry: lower-case keyword, value and output rank.
struct Item {
  std::string keyword;
  std::string value;
  // Author items: three strings per author (family name, given name, initials).
  AuthorParts authorParts;
  // Output rank of the keyword; higher ranks come first, 0 for unknown keywords.
  uint16_t priority = 0;
  // Made by the program from other fields (a biblatex date, journaltitle or
  // location), not read under this keyword: the BibTeX output leaves it out,
  // so a file is written back with the fields it had.
  bool derived = false;
  // The value was read as the bare name of a macro that no file defines;
  // the BibTeX output writes the name back bare.
  bool undefinedMacro = false;
  // Day, month and year items: the number the date check found.
  int32_t numericValue = 0;
};

// Number of custom strings a cited publication carries (custom-1 to custom-9).
inline constexpr size_t kCustomCount = 9;

// What a publication node holds.  Only entries are publications in the
// proper sense: every output but the single BibTeX file skips the others.
enum class PublicationKind : uint8_t {
  kEntry,         // an entry: citation key, entry type, fields
  kComment,       // a comment line: a running number as key, one "comment" item
  kPreamble,      // @preamble: one "preamble" item with its text
  kString,        // @string: the macro name as key, one "string" item with its text
  kCommentBlock,  // @comment{...}: one "comment" item with the text in the delimiters
};

// A publication node: an entry of the bibliography, or one of the other
// constructs of the input that are kept for the BibTeX output (see
// PublicationKind).  Items are held in output order once the entry has been
// built.
struct Node {
  std::string keyword;  // citation key
  // Entry type name.  An entry type outside the table is "Misc" here, and
  // its word (first letter upper-case) is kept in `typeWord` for the BibTeX
  // output; `typeWord` is empty for the types of the table.
  std::string value;
  std::string typeWord;
  std::string label;    // label under which it is cited
  std::vector<std::string> custom;  // empty, or kCustomCount strings
  std::vector<Item> items;
  PublicationKind kind = PublicationKind::kEntry;

  bool isEntry() const { return kind == PublicationKind::kEntry; }
  bool isComment() const { return kind == PublicationKind::kComment; }
  // The type word the BibTeX output writes.
  const std::string& writtenType() const { return typeWord.empty() ? value : typeWord; }
  const std::string& customString(size_t i) const;
  void clearCustom() { custom.clear(); }
};

// Every publication node read from the input, in collection order.  The
// collection owns the nodes; their addresses stay fixed while it lives.  It
// also knows its entries by citation key: the reader hands over the index
// it merged duplicate keys with, and a collection put together node by node
// indexes itself at its first lookup.
class Collection {
 public:
  using Nodes = std::vector<std::unique_ptr<Node>>;

  Collection() = default;
  // `entries` files every entry of `nodes` under its key.
  Collection(Nodes nodes, KeyIndex entries)
      : nodes_(std::move(nodes)), entries_(std::move(entries)), indexed_(true) {}

  Nodes::const_iterator begin() const { return nodes_.begin(); }
  Nodes::const_iterator end() const { return nodes_.end(); }
  size_t size() const { return nodes_.size(); }
  bool empty() const { return nodes_.empty(); }
  const std::unique_ptr<Node>& operator[](size_t i) const { return nodes_[i]; }
  const std::unique_ptr<Node>& front() const { return nodes_.front(); }
  const std::unique_ptr<Node>& back() const { return nodes_.back(); }
  void reserve(size_t n) { nodes_.reserve(n); }
  void push_back(std::unique_ptr<Node> node) {
    nodes_.push_back(std::move(node));
    indexed_ = false;
    foldedIndex_.clear();
  }
  void clear() {
    nodes_.clear();
    indexed_ = false;
    foldedIndex_.clear();
  }

  // The entry with the citation key, or null; of several entries with one
  // key, the first.  Comment lines, preambles, macros and comment blocks are
  // never found: their keys are no citation keys.
  Node* findEntry(std::string_view key) const;

  // The entry with the citation key, else the first entry whose key differs
  // from it only in the case of ASCII letters, or null: how a cross-reference
  // names its entry.  The folded keys are indexed at the first lookup that
  // needs them.
  Node* findEntryAnyCase(std::string_view key) const;

 private:
  Nodes nodes_;
  mutable KeyIndex entries_;
  mutable bool indexed_ = false;
  // Entries by key with ASCII letters lower-cased; empty until needed.
  mutable std::unordered_map<std::string, Node*> foldedIndex_;
};

// Creates a publication node with the given key.
std::unique_ptr<Node> createNode(std::string keyword);

// The entry with the citation key, as Collection::findEntry finds it.
Node* findNode(const Collection& collection, std::string_view keyword);

// The number of entries and comment lines: the publications of the input as
// the program has always counted them.
size_t countPublications(const Collection& collection);

// First item of the publication with the keyword, or null.
Item* findItem(Node& publication, std::string_view keyword);
const Item* findItem(const Node& publication, std::string_view keyword);

// Number of items with the keyword.
unsigned countItems(const Node& publication, std::string_view keyword);

// Warns on `diag` when the publication has fewer than `minimum` items with the
// keyword, or more than one.
void checkItemCount(const Node& publication, std::string_view keyword, unsigned minimum,
                    Diagnostics diag);

// The warning of checkItemCount for a count already known.
void reportItemCount(const Node& publication, std::string_view keyword, unsigned count,
                     unsigned minimum, Diagnostics diag);

// Puts `item` in front of the publication's items and sorts them as
// sortItems does; returns the item's new position.  Items that are in order
// already take the new one at its place in one move.
size_t insertItemInOrder(Node& publication, Item item);

// Puts the items in output order: higher priority first, then by keyword
// bytes.  Equal items keep their relative order.  Returns the new position of
// the item that was at `tracked` (pass SIZE_MAX when nothing is tracked).
size_t sortItems(Node& publication, size_t tracked = SIZE_MAX);

}  // namespace pubforge
