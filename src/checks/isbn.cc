// ISBN and ISSN values are verified (allowed characters, length, check digit)
// and faults reported; the values themselves are never changed.
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "checks/checks.h"

namespace pubforge {

namespace {

// The characters of an identifier that count: its digits and a final "X".
// Hyphens are skipped, and so is every byte of 0x80 or above together with
// the byte after it.  Any other byte, an "X" before the end, or a high byte
// at the very end makes the value invalid (no result).
std::optional<std::string> extractDigits(std::string_view value) {
  std::string digits;
  for (size_t i = 0; i < value.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(value[i]);
    if (c >= '0' && c <= '9') {
      digits.push_back(static_cast<char>(c));
    } else if (c == 'X' && i + 1 == value.size()) {
      digits.push_back('X');
    } else if (c == '-') {
      continue;
    } else if (c >= 0x80 && i + 1 < value.size()) {
      ++i;
    } else {
      return std::nullopt;
    }
  }
  return digits;
}

// Check character of a modulus-11 identifier (ISBN-10, ISSN) whose leading
// digits are weighted from `firstWeight` down to 2.
char modulus11CheckCharacter(std::string_view digits, int firstWeight) {
  int sum = 0;
  for (int i = 0, weight = firstWeight; weight >= 2; ++i, --weight)
    sum += (digits[i] - '0') * weight;
  int remainder = sum % 11;
  if (remainder == 0) return '0';
  int check = 11 - remainder;
  return check == 10 ? 'X' : static_cast<char>('0' + check);
}

// Check digit of an ISBN-13: the first twelve digits weighted 1, 3, 1, 3, ...
char isbn13CheckCharacter(std::string_view digits) {
  int sum = 0;
  for (int i = 0; i < 12; ++i) sum += (digits[i] - '0') * (i % 2 == 0 ? 1 : 3);
  int remainder = sum % 10;
  return remainder == 0 ? '0' : static_cast<char>('0' + 10 - remainder);
}

}  // namespace

void checkIsbn(Node& publication, Item& isbnItem, Diagnostics diag) {
  const std::string& key = publication.keyword;
  const std::string& value = isbnItem.value;
  std::optional<std::string> digits = extractDigits(value);
  if (!digits) {
    diag.entryWarning(key, "has invalid characters in \"isbn\" section (isbn=", value, ")");
    return;
  }
  if (digits->size() == 10) {
    char expected = modulus11CheckCharacter(*digits, 10);
    if ((*digits)[9] != expected)
      diag.entryWarning(key, "has invalid ISBN-10 in \"isbn\" section (isbn=", value, "; checksum=", expected, ")", kPlainEnd);
  } else if (digits->size() == 13) {
    char expected = isbn13CheckCharacter(*digits);
    if ((*digits)[12] != expected)
      diag.entryWarning(key, "has invalid ISBN-13 in \"isbn\" section (isbn=", value, "; checksum=", expected, ")", kPlainEnd);
  } else {
    diag.entryWarning(key, "has no ISBN-10 or ISBN-13 in \"isbn\" section (isbn=", value, " -> ", *digits, ")", kPlainEnd);
  }
}

void checkIssn(Node& publication, Item& issnItem, Diagnostics diag) {
  const std::string& key = publication.keyword;
  const std::string& value = issnItem.value;
  std::optional<std::string> digits = extractDigits(value);
  if (!digits) {
    diag.entryWarning(key, "has invalid characters in \"issn\" section (issn=", value, ")");
    return;
  }
  if (digits->size() == 8) {
    char expected = modulus11CheckCharacter(*digits, 8);
    if ((*digits)[7] != expected)
      diag.entryWarning(key, "has invalid ISSN-10 in \"issn\" section (issn=", value, "; checksum=", expected, ")", kPlainEnd);
  } else {
    diag.entryWarning(key, "has no ISSN in \"issn\" section (issn=", value, " -> ", *digits, ")", kPlainEnd);
  }
}

}  // namespace pubforge
