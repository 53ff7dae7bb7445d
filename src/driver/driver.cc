#include "driver/driver.h"

#include <getopt.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <istream>
#include <ostream>

#include "commands/commands.h"
#include "commands/condition.h"
#include "commands/exports.h"
#include "commands/run_context.h"
#include "model/publication_set.h"
#include "reader/reader.h"

namespace pubforge {

namespace {

constexpr const char* kVersion = "2.2.4";
// The exit status of a run that a signal stopped, as a shell reports a
// program ended by Ctrl-C.
constexpr int kInterruptedStatus = 130;

void printUsage(Diagnostics diag, const std::string& program) {
  diag.report("Usage: ", program, " BibTeX_file [...] [-B bibtex_file_name | --export-to-bibtex bibtex_file_name]"
         "[-b xml_file_prefix| --export-to-separate-bibtexs xml_file_prefix]"
         "[-X xml_file_name | --export-to-xml xml_file_name]"
         "[-x xml_file_prefix | --export-to-separate-xmls xml_file_prefix]"
         "[-J csl_json_file_name | --export-to-csl-json csl_json_file_name]"
         "[-C custom_file | --export-to-custom custom_file]"
         "[-D directory | --store-downloads directory]"
         "[-m name:mapping_file:key_column:value_column | --mapping "
         "name:mapping_file:key_column:value_column]"
         "[-s string | --nbsp string][-l string | --linebreak string]"
         "[-n | --non-interactive][-U | --check-urls][-u | --only-check-new-urls]"
         "[-w | --ignore-updates-for-html][-j jobs | --url-jobs jobs]"
         "[--url-timeout seconds][--url-max-size size][-a | --add-url-command]"
         "[-i | --skip-notes-with-isbn-and-issn][-I | --add-notes-with-isbn-and-issn]"
         "[-c condition | --select condition]"
         "[-P | --plain-text][-q | --quiet][-h | --help][-v | --version]\n");
}

// Splits a mapping option at every ":", keeping empty pieces.
std::vector<std::string> splitAtColons(const std::string& argument) {
  std::vector<std::string> pieces(1);
  for (char c : argument) {
    if (c == ':')
      pieces.emplace_back();
    else
      pieces.back().push_back(c);
  }
  return pieces;
}

// Options that have no one-letter form.
enum LongOnly : int { kUrlTimeout = 256, kUrlMaxSize };

// At most this many downloads at once: beyond it a run only holds more
// connections and files open.
constexpr unsigned kMaxUrlJobs = 1000;
constexpr unsigned kMaxUrlTimeoutSeconds = 1000000000;

// A whole number from 1 to `max`, written in decimal digits only.
std::optional<unsigned> parseCount(std::string_view text, unsigned max) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  unsigned long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > max) return std::nullopt;
  return static_cast<unsigned>(value);
}

// The folder of temporary files: $TMPDIR as other programs take it.
std::string temporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  if (folder == nullptr || *folder == '\0') return std::string(kTempFolder);
  return folder;
}

const option kLongOptions[] = {
    {"export-to-bibtex", required_argument, nullptr, 'B'},
    {"export-to-separate-bibtexs", required_argument, nullptr, 'b'},
    {"export-to-xml", required_argument, nullptr, 'X'},
    {"export-to-separate-xmls", required_argument, nullptr, 'x'},
    {"export-to-csl-json", required_argument, nullptr, 'J'},
    {"export-to-custom", required_argument, nullptr, 'C'},
    {"store-downloads", required_argument, nullptr, 'D'},
    {"mapping", required_argument, nullptr, 'm'},
    {"nbsp", required_argument, nullptr, 's'},
    {"linebreak", required_argument, nullptr, 'l'},
    {"non-interactive", no_argument, nullptr, 'n'},
    {"check-urls", no_argument, nullptr, 'U'},
    {"only-check-new-urls", no_argument, nullptr, 'u'},
    {"ignore-updates-for-html", no_argument, nullptr, 'w'},
    {"add-url-command", no_argument, nullptr, 'a'},
    {"skip-notes-with-isbn-and-issn", no_argument, nullptr, 'i'},
    {"add-notes-with-isbn-and-issn", no_argument, nullptr, 'I'},
    {"quiet", no_argument, nullptr, 'q'},
    {"plain-text", no_argument, nullptr, 'P'},
    {"url-jobs", required_argument, nullptr, 'j'},
    {"select", required_argument, nullptr, 'c'},
    {"url-timeout", required_argument, nullptr, kUrlTimeout},
    {"url-max-size", required_argument, nullptr, kUrlMaxSize},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'v'},
    {nullptr, 0, nullptr, 0},
};

constexpr const char* kShortOptions = "B:b:X:x:J:C:D:m:s:l:nUuwaiIqhvPj:c:";

// The option parser's complaint about the option it just refused, worded as
// the system's option parser words it.  `element` is the command-line word
// the parser was reading.
void reportOptionError(Diagnostics diag, const std::string& program, std::string_view element) {
  const char c = static_cast<char>(optopt);
  if (optopt != 0) {
    if (c == ':' || std::strchr(kShortOptions, c) == nullptr) {
      diag.report(program, ": invalid option -- '", c, "'\n");
      return;
    }
    if (!element.starts_with("--")) {
      diag.report(program, ": option requires an argument -- '", c, "'\n");
      return;
    }
    // A known long option given with an argument it does not take, or
    // without the one it needs.
    for (const option* o = kLongOptions; o->name != nullptr; ++o) {
      if (o->val != optopt) continue;
      if (o->has_arg == no_argument)
        diag.report(program, ": option '--", o->name, "' doesn't allow an argument\n");
      else
        diag.report(program, ": option '--", o->name, "' requires an argument\n");
      return;
    }
  }
  std::string_view name = element.substr(2);
  name = name.substr(0, name.find('='));
  // An unknown long option, or an abbreviation that fits several.
  std::string possibilities;
  unsigned matches = 0;
  for (const option* o = kLongOptions; o->name != nullptr; ++o) {
    if (!std::string_view(o->name).starts_with(name)) continue;
    ++matches;
    possibilities += " '--";
    possibilities += o->name;
    possibilities += '\'';
  }
  if (matches > 1)
    diag.report(program, ": option '", element, "' is ambiguous; possibilities:", possibilities,
                "\n");
  else
    diag.report(program, ": unrecognized option '", element, "'\n");
}

// Parses the options in command-line order.  Returns -1 to go on, with the
// file names in `files`, or the exit status when the run ends here.
int parseOptions(const std::vector<std::string>& args, RunContext& ctx,
                 std::vector<std::string>& files) {
  // getopt_long permutes its argument vector, so it works on a copy.
  std::vector<std::string> storage(args);
  std::vector<char*> argv;
  for (std::string& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(storage.size());
  const std::string program = args.empty() ? std::string("pubforge") : args[0];

  // The parser's complaints are built here and go through the sink, like
  // every other message.
  optind = 0;  // full re-initialisation, so the parser can run more than once
  opterr = 0;
  RunOptions& o = ctx.options;
  o.urlCheck.tempFolder = temporaryFolder();
  for (;;) {
    int c = getopt_long(argc, argv.data(), kShortOptions, kLongOptions, nullptr);
    if (c == -1) break;
    switch (c) {
      case 'B': o.bibtex.file = optarg; break;
      case 'b': o.bibtex.separatePrefix = optarg; break;
      case 'X': o.xml.file = optarg; break;
      case 'x': o.xml.separatePrefix = optarg; break;
      case 'J': o.cslJson.file = optarg; break;
      case 'C': o.custom.file = optarg; break;
      case 'D': o.urlCheck.downloadDirectory = optarg; break;
      case 'U': o.urlCheck.enabled = true; break;
      case 'u': o.urlCheck.onlyCheckNewUrls = true; break;
      case 'w': o.urlCheck.ignoreUpdatesForHtml = true; break;
      case 's': ctx.settings.nbsp = optarg; break;
      case 'l': ctx.settings.linebreak = optarg; break;
      case 'n': o.interactive = false; break;
      case 'a': o.bibtex.addUrlCommand = true; break;
      case 'i': o.bibtex.skipNotesWithIsbnAndIssn = true; break;
      case 'I':
        o.bibtex.addNotesWithIsbnAndIssn = true;
        o.bibtex.skipNotesWithIsbnAndIssn = true;
        break;
      case 'q':
        o.quiet = true;
        o.urlCheck.quiet = true;
        break;
      case 'P': ctx.settings.plainText = true; break;
      case 'c': {
        ConditionError error;
        std::optional<Condition> condition = Condition::parse(optarg, error);
        if (!condition) {
          ctx.diag.error("Bad condition at byte ", error.position, ": ", error.message);
          return 1;
        }
        o.select = std::make_shared<const Condition>(std::move(*condition));
        break;
      }
      case 'j': {
        const std::optional<unsigned> jobs = parseCount(optarg, kMaxUrlJobs);
        if (!jobs) {
          ctx.diag.error("Bad number of URL jobs ", optarg);
          return 1;
        }
        o.urlCheck.jobs = *jobs;
        break;
      }
      case kUrlTimeout: {
        const std::optional<unsigned> timeout = parseCount(optarg, kMaxUrlTimeoutSeconds);
        if (!timeout) {
          ctx.diag.error("Bad URL timeout ", optarg);
          return 1;
        }
        o.urlCheck.timeoutSeconds = *timeout;
        break;
      }
      case kUrlMaxSize: {
        const std::optional<unsigned long long> size = parseUrlMaxSize(optarg);
        if (!size) {
          ctx.diag.error("Bad URL size limit ", optarg);
          return 1;
        }
        o.urlCheck.maxSize = *size;
        break;
      }
      case 'h':
        printUsage(ctx.diag, program);
        return 0;
      case 'v':
        ctx.out << "Pubforge " << kVersion << "\n";
        return 0;
      case 'm': {
        std::string argument = optarg;
        std::vector<std::string> pieces = splitAtColons(argument);
        if (pieces.size() != 4) {
          ctx.diag.error("Bad mapping specification ", argument);
          return 1;
        }
        if (!loadMapping(ctx.mappings, pieces[0], pieces[1], pieces[2], pieces[3], ctx.diag))
          return 1;
        break;
      }
      default:
        reportOptionError(ctx.diag, program, argv[static_cast<size_t>(optind) - 1]);
        printUsage(ctx.diag, program);
        return 1;
    }
  }
  for (int i = optind; i < argc; ++i) files.emplace_back(argv[i]);
  return -1;
}

int runNonInteractive(RunContext& ctx, const PublicationSet& set) {
  // Printed through the default template: in this mode nothing can change
  // it, nor the header and trailer.
  const ExportOutcome outcome = runExports(ctx, set, StopRule::kRunEveryStep);
  if (ctx.interrupted) return kInterruptedStatus;
  return outcome.errors > 0 || outcome.fileFailed ? 1 : 0;
}

}  // namespace

int runPubforge(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                std::ostream& err) {
  RunContext ctx(out, err);
  return runPubforge(args, in, ctx);
}

namespace {

int runOrFail(const std::vector<std::string>& args, std::istream& in, RunContext& ctx);

}  // namespace

int runPubforge(const std::vector<std::string>& args, std::istream& in, RunContext& ctx) {
  try {
    return runOrFail(args, in, ctx);
  } catch (const FatalError& fatal) {
    // What was printed so far stays printed.
    ctx.out.flush();
    return fatal.status;
  }
}

namespace {

int runOrFail(const std::vector<std::string>& args, std::istream& in, RunContext& ctx) {
  std::ostream& out = ctx.out;
  Diagnostics diag = ctx.diag;

  std::vector<std::string> files;
  int status = parseOptions(args, ctx, files);
  if (status >= 0) return status;

  if (files.empty()) {
    diag.error("No BibTeX input file provided");
    return 1;
  }
  BibReader reader(out, diag);
  for (const std::string& file : files) {
    switch (reader.readFile(file, files.size() > 1)) {
      case ReadResult::kOk: break;
      case ReadResult::kReadError: return 2;
      case ReadResult::kOpenError:
      case ReadResult::kSyntaxError:
      case ReadResult::kMemoryExhausted: return 1;
    }
  }
  ctx.publications = reader.finish();
  ctx.settings.preambleMacros = preambleMacros(ctx.publications);

  PublicationSet set(ctx.publications.size());
  if (!ctx.options.interactive) {
    // Publications that are no entries (macros, preambles, comments) stay,
    // so that a BibTeX file of the selection still reads.
    if (ctx.options.select)
      addWhere(set, ctx.publications, {ctx.options.select.get()}, true);
    else
      set.addAll(ctx.publications);
    return runNonInteractive(ctx, set);
  }

  if (!ctx.options.quiet)
    diag.report("Got ", countPublications(ctx.publications), " publications from BibTeX file.\n");
  unsigned errors = runCommands(in, ctx, set, 0);
  if (ctx.endAtOnce) return kInterruptedStatus;
  if (errors > 0 || !ctx.options.quiet) diag.report("Done. ", errors, " errors have occurred.\n");
  if (ctx.interrupted) return kInterruptedStatus;
  return errors > 0 ? 1 : 0;
}

}  // namespace

}  // namespace pubforge
