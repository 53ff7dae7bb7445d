#include "reader/entry_building.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <ostream>
#include <unordered_set>
#include <utility>

#include "checks/biblatex_fields.h"
#include "checks/checks.h"
#include "model/items.h"

namespace pubforge {

namespace {

// Items every entry must have, then items an entry may hold at most once,
// in the order of their warnings.  Each of these keywords has a rank of its
// own, by which the items are counted.
struct CountCheck {
  std::string_view keyword;
  unsigned minimum;
  uint32_t rank;
  constexpr CountCheck(std::string_view k, unsigned m) : keyword(k), minimum(m), rank(itemRank(k)) {}
};

constexpr CountCheck kCountChecks[] = {
    {"title", 1},       {"author", 1},     {"year", 1},         {"isbn", 0},
    {"issn", 0},        {"doi", 0},        {"url", 0},          {"url.size", 0},
    {"url.mime", 0},    {"url.md5", 0},    {"url.checked", 0},  {"urn", 0},
    {"pages", 0},       {"numpages", 0},   {"day", 0},          {"month", 0},
    {"address", 0},     {"location", 0},   {"note", 0},         {"howpublished", 0},
    {"publisher", 0},   {"school", 0},     {"institution", 0},  {"type", 0},
    {"number", 0},      {"issue", 0},      {"volume", 0},       {"abstract", 0},
    {"keywords", 0},
};

struct TypeRequirement {
  std::string_view type;
  CountCheck check;
};

constexpr TypeRequirement kRequiredByType[] = {
    {"Article", {"journal", 1}},
    {"Book", {"publisher", 1}},
    {"InProceedings", {"booktitle", 1}},
    {"TechReport", {"institution", 1}},
    {"Online", {"url", 1}},
};

static_assert([] {
  for (const CountCheck& c : kCountChecks)
    if (c.rank == 0) return false;
  for (const TypeRequirement& r : kRequiredByType)
    if (r.check.rank == 0) return false;
  return true;
}());

// The counted keywords' ranks, each mapped to a counter of its own (plus
// one; 0 for ranks that are not counted).
constexpr std::array<uint8_t, 256> kCounterOfRank = [] {
  std::array<uint8_t, 256> counters{};
  uint8_t next = 0;
  auto add = [&](uint32_t rank) {
    if (counters[rank] == 0) counters[rank] = ++next;
  };
  for (const CountCheck& c : kCountChecks) add(c.rank);
  for (const TypeRequirement& r : kRequiredByType) add(r.check.rank);
  return counters;
}();
constexpr size_t kCounters = std::size(kCountChecks) + std::size(kRequiredByType);

}  // namespace

bool hasCrossReference(const Node& publication) {
  const Item* crossref = findItem(publication, "crossref");
  return crossref != nullptr && !crossref->derived;
}

void checkItemCounts(const Node& pub, Diagnostics diag) {
  // Every keyword the count checks name has a rank of its own, so one pass
  // over the items counts them all by rank.
  unsigned counts[kCounters + 1] = {};
  for (const Item& item : pub.items)
    if (item.priority < 256) ++counts[kCounterOfRank[item.priority]];
  auto check = [&](const CountCheck& c) {
    // Nearly every count is fine: only a wrong one is worth the call.
    const unsigned n = counts[kCounterOfRank[c.rank]];
    if (n >= c.minimum && n <= 1) return;
    reportItemCount(pub, c.keyword, n, c.minimum, diag);
  };
  for (const CountCheck& c : kCountChecks) check(c);
  for (const TypeRequirement& r : kRequiredByType)
    if (pub.value == r.type) check(r.check);
}

void tieParentheses(Item& item) {
  std::string& v = item.value;
  for (size_t i = 0; i + 1 < v.size(); ++i)
    if (v[i] == ' ' && v[i + 1] == '(') v[i] = '~';
}

std::unique_ptr<Node> makeCommentLine(std::string text, unsigned& commentCounter) {
  std::unique_ptr<Node> node = createNode(std::to_string(++commentCounter));
  node->value = "Comment";
  node->kind = PublicationKind::kComment;
  node->items.push_back(makeItem("comment", std::move(text)));
  return node;
}

std::unique_ptr<Node> makeTextPublication(PublicationKind kind, std::string key,
                                          std::string_view itemKeyword, std::string text) {
  std::unique_ptr<Node> node = createNode(std::move(key));
  switch (kind) {
    case PublicationKind::kPreamble: node->value = "Preamble"; break;
    case PublicationKind::kString: node->value = "String"; break;
    case PublicationKind::kCommentBlock: node->value = "CommentBlock"; break;
    case PublicationKind::kEntry:
    case PublicationKind::kComment: break;
  }
  node->kind = kind;
  Item item;
  item.keyword.assign(itemKeyword);
  item.value = std::move(text);
  node->items.push_back(std::move(item));
  return node;
}

std::unique_ptr<Node> makePublication(std::string_view typeName, std::string key,
                                      std::vector<Item> items, Diagnostics diag) {
  std::unique_ptr<Node> node = createNode(std::move(key));
  node->value.assign(typeName);
  node->items = std::move(items);
  sortItems(*node);
  deriveBiblatexFields(*node);

  Node& pub = *node;
  // An entry with a cross-reference may take the missing fields from the
  // entry it names, which may come later or in another file: it is counted
  // once the cross-references are resolved.
  if (!hasCrossReference(pub)) checkItemCounts(pub, diag);

  // The checks may add or re-sort items, so every item is looked up afresh.
  // Every author and editor item is normalised, not only the first (as every url item
  // below): one that comes out empty is dropped when the written file is
  // read again, and the next one would only then be normalised.
  for (Item& item : pub.items)
    if (isNameList(item.keyword)) splitAuthorList(pub, item, diag);
  for (std::string_view keyword : {"booktitle", "howpublished", "journal"})
    if (Item* item = findItem(pub, keyword)) tieParentheses(*item);
  if (Item* pages = findItem(pub, "pages")) checkPages(pub, *pages, diag);
  if (Item* numPages = findItem(pub, "numpages")) checkNumPages(pub, *numPages, diag);
  if (Item* isbn = findItem(pub, "isbn")) checkIsbn(pub, *isbn, diag);
  if (Item* issn = findItem(pub, "issn")) checkIssn(pub, *issn, diag);
  Item* year = findItem(pub, "year");
  Item* month = findItem(pub, "month");
  Item* day = findItem(pub, "day");
  if (year || month || day) checkDate(pub, year, month, day, diag);
  // Every url item is normalised, not only the first: the writer treats them
  // all alike, and a url left as read would gain one more url command, or
  // lose one more escape, at every write.
  for (Item& item : pub.items)
    if (item.keyword == "url") normaliseUrl(pub, item, diag);
  return node;
}

EntryChain::EntryChain(size_t expected) : byKey_(expected) { reversed_.reserve(expected); }

void EntryChain::addEntry(std::unique_ptr<Node> entry, Diagnostics diag) {
  // A comment line's key is only its running number: an entry that happens
  // to have the same key is a different publication, and merging the two
  // would leave the entry's fields in a node that is written as a comment.
  // Preambles, macro definitions and comment blocks are no entries either.
  if (!entry->isEntry()) {
    reversed_.push_back(std::move(entry));
    return;
  }
  Node* later = byKey_.replace(entry.get());
  if (later != nullptr) {
    Item* oldTitle = findItem(*entry, "title");
    Item* newTitle = findItem(*later, "title");
    if (oldTitle && newTitle && oldTitle->value != newTitle->value) {
      diag.note("Duplicate entry ", entry->keyword, "; keeping the old title but updating the rest!\nOld = \"", oldTitle->value, "\"\nNew = \"", newTitle->value, "\"", kPlainEnd);
      newTitle->value = oldTitle->value;
    } else {
      diag.note("Duplicate entry ", entry->keyword, ", only keeping the latest one");
    }
    // The items, and with them the marks of the ones derived from other
    // fields, are those of the later entry.
    entry->items = std::move(later->items);
    // The earlier entry takes the later one's place in the key index and goes
    // to the front of the chain; the later node leaves the chain.
    merged_.push_back(later);
  }
  reversed_.push_back(std::move(entry));
}

Collection EntryChain::take() {
  Collection::Nodes nodes;
  nodes.reserve(reversed_.size() - merged_.size());
  const std::unordered_set<Node*> merged(merged_.begin(), merged_.end());
  for (auto it = reversed_.rbegin(); it != reversed_.rend(); ++it)
    if (merged.empty() || merged.count(it->get()) == 0) nodes.push_back(std::move(*it));
  reversed_.clear();
  merged_.clear();
  return Collection(std::move(nodes), std::exchange(byKey_, KeyIndex()));
}

Collection assembleCollection(std::vector<std::unique_ptr<Node>> entries, Diagnostics diag) {
  EntryChain chain(entries.size());
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) chain.addEntry(std::move(*it), diag);
  return chain.take();
}

}  // namespace pubforge
