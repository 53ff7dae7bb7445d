#include "model/items.h"

#include <algorithm>
#include <array>
#include <utility>

#include "text/ascii.h"
#include "text/strings.h"

namespace pubforge {


Item makeItem(std::string_view keyword, std::string value) {
  Item item;
  item.keyword.assign(keyword);
  lowerAscii(item.keyword);
  item.value = std::move(value);
  if (item.keyword == "comment") return item;
  // Name lists keep their braces: "{Acme Research Group}" is one name.
  if (!isNameList(item.keyword)) trimWhitespace(stripBraces(item.value));
  if (item.value.empty()) {
    item.keyword = "removeme";
    return item;
  }
  item.priority = itemRank(item.keyword);
  return item;
}

Item& setItem(Node& publication, std::string_view keyword, std::string value) {
  if (Item* existing = findItem(publication, keyword)) {
    // A new text is no longer the macro name the item was read as.
    if (existing->value != value) existing->undefinedMacro = false;
    existing->value = std::move(value);
    return *existing;
  }
  const size_t position = insertItemInOrder(publication, makeItem(keyword, std::move(value)));
  return publication.items[position];
}

}  // namespace pubforge
