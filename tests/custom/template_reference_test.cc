// The evaluator, which keeps what it read of a template, against the plain
// evaluator of reference_template.h on many generated templates.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "reference_template.h"
#include "template_fixture.h"

namespace pubforge {
namespace {

using testing::PrintSetup;
using testing::samplePublications;

// Bytes and placeholders that templates are made of: every kind of byte the
// language gives a meaning to, placeholders that print, fail, test, loop and
// stop, and broken pieces (cut-off names, lone brackets, cut UTF-8
// sequences).
const std::vector<std::string> kPieces = {
    "[", "]", "(", ")", "|", "text", " ", "~", "\\", "\\[", "\\]", "\\|", "\\n",
    "\\t", "\\~", "%", "%%", "%{", "}", "{", "\xC3\xA9", "\xC3", "\xA9", "\xE2\x82\xAC", "\xFF",
    "%{title}", "%{x}", "%{year}", "%{label}", "%{anchor}", "%{html-label}", "%{class}",
    "%{month-name}", "%{month-number}", "%{day}", "%$", "%{isbn}", "%{issn}", "%{url}",
    "%{note}", "%{xml-language}", "%{content-language}", "%{url.type}", "%{url.size.kib}",
    "%{url.size.b}", "%{custom-1}", "%{custom-2}", "%{custom-9-as-is}", "%a", "%A",
    "%{begin-author-loop}", "%{end-author-loop}", "%{author-family-name}",
    "%{author-given-name}", "%{author-initials}", "%{is-first-author?}",
    "%{is-last-author?}", "%{is-not-first-author?}", "%{is-not-last-author?}", "%{is?2020}",
    "%{is-not?}", "%{is-less-than?2021}", "%{is-greater-than-or-equal?M}",
    "%{begin-subdivision-year}", "%{within-subdivision-year}", "%{end-subdivision-month}",
    "%{name}", "%{map:j}", "%b", "%{ti\\}tle}", "%{\"x}", "%{url.size.kb}",
    "%{begin-subdivision-title}", "%{how-published}", "%{author-give-name}",
};

// Templates that are mostly well formed, so that evaluation gets deep into
// them: sections with alternatives, round groups and author loops nested in
// each other, with a stray piece here and there.
class TemplateGenerator {
 public:
  explicit TemplateGenerator(unsigned seed) : rng_(seed) {}

  std::string next() { return sequence(0); }

 private:
  std::string sequence(int depth) {
    std::string out;
    const unsigned elements = 1 + rng_() % 4;
    for (unsigned i = 0; i < elements; ++i) {
      const unsigned kind = rng_() % 20;
      if (depth < 4 && kind < 5) {
        out += "[" + sequence(depth + 1);
        while (rng_() % 2) out += "|" + sequence(depth + 1);
        out += rng_() % 8 ? "]" : ")";
      } else if (depth < 4 && kind < 7) {
        out += "(" + sequence(depth + 1) + (rng_() % 8 ? ")" : "]");
      } else if (depth < 4 && kind < 8) {
        out += "%a" + sequence(depth + 1) + "%A";
      } else {
        out += kPieces[rng_() % kPieces.size()];
      }
    }
    return out;
  }

  std::mt19937 rng_;
};

TEST(TemplateAgainstReference, GeneratedTemplatesPrintTheSame) {
  TemplateGenerator templates(11);
  const Collection publications = samplePublications();
  int failures = 0;
  for (int i = 0; i < 20000 && failures < 5; ++i) {
    const std::string tpl = templates.next();
    PrintSetup setup;
    if (i % 3 == 1) setup.settings.nbsp = "";
    if (i % 3 == 2) {
      setup.settings.nbsp = "&#160;";
      setup.settings.linebreak = "<br>";
      setup.settings.xmlStyle = true;
    }
    const std::string difference =
        reference::compareWithReference(tpl, publications, setup.environment());
    if (!difference.empty()) {
      ADD_FAILURE() << "template [" << tpl << "]\n" << difference;
      ++failures;
    }
  }
}

TEST(TemplateAgainstReference, DefaultTemplate) {
  PrintSetup setup;
  EXPECT_EQ(reference::compareWithReference(kDefaultPrintingTemplate, samplePublications(),
                                            setup.environment()),
            "");
}

}  // namespace
}  // namespace pubforge
