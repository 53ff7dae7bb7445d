#include "reader/value_syntax.h"

#include <cstring>

#include "text/byte_scan.h"
#include "text/strings.h"

namespace pubforge {

namespace {

constexpr size_t npos = std::string_view::npos;

bool hasSpecialBytes(std::string_view text) {
  return findAnyOf4(text, '"', '\\', '{', '}') != npos;
}

// True when `pieces` read as one quoted value run to their end.
bool quotedReadsWhole(std::initializer_list<std::string_view> pieces) {
  QuotedValueScan scan;
  for (std::string_view piece : pieces)
    if (scan.feed(piece) != npos) return false;
  return !scan.endsInBackslash();
}

}  // namespace

size_t QuotedValueScan::feed(std::string_view piece) {
  size_t i = 0;
  if (backslash_ && !piece.empty()) {
    backslash_ = false;
    if (piece[0] == '"') i = 1;
  }
  // Jumps from one byte that matters to the next.
  while (i < piece.size()) {
    const size_t at = findAnyOf4(piece.substr(i), '\\', '{', '}', '"');
    if (at == npos) return npos;
    i += at;
    const char c = piece[i++];
    if (c == '\\') {
      if (i == piece.size()) {
        backslash_ = true;
        return npos;
      }
      if (piece[i] == '"') ++i;
    } else if (c == '{') {
      ++depth_;
    } else if (c == '}') {
      --depth_;
    } else if (depth_ <= 0) {
      return i - 1;
    }
  }
  return npos;
}

size_t BracedValueScan::feed(std::string_view piece) {
  const char* data = piece.data();
  const size_t n = piece.size();
  size_t i = 0;
  // Jumps from brace to brace.
  while (i < n) {
    const void* close = std::memchr(data + i, '}', n - i);
    const size_t closeAt = close ? static_cast<const char*>(close) - data : n;
    while (const void* open = std::memchr(data + i, '{', closeAt - i)) {
      ++depth_;
      i = static_cast<const char*>(open) - data + 1;
    }
    if (closeAt == n) return npos;
    if (--depth_ <= 0) return closeAt;
    i = closeAt + 1;
  }
  return npos;
}

bool bracesBalance(std::string_view text) {
  long depth = 0;
  for (size_t i = 0;; ++i) {
    const size_t at = findAnyOf4(text.substr(i), '{', '}', '{', '}');
    if (at == npos) break;
    i += at;
    if (text[i] == '{') {
      ++depth;
    } else if (--depth < 0) {
      return false;
    }
  }
  return depth == 0;
}

// The preferred form is tried first, then the others:
// - "text": not when a quote in the text ends the value early, nor when the
//   reader would take the text's own enclosing braces off (*{{OCReP}}* is
//   stored as *{OCReP}*, which must not lose its braces);
// - "{text}": only where the reader removes the pair again, that is when it
//   encloses the whole text (a title such as *a} b* keeps it, and would gain
//   a pair at every write);
// - {text}: when the text's braces balance, as the reader's scan of a braced
//   value needs.
ValueLayout layoutValue(std::string_view text, ValueForm preferred, bool readerStripsBraces) {
  constexpr ValueLayout kQuoted{"\"", "\""};
  constexpr ValueLayout kQuotedInPair{"\"{", "}\""};
  constexpr ValueLayout kBraced{"{", "}"};
  if (!hasSpecialBytes(text))
    return preferred == ValueForm::kQuotedInPair && readerStripsBraces ? kQuotedInPair : kQuoted;

  // Most values with special bytes hold only braces ({RFC}, {B}ayesian):
  // one pass over them answers every question below, since no quote can
  // end them early and no backslash can hide a delimiter.
  {
    long depth = 0;
    long lowest = 0;
    size_t firstClose = npos;  // where the depth first comes back to 0
    bool onlyBraces = true;
    for (size_t i = 0;; ++i) {
      const size_t at = findAnyOf4(text.substr(i), '"', '\\', '{', '}');
      if (at == npos) break;
      i += at;
      if (text[i] == '{') {
        ++depth;
      } else if (text[i] == '}') {
        if (--depth == 0 && firstClose == npos) firstClose = i;
        if (depth < lowest) lowest = depth;
      } else {
        onlyBraces = false;
        break;
      }
    }
    if (onlyBraces && preferred != ValueForm::kBraced) {
      const bool balanced = depth == 0 && lowest == 0;
      const bool enclosesWhole = text.size() >= 2 && text.front() == '{' && lowest == 0 &&
                                 firstClose == text.size() - 1;
      const bool inPairWorks = readerStripsBraces && balanced;
      const bool ownPairKept = !readerStripsBraces || !enclosesWhole;
      if (preferred == ValueForm::kQuotedInPair && inPairWorks) return kQuotedInPair;
      if (ownPairKept) return kQuoted;
      if (inPairWorks) return kQuotedInPair;
      return {kQuotedInPair.open, kQuotedInPair.close, false, false};
    }
  }

  const BraceScan pair = scanAfterOpenBrace(text);
  const bool pairBlank = pair.pendingBackslash;
  const bool pairComesOff = readerStripsBraces && pair.closeAt == npos && pair.depth == 1;
  auto quotedInPairWorks = [&] {
    return pairComesOff && quotedReadsWhole({"{", text, pairBlank ? " " : "", "}"});
  };
  QuotedValueScan quoted;
  const bool quotedEndsEarly = quoted.feed(text) != npos;
  const bool quotedBlank = !quotedEndsEarly && quoted.endsInBackslash();
  const bool ownPairKept = !readerStripsBraces || !bracesEncloseWhole(text);
  auto quotedWorks = [&] { return !quotedEndsEarly && ownPairKept; };
  auto bracedWorks = [&] { return ownPairKept && bracesBalance(text); };

  ValueForm form = preferred;
  if (preferred == ValueForm::kQuotedInPair && !quotedInPairWorks()) form = ValueForm::kQuoted;
  if (form == ValueForm::kQuoted && !quotedWorks()) {
    if (quotedInPairWorks())
      form = ValueForm::kQuotedInPair;
    else if (bracedWorks())
      form = ValueForm::kBraced;
    else
      return {kQuotedInPair.open, kQuotedInPair.close, pairBlank, false};
  }
  switch (form) {
    case ValueForm::kQuoted:
      return {kQuoted.open, kQuoted.close, quotedBlank};
    case ValueForm::kQuotedInPair:
      return {kQuotedInPair.open, kQuotedInPair.close, pairBlank};
    case ValueForm::kBraced:
      break;
  }
  return kBraced;
}

bool appendAsConcatenation(std::string& out, std::string_view text, bool readerStripsBraces) {
  // A pair that the reader would take off the whole value is written around
  // it once more.
  std::string wrapped;
  if (readerStripsBraces && bracesEncloseWhole(text)) {
    wrapped.reserve(text.size() + 2);
    wrapped += '{';
    wrapped += text;
    wrapped += '}';
    text = wrapped;
  }
  std::string parts;
  auto addPart = [&parts](std::string_view open, std::string_view part, std::string_view close) {
    if (!parts.empty()) parts += " # ";
    parts += open;
    parts += part;
    parts += close;
  };
  size_t start = 0;
  long depth = 0;  // in the quoted part being gathered
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == '"') {
      ++i;  // stays in a quoted part
    } else if (c == '{') {
      ++depth;
    } else if (c == '}') {
      --depth;
    } else if (c == '"' && depth <= 0) {
      // It would end the quoted part: the part ends before it, and the quote
      // goes in braces.
      if (i > start) addPart("\"", text.substr(start, i - start), "\"");
      addPart("{", "\"", "}");
      start = i + 1;
      depth = 0;
    }
  }
  std::string_view last = text.substr(start);
  if (!last.empty() && bracesBalance(last)) {
    addPart("{", last, "}");
  } else if (!last.empty()) {
    if (depth > 0) return false;
    // Backslashes at the end would hide the closing quote: they go in braces.
    size_t backslashes = 0;
    while (backslashes < last.size() && last[last.size() - 1 - backslashes] == '\\')
      ++backslashes;
    last.remove_suffix(backslashes);
    if (!last.empty()) addPart("\"", last, "\"");
    if (backslashes > 0) addPart("{", text.substr(text.size() - backslashes), "}");
  }
  if (parts.empty()) return false;
  out += parts;
  return true;
}

}  // namespace pubforge
