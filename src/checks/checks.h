// The checks that entry building runs on every new publication: author
// names, pages, ISBN/ISSN, dates and URLs.  They correct items in place and
// report problems as warnings on `err`; none of them fails.
#pragma once

#include <iosfwd>
#include <string>

#include "checks/authors.h"
#include "checks/urls.h"
#include "model/node.h"

namespace pubforge {

// Author names (splits the list, fills authorParts, rewrites the value).
void splitAuthorList(Node& publication, Item& authorItem, std::ostream& err);

// Pages and number of pages.  These may add or correct items through
// setItem, so the item references passed in may be invalid afterwards.
void checkPages(Node& publication, Item& pagesItem, std::ostream& err);
void checkNumPages(Node& publication, Item& numPagesItem, std::ostream& err);

// ISBN and ISSN characters, lengths and check digits.
void checkIsbn(Node& publication, Item& isbnItem, std::ostream& err);
void checkIssn(Node& publication, Item& issnItem, std::ostream& err);

// Year, month and day; any of them may be null, not all three.
void checkDate(Node& publication, Item* yearItem, Item* monthItem, Item* dayItem,
               std::ostream& err);

// URL: LaTeX wrapper and escapes removed.
void normaliseUrl(Node& publication, Item& urlItem, std::ostream& err);

}  // namespace pubforge
