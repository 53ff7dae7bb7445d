// The pieces of the URL check that need no server: reading the final HTTP
// status, finding the frame of a frame page, naming stored downloads, and
// quoting paths for the shell.
#include <gtest/gtest.h>

#include "urlcheck/analysis.h"
#include "urlcheck/download.h"
#include "test_server.h"
#include "urlcheck/url_check.h"

namespace pubforge {
namespace {

TEST(FinalHttpStatus, TheLastStatusLineWins) {
  struct Row {
    const char* name;
    std::string headers;
    unsigned status;
  };
  const Row rows[] = {
      {"plain", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n", 200},
      {"redirects", "HTTP/1.1 302 Found\r\nLocation: /a\r\n\r\nHTTP/1.0 301 Moved\r\n\r\n"
                    "HTTP/1.1 200 OK\r\n\r\n", 200},
      {"ends in an error", "HTTP/1.1 302 Found\r\n\r\nHTTP/1.1 404 Not Found\r\n\r\n", 404},
      {"version two", "HTTP/2 200\r\n\r\n", 200},
      {"no reason phrase, no line end", "HTTP/1.1 503", 503},
      {"several blanks before the number", "HTTP/1.1   204 No Content\r\n", 204},
      {"no status line", "Content-Type: text/plain\r\n\r\n", 999},
      {"nothing at all", "", 999},
      {"lower-case protocol", "http/1.1 200 OK\r\n", 999},
      {"no version", "HTTP/ 200 OK\r\n", 999},
      {"no number", "HTTP/1.1 OK\r\n", 999},
      {"not at the start of the line", " HTTP/1.1 200 OK\r\n", 999},
      {"a header mentioning a status", "X-Note: HTTP/1.1 200\r\nHTTP/1.1 500 Error\r\n", 500},
      {"too large a number", "HTTP/1.1 99999999999999999999\r\n", 4294967295u},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(finalHttpStatus(row.headers), row.status);
  }
}

TEST(FrameAddress, TheLastFrameOfThePage) {
  struct Row {
    const char* name;
    std::string page;
    std::optional<std::string> frame;
  };
  const Row rows[] = {
      {"one frame", R"(<frameset><frame src="http://a/b.pdf"></frameset>)", "http://a/b.pdf"},
      {"the last of two", R"(<frame src="first"><frame src="second">)", "second"},
      {"relative", R"(<frame src="/stamp/x.pdf">)", "/stamp/x.pdf"},
      {"empty address", R"(<frame src="">)", ""},
      {"no closing quote", R"(<frame src="http://a/b.pdf)", std::nullopt},
      {"no frame", "<html><body>text</body></html>", std::nullopt},
      {"other spelling", R"(<FRAME SRC="x"><frame  src="y">)", std::nullopt},
      {"a frame after a zero byte does not count",
       std::string("<frame src=\"before\">\0<frame src=\"after\">", 40), "before"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(frameAddress(row.page), row.frame);
  }
}

TEST(DownloadFileName, KeyAndExtensionOfTheType) {
  struct Row {
    const char* directory;
    const char* key;
    const char* mime;
    const char* path;
  };
  const Row rows[] = {
      {"dl", "Kell2020", "application/pdf", "dl/Kell2020.pdf"},
      {"dl", "Kell2020", "application/xml", "dl/Kell2020.xml"},
      {"dl", "Kell2020", "text/html", "dl/Kell2020.html"},
      {"dl", "Kell2020", "text/plain", "dl/Kell2020.txt"},
      {"dl", "Kell2020", "text/xml", "dl/Kell2020data"},
      {"dl", "Kell2020", "", "dl/Kell2020data"},
      {"dl", "Kell2020", "TEXT/HTML", "dl/Kell2020data"},
      {"", "Kell2020", "text/html", "Kell2020.html"},
      {"a dir/", "conf/ws/K", "application/pdf", "a dir//conf/ws/K.pdf"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(downloadFileName(row.directory, row.key, row.mime), row.path);
  }
}

// The shell gives back exactly the quoted bytes as one word.
TEST(ShellQuote, EveryPathIsOneWord) {
  const std::string paths[] = {
      "/tmp/plain",         "with space",   "it's",       "''",  "a\"b",
      "$(touch x) `y` ;|&", "back\\slash",  "line\nfeed", "",    "-dash",
  };
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    EXPECT_EQ(testing::commandOutput("printf '%s|' " + shellQuote(path)), path + "|");
  }
}

}  // namespace
}  // namespace pubforge
