#include "urlcheck/url_check.h"

#include <curl/curl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <list>
#include <memory>
#include <new>
#include <queue>
#include <sstream>
#include <unordered_map>
#include <vector>

#include "checks/urls.h"
#include "model/download_file_name.h"
#include "model/node.h"
#include "urlcheck/analysis.h"
#include "urlcheck/download.h"
#include "urlcheck/files.h"
#include "urlcheck/interrupt.h"
#include "writers/key_paths.h"

namespace pubforge {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

// A frame page is examined only when it is shorter than this.
constexpr size_t kFramePageLimit = 65535;
// How often the check looks at the clock, the signals and the progress
// while downloads run.
constexpr milliseconds kTick{100};
constexpr milliseconds kProgramTick{3};
// A server that answers 429 or 503 is asked again this often at most; it
// may ask for a wait of its own, up to kLongestRetryWait.
constexpr unsigned kMaxRetries = 2;
constexpr seconds kRetryWaits[kMaxRetries] = {seconds(2), seconds(4)};
constexpr seconds kLongestRetryWait{60};

bool isKnown(const Node& publication) {
  return findItem(publication, "url.size") && findItem(publication, "url.mime") &&
         findItem(publication, "url.checked");
}

bool readable(const std::string& path) {
  FilePtr file(std::fopen(path.c_str(), "r"));
  return file != nullptr;
}

// A key whose stored file would be placed outside the download directory:
// by its own path, or through a folder of the directory that is a symbolic
// link.
bool keyLeavesDownloads(const std::string& directory, std::string_view key) {
  return keyLeavesFolder(key) || keyFolderIsLink(directory + '/', key);
}

// Whether a known entry needs no new check, with the message that says so.
bool skipKnown(const Node& publication, const UrlCheckOptions& settings, Diagnostics diag) {
  if (settings.downloadDirectory) {
    if (keyLeavesDownloads(*settings.downloadDirectory, publication.keyword))
      return false;  // never stored
    std::string stored = downloadFileName(*settings.downloadDirectory, publication.keyword,
                                          findItem(publication, "url.mime")->value);
    if (!readable(stored)) return false;
    if (!settings.quiet)
      diag.report("Skipping URL of ", publication.keyword, " (already available as ", stored,
                  ").\n");
    return true;
  }
  if (!settings.onlyCheckNewUrls) return false;
  if (!settings.quiet) diag.report("Skipping URL of ", publication.keyword, " (not a new entry).\n");
  return true;
}

// A frame page of the IEEE Xplore site holds the document in a frame: the
// address of that frame, when the page shows one.  Prints what it found.
std::optional<std::string> examineFramePage(std::FILE* download, Diagnostics diag) {
  std::string page(kFramePageLimit, '\0');
  size_t n = std::fread(page.data(), 1, page.size(), download);
  if (n == 0 || n >= kFramePageLimit) return std::nullopt;
  page.resize(n);
  std::optional<std::string> frame = frameAddress(page);
  if (frame)
    diag.report("[IEEExplore->", *frame, "] ");
  else
    diag.write("[IEEExplore] ");
  return frame;
}

// The temporary files of one entry while it is checked.
struct EntryFiles {
  TempFile download, mime, pdfInfo, programErrors;
  FilePtr stream;  // the download, open for the transfer
};

// One publication with a url, in set order: either skipped, with the
// message that says so, or checked.  Its report is gathered here and printed
// whole once every entry before it has been printed.
struct Entry {
  enum class State { kWaiting, kQueued, kRunning, kAnalysing, kDone, kAbandoned };

  explicit Entry(Node& p) : publication(p) {}

  Node& publication;
  bool examine = false;
  State state = State::kWaiting;
  std::ostringstream text;
  Diagnostics diag{text};
  size_t written = 0;  // bytes of the report already printed
  unsigned errors = 0;

  std::string url;         // the entry's url
  std::string requestUrl;  // of the request to make: the url, or the frame's address
  std::string host;        // of requestUrl, for the limit of downloads per host
  bool throughFrame = false;
  unsigned retries = 0;
  bool started = false;
  Clock::time_point deadline{};
  Clock::time_point notBefore{};
  // The slow-transfer check: bytes moved when the current window began.
  Clock::time_point windowStart{};
  unsigned long long windowBytes = 0;
  std::unique_ptr<EntryFiles> files;
  std::unique_ptr<Request> request;
  // Ends the program it runs before the files go, so none is made again.
  std::unique_ptr<DocumentAnalysis> analysis;
};

struct MultiCleanup {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct ShareCleanup {
  void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};

// "2,000": a count with a comma between groups of three digits.
std::string withThousands(size_t n) {
  std::string digits = std::to_string(n);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

class Check {
 public:
  Check(const PublicationSet& set, const UrlCheckOptions& options, Diagnostics diag)
      : options_(options), diag_(diag) {
    const mode_t mask = umask(0);
    umask(mask);
    storedMode_ = 0666 & ~mask;
    jobs_ = std::max(options.jobs, 1u);
    window_ = std::max<size_t>(16, 4 * static_cast<size_t>(jobs_));
    for (Node* publication : set) {
      if (!publication->isEntry() || findItem(*publication, "url") == nullptr) continue;
      auto entry = std::make_unique<Entry>(*publication);
      entry->examine = !(isKnown(*publication) && skipKnown(*publication, options, entry->diag));
      if (entry->examine) ++total_;
      entries_.push_back(std::move(entry));
    }
  }

  bool startLibrary() {
    multi_.reset(curl_multi_init());
    share_.reset(curl_share_init());
    if (!multi_ || !share_) return false;
    curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    return true;
  }

  UrlCheckResult run() {
    InterruptCatcher catcher;
    UrlCheckResult result;
    while (true) {
      signals_ = catcher.signals();
      if (signals_ > 0) {
        stop();
        result.interrupted = true;
        result.endAtOnce = catcher.signals() > 1;
        break;
      }
      admit();
      startQueued();
      print();
      if (printed_ == entries_.size()) break;
      int stillRunning = 0;
      curl_multi_perform(multi_.get(), &stillRunning);
      collectFinished();
      collectAnalyses();
      enforceLimits();
      print();
      if (printed_ == entries_.size()) break;
      showProgress();
      // A program of an analysis is looked at often: one at a time, every
      // check waits for it.
      const milliseconds wait = analysing_.empty() ? kTick : kProgramTick;
      curl_multi_poll(multi_.get(), nullptr, 0, static_cast<int>(wait.count()), nullptr);
    }
    clearProgress();
    result.errors = errors_;
    return result;
  }

 private:
  // Entries are taken in set order, a window at a time, so that the checks
  // that run at once are near one another and reports wait little.
  void admit() {
    while (admitted_ < entries_.size() && queue_.size() < window_) {
      Entry& e = *entries_[admitted_++];
      if (!e.examine) {
        e.state = Entry::State::kDone;
        continue;
      }
      e.diag.report("Checking URL of ", e.publication.keyword, " ... ");
      // The url item is copied: recording the results may move the items.
      e.url = findItem(e.publication, "url")->value;
      e.requestUrl = e.url;
      enqueue(e, false);
    }
  }

  void enqueue(Entry& e, bool first) {
    e.host = hostOf(e.requestUrl);
    e.state = Entry::State::kQueued;
    if (first)
      queue_.push_front(&e);
    else
      queue_.push_back(&e);
  }

  void startQueued() {
    const Clock::time_point now = Clock::now();
    while (!retries_.empty() && retries_.top().first <= now) {
      Entry* e = retries_.top().second;
      retries_.pop();
      enqueue(*e, true);
    }
    for (auto it = queue_.begin();
         it != queue_.end() && running_.size() + analysing_.size() < jobs_;) {
      Entry& e = **it;
      if (perHost_[e.host] >= kMaxJobsPerHost) {
        ++it;
        continue;
      }
      it = queue_.erase(it);
      start(e);
    }
  }

  bool createFiles(Entry& e) {
    auto files = std::make_unique<EntryFiles>();
    const std::string& temp = options_.tempFolder;
    std::string downloadTemplate(temp);
    if (options_.downloadDirectory) (downloadTemplate = *options_.downloadDirectory) += '/';
    downloadTemplate += "/pubforge-dXXXXXX";
    if (!files->download.create(downloadTemplate) || !files->mime.create(temp + "/pubforge-mXXXXXX") ||
        !files->pdfInfo.create(temp + "/pubforge-iXXXXXX") ||
        !files->programErrors.create(temp + "/pubforge-eXXXXXX")) {
      e.diag.error("Failed to create temporary file name");
      ++e.errors;
      return false;
    }
    files->stream.reset(std::fopen(files->download.path().c_str(), "w+b"));
    if (!files->stream) {
      e.diag.error("Failed to create temporary download file");
      ++e.errors;
      return false;
    }
    e.files = std::move(files);
    e.request = std::make_unique<Request>();
    return true;
  }

  void start(Entry& e) {
    const Clock::time_point now = Clock::now();
    if (!e.started) {
      e.started = true;
      e.deadline = now + seconds(options_.timeoutSeconds);
      if (!createFiles(e)) return finish(e);
    }
    if (now >= e.deadline) {
      e.diag.report("FAILED ", e.requestUrl, ": timed out!\n");
      ++e.errors;
      return finish(e);
    }
    std::string error;
    const auto timeLeft = std::chrono::duration_cast<milliseconds>(e.deadline - now);
    if (!e.request->begin(share_.get(), e.requestUrl, e.files->stream.get(), options_.maxSize,
                          timeLeft, error)) {
      e.diag.report("Unable to truncate output files: ", error, '\n');
      return finish(e);
    }
    curl_easy_setopt(e.request->handle(), CURLOPT_PRIVATE, &e);
    if (curl_multi_add_handle(multi_.get(), e.request->handle()) != CURLM_OK) throw std::bad_alloc();
    e.state = Entry::State::kRunning;
    e.windowStart = now;
    e.windowBytes = 0;
    running_.push_back(&e);
    ++perHost_[e.host];
  }

  // Takes the entry's request out of the transfers that run.
  void detach(Entry& e) {
    curl_multi_remove_handle(multi_.get(), e.request->handle());
    running_.erase(std::find(running_.begin(), running_.end(), &e));
    if (--perHost_[e.host] == 0) perHost_.erase(e.host);
  }

  void collectFinished() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &left)) {
      if (message->msg != CURLMSG_DONE) continue;
      Entry* e = nullptr;
      curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, reinterpret_cast<char**>(&e));
      const CURLcode code = message->data.result;
      detach(*e);
      requestDone(*e, code);
    }
  }

  void requestDone(Entry& e, CURLcode code) {
    RequestResult result = e.request->finish(code);
    if (!result.ok) {
      if (result.completed && (result.status == 429 || result.status == 503) &&
          e.retries < kMaxRetries) {
        const seconds wait = result.retryAfter ? std::min(*result.retryAfter, kLongestRetryWait)
                                               : kRetryWaits[e.retries];
        const Clock::time_point when = Clock::now() + wait;
        if (when < e.deadline) {
          ++e.retries;
          e.state = Entry::State::kWaiting;
          retries_.emplace(when, &e);
          return;
        }
      }
      e.diag.write(result.failure);
      ++e.errors;
      return finish(e);
    }
    if (!e.throughFrame && isIeeeXploreUrl(e.url)) {
      std::optional<std::string> frame = examineFramePage(e.files->stream.get(), e.diag);
      std::rewind(e.files->stream.get());
      if (frame) {
        e.throughFrame = true;
        e.retries = 0;
        e.requestUrl = *frame;
        return enqueue(e, true);
      }
    }
    analyse(e);
  }

  // Starts the analysis of the download; `file` and `pdfinfo` run beside
  // the downloads and the other analyses.
  void analyse(Entry& e) {
    EntryFiles& f = *e.files;
    e.analysis = std::make_unique<DocumentAnalysis>(
        e.publication, e.url, f.stream.get(),
        DownloadPaths{f.download.path(), f.mime.path(), f.pdfInfo.path(), f.programErrors.path()},
        options_.ignoreUpdatesForHtml, e.diag);
    e.state = Entry::State::kAnalysing;
    analysing_.push_back(&e);
    e.analysis->start(e.errors);
    if (e.analysis->done()) analysed(e);
  }

  // Looks at the programs of the analyses that run.
  void collectAnalyses() {
    for (Entry* e : std::vector<Entry*>(analysing_)) {
      int status = 0;
      const pid_t pid = waitpid(e->analysis->program(), &status, WNOHANG);
      if (pid == 0 || (pid < 0 && errno == EINTR)) continue;
      if (pid < 0) status = 127 << 8;
      e->analysis->programEnded(status);
      if (e->analysis->done()) analysed(*e);
    }
  }

  void analysed(Entry& e) {
    analysing_.erase(std::find(analysing_.begin(), analysing_.end(), &e));
    const Analysis analysis = e.analysis->result();
    e.analysis.reset();
    if (analysis.interrupted) {
      if (signals_ > 0) return abandon(e);
      // The program was ended from elsewhere.
      e.diag.report("FAILED ", e.url, ": interrupted!\n");
      ++e.errors;
      return finish(e);
    }
    if (analysis.recorded && options_.downloadDirectory) {
      e.files->stream.reset();
      store(e, analysis.mime);
    }
    finish(e);
  }

  // Moves the finished download to its place in the download directory,
  // readable as any file the user makes.
  void store(Entry& e, const std::string& mime) {
    const std::string& directory = *options_.downloadDirectory;
    const std::string& key = e.publication.keyword;
    TempFile& download = e.files->download;
    const std::string target = downloadFileName(directory, key, mime);
    const char* reason = nullptr;
    if (keyLeavesDownloads(directory, key))
      reason = "the citation key leads out of the download directory";
    else if (!createKeyFolders(directory + '/', key) ||
             chmod(download.path().c_str(), storedMode_) != 0 ||
             std::rename(download.path().c_str(), target.c_str()) != 0)
      reason = std::strerror(errno);
    if (reason == nullptr) {
      download.keep();
      return;
    }
    e.diag.report("\nFAILED to store download file ", target, ": ", reason, "!\n");
    ++e.errors;
  }

  void finish(Entry& e) {
    e.analysis.reset();
    e.files.reset();
    e.request.reset();
    e.state = Entry::State::kDone;
    errors_ += e.errors;
    ++checked_;
    if (e.errors > 0) ++failed_;
  }

  // Drops the entry's check: its files go, its report is not printed.
  void abandon(Entry& e) {
    e.analysis.reset();
    e.files.reset();
    e.request.reset();
    e.state = Entry::State::kAbandoned;
  }

  // The time limits of the requests that run.
  void enforceLimits() {
    const Clock::time_point now = Clock::now();
    const auto window = seconds(options_.slowSeconds);
    const unsigned long long leastBytes =
        static_cast<unsigned long long>(options_.slowBytesPerSecond) * options_.slowSeconds;
    std::vector<std::pair<Entry*, const char*>> givenUp;
    for (Entry* e : running_) {
      if (now >= e->deadline) {
        givenUp.emplace_back(e, "timed out");
        continue;
      }
      if (now - e->windowStart < window) continue;
      const unsigned long long moved = e->request->bytesMoved();
      if (moved - e->windowBytes < leastBytes) {
        givenUp.emplace_back(e, "too slow");
        continue;
      }
      e->windowStart = now;
      e->windowBytes = moved;
    }
    for (auto [e, reason] : givenUp) {
      detach(*e);
      e->diag.write(e->request->abandoned(reason));
      ++e->errors;
      finish(*e);
    }
  }

  // Prints the reports that are complete and have every report before them
  // printed.  One download at a time, the report of the entry being checked
  // goes out as it grows, so its progress line shows while it downloads.
  void print() {
    while (printed_ < entries_.size()) {
      Entry& e = *entries_[printed_];
      if (e.state == Entry::State::kDone) {
        writeOut(e);
        entries_[printed_++].reset();
        continue;
      }
      if (jobs_ == 1 && printed_ < admitted_ && writeOut(e)) diag_.flush();
      break;
    }
  }

  // Prints what the entry's report holds beyond what is out already.
  bool writeOut(Entry& e) {
    const std::string text = e.text.str();
    if (text.size() == e.written) return false;
    clearProgress();
    diag_.write(std::string_view(text).substr(e.written));
    e.written = text.size();
    return true;
  }

  // The first signal: no download starts any more, the ones that run are
  // given up, and the reports of the entries checked so far are printed.
  void stop() {
    for (Entry* e : std::vector<Entry*>(running_)) {
      detach(*e);
      abandon(*e);
    }
    for (Entry* e : analysing_) abandon(*e);
    analysing_.clear();
    for (Entry* e : queue_) abandon(*e);
    queue_.clear();
    while (!retries_.empty()) {
      abandon(*retries_.top().second);
      retries_.pop();
    }
    for (; printed_ < admitted_; ++printed_) {
      Entry& e = *entries_[printed_];
      if (e.state == Entry::State::kDone) {
        writeOut(e);
      } else if (e.written > 0) {
        clearProgress();
        diag_.write("\n");  // the progress line of the entry that was given up
      }
    }
    clearProgress();
    diag_.note("URL check interrupted; ", checked_, " of ", total_, " entries checked.", kPlainEnd);
  }

  void showProgress() {
    if (!options_.progressDisplay || jobs_ == 1) return;
    std::string line = "checked " + withThousands(checked_) + " of " + withThousands(total_) + ", " +
                       withThousands(failed_) + " failed, " + withThousands(running_.size() + analysing_.size()) +
                       " running";
    if (line == progress_) return;
    diag_.write("\r\033[K" + line);
    diag_.flush();
    progress_ = std::move(line);
  }

  void clearProgress() {
    if (progress_.empty()) return;
    diag_.write("\r\033[K");
    diag_.flush();
    progress_.clear();
  }

  const UrlCheckOptions& options_;
  Diagnostics diag_;
  mode_t storedMode_ = 0644;
  unsigned jobs_ = 1;
  size_t window_ = 16;
  std::unique_ptr<CURLM, MultiCleanup> multi_;
  std::unique_ptr<CURLSH, ShareCleanup> share_;
  std::vector<std::unique_ptr<Entry>> entries_;
  size_t admitted_ = 0;  // entries taken into the check, in set order
  size_t printed_ = 0;   // entries whose report is out
  std::list<Entry*> queue_;  // requests ready to start, in the order to start them
  using Retry = std::pair<Clock::time_point, Entry*>;
  std::priority_queue<Retry, std::vector<Retry>, std::greater<>> retries_;
  std::vector<Entry*> running_;
  std::vector<Entry*> analysing_;
  int signals_ = 0;
  std::unordered_map<std::string, unsigned> perHost_;
  unsigned errors_ = 0;
  size_t total_ = 0;    // entries to check
  size_t checked_ = 0;  // entries whose check ended
  size_t failed_ = 0;   // of these, the ones that failed
  std::string progress_;  // the progress display on the terminal, if shown
};

struct GlobalCurl {
  GlobalCurl() : ok(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
  ~GlobalCurl() {
    if (ok) curl_global_cleanup();
  }
  bool ok;
};

}  // namespace

UrlCheckResult runUrlCheck(const PublicationSet& set, const UrlCheckOptions& options,
                           Diagnostics diag) {
  const std::optional<std::string>& folder = options.downloadDirectory;
  if (folder && mkdir(folder->c_str(), 0755) != 0 && errno != EEXIST) {
    diag.error("Failed to create download directory: ", std::strerror(errno));
    return {.errors = 1};
  }
  GlobalCurl library;
  Check check(set, options, diag);
  if (!library.ok || !check.startLibrary()) {
    diag.error("Failed to initialize libcurl");
    return {.errors = 1};
  }
  return check.run();
}

std::optional<unsigned long long> parseUrlMaxSize(std::string_view text) {
  unsigned long long unit = 1;
  if (!text.empty()) {
    switch (text.back()) {
      case 'K': unit = 1ULL << 10; break;
      case 'M': unit = 1ULL << 20; break;
      case 'G': unit = 1ULL << 30; break;
      default: break;
    }
    if (unit != 1) text.remove_suffix(1);
  }
  if (text.empty() || text.size() > 18) return std::nullopt;
  unsigned long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > ~0ULL / unit) return std::nullopt;
  return value * unit;
}

}  // namespace pubforge
