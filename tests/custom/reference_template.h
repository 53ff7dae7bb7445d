// A plain evaluator of printing templates, written straight from the rules of
// the language: it reads the template byte by byte every time, finds every
// placeholder name afresh and converts literal text character by character.
// The evaluator of the program, which keeps what it read of a template, must
// print exactly what this one prints.  The placeholders themselves are the
// program's own.
#pragma once

#include <algorithm>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "custom/placeholders.h"
#include "custom/template.h"
#include "text/strings.h"

namespace pubforge::reference {

inline std::string printPublication(std::string_view tpl, const Node& publication,
                                    const Node* previous, const Node* next,
                                    const PrintEnvironment& env, PrintCounters& counters,
                                    Diagnostics diag) {
  ++counters.entryNumber;
  ++counters.totalEntryNumber;
  std::string out;
  std::vector<OpenSection> sections;
  Evaluation eval(publication, previous, next, env, counters, diag, out, sections);
  size_t& p = eval.position;
  const size_t size = tpl.size();
  while (p < size) {
    const char c = tpl[p];
    const bool last = p + 1 == size;
    if (c == '%' && !last) {
      const size_t at = p;
      std::string name;
      if (tpl[at + 1] == '{') {
        const std::string_view rest = tpl.substr(at + 2);
        size_t i = 0;
        while (i < rest.size() && rest[i] != '}') i += rest[i] == '\\' ? 2 : 1;
        name = rest.substr(0, std::min(i, rest.size()));
        p = at + 3 + name.size();
      } else {
        name = tpl.substr(at + 1, 1);
        p = at + 2;
      }
      if (const PlaceholderRule* rule = findPlaceholderRule(name)) {
        const size_t operand = rule->prefix ? rule->name.size() : 0;
        rule->handler(eval, name, std::string_view(name).substr(operand));
      } else {
        printItemPlaceholder(eval, name);
      }
      continue;
    }
    if (c == '\\' && !last) {
      const char e = tpl[p + 1];
      out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
      p += 2;
      continue;
    }
    if (c == '[' || c == '(') {
      if (sections.empty()) eval.failed = false;
      sections.push_back({out.size(), eval.failed});
      ++p;
      continue;
    }
    if (c == ']' || c == ')') {
      if (sections.empty())
        templateFatal(diag, "ERROR: Unexpected ']' in custom printing template!\n");
      const OpenSection top = sections.back();
      sections.pop_back();
      if (eval.failed) {
        out.resize(top.outputLength);
        if (c == ']') eval.failed = top.failed;
      }
      ++p;
      continue;
    }
    if (c == '|') {
      if (sections.empty())
        templateFatal(diag, "ERROR: Unexpected '|' in custom printing template!\n");
      const OpenSection top = sections.back();
      sections.pop_back();
      ++p;
      if (eval.failed) {
        out.resize(top.outputLength);
        eval.failed = top.failed;
        sections.push_back(top);
        continue;
      }
      eval.failed = top.failed;
      int depth = 1;
      while (p < size) {
        const char s = tpl[p++];
        if (s == '\\') {
          ++p;
        } else if (s == '[') {
          ++depth;
        } else if (s == ']' && --depth == 0) {
          break;
        }
      }
      continue;
    }
    // A literal character: a UTF-8 sequence converted on its own.
    const auto lead = static_cast<unsigned char>(c);
    size_t length = 0;
    if (lead < 0x80)
      length = 1;
    else if (lead >= 0xC0 && lead <= 0xDF)
      length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
      length = 3;
    else if (lead >= 0xF0 && lead <= 0xF7)
      length = 4;
    if (length == 0 || p + length > size) {
      ++p;
      continue;
    }
    out += convertLatex(tpl.substr(p, length), env.nbsp, "\n", false);
    p += length;
  }
  return out;
}

}  // namespace pubforge::reference

namespace pubforge::reference {

// Prints every publication of `publications` that is not a comment entry,
// with its neighbours as an export run gives them, through the program's
// evaluator and through the plain one.  Returns an empty text when both print
// the same and stop with the same fatal error at the same publication, or
// else a description of the first difference.
inline std::string compareWithReference(std::string_view tpl, const Collection& publications,
                                        const PrintEnvironment& env) {
  std::vector<const Node*> printed;
  for (const auto& node : publications)
    if (!node->isComment()) printed.push_back(node.get());
  TemplatePrinter printer(tpl, env);
  PrintCounters counters, referenceCounters;
  std::string text;
  for (size_t i = 0; i < printed.size(); ++i) {
    const Node* previous = i > 0 ? printed[i - 1] : nullptr;
    const Node* next = i + 1 < printed.size() ? printed[i + 1] : nullptr;
    std::ostringstream err, referenceErr;
    bool fatal = false, referenceFatal = false;
    std::string expected;
    text = "before";
    try {
      printer.print(*printed[i], previous, next, counters, err, text);
    } catch (const FatalError&) {
      fatal = true;
    }
    try {
      expected = reference::printPublication(tpl, *printed[i], previous, next, env,
                                             referenceCounters,
                                             referenceErr);
    } catch (const FatalError&) {
      referenceFatal = true;
    }
    const std::string where = "publication " + printed[i]->keyword + ": ";
    if (fatal != referenceFatal)
      return where + (fatal ? "only the program stopped: " + err.str()
                            : "only the reference stopped: " + referenceErr.str());
    if (err.str() != referenceErr.str())
      return where + "messages differ:\n" + err.str() + "--- reference:\n" + referenceErr.str();
    if (fatal) return {};
    if (text != "before" + expected)
      return where + "output differs:\n" + text + "\n--- reference:\n" + expected;
  }
  return {};
}

}  // namespace pubforge::reference
