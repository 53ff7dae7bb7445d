// The URL check's options on the command line: their defaults, their
// values, the values refused, and the folder of temporary files.
#include <gtest/gtest.h>

#include <sstream>

#include "commands/run_context.h"
#include "driver/driver.h"
#include "urlcheck/url_check.h"
#include "../urlcheck/test_server.h"

namespace pubforge {
namespace {

using testing::ScopedEnv;
using testing::TempDir;
using testing::writeFile;

struct OptionRun {
  int status = 0;
  std::string err;
  UrlCheckOptions options;
};

OptionRun run(std::vector<std::string> args) {
  TempDir dir;
  writeFile(dir / "refs.bib", "@Misc{k, author = {A}, title = {T}, year = 2020}\n");
  args.insert(args.begin(), "pubforge");
  args.push_back(dir / "refs.bib");
  std::ostringstream out, err;
  RunContext ctx(out, err);
  std::istringstream in;
  OptionRun result;
  result.status = runPubforge(args, in, ctx);
  result.err = err.str();
  result.options = ctx.options.urlCheck;
  return result;
}

TEST(UrlCheckOptionsFromTheCommandLine, DefaultsAndValues) {
  ScopedEnv tmp("TMPDIR", std::nullopt);
  const OptionRun defaults = run({"-n"});
  EXPECT_EQ(defaults.options.jobs, 8u);
  EXPECT_EQ(defaults.options.timeoutSeconds, 300u);
  EXPECT_EQ(defaults.options.maxSize, 512ULL << 20);
  EXPECT_EQ(defaults.options.tempFolder, "/tmp");
  EXPECT_EQ(defaults.options.slowSeconds, 30u);
  EXPECT_EQ(defaults.options.slowBytesPerSecond, 1000u);

  const OptionRun given = run({"-n", "-j", "3", "--url-timeout", "12", "--url-max-size", "10K"});
  EXPECT_EQ(given.status, 0) << given.err;
  EXPECT_EQ(given.options.jobs, 3u);
  EXPECT_EQ(given.options.timeoutSeconds, 12u);
  EXPECT_EQ(given.options.maxSize, 10240u);
  EXPECT_EQ(run({"-n", "--url-jobs=1"}).options.jobs, 1u);
}

TEST(UrlCheckOptionsFromTheCommandLine, TheFolderOfTemporaryFilesIsTmpdir) {
  {
    ScopedEnv tmp("TMPDIR", "/var/tmp/elsewhere");
    EXPECT_EQ(run({"-n"}).options.tempFolder, "/var/tmp/elsewhere");
  }
  {
    ScopedEnv tmp("TMPDIR", "");
    EXPECT_EQ(run({"-n"}).options.tempFolder, "/tmp");
  }
}

TEST(UrlCheckOptionsFromTheCommandLine, BadValuesEndTheRun) {
  struct Row {
    std::vector<std::string> args;
    const char* message;
  };
  const Row rows[] = {
      {{"-j", "0"}, "ERROR: Bad number of URL jobs 0!\n"},
      {{"-j", "x"}, "ERROR: Bad number of URL jobs x!\n"},
      {{"--url-jobs", "1001"}, "ERROR: Bad number of URL jobs 1001!\n"},
      {{"--url-timeout", "0"}, "ERROR: Bad URL timeout 0!\n"},
      {{"--url-timeout", "-5"}, "ERROR: Bad URL timeout -5!\n"},
      {{"--url-timeout", "99999999999"}, "ERROR: Bad URL timeout 99999999999!\n"},
      {{"--url-max-size", "5T"}, "ERROR: Bad URL size limit 5T!\n"},
      {{"--url-max-size", "0K"}, "ERROR: Bad URL size limit 0K!\n"},
      {{"--url-max-size", "M"}, "ERROR: Bad URL size limit M!\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message);
    const OptionRun r = run(row.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, row.message);
  }
}

TEST(ParseUrlMaxSize, NumbersWithBinarySuffixes) {
  struct Row {
    const char* text;
    std::optional<unsigned long long> bytes;
  };
  const Row rows[] = {
      {"1", 1},
      {"4096", 4096},
      {"10K", 10240},
      {"512M", 512ULL << 20},
      {"2G", 2ULL << 30},
      {"17179869183G", 17179869183ULL << 30},  // the largest that fits
      {"17179869184G", std::nullopt},     // beyond 64 bits
      {"0", std::nullopt},
      {"", std::nullopt},
      {"k", std::nullopt},
      {"10k", std::nullopt},  // the suffixes are capitals
      {"1.5M", std::nullopt},
      {"-1", std::nullopt},
      {" 1", std::nullopt},
      {"99999999999999999999", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(parseUrlMaxSize(row.text), row.bytes);
  }
}

}  // namespace
}  // namespace pubforge
