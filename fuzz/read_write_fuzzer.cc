// Fuzz target: a BibTeX text through the reader and entry building, then
// through the BibTeX writer and back, and out as XML and CSL-JSON.
//
// Whatever the bytes, reading must end with success or a syntax error (never
// a crash, a hang or an exception), and what the writer makes of a
// successfully read text must read again.  The writer's output must be stable
// from the second write on: writing what was read back from a written file
// gives the same bytes again.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_util.h"
#include "checks/checks.h"
#include "checks/numbers.h"
#include "checks/urls.h"
#include "collection_dump.h"
#include "model/node.h"
#include "model/publication_set.h"
#include "reader/reader.h"
#include "text/strings.h"
#include "writers/bibtex_writer.h"
#include "json_parser.h"
#include "writers/csl_json_writer.h"
#include "writers/xml_writer.h"

namespace pubforge::fuzz {
namespace {

// The collection read from `text`; `result` tells how the read ended.
Collection readBibTeX(std::string_view text, ReadResult& result, std::string* outText = nullptr,
                      std::string* errText = nullptr) {
  std::ostringstream out, err;
  BibReader reader(out, err);
  result = reader.readText(text);
  if (result == ReadResult::kSyntaxError) {
    require(err.str().find("ERROR in line ") != std::string::npos &&
                err.str().ends_with(": syntax error\n"),
            "a syntax error is reported as such");
  }
  Collection collection;
  if (result == ReadResult::kOk) collection = reader.finish();
  if (outText) *outText = out.str();
  if (errText) *errText = err.str();
  return collection;
}


// Reads `text` handed over in pieces of `pieceSize` bytes, as a file or a
// pipe delivers it.  With `failAt` the refill of that number (counted from 0)
// reports a read error instead.
Collection readInPieces(std::string_view text, size_t pieceSize, size_t failAt,
                        ReadResult& result, std::string& outText, std::string& errText) {
  std::ostringstream out, err;
  BibReader reader(out, err);
  size_t offset = 0, calls = 0;
  result = reader.readPieces([&](std::string& buffer) {
    if (calls++ == failAt) return false;
    const std::string_view piece = text.substr(offset, pieceSize);
    buffer.append(piece);
    offset += piece.size();
    return true;
  });
  Collection collection;
  if (result == ReadResult::kOk) collection = reader.finish();
  outText = out.str();
  errText = err.str();
  return collection;
}

// Reading in pieces gives what reading the whole text gives; a read error
// ends the read without a message of its own and keeps nothing.
void checkPieces(std::string_view text, ReadResult wholeResult, const std::string& wholeEntries,
                 const std::string& wholeOut, const std::string& wholeErr) {
  const size_t pieceSize = 1 + text.size() % 13;
  ReadResult result;
  std::string out, err;
  Collection collection = readInPieces(text, pieceSize, SIZE_MAX, result, out, err);
  require(result == wholeResult, "reading in pieces ends as reading the whole text");
  requireEqual(wholeEntries, dumpCollection(collection),
               "reading in pieces builds the same entries");
  requireEqual(wholeOut, out, "reading in pieces passes the same stray bytes");
  requireEqual(wholeErr, err, "reading in pieces reports the same");

  const size_t calls = text.size() / pieceSize + 2;
  collection = readInPieces(text, pieceSize, text.size() % calls, result, out, err);
  if (result == ReadResult::kSyntaxError) {
    require(wholeResult == ReadResult::kSyntaxError, "a read error is not a syntax error");
    requireEqual(wholeErr, err, "a syntax error before the read error is reported as usual");
  } else {
    require(result == ReadResult::kReadError, "a failing input is a read error");
    require(collection.empty(), "nothing is kept after a read error");
    require(wholeErr.starts_with(err), "a read error adds no message of the reader's own");
  }
}

void checkCollection(const Collection& collection) {
  for (const auto& node : collection) {
    require(node != nullptr, "no empty slot in the collection");
    require(!node->keyword.empty(), "every publication has a key");
    require(!node->value.empty(), "every publication has a type");
    for (const Item& item : node->items) {
      require(!item.keyword.empty(), "every item has a keyword");
      require(item.authorParts.size() % 3 == 0, "author parts come in threes");
    }
  }
}

// The length of the UTF-8 sequence of one XML character at text[i], or 0.
size_t xmlCharLength(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) return lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r';
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || text.size() - i < length) return 0;
  uint32_t c = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    c = (c << 6) | (next & 0x3F);
  }
  const uint32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF)
    return 0;
  return length;
}

// A light well-formedness check of what the XML writer made: only XML
// characters, every "&" begins a reference, no "<" in a quoted value or in
// text, comments without "--", and the elements nest.
void checkXml(std::string_view xml) {
  std::vector<std::string_view> open;
  bool inTag = false, inQuotes = false;
  for (size_t i = 0; i < xml.size();) {
    const char c = xml[i];
    const size_t length = xmlCharLength(xml, i);
    if (length == 0) fail("the XML output holds only XML characters", {}, xml.substr(i, 8));
    if (c == '&') {
      const size_t end = xml.find(';', i);
      const std::string_view ref = xml.substr(i, end == std::string_view::npos ? 1 : end - i + 1);
      const bool named = ref == "&lt;" || ref == "&gt;" || ref == "&amp;" || ref == "&quot;" ||
                         ref == "&apos;";
      const bool numbered = ref.size() > 3 && ref[1] == '#' &&
                            ref.find_first_not_of("0123456789xABCDEFabcdef", 2) == ref.size() - 1;
      if (!named && !numbered) fail("every & of the XML output begins a reference", {}, ref);
    } else if (inTag && c == '"') {
      inQuotes = !inQuotes;
    } else if (inTag && !inQuotes && c == '>') {
      inTag = false;
      if (xml[i - 1] == '/') open.pop_back();
    } else if (c == '<') {
      if (inQuotes || inTag) fail("no < in a tag of the XML output", {}, xml.substr(i, 40));
      if (xml.substr(i).starts_with("<!--")) {
        const size_t end = xml.find("-->", i + 4);
        if (end == std::string_view::npos || xml.substr(i + 4, end - i - 4).find("--") !=
                                                 std::string_view::npos)
          fail("comments of the XML output end and hold no --", {}, xml.substr(i, 40));
        i = end + 3;
        continue;
      }
      if (xml[i + 1] == '?' || xml[i + 1] == '!') {  // the two fixed lines
        i = xml.find('\n', i) + 1;
        continue;
      }
      const bool closing = xml[i + 1] == '/';
      const size_t nameStart = i + 1 + closing;
      const std::string_view name =
          xml.substr(nameStart, xml.find_first_of(" />", nameStart) - nameStart);
      if (closing) {
        if (open.empty() || open.back() != name)
          fail("the elements of the XML output nest", {}, xml.substr(i, 40));
        open.pop_back();
      } else {
        open.push_back(name);
      }
      inTag = true;
    } else if (!inTag && c == '>') {
      fail("no > in the text of the XML output", {}, xml.substr(i, 40));
    }
    i += length;
  }
  require(!inTag && open.empty(), "the XML output ends outside any element");
}

std::string writeXml(const Collection& collection) {
  PublicationSet set(collection.size());
  set.addAll(collection);
  std::ostringstream err;
  const std::string path = scratchPath(".xml");
  require(exportToXML(set, path, false, err), "the XML file is written");
  std::ifstream file(path, std::ios::binary);
  std::string xml((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ::unlink(path.c_str());
  return xml;
}

// Writes the collection as CSL-JSON and parses it back: whatever the values
// hold, the file is one JSON array with one object per entry, each with its
// citation key as "id" and a type.
void checkCslJson(const Collection& collection) {
  PublicationSet set(collection.size());
  set.addAll(collection);
  std::ostringstream err;
  const std::string path = scratchPath(".json");
  if (!exportToCslJson(set, path, err)) fail("the CSL-JSON file is written", "", err.str());
  const std::string text = readFile(path);
  ::unlink(path.c_str());
  json::Value array;
  std::string error;
  if (!json::parse(text, array, &error)) fail("the CSL-JSON output is JSON", error, text);
  require(array.kind == json::Value::Kind::kArray, "the CSL-JSON output is an array");
  size_t entries = 0;
  for (const auto& node : collection) entries += node->isEntry();
  require(array.elements.size() == entries, "every entry is one CSL-JSON item");
  size_t i = 0;
  for (const auto& node : collection) {
    if (!node->isEntry()) continue;
    const json::Value& item = array.elements[i++];
    require(item.kind == json::Value::Kind::kObject, "every CSL-JSON item is an object");
    const json::Value* id = item.find("id");
    const json::Value* type = item.find("type");
    require(id && type && !type->text.empty(), "every CSL-JSON item has an id and a type");
    // A key of valid UTF-8 without control bytes comes back as it is.
    bool plainKey = true;
    for (char c : node->keyword) plainKey = plainKey && static_cast<unsigned char>(c) >= 0x20 &&
                                            static_cast<unsigned char>(c) < 0x80;
    if (plainKey) requireEqual(node->keyword, id->text, "the CSL-JSON id is the citation key");
  }
}

// A url item that reading the written url gives back: the writer
// escapes what the url normalisation takes off again.  Reading trims blanks
// at the ends of the value, drops an empty one, and adds "&isnumber=" to a
// library url that lacks it (which the first read left alone when an escape
// hid the url's beginning).
bool urlReadsBack(std::string_view url) {
  return !url.empty() && url.front() != '\t' && url.back() != '\t' &&
         !(isIeeeXploreUrl(url) && url.find("&isnumber=") == std::string_view::npos);
}

// The page check writes a negative number of pages as an unsigned number
// ("-3" as 4294967293), which the next read takes as the largest one.
bool numPagesBeyondRange(const Node& publication) {
  const Item* item = findItem(publication, "numpages");
  if (item == nullptr || item->value.size() < 10) return false;
  return item->value.find_first_not_of("0123456789") == std::string::npos &&
         (item->value.size() > 10 || item->value > "2147483647");
}

// What of a publication a write and a re-read must keep: the key, the type
// and every written item.  Dates are written as their numbers, a month
// outside 1 to 12 and items without a value are not written at all.  Author
// lists are normalised again when they are read back, and a given name
// written in the comma form ("Lee, Mary Ann B.") reads back with ties
// ("Mary~Ann~B."), so only their stability from the second write on counts.
// A doi is written with a backslash before each "%", which it keeps when it
// is read back.  Which items to leave out is decided
// on the publication as first read.
std::string keptByWriting(const Node& node, const Node& original) {
  bool urlsKept = true;
  for (const Item& item : original.items)
    if (item.keyword == "url" && !urlReadsBack(item.value)) urlsKept = false;
  std::string text = "@" + node.value + "/" + node.typeWord + " " + node.keyword + "\n";
  for (const Item& item : node.items) {
    if (item.keyword == "removeme" || item.keyword == "author" || item.value.empty()) continue;
    if (item.keyword == "url" && !urlsKept) continue;
    if (item.keyword == "doi" && item.value.find('%') != std::string::npos) continue;
    if (item.keyword == "month" && (item.numericValue < 1 || item.numericValue > 12)) continue;
    if (item.keyword == "numpages" && numPagesBeyondRange(original)) continue;
    text += "  " + item.keyword + "=";
    if (item.keyword == "year" || item.keyword == "day" || item.keyword == "month") {
      text += std::to_string(static_cast<uint32_t>(item.numericValue));
      // A year that is no plain number is kept as written.
      if (item.keyword == "year" && !isPlainYear(item.value)) text += " " + item.value;
    } else {
      text += item.value;
    }
    text += "\n";
  }
  return text;
}

using WriteOptions = BibtexOptions;

// Writes every publication of the collection into a scratch file and returns
// the file's bytes.
std::string writeBibTeX(const Collection& collection, const WriteOptions& options) {
  PublicationSet set(collection.size());
  set.addAll(collection);
  const std::string path = scratchPath(".bib");
  std::ostringstream err;
  const bool written = exportToBibTeX(set, path, false, options, err);
  if (!written) fail("the BibTeX writer failed", "", err.str());
  std::string bytes = readFile(path);
  std::remove(path.c_str());
  return bytes;
}

Collection readWritten(const std::string& written) {
  ReadResult result;
  Collection collection = readBibTeX(written, result);
  if (result != ReadResult::kOk) fail("the written BibTeX reads again", "", written);
  checkCollection(collection);
  return collection;
}

}  // namespace
}  // namespace pubforge::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pubforge;
  using namespace pubforge::fuzz;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  ReadResult result;
  std::string out, err;
  Collection collection = readBibTeX(text, result, &out, &err);
  require(result == ReadResult::kOk || result == ReadResult::kSyntaxError,
          "reading ends with success or a syntax error");
  checkPieces(text, result, dumpCollection(collection), out, err);
  if (result != ReadResult::kOk) return 0;
  checkCollection(collection);

  // The writer's options as the command line combines them ("add" implies
  // "skip"), chosen by the input's length so that every input keeps its
  // meaning as BibTeX.
  struct Flags {
    bool skip, add, urlCommand;
  };
  constexpr Flags kFlags[] = {
      {false, false, false}, {true, false, false}, {true, true, false}, {false, false, true}};
  const Flags& flags = kFlags[size % 4];
  WriteOptions options;
  options.skipNotesWithIsbnAndIssn = flags.skip;
  options.addNotesWithIsbnAndIssn = flags.add;
  options.addUrlCommand = flags.urlCommand;

  const std::string first = writeBibTeX(collection, options);
  Collection again = readWritten(first);
  if (again.size() != collection.size())
    fail("every publication survives writing", std::to_string(collection.size()),
         std::to_string(again.size()));
  if (!options.skipNotesWithIsbnAndIssn) {
    const std::vector<const Node*> before = inWrittenOrder(collection);
    const std::vector<const Node*> after = inWrittenOrder(again);
    for (size_t i = 0; i < before.size(); ++i) {
      require(before[i]->kind == after[i]->kind, "every publication keeps its kind");
      requireEqual(keptByWriting(*before[i], *before[i]), keptByWriting(*after[i], *before[i]),
                   "writing and reading back keeps every value");
    }
  }
  const std::string second = writeBibTeX(again, options);
  Collection third = readWritten(second);
  requireEqual(second, writeBibTeX(third, options), "writing is stable from the second write");
  checkXml(writeXml(collection));
  checkCslJson(collection);
  checkCslJson(again);
  return 0;
}
