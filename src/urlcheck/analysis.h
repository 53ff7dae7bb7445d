// Measuring and identifying a downloaded document, and recording the result
// in the entry's url.* items with a report of what changed since the last
// check.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "model/diagnostics.h"
#include "model/node.h"

namespace pubforge {

// The temporary files of one check: the download, the files that take
// the output of the MIME and PDF-info programs, and the file that takes what
// these programs say on their standard error (it joins the entry's report,
// so that it stays with the entry when several entries are checked at once).
struct DownloadPaths {
  std::string download;
  std::string mimeOutput;
  std::string pdfInfoOutput;
  std::string programErrors;
};

struct Analysis {
  bool recorded = false;  // false for an empty document or an interrupt
  // One of the programs was ended by an interrupt: nothing was recorded and
  // the report is to be dropped.
  bool interrupted = false;
  std::string mime;  // MIME type found, empty when `file` failed
};

// The analysis of one document, in steps, so that the programs it runs can
// run beside other work: start() measures the document and starts `file`;
// each time the program of program() has ended, programEnded() takes its
// status and goes on (for a PDF it starts `pdfinfo`), until done().  What
// the analysis finds and reports is that of analyseDownload() below; ending
// the object ends a program that still runs.
class DocumentAnalysis {
 public:
  DocumentAnalysis(Node& publication, std::string url, std::FILE* download, DownloadPaths paths,
                   bool ignoreUpdatesForHtml, Diagnostics diag);
  ~DocumentAnalysis();
  DocumentAnalysis(const DocumentAnalysis&) = delete;
  DocumentAnalysis& operator=(const DocumentAnalysis&) = delete;

  // An empty document is reported and counted in `errors`.
  void start(unsigned& errors);
  pid_t program() const { return program_; }  // -1 when none runs
  void programEnded(int status);
  bool done() const { return done_; }
  const Analysis& result() const { return result_; }

 private:
  enum class Step { kMeasure, kMime, kPdfInfo };
  void run(std::string_view program, const std::string& output);
  void compare();
  void record();

  Node& publication_;
  std::string url_;
  std::FILE* download_;
  DownloadPaths paths_;
  bool ignoreUpdatesForHtml_;
  Diagnostics diag_;
  Step step_ = Step::kMeasure;
  pid_t program_ = -1;
  bool done_ = false;
  std::string size_, md5_;
  bool htmlBecamePdf_ = false;
  bool keepDigest_ = true;
  Analysis result_;
};

// Measures the document in `download` (positioned at its start), finds its
// MIME type with `file` and, for a PDF, its details with `pdfinfo`, compares
// them with the entry's url.* items, reports every change and records the
// new values.  `url` is the address named in the messages.  An empty document
// is reported and counted in `errors`, and nothing is recorded; neither is
// anything when an interrupt ends one of the programs.
Analysis analyseDownload(Node& publication, std::string_view url, std::FILE* download,
                         const DownloadPaths& paths, bool ignoreUpdatesForHtml, unsigned& errors,
                         Diagnostics diag);

// `path` as one word for the shell: in single quotes, each single quote of it
// written as '\''.
std::string shellQuote(std::string_view path);

}  // namespace pubforge
