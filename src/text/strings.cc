#include "text/strings.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "text/byte_scan.h"

namespace pubforge {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The white space that scanf skips before a number.
bool isScanfSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the two bytes after "\x" the way scanf's "%02x" reads a field of
// exactly these two bytes: leading white space is skipped, a sign may come
// first, and at least one hexadecimal digit must follow.  A negative number
// yields the low byte of its two's complement, as the unsigned conversion
// does.  False when no number is there.
bool readHexEscape(char first, char second, char& byte) {
  const char field[2] = {first, second};
  std::size_t i = isScanfSpace(field[0]) ? 1 : 0;
  bool negative = false;
  if (i < 2 && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  unsigned value = 0;
  std::size_t digits = 0;
  for (; i < 2 && hexDigitValue(field[i]) >= 0; ++i, ++digits) {
    value = value * 16 + static_cast<unsigned>(hexDigitValue(field[i]));
  }
  if (digits == 0) return false;
  if (negative) value = 0u - value;
  byte = static_cast<char>(value & 0xFFu);
  return true;
}

// The parts of nextWord after an opening quote has been dealt with: a comment
// or a word that ends at the first unescaped separator byte.
std::string splitPlainWord(std::string& text, std::string_view separators) {
  if (!text.empty() && text[0] == '#') {
    text.clear();
    return {};
  }
  std::size_t end = 0;
  for (; end < text.size(); ++end) {
    if (text[end] == '\\') {
      ++end;  // the escaped byte belongs to the word whatever it is
      continue;
    }
    if (separators.find(text[end]) != std::string_view::npos) break;
  }
  if (end >= text.size()) {
    std::string word = std::move(text);
    text.clear();
    return word;
  }
  std::string word = text.substr(0, end);
  text.erase(0, end + 1);  // the separator byte goes with the word
  return word;
}

}  // namespace

std::string unescapeBackslashes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const std::size_t size = text.size();
  std::size_t pos = 0;
  while (pos < size) {
    const std::size_t slash = text.find('\\', pos);
    if (slash == std::string_view::npos) {
      out.append(text.substr(pos));
      break;
    }
    out.append(text.substr(pos, slash - pos));
    if (slash + 1 == size) {  // a trailing backslash stays
      out.push_back('\\');
      break;
    }
    const char c = text[slash + 1];
    pos = slash + 2;  // a resolved pair never starts a new one
    switch (c) {
      case '\\':
      case '{':
      case '}':
      case ' ':
      case '"':
      case '\'':
        out.push_back(c);
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'x': {
        // Without a number, "\x" is dropped and the bytes after it are
        // scanned as usual.
        char byte = 0;
        if (slash + 3 < size && readHexEscape(text[slash + 2], text[slash + 3], byte)) {
          out.push_back(byte);
          pos = slash + 4;
        }
        break;
      }
      default:
        out.push_back('\\');
        out.push_back(c);
        break;
    }
  }
  return out;
}

void replaceAll(std::string& text, std::string_view pattern, std::string_view replacement) {
  const std::size_t length = pattern.size();
  if (length == 0 || text.size() < length) return;

  // A Knuth-Morris-Pratt search keeps the time linear whatever the pattern.
  // fallback[k] is the length of the longest proper border of pattern[0..k].
  std::vector<std::size_t> fallback(length, 0);
  for (std::size_t k = 1, border = 0; k < length; ++k) {
    while (border > 0 && pattern[k] != pattern[border]) border = fallback[border - 1];
    if (pattern[k] == pattern[border]) ++border;
    fallback[k] = border;
  }

  // The result is built apart from `text`, so pattern and replacement may
  // even be views into it.  Matches never overlap, and the replacement is not
  // searched again.
  std::string out;
  std::size_t copied = 0;
  std::size_t matched = 0;
  bool found = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (matched == 0) {
      i = text.find(pattern[0], i);
      if (i == std::string::npos) break;
    }
    while (matched > 0 && text[i] != pattern[matched]) matched = fallback[matched - 1];
    if (text[i] == pattern[matched]) ++matched;
    if (matched == length) {
      const std::size_t start = i + 1 - length;
      out.append(text, copied, start - copied);
      out.append(replacement);
      copied = i + 1;
      matched = 0;
      found = true;
    }
  }
  if (!found) return;
  out.append(text, copied, std::string::npos);
  text = std::move(out);
}

BraceScan scanAfterOpenBrace(std::string_view text) {
  constexpr size_t npos = std::string_view::npos;
  BraceScan scan;
  for (size_t i = 0;; ++i) {
    const size_t at = findAnyOf4(text.substr(i), '\\', '{', '}', '}');
    if (at == npos) break;
    i += at;
    const char c = text[i];
    if (c == '\\') {
      if (++i == text.size()) {
        scan.pendingBackslash = true;
        break;
      }
    } else if (c == '{') {
      ++scan.depth;
    } else if (--scan.depth == 0) {
      scan.closeAt = i;
      break;
    }
  }
  return scan;
}

bool bracesEncloseWhole(std::string_view text) {
  return text.size() >= 2 && text.front() == '{' &&
         scanAfterOpenBrace(text.substr(1)).closeAt == text.size() - 2;
}

std::string& stripBraces(std::string& text) {
  if (!bracesEncloseWhole(text)) return text;
  text.erase(text.size() - 1);
  text.erase(0, 1);
  return text;
}

std::string& trimWhitespace(std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  // Most values hold no two blanks in a row: then only the ends are cut.
  if (findBlankPair(std::string_view(text).substr(begin, end - begin)) == std::string_view::npos) {
    text.resize(end);
    text.erase(0, begin);
    return text;
  }
  // Compact in place, moving the text between runs of blanks in one piece;
  // of a run of blanks only the last one stays.
  char* data = text.data();
  std::size_t kept = 0;
  std::size_t i = begin;
  while (true) {
    const std::size_t pair = findBlankPair(std::string_view(data + i, end - i));
    const std::size_t stop = pair == std::string_view::npos ? end : i + pair;
    std::memmove(data + kept, data + i, stop - i);
    kept += stop - i;
    if (stop == end) break;
    i = stop + 1;
    while (isBlank(data[i + 1])) ++i;  // the ends are not blank, so the run ends before them
  }
  text.resize(kept);
  return text;
}

std::string nextWord(std::string& text, std::string_view separators) {
  if (!text.empty() && text[0] == '"') {
    if (text.size() >= 2 && text[1] == '"') {  // "" is an empty word
      text.erase(0, 2);
      return {};
    }
    // A quoted word ends at the next unescaped quote, which is consumed;
    // without one it takes the rest of the text.
    text.erase(0, 1);
    return splitPlainWord(text, "\"");
  }
  return splitPlainWord(text, separators);
}

std::string formatString(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::string out;
  if (length > 0) {
    out.resize(static_cast<std::size_t>(length));
    // Writes length bytes and the terminating NUL at out[length].
    std::vsnprintf(out.data(), out.size() + 1, format, args);
  }
  va_end(args);
  return out;
}

bool takePrefix(std::string_view text, std::string_view prefix, std::string& rest) {
  if (!text.starts_with(prefix)) return false;
  std::string tail(text.substr(prefix.size()));  // `text` may view `rest`
  rest = std::move(tail);
  return true;
}

}  // namespace pubforge
