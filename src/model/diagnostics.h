// The one sink for warnings, notes and errors.  Every message is built here
// as a whole line and handed to the stream in one write, so in-process runs
// capture each message exactly and messages of different parts never mix.
#pragma once

#include <charconv>
#include <concepts>
#include <ostream>
#include <string>
#include <string_view>

namespace pubforge {

// The one kind of fatal error: its message has been reported already, and
// the run ends with `status`.  Thrown where a run must stop at once (an
// error in a printing template); caught by the run's entry point.
struct FatalError {
  int status = 1;
};

// Ends a message with a bare line feed instead of "!\n", for the texts that
// close with another mark or none.
struct PlainEnd {};
inline constexpr PlainEnd kPlainEnd{};

class Diagnostics {
 public:
  // Implicit on purpose: a stream (std::cerr, an std::ostringstream in a
  // test) is a sink.  The sink is a handle and is passed by value.
  Diagnostics(std::ostream& err) : err_(&err) {}  // NOLINT(google-explicit-constructor)

  // The messages by kind: the kind's prefix, the pieces run together, then
  // "!\n" (a bare "\n" when the last piece is kPlainEnd).  Pieces are text,
  // single characters and integers (written in decimal).

  // "ERROR: ..."
  template <typename... Pieces>
  void error(const Pieces&... pieces) const {
    compose("ERROR: ", pieces...);
  }

  // "WARNING: ..."
  template <typename... Pieces>
  void warning(const Pieces&... pieces) const {
    compose("WARNING: ", pieces...);
  }

  // "NOTE: ..."
  template <typename... Pieces>
  void note(const Pieces&... pieces) const {
    compose("NOTE: ", pieces...);
  }

  // "WARNING: Entry KEY ...": a warning about the entry with that key.
  template <typename... Pieces>
  void entryWarning(std::string_view key, const Pieces&... pieces) const {
    compose("WARNING: Entry ", key, ' ', pieces...);
  }

  // Writes the pieces, run together, as one message of no kind: usage,
  // progress, the lines of the URL check.
  template <typename... Pieces>
  void report(const Pieces&... pieces) const {
    std::string message;
    (append(message, pieces), ...);
    write(message);
  }

  // Writes `message` exactly as it is.
  void write(std::string_view message) const {
    err_->write(message.data(), static_cast<std::streamsize>(message.size()));
  }

  void flush() const { err_->flush(); }

  // The stream behind the sink, for code that hands it to a library.
  std::ostream& stream() const { return *err_; }

 private:
  static void append(std::string& out, std::string_view text) { out += text; }
  static void append(std::string& out, const std::string& text) { out += text; }
  static void append(std::string& out, const char* text) { out += text; }
  static void append(std::string& out, char c) { out += c; }
  static void append(std::string&, PlainEnd) {}
  template <std::integral Number>
    requires(!std::same_as<Number, char> && !std::same_as<Number, bool>)
  static void append(std::string& out, Number n) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    out.append(digits, end);
  }

  template <typename... Pieces>
  void compose(std::string_view prefix, const Pieces&... pieces) const {
    std::string message(prefix);
    (append(message, pieces), ...);
    message += (std::same_as<Pieces, PlainEnd> || ...) ? "\n" : "!\n";
    write(message);
  }

  std::ostream* err_;
};

}  // namespace pubforge
