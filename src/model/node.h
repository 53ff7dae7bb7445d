// The bibliography tree: publication nodes, each owning its items, and the
// collection that owns every publication read from the input.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pubforge {

// The names of an author list, three strings per author: family name,
// given name, initials.  Only author items have them, so the list costs one
// pointer in every other item; otherwise it behaves as a vector of strings.
class AuthorParts {
 public:
  using Strings = std::vector<std::string>;
  using const_iterator = Strings::const_iterator;

  AuthorParts() = default;
  AuthorParts(std::initializer_list<std::string> strings) { *this = strings; }
  AuthorParts(const AuthorParts& other) { *this = other; }
  AuthorParts(AuthorParts&&) noexcept = default;
  AuthorParts& operator=(const AuthorParts& other) {
    if (this != &other) strings_ = other.empty() ? nullptr : std::make_unique<Strings>(*other.strings_);
    return *this;
  }
  AuthorParts& operator=(AuthorParts&&) noexcept = default;
  AuthorParts& operator=(std::initializer_list<std::string> strings) {
    strings_ = strings.size() == 0 ? nullptr : std::make_unique<Strings>(strings);
    return *this;
  }

  size_t size() const { return strings_ ? strings_->size() : 0; }
  bool empty() const { return size() == 0; }
  const std::string& operator[](size_t i) const { return (*strings_)[i]; }
  const_iterator begin() const { return strings_ ? strings_->cbegin() : const_iterator(); }
  const_iterator end() const { return strings_ ? strings_->cend() : const_iterator(); }
  void clear() { strings_.reset(); }
  void reserve(size_t n) { strings().reserve(n); }
  void push_back(std::string s) { strings().push_back(std::move(s)); }
  void insert(const_iterator, std::initializer_list<std::string> more) {
    strings().insert(strings().end(), more);
  }
  const Strings& asVector() const {
    static const Strings kNone;
    return strings_ ? *strings_ : kNone;
  }

  friend bool operator==(const AuthorParts& a, const AuthorParts& b) {
    return a.asVector() == b.asVector();
  }
  friend bool operator==(const AuthorParts& a, const Strings& b) { return a.asVector() == b; }

 private:
  Strings& strings() {
    if (!strings_) strings_ = std::make_unique<Strings>();
    return *strings_;
  }
  std::unique_ptr<Strings> strings_;
};

// One field of an entry: lower-case keyword, value and output rank.
struct Item {
  std::string keyword;
  std::string value;
  // Author items: three strings per author (family name, given name, initials).
  AuthorParts authorParts;
  // Output rank of the keyword; higher ranks come first, 0 for unknown keywords.
  uint32_t priority = 0;
  // Day, month and year items: the number the date check found.
  int32_t numericValue = 0;
};

// Number of custom strings a cited publication carries (custom-1 to custom-9).
inline constexpr size_t kCustomCount = 9;

// A publication node: an entry of the bibliography, or a comment line of the
// input (entry type "Comment", a running number as key, one "comment" item).
// Items are held in output order once the entry has been built.
struct Node {
  std::string keyword;  // citation key
  std::string value;    // entry type name
  std::string label;    // label under which it is cited
  std::vector<std::string> custom;  // empty, or kCustomCount strings
  std::vector<Item> items;

  bool isComment() const { return value == "Comment"; }
  const std::string& customString(size_t i) const;
  void clearCustom() { custom.clear(); }
};

// Every publication node read from the input, in collection order.  The
// collection owns the nodes; their addresses stay fixed while it lives.
using Collection = std::vector<std::unique_ptr<Node>>;

// Creates a publication node with the given key.
std::unique_ptr<Node> createNode(std::string keyword);

// First publication with the citation key, or null.
Node* findNode(const Collection& collection, std::string_view keyword);

// First item of the publication with the keyword, or null.
Item* findItem(Node& publication, std::string_view keyword);
const Item* findItem(const Node& publication, std::string_view keyword);

// Number of items with the keyword.
unsigned countItems(const Node& publication, std::string_view keyword);

// Warns on `err` when the publication has fewer than `minimum` items with the
// keyword, or more than one.
void checkItemCount(const Node& publication, std::string_view keyword, unsigned minimum,
                    std::ostream& err);

// The warning of checkItemCount for a count already known.
void reportItemCount(const Node& publication, std::string_view keyword, unsigned count,
                     unsigned minimum, std::ostream& err);

// Puts `item` in front of the publication's items and sorts them as
// sortItems does; returns the item's new position.  Items that are in order
// already take the new one at its place in one move.
size_t insertItemInOrder(Node& publication, Item item);

// Puts the items in output order: higher priority first, then by keyword
// bytes.  Equal items keep their relative order.  Returns the new position of
// the item that was at `tracked` (pass SIZE_MAX when nothing is tracked).
size_t sortItems(Node& publication, size_t tracked = SIZE_MAX);

}  // namespace pubforge
