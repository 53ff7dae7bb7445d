// URL normalisation: the "\url{...}" wrapper, IEEE Xplore links and escapes.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "checks/checks.h"

namespace pubforge {
namespace {

TEST(EscapeUrl, Table) {
  const struct {
    const char* name;
    std::string url;
    std::string expected;
  } rows[] = {
      {"plain", "https://example.org/a?b=c", "https://example.org/a?b=c"},
      {"escaped underscore", "a\\_b", "a_b"},
      {"escaped percent, hash, ampersand", "a\\%20\\#x\\&y", "a%20#x&y"},
      {"doubled backslash", "a\\\\b", "a\\b"},
      {"three backslashes", "a\\\\\\_b", "a\\_b"},
      {"lone backslash at the end", "a\\", "a"},
      {"space", "a b", "a%20b"},
      {"escaped space", "a\\ b", "a%20b"},
      {"space ends an escape", "a\\ \\_", "a%20_"},
      {"empty", "", ""},
      {"NUL kept", std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(escapeUrl(row.url), row.expected);
  }
}

TEST(NormaliseUrl, Table) {
  const struct {
    const char* name;
    std::string value;
    std::string expected;
  } rows[] = {
      {"plain", "https://example.org/x", "https://example.org/x"},
      {"wrapper removed", "\\url{https://example.org/a b}", "https://example.org/a%20b"},
      {"wrapper without closing brace", "\\url{https://example.org/a b",
       "url{https://example.org/a%20b"},
      {"empty wrapper", "\\url{}", ""},
      {"wrapper and escapes", "\\url{https://example.org/a\\_b\\%7E}",
       "https://example.org/a_b%7E"},
      {"IEEE Xplore plain", "http://ieeexplore.ieee.org/xpls/abs_all.jsp?arnumber=1",
       "http://ieeexplore.ieee.org/xpls/abs_all.jsp?arnumber=1&isnumber="},
      {"IEEE Xplore secure", "https://ieeexplore.ieee.org/document/1",
       "https://ieeexplore.ieee.org/document/1&isnumber="},
      {"IEEE Xplore in a wrapper", "\\url{https://ieeexplore.ieee.org/x}",
       "https://ieeexplore.ieee.org/x&isnumber="},
      {"IEEE Xplore with isnumber", "http://ieeexplore.ieee.org/a?arnumber=1&isnumber=2",
       "http://ieeexplore.ieee.org/a?arnumber=1&isnumber=2"},
      {"IEEE Xplore root needs the slash", "https://ieeexplore.ieee.org",
       "https://ieeexplore.ieee.org"},
      {"IEEE Xplore is case-sensitive", "https://IEEEXplore.ieee.org/x",
       "https://IEEEXplore.ieee.org/x"},
      {"IEEE Xplore host elsewhere", "https://example.org/?u=https://ieeexplore.ieee.org/",
       "https://example.org/?u=https://ieeexplore.ieee.org/"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Node publication;
    publication.keyword = "K";
    Item url;
    url.keyword = "url";
    url.value = row.value;
    std::ostringstream err;
    normaliseUrl(publication, url, err);
    EXPECT_EQ(url.value, row.expected);
    EXPECT_EQ(err.str(), "");
  }
}

}  // namespace
}  // namespace pubforge
