// Fields that biblatex files give under other names: the date as one "date"
// field instead of year, month and day, "journaltitle" for the journal and
// "location" for the address.  Entries that lack the usual field get it
// derived from the other one, so the date checks, sorting, templates and XML
// see it; the BibTeX writer leaves derived items out, so a file is written
// back with the fields it had.
#pragma once

#include <string_view>

#include "model/node.h"

namespace pubforge {

// Adds the items that the publication lacks and can derive: "year", "month"
// and "day" from a "date" of the form YYYY, YYYY-MM or YYYY-MM-DD (of a range
// A/B, A counts) when there is no "year", each only when the entry lacks it
// (and the day only with a derived month); "journal" from "journaltitle" and
// "address" from "location" when they are missing.  Each is marked as
// derived.  Call it before the items are counted and checked.
void deriveBiblatexFields(Node& publication);

}  // namespace pubforge
