// Item building: canonical keywords, cleaned values and output ranks, and the
// item setter that the checks use to correct or add items.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/node.h"

namespace pubforge {

struct RankRow {
  std::string_view keyword;
  uint32_t rank;
};

// Known field keywords and the order in which they are written.
inline constexpr RankRow kRanks[] = {
    {"author", 255},       {"title", 254},          {"subtitle", 253},
    {"howpublished", 252}, {"booktitle", 251},      {"series", 250},
    {"journal", 249},      {"type", 248},           {"volume", 247},
    {"issue", 246},        {"number", 245},         {"edition", 244},
    {"editor", 243},       {"pages", 242},          {"numpages", 241},
    {"day", 239},          {"month", 238},          {"year", 237},
    {"date", 236},         {"organization", 235},   {"school", 234},
    {"institution", 233},  {"location", 232},       {"publisher", 231},
    {"address", 230},      {"language", 226},       {"content-language", 225},
    {"isbn", 224},         {"issn", 223},           {"urn", 222},
    {"doi", 221},          {"eprintclass", 220},    {"eprinttype", 219},
    {"eprint", 218},       {"note", 212},           {"keywords", 211},
    {"abstract", 210},     {"url", 199},            {"urldate", 198},
    {"url.size", 197},     {"url.md5", 196},        {"url.mime", 195},
    {"url.pagesize", 194}, {"url.checked", 193},    {"url.keywords", 192},
    {"file", 191},         {"repository", 190},     {"version", 159},
    {"introducedin", 158}, {"hal_id", 156},         {"hal_version", 155},
    {"swhid", 150},        {"license", 100},        {"crossref", 10},
    {"addendum", 1},
};

// The known keywords are found through a small hash table, built when the
// program is compiled: every item of every entry is looked up.
inline constexpr size_t kRankSlots = 256;

constexpr size_t rankSlot(std::string_view keyword) {
  const size_t n = keyword.size();
  return (n * 31 + static_cast<unsigned char>(keyword[0]) * 7 +
          static_cast<unsigned char>(keyword[n - 1]) * 3 +
          static_cast<unsigned char>(keyword[n / 2])) &
         (kRankSlots - 1);
}

// Slot -> row of kRanks plus one; 0 marks an empty slot.  Collisions go to
// the next free slot.
inline constexpr std::array<uint8_t, kRankSlots> kRankTable = [] {
  std::array<uint8_t, kRankSlots> table{};
  for (size_t row = 0; row < std::size(kRanks); ++row) {
    size_t slot = rankSlot(kRanks[row].keyword);
    while (table[slot] != 0) slot = (slot + 1) & (kRankSlots - 1);
    table[slot] = static_cast<uint8_t>(row + 1);
  }
  return table;
}();
static_assert(std::size(kRanks) < kRankSlots / 2, "the rank table stays sparse");

// Output rank of an item keyword (0 for keywords without a rank).
constexpr uint32_t itemRank(std::string_view keyword) {
  if (keyword.empty()) return 0;
  for (size_t slot = rankSlot(keyword);; slot = (slot + 1) & (kRankSlots - 1)) {
    const uint8_t row = kRankTable[slot];
    if (row == 0) return 0;
    if (kRanks[row - 1].keyword == keyword) return kRanks[row - 1].rank;
  }
}

static_assert([] {
  for (const RankRow& row : kRanks)
    if (itemRank(row.keyword) != row.rank) return false;
  return true;
}(), "every known keyword finds its rank");

// The items that hold a list of names, split by the author check: "author"
// and "editor".
constexpr bool isNameList(std::string_view keyword) {
  return keyword == "author" || keyword == "editor";
}

// A new item: keyword lower-cased, value cleaned (one pair of enclosing
// braces removed, blanks trimmed) except for name lists and "comment", rank
// assigned.  An item whose cleaned value is empty becomes "removeme".
Item makeItem(std::string_view keyword, std::string value);

// Replaces the value of the first item with the keyword, unchanged, or adds a
// new item made by makeItem and puts the items back in order.  Returns the
// item that now holds the value; references to other items of the
// publication may be invalidated.
Item& setItem(Node& publication, std::string_view keyword, std::string value);

}  // namespace pubforge
