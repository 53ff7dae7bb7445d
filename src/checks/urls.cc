// URL items lose a "\url{...}" wrapper and LaTeX backslash escapes, and their
// spaces are written as "%20", so that the value can be downloaded as it is.
#include "checks/urls.h"

#include <string>

#include "checks/checks.h"

namespace pubforge {

namespace {

constexpr std::string_view kUrlWrapperStart = "\\url{";
constexpr std::string_view kIsNumber = "&isnumber=";

}  // namespace

bool isIeeeXploreUrl(std::string_view url) {
  for (std::string_view root : kIeeeXploreRoots)
    if (url.starts_with(root)) return true;
  return false;
}

std::string escapeUrl(std::string_view url) {
  std::string escaped;
  escaped.reserve(url.size());
  bool escaping = false;
  for (char c : url) {
    if (c == '\\' && !escaping) {
      escaping = true;
      continue;
    }
    if (c == ' ')
      escaped += "%20";
    else
      escaped.push_back(c);
    escaping = false;
  }
  return escaped;
}

void normaliseUrl(Node&, Item& urlItem, Diagnostics) {
  std::string_view url = urlItem.value;
  if (url.starts_with(kUrlWrapperStart) && url.size() > kUrlWrapperStart.size() &&
      url.ends_with('}')) {
    url.remove_prefix(kUrlWrapperStart.size());
    url.remove_suffix(1);
  }
  std::string cleaned(url);
  if (isIeeeXploreUrl(cleaned) && cleaned.find(kIsNumber) == std::string::npos)
    cleaned += kIsNumber;
  urlItem.value = escapeUrl(cleaned);
}

}  // namespace pubforge
