// Author lists are cut into names at " and "; each name is split into family
// name, given name and initials, and written back in one normal spelling.
#include "checks/authors.h"

#include <string_view>
#include <utility>

#include "checks/checks.h"
#include "text/byte_scan.h"
#include "text/strings.h"
#include "text/utf8.h"

namespace pubforge {

namespace {

constexpr std::string_view kNameSeparator = " and ";

// A "~" ties words together, except right after a backslash, where it is the
// tilde accent of a letter ({\~n}).
bool isTie(std::string_view text, size_t i) {
  return text[i] == '~' && (i == 0 || text[i - 1] != '\\');
}

bool separatesWords(std::string_view text, size_t i) { return text[i] == ' ' || isTie(text, i); }

void replaceChar(std::string& text, char from, char to) {
  for (char& c : text)
    if (c == from) c = to;
}

bool hasTie(std::string_view text) {
  for (size_t i = text.find('~'); i != std::string_view::npos; i = text.find('~', i + 1))
    if (isTie(text, i)) return true;
  return false;
}

void untie(std::string& text) {
  for (size_t i = 0; i < text.size(); ++i)
    if (isTie(text, i)) text[i] = ' ';
}

// True when the name, put into a list, would make the list be cut there:
// it holds " and ", or ends in " and" before the next separator.
bool addsNameSeparator(std::string_view name) {
  return name.find(kNameSeparator) != std::string_view::npos ||
         name.ends_with(kNameSeparator.substr(0, kNameSeparator.size() - 1));
}

// The comma that separates "family, given": the first one outside braces.  A
// comma inside braces ("Kell{,} Mira") belongs to the name.  Once a closing
// brace has no opening one before it, no later comma separates: taking the
// name apart there would move that brace in front of its opening one.
size_t separatingComma(std::string_view name) {
  long depth = 0;
  for (size_t i = 0;; ++i) {
    const size_t at = findAnyOf4(name.substr(i), ',', '{', '}', ',');
    if (at == std::string_view::npos) return std::string_view::npos;
    i += at;
    switch (name[i]) {
      case '{':
        ++depth;
        break;
      case '}':
        if (--depth < 0) return std::string_view::npos;
        break;
      default:  // a comma
        if (depth == 0) return i;
        break;
    }
  }
}

// The plain form "given family" reads back as the same name only when the
// family name is one word and the given name holds no separating comma and
// does not begin with a brace; otherwise the name keeps the form
// "family, given".
bool needsCommaForm(const std::string& givenName, const std::string& familyName) {
  return separatingComma(givenName) != std::string_view::npos || givenName[0] == '{' ||
         familyName.find(' ') != std::string::npos;
}

}  // namespace

void makeInitials(std::string& givenName, std::string& initials) {
  initials.clear();
  if (givenName.empty()) return;

  bool wordStart = true;
  bool firstInitial = true;
  for (size_t i = 0; i < givenName.size(); ++i) {
    char c = givenName[i];
    if (separatesWords(givenName, i)) {
      wordStart = true;
      continue;
    }
    if (!wordStart) continue;
    wordStart = false;
    if (!firstInitial) initials.push_back('~');
    firstInitial = false;
    size_t length = utf8SequenceLength(static_cast<unsigned char>(c));
    if (length != 0 && i + length <= givenName.size()) initials.append(givenName, i, length);
    initials.push_back('.');
  }

  // "M. Anna" is tied into "M.~Anna", so that the initial stays with the word.
  for (size_t i = givenName.find(". "); i != std::string::npos; i = givenName.find(". ", i + 2))
    givenName[i + 1] = '~';
}

namespace {

// Reused buffers for the names of one list.
struct NameBuffers {
  std::string trimmed;
  std::string untied;
};

// Splits the name `text` into its parts and appends the rewritten name to
// `out`.
void rewriteName(std::string_view text, std::string& out, std::string& givenName,
                 std::string& initials, std::string& familyName, NameBuffers& buffers) {
  const std::string_view asRead = text;
  // Most names need no shrinking of blanks: then trimming the ends is enough.
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (findBlankPair(text) != std::string_view::npos) {
    buffers.trimmed.assign(text);
    trimWhitespace(buffers.trimmed);
    text = buffers.trimmed;
  }
  // The parts are taken from the name with its ties turned into blanks; the
  // name as written stays in `text` until it is rewritten.
  std::string_view work = text;
  if (hasTie(text)) {
    buffers.untied.assign(text);
    untie(buffers.untied);
    work = buffers.untied;
  }
  givenName.clear();
  initials.clear();

  if (!work.empty() && work[0] == '{') {
    // A braced name (a group or an institution) is never split.
    familyName.assign(work);
  } else if (size_t comma = separatingComma(work); comma != std::string_view::npos) {
    familyName.assign(work.substr(0, comma));
    givenName.assign(work.substr(comma + 1));
    trimWhitespace(givenName);
    makeInitials(givenName, initials);
  } else {
    size_t lastSpace = work.rfind(' ');
    if (lastSpace == std::string_view::npos) {
      familyName.assign(work);
    } else {
      familyName.assign(work.substr(lastSpace + 1));
      givenName.assign(work.substr(0, lastSpace));
      // Blanks that ties left at the ends go before the initials and ties
      // are made: tied, they would stay at the end of the name for good.
      trimWhitespace(givenName);
      makeInitials(givenName, initials);
      if (givenName.find('.') != std::string::npos) replaceChar(givenName, ' ', '~');
    }
  }

  trimWhitespace(givenName);
  trimWhitespace(familyName);

  const size_t start = out.size();
  if (givenName.empty()) {
    out += familyName;
  } else if (needsCommaForm(givenName, familyName)) {
    // Written as "Kell, Jr., Mira" or "van Dalen, Otto": in the form
    // "Jr., Mira Kell" or "Otto van Dalen" the name would be read back with
    // another family name.
    out += familyName;
    out += ", ";
    out += givenName;
  } else if (givenName == initials) {
    out += initials;
    out += '~';
    out += familyName;
  } else {
    out += givenName;
    out += ' ';
    out += familyName;
  }
  // A rewritten name that the list would cut in two (ties that became blanks
  // around an "and", or a given name "and ..." behind a comma) stays exactly
  // as it was read: the list was not cut there, and shrinking its blanks
  // could make it so.
  if (addsNameSeparator(std::string_view(out).substr(start))) {
    out.resize(start);
    out += asRead;
  }
}

}  // namespace

void splitAuthorName(std::string& name, std::string& givenName, std::string& initials,
                     std::string& familyName) {
  std::string rewritten;
  NameBuffers buffers;
  rewriteName(name, rewritten, givenName, initials, familyName, buffers);
  name = std::move(rewritten);
}

void splitAuthorList(Node&, Item& authorItem, Diagnostics) {
  authorItem.authorParts.clear();
  std::string list = std::move(authorItem.value);
  authorItem.value.clear();
  // A list wrapped over several lines ("Gan, Yifan and" at the end of one,
  // "Ren, Xueyuan" on the next) is cut at its "and" all the same: each line
  // break reads as a blank.
  for (char& c : list)
    if (c == '\n' || c == '\r') c = ' ';
  // A rewritten list is about as long as the original.
  authorItem.value.reserve(list.size());

  // The names are taken from the list in place; only each name is copied, so
  // long lists take time in proportion to their length.
  std::string_view rest = list;
  size_t names = 1;
  for (size_t at = rest.find(kNameSeparator); at != std::string_view::npos;
       at = rest.find(kNameSeparator, at + kNameSeparator.size()))
    ++names;
  // The parts take about as many bytes as the names.
  authorItem.authorParts.reserve(3 * names, list.size());
  std::string givenName, initials, familyName;
  NameBuffers buffers;
  bool firstName = true;
  while (true) {
    size_t separator = rest.find(kNameSeparator);
    if (!firstName) authorItem.value += kNameSeparator;
    firstName = false;
    rewriteName(rest.substr(0, separator), authorItem.value, givenName, initials, familyName,
                buffers);
    authorItem.authorParts.push_back(familyName);
    authorItem.authorParts.push_back(givenName);
    authorItem.authorParts.push_back(initials);
    if (separator == std::string_view::npos) break;
    rest.remove_prefix(separator + kNameSeparator.size());
  }
}

}  // namespace pubforge
