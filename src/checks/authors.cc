// Author and editor lists are cut into names at the word "and"; each name is
// read in BibTeX's three forms ("First von Last", "von Last, First", "von
// Last, Jr, First") or biblatex's "family=..., given=..." form, split into
// family name, given name and initials, and written back in one normal
// spelling that reads back as the same name.
#include "checks/authors.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "checks/checks.h"
#include "text/byte_scan.h"
#include "text/strings.h"
#include "text/utf8.h"

namespace pubforge {

namespace {

constexpr std::string_view kNameSeparator = " and ";
constexpr size_t npos = std::string_view::npos;

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isLower(char c) { return c >= 'a' && c <= 'z'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isLetter(char c) { return isLower(c) || isUpper(c); }

// A "~" ties words together, except right after a backslash, where it is the
// tilde accent of a letter ({\~n}).
bool isTie(std::string_view text, size_t i) {
  return text[i] == '~' && (i == 0 || text[i - 1] != '\\');
}

bool separatesWords(std::string_view text, size_t i) { return text[i] == ' ' || isTie(text, i); }

// The closing brace of the group that opens at text[open], or npos when the
// group is still open at `end`.
size_t matchingBrace(std::string_view text, size_t open, size_t end) {
  size_t depth = 0;
  for (size_t i = open; i < end; ++i) {
    if (text[i] == '{') {
      ++depth;
    } else if (text[i] == '}' && --depth == 0) {
      return i;
    }
  }
  return npos;
}

// One word of a name, [start, end) in the prepared name, and the separator
// that came before it: a blank, a hyphen or a comma.
struct Token {
  size_t start;
  size_t end;
  char before;
};

struct Parts {
  std::string family;
  std::string given;
  std::string initials;
};

// Reused buffers for the names of one list.
struct NameBuffers {
  std::string prepared;   // the name as it is split, where it must be made so
  std::string candidate;  // a spelling to write back
  std::string check;      // that spelling prepared for splitting
  std::string scratch;
  std::vector<Token> tokens;
  Parts again;            // the parts the spelling reads back as

  NameBuffers() { tokens.reserve(16); }
};

// The name as it is split: each tie, tab and line break a blank, blanks
// trimmed at both ends and runs of them shrunk to one.  Most names are so
// already and are split where they stand; the others are made so in
// `buffer`.
std::string_view prepareName(std::string_view text, std::string& buffer) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (findAnyOf4(text, '~', '\t', '\n', '\r') == npos && findBlankPair(text) == npos) return text;
  buffer.clear();
  bool blank = true;  // drops leading blanks
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (isWhite(c) || isTie(text, i)) {
      if (!blank) buffer.push_back(' ');
      blank = true;
    } else {
      buffer.push_back(c);
      blank = false;
    }
  }
  if (!buffer.empty() && buffer.back() == ' ') buffer.pop_back();
  return buffer;
}

// biblatex's extended name form: "family=Kate, given=Warner, prefix=ten,
// useprefix=false".  True, with the parts filled, when every part of the name
// between commas is "key=value" and a family or given name is among them.
bool readKeyedName(std::string_view name, Parts& parts, std::string& scratch) {
  if (name.find('=') == npos) return false;
  std::string_view family, given, prefix, suffix;
  bool named = false;
  size_t from = 0;
  while (from <= name.size()) {
    size_t end = from;
    size_t depth = 0;
    while (end < name.size() && (depth > 0 || name[end] != ',')) {
      if (name[end] == '{') ++depth;
      if (name[end] == '}' && depth > 0) --depth;
      ++end;
    }
    std::string_view part = name.substr(from, end - from);
    const size_t equals = part.find('=');
    if (equals == npos) return false;
    std::string_view key = part.substr(0, equals);
    std::string_view value = part.substr(equals + 1);
    while (!key.empty() && key.front() == ' ') key.remove_prefix(1);
    while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
    if (key.empty()) return false;
    for (char c : key)
      if (!isLetter(c) && c != '-') return false;
    if (key == "family") family = value, named = true;
    if (key == "given") given = value, named = true;
    if (key == "prefix") prefix = value;
    if (key == "suffix") suffix = value;
    from = end + 1;
  }
  if (!named) return false;
  // The values may be braced as a whole ("family={van Dalen}").
  auto unbraced = [&scratch](std::string_view value) -> std::string& {
    scratch.assign(value);
    return stripBraces(scratch);
  };
  parts.family.clear();
  if (!prefix.empty()) (parts.family += unbraced(prefix)) += ' ';
  parts.family += unbraced(family);
  if (!suffix.empty()) (parts.family += ", ") += unbraced(suffix);
  parts.given = unbraced(given);
  makeInitials(parts.given, parts.initials);
  return true;
}

enum class NameForm { kNoComma, kComma, kKeyed };

// The bytes at which the plain run of a word ends.
constexpr std::array<bool, 256> kEndsWordRun = [] {
  std::array<bool, 256> ends{};
  for (unsigned char c : {',', ' ', '-', '{'}) ends[c] = true;
  return ends;
}();

// Splits a prepared name into its parts.
NameForm readParts(std::string_view name, Parts& parts, NameBuffers& buffers) {
  if (readKeyedName(name, parts, buffers.scratch)) return NameForm::kKeyed;

  // Blanks and hyphens before the name, and blanks, hyphens and commas after
  // it, belong to no word.
  size_t lo = 0, hi = name.size();
  while (lo < hi && (name[lo] == ' ' || name[lo] == '-')) ++lo;
  while (hi > lo && (name[hi - 1] == ' ' || name[hi - 1] == '-' || name[hi - 1] == ',')) --hi;

  std::vector<Token>& tokens = buffers.tokens;
  tokens.clear();
  size_t commas[2] = {0, 0};
  size_t commaCount = 0;
  bool starting = true;
  char before = ' ';
  for (size_t i = lo; i < hi; ++i) {
    const char c = name[i];
    if (c == ',') {
      // A third comma separates words and nothing more.
      if (commaCount < 2) commas[commaCount++] = tokens.size();
      before = ',';
      starting = true;
      continue;
    }
    if (c == ' ' || c == '-') {
      if (!starting) before = c;
      starting = true;
      continue;
    }
    size_t last = i;
    if (c == '{') {
      // A brace group is part of its word, blanks and commas included.
      last = matchingBrace(name, i, hi);
      if (last == npos) last = hi - 1;
    } else {
      while (last + 1 < hi && !kEndsWordRun[static_cast<unsigned char>(name[last + 1])]) ++last;
    }
    if (starting) {
      tokens.push_back({i, last + 1, before});
    } else {
      tokens.back().end = last + 1;
    }
    starting = false;
    i = last;
  }

  const size_t count = tokens.size();
  auto span = [&](size_t from, size_t to) {
    if (from >= to) return std::string_view();
    return name.substr(tokens[from].start, tokens[to - 1].end - tokens[from].start);
  };
  NameForm form = NameForm::kComma;
  if (count == 0) {
    parts.family.clear();
    parts.given.clear();
  } else if (commaCount == 0) {
    // "First von Last": the family name begins with the first word of lower
    // case (never the last word), or else with the last word and the words
    // joined to it by hyphens.
    size_t familyStart = count - 1;
    for (size_t k = 0; k + 1 < count; ++k) {
      if (isVonWord(name.substr(tokens[k].start, tokens[k].end - tokens[k].start))) {
        familyStart = k;
        break;
      }
    }
    if (familyStart == count - 1)
      while (familyStart > 0 && tokens[familyStart].before == '-') --familyStart;
    parts.given.assign(span(0, familyStart));
    parts.family.assign(span(familyStart, count));
    form = NameForm::kNoComma;
  } else {
    // "von Last, First" and "von Last, Jr, First".
    parts.family.assign(span(0, commas[0]));
    if (commaCount == 2) {
      const std::string_view jr = span(commas[0], commas[1]);
      if (!jr.empty()) (parts.family += ", ") += jr;
    }
    parts.given.assign(span(commas[commaCount - 1], count));
  }
  makeInitials(parts.given, parts.initials);
  // "M. A. Kell": the initials of a given name before the family name are
  // tied to each other.
  if (form == NameForm::kNoComma && parts.given.find('.') != std::string::npos)
    for (char& c : parts.given)
      if (c == ' ') c = '~';
  return form;
}

bool isAnd(std::string_view word) {
  return word.size() == 3 && (word[0] | 0x20) == 'a' && (word[1] | 0x20) == 'n' &&
         (word[2] | 0x20) == 'd';
}

// True when the normal spelling of the parts plainly reads back as them,
// without splitting it again: a family name of one plain word, and a given
// name of plain words that none begins in lower case, that holds no blank
// when it holds a full stop (reading would tie it), and no tie otherwise.
bool plainlyReadsBack(const Parts& parts) {
  // Brace groups ({\"u}) may stand inside the words, but hold no separator.
  auto plainWord = [](std::string_view word) {
    size_t depth = 0;
    for (char c : word) {
      if (c == '{') {
        ++depth;
      } else if (c == '}') {
        if (depth-- == 0) return false;
      } else if (c == ' ' || c == '~' || c == '-' || c == ',' || c == '=' || c == '\t' ||
                 (c == '\\' && depth == 0)) {
        return false;
      }
    }
    return depth == 0;
  };
  const std::string_view family = parts.family;
  if (family.empty() || isAnd(family) || !plainWord(family)) return false;
  const std::string_view given = parts.given;
  if (given.empty()) return true;
  if (given.front() == '-' || given.back() == '-') return false;
  bool blank = false, tie = false, stop = false;
  size_t word = 0;
  for (size_t i = 0; i <= given.size(); ++i) {
    const char c = i < given.size() ? given[i] : ' ';
    blank |= c == ' ' && i < given.size();
    tie |= c == '~';
    stop |= c == '.';
    if (c == ' ' || c == '~' || c == '-') {
      const std::string_view w = given.substr(word, i - word);
      if (!plainWord(w) || isAnd(w) || isVonWord(w)) return false;
      word = i + 1;
    }
  }
  return stop ? !blank : !tie;
}

// True when `spelling`, written into the list, reads back as `parts`, read
// from `prepared`.
bool readsBackAs(const std::string& spelling, const Parts& parts, std::string_view prepared,
                 NameBuffers& buffers) {
  if (findNameSeparator(spelling, 0, true) != npos) return false;
  const std::string_view again = prepareName(spelling, buffers.check);
  if (again == prepared) return true;  // split just so
  readParts(again, buffers.again, buffers);
  return buffers.again.family == parts.family && buffers.again.given == parts.given &&
         buffers.again.initials == parts.initials;
}

// Splits the name `text` into its parts and appends the rewritten name to
// `out`.
void rewriteName(std::string_view text, std::string& out, Parts& parts, NameBuffers& buffers) {
  const std::string_view prepared = prepareName(text, buffers.prepared);
  const NameForm form = readParts(prepared, parts, buffers);

  if (form != NameForm::kKeyed) {
    // The normal spelling first: "Mira Kell", "M.~A.~Kell", "Otto van Dalen".
    std::string& spelling = buffers.candidate;
    if (parts.given.empty()) {
      spelling = parts.family;
    } else if (parts.given == parts.initials) {
      ((spelling = parts.initials) += '~') += parts.family;
    } else {
      ((spelling = parts.given) += ' ') += parts.family;
    }
    // Most names are written as they were read: those the list already held
    // where they stand.
    if ((prepared.data() != buffers.prepared.data() && spelling == prepared) ||
        plainlyReadsBack(parts) || readsBackAs(spelling, parts, prepared, buffers)) {
      out += spelling;
      return;
    }
    // Then the comma form: "Akers, Jr., Sheldon B.", "De Angeli, F.".
    if (!parts.given.empty()) {
      ((spelling = parts.family) += ", ") += parts.given;
      if (readsBackAs(spelling, parts, prepared, buffers)) {
        out += spelling;
        return;
      }
    }
  }
  // A name that neither spelling gives back (and a keyed name) is written as
  // it was read, with its blanks trimmed.
  buffers.scratch.assign(text);
  out += trimWhitespace(buffers.scratch);
}

}  // namespace

// True when the word belongs to the von part: its first letter is lower
// case, as BibTeX decides it.  A braced special character ({\"o}, {\ss})
// counts by its letter; any other brace group ({de la}, {M}) is passed over
// like the digits and apostrophes, so a word that is only such a group counts
// as upper case.  A letter beyond ASCII counts as upper case: nearly all
// names that begin with one (Émile, Øie) are given or family names.
bool isVonWord(std::string_view word) {
  for (size_t p = 0; p < word.size(); ++p) {
    const char c = word[p];
    if (isUpper(c) || static_cast<unsigned char>(c) >= 0x80) return false;
    if (isLower(c)) return true;
    if (c != '{') continue;
    if (p + 3 >= word.size() || word[p + 1] != '\\') {
      const size_t close = matchingBrace(word, p, word.size());
      if (close == npos) return false;
      p = close;
      continue;
    }
    // A special character: the command's own letters name a few foreign
    // letters (\o, \AE, \ss); otherwise the first letter after the command
    // in the group decides.
    size_t q = p + 2;
    size_t nameEnd = q;
    while (nameEnd < word.size() && isLetter(word[nameEnd])) ++nameEnd;
    const std::string_view command = word.substr(q, nameEnd - q);
    for (std::string_view lower : {"i", "j", "oe", "ae", "aa", "o", "l", "ss"})
      if (command == lower) return true;
    for (std::string_view upper : {"OE", "AE", "AA", "O", "L"})
      if (command == upper) return false;
    size_t depth = 1;
    for (q = nameEnd; q < word.size() && depth > 0; ++q) {
      if (isUpper(word[q])) return false;
      if (isLower(word[q])) return true;
      if (word[q] == '{') ++depth;
      if (word[q] == '}') --depth;
    }
    return false;
  }
  return false;
}

size_t findNameSeparator(std::string_view list, size_t from, bool edgesAreWhite) {
  size_t depth = 0;
  const size_t size = list.size();
  for (size_t i = from; i < size; ++i) {
    const size_t at = findAnyOf4(list.substr(i), 'a', 'A', '{', '}');
    if (at == npos) break;
    i += at;
    const char c = list[i];
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (depth > 0) --depth;
    } else if (depth == 0 && (c == 'a' || c == 'A') && i + 2 < size &&
               (list[i + 1] | 0x20) == 'n' && (list[i + 2] | 0x20) == 'd' &&
               (i == 0 ? edgesAreWhite : isWhite(list[i - 1])) &&
               (i + 3 == size ? edgesAreWhite : isWhite(list[i + 3]))) {
      return i;
    }
  }
  return npos;
}

namespace {

// The bytes at which the rest of a word stops being skipped for initials.
constexpr std::array<bool, 256> kEndsInitialsRun = [] {
  std::array<bool, 256> ends{};
  for (unsigned char c : {' ', '~', '{', '}'}) ends[c] = true;
  return ends;
}();

}  // namespace

void makeInitials(std::string& givenName, std::string& initials) {
  initials.clear();
  if (givenName.empty()) return;

  bool wordStart = true;
  bool firstInitial = true;
  size_t depth = 0;
  for (size_t i = 0; i < givenName.size(); ++i) {
    const char c = givenName[i];
    if (depth == 0 && separatesWords(givenName, i)) {
      wordStart = true;
      continue;
    }
    if (wordStart) {
      wordStart = false;
      if (!firstInitial) initials.push_back('~');
      firstInitial = false;
      if (c == '{') {
        // A word that begins with a brace group ({\"O}rjan) has the whole
        // group as its initial; a group that never closes gives none.
        const size_t close = matchingBrace(givenName, i, givenName.size());
        if (close == npos) {
          depth = 1;
        } else {
          initials.append(givenName, i, close + 1 - i);
          i = close;
        }
        initials.push_back('.');
        continue;
      }
      const size_t length = utf8SequenceLength(static_cast<unsigned char>(c));
      if (length != 0 && i + length <= givenName.size()) initials.append(givenName, i, length);
      initials.push_back('.');
      // The rest of the word up to a separator or a brace adds nothing.
      while (i + 1 < givenName.size() &&
             !kEndsInitialsRun[static_cast<unsigned char>(givenName[i + 1])])
        ++i;
      continue;
    }
    if (c == '{') ++depth;
    if (c == '}' && depth > 0) --depth;
  }

  // "M. Anna" is tied into "M.~Anna", so that the initial stays with the word.
  for (size_t i = givenName.find(". "); i != std::string::npos; i = givenName.find(". ", i + 2))
    givenName[i + 1] = '~';
}

void splitAuthorName(std::string& name, std::string& givenName, std::string& initials,
                     std::string& familyName) {
  std::string rewritten;
  NameBuffers buffers;
  Parts parts;
  rewriteName(name, rewritten, parts, buffers);
  name = std::move(rewritten);
  familyName = std::move(parts.family);
  givenName = std::move(parts.given);
  initials = std::move(parts.initials);
}

void splitAuthorList(Node&, Item& nameItem, Diagnostics) {
  nameItem.authorParts.clear();
  std::string list = std::move(nameItem.value);
  nameItem.value.clear();
  // A list wrapped over several lines ("Gan, Yifan and" at the end of one,
  // "Ren, Xueyuan" on the next) is written back on one line.
  if (findAnyOf4(list, '\n', '\r', '\n', '\r') != npos)
    for (char& c : list)
      if (c == '\n' || c == '\r') c = ' ';
  // A rewritten list is about as long as the original, and its parts take
  // about as many bytes.
  nameItem.value.reserve(list.size());
  nameItem.authorParts.reserve(3 * (list.size() / 16 + 1), list.size());

  // The names are read from the list in place, so long lists take time in
  // proportion to their length.
  Parts parts;
  NameBuffers buffers;
  size_t from = 0;
  while (true) {
    const size_t separator = findNameSeparator(list, from);
    if (from != 0) nameItem.value += kNameSeparator;
    const size_t end = separator == npos ? list.size() : separator;
    rewriteName(std::string_view(list).substr(from, end - from), nameItem.value, parts, buffers);
    nameItem.authorParts.push_back(parts.family);
    nameItem.authorParts.push_back(parts.given);
    nameItem.authorParts.push_back(parts.initials);
    if (separator == npos) break;
    from = separator + 3;
  }
}

}  // namespace pubforge
