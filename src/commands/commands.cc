#include "commands/commands.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <istream>
#include <iterator>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "commands/condition.h"
#include "commands/exports.h"
#include "model/node.h"
#include "text/months.h"
#include "text/strings.h"

namespace pubforge {

namespace {

// The state that standard input and every include file opened from it share
// during one run of the interpreter.
struct Session {
  RunContext& ctx;
  PublicationSet& set;
  unsigned includesOpened = 0;
};

// The reading of one input: standard input or an include file.
struct Input {
  Session& session;
  unsigned level;      // include nesting level
  unsigned errors = 0;
};

// Whether the input goes on after a command.  A stopped input returns 1,
// whatever it counted before.
enum class Flow { kGoOn, kStop };

// A command gets its line without the line feed, and the argument text: the
// rest of the line after the bytes that selected the command, as written.
using Handler = Flow (*)(Input& in, std::string_view line, std::string_view argument);

struct Command {
  std::string_view text;  // the command as written in full
  size_t prefix;          // how many of its bytes a line must begin with
  Handler run;
};

unsigned readCommands(std::istream& stream, Session& session, unsigned level);

// The next word of an argument: blanks trimmed, then a word up to one of the
// separators, possibly double-quoted; a word beginning with "#" ends the
// argument.  Once nothing remains every word is empty.
std::string takeWord(std::string& rest, std::string_view separators) {
  trimWhitespace(rest);
  return nextWord(rest, separators);
}

constexpr std::string_view kBlanks = " \t";

Flow citeAll(Input& in, std::string_view, std::string_view) {
  Session& s = in.session;
  if (s.ctx.options.select)
    addWhere(s.set, s.ctx.publications, {s.ctx.options.select.get()}, true);
  else
    s.set.addAll(s.ctx.publications);
  return Flow::kGoOn;
}

// citeWhere condition: every entry not yet selected for which the condition
// (and the one of -c) holds, in collection order, labelled with its key.
Flow citeWhere(Input& in, std::string_view, std::string_view argument) {
  Session& s = in.session;
  ConditionError error;
  const std::optional<Condition> condition = Condition::parse(argument, error);
  if (!condition) {
    s.ctx.diag.error("Bad condition at byte ", error.position, ": ", error.message);
    ++in.errors;
    return Flow::kGoOn;
  }
  addWhere(s.set, s.ctx.publications, {&*condition, s.ctx.options.select.get()}, false);
  return Flow::kGoOn;
}

// cite key [label [custom-1 ... custom-9]]
Flow cite(Input& in, std::string_view, std::string_view argument) {
  Session& s = in.session;
  std::string rest(argument);
  const std::string key = takeWord(rest, kBlanks);
  std::string label = takeWord(rest, kBlanks);
  Node* publication = s.ctx.publications.findEntry(key);
  if (publication == nullptr) {
    s.ctx.diag.error("Publication '", key, "' not found");
    ++in.errors;
    return Flow::kGoOn;
  }
  // Without a label a publication is numbered by its place in the selection.
  publication->label = label.empty() ? std::to_string(s.set.size()) : std::move(label);
  if (!s.set.add(publication)) {
    s.ctx.diag.error("Publication '", argument, "' has already been added");
    ++in.errors;
  }
  // Citing again replaces the label and the custom strings as well.  Nine
  // empty strings are kept as none, which reads the same and costs nothing.
  publication->clearCustom();
  trimWhitespace(rest);
  if (rest.empty()) return Flow::kGoOn;
  publication->custom.resize(kCustomCount);
  for (std::string& custom : publication->custom) custom = takeWord(rest, kBlanks);
  return Flow::kGoOn;
}

// sort key[/order] ... with at most eight keys.
Flow sortSet(Input& in, std::string_view, std::string_view argument) {
  constexpr int kMaxSortKeys = 8;
  Session& s = in.session;
  std::string rest(argument);
  std::vector<std::string> keys;
  std::vector<bool> ascending;
  for (int i = 0; i < kMaxSortKeys; ++i) {
    std::string key = takeWord(rest, kBlanks);
    bool up = true;
    if (const size_t slash = key.find('/'); slash != std::string::npos) {
      const std::string order = key.substr(slash + 1);
      key.resize(slash);
      if (order == "descending" || order == "D") {
        up = false;
      } else if (order != "ascending" && order != "A") {
        s.ctx.diag.error("Bad sorting order '", order, "' for key '", key, "'");
        ++in.errors;
        break;  // the keys before it still sort the set
      }
    }
    if (key.empty()) continue;
    keys.push_back(std::move(key));
    ascending.push_back(up);
  }
  s.set.sort(keys, ascending);
  return Flow::kGoOn;
}

// export [naming template]: the URL check when it was asked for, the custom
// output on standard output, then the BibTeX and XML files named on the
// command line, all from the selection as it is now.
Flow exportSet(Input& in, std::string_view line, std::string_view) {
  Session& s = in.session;
  // The naming template is what follows "export" and a space; without that
  // space it is "%u".
  const std::string_view naming = line.size() > 6 && line[6] == ' ' ? line.substr(7) : "%u";
  const ExportOutcome outcome = runExports(s.ctx, s.set, StopRule::kStopAtFailedFile, naming);
  in.errors += outcome.errors;
  // A failing file export stops the input.
  return outcome.fileFailed ? Flow::kStop : Flow::kGoOn;
}

Flow clearSet(Input& in, std::string_view, std::string_view) {
  in.session.set.clear();
  return Flow::kGoOn;
}

Flow echo(Input& in, std::string_view, std::string_view argument) {
  const std::string text = unescapeBackslashes(argument);
  in.session.ctx.out.write(text.data(), static_cast<std::streamsize>(text.size()));
  return Flow::kGoOn;
}

// The settings that a command sets to its argument text as written.
template <std::string OutputSettings::*field>
Flow setText(Input& in, std::string_view, std::string_view argument) {
  in.session.ctx.settings.*field = argument;
  return Flow::kGoOn;
}

Flow appendTemplate(Input& in, std::string_view, std::string_view argument) {
  in.session.ctx.settings.printingTemplate += argument;
  return Flow::kGoOn;
}

Flow newTemplate(Input& in, std::string_view, std::string_view) {
  in.session.ctx.settings.printingTemplate.clear();
  return Flow::kGoOn;
}

template <bool xml>
Flow setStyle(Input& in, std::string_view, std::string_view) {
  in.session.ctx.settings.xmlStyle = xml;
  return Flow::kGoOn;
}

// plainText, latexText: values printed as plain text, or with their LaTeX.
template <bool plain>
Flow setPlainText(Input& in, std::string_view, std::string_view) {
  in.session.ctx.settings.plainText = plain;
  return Flow::kGoOn;
}

// include file name (spaces included): the commands of the file, run inside
// this input.
Flow include(Input& in, std::string_view, std::string_view argument) {
  Session& s = in.session;
  if (in.level >= kMaxIncludeLevel) {
    s.ctx.diag.error("Include file nesting level limit reached");
    return Flow::kStop;
  }
  if (s.includesOpened >= kMaxIncludeFiles) {
    s.ctx.diag.error("Include file limit of ", kMaxIncludeFiles, " files reached");
    return Flow::kStop;
  }
  const std::string name(argument);
  // A name with a NUL byte would name another file; a folder opens but
  // holds no lines.
  std::error_code error;
  std::ifstream file;
  if (name.find('\0') == std::string::npos && !std::filesystem::is_directory(name, error))
    file.open(name, std::ios::binary);
  if (!file.is_open()) {
    s.ctx.diag.error("Unable to open include file '", name, "'");
    return Flow::kStop;
  }
  ++s.includesOpened;
  in.errors += readCommands(file, s, in.level + 1);
  return Flow::kGoOn;
}

// monthNames name ...: the names replace those of January, February and so
// on; the months after the last name keep theirs.
Flow monthNames(Input& in, std::string_view, std::string_view argument) {
  Session& s = in.session;
  std::vector<std::string>& names = s.ctx.settings.monthNames;
  constexpr size_t kMonths = kMonthCount;
  std::string rest(argument);
  size_t month = 0;
  while (!rest.empty()) {
    std::string name = takeWord(rest, " ");
    if (month == kMonths) {
      s.ctx.diag.error("There are only 12 month names possible in monthNames");
      return Flow::kStop;
    }
    if (names.size() < kMonths) names.resize(kMonths);
    names[month++] = std::move(name);
  }
  return Flow::kGoOn;
}

// The commands in the order in which a line is matched against them: the
// first whose first `prefix` bytes begin the line runs.
constexpr Command kCommands[] = {
    {"citeAll", 7, citeAll},
    {"citeWhere ", 10, citeWhere},
    {"cite ", 5, cite},
    {"sort ", 5, sortSet},
    {"export", 5, exportSet},
    {"clear", 5, clearSet},
    {"echo ", 5, echo},
    {"header ", 7, setText<&OutputSettings::header>},
    {"trailer ", 8, setText<&OutputSettings::trailer>},
    {"nbsp ", 5, setText<&OutputSettings::nbsp>},
    {"linebreak ", 10, setText<&OutputSettings::linebreak>},
    {"utf8Style", 8, setStyle<false>},
    {"xmlStyle", 8, setStyle<true>},
    {"templatenew", 11, newTemplate},
    {"template ", 9, setText<&OutputSettings::printingTemplate>},
    {"template+ ", 10, appendTemplate},
    {"include ", 8, include},
    {"monthNames ", 11, monthNames},
    {"plainText", 9, setPlainText<true>},
    {"latexText", 9, setPlainText<false>},
};

const Command* findCommand(std::string_view line) {
  for (const Command& command : kCommands)
    if (line.substr(0, command.prefix) == command.text.substr(0, command.prefix))
      return &command;
  return nullptr;
}

// Runs the lines of `stream` until it ends or an error stops it.  Lines are
// read whole whatever their length.
unsigned readCommands(std::istream& stream, Session& session, unsigned level) {
  Input in{session, level};
  std::string line;
  while (std::getline(stream, line)) {
    if (line.empty() || line[0] == '#') continue;
    const Command* command = findCommand(line);
    if (command == nullptr) {
      session.ctx.diag.error("Bad command '", line, "'");
      return 1;
    }
    const std::string_view text(line);
    if (command->run(in, text, text.substr(command->prefix)) == Flow::kStop) return 1;
    if (session.ctx.interrupted) break;  // the run ends after this export
  }
  return in.errors;
}

}  // namespace

unsigned runCommands(std::istream& input, RunContext& ctx, PublicationSet& set, unsigned level) {
  Session session{ctx, set};
  return readCommands(input, session, level);
}

}  // namespace pubforge
