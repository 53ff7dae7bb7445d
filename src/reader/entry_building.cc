#include "reader/entry_building.h"

#include <algorithm>
#include <ostream>

#include "checks/checks.h"

namespace pubforge {

namespace {

// Items an entry may hold at most once.
constexpr std::string_view kAtMostOnce[] = {
    "isbn",      "issn",     "doi",         "url",    "url.size",  "url.mime", "url.md5",
    "url.checked", "urn",    "pages",       "numpages", "day",     "month",    "address",
    "location",  "note",     "howpublished", "publisher", "school", "institution", "type",
    "number",    "issue",    "volume",      "abstract", "keywords",
};

struct TypeRequirement {
  std::string_view type;
  std::string_view keyword;
};

constexpr TypeRequirement kRequiredByType[] = {
    {"Article", "journal"},       {"Book", "publisher"}, {"InProceedings", "booktitle"},
    {"TechReport", "institution"}, {"Online", "url"},
};

}  // namespace

void tieParentheses(Item& item) {
  std::string& v = item.value;
  for (size_t i = 0; i + 1 < v.size(); ++i)
    if (v[i] == ' ' && v[i + 1] == '(') v[i] = '~';
}

std::unique_ptr<Node> makePublication(std::string_view typeName, std::string key,
                                      std::vector<Item> items, unsigned& commentCounter,
                                      std::ostream& err) {
  const bool comment = typeName == "Comment";
  if (comment) key = std::to_string(++commentCounter);
  std::unique_ptr<Node> node = createNode(std::move(key));
  node->value.assign(typeName);
  node->items = std::move(items);
  sortItems(*node);
  if (comment) return node;

  Node& pub = *node;
  checkItemCount(pub, "title", 1, err);
  checkItemCount(pub, "author", 1, err);
  checkItemCount(pub, "year", 1, err);
  for (std::string_view keyword : kAtMostOnce) checkItemCount(pub, keyword, 0, err);
  for (const TypeRequirement& r : kRequiredByType)
    if (pub.value == r.type) checkItemCount(pub, r.keyword, 1, err);

  // The checks may add or re-sort items, so every item is looked up afresh.
  if (Item* author = findItem(pub, "author")) splitAuthorList(pub, *author, err);
  for (std::string_view keyword : {"booktitle", "howpublished", "journal"})
    if (Item* item = findItem(pub, keyword)) tieParentheses(*item);
  if (Item* pages = findItem(pub, "pages")) checkPages(pub, *pages, err);
  if (Item* numPages = findItem(pub, "numpages")) checkNumPages(pub, *numPages, err);
  if (Item* isbn = findItem(pub, "isbn")) checkIsbn(pub, *isbn, err);
  if (Item* issn = findItem(pub, "issn")) checkIssn(pub, *issn, err);
  Item* year = findItem(pub, "year");
  Item* month = findItem(pub, "month");
  Item* day = findItem(pub, "day");
  if (year || month || day) checkDate(pub, year, month, day, err);
  if (Item* url = findItem(pub, "url")) normaliseUrl(pub, *url, err);
  return node;
}

void EntryChain::addEntry(std::unique_ptr<Node> entry, std::ostream& err) {
  auto found = byKey_.find(entry->keyword);
  if (found == byKey_.end()) {
    reversed_.push_back(std::move(entry));
    byKey_.emplace(reversed_.back()->keyword, reversed_.size() - 1);
    return;
  }
  std::unique_ptr<Node>& later = reversed_[found->second];
  Item* oldTitle = findItem(*entry, "title");
  Item* newTitle = findItem(*later, "title");
  if (oldTitle && newTitle && oldTitle->value != newTitle->value) {
    err << "NOTE: Duplicate entry " << entry->keyword
        << "; keeping the old title but updating the rest!\nOld = \"" << oldTitle->value
        << "\"\nNew = \"" << newTitle->value << "\"\n";
    newTitle->value = oldTitle->value;
  } else {
    err << "NOTE: Duplicate entry " << entry->keyword << ", only keeping the latest one!\n";
  }
  entry->items = std::move(later->items);
  // The earlier entry takes the later one's place in the key index and goes
  // to the front of the chain; the later node is dropped.
  byKey_.erase(found);
  later.reset();
  reversed_.push_back(std::move(entry));
  byKey_.emplace(reversed_.back()->keyword, reversed_.size() - 1);
}

Collection EntryChain::take() {
  Collection collection;
  collection.reserve(reversed_.size());
  for (auto it = reversed_.rbegin(); it != reversed_.rend(); ++it)
    if (*it) collection.push_back(std::move(*it));
  reversed_.clear();
  byKey_.clear();
  return collection;
}

Collection assembleCollection(std::vector<std::unique_ptr<Node>> entries, std::ostream& err) {
  EntryChain chain(entries.size());
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) chain.addEntry(std::move(*it), err);
  return chain.take();
}

}  // namespace pubforge
