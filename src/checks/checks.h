// The checks that entry building runs on every new publication: author
// names, pages, ISBN/ISSN, dates and URLs.  They correct items in place and
// report problems as warnings on `diag`; none of them fails.
#pragma once

#include <iosfwd>
#include <string>

#include "checks/authors.h"
#include "checks/urls.h"
#include "model/node.h"
#include "model/diagnostics.h"

namespace pubforge {

// Author and editor names (splits the list, fills authorParts, rewrites the
// value).
void splitAuthorList(Node& publication, Item& nameItem, Diagnostics diag);

// Pages and number of pages.  These may add or correct items through
// setItem, so the item references passed in may be invalid afterwards.
void checkPages(Node& publication, Item& pagesItem, Diagnostics diag);
void checkNumPages(Node& publication, Item& numPagesItem, Diagnostics diag);

// ISBN and ISSN characters, lengths and check digits.
void checkIsbn(Node& publication, Item& isbnItem, Diagnostics diag);
void checkIssn(Node& publication, Item& issnItem, Diagnostics diag);

// Year, month and day; any of them may be null, not all three.
void checkDate(Node& publication, Item* yearItem, Item* monthItem, Item* dayItem,
               Diagnostics diag);

// URL: LaTeX wrapper and escapes removed.
void normaliseUrl(Node& publication, Item& urlItem, Diagnostics diag);

}  // namespace pubforge
