// The macros of a bibliography's preamble: which definitions are read, how
// their uses print as plain text, and the bounds that stop a definition
// that never ends.
#include "text/latex_macros.h"

#include <gtest/gtest.h>

#include <string>

#include "text/plain_text.h"
#include "text_check_util.h"

namespace pubforge {
namespace {

using textcheck::visible;

struct MacroCase {
  const char* name;
  std::string_view preamble;
  std::string_view text;
  std::string_view expected;
};

std::string plainWith(const LatexMacros& macros, std::string_view text,
                      const LatexMacro** overflowed = nullptr) {
  return convertLatexPlain(text, " ", "\n", false, &macros, overflowed);
}

const MacroCase kDefinitionCases[] = {
    {"newcommand with one argument left out", "\\newcommand{\\noopsort}[1]{}",
     "{\\noopsort{1973b}}1972", "1972"},
    {"a command that the conversion knows keeps its meaning",
     "\\def\\BibTeX{{\\rm B\\kern-.05em{\\sc i\\kern-.025em b}\\kern-.08em T}}", "\\BibTeX",
     "BibTeX"},
    {"newcommand without braces around the name", "\\newcommand\\Sec{Section}", "\\Sec{} 2",
     "Section 2"},
    {"starred form and blanks between the parts", "\\newcommand* { \\sw } [2] {#2#1}",
     "\\sw{a}{b}", "ba"},
    {"renewcommand", "\\renewcommand{\\pkg}[1]{#1 package}", "The \\pkg{url}",
     "The url package"},
    {"DeclareRobustCommand", "\\DeclareRobustCommand{\\pr}{PR}", "a \\pr", "a PR"},
    {"a later definition replaces an earlier one",
     "\\newcommand{\\vone}{old}\\renewcommand{\\vone}{new}\\def\\vone{newer}", "\\vone",
     "newer"},
    {"providecommand defines what is not defined", "\\providecommand{\\fn}{FN}", "\\fn", "FN"},
    {"providecommand never replaces", "\\newcommand{\\fn}{one}\\providecommand{\\fn}{two}",
     "\\fn", "one"},
    {"def with parameters", "\\def\\pair#1#2{(#1, #2)}", "\\pair{x}{y}", "(x, y)"},
    {"def with blanks around the name", "\\def \\TUB {TUGboat}", "\\TUB{} 12", "TUGboat 12"},
    {"gdef and edef", "\\gdef\\ga{G}\\edef\\eb{E}", "\\ga\\eb", "GE"},
    {"def of a control symbol", "\\def\\*{star}", "a\\*b", "astarb"},
    {"a delimited parameter text is not read", "\\def\\dl#1.{[#1]}", "\\dl x.", "dl x."},
    {"parameters out of order are not read", "\\def\\po#2{#2}", "\\po{a}", "a"},
    {"an unclosed body is passed over", "\\def\\broken{x \\def\\ok{OK}", "\\broken \\ok",
     "broken OK"},
    {"a definition inside a condition is read", "\\ifx\\undefined\\Tb \\def\\Tb{T}\\fi", "\\Tb",
     "T"},
    {"ten parameters are not read", "\\newcommand{\\ten}[10]{x}", "\\ten", "ten"},
    {"nine parameters", "\\newcommand{\\nine}[9]{#9#8#7#6#5#4#3#2#1}", "\\nine123456789",
     "987654321"},
    {"the text of the preamble around definitions is ignored",
     "\\input bibnames.sty \\newcommand{\\x}{X} % comment", "\\x", "X"},
};

const MacroCase kExpansionCases[] = {
    {"optional first argument left out", "\\newcommand{\\opt}[2][def]{#1/#2}", "\\opt{x}",
     "def/x"},
    {"optional first argument given", "\\newcommand{\\opt}[2][def]{#1/#2}", "\\opt[y]{x}",
     "y/x"},
    {"optional argument with a bracket in braces", "\\newcommand{\\opt}[2][d]{#1/#2}",
     "\\opt[{a]b}]{x}", "a]b/x"},
    {"arguments without braces", "\\def\\sw#1#2{#2#1}", "\\sw ab\\sw\\TeX x", "baxTeX"},
    {"an argument that is one UTF-8 character", "\\def\\dup#1{#1#1}", "\\dup\xC3\xA9",
     "\xC3\xA9\xC3\xA9"},
    {"a missing argument at the end is empty", "\\def\\two#1#2{<#1|#2>}", "\\two{a}", "<a|>"},
    {"a command word takes the blanks after it", "\\def\\cprimex{'}", "Mal\\cprimex tsev",
     "Mal'tsev"},
    {"doubled and unknown parameter signs", "\\def\\h#1{##1 #2 #1}", "\\h{x}", "#1 #2 x"},
    {"macros inside macros", "\\def\\ma{\\mb!}\\def\\mb{\\mc?}\\def\\mc{C}", "\\ma", "C?!"},
    {"an argument may come from the text after the use", "\\def\\br#1{[#1]}\\def\\call{\\br}",
     "\\call{x}y", "[x]y"},
    {"an expansion is converted in its place", "\\def\\e{\\'e}\\def\\sq{^2}", "caf\\e{} $x\\sq$",
     "caf\xC3\xA9 x\xC2\xB2"},
    {"an accent of the value sits on the expansion", "\\def\\E{e}", "\\'\\E", "\xC3\xA9"},
    {"escaped braces in an argument", "\\def\\id#1{#1}", "\\id{a\\}b}", "a}b"},
    {"a doubled backslash is not a macro", "\\def\\n{N}", "a\\\\n", "a\nn"},
    {"an empty expansion", "\\def\\nothing{}", "a\\nothing b", "ab"},
};

void checkMacroCases(const MacroCase* begin, const MacroCase* end) {
  for (const MacroCase* c = begin; c != end; ++c) {
    SCOPED_TRACE(c->name);
    LatexMacros macros;
    macros.addDefinitions(c->preamble);
    LatexMacro unset;
    const LatexMacro* overflowed = &unset;  // must be cleared
    EXPECT_EQ(visible(plainWith(macros, c->text, &overflowed)), visible(c->expected))
        << visible(c->text);
    EXPECT_EQ(overflowed, nullptr);
  }
}

TEST(LatexMacrosTest, Definitions) {
  checkMacroCases(std::begin(kDefinitionCases), std::end(kDefinitionCases));
}

TEST(LatexMacrosTest, Expansions) {
  checkMacroCases(std::begin(kExpansionCases), std::end(kExpansionCases));
}

TEST(LatexMacrosTest, WhatIsDefined) {
  LatexMacros macros;
  EXPECT_TRUE(macros.empty());
  macros.addDefinitions("\\newcommand{\\opt}[3][x]{#1#2#3} \\def\\url#1{#1}");
  EXPECT_FALSE(macros.empty());
  EXPECT_EQ(macros.find("url"), nullptr);  // the conversion's own command
  const LatexMacro* opt = macros.find("opt");
  ASSERT_NE(opt, nullptr);
  EXPECT_EQ(opt->parameters, 3u);
  EXPECT_TRUE(opt->optionalFirst);
  EXPECT_EQ(opt->defaultArgument, "x");
  EXPECT_EQ(opt->body, "#1#2#3");
}

struct OverflowCase {
  const char* name;
  std::string_view preamble;
  std::string_view text;
  std::string_view expected;
  std::string_view macro;  // the one that went too far
};

const OverflowCase kOverflowCases[] = {
    {"a macro that uses itself", "\\def\\a{\\a}", "x \\a y", "x a y", "a"},
    {"one that grows at its end", "\\def\\a{x\\a}", "\\a", "a", "a"},
    {"one that grows in the middle", "\\def\\a{[\\a]}", "\\a", "a", "a"},
    {"two that use each other", "\\def\\ma{\\mb}\\def\\mb{\\ma}", "\\ma", "ma", "mb"},
    {"doubling",
     "\\def\\da{\\db\\db}\\def\\db{\\dc\\dc}\\def\\dc{\\dd\\dd}"
     "\\def\\dd{\\de\\de}\\def\\de{\\df\\df}\\def\\df{\\dg\\dg}"
     "\\def\\dg{\\dh\\dh}\\def\\dh{\\di\\di}\\def\\di{\\dj\\dj}"
     "\\def\\dj{0123456789}",
     "\\da", "da", "de"},
    {"an argument that doubles", "\\def\\dd#1{#1#1}",
     "\\dd{\\dd{\\dd{\\dd{\\dd{\\dd{\\dd{\\dd{\\dd{\\dd{0123456789}}}}}}}}}}", "0123456789",
     "dd"},
    {"what came before the use stays expanded", "\\def\\ok{OK}\\def\\a{\\a}",
     "\\ok{} \\a \\ok", "OK a ok", "a"},
    {"a use inside an argument is printed as written with it", "\\def\\a{\\a}\\def\\id#1{#1}",
     "\\id{\\a} z", "a z", "a"},
};

TEST(LatexMacrosTest, ExpansionThatGoesTooFarIsPrintedAsWritten) {
  for (const OverflowCase& c : kOverflowCases) {
    SCOPED_TRACE(c.name);
    LatexMacros macros;
    macros.addDefinitions(c.preamble);
    const LatexMacro* overflowed = nullptr;
    EXPECT_EQ(visible(plainWith(macros, c.text, &overflowed)), visible(c.expected));
    ASSERT_NE(overflowed, nullptr);
    EXPECT_EQ(overflowed->name, c.macro);
  }
}

// A chain of macros each of which uses the next one inside its text:
// expanded up to the depth bound, and no further.
TEST(LatexMacrosTest, DepthBound) {
  for (std::size_t length : {kMaxMacroDepth, kMaxMacroDepth + 1}) {
    SCOPED_TRACE(length);
    std::string preamble;
    auto name = [](std::size_t i) { return std::string("m") + static_cast<char>('A' + i / 26) +
                                           static_cast<char>('a' + i % 26); };
    for (std::size_t i = 0; i + 1 < length; ++i)
      preamble += "\\def\\" + name(i) + "{\\" + name(i + 1) + ".}";
    preamble += "\\def\\" + name(length - 1) + "{end}";
    LatexMacros macros;
    macros.addDefinitions(preamble);
    const LatexMacro* overflowed = nullptr;
    const std::string printed = plainWith(macros, "\\" + name(0), &overflowed);
    if (length <= kMaxMacroDepth) {
      EXPECT_EQ(printed, "end" + std::string(length - 1, '.'));
      EXPECT_EQ(overflowed, nullptr);
    } else {
      EXPECT_EQ(printed, name(0));
      ASSERT_NE(overflowed, nullptr);
    }
  }
}

// The output bound: ten times the value, and at least kMinMacroOutput.
TEST(LatexMacrosTest, OutputBound) {
  LatexMacros macros;
  macros.addDefinitions("\\def\\long{" + std::string(kMinMacroOutput, 'x') + "}" +
                        "\\def\\longer{" + std::string(kMinMacroOutput + 1, 'y') + "}");
  const LatexMacro* overflowed = nullptr;
  EXPECT_EQ(plainWith(macros, "\\long", &overflowed), std::string(kMinMacroOutput, 'x'));
  EXPECT_EQ(overflowed, nullptr);
  EXPECT_EQ(plainWith(macros, "\\longer", &overflowed), "longer");
  EXPECT_NE(overflowed, nullptr);
  // A longer value may use it: 30 bytes allow 300.
  const std::string value = "\\longer" + std::string(23, '.');
  EXPECT_EQ(plainWith(macros, value, &overflowed),
            std::string(kMinMacroOutput + 1, 'y') + std::string(23, '.'));
  EXPECT_EQ(overflowed, nullptr);
}

// Values built to expose work that grows faster than the value: the test's
// time-out catches a quadratic expansion.
TEST(LatexMacrosTest, LongValuesTakeLinearTime) {
  LatexMacros macros;
  macros.addDefinitions("\\def\\x{ab}\\def\\id#1{#1}\\def\\a{\\a}");
  const std::size_t n = 1 << 18;
  std::string uses;
  for (std::size_t i = 0; i < n; ++i) uses += "\\x{}";
  EXPECT_EQ(plainWith(macros, uses).size(), 2 * n);

  const std::string argument = "\\id{" + std::string(n * 8, 'z') + "}";
  EXPECT_EQ(plainWith(macros, argument).size(), n * 8);

  std::string nested;
  for (std::size_t i = 0; i < n; ++i) nested += "\\id{";
  EXPECT_EQ(plainWith(macros, nested + "q").size(), 1u);

  // Each use goes too far on its own; the first one stops the expansion.
  std::string recursive;
  for (std::size_t i = 0; i < n; ++i) recursive += "\\a ";
  const LatexMacro* overflowed = nullptr;
  EXPECT_EQ(plainWith(macros, recursive, &overflowed).size(), 2 * n);
  EXPECT_NE(overflowed, nullptr);
}

TEST(LatexMacrosTest, WithoutMacrosNothingChanges) {
  LatexMacros none;
  for (std::string_view text : {"\\noopsort{x}y", "\\foo", "plain", "$x^2$"})
    EXPECT_EQ(plainWith(none, text), convertLatexPlain(text, " ", "\n", false));
}

}  // namespace
}  // namespace pubforge
