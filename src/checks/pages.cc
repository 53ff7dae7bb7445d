// Page ranges become "first--last" (or one page), and the number of pages is
// kept consistent with them.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "checks/checks.h"
#include "checks/numbers.h"
#include "model/items.h"

namespace pubforge {

namespace {

constexpr int32_t kMostPages = 999998;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The first two digit groups of the text, as unsigned 32-bit numbers.  Every
// byte other than a digit separates groups, so "12-15", "pp. 12--15" and a
// range with an en dash all read alike.  A group too long for that range is
// no page number but an identifier (an article number such as
// "S0219843615500255"): `tooLarge` says so, and the value is kept.
struct PageNumbers {
  std::optional<uint32_t> first;
  std::optional<uint32_t> second;
  bool tooLarge = false;
};

PageNumbers readPageNumbers(std::string_view text) {
  PageNumbers numbers;
  size_t i = 0;
  for (std::optional<uint32_t>* slot : {&numbers.first, &numbers.second}) {
    while (i < text.size() && !isDigit(text[i])) ++i;
    if (i == text.size()) break;
    const DigitRun digits = readDigits(text.substr(i));
    i += digits.length;
    if (digits.magnitude > UINT32_MAX) numbers.tooLarge = true;
    *slot = static_cast<uint32_t>(std::min<uint64_t>(digits.magnitude, UINT32_MAX));
  }
  return numbers;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// True for an article number written in place of pages: one word of letters
// and digits with letters glued to the digits ("e1444", "S13", "7p") or a
// leading zero ("044001").  Read as a page it would lose its letters and
// zeros and name another document.
bool isArticleNumber(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  bool letters = false, digits = false;
  for (const char c : text) {
    if (isLetter(c)) {
      letters = true;
    } else if (isDigit(c)) {
      digits = true;
    } else {
      return false;
    }
  }
  return digits && (letters || (text.size() > 1 && text.front() == '0'));
}

}  // namespace

void checkPages(Node& publication, Item& pagesItem, Diagnostics diag) {
  PageNumbers numbers = readPageNumbers(pagesItem.value);
  uint32_t first = numbers.first.value_or(0);
  uint32_t last = numbers.second.value_or(first);
  if (numbers.tooLarge || first == 0 || last < first) {
    diag.entryWarning(publication.keyword, "has possibly invalid page numbers in \"pages\" section (pages=", pagesItem.value, ")");
    return;
  }
  if (isArticleNumber(pagesItem.value)) return;
  pagesItem.value = first == last ? std::to_string(first)
                                  : std::to_string(first) + "--" + std::to_string(last);

  uint32_t pageCount = last - first + 1;
  if (const Item* numPages = findItem(publication, "numpages")) {
    if (readLeadingInteger(numPages->value) != static_cast<int64_t>(pageCount))
      diag.entryWarning(publication.keyword, "has inconsistent invalid page numbers and number of pages (pages=", pagesItem.value, "; numpages=", numPages->value, ")");
  }
  // May add the item and reorder the items: pagesItem is not used after this.
  setItem(publication, "numpages", std::to_string(pageCount));
}

void checkNumPages(Node& publication, Item& numPagesItem, Diagnostics diag) {
  int32_t number = readLeadingInteger(numPagesItem.value);
  if (number < 1 || number > kMostPages)
    diag.entryWarning(publication.keyword, "has invalid page of numbers in \"numpages\" section (numpages=", numPagesItem.value, ")");
  numPagesItem.value = std::to_string(static_cast<uint32_t>(number));
}

}  // namespace pubforge
