// Helpers of the text tests and the text fuzz target: showing a value with
// its control bytes visible, and escaping text for XML the plain way.
// Header only, so that any test or fuzz target can include it.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace pubforge::textcheck {

// A value with its control bytes shown as <HH>, for failure messages.
inline std::string visible(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

// Every character that XML reserves replaced by its reference.
inline std::string xmlEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace pubforge::textcheck
