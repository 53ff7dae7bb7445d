#include "checks/biblatex_fields.h"

#include <string>

#include "model/items.h"
#include "text/months.h"

namespace pubforge {
namespace {


bool digitsAt(std::string_view text, size_t start, size_t count) {
  if (text.size() < start + count) return false;
  for (size_t i = start; i < start + count; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

int numberAt(std::string_view text, size_t start, size_t count) {
  int n = 0;
  for (size_t i = start; i < start + count; ++i) n = n * 10 + (text[i] - '0');
  return n;
}

void addDerived(Node& publication, std::string_view keyword, std::string value) {
  Item item = makeItem(keyword, std::move(value));
  item.derived = true;
  insertItemInOrder(publication, std::move(item));
}

void deriveDate(Node& publication, const std::string& value) {
  // Of a range, the start counts.  (A copy: adding items moves the item
  // that holds the date.)
  const std::string_view date = std::string_view(value).substr(0, value.find('/'));
  if (!digitsAt(date, 0, 4)) return;
  const bool hasMonth = date.size() >= 7 && date[4] == '-' && digitsAt(date, 5, 2);
  const bool hasDay = hasMonth && date.size() == 10 && date[7] == '-' && digitsAt(date, 8, 2);
  if (date.size() != (hasDay ? 10u : hasMonth ? 7u : 4u)) return;
  const int month = hasMonth ? numberAt(date, 5, 2) : 0;
  if (hasMonth && (month < 1 || month > 12)) return;

  // Only the parts that the entry lacks: its own month and day stay.  A day
  // belongs to its month, so an entry with a month of its own takes no day
  // from the date.
  addDerived(publication, "year", std::string(date.substr(0, 4)));
  const bool ownMonth = findItem(publication, "month") != nullptr;
  if (hasMonth && !ownMonth)
    addDerived(publication, "month", std::string(kMonthTable[month - 1].macro));
  if (hasDay && !ownMonth && findItem(publication, "day") == nullptr)
    addDerived(publication, "day", std::string(date.substr(8, 2)));
}

}  // namespace

void deriveBiblatexFields(Node& publication) {
  if (findItem(publication, "year") == nullptr)
    if (const Item* date = findItem(publication, "date"))
      deriveDate(publication, std::string(date->value));
  if (findItem(publication, "journal") == nullptr)
    if (const Item* title = findItem(publication, "journaltitle"))
      addDerived(publication, "journal", title->value);
  if (findItem(publication, "address") == nullptr)
    if (const Item* location = findItem(publication, "location"))
      addDerived(publication, "address", location->value);
}

}  // namespace pubforge
