#include "text/strings.h"

namespace pubforge {

std::string& stripBraces(std::string& text) {
  if (text.size() < 2 || text[0] != '{') return text;
  int depth = 1;
  size_t i = 1;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\') {
      ++i;
    } else if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (--depth == 0) break;
    }
  }
  if (depth != 0 || i != text.size() - 1) return text;
  text.erase(text.size() - 1);
  text.erase(0, 1);
  return text;
}

static bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string& trimWhitespace(std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  std::string out;
  out.reserve(end - begin);
  for (size_t i = begin; i < end; ++i) {
    // Of a run of blanks only the last one stays.
    if (isBlank(text[i]) && isBlank(text[i + 1])) continue;
    out.push_back(text[i]);
  }
  text = std::move(out);
  return text;
}

}  // namespace pubforge
