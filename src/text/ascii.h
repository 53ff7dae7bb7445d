// ASCII letter case: the only case folding the program does.  Bytes outside
// "A" to "Z" (UTF-8 among them) stay as they are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pubforge {

constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// True when the texts differ at most in the case of ASCII letters.
constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

// Lower-cases the ASCII letters of `text` in place.
inline std::string& lowerAscii(std::string& text) {
  for (char& c : text) c = asciiLower(c);
  return text;
}

// A copy of `text` with its ASCII letters lower-cased.
inline std::string asciiLowerCopy(std::string_view text) {
  std::string copy(text);
  return lowerAscii(copy);
}

}  // namespace pubforge
