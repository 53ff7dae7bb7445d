// Every author name of the real bibliographies beside the repository
// (../shared/corpus), split by the author check and by a plain split written
// here from BibTeX's name rules: the two must agree on nearly every name.
// Skipped where the corpus folder is absent.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "reader/reader.h"
#include "../writers/writer_test_util.h"

namespace pubforge {
namespace {

namespace fs = std::filesystem;
using writer_test::readFile;

// ------------------------------------------------ BibTeX's rules, plainly

bool white(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool sepChar(char c) { return c == '-' || c == '~'; }

// The names of a list: cut at "and" (any case) between white space, outside
// braces.  After an "and", the white space that follows it may precede the
// next one.
std::vector<std::string> referenceNames(const std::string& list) {
  std::vector<std::string> names;
  size_t start = 0;
  int depth = 0;
  bool precedingWhite = false;
  size_t i = 0;
  while (i < list.size()) {
    const char c = list[i];
    if (c == '{') {
      ++depth;
      ++i;
      while (i < list.size() && depth > 0) {
        if (list[i] == '{') ++depth;
        if (list[i] == '}') --depth;
        ++i;
      }
      precedingWhite = false;
      continue;
    }
    if ((c == 'a' || c == 'A') && precedingWhite && i + 3 < list.size() &&
        (list[i + 1] == 'n' || list[i + 1] == 'N') && (list[i + 2] == 'd' || list[i + 2] == 'D') &&
        white(list[i + 3])) {
      names.push_back(list.substr(start, i - start));
      i += 3;
      start = i;
      precedingWhite = false;
      continue;
    }
    precedingWhite = white(c);
    ++i;
  }
  names.push_back(list.substr(start));
  return names;
}

// Does the token begin in lower case?  The first ASCII letter decides; a
// brace group that begins with a backslash is a special character that
// decides by its letter (or by the foreign letter it names); other brace
// groups are passed over.  A byte beyond ASCII counts as an upper-case
// letter, as in the Unicode-aware BibTeX programs.
bool vonToken(const std::string& t) {
  for (size_t p = 0; p < t.size(); ++p) {
    const unsigned char c = static_cast<unsigned char>(t[p]);
    if ((c >= 'A' && c <= 'Z') || c >= 0x80) return false;
    if (c >= 'a' && c <= 'z') return true;
    if (c != '{') continue;
    int level = 1;
    ++p;
    if (p + 2 < t.size() && t[p] == '\\') {
      ++p;
      const size_t from = p;
      while (p < t.size() && std::isalpha(static_cast<unsigned char>(t[p]))) ++p;
      const std::string cs = t.substr(from, p - from);
      if (cs == "OE" || cs == "AE" || cs == "AA" || cs == "O" || cs == "L") return false;
      if (cs == "i" || cs == "j" || cs == "oe" || cs == "ae" || cs == "aa" || cs == "o" ||
          cs == "l" || cs == "ss")
        return true;
      while (p < t.size() && level > 0) {
        if (t[p] >= 'A' && t[p] <= 'Z') return false;
        if (t[p] >= 'a' && t[p] <= 'z') return true;
        if (t[p] == '}') --level;
        if (t[p] == '{') ++level;
        ++p;
      }
      return false;
    }
    while (p < t.size() && level > 0) {
      if (t[p] == '}') --level;
      if (t[p] == '{') ++level;
      ++p;
    }
    --p;
  }
  return false;
}

// Blanks, tabs, line breaks and ties as one blank; runs shrunk, ends cut.
std::string blanks(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (white(c) || (c == '~' && (i == 0 || text[i - 1] != '\\'))) c = ' ';
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += c;
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

struct RefName {
  std::string family;
  std::string given;
};

RefName referenceSplit(const std::string& name) {
  size_t lo = 0, hi = name.size();
  while (lo < hi && (white(name[lo]) || sepChar(name[lo]))) ++lo;
  while (hi > lo && (white(name[hi - 1]) || sepChar(name[hi - 1]) || name[hi - 1] == ',')) --hi;
  struct Tok {
    size_t start, end;
    char sep;  // the separator before it
  };
  std::vector<Tok> tok;
  int commas = 0;
  size_t comma1 = 0, comma2 = 0;
  bool starting = true;
  char sep = ' ';
  for (size_t i = lo; i < hi; ++i) {
    const char c = name[i];
    if (c == ',' ) {
      if (commas < 2) (commas++ == 0 ? comma1 : comma2) = tok.size();
      sep = ',';
      starting = true;
    } else if (white(c) || sepChar(c)) {
      if (!starting) sep = white(c) ? ' ' : c;
      starting = true;
    } else {
      size_t end = i + 1;
      if (c == '{') {
        int level = 1;
        while (end < hi && level > 0) {
          if (name[end] == '{') ++level;
          if (name[end] == '}') --level;
          ++end;
        }
      }
      if (starting) tok.push_back({i, end, sep});
      else tok.back().end = end;
      starting = false;
      i = end - 1;
    }
  }
  const size_t n = tok.size();
  auto text = [&](size_t a, size_t b) {
    return a >= b ? std::string() : blanks(name.substr(tok[a].start, tok[b - 1].end - tok[a].start));
  };
  auto word = [&](size_t k) { return name.substr(tok[k].start, tok[k].end - tok[k].start); };
  RefName r;
  if (n == 0) return r;
  if (commas == 0) {
    size_t vonStart = 0;
    while (vonStart + 1 < n && !vonToken(word(vonStart))) ++vonStart;
    if (vonStart + 1 >= n) {
      vonStart = n - 1;
      while (vonStart > 0 && tok[vonStart].sep == '-') --vonStart;
    }
    r.given = text(0, vonStart);
    r.family = text(vonStart, n);
  } else {
    r.family = text(0, comma1);
    const std::string jr = commas == 2 ? text(comma1, comma2) : std::string();
    if (!jr.empty()) r.family += ", " + jr;
    r.given = text(commas == 2 ? comma2 : comma1, n);
  }
  return r;
}

// The plain split itself, on names that the author check once got wrong.
TEST(CorpusNames, ThePlainSplitFollowsBibTeX) {
  EXPECT_EQ(referenceNames("A B and {C and D} AND E\tand\nF and~G andH").size(), 4u);
  const struct {
    const char* name;
    const char* family;
    const char* given;
  } rows[] = {
      {"Paulo {Ney de Souza}", "{Ney de Souza}", "Paulo"},
      {"F.~{De~Angeli}", "{De Angeli}", "F."},
      {"{\\O}ie, Gunvor", "{\\O}ie", "Gunvor"},
      {"Akers, Jr., Sheldon B.", "Akers, Jr.", "Sheldon B."},
      {"Otto van Dalen", "van Dalen", "Otto"},
      {"Jean {de la} Fontaine", "Fontaine", "Jean {de la}"},
      {"Mira {\\\"u}ber Smith-Jones", "{\\\"u}ber Smith-Jones", "Mira"},
      {"Mira Smith-Jones", "Smith-Jones", "Mira"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const RefName ref = referenceSplit(row.name);
    EXPECT_EQ(ref.family, row.family);
    EXPECT_EQ(ref.given, row.given);
  }
}

// ------------------------------------------------------------- the check

const char* const kFiles[] = {
    "biblatex-curated-strings-accents.bib",
    "biblatex-zotero-bbt-autoexport.bib",
    "geombib-subset-leading-commas.bib",
    "group-bib-basel-ai-accents.bib",
    "group-pubs-hal-export-french.bib",
    "group-pubs-mendeley-string-parens.bib",
    "jabref-saved-authors-pubs.bib",
    "large-gaia-livelink-nonstandard-type.bib",
    "mathscinet-czech-author-preamble.bib",
    "personal-bib-messy-preamble-comment-concat.bib",
    "thesis-dblp-export.bib",
    "zotero-betterbibtex-autoexport.bib",
    "zotero-native-export.bib",
};

Collection readCollection(const std::string& text) {
  std::ostringstream out, err;
  BibReader reader(out, err);
  EXPECT_EQ(reader.readText(text), ReadResult::kOk);
  return reader.finish();
}

// The text with every "author" field named "comment": a field that is kept
// exactly as read, so that its items hold the author lists as written.
std::string authorsAsComments(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (i + 6 <= text.size() && (text[i] | 0x20) == 'a' &&
        (i == 0 || !(std::isalnum(static_cast<unsigned char>(text[i - 1])) || text[i - 1] == '_' ||
                     text[i - 1] == '.' || text[i - 1] == '-'))) {
      std::string word = text.substr(i, 6);
      for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      size_t j = i + 6;
      while (j < text.size() && white(text[j])) ++j;
      if (word == "author" && j < text.size() && text[j] == '=') {
        out += "comment";
        i += 5;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

TEST(CorpusNames, AgreeWithBibTeXsSplit) {
  const fs::path corpus = PUBFORGE_SOURCE_DIR "/../shared/corpus";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  size_t names = 0, keyed = 0, skippedEntries = 0;
  std::vector<std::string> differences;
  for (const char* file : kFiles) {
    SCOPED_TRACE(file);
    ASSERT_TRUE(fs::is_regular_file(corpus / file)) << "missing from the corpus";
    const std::string text = readFile(corpus / file);
    const Collection read = readCollection(text);
    const Collection raw = readCollection(authorsAsComments(text));
    ASSERT_EQ(read.size(), raw.size());
    for (size_t e = 0; e < read.size(); ++e) {
      std::vector<const Item*> lists, rawLists;
      bool ownComment = false;
      for (const Item& item : read[e]->items) {
        if (item.keyword == "author") lists.push_back(&item);
        ownComment |= item.keyword == "comment";
      }
      for (const Item& item : raw[e]->items)
        if (item.keyword == "comment") rawLists.push_back(&item);
      if (!read[e]->isEntry()) continue;
      // An entry with comment fields of its own cannot tell them apart.
      if (ownComment) {
        ++skippedEntries;
        continue;
      }
      ASSERT_EQ(lists.size(), rawLists.size()) << read[e]->keyword;
      for (size_t l = 0; l < lists.size(); ++l) {
        std::string rawList = rawLists[l]->value;
        const std::vector<std::string> rawNames = referenceNames(rawList);
        const AuthorParts& parts = lists[l]->authorParts;
        ASSERT_EQ(parts.size(), 3 * rawNames.size()) << read[e]->keyword << ": " << rawList;
        for (size_t k = 0; k < rawNames.size(); ++k) {
          ++names;
          const RefName ref = referenceSplit(rawNames[k]);
          const std::string family = blanks(std::string(parts[3 * k]));
          const std::string given = blanks(std::string(parts[3 * k + 1]));
          if (family == ref.family && given == ref.given) continue;
          if (rawNames[k].find('=') != std::string::npos) {
            ++keyed;  // biblatex's keyed form, which BibTeX does not know
            continue;
          }
          differences.push_back(std::string(file) + " " + read[e]->keyword + ": '" +
                                blanks(rawNames[k]) + "' gives '" + family + "' / '" + given +
                                "', BibTeX '" + ref.family + "' / '" + ref.given + "'");
        }
      }
    }
  }
  std::cout << names << " names, " << keyed << " in biblatex's keyed form, "
            << differences.size() << " differ; " << skippedEntries
            << " entries with comment fields skipped\n";
  for (const std::string& d : differences) std::cout << "  " << d << "\n";
  EXPECT_GT(names, 10000u);
  EXPECT_LT(differences.size() * 1000, names) << "more than 0.1 % of the names differ";
}

}  // namespace
}  // namespace pubforge
