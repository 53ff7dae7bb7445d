// A small, strict JSON parser for the tests and the fuzz targets: it checks
// that a text is one JSON value as the standard defines it (UTF-8 only, no
// trailing commas, no bytes after the value) and builds a tree to look into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pubforge::json {

struct Value {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  std::string text;  // a string's decoded bytes, or a number as written
  std::vector<Value> elements;
  // An object's members in the order written, names and values side by
  // side; a name that comes twice is an error.
  std::vector<std::string> names;
  std::vector<Value> values;

  // The member with `name`, or null.
  const Value* find(std::string_view name) const {
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return &values[i];
    return nullptr;
  }
};

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  // True when the text is one JSON value, with white space around it at most.
  // On failure `error()` says what and where.
  bool parse(Value& out) {
    skipSpace();
    if (!value(out, 0)) return false;
    skipSpace();
    if (at_ != text_.size()) return fail("bytes after the value");
    return true;
  }
  const std::string& error() const { return error_; }

 private:
  static constexpr int kMaxDepth = 256;

  bool fail(const char* what) {
    if (error_.empty()) error_ = std::string(what) + " at byte " + std::to_string(at_);
    return false;
  }
  bool more() const { return at_ < text_.size(); }
  char peek() const { return more() ? text_[at_] : '\0'; }
  void skipSpace() {
    while (more() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) ++at_;
  }
  bool literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return fail("an unknown word");
    at_ += word.size();
    return true;
  }

  bool value(Value& out, int depth) {
    if (depth > kMaxDepth) return fail("nesting too deep");
    switch (peek()) {
      case '{': return object(out, depth);
      case '[': return array(out, depth);
      case '"': out.kind = Value::Kind::kString; return string(out.text);
      case 't': out.kind = Value::Kind::kBool; out.boolean = true; return literal("true");
      case 'f': out.kind = Value::Kind::kBool; return literal("false");
      case 'n': out.kind = Value::Kind::kNull; return literal("null");
      default: return number(out);
    }
  }

  bool object(Value& out, int depth) {
    out.kind = Value::Kind::kObject;
    ++at_;
    skipSpace();
    if (peek() == '}') {
      ++at_;
      return true;
    }
    for (;;) {
      skipSpace();
      if (peek() != '"') return fail("a member without a quoted name");
      std::string name;
      if (!string(name)) return false;
      if (out.find(name)) return fail("a member name that comes twice");
      skipSpace();
      if (peek() != ':') return fail("a member without ':'");
      ++at_;
      skipSpace();
      Value member;
      if (!value(member, depth + 1)) return false;
      out.names.push_back(std::move(name));
      out.values.push_back(std::move(member));
      skipSpace();
      if (peek() == ',') {
        ++at_;
        continue;
      }
      if (peek() == '}') {
        ++at_;
        return true;
      }
      return fail("an object that does not go on with ',' or '}'");
    }
  }

  bool array(Value& out, int depth) {
    out.kind = Value::Kind::kArray;
    ++at_;
    skipSpace();
    if (peek() == ']') {
      ++at_;
      return true;
    }
    for (;;) {
      skipSpace();
      Value element;
      if (!value(element, depth + 1)) return false;
      out.elements.push_back(std::move(element));
      skipSpace();
      if (peek() == ',') {
        ++at_;
        continue;
      }
      if (peek() == ']') {
        ++at_;
        return true;
      }
      return fail("an array that does not go on with ',' or ']'");
    }
  }

  bool number(Value& out) {
    out.kind = Value::Kind::kNumber;
    const size_t start = at_;
    if (peek() == '-') ++at_;
    auto digits = [&] {
      const size_t first = at_;
      while (more() && peek() >= '0' && peek() <= '9') ++at_;
      return at_ - first;
    };
    if (peek() == '0') {
      ++at_;
    } else if (digits() == 0) {
      return fail("no value");
    }
    if (peek() == '.') {
      ++at_;
      if (digits() == 0) return fail("a fraction without digits");
    }
    if (peek() == 'e' || peek() == 'E') {
      ++at_;
      if (peek() == '+' || peek() == '-') ++at_;
      if (digits() == 0) return fail("an exponent without digits");
    }
    out.text.assign(text_.substr(start, at_ - start));
    return true;
  }

  static void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }

  bool hex4(uint32_t& value) {
    if (text_.size() - at_ < 4) return fail("a cut \\u escape");
    value = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text_[at_++];
      value <<= 4;
      if (c >= '0' && c <= '9') value |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') value |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') value |= static_cast<uint32_t>(c - 'A' + 10);
      else return fail("a \\u escape with a byte that is no hexadecimal digit");
    }
    return true;
  }

  // One well-formed UTF-8 character, copied to `out`.
  bool utf8(std::string& out) {
    const auto lead = static_cast<unsigned char>(text_[at_]);
    size_t length;
    uint32_t c, minimum;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, minimum = 0x80, c = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, minimum = 0x800, c = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, minimum = 0x10000, c = lead & 0x07;
    else return fail("a byte that begins no UTF-8 character");
    if (text_.size() - at_ < length) return fail("a cut UTF-8 character");
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text_[at_ + k]);
      if ((next & 0xC0) != 0x80) return fail("a broken UTF-8 character");
      c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
      return fail("an overlong, surrogate or too large UTF-8 character");
    out.append(text_.substr(at_, length));
    at_ += length;
    return true;
  }

  bool string(std::string& out) {
    ++at_;  // the opening quote
    for (;;) {
      if (!more()) return fail("a string without its closing quote");
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c < 0x20) return fail("a control byte in a string");
      if (c >= 0x80) {
        if (!utf8(out)) return false;
        continue;
      }
      ++at_;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (!more()) return fail("a string that ends in a backslash");
      const char e = text_[at_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t code = 0;
          if (!hex4(code)) return false;
          if (code >= 0xD800 && code <= 0xDBFF) {
            uint32_t low = 0;
            if (text_.substr(at_, 2) != "\\u") return fail("a high surrogate alone");
            at_ += 2;
            if (!hex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return fail("a high surrogate alone");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return fail("a low surrogate alone");
          }
          appendUtf8(out, code);
          break;
        }
        default: return fail("an unknown escape");
      }
    }
  }

  std::string_view text_;
  size_t at_ = 0;
  std::string error_;
};

// Parses `text`; false, with `error` set, when it is no JSON value.
inline bool parse(std::string_view text, Value& out, std::string* error = nullptr) {
  Parser parser(text);
  if (parser.parse(out)) return true;
  if (error) *error = parser.error();
  return false;
}

}  // namespace pubforge::json
