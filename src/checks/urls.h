// URL clean-up shared by the entry checks and the URL check.
#pragma once

#include <string>
#include <string_view>

namespace pubforge {

// Root addresses of the IEEE Xplore digital library, whose document links
// need "&isnumber=" to reach the document instead of a frame page.
inline constexpr std::string_view kIeeeXploreRoots[] = {
    "http://ieeexplore.ieee.org/",
    "https://ieeexplore.ieee.org/",
};

// True when the URL begins with one of the IEEE Xplore root addresses.
bool isIeeeXploreUrl(std::string_view url);

// Drops LaTeX backslash escapes ("\_" gives "_", "\\" gives "\") and writes
// every space as "%20".
std::string escapeUrl(std::string_view url);

}  // namespace pubforge
