// Every real bibliography beside the repository (../shared/corpus) printed
// as the HTML example prints it, with plain text: hardly any printed entry
// may keep LaTeX (a backslash or a brace), and no word of a title may be
// lost.  The words of each title are taken from its source by a small
// reduction of LaTeX to letters of this test's own, so that the check does
// not lean on the conversion it checks.  Skipped where the corpus folder is
// absent.
#include <gtest/gtest.h>
#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "commands/run_context.h"
#include "driver/driver.h"
#include "text/latex_commands.h"
#include "text/plain_text.h"

namespace pubforge {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool isAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A place in the source where a command was taken out: what it prints is
// not known here, so the word after it may be joined to that ("{\TeX}book").
constexpr char kCommand = '\x01';

// UTF-8 text as letters: accents taken off, compatibility forms (the "ﬁ"
// ligature, "³") spelt out, letters without a decomposition spelt in ASCII,
// and every other character a space (kCommand stays).
std::string asciiLetters(const std::string& text) {
  utf8proc_uint8_t* folded = nullptr;
  const utf8proc_ssize_t length = utf8proc_map(
      reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
      static_cast<utf8proc_ssize_t>(text.size()), &folded,
      static_cast<utf8proc_option_t>(UTF8PROC_COMPAT | UTF8PROC_DECOMPOSE | UTF8PROC_STRIPMARK));
  std::string plain = length < 0 ? text : std::string(reinterpret_cast<char*>(folded),
                                                      static_cast<std::size_t>(length));
  std::free(folded);
  static const std::pair<std::string_view, std::string_view> kSpelt[] = {
      {"\u00DF", "ss"}, {"\u00E6", "ae"}, {"\u00C6", "AE"}, {"\u00F8", "o"}, {"\u00D8", "O"},
      {"\u0142", "l"},  {"\u0141", "L"},  {"\u0153", "oe"}, {"\u0152", "OE"}, {"\u0131", "i"},
      {"\u0237", "j"},  {"\u0111", "d"},  {"\u0110", "D"},  {"\u00F0", "d"},  {"\u00D0", "D"},
  };
  std::string out;
  for (std::size_t i = 0; i < plain.size();) {
    bool spelt = false;
    for (const auto& [character, ascii] : kSpelt) {
      if (std::string_view(plain).substr(i).starts_with(character)) {
        out += ascii;
        i += character.size();
        spelt = true;
        break;
      }
    }
    if (spelt) continue;
    out.push_back(isAlnum(plain[i]) || plain[i] == kCommand ? plain[i] : ' ');
    ++i;
  }
  return out;
}

// The letters that a few letter commands stand for; every other command is
// left out, its place a word break.
const std::map<std::string, std::string, std::less<>> kLetterCommands = {
    {"i", "i"},   {"j", "j"},   {"o", "o"},   {"O", "O"},   {"l", "l"},   {"L", "L"},
    {"ss", "ss"}, {"ae", "ae"}, {"AE", "AE"}, {"oe", "oe"}, {"OE", "OE"}, {"aa", "a"},
    {"AA", "A"},
};

struct SourceWord {
  std::string word;
  bool afterCommand;
};

// The words of a LaTeX value: runs of letters and digits (as asciiLetters
// reads them) once commands, braces and dollars are taken out.  Blanks,
// other math and punctuation separate.  The argument of a sort key is not
// shown, so it is no word of the title.
std::vector<SourceWord> sourceWords(std::string_view latex) {
  std::string letters;
  for (std::size_t i = 0; i < latex.size(); ++i) {
    if (latex[i] == '{' || latex[i] == '}' || latex[i] == '$') continue;
    if (latex[i] != '\\') {
      letters.push_back(latex[i]);
      continue;
    }
    std::size_t end = i + 1;
    while (end < latex.size() && isLetter(latex[end])) ++end;
    if (end == i + 1 && end < latex.size()) ++end;  // a control symbol
    const std::string_view name = latex.substr(i + 1, end - i - 1);
    const auto letter = kLetterCommands.find(name);
    if (letter != kLetterCommands.end()) {
      letters += letter->second;
    } else {
      letters.push_back(kCommand);
    }
    if (name == "noopsort" && end < latex.size() && latex[end] == '{') {
      const std::size_t close = latex.find('}', end);
      end = close == std::string_view::npos ? latex.size() : close + 1;
    }
    i = end - 1;
  }
  std::vector<SourceWord> words;
  const std::string text = asciiLetters(letters);
  for (std::size_t i = 0; i < text.size();) {
    if (!isAlnum(text[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && isAlnum(text[end])) ++end;
    words.push_back({text.substr(i, end - i), i > 0 && text[i - 1] == kCommand});
    i = end;
  }
  return words;
}

// Printed XML text read back as letters: references resolved, then as
// asciiLetters.
std::string printedLetters(std::string_view xml) {
  std::string text;
  for (std::size_t i = 0; i < xml.size(); ++i) {
    if (xml[i] == '&') {
      const std::size_t semicolon = xml.find(';', i);
      if (semicolon != std::string_view::npos && semicolon - i <= 8) {
        text.push_back(' ');
        i = semicolon;
        continue;
      }
    }
    text.push_back(xml[i]);
  }
  return asciiLetters(text);
}

// The first source word that cannot be found in the printed letters, each
// after the one before it, or nothing.  A word may meet the next one in
// print ("10^{3}" prints "10³"), but it must be there whole and in order.
std::string lostWord(const std::vector<SourceWord>& words, const std::string& printed) {
  std::size_t from = 0;
  for (const auto& [word, afterCommand] : words) {
    std::size_t at = printed.find(word, from);
    // A word of the source begins a printed word, follows the last match or
    // follows what a command printed.
    while (at != std::string::npos && at > from && !afterCommand && isAlnum(printed[at - 1]))
      at = printed.find(word, at + 1);
    if (at == std::string::npos) return word;
    from = at + word.size();
  }
  return {};
}

struct PrintedEntry {
  std::string id;
  std::string text;   // from <li to </li>
  std::string title;  // between <cite> and </cite>
};

std::vector<PrintedEntry> printedEntries(const std::string& html) {
  std::vector<PrintedEntry> entries;
  for (std::size_t at = html.find("<li id=\""); at != std::string::npos;
       at = html.find("<li id=\"", at + 1)) {
    const std::size_t end = html.find("</li>\n", at);
    if (end == std::string::npos) break;
    PrintedEntry entry;
    entry.text = html.substr(at, end - at);
    const std::size_t idEnd = entry.text.find("\">");
    entry.id = entry.text.substr(8, idEnd - 8);
    const std::size_t cite = entry.text.find("<cite>");
    const std::size_t citeEnd = entry.text.find("</cite>");
    if (cite != std::string::npos && citeEnd != std::string::npos)
      entry.title = entry.text.substr(cite + 6, citeEnd - cite - 6);
    entries.push_back(std::move(entry));
  }
  return entries;
}

// The ids that the HTML list gives, for the titles of the source.
std::string htmlId(std::string_view key) {
  std::string id = convertLatexPlain(key, " ", "\n", true);
  std::replace(id.begin(), id.end(), '+', '_');
  return id;
}

bool keepsLatex(std::string_view text) {
  return text.find_first_of("\\{}") != std::string_view::npos;
}

TEST(PlainTextCorpusTest, HtmlListKeepsNoLatexAndLosesNoWord) {
  const fs::path corpus = PUBFORGE_SOURCE_DIR "/../shared/corpus";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  const std::string commands = readFile(PUBFORGE_SOURCE_DIR "/examples/publications-html.cmd");
  ASSERT_FALSE(commands.empty());

  std::vector<fs::path> files;
  for (const auto& file : fs::directory_iterator(corpus))
    if (file.path().extension() == ".bib") files.push_back(file.path());
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 14u);

  std::size_t entries = 0, withLatex = 0, titles = 0, titlesLosingWords = 0;
  std::map<std::string, std::size_t> unknownCommands;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    std::istringstream in(commands);
    std::ostringstream out, err;
    RunContext ctx(out, err);
    ASSERT_EQ(runPubforge({"pubforge", "-q", file.string()}, in, ctx), 0) << err.str();

    std::map<std::string, const Node*> byId;
    std::size_t sourceEntries = 0;
    for (const auto& publication : ctx.publications) {
      if (!publication->isEntry()) continue;
      ++sourceEntries;
      byId.emplace(htmlId(publication->keyword), publication.get());
      for (const Item& item : publication->items) {
        for (std::size_t i = item.value.find('\\'); i != std::string::npos;
             i = item.value.find('\\', i + 1)) {
          std::size_t end = i + 1;
          while (end < item.value.size() && isLetter(item.value[end])) ++end;
          const std::string name = item.value.substr(i + 1, end - i - 1);
          if (!name.empty() && findLatexCommand(name) == nullptr &&
              ctx.settings.preambleMacros.find(name) == nullptr)
            ++unknownCommands[name];
        }
      }
    }

    const std::vector<PrintedEntry> printed = printedEntries(out.str());
    EXPECT_EQ(printed.size(), sourceEntries) << "every entry is printed";
    for (const PrintedEntry& entry : printed) {
      ++entries;
      if (keepsLatex(entry.text)) {
        ++withLatex;
        std::cout << "  keeps LaTeX: " << entry.text << "\n";
      }
      const auto source = byId.find(entry.id);
      if (source == byId.end()) {
        ADD_FAILURE() << "printed entry " << entry.id << " has no source";
        continue;
      }
      const Item* title = findItem(*source->second, "title");
      if (title == nullptr) continue;
      ++titles;
      const std::string lost = lostWord(sourceWords(title->value), printedLetters(entry.title));
      if (!lost.empty()) {
        ++titlesLosingWords;
        ADD_FAILURE() << "the title of " << entry.id << " loses \"" << lost << "\"\n  source: "
                      << title->value << "\n  printed: " << entry.title;
      }
    }
  }

  std::vector<std::pair<std::size_t, std::string>> ranked;
  for (const auto& [name, count] : unknownCommands) ranked.emplace_back(count, name);
  std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first > b.first : a.second < b.second;
  });
  std::cout << files.size() << " files, " << entries << " printed entries, " << withLatex
            << " keep a backslash or a brace (" << 100.0 * static_cast<double>(withLatex) /
                                                     static_cast<double>(entries)
            << " %); " << titles << " titles, " << titlesLosingWords << " lose a word\n"
            << "most frequent commands that neither the table nor a preamble knows:";
  for (std::size_t i = 0; i < ranked.size() && i < 20; ++i)
    std::cout << " \\" << ranked[i].second << " (" << ranked[i].first << ")";
  std::cout << "\n";

  ASSERT_GT(entries, 10000u);
  EXPECT_LE(static_cast<double>(withLatex), 0.0003 * static_cast<double>(entries));
  EXPECT_EQ(titlesLosingWords, 0u);
}

}  // namespace
}  // namespace pubforge
