// Cross-references between entries: an entry whose "crossref" field names
// another entry (a paper and its proceedings volume) takes the fields it
// lacks from that entry once every input file has been read.
#pragma once

#include "model/diagnostics.h"
#include "model/node.h"

namespace pubforge {

// Resolves every cross-reference of the collection, then gives the count
// warnings of the entries that have one, in entry order.  The entry named is
// found by its exact key, else by its key without regard to ASCII letter
// case.  Chains are followed; a cycle or a missing entry is warned about.
// The fields taken are copies marked as derived, so the BibTeX output still
// writes every entry with its own fields only.
void resolveCrossReferences(const Collection& collection, Diagnostics diag);

}  // namespace pubforge
