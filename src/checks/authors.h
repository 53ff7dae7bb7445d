// Author and editor names as BibTeX reads them: a list cut at the word "and",
// each name split into family name (von part, last part and Jr part), given
// name and initials, and written back in one normal spelling.
#pragma once

#include <string>
#include <string_view>

namespace pubforge {

// Rewrites `name` into its normal spelling and fills the three parts; each of
// them is overwritten, whatever the name looks like.
void splitAuthorName(std::string& name, std::string& givenName, std::string& initials,
                     std::string& familyName);

// Sets `initials` from the words of `givenName` ("Mira Anna" gives "M.~A.",
// "{\"O}rjan" gives "{\"O}.") and ties each ". " of the given name into ".~".
void makeInitials(std::string& givenName, std::string& initials);

// True when the word belongs to the von part of a name: its first letter
// is lower case as BibTeX decides it ({\"o} counts by its letter, other
// brace groups are passed over).
bool isVonWord(std::string_view word);

// Where the first name of the list that begins at `from` ends: the position
// of the first "and" (any letter case) at brace depth 0 with white space
// before and after it, or npos.  With `edgesAreWhite`, the start and the end
// of `list` count as white space (a name that would cut a list it is put in).
size_t findNameSeparator(std::string_view list, size_t from, bool edgesAreWhite = false);

}  // namespace pubforge
