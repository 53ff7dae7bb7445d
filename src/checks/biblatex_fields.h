// Fields that biblatex files give under other names: the date as one "date"
// field instead of year, month and day, "journaltitle" for the journal and
// "location" for the address.  Entries that lack the usual field get it
// derived from the other one, so the date checks, sorting, templates and XML
// see it; the BibTeX writer leaves derived items out, so a file is written
// back with the fields it had.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/node.h"

namespace pubforge {

// Bits of `Node::derived`, one for each keyword that can be derived.
inline constexpr uint8_t kDerivedYear = 1;
inline constexpr uint8_t kDerivedMonth = 2;
inline constexpr uint8_t kDerivedDay = 4;
inline constexpr uint8_t kDerivedJournal = 8;
inline constexpr uint8_t kDerivedAddress = 16;

// The bit of a keyword that can be derived, or 0.
uint8_t derivedBit(std::string_view keyword);

// Adds the items that the publication lacks and can derive: "year", "month"
// and "day" from a "date" of the form YYYY, YYYY-MM or YYYY-MM-DD (of a range
// A/B, A counts) when there is no "year"; "journal" from "journaltitle" and
// "address" from "location" when they are missing.  Marks each in
// `publication.derived`.  Call it before the items are counted and checked.
void deriveBiblatexFields(Node& publication);

}  // namespace pubforge
