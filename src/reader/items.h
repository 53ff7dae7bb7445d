// Item building: canonical keywords, cleaned values and output ranks, and the
// item setter that the checks use to correct or add items.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/node.h"

namespace pubforge {

// Output rank of an item keyword (0 for keywords without a rank).
uint32_t itemRank(std::string_view keyword);

// A new item: keyword lower-cased, value cleaned (one pair of enclosing
// braces removed, blanks trimmed) except for "author" and "comment", rank
// assigned.  An item whose cleaned value is empty becomes "removeme".
Item makeItem(std::string_view keyword, std::string value);

// Replaces the value of the first item with the keyword, unchanged, or adds a
// new item made by makeItem and puts the items back in order.  Returns the
// item that now holds the value; references to other items of the
// publication may be invalidated.
Item& setItem(Node& publication, std::string_view keyword, std::string value);

}  // namespace pubforge
