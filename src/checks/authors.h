// Author names: cutting a BibTeX author list into names, and each name into
// family name, given name and initials, with one normal spelling per name.
#pragma once

#include <string>

namespace pubforge {

// Rewrites `name` into its normal spelling and fills the three parts; each of
// them is overwritten, whatever the name looks like.
void splitAuthorName(std::string& name, std::string& givenName, std::string& initials,
                     std::string& familyName);

// Sets `initials` from the words of `givenName` ("Mira Anna" gives "M.~A.") and
// ties each ". " of the given name into ".~".
void makeInitials(std::string& givenName, std::string& initials);

}  // namespace pubforge
