// Plain-text conversion in one left-to-right pass.  What each byte starts is
// read from a byte-class table, what each command means from the command
// table; accents wait for the next letter and are composed with it.
#include "text/plain_text.h"

#include <utf8proc.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "text/ascii.h"
#include "text/latex_commands.h"
#include "text/strings.h"
#include "text/utf8.h"

namespace pubforge {

namespace {

enum class ByteClass : std::uint8_t {
  Plain,      // copied (a letter that a waiting accent may take)
  Reserved,   // a character that XML text writes as a reference
  Backslash,  // begins a command
  Open,       // a brace: dropped, it only groups
  Close,
  Tilde,      // the no-break space
  LineFeed,
  Ligature,   // may begin a dash or quote ligature
  Dollar,     // may begin or end a math span
  Script,     // a superscript or subscript in math
  Count,
};

constexpr std::array<ByteClass, 256> buildByteClasses() {
  std::array<ByteClass, 256> classes{};
  for (ByteClass& c : classes) c = ByteClass::Plain;
  for (unsigned char c : {'<', '>', '&', '"'}) classes[c] = ByteClass::Reserved;
  for (unsigned char c : {'-', '`', '\''}) classes[c] = ByteClass::Ligature;
  classes['\\'] = ByteClass::Backslash;
  classes['{'] = ByteClass::Open;
  classes['}'] = ByteClass::Close;
  classes['~'] = ByteClass::Tilde;
  classes['\n'] = ByteClass::LineFeed;
  classes['$'] = ByteClass::Dollar;
  classes['^'] = ByteClass::Script;
  classes['_'] = ByteClass::Script;
  return classes;
}

constexpr std::array<ByteClass, 256> kByteClasses = buildByteClasses();

struct Ligature {
  std::string_view latex;
  std::string_view text;
};

// Longer forms first, so that "---" is not read as "--" and "-".
constexpr Ligature kLigatures[] = {
    {"---", "\u2014"},
    {"--", "\u2013"},
    {"``", "\u201C"},
    {"''", "\u201D"},
};

constexpr std::array<std::string_view, 256> buildXmlReferences() {
  std::array<std::string_view, 256> references{};
  references['<'] = "&lt;";
  references['>'] = "&gt;";
  references['&'] = "&amp;";
  references['"'] = "&quot;";
  references['\''] = "&apos;";
  return references;
}

constexpr std::array<std::string_view, 256> kXmlReferences = buildXmlReferences();

// Accents beyond this many on one letter are appended without composing, so
// that a long run of accents costs no more than linear time.
constexpr std::size_t kMaxComposedAccents = 4;

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// What an accent reaches over blanks: a letter or a group.
bool takesAccentAcrossBlanks(char c) {
  return isAsciiLetter(c) || static_cast<unsigned char>(c) >= 0xC0 || c == '{';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The Unicode superscript or subscript of a digit or of "+ - = ( )", or
// nothing.
std::string_view scriptCharacter(char c, bool superscript) {
  static constexpr std::string_view kSuperDigits[] = {"\u2070", "\u00B9", "\u00B2", "\u00B3",
                                                      "\u2074", "\u2075", "\u2076", "\u2077",
                                                      "\u2078", "\u2079"};
  static constexpr std::string_view kSubDigits[] = {"\u2080", "\u2081", "\u2082", "\u2083",
                                                    "\u2084", "\u2085", "\u2086", "\u2087",
                                                    "\u2088", "\u2089"};
  if (isDigit(c)) return (superscript ? kSuperDigits : kSubDigits)[c - '0'];
  switch (c) {
    case '+': return superscript ? "\u207A" : "\u208A";
    case '-': return superscript ? "\u207B" : "\u208B";
    case '=': return superscript ? "\u207C" : "\u208C";
    case '(': return superscript ? "\u207D" : "\u208D";
    case ')': return superscript ? "\u207E" : "\u208E";
    default: return {};
  }
}

// The end of a dimension ("-.1em", "0pt", "1fil") that begins at `pos`, or
// npos when none does.  `glue` admits the infinite units of a stretch.
std::size_t dimensionEnd(std::string_view text, std::size_t pos, bool glue) {
  while (pos < text.size() && (isBlank(text[pos]) || text[pos] == '+' || text[pos] == '-')) ++pos;
  const std::size_t digits = pos;
  while (pos < text.size() && (isDigit(text[pos]) || text[pos] == '.' || text[pos] == ',')) ++pos;
  while (pos < text.size() && isBlank(text[pos])) ++pos;
  // A register in place of the unit or of the whole dimension ("2\parindent",
  // "\parindent"), with the blanks after its name.
  if (pos + 1 < text.size() && text[pos] == '\\' && isAsciiLetter(text[pos + 1])) {
    ++pos;
    while (pos < text.size() && isAsciiLetter(text[pos])) ++pos;
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    return pos;
  }
  if (pos == digits) return std::string_view::npos;
  auto lower = [&](std::size_t i) { return asciiLower(text[i]); };
  if (pos + 4 <= text.size() && lower(pos) == 't' && lower(pos + 1) == 'r' &&
      lower(pos + 2) == 'u' && lower(pos + 3) == 'e')
    pos += 4;
  if (glue && pos + 3 <= text.size() && lower(pos) == 'f' && lower(pos + 1) == 'i' &&
      lower(pos + 2) == 'l') {
    pos += 3;
    while (pos < text.size() && lower(pos) == 'l') ++pos;
    if (pos < text.size() && isBlank(text[pos])) ++pos;
    return pos;
  }
  if (pos + 2 > text.size()) return std::string_view::npos;
  const char unit[] = {lower(pos), lower(pos + 1), '\0'};
  for (std::string_view known : {"em", "ex", "pt", "pc", "in", "cm", "mm", "bp", "dd", "cc", "sp",
                                 "mu", "px"}) {
    if (known != unit) continue;
    pos += 2;
    // One blank after the unit belongs to the dimension.
    if (pos < text.size() && isBlank(text[pos])) ++pos;
    return pos;
  }
  return std::string_view::npos;
}

// The end of a glue ("0pt plus 1fil minus 2pt") that begins at `pos`, or
// npos.
std::size_t glueEnd(std::string_view text, std::size_t pos) {
  pos = dimensionEnd(text, pos, false);
  if (pos == std::string_view::npos) return pos;
  for (std::string_view keyword : {"plus", "minus"}) {
    std::size_t at = pos;
    while (at < text.size() && isBlank(text[at])) ++at;
    if (!text.substr(at).starts_with(keyword)) continue;
    const std::size_t end = dimensionEnd(text, at + keyword.size(), true);
    if (end != std::string_view::npos) pos = end;
  }
  return pos;
}

// The length of the UTF-8 character that begins text; a byte that begins no
// well-formed character counts as one.
std::size_t characterLength(std::string_view text) {
  std::size_t length = std::max<std::size_t>(utf8SequenceLength(static_cast<unsigned char>(text[0])), 1);
  if (length > text.size()) length = text.size();
  for (std::size_t i = 1; i < length; ++i) {
    if (!isUtf8Continuation(static_cast<unsigned char>(text[i]))) return i;
  }
  return length;
}

std::size_t countCharacters(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += characterLength(text.substr(i))) ++count;
  return count;
}

// The letter followed by the marks, in Unicode's composed form.  Bytes that
// are not UTF-8 are kept as they are, uncomposed.
std::string compose(std::string_view letter, std::string_view marks) {
  std::string joined;
  joined.reserve(letter.size() + marks.size());
  joined.append(letter).append(marks);
  utf8proc_uint8_t* composed = nullptr;
  const utf8proc_ssize_t length =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(joined.data()),
                   static_cast<utf8proc_ssize_t>(joined.size()), &composed,
                   static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
  if (length < 0) return joined;
  std::string out(reinterpret_cast<const char*>(composed), static_cast<std::size_t>(length));
  std::free(composed);
  return out;
}

// The characters that an accent and an ASCII letter compose to, as Unicode
// composes them: each row is a mark and the pairs of letter and character
// that it has.  The common accents take this table instead of a call of
// the composing library.
struct ComposedRow {
  std::string_view mark;
  std::string_view pairs;
};

constexpr ComposedRow kComposedRows[] = {
    {"\u0301", "aácćeégǵiíkḱlĺmḿnńoópṕrŕsśuúwẃyýzźAÁCĆEÉGǴIÍKḰLĹMḾNŃOÓPṔRŔSŚUÚWẂYÝZŹ"},  // acute
    {"\u0300", "aàeèiìnǹoòuùwẁyỳAÀEÈIÌNǸOÒUÙWẀYỲ"},  // grave
    {"\u0302", "aâcĉeêgĝhĥiîjĵoôsŝuûwŵyŷzẑAÂCĈEÊGĜHĤIÎJĴOÔSŜUÛWŴYŶZẐ"},  // circumflex
    {"\u0308", "aäeëhḧiïoötẗuüwẅxẍyÿAÄEËHḦIÏOÖUÜWẄXẌYŸ"},  // diaeresis
    {"\u0303", "aãeẽiĩnñoõuũvṽyỹAÃEẼIĨNÑOÕUŨVṼYỸ"},  // tilde
    {"\u0304", "aāeēgḡiīoōuūyȳAĀEĒGḠIĪOŌUŪYȲ"},  // macron
    {"\u0307", "aȧbḃcċdḋeėfḟgġhḣmṁnṅoȯpṗrṙsṡtṫwẇxẋyẏzżAȦBḂCĊDḊEĖFḞGĠHḢIİMṀNṄOȮPṖRṘSṠTṪWẆXẊYẎZŻ"},  // dot above
    {"\u0306", "aăeĕgğiĭoŏuŭAĂEĔGĞIĬOŎUŬ"},  // breve
    {"\u030C", "aǎcčdďeěgǧhȟiǐjǰkǩlľnňoǒrřsštťuǔzžAǍCČDĎEĚGǦHȞIǏKǨLĽNŇOǑRŘSŠTŤUǓZŽ"},  // caron
    {"\u030B", "oőuűOŐUŰ"},  // double acute
    {"\u0327", "cçdḑeȩgģhḩkķlļnņrŗsştţCÇDḐEȨGĢHḨKĶLĻNŅRŖSŞTŢ"},  // cedilla
    {"\u0323", "aạbḅdḍeẹhḥiịkḳlḷmṃnṇoọrṛsṣtṭuụvṿwẉyỵzẓAẠBḄDḌEẸHḤIỊKḲLḶMṂNṆOỌRṚSṢTṬUỤVṾWẈYỴZẒ"},  // dot below
    {"\u0331", "bḇdḏhẖkḵlḻnṉrṟtṯzẕBḆDḎKḴLḺNṈRṞTṮZẔ"},  // macron below
    {"\u030A", "aåuůwẘyẙAÅUŮ"},  // ring above
    {"\u0328", "aąeęiįoǫuųAĄEĘIĮOǪUŲ"},  // ogonek
    {"\u0326", "sștțSȘTȚ"},  // comma below
};

constexpr int letterIndex(char c) {
  if (c >= 'a' && c <= 'z') return c - 'a';
  if (c >= 'A' && c <= 'Z') return 26 + (c - 'A');
  return -1;
}

using ComposedLetters = std::array<std::array<std::string_view, 52>, std::size(kComposedRows)>;

constexpr ComposedLetters buildComposedLetters() {
  ComposedLetters letters{};
  for (std::size_t row = 0; row < std::size(kComposedRows); ++row) {
    const std::string_view pairs = kComposedRows[row].pairs;
    for (std::size_t i = 0; i < pairs.size();) {
      const int letter = letterIndex(pairs[i++]);
      const auto lead = static_cast<unsigned char>(pairs[i]);
      const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
      letters[row][static_cast<std::size_t>(letter)] = pairs.substr(i, length);
      i += length;
    }
  }
  return letters;
}

constexpr ComposedLetters kComposedLetters = buildComposedLetters();

// The character of `letter` with `mark` from the table, or nothing.
std::string_view composedLetter(std::string_view letter, std::string_view mark) {
  if (letter.size() != 1) return {};
  const int index = letterIndex(letter[0]);
  if (index < 0) return {};
  for (std::size_t row = 0; row < std::size(kComposedRows); ++row) {
    if (kComposedRows[row].mark == mark) return kComposedLetters[row][static_cast<std::size_t>(index)];
  }
  return {};
}

// The index of the closing "}" of the group that opens at text[open], or
// text.size() when it never closes.  A backslash hides the byte after it.
std::size_t groupEnd(std::string_view text, std::size_t open) {
  std::size_t depth = 0;
  for (std::size_t i = open; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '{') {
      ++depth;
    } else if (text[i] == '}' && --depth == 0) {
      return i;
    }
  }
  return text.size();
}

class PlainConverter {
 public:
  // Appends the text of `text` to `out`.
  PlainConverter(std::string_view text, std::string_view tilde, std::string_view linebreak,
                 bool xmlStyle, std::string& out)
      : text_(text), tilde_(tilde), linebreak_(linebreak), xmlStyle_(xmlStyle), out_(out) {
    out_.reserve(out_.size() + text.size() + text.size() / 8);
  }

  void run() {
    while (pos_ < text_.size()) {
      const auto byte = static_cast<unsigned char>(text_[pos_]);
      (this->*kHandlers[static_cast<std::size_t>(kByteClasses[byte])])();
    }
    endAccents(0);
  }

 private:
  // An accent that waits for its letter inside the group of depth `depth`.
  struct WaitingAccent {
    const LatexCommand* accent;
    std::size_t depth;
  };

  // --- output -------------------------------------------------------------

  void append(std::string_view text) {
    if (!xmlStyle_) {
      out_.append(text);
      return;
    }
    for (char c : text) {
      const std::string_view reference = kXmlReferences[static_cast<unsigned char>(c)];
      if (reference.empty()) {
        out_.push_back(c);
      } else {
        out_.append(reference);
      }
    }
  }

  // Text that a waiting accent sits on: its first character takes the
  // accents.  `dotted` is the letter with its dot for a dotless letter.
  void appendLetter(std::string_view text, std::string_view dotted = {}) {
    if (accents_.empty() || text.empty()) {
      append(text);
      return;
    }
    if (accents_.size() == 1) {
      const std::string_view mark = accents_[0].accent->mark;
      std::string_view composed = composedLetter(dotted.empty() ? text : dotted, mark);
      if (composed.empty() && !dotted.empty()) composed = composedLetter(text, mark);
      if (!composed.empty()) {
        accents_.clear();
        append(composed);
        append(text.substr(characterLength(text)));
        return;
      }
    }
    // The innermost accent comes first after the letter.
    std::string marks;
    std::string extra;
    for (std::size_t i = accents_.size(); i-- > 0;) {
      (accents_.size() - i <= kMaxComposedAccents ? marks : extra).append(accents_[i].accent->mark);
    }
    accents_.clear();
    const std::size_t first = characterLength(text);
    std::string composed;
    if (!dotted.empty()) composed = compose(dotted, marks);
    if (dotted.empty() || countCharacters(composed) != 1) {
      composed = compose(text.substr(0, first), marks);
    }
    append(composed);
    append(extra);
    append(text.substr(first));
  }

  // Accents that waited in vain, from the group of depth `depth` inward,
  // stand for themselves.
  void endAccents(std::size_t depth) {
    while (!accents_.empty() && accents_.back().depth >= depth) {
      append(accents_.back().accent->text);
      accents_.pop_back();
    }
  }

  // Output that no accent can sit on.
  void appendOther(std::string_view text, bool escape) {
    endAccents(0);
    if (escape) {
      append(text);
    } else {
      out_.append(text);
    }
  }

  // --- byte classes -------------------------------------------------------

  void plain() {
    if (accents_.empty()) {
      // The run of plain bytes is found with local copies, which the
      // compiler keeps in registers.
      const char* const data = text_.data();
      const std::size_t size = text_.size();
      const std::size_t start = pos_;
      std::size_t end = start;
      do {
        ++end;
      } while (end < size && kByteClasses[static_cast<unsigned char>(data[end])] == ByteClass::Plain);
      out_.append(data + start, end - start);
      pos_ = end;
      return;
    }
    if (isBlank(text_[pos_])) {  // an accent takes no blank
      appendOther(text_.substr(pos_++, 1), false);
      return;
    }
    const std::size_t length = characterLength(text_.substr(pos_));
    appendLetter(text_.substr(pos_, length));
    pos_ += length;
  }

  void reserved() { appendLetter(text_.substr(pos_++, 1)); }

  void tilde() {
    appendOther(tilde_, false);
    ++pos_;
  }

  void lineFeed() {
    appendOther(linebreak_, false);
    ++pos_;
  }

  void ligature() {
    for (const Ligature& ligature : kLigatures) {
      if (text_.substr(pos_).starts_with(ligature.latex)) {
        appendLetter(ligature.text);
        pos_ += ligature.latex.size();
        return;
      }
    }
    appendLetter(text_.substr(pos_++, 1));
  }

  void open() {
    // "{^e}" and "{~n}" are the circumflex and tilde without a backslash.
    if (pos_ + 3 < text_.size() && (text_[pos_ + 1] == '^' || text_[pos_ + 1] == '~') &&
        isAsciiLetter(text_[pos_ + 2]) && text_[pos_ + 3] == '}') {
      accents_.push_back({findLatexCommand(text_.substr(pos_ + 1, 1)), depth_ + 1});
      appendLetter(text_.substr(pos_ + 2, 1));
      pos_ += 4;
      return;
    }
    ++depth_;
    ++pos_;
  }

  void close() {
    endAccents(depth_);
    if (mathGroup_ != 0 && depth_ == mathGroup_) mathGroup_ = 0;
    if (depth_ > 0) --depth_;  // a brace that closes nothing just goes
    ++pos_;
  }

  // The dollars of a math span go, its content stays; a dollar without a
  // partner stays.
  void dollar() {
    ++pos_;
    if (inMath_) {
      inMath_ = false;
      return;
    }
    if (!noMoreDollars_) {
      for (std::size_t i = pos_; i < text_.size(); ++i) {
        if (text_[i] == '\\') {
          ++i;
        } else if (text_[i] == '$') {
          inMath_ = true;
          return;
        }
      }
      noMoreDollars_ = true;  // the search went to the end: no span opens later
    }
    appendLetter("$");
  }

  bool inMath() const { return inMath_ || mathCommand_ || mathGroup_ != 0; }

  // "^" and "_": in math, a script of digits and "+ - = ( )" becomes the
  // Unicode superscript or subscript; any other stays as written, without
  // its braces.  Outside math they are ordinary characters.
  void script() {
    const char c = text_[pos_++];
    if (!inMath() || !appendScript(c == '^')) appendLetter(std::string_view(&c, 1));
  }

  // The script that begins at pos_ (a braced group or one character), as
  // super- or subscript characters; false, and nothing read, when it has a
  // character without one.
  bool appendScript(bool superscript) {
    std::size_t start = pos_;
    while (start < text_.size() && isBlank(text_[start])) ++start;
    if (start == text_.size()) return false;
    std::size_t end = start + 1;
    std::string_view script = text_.substr(start, 1);
    if (text_[start] == '{') {
      end = groupEnd(text_, start);
      if (end == text_.size()) return false;
      script = text_.substr(start + 1, end - start - 1);
      ++end;
    }
    std::string converted;
    for (char c : script) {
      if (isBlank(c)) continue;
      const std::string_view character = scriptCharacter(c, superscript);
      if (character.empty()) return false;
      converted.append(character);
    }
    if (converted.empty()) return false;
    appendLetter(converted);
    pos_ = end;
    return true;
  }

  void backslash() {
    const std::size_t start = pos_++;
    if (pos_ == text_.size()) {
      // A backslash at the very end is what is left of a control space
      // that a name was cut at ("A. L.\ Thiele"): it prints nothing.
      appendOther({}, false);
      return;
    }
    const bool word = isAsciiLetter(text_[pos_]);
    if (word) {
      while (pos_ < text_.size() && isAsciiLetter(text_[pos_])) ++pos_;
    } else {
      ++pos_;
    }
    const std::string_view written = text_.substr(start, pos_ - start);
    const std::size_t afterName = pos_;
    // A command word takes the blanks after it, as TeX reads it.
    if (word) {
      while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
    }
    const LatexCommand* command = findLatexCommand(written.substr(1));
    // An accent symbol takes its letter across blanks too (\" o is an o
    // with an umlaut); before anything else the blanks stay.
    if (!word && command != nullptr && command->kind == LatexCommandKind::Accent) {
      std::size_t next = pos_;
      while (next < text_.size() && isBlank(text_[next])) ++next;
      if (next > pos_ && next < text_.size() && takesAccentAcrossBlanks(text_[next])) pos_ = next;
    }
    const bool braced = pos_ < text_.size() && text_[pos_] == '{';
    if (command == nullptr) {
      // Of a command word with a braced argument only the argument stays.
      // Any other unknown command prints its name, so that no word is lost
      // ("\Foo" and "\Foo{}" print "Foo").
      const bool emptyArgument = braced && pos_ + 1 < text_.size() && text_[pos_ + 1] == '}';
      if (braced && word && !emptyArgument) return;
      appendOther(written.substr(1), true);
      pos_ = word && emptyArgument ? pos_ + 2 : afterName;
      return;
    }
    switch (command->kind) {
      case LatexCommandKind::Text:
        appendLetter(command->text, command->accentBase);
        break;
      case LatexCommandKind::Word:
        appendLetter(command->text);
        pos_ = afterName;
        break;
      case LatexCommandKind::Skip:
        skipSpacing(written.substr(1));
        break;
      case LatexCommandKind::Script:
        // Text that cannot be raised or lowered is printed as it is.
        if (braced) appendScript(command->text == "^");
        break;
      case LatexCommandKind::MathBegin:
        mathCommand_ = true;
        break;
      case LatexCommandKind::MathEnd:
        mathCommand_ = false;
        break;
      case LatexCommandKind::MathArgument:
        if (braced && !inMath()) mathGroup_ = depth_ + 1;
        break;
      case LatexCommandKind::Accent:
        accents_.push_back({command, braced ? depth_ + 1 : depth_});
        break;
      case LatexCommandKind::LineBreak:
        appendOther(linebreak_, false);
        break;
      case LatexCommandKind::Verbatim:
      case LatexCommandKind::DropArgument:
        if (!braced) {
          // Without its argument a URL command prints its name, and one
          // that hides its argument nothing.
          if (command->kind == LatexCommandKind::Verbatim) appendOther(written.substr(1), true);
          pos_ = afterName;
        } else if (command->kind == LatexCommandKind::Verbatim) {
          copyVerbatim();
        } else {
          pos_ = std::min(groupEnd(text_, pos_) + 1, text_.size());
        }
        break;
    }
  }

  // The dimension or braced length after a spacing command (pos_ is past
  // its name and blanks) is left out; so is the stretch of a glue.
  void skipSpacing(std::string_view name) {
    std::size_t at = pos_;
    if (at < text_.size() && text_[at] == '*') ++at;
    if (at < text_.size() && text_[at] == '{') {
      pos_ = std::min(groupEnd(text_, at) + 1, text_.size());
      return;
    }
    const bool glue = name == "hskip" || name == "vskip" || name == "mskip";
    const std::size_t end = glue ? glueEnd(text_, pos_) : dimensionEnd(text_, pos_, false);
    if (end != std::string_view::npos) pos_ = end;
  }

  // The braced argument at pos_ as written (a URL): a tilde is a tilde and
  // no ligature forms; the braces and the backslashes that LaTeX users put
  // before reserved characters go.
  void copyVerbatim() {
    const std::size_t end = groupEnd(text_, pos_);
    endAccents(0);
    for (std::size_t i = pos_ + 1; i < end; ++i) {
      const char c = text_[i];
      if (c == '\\' && i + 1 < end &&
          std::string_view("%#&_~${}").find(text_[i + 1]) != std::string_view::npos) {
        append(text_.substr(++i, 1));
      } else if (c == '\n') {
        out_.append(linebreak_);
      } else if (c != '{' && c != '}') {
        append(text_.substr(i, 1));
      }
    }
    pos_ = std::min(end + 1, text_.size());
  }

  // What each byte class starts, in the order of ByteClass.
  using Handler = void (PlainConverter::*)();
  static constexpr std::array<Handler, static_cast<std::size_t>(ByteClass::Count)> kHandlers = {
      &PlainConverter::plain,    &PlainConverter::reserved, &PlainConverter::backslash,
      &PlainConverter::open,     &PlainConverter::close,    &PlainConverter::tilde,
      &PlainConverter::lineFeed, &PlainConverter::ligature, &PlainConverter::dollar,
      &PlainConverter::script,
  };

  std::string_view text_;
  std::string_view tilde_;
  std::string_view linebreak_;
  bool xmlStyle_;
  std::string& out_;
  std::size_t pos_ = 0;
  std::size_t depth_ = 0;
  std::vector<WaitingAccent> accents_;
  bool inMath_ = false;        // between dollars
  bool mathCommand_ = false;   // between \( and \), or \[ and \]
  std::size_t mathGroup_ = 0;  // the depth of the group of \ensuremath, or 0
  bool noMoreDollars_ = false;
};

// The escapes of the setting texts are resolved as convertLatex resolves
// them; only then are they put in, so the value's bytes never mix with them.
std::string settingText(std::string_view text) {
  if (text.find('\\') == std::string_view::npos) return std::string(text);
  return unescapeBackslashes(text);
}

}  // namespace

std::string convertLatexPlain(std::string_view text, std::string_view nbsp,
                              std::string_view linebreak, bool xmlStyle,
                              const LatexMacros* macros, const LatexMacro** overflowed) {
  std::string out;
  appendLatexPlain(out, text, nbsp, linebreak, xmlStyle, macros, overflowed);
  return out;
}

void appendLatexPlain(std::string& out, std::string_view text, std::string_view nbsp,
                      std::string_view linebreak, bool xmlStyle, const LatexMacros* macros,
                      const LatexMacro** overflowed) {
  if (overflowed != nullptr) *overflowed = nullptr;
  std::string expanded;
  if (macros != nullptr) {
    const LatexMacro* tooFar = nullptr;
    if (macros->expand(text, expanded, tooFar)) text = expanded;
    if (overflowed != nullptr) *overflowed = tooFar;
  }
  // As in convertLatex: with an empty no-break-space text tildes stay, and a
  // line feed inside that text becomes a line break like any other.  The
  // usual settings have neither escapes nor line feeds and are taken as
  // they are.
  if (nbsp.empty()) nbsp = "~";
  const bool plainSettings = nbsp.find_first_of("\\\n") == std::string_view::npos &&
                             linebreak.find('\\') == std::string_view::npos;
  if (plainSettings) {
    PlainConverter(text, nbsp, linebreak, xmlStyle, out).run();
    return;
  }
  std::string tilde(nbsp);
  if (tilde.find('\n') != std::string::npos) replaceAll(tilde, "\n", linebreak);
  const std::string tildeText = settingText(tilde);
  const std::string lineBreakText = settingText(linebreak);
  PlainConverter(text, tildeText, lineBreakText, xmlStyle, out).run();
}

void convertLatexPlainInto(std::string& out, std::string_view text, std::string_view nbsp,
                           std::string_view linebreak, bool xmlStyle) {
  out.clear();
  appendLatexPlain(out, text, nbsp, linebreak, xmlStyle, nullptr, nullptr);
}

bool isPlainText(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const ByteClass byteClass = kByteClasses[static_cast<unsigned char>(text[i])];
    if (byteClass == ByteClass::Plain || byteClass == ByteClass::Reserved) continue;
    // A hyphen or quote alone is itself; only a pair begins a ligature.
    if (byteClass == ByteClass::Ligature && (i + 1 == text.size() || text[i + 1] != text[i]))
      continue;
    return false;
  }
  return true;
}

std::string convertValue(std::string_view text, std::string_view nbsp,
                         std::string_view linebreak, bool xmlStyle, bool plainText) {
  return plainText ? convertLatexPlain(text, nbsp, linebreak, xmlStyle)
                   : convertLatex(text, nbsp, linebreak, xmlStyle);
}

std::string valueToXml(std::string_view text, bool plainText) {
  return plainText ? convertLatexPlain(text, "&#160;", "\n", true) : latexToXml(text);
}

}  // namespace pubforge
