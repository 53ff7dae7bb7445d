// The URL check against a real local HTTP server, with the real `file` and
// `pdfinfo`: what is recorded, what is reported, what is stored, and that no
// temporary file stays behind.
#include "urlcheck/url_check.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <tuple>
#include <regex>
#include <sstream>

#include "model/items.h"
#include "reader/reader.h"
#include "test_server.h"

namespace pubforge {
namespace {

using testing::ClosedPort;
using testing::commandOutput;
using testing::md5sum;
using testing::NoProxies;
using testing::readFile;
using testing::ScopedEnv;
using testing::TempDir;
using testing::TestServer;
using testing::writeFile;

constexpr const char* kNone = "<none>";

using CheckOptions = UrlCheckOptions;

class UrlCheckTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // Whatever happened, no temporary file stays: neither in the folder of
    // temporary files nor among the stored downloads.
    EXPECT_EQ(temp.list(), std::vector<std::string>{});
    for (const std::string& name : work.list())
      EXPECT_EQ(name.find("pubforge-"), std::string::npos) << name;
  }

  // Reads a bibliography; "@/" in it stands for the server's root address.
  void read(std::string bib) {
    for (size_t at; (at = bib.find("@/")) != std::string::npos;)
      bib.replace(at, 2, server.url("/"));
    std::ostringstream out, err;
    BibReader reader(out, err);
    ASSERT_EQ(reader.readText(bib), ReadResult::kOk) << err.str();
    collection = reader.finish();
    set = PublicationSet(collection.size());
    set.addAll(collection);
  }

  // One entry with the given key and url.
  void readEntry(const std::string& key, const std::string& url) {
    read("@Misc{" + key + ", author = {A. Kell}, title = {T}, year = 2020, url = {" + url + "}}\n");
  }

  unsigned check(CheckOptions options = {}) {
    messages.str("");
    options.tempFolder = temp.path();
    return runUrlCheck(set, options, Diagnostics(messages)).errors;
  }

  Node& entry(const std::string& key) {
    Node* node = findNode(collection, key);
    if (node == nullptr) throw std::runtime_error("no entry " + key);
    return *node;
  }
  std::string item(const std::string& key, std::string_view keyword) {
    const Item* found = findItem(entry(key), keyword);
    return found ? found->value : kNone;
  }
  std::vector<std::string> urlItems(const std::string& key) {
    std::vector<std::string> keywords;
    for (const Item& i : entry(key).items)
      if (i.keyword.starts_with("url.") || i.keyword == "numpages" || i.keyword == "removeme")
        keywords.push_back(i.keyword);
    return keywords;
  }

  // The "OK:" report for a document of the docroot.
  std::string okLine(const std::string& docName, const std::string& mime) {
    const std::string path = docroot / docName;
    return "OK: size=" + std::to_string(std::filesystem::file_size(path)) + "B;\ttype=" + mime +
           ";\tMD5=" + md5sum(path) + "\n";
  }

  NoProxies noProxies;
  TempDir docroot;  // the server's documents
  TempDir work;     // download directories
  TempDir temp;     // temporary files of the check
  TestServer server{docroot.path()};
  Collection collection;
  PublicationSet set;
  std::ostringstream messages;
};

const std::regex kCheckTime(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \S+)");

TEST_F(UrlCheckTest, FirstCheckRecordsTheDocument) {
  struct Row {
    const char* doc;
    const char* mime;
    std::vector<std::string> items;  // url.* items and numpages, in output order
  };
  const Row rows[] = {
      {"sample.pdf", "application/pdf",
       {"numpages", "url.size", "url.md5", "url.mime", "url.pagesize", "url.checked",
        "url.keywords"}},
      {"sample.html", "text/html", {"url.size", "url.md5", "url.mime", "url.checked"}},
      {"sample.txt", "text/plain", {"url.size", "url.md5", "url.mime", "url.checked"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.doc);
    readEntry("kell2020", "@/doc/" + std::string(row.doc));
    EXPECT_EQ(check(), 0u);
    EXPECT_EQ(messages.str(), "Checking URL of kell2020 ... " + okLine(row.doc, row.mime));
    EXPECT_EQ(urlItems("kell2020"), row.items);
    const std::string path = docroot / row.doc;
    EXPECT_EQ(item("kell2020", "url.size"), std::to_string(std::filesystem::file_size(path)));
    EXPECT_EQ(item("kell2020", "url.md5"), md5sum(path));
    EXPECT_EQ(item("kell2020", "url.mime"), row.mime);
    EXPECT_TRUE(std::regex_match(item("kell2020", "url.checked"), kCheckTime))
        << item("kell2020", "url.checked");
  }
  // The PDF details come from pdfinfo; the keywords are converted from LaTeX
  // with the ties kept.
  readEntry("kell2020", "@/doc/sample.pdf");
  check();
  EXPECT_EQ(item("kell2020", "numpages"), "2");
  EXPECT_EQ(item("kell2020", "url.pagesize"), "612 x 792 pts (letter)");
  EXPECT_EQ(item("kell2020", "url.keywords"), "K\xc3\xbcste, tidal~flats");
}

TEST_F(UrlCheckTest, PdfKeywordsAreNotRecordedBesideTheEntrysOwn) {
  read("@Misc{k, author = {A. Kell}, title = {T}, year = 2020, keywords = {mine},"
       " numpages = 9, url = {@/doc/sample.pdf}}\n");
  EXPECT_EQ(check(), 0u);
  EXPECT_EQ(item("k", "url.keywords"), kNone);
  EXPECT_EQ(item("k", "keywords"), "mine");
  EXPECT_EQ(item("k", "numpages"), "2");  // overwritten in every case
}

TEST_F(UrlCheckTest, SecondCheckOfAnUnchangedDocumentOnlySaysOk) {
  readEntry("k", "@/doc/sample.pdf");
  ASSERT_EQ(check(), 0u);
  const std::string first = messages.str();
  const std::vector<std::string> items = urlItems("k");
  const std::string md5 = item("k", "url.md5");
  ASSERT_EQ(check(), 0u);
  EXPECT_EQ(messages.str(), first);
  EXPECT_EQ(urlItems("k"), items);
  EXPECT_EQ(item("k", "url.md5"), md5);
}

// A document that changes between two checks.  In the expected reports,
// {url}, {oldSize}, {newSize}, {oldMd5}, {newMd5} and {newMime} stand for
// the values of the two versions.
TEST_F(UrlCheckTest, ChangesBetweenChecksAreReported) {
  const std::string html = readFile(docroot / "sample.html");
  const std::string pdf = readFile(docroot / "sample.pdf");
  std::string sameSizeHtml = html;
  sameSizeHtml[sameSizeHtml.find("Tidal flats under")] = 't';
  const std::string plain = "first version of a plain text\n";
  struct Row {
    const char* name;
    std::string before, after;
    bool ignoreUpdatesForHtml;
    bool digestIgnoredBefore;  // url.md5 was "ignore" before the second check
    const char* report;
    const char* md5After;  // "{newMd5}" or "ignore"
  };
  const Row rows[] = {
      {"html size and digest", html, html + "<p>more</p>\n", false, false,
       "UPDATED {url}: old size has been {oldSize}, new size is {newSize}\n"
       "UPDATED {url}: old MD5 has been {oldMd5}, new MD5 is {newMd5}\n"
       "OK: size={newSize}B;\ttype=text/html;\tMD5={newMd5}\n",
       "{newMd5}"},
      {"html size and digest, -w", html, html + "<p>more</p>\n", true, false,
       "[Size change for HTML/XML document -> setting url.md5=\"ignore\"] "
       "[MD5 change for HTML/XML document -> setting url.md5=\"ignore\"] "
       "OK: size={newSize}B;\ttype=text/html;\tMD5=ignore\n",
       "ignore"},
      {"html digest only", html, sameSizeHtml, false, false,
       "UPDATED {url}: old MD5 has been {oldMd5}, new MD5 is {newMd5}\n"
       "OK: size={newSize}B;\ttype=text/html;\tMD5={newMd5}\n",
       "{newMd5}"},
      {"html digest only, -w", html, sameSizeHtml, true, false,
       "[MD5 change for HTML/XML document -> setting url.md5=\"ignore\"] "
       "OK: size={newSize}B;\ttype=text/html;\tMD5=ignore\n",
       "ignore"},
      {"ignored html changes size, -w", html, html + "<p>more</p>\n", true, true,
       "[Size change for HTML/XML document -> setting url.md5=\"ignore\"] "
       "OK: size={newSize}B;\ttype=text/html;\tMD5=ignore\n",
       "ignore"},
      {"ignored html changes size", html, html + "<p>more</p>\n", false, true,
       "UPDATED {url}: old size has been {oldSize}, new size is {newSize}\n"
       "OK: size={newSize}B;\ttype=text/html;\tMD5={newMd5}\n",
       "ignore"},
      {"plain text, -w", plain, plain + "second line\n", true, false,
       "UPDATED {url}: old size has been {oldSize}, new size is {newSize}\n"
       "UPDATED {url}: old MD5 has been {oldMd5}, new MD5 is {newMd5}\n"
       "OK: size={newSize}B;\ttype=text/plain;\tMD5={newMd5}\n",
       "{newMd5}"},
      {"html to pdf", html, pdf, true, true,
       "\nNOTE: change from HTML to PDF -> just updating entry\n"
       "OK: size={newSize}B;\ttype=application/pdf;\tMD5={newMd5}\n",
       "{newMd5}"},
      {"pdf to html, -w", pdf, html, true, false,
       "UPDATED {url}: old mime type has been application/pdf, new type mime is text/html\n"
       "UPDATED {url}: old size has been {oldSize}, new size is {newSize}\n"
       "UPDATED {url}: old MD5 has been {oldMd5}, new MD5 is {newMd5}\n"
       "OK: size={newSize}B;\ttype=text/html;\tMD5={newMd5}\n",
       "{newMd5}"},
  };
  const std::string doc = docroot / "changing";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    writeFile(doc, row.before);
    const std::string oldMd5 = md5sum(doc);
    readEntry("k", "@/doc/changing");
    ASSERT_EQ(check({.ignoreUpdatesForHtml = row.ignoreUpdatesForHtml}), 0u);
    if (row.digestIgnoredBefore) setItem(entry("k"), "url.md5", "ignore");
    writeFile(doc, row.after);
    ASSERT_EQ(check({.ignoreUpdatesForHtml = row.ignoreUpdatesForHtml}), 0u);

    const std::string newMd5 = md5sum(doc);
    auto fill = [&](std::string text) {
      const std::pair<std::string, std::string> values[] = {
          {"{url}", server.url("/doc/changing")},
          {"{oldSize}", std::to_string(row.before.size())},
          {"{newSize}", std::to_string(row.after.size())},
          {"{oldMd5}", oldMd5},
          {"{newMd5}", newMd5},
      };
      for (const auto& [name, value] : values)
        for (size_t at; (at = text.find(name)) != std::string::npos;)
          text.replace(at, name.size(), value);
      return text;
    };
    EXPECT_EQ(messages.str(), "Checking URL of k ... " + fill(row.report));
    EXPECT_EQ(item("k", "url.md5"), fill(row.md5After));
    EXPECT_EQ(item("k", "url.size"), std::to_string(row.after.size()));
  }
}

TEST_F(UrlCheckTest, KnownEntriesAreSkippedOrCheckedAgain) {
  const std::string dir = work / "downloads";
  const std::string size = std::to_string(std::filesystem::file_size(docroot / "sample.txt"));
  const std::string known =
      ", url.size = " + size + ", url.mime = {text/plain}, url.checked = {2020-01-01}";
  struct Row {
    const char* name;
    std::string fields;  // url.* items of the entry
    bool withDirectory, onlyCheckNewUrls, quiet;
    bool storedBefore;  // dir/k.txt exists before the check
    std::string report;
  };
  const std::string examined = "Checking URL of k ... " + okLine("sample.txt", "text/plain");
  const Row rows[] = {
      // name, url.* items, -D, -u, -q, stored before, report
      {"known, -u", known, false, true, false, false, "Skipping URL of k (not a new entry).\n"},
      {"known, -u, quiet", known, false, true, true, false, ""},
      {"known", known, false, false, false, false, examined},
      {"not checked yet, -u", ", url.size = " + size + ", url.mime = {text/plain}", false, true,
       false, false, examined},
      {"known, stored", known, true, false, false, true,
       "Skipping URL of k (already available as " + dir + "/k.txt).\n"},
      {"known, stored, quiet", known, true, false, true, true, ""},
      {"known, not stored, -u", known, true, true, false, false, examined},
      {"new, stored", "", true, false, false, true, examined},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(dir);
    if (row.storedBefore) {
      std::filesystem::create_directory(dir);
      writeFile(dir + "/k.txt", "stored before");
    }
    read("@Misc{k, author = {A. Kell}, title = {T}, year = 2020, url = {@/doc/sample.txt}" +
         row.fields + "}\n% a comment line\n@Misc{nourl, author = {A}, title = {T}, year = 1}\n");
    CheckOptions options;
    if (row.withDirectory) options.downloadDirectory = dir;
    options.onlyCheckNewUrls = row.onlyCheckNewUrls;
    options.quiet = row.quiet;
    EXPECT_EQ(check(options), 0u);
    EXPECT_EQ(messages.str(), row.report);
    const bool checked = row.report == examined;
    EXPECT_EQ(std::regex_match(item("k", "url.checked"), kCheckTime), checked);
  }
}

TEST_F(UrlCheckTest, DownloadsAreStoredUnderTheirKeyAndType) {
  writeFile(docroot / "code", "#include <stdio.h>\nint main(void) { return 0; }\n");
  writeFile(docroot / "bytes", std::string("\x00\x01\x02\xff\xfe binary", 13));
  struct Row {
    const char* doc;
    const char* key;
    const char* mime;
    const char* stored;
  };
  const Row rows[] = {
      {"sample.pdf", "kell2020", "application/pdf", "kell2020.pdf"},
      {"sample.html", "page", "text/html", "page.html"},
      {"sample.txt", "note", "text/plain", "note.txt"},
      {"code", "code", "text/plain", "code.txt"},  // `file` sees C; it is text
      {"bytes", "raw", "application/octet-stream", "rawdata"},
      {"sample.pdf", "conf/ws/Kell20", "application/pdf", "conf/ws/Kell20.pdf"},
  };
  const std::string dir = work / "downloads";
  std::string bib;
  for (const Row& row : rows)
    bib += "@Misc{" + std::string(row.key) + ", author = {A}, title = {T}, year = 1, url = {@/doc/" +
           row.doc + "}}\n";
  read(bib);
  EXPECT_EQ(check({.downloadDirectory = dir}), 0u);
  std::vector<std::string> stored;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    EXPECT_EQ(item(row.key, "url.mime"), row.mime);
    EXPECT_EQ(downloadFileName(dir, row.key, row.mime), dir + "/" + row.stored);
    EXPECT_EQ(readFile(dir + "/" + row.stored), readFile(docroot / row.doc));
    EXPECT_EQ(item(row.key, "url.md5"), md5sum(dir + "/" + row.stored));
    stored.push_back(std::string("downloads/") + row.stored);
  }
  stored.insert(stored.end(), {"downloads", "downloads/conf", "downloads/conf/ws"});
  std::sort(stored.begin(), stored.end());
  EXPECT_EQ(work.list(), stored);

  // The next check finds them all, the key with folders included.
  EXPECT_EQ(check({.downloadDirectory = dir}), 0u);
  EXPECT_NE(messages.str().find("Skipping URL of conf/ws/Kell20 (already available as " + dir +
                                "/conf/ws/Kell20.pdf).\n"),
            std::string::npos)
      << messages.str();
  EXPECT_EQ(messages.str().find("Checking"), std::string::npos) << messages.str();
}

TEST_F(UrlCheckTest, KeysThatLeaveTheDownloadDirectoryAreCheckedButNotStored) {
  const std::string dir = work / "downloads";
  read("@Misc{../escape, author = {A}, title = {T}, year = 1, url = {@/doc/sample.pdf}}\n"
       "@Misc{/tmp/absolute, author = {A}, title = {T}, year = 1, url = {@/doc/sample.pdf}}\n"
       "@Misc{a/../../up, author = {A}, title = {T}, year = 1, url = {@/doc/sample.pdf}}\n");
  const std::string ok = okLine("sample.pdf", "application/pdf");
  auto refused = [&](const std::string& key) {
    return "Checking URL of " + key + " ... " + ok + "\nFAILED to store download file " + dir +
           "/" + key + ".pdf: the citation key leads out of the download directory!\n";
  };
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    // Known entries that are never stored are checked again every time.
    EXPECT_EQ(check({.downloadDirectory = dir}), 3u);
    EXPECT_EQ(messages.str(), refused("../escape") + refused("/tmp/absolute") + refused("a/../../up"));
    EXPECT_EQ(item("../escape", "url.mime"), "application/pdf");
  }
  EXPECT_EQ(work.list(), std::vector<std::string>{"downloads"});
  EXPECT_FALSE(std::filesystem::exists("/tmp/absolute.pdf"));
}

TEST_F(UrlCheckTest, ADownloadDirectoryWithBlanksAndQuotesIsNoShellCommand) {
  // Every path reaches `file` and `pdfinfo` as one word.
  const std::string dir = work / "it's a dir; touch pwned $(touch pwned2) `touch pwned3`";
  readEntry("k", "@/doc/sample.pdf");
  {
    // The commands run in the working folder of the process.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(work.path());
    EXPECT_EQ(check({.downloadDirectory = dir}), 0u);
    std::filesystem::current_path(before);
  }
  EXPECT_EQ(messages.str(), "Checking URL of k ... " + okLine("sample.pdf", "application/pdf"));
  EXPECT_EQ(item("k", "numpages"), "2");
  EXPECT_EQ(readFile(dir + "/k.pdf"), readFile(docroot / "sample.pdf"));
  EXPECT_EQ(work.list(),
            (std::vector<std::string>{std::filesystem::path(dir).filename().string(),
                                      std::filesystem::path(dir).filename().string() + "/k.pdf"}));
}

TEST_F(UrlCheckTest, ALongDownloadDirectoryIsNotCut) {
  // Far longer than the 255 bytes a fixed buffer would take.
  const std::string parent = work / std::string(200, 'p') + "/" + std::string(200, 'q');
  std::filesystem::create_directories(parent);
  const std::string dir = parent + "/downloads";
  readEntry("k", "@/doc/sample.txt");
  EXPECT_EQ(check({.downloadDirectory = dir}), 0u);
  EXPECT_EQ(messages.str(), "Checking URL of k ... " + okLine("sample.txt", "text/plain"));
  EXPECT_EQ(readFile(dir + "/k.txt"), readFile(docroot / "sample.txt"));
}

TEST_F(UrlCheckTest, AnEmptyDocumentIsAnErrorAndRecordsNothing) {
  const std::string dir = work / "downloads";
  readEntry("k", "@/empty");
  EXPECT_EQ(check({.downloadDirectory = dir}), 1u);
  EXPECT_EQ(messages.str(),
            "Checking URL of k ... \nFAILED " + server.url("/empty") + ": size is zero!\n");
  EXPECT_EQ(urlItems("k"), std::vector<std::string>{});
  EXPECT_EQ(work.list(), std::vector<std::string>{"downloads"});
}

TEST_F(UrlCheckTest, FailedDownloadsAreCountedAndChangeNothing) {
  ClosedPort closed;
  struct Row {
    const char* name;
    std::string url;
    std::string report;  // after "Checking URL of k ... "
  };
  const Row rows[] = {
      {"not found", server.url("/missing"),
       "FAILED " + server.url("/missing") + " - HTTP returns code 404!\n"},
      {"no status line at all", server.url("/nostatus"),
       "FAILED " + server.url("/nostatus") + ": Unsupported protocol!\n"},
      {"status line the format does not match", server.url("/lowercase"),
       "FAILED " + server.url("/lowercase") + " - HTTP returns code 999!\n"},
      {"unreachable port", closed.url("/paper.pdf"),
       "FAILED " + closed.url("/paper.pdf") + ": Couldn't connect to server!\n"},
  };
  const std::string dir = work / "downloads";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    read("@Misc{k, author = {A}, title = {T}, year = 1, url = {" + row.url +
         "}, url.size = 7, url.md5 = {x}}\n");
    EXPECT_EQ(check({.downloadDirectory = dir}), 1u);
    EXPECT_EQ(messages.str(), "Checking URL of k ... " + row.report);
    EXPECT_EQ(urlItems("k"), (std::vector<std::string>{"url.size", "url.md5"}));
    EXPECT_EQ(item("k", "url.size"), "7");
  }
  EXPECT_EQ(work.list(), std::vector<std::string>{"downloads"});
}

TEST_F(UrlCheckTest, RedirectsAreFollowedAndTheLastStatusCounts) {
  readEntry("k", "@/redirect/3");
  EXPECT_EQ(check(), 0u);
  EXPECT_EQ(messages.str(), "Checking URL of k ... " + okLine("sample.pdf", "application/pdf"));
}

TEST_F(UrlCheckTest, CookiesGoWithTheLaterRequestsOfTheRun) {
  read("@Misc{before, author = {A}, title = {T}, year = 1, url = {@/cookie/need}}\n"
       "@Misc{set, author = {A}, title = {T}, year = 1, url = {@/cookie/set}}\n"
       "@Misc{after, author = {A}, title = {T}, year = 1, url = {@/cookie/need}}\n");
  const std::string ok = okLine("sample.txt", "text/plain");
  const std::string refused =
      "FAILED " + server.url("/cookie/need") + " - HTTP returns code 403!\n";
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);  // every run starts without cookies
    // One download at a time: the later entry comes after the cookie.
    EXPECT_EQ(check({.jobs = 1}), 1u);
    EXPECT_EQ(messages.str(), "Checking URL of before ... " + refused + "Checking URL of set ... " +
                                  ok + "Checking URL of after ... " + ok);
  }
}

TEST_F(UrlCheckTest, IeeeXploreFramePagesAreFollowedThroughTheFrame) {
  // The library's site is played by the local server, reached as a proxy.
  ScopedEnv proxy("http_proxy", server.url(""));
  const std::string page = "http://ieeexplore.ieee.org/stamp/stamp.jsp?arnumber=";
  struct Row {
    const char* number;
    std::string report;  // after "Checking URL of k ... ", as a pattern
    unsigned errors;
  };
  const std::string pdfOk = okLine("sample.pdf", "application/pdf");
  const Row rows[] = {
      // The last frame counts; the cookie of the page goes with the request
      // for the frame, which the site needs.
      {"1",
       R"(\[IEEExplore->http://ieeexplore\.ieee\.org/stamp/getPDF\.jsp\?tp=&arnumber=1\] )" +
           std::regex_replace(pdfOk, std::regex(R"([.?*+^$()\[\]{}|\\])"), R"(\$&)"),
       0},
      // A relative frame address is passed on as it is.
      {"2",
       R"(\[IEEExplore->/stamp/getPDF\.jsp\?arnumber=2\] FAILED /stamp/getPDF\.jsp\?arnumber=2: )"
       R"(URL using bad/illegal format or missing URL!\n)",
       1},
      // A page of 65535 bytes or more is not looked into.
      {"3", "OK: size=\\d+B;\ttype=text/html;\tMD5=[0-9a-f]{32}\n", 0},
      {"4", "\\[IEEExplore\\] OK: size=\\d+B;\ttype=text/html;\tMD5=[0-9a-f]{32}\n", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.number);
    readEntry("k", page + row.number);
    EXPECT_EQ(check(), row.errors);
    EXPECT_TRUE(std::regex_match(messages.str(), std::regex("Checking URL of k \\.\\.\\. " + row.report)))
        << messages.str();
  }
}

// Local files and other local services are out of reach of a bibliography,
// also through a redirect.
TEST_F(UrlCheckTest, OnlyTheWebIsFetched) {
  const std::string dir = work / "downloads";
  const std::string urls[] = {
      "file://" + docroot / "sample.txt",
      "file:///dev/zero",
      "FILE:///etc/passwd",
      "gopher://127.0.0.1:7/_stats",
      "dict://127.0.0.1:11211/stats",
      "ftp://127.0.0.1/x",
      server.url("/to-file"),
      server.url("/to-gopher"),
  };
  for (const std::string& url : urls) {
    SCOPED_TRACE(url);
    readEntry("k", url);
    EXPECT_EQ(check({.downloadDirectory = dir}), 1u);
    EXPECT_EQ(messages.str(), "Checking URL of k ... FAILED " + url + ": unsupported protocol!\n");
    EXPECT_EQ(urlItems("k"), std::vector<std::string>{});
  }
  EXPECT_EQ(work.list(), std::vector<std::string>{"downloads"});
}

TEST_F(UrlCheckTest, DownloadDirectoryThatCannotBeCreatedStopsTheRun) {
  readEntry("k", "@/doc/sample.txt");
  EXPECT_EQ(check({.downloadDirectory = work / "missing/downloads"}), 1u);
  EXPECT_EQ(messages.str(), "ERROR: Failed to create download directory: No such file or directory!\n");
  EXPECT_EQ(urlItems("k"), std::vector<std::string>{});
}

TEST_F(UrlCheckTest, TemporaryFilesThatCannotBeMadeFailEachEntry) {
  read("@Misc{a, author = {A}, title = {T}, year = 1, url = {@/doc/sample.txt}}\n"
       "@Misc{b, author = {A}, title = {T}, year = 1, url = {@/doc/sample.txt}}\n");
  const std::string failed = "ERROR: Failed to create temporary file name!\n";
  const std::string expected = "Checking URL of a ... " + failed + "Checking URL of b ... " + failed;
  // The folder of temporary files is missing.
  messages.str("");
  UrlCheckOptions options;
  options.tempFolder = work / "missing";
  EXPECT_EQ(runUrlCheck(set, options, Diagnostics(messages)).errors, 2u);
  EXPECT_EQ(messages.str(), expected);
  // The download directory is a file: it exists, but nothing can be made in it.
  writeFile(work / "file", "");
  EXPECT_EQ(check({.downloadDirectory = work / "file"}), 2u);
  EXPECT_EQ(messages.str(), expected);
  EXPECT_EQ(urlItems("a"), std::vector<std::string>{});
}

TEST_F(UrlCheckTest, MissingExternalProgramsLeaveTheirValuesOut) {
  TempDir bin;
  const std::string ok = okLine("sample.pdf", "application/pdf");
  const std::string md5 = md5sum(docroot / "sample.pdf");
  const std::string size = std::to_string(std::filesystem::file_size(docroot / "sample.pdf"));
  const std::string dir = work / "downloads";
  {
    // Without `file` the type is empty: a new entry gets an emptied item and
    // stays new, and the download is stored as data.
    ScopedEnv path("PATH", bin.path());
    readEntry("k", "@/doc/sample.pdf");
    EXPECT_EQ(check({.downloadDirectory = dir}), 0u);
    // What the shell says about the missing program stays with the entry.
    const std::string report = messages.str();
    const std::string warning = "WARNING " + server.url("/doc/sample.pdf") +
                                ": failed to obtain mime type of download file!\nOK: size=" +
                                size + "B;\ttype=;\tMD5=" + md5 + "\n";
    EXPECT_TRUE(report.starts_with("Checking URL of k ... ")) << report;
    EXPECT_TRUE(report.ends_with("file: not found\n" + warning)) << report;
    EXPECT_EQ(urlItems("k"), (std::vector<std::string>{"url.size", "url.md5", "url.checked",
                                                       "removeme"}));
    EXPECT_TRUE(std::filesystem::exists(dir + "/kdata"));
    EXPECT_EQ(check({.downloadDirectory = dir, .onlyCheckNewUrls = true}), 0u);
    EXPECT_EQ(messages.str().find("Skipping"), std::string::npos);
  }
  {
    // Without `pdfinfo` a PDF is recorded without its details.
    std::filesystem::create_symlink(commandOutput("command -v file").substr(
                                        0, commandOutput("command -v file").find('\n')),
                                    bin / "file");
    ScopedEnv path("PATH", bin.path());
    readEntry("k", "@/doc/sample.pdf");
    EXPECT_EQ(check(), 0u);
    EXPECT_TRUE(messages.str().starts_with("Checking URL of k ... ")) << messages.str();
    EXPECT_TRUE(messages.str().ends_with("pdfinfo: not found\n" + ok)) << messages.str();
    EXPECT_EQ(urlItems("k"),
              (std::vector<std::string>{"url.size", "url.md5", "url.mime", "url.checked"}));
  }
}

// Many entries, every path of the check, in two runs: the error counts add
// up, and nothing stays behind (the sanitizer build also sees every leak).
TEST_F(UrlCheckTest, ThousandEntriesLeaveNothingBehind) {
  ClosedPort closed;
  struct Kind {
    std::string url;
    const char* keyPrefix;
    unsigned errors;
    bool stored;
  };
  // Documents that go through the analysis cost the most (they run `file`
  // and `pdfinfo`), so most entries fail early in one of the other ways.
  const Kind kinds[] = {
      {"@/doc/sample.txt", "txt", 0, true},
      {"@/doc/sample.html", "html", 0, true},
      {"@/redirect/2", "dir/pdf", 0, true},
      {"@/doc/sample.txt", "../out", 1, false},
      {"@/missing", "missing", 1, false},
      {"@/empty", "empty", 1, false},
      {"@/nostatus", "nostatus", 1, false},
      {"@/lowercase", "lowercase", 1, false},
      {"@/cookie/need", "cookie", 1, false},
      {closed.url("/x"), "closed", 1, false},
      {"file://" + docroot / "sample.txt", "file", 1, false},
      {"@/missing", "missing", 1, false},
      {closed.url("/x"), "closed", 1, false},
      {"@/empty", "empty", 1, false},
      {"@/nostatus", "nostatus", 1, false},
      {"file://" + docroot / "missing", "file", 1, false},
      {"@/missing", "missing", 1, false},
      {closed.url("/x"), "closed", 1, false},
      {"@/lowercase", "lowercase", 1, false},
      {"@/missing", "missing", 1, false},
  };
  constexpr unsigned kEntries = 1000;
  static_assert(kEntries % std::size(kinds) == 0);
  std::string bib;
  unsigned expectedErrors = 0;
  unsigned expectedStored = 0;
  for (unsigned i = 0; i < kEntries; ++i) {
    const Kind& kind = kinds[i % std::size(kinds)];
    bib += "@Misc{" + std::string(kind.keyPrefix) + std::to_string(i) +
           ", author = {A}, title = {T}, year = 1, url = {" + kind.url + "}}\n";
    expectedErrors += kind.errors;
    expectedStored += kind.stored;
  }
  read(bib);
  const std::string dir = work / "downloads";
  EXPECT_EQ(check({.downloadDirectory = dir}), expectedErrors);
  // The stored documents and the one folder that the keys add.
  EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(dir),
                          std::filesystem::recursive_directory_iterator()),
            expectedStored + 1);
  // The second run skips what it finds stored and checks the rest again.
  EXPECT_EQ(check({.downloadDirectory = dir}), expectedErrors);
  size_t skipped = 0;
  for (size_t at = 0; (at = messages.str().find("Skipping URL of ", at)) != std::string::npos; ++at)
    ++skipped;
  EXPECT_EQ(skipped, expectedStored);
}

// A server that holds or floods the check fails its own entry, counts one
// error and leaves nothing behind; the next entry is checked as usual.
// Small limits keep each row short.
TEST_F(UrlCheckTest, HostileServersFailTheirEntryAndTheRunGoesOn) {
  struct Row {
    const char* path;
    CheckOptions options;
    const char* reason;  // in "FAILED <url>: <reason>!"; none: the document passes
  };
  const CheckOptions oneSecond{.timeoutSeconds = 1};
  const Row rows[] = {
      {"/silent", oneSecond, "timed out"},
      // Each hop is quick; together they pass the entry's time.
      {"/redirect/3?delay=0.4", oneSecond, "timed out"},
      {"/silent", {.slowSeconds = 1}, "too slow"},
      {"/drip", {.slowSeconds = 1}, "too slow"},
      {"/loop", {}, "too many redirects"},
      {"/redirect/10", {}, nullptr},
      {"/redirect/11", {}, "too many redirects"},
      {"/big/5000", {.maxSize = 4096}, "larger than 4K"},
      {"/big-unannounced/5000", {.maxSize = 4096}, "larger than 4K"},
      {"/big-unannounced/3000000", {.maxSize = 2 << 20}, "larger than 2M"},
      {"/big/4096", {.maxSize = 4096}, nullptr},
      {"/big-unannounced/4097", {.maxSize = 4097}, nullptr},
  };
  const std::string dir = work / "downloads";
  const std::string next = "Checking URL of next ... " + okLine("sample.txt", "text/plain");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    std::filesystem::remove_all(dir);
    read("@Misc{k, author = {A}, title = {T}, year = 1, url = {@" + std::string(row.path) +
         "}}\n@Misc{next, author = {A}, title = {T}, year = 1, url = {@/doc/sample.txt}}\n");
    CheckOptions options = row.options;
    options.downloadDirectory = dir;
    const auto start = std::chrono::steady_clock::now();
    const unsigned errors = check(options);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    if (row.reason == nullptr) {
      EXPECT_EQ(errors, 0u);
      EXPECT_TRUE(messages.str().starts_with("Checking URL of k ... OK: ")) << messages.str();
      continue;
    }
    EXPECT_EQ(errors, 1u);
    EXPECT_EQ(messages.str(), "Checking URL of k ... FAILED " + server.url(row.path) + ": " +
                                  row.reason + "!\n" + next);
    EXPECT_EQ(urlItems("k"), std::vector<std::string>{});
    EXPECT_EQ(work.list(), (std::vector<std::string>{"downloads", "downloads/next.txt"}));
  }
}

TEST_F(UrlCheckTest, RequestsRefusedForNowAreMadeAgain) {
  struct Row {
    const char* path;  // /busy/<refusals>/<tag>...
    const char* tag;
    unsigned requests;  // that the server saw
    bool ok;
  };
  const Row rows[] = {
      {"/busy/1/a", "a", 2, true},                  // Retry-After: 1
      {"/busy/2/b?after=date", "b", 3, true},       // an HTTP date one second ahead
      {"/busy/1/c?code=503&after=0", "c", 2, true},
      {"/busy/1/d?after=none", "d", 2, true},       // the check's own wait of 2 s
      {"/busy/3/e?after=0", "e", 3, false},         // asked again twice at most
      {"/busy/1/f?code=500&after=0", "f", 1, false},  // not a status that asks for it
      // A wait longer than the entry's time is not made.
      {"/busy/1/g?after=30", "g", 1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    readEntry("k", std::string("@") + row.path);
    EXPECT_EQ(check({.timeoutSeconds = 20}), row.ok ? 0u : 1u);
    if (row.ok) {
      EXPECT_EQ(messages.str(), "Checking URL of k ... " + okLine("sample.txt", "text/plain"));
    } else {
      const std::string status = std::string(row.path).find("code=500") != std::string::npos
                                     ? "500" : "429";
      EXPECT_EQ(messages.str(), "Checking URL of k ... FAILED " + server.url(row.path) +
                                    " - HTTP returns code " + status + "!\n");
    }
    EXPECT_EQ(commandOutput("python3 -c 'import sys, urllib.request; sys.stdout.write("
                            "urllib.request.urlopen(sys.argv[1]).read().decode())' " +
                            server.url(std::string("/count/") + row.tag)),
              std::to_string(row.requests) + "\n");
  }
}

// Entries that finish in any order are reported and recorded exactly as one
// download at a time reports and records them.
TEST_F(UrlCheckTest, ManyDownloadsAtOnceReportAsOneAtATime) {
  ClosedPort closed;
  const std::string size = std::to_string(std::filesystem::file_size(docroot / "sample.txt"));
  const std::string kinds[] = {
      "url = {@/doc/sample.pdf?delay=0.3}",
      "url = {@/doc/sample.html?delay=0.05}",
      "url = {@/missing?delay=0.2}",
      "url = {@/empty}",
      "url = {@/loop}",
      "url = {@/redirect/2?delay=0.1}",
      "url = {file:///etc/passwd}",
      "url = {" + closed.url("/x") + "}",
      "url = {@/doc/sample.txt}, url.size = " + size + ", url.mime = {text/plain}, url.checked = {x}",
      "url = {@/doc/sample.txt?delay=0.15}, url.size = 3, url.md5 = {0}",
      "url = {@/big/9000}",
  };
  std::string bib;
  for (int i = 0; i < 22; ++i)
    bib += "@Misc{e" + std::to_string(i) + ", author = {A}, title = {T}, year = 1, " +
           kinds[i % std::size(kinds)] + "}\n";
  auto run = [&](unsigned jobs) {
    read(bib);
    const unsigned errors = check({.onlyCheckNewUrls = true, .jobs = jobs, .maxSize = 8192});
    std::string items;
    for (const auto& node : collection)
      for (const Item& i : node->items)
        if (i.keyword != "url.checked") items += node->keyword + " " + i.keyword + "=" + i.value + "\n";
    return std::tuple(errors, messages.str(), items);
  };
  const auto [oneErrors, oneReport, oneItems] = run(1);
  const auto [manyErrors, manyReport, manyItems] = run(8);
  EXPECT_EQ(manyErrors, oneErrors);
  EXPECT_EQ(manyReport, oneReport);
  EXPECT_EQ(manyItems, oneItems);
  EXPECT_NE(oneReport.find("Skipping URL of e8 (not a new entry).\n"), std::string::npos);
}

TEST_F(UrlCheckTest, StoredDownloadsAreReadableAsTheUsersFiles) {
  const std::string dir = work / "downloads";
  for (mode_t mask : {022, 002, 077}) {
    SCOPED_TRACE(mask);
    const mode_t before = umask(mask);
    std::filesystem::remove_all(dir);
    readEntry("k", "@/doc/sample.txt");
    EXPECT_EQ(check({.downloadDirectory = dir}), 0u);
    umask(before);
    struct stat info {};
    ASSERT_EQ(stat((dir + "/k.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
  }
}

TEST_F(UrlCheckTest, KeysThroughALinkedFolderAreNotStored) {
  TempDir outside;
  const std::string dir = work / "downloads";
  std::filesystem::create_directories(dir + "/real");
  std::filesystem::create_directory_symlink(outside.path(), dir + "/link");
  std::filesystem::create_directory_symlink(outside.path(), dir + "/real/deeper");
  read("@Misc{link/k, author = {A}, title = {T}, year = 1, url = {@/doc/sample.txt}}\n"
       "@Misc{real/deeper/k, author = {A}, title = {T}, year = 1, url = {@/doc/sample.txt}}\n"
       "@Misc{real/k, author = {A}, title = {T}, year = 1, url = {@/doc/sample.txt}}\n");
  const std::string ok = okLine("sample.txt", "text/plain");
  auto refused = [&](const std::string& key) {
    return "Checking URL of " + key + " ... " + ok + "\nFAILED to store download file " + dir +
           "/" + key + ".txt: the citation key leads out of the download directory!\n";
  };
  EXPECT_EQ(check({.downloadDirectory = dir}), 2u);
  EXPECT_EQ(messages.str(), refused("link/k") + refused("real/deeper/k") + "Checking URL of real/k ... " + ok);
  EXPECT_EQ(outside.list(), std::vector<std::string>{});
  EXPECT_EQ(readFile(dir + "/real/k.txt"), readFile(docroot / "sample.txt"));
}

// On a terminal a line shows how far a check of several downloads at once
// is; it is taken away before every report and at the end, so the reports
// read as without it.
TEST_F(UrlCheckTest, TheProgressDisplayGivesWayToTheReports) {
  read("@Misc{a, author = {A}, title = {T}, year = 1, url = {@/doc/sample.txt?delay=0.3}}\n"
       "@Misc{b, author = {A}, title = {T}, year = 1, url = {@/missing?delay=0.3}}\n");
  EXPECT_EQ(check({.jobs = 2, .progressDisplay = true}), 1u);
  const std::string shown = messages.str();
  EXPECT_NE(shown.find("\r\033[Kchecked 0 of 2, 0 failed, 2 running"), std::string::npos) << shown;
  // The last display shown is taken away again.
  EXPECT_NE(shown.find("\r\033[K", shown.rfind("checked ")), std::string::npos) << shown;
  std::string without = std::regex_replace(shown, std::regex("\r\033\\[K(checked [^\r]*)?"), "");
  EXPECT_EQ(without, "Checking URL of a ... " + okLine("sample.txt", "text/plain") +
                         "Checking URL of b ... FAILED " + server.url("/missing?delay=0.3") +
                         " - HTTP returns code 404!\n");
}

}  // namespace
}  // namespace pubforge
