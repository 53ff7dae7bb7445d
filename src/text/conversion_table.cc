#include "text/conversion_table.h"

#include <cstdint>

namespace pubforge {

// Each cell holds the exact bytes; non-ASCII characters are UTF-8 encoded.
constexpr std::array<ConversionRow, kConversionRowCount> ConversionTable{{
    {"{\\\"a}", "ä", "ä"},  // 1
    {"{\\\"o}", "ö", "ö"},  // 2
    {"{\\\"u}", "ü", "ü"},  // 3
    {"{\\\"A}", "Ä", "Ä"},  // 4
    {"{\\\"O}", "Ö", "Ö"},  // 5
    {"{\\\"U}", "Ü", "Ü"},  // 6
    {"{\\'a}", "á", "á"},  // 7
    {"{\\'A}", "Á", "Á"},  // 8
    {"{\\'e}", "é", "é"},  // 9
    {"{\\'E}", "É", "É"},  // 10
    {"{\\'i}", "í", "í"},  // 11
    {"{\\'I}", "Í", "Í"},  // 12
    {"{\\\"i}", "ï", "ï"},  // 13
    {"{\\\"I}", "Ï", "Ï"},  // 14
    {"{\\'o}", "ó", "ó"},  // 15
    {"{\\'O}", "Ó", "Ó"},  // 16
    {"{\\'u}", "ú", "ú"},  // 17
    {"{\\'U}", "Ú", "Ú"},  // 18
    {"{\\'y}", "ý", "ý"},  // 19
    {"{\\'Y}", "Ý", "Ý"},  // 20
    {"{\\\"y}", "ÿ", "ÿ"},  // 21
    {"{\\\"Y}", "Ÿ", "Ÿ"},  // 22
    {"{\\`a}", "à", "à"},  // 23
    {"{\\`A}", "À", "À"},  // 24
    {"{\\`e}", "è", "è"},  // 25
    {"{\\`E}", "È", "È"},  // 26
    {"{\\`i}", "ì", "ì"},  // 27
    {"{\\`I}", "Ì", "Ì"},  // 28
    {"{\\`o}", "ò", "ò"},  // 29
    {"{\\`O}", "Ò", "Ò"},  // 30
    {"{\\`u}", "ù", "ù"},  // 31
    {"{\\`U}", "Ù", "Ù"},  // 32
    {"{^e}", "ê", "ê"},  // 33
    {"{^E}", "Ê", "Ê"},  // 34
    {"{^u}", "û", "û"},  // 35
    {"{^U}", "Û", "Û"},  // 36
    {"{^i}", "î", "î"},  // 37
    {"{^I}", "Î", "Î"},  // 38
    {"{^o}", "ô", "ô"},  // 39
    {"{^O}", "Ô", "Ô"},  // 40
    {"{^a}", "â", "â"},  // 41
    {"{^A}", "Â", "Â"},  // 42
    {"{~a}", "ã", "ã"},  // 43
    {"{~A}", "Ã", "Ã"},  // 44
    {"{~n}", "ñ", "ñ"},  // 45
    {"{~N}", "Ñ", "Ñ"},  // 46
    {"{~o}", "õ", "õ"},  // 47
    {"{~O}", "Õ", "Õ"},  // 48
    {"\\c{s}", "ş", "ş"},  // 49
    {"\\c{S}", "Ş", "Ş"},  // 50
    {"\\={u}", "ū", "ū"},  // 51
    {"\\={U}", "Ū", "Ū"},  // 52
    {"\\c{c}", "ç", "ç"},  // 53
    {"\\C{C}", "Ç", "Ç"},  // 54
    {"{\\'c}", "ć", "ć"},  // 55
    {"{\\'C}", "Ć", "Ć"},  // 56
    {"\\v{c}", "č", "č"},  // 57
    {"\\v{C}", "Č", "Č"},  // 58
    {"\\v{e}", "ě", "ě"},  // 59
    {"\\v{E}", "Ě", "Ě"},  // 60
    {"\\v{r}", "ř", "ř"},  // 61
    {"\\v{R}", "Ř", "Ř"},  // 62
    {"\\v{s}", "š", "š"},  // 63
    {"\\v{S}", "Š", "Š"},  // 64
    {"\\v{z}", "ž", "ž"},  // 65
    {"\\v{Z}", "Ž", "Ž"},  // 66
    {"{\\ae}", "æ", "æ"},  // 67
    {"{\\AE}", "Æ", "Æ"},  // 68
    {"{\\o}", "ø", "ø"},  // 69
    {"{\\O}", "Ø", "Ø"},  // 70
    {"\\r{a}", "å", "å"},  // 71
    {"{\\aa}", "å", "å"},  // 72
    {"\\r{A}", "Å", "Å"},  // 73
    {"{\\AA}", "Å", "Å"},  // 74
    {"<", "<", "&lt;"},  // 75
    {">", ">", "&gt;"},  // 76
    {"\\\"", "\"", "&quot;"},  // 77
    {"&", "&", "&amp;"},  // 78
    {"'", "'", "&apos;"},  // 79
    {"--", "–", "–"},  // 80
    {"\\#", "\\#", "#"},  // 81
}};

namespace {

// ---------------------------------------------------------------------------
// Why one left-to-right scan may stand in for the rows.
//
// The conversion is defined row by row: each row replaces every occurrence of
// its latex form in the whole value before the next row starts.  convertLatex
// instead walks the value once and, at each position, replaces the form that
// begins there.  The two agree for every value when the table has three
// properties, which are checked here at compile time for both output columns:
//
//  1. No row's form begins at the first byte of, or inside, the form of a row
//     that acts later.  Where two occurrences overlap, the left one therefore
//     belongs to the row that acts first; the rows let it win because they
//     replace it first, the scan because it reaches it first.  (Occurrences
//     of one form are taken left to right and without overlap in both ways.)
//     With the first byte included, no form is a prefix of another, so at
//     most one form matches at any position.
//  2. No replacement text, wherever it stands among its neighbours, shares a
//     byte with an occurrence of the form of a row that acts later.  So no
//     row finds a form that an earlier replacement has made, and the rows
//     replace exactly the occurrences of the original value that the scan
//     replaces.
//  3. No replacement text holds a tilde or a line feed, so the tilde and line
//     feed steps that follow the table see only those of the original value.
//
// Editing the table so that one of them fails stops the build here.
// ---------------------------------------------------------------------------

constexpr std::size_t kAmpersandRow = 77;       // row 78, "&"
constexpr std::size_t kFirstReferenceRow = 74;  // rows 75 to 77: "<", ">", "\\\""

static_assert(ConversionTable[kAmpersandRow].latex == "&");
static_assert(ConversionTable[kFirstReferenceRow].xml == "&lt;" &&
              ConversionTable[kFirstReferenceRow + 1].xml == "&gt;" &&
              ConversionTable[kFirstReferenceRow + 2].xml == "&quot;");

// The rows in the order in which they act.  In XML output the ampersand row
// acts before the three rows whose references begin with an ampersand, so
// that those references are not escaped a second time; an ampersand of the
// value itself is always escaped.
constexpr std::array<std::size_t, kConversionRowCount> actingOrder(bool xmlStyle) {
  std::array<std::size_t, kConversionRowCount> order{};
  std::size_t next = 0;
  for (std::size_t row = 0; row < kConversionRowCount; ++row) {
    if (xmlStyle && row == kFirstReferenceRow) order[next++] = kAmpersandRow;
    if (xmlStyle && row == kAmpersandRow) continue;
    order[next++] = row;
  }
  return order;
}

constexpr std::string_view replacement(const ConversionRow& row, bool xmlStyle) {
  return xmlStyle ? row.xml : row.utf8;
}

// True when `b`, placed `shift` bytes after the start of `a` (shift may be
// negative), shares at least one position with `a` and equals it there.
constexpr bool fitTogether(std::string_view a, std::string_view b, long shift) {
  const long begin = shift > 0 ? shift : 0;
  const long bEnd = shift + static_cast<long>(b.size());
  const long end = bEnd < static_cast<long>(a.size()) ? bEnd : static_cast<long>(a.size());
  if (begin >= end) return false;
  for (long k = begin; k < end; ++k) {
    if (a[k] != b[k - shift]) return false;
  }
  return true;
}

constexpr bool allowsSingleScan(bool xmlStyle) {
  const auto order = actingOrder(xmlStyle);
  for (std::size_t early = 0; early < kConversionRowCount; ++early) {
    const ConversionRow& first = ConversionTable[order[early]];
    const std::string_view text = replacement(first, xmlStyle);
    if (first.latex.empty()) return false;
    if (text.find('~') != std::string_view::npos) return false;   // property 3
    if (text.find('\n') != std::string_view::npos) return false;
    for (std::size_t late = early + 1; late < kConversionRowCount; ++late) {
      const std::string_view lateForm = ConversionTable[order[late]].latex;
      // Property 1: the earlier form begins at or inside the later one.
      for (long shift = 0; shift < static_cast<long>(lateForm.size()); ++shift) {
        if (fitTogether(lateForm, first.latex, shift)) return false;
      }
      // Property 2: the later form touches the earlier replacement.
      for (long shift = 1 - static_cast<long>(lateForm.size());
           shift < static_cast<long>(text.size()); ++shift) {
        if (fitTogether(text, lateForm, shift)) return false;
      }
    }
  }
  return true;
}

static_assert(allowsSingleScan(false), "UTF-8 conversion needs the rows one by one");
static_assert(allowsSingleScan(true), "XML conversion needs the rows one by one");

// ---------------------------------------------------------------------------
// The index: a trie of the latex forms.  Children of a node form a chain of
// siblings; the root's children are reached directly through the first byte.
// ---------------------------------------------------------------------------

struct TrieNode {
  unsigned char byte = 0;
  std::int16_t child = -1;    // first child
  std::int16_t sibling = -1;  // next child of the same parent
  std::int16_t row = -1;      // the row whose form ends here
};

constexpr std::size_t trieCapacity() {
  std::size_t nodes = 1;
  for (const ConversionRow& row : ConversionTable) nodes += row.latex.size();
  return nodes;
}

using Trie = std::array<TrieNode, trieCapacity()>;

constexpr Trie buildTrie() {
  Trie trie{};
  std::int16_t used = 1;  // node 0 is the root
  for (std::size_t row = 0; row < kConversionRowCount; ++row) {
    std::int16_t node = 0;
    for (char c : ConversionTable[row].latex) {
      const auto byte = static_cast<unsigned char>(c);
      std::int16_t child = trie[node].child;
      while (child >= 0 && trie[child].byte != byte) child = trie[child].sibling;
      if (child < 0) {
        child = used++;
        trie[child].byte = byte;
        trie[child].sibling = trie[node].child;
        trie[node].child = child;
      }
      node = child;
    }
    trie[node].row = static_cast<std::int16_t>(row);
  }
  return trie;
}

constexpr Trie kTrie = buildTrie();

constexpr std::array<std::int16_t, 256> buildFirstNodes() {
  std::array<std::int16_t, 256> first{};
  for (auto& node : first) node = -1;
  for (std::int16_t child = kTrie[0].child; child >= 0; child = kTrie[child].sibling) {
    first[kTrie[child].byte] = child;
  }
  return first;
}

constexpr std::array<std::int16_t, 256> kFirstNodes = buildFirstNodes();

constexpr std::array<bool, 256> buildFormStart() {
  std::array<bool, 256> start{};
  for (std::size_t byte = 0; byte < 256; ++byte) start[byte] = kFirstNodes[byte] >= 0;
  return start;
}

}  // namespace

constexpr std::array<bool, 256> kConversionFormStart = buildFormStart();

std::size_t findConversionRow(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return kNoConversionRow;
  std::int16_t node = kFirstNodes[static_cast<unsigned char>(text[pos])];
  while (node >= 0) {
    // Property 1 makes every form end in a leaf, so the first row reached is
    // the only one that can match here.
    if (kTrie[node].row >= 0) return static_cast<std::size_t>(kTrie[node].row);
    if (++pos == text.size()) break;
    const auto byte = static_cast<unsigned char>(text[pos]);
    std::int16_t child = kTrie[node].child;
    while (child >= 0 && kTrie[child].byte != byte) child = kTrie[child].sibling;
    node = child;
  }
  return kNoConversionRow;
}

}  // namespace pubforge
