#include "urlcheck/analysis.h"

#include <openssl/evp.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>
#include <optional>

#include "model/items.h"
#include "text/numbers.h"
#include "text/strings.h"
#include "urlcheck/files.h"

namespace pubforge {

namespace {

constexpr std::string_view kPdf = "application/pdf";
constexpr std::string_view kHtml = "text/html";
constexpr std::string_view kXml = "application/xml";
constexpr std::string_view kIgnore = "ignore";

// Types that `file` gives to plain text that happens to look like code.
constexpr std::string_view kPlainTextLookalikes[] = {"text/x-pascal", "text/x-c", "text/x-c++"};

struct DigestContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// Size and MD5 digest of the rest of `file`, read in blocks.
struct Measurement {
  unsigned long long size = 0;
  std::string md5;  // lower-case hexadecimal
};

Measurement measure(std::FILE* file) {
  Measurement result;
  std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
  if (!context) throw std::bad_alloc();
  EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr);
  unsigned char block[16384];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0) {
    result.size += n;
    EVP_DigestUpdate(context.get(), block, n);
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  EVP_DigestFinal_ex(context.get(), digest, &length);
  const int size = EVP_MD_get_size(EVP_md5());
  static constexpr char kHex[] = "0123456789abcdef";
  for (int i = 0; i < size && i < static_cast<int>(length); ++i) {
    result.md5 += kHex[digest[i] >> 4];
    result.md5 += kHex[digest[i] & 15];
  }
  return result;
}

// How a program that ran on the download ended.
enum class RunResult { kOk, kFailed, kInterrupted };

RunResult resultOf(int status) {
  if (WIFSIGNALED(status) && (WTERMSIG(status) == SIGINT || WTERMSIG(status) == SIGTERM))
    return RunResult::kInterrupted;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? RunResult::kOk : RunResult::kFailed;
}

// The shell command that runs `program` on the download, its standard output
// going to `output` and its standard error to the file whose text joins the
// report.
std::string commandFor(std::string_view program, const DownloadPaths& paths,
                       const std::string& output) {
  std::string command(program);
  command += ' ';
  command += shellQuote(paths.download);
  command += " >";
  command += shellQuote(output);
  command += " 2>";
  command += shellQuote(paths.programErrors);
  return command;
}

// Starts `command` through the shell without waiting for it; -1 when it
// cannot be started.
pid_t startCommand(const std::string& command) {
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
    return -1;
  return pid;
}

// What the programs said on their standard error, into the report.
void reportProgramErrors(const DownloadPaths& paths, Diagnostics diag) {
  if (FilePtr errors{std::fopen(paths.programErrors.c_str(), "rb")}) {
    char block[16384];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, errors.get())) > 0)
      diag.write(std::string_view(block, n));
  }
}

// Reads one line, its line feed kept.  False at the end of the file.
bool readLine(std::FILE* file, std::string& line) {
  line.clear();
  int c;
  while ((c = std::getc(file)) != EOF) {
    line += static_cast<char>(c);
    if (c == '\n') break;
  }
  return !line.empty();
}

// The MIME type that `file` wrote, once it ended with `run`.
std::string mimeType(std::string_view url, RunResult run, const DownloadPaths& paths,
                     Diagnostics diag) {
  if (run == RunResult::kFailed) {
    diag.report("WARNING ", url, ": failed to obtain mime type of download file!\n");
    return {};
  }
  FilePtr output(std::fopen(paths.mimeOutput.c_str(), "rb"));
  std::string mime;
  if (!output || !readLine(output.get(), mime)) return {};
  if (mime.ends_with('\n')) mime.pop_back();
  for (std::string_view lookalike : kPlainTextLookalikes)
    if (mime == lookalike) return "text/plain";
  return mime;
}

// Text after a "Keywords:" or "Page size:" label, as it is recorded.
std::string cleanedInfo(std::string text) {
  return convertLatex(trimWhitespace(text), "~", "", false);
}

// The page count that follows "Pages:": blanks, then digits; a larger count
// than 32 bits hold stops at the largest.
unsigned pageCountOf(std::string_view text) {
  const size_t start = std::min(text.find_first_not_of(" \t"), text.size());
  const uint64_t count = readDigits(text.substr(start)).magnitude;
  return count > UINT32_MAX ? UINT32_MAX : static_cast<unsigned>(count);
}

// Page count, keywords and page size of a PDF document, from the output of
// `pdfinfo`.
void recordPdfDetails(Node& publication, const DownloadPaths& paths) {
  FilePtr output(std::fopen(paths.pdfInfoOutput.c_str(), "rb"));
  if (!output) return;
  std::string line;
  std::string rest;
  while (readLine(output.get(), line)) {
    if (takePrefix(line, "Pages:", rest)) {
      setItem(publication, "numpages", std::to_string(pageCountOf(rest)));
    } else if (takePrefix(line, "Keywords:", rest)) {
      if (findItem(publication, "keywords") == nullptr)
        setItem(publication, "url.keywords", cleanedInfo(std::move(rest)));
    } else if (takePrefix(line, "Page size:", rest)) {
      setItem(publication, "url.pagesize", cleanedInfo(std::move(rest)));
    }
  }
}

std::optional<std::string> itemValue(const Node& publication, std::string_view keyword) {
  const Item* item = findItem(publication, keyword);
  if (item == nullptr) return std::nullopt;
  return item->value;
}

std::string checkTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[128];
  size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %Z", &local);
  return std::string(text, n);
}

}  // namespace

std::string shellQuote(std::string_view path) {
  std::string quoted = "'";
  for (char c : path) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  quoted += '\'';
  return quoted;
}

DocumentAnalysis::DocumentAnalysis(Node& publication, std::string url, std::FILE* download,
                                   DownloadPaths paths, bool ignoreUpdatesForHtml,
                                   Diagnostics diag)
    : publication_(publication),
      url_(std::move(url)),
      download_(download),
      paths_(std::move(paths)),
      ignoreUpdatesForHtml_(ignoreUpdatesForHtml),
      diag_(diag) {}

DocumentAnalysis::~DocumentAnalysis() {
  if (program_ > 0) {
    kill(program_, SIGTERM);
    int status;
    while (waitpid(program_, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

void DocumentAnalysis::run(std::string_view program, const std::string& output) {
  program_ = startCommand(commandFor(program, paths_, output));
  if (program_ < 0) programEnded(127 << 8);  // as the shell reports a missing program
}

void DocumentAnalysis::start(unsigned& errors) {
  Measurement measured = measure(download_);
  if (measured.size == 0) {
    diag_.report("\nFAILED ", url_, ": size is zero!\n");
    ++errors;
    done_ = true;
    return;
  }
  size_ = std::to_string(measured.size);
  md5_ = std::move(measured.md5);
  step_ = Step::kMime;
  run("file --mime-type -b", paths_.mimeOutput);
}

void DocumentAnalysis::programEnded(int status) {
  program_ = -1;
  reportProgramErrors(paths_, diag_);
  const RunResult run = resultOf(status);
  if (run == RunResult::kInterrupted) {
    result_.interrupted = true;
    done_ = true;
    return;
  }
  if (step_ == Step::kMime) {
    result_.mime = mimeType(url_, run, paths_, diag_);
    compare();
    if (result_.mime == kPdf) {
      step_ = Step::kPdfInfo;
      this->run("pdfinfo", paths_.pdfInfoOutput);
      return;
    }
  } else if (run == RunResult::kOk) {
    recordPdfDetails(publication_, paths_);
  }
  record();
}

void DocumentAnalysis::compare() {
  const std::optional<std::string> oldMime = itemValue(publication_, "url.mime");
  const std::optional<std::string> oldSize = itemValue(publication_, "url.size");
  const std::optional<std::string> oldMd5 = itemValue(publication_, "url.md5");

  // Size and digest changes of a page recorded as HTML or XML are not news
  // when the user says so; the digest is then no longer kept.
  const bool ignoreChanges = ignoreUpdatesForHtml_ && (oldMime == kHtml || oldMime == kXml);
  if (oldMime && *oldMime != result_.mime) {
    if (*oldMime == kHtml && result_.mime == kPdf) {
      diag_.write("\nNOTE: change from HTML to PDF -> just updating entry\n");
      htmlBecamePdf_ = true;
    } else {
      diag_.report("UPDATED ", url_, ": old mime type has been ", *oldMime, ", new type mime is ",
                   result_.mime, '\n');
    }
  }
  keepDigest_ = htmlBecamePdf_ || oldMd5 != kIgnore;
  if (htmlBecamePdf_) return;
  if (oldSize && *oldSize != size_) {
    if (ignoreChanges) {
      md5_ = kIgnore;
      diag_.write("[Size change for HTML/XML document -> setting url.md5=\"ignore\"] ");
    } else {
      diag_.report("UPDATED ", url_, ": old size has been ", *oldSize, ", new size is ", size_,
                   '\n');
    }
  }
  if (oldMd5 && *oldMd5 != kIgnore && *oldMd5 != md5_) {
    if (ignoreChanges) {
      md5_ = kIgnore;
      diag_.write("[MD5 change for HTML/XML document -> setting url.md5=\"ignore\"] ");
    } else {
      diag_.report("UPDATED ", url_, ": old MD5 has been ", *oldMd5, ", new MD5 is ", md5_, '\n');
    }
  }
}

void DocumentAnalysis::record() {
  setItem(publication_, "url.size", size_);
  setItem(publication_, "url.mime", result_.mime);
  if (keepDigest_) setItem(publication_, "url.md5", md5_);
  setItem(publication_, "url.checked", checkTime());
  diag_.report("OK: size=", size_, "B;\ttype=", result_.mime, ";\tMD5=", md5_, '\n');
  result_.recorded = true;
  done_ = true;
}

Analysis analyseDownload(Node& publication, std::string_view url, std::FILE* download,
                         const DownloadPaths& paths, bool ignoreUpdatesForHtml, unsigned& errors,
                         Diagnostics diag) {
  DocumentAnalysis analysis(publication, std::string(url), download, paths, ignoreUpdatesForHtml,
                            diag);
  analysis.start(errors);
  while (!analysis.done()) {
    int status = 0;
    if (waitpid(analysis.program(), &status, 0) < 0) {
      if (errno == EINTR) continue;
      status = 127 << 8;
    }
    analysis.programEnded(status);
  }
  return analysis.result();
}

}  // namespace pubforge
