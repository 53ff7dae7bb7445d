// ISBN and ISSN verdicts: characters, lengths and check digits.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "checks/checks.h"

namespace pubforge {
namespace {

using namespace std::string_literals;

struct IdentifierRow {
  const char* name;
  std::string value;
  std::string err;  // empty when the identifier is valid
};

std::string isbnCharacters(const std::string& value) {
  return "WARNING: Entry K has invalid characters in \"isbn\" section (isbn=" + value + ")!\n";
}
std::string isbn10(const std::string& value, char checksum) {
  return "WARNING: Entry K has invalid ISBN-10 in \"isbn\" section (isbn=" + value +
         "; checksum=" + checksum + ")\n";
}
std::string isbn13(const std::string& value, char checksum) {
  return "WARNING: Entry K has invalid ISBN-13 in \"isbn\" section (isbn=" + value +
         "; checksum=" + checksum + ")\n";
}
std::string noIsbn(const std::string& value, const std::string& digits) {
  return "WARNING: Entry K has no ISBN-10 or ISBN-13 in \"isbn\" section (isbn=" + value +
         " -> " + digits + ")\n";
}
std::string issnCharacters(const std::string& value) {
  return "WARNING: Entry K has invalid characters in \"issn\" section (issn=" + value + ")!\n";
}
std::string issn(const std::string& value, char checksum) {
  return "WARNING: Entry K has invalid ISSN-10 in \"issn\" section (issn=" + value +
         "; checksum=" + checksum + ")\n";
}
std::string noIssn(const std::string& value, const std::string& digits) {
  return "WARNING: Entry K has no ISSN in \"issn\" section (issn=" + value + " -> " + digits +
         ")\n";
}

const IdentifierRow kIsbnRows[] = {
    {"ISBN-10", "0306406152", ""},
    {"ISBN-10 hyphenated", "0-306-40615-2", ""},
    {"ISBN-10 hyphens anywhere", "--03-0640--6152-", ""},
    {"ISBN-10 check X", "0-8044-2957-X", ""},
    {"ISBN-10 check 0", "0-306-40616-0", ""},
    {"ISBN-10 wrong digit", "0-306-40615-3", isbn10("0-306-40615-3", '2')},
    {"ISBN-10 X not due", "0-306-40615-X", isbn10("0-306-40615-X", '2')},
    {"ISBN-10 X due but digit", "0-8044-2957-0", isbn10("0-8044-2957-0", 'X')},
    {"ISBN-13", "978-0-306-40615-7", ""},
    {"ISBN-13 check 0", "9783161484100", ""},
    {"ISBN-13 wrong digit", "978-0-306-40615-8", isbn13("978-0-306-40615-8", '7')},
    {"ISBN-13 ending in X", "978-0-306-40615-X", isbn13("978-0-306-40615-X", '7')},
    {"twelve digits", "978-0-306-40615", noIsbn("978-0-306-40615", "978030640615")},
    {"empty", "", noIsbn("", "")},
    {"hyphens only", "--", noIsbn("--", "")},
    {"ISBN word", "ISBN 0306406152", isbnCharacters("ISBN 0306406152")},
    {"space between groups", "0 306 40615 2", isbnCharacters("0 306 40615 2")},
    {"lower-case x", "0-8044-2957-x", isbnCharacters("0-8044-2957-x")},
    {"X before the end", "0X06406152", isbnCharacters("0X06406152")},
    {"X followed by a hyphen", "0-8044-2957-X-", isbnCharacters("0-8044-2957-X-")},
    {"no-break space skipped", "0\xC2\xA0" "306406152", ""},
    // After a three-byte character the byte that follows it is skipped too,
    // so the digit right after it is lost.
    {"three-byte character eats a digit", "0\xE2\x80\x93" "306406152",
     noIsbn("0\xE2\x80\x93" "306406152", "006406152")},
    {"high byte at the end", "0306406152\xC2", isbnCharacters("0306406152\xC2")},
    {"three-byte character at the end", "0306406152\xE2\x80\x93",
     isbnCharacters("0306406152\xE2\x80\x93")},
    {"high byte skips a NUL", "03064\xC3\0" "06152"s, ""},
    {"NUL is no digit", "03064\0" "06152"s, isbnCharacters("03064\0" "06152"s)},
};

const IdentifierRow kIssnRows[] = {
    {"ISSN", "0378-5955", ""},
    {"ISSN without hyphen", "03785955", ""},
    {"ISSN check X", "2434-561X", ""},
    {"ISSN check 0", "2049-3630", ""},
    {"ISSN wrong digit", "0378-5954", issn("0378-5954", '5')},
    {"ISSN X not due", "0378-595X", issn("0378-595X", '5')},
    {"ISSN seven digits", "0378-595", noIssn("0378-595", "0378595")},
    {"ISSN as ISBN", "0306406152", noIssn("0306406152", "0306406152")},
    {"ISSN word", "ISSN 0378-5955", issnCharacters("ISSN 0378-5955")},
    {"ISSN lower-case x", "2434-561x", issnCharacters("2434-561x")},
};

TEST(CheckIsbn, Table) {
  for (const IdentifierRow& row : kIsbnRows) {
    SCOPED_TRACE(row.name);
    Node publication;
    publication.keyword = "K";
    Item isbn;
    isbn.keyword = "isbn";
    isbn.value = row.value;
    std::ostringstream err;
    checkIsbn(publication, isbn, err);
    EXPECT_EQ(err.str(), row.err);
    EXPECT_EQ(isbn.value, row.value);
  }
}

TEST(CheckIssn, Table) {
  for (const IdentifierRow& row : kIssnRows) {
    SCOPED_TRACE(row.name);
    Node publication;
    publication.keyword = "K";
    Item issnItem;
    issnItem.keyword = "issn";
    issnItem.value = row.value;
    std::ostringstream err;
    checkIssn(publication, issnItem, err);
    EXPECT_EQ(err.str(), row.err);
    EXPECT_EQ(issnItem.value, row.value);
  }
}

}  // namespace
}  // namespace pubforge
