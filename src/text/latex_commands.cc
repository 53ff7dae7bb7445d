#include "text/latex_commands.h"

#include <algorithm>
#include <array>

namespace pubforge {

namespace {

using Kind = LatexCommandKind;

constexpr LatexCommand text(std::string_view name, std::string_view replacement) {
  return {name, Kind::Text, replacement};
}

// An accent without a letter after it (`\~{}`, `\"` at the end) stands for
// itself: `alone` is its spacing form.
constexpr LatexCommand accent(std::string_view name, std::string_view mark,
                              std::string_view alone) {
  return {name, Kind::Accent, alone, mark};
}

constexpr LatexCommand dotless(std::string_view name, std::string_view letter,
                               std::string_view dotted) {
  return {name, Kind::Text, letter, {}, dotted};
}

// Written in groups for the reader; sorted by name below for the look-up.
constexpr auto kUnsorted = std::to_array<LatexCommand>({
    // Accents.  \C is the cedilla of the LaTeX conversion's own table.
    accent("'", "\u0301", "'"),
    accent("`", "\u0300", "`"),
    accent("^", "\u0302", "^"),
    accent("\"", "\u0308", "\""),
    accent("~", "\u0303", "~"),
    accent("=", "\u0304", "\u00AF"),
    accent(".", "\u0307", "\u02D9"),
    accent("u", "\u0306", "\u02D8"),
    accent("v", "\u030C", "\u02C7"),
    accent("H", "\u030B", "\u02DD"),
    accent("c", "\u0327", "\u00B8"),
    accent("C", "\u0327", "\u00B8"),
    accent("d", "\u0323", "\u0323"),
    accent("b", "\u0331", "\u02CD"),
    accent("r", "\u030A", "\u02DA"),
    accent("k", "\u0328", "\u02DB"),
    accent("t", "\u0361", "\u0361"),
    accent("textcommabelow", "\u0326", ","),
    accent("ocirc", "\u030A", "\u02DA"),

    // Special letters.
    text("ss", "\u00DF"),
    text("SS", "SS"),
    text("ae", "\u00E6"),
    text("AE", "\u00C6"),
    text("oe", "\u0153"),
    text("OE", "\u0152"),
    text("o", "\u00F8"),
    text("O", "\u00D8"),
    text("l", "\u0142"),
    text("L", "\u0141"),
    dotless("i", "\u0131", "i"),
    dotless("j", "\u0237", "j"),
    text("aa", "\u00E5"),
    text("AA", "\u00C5"),
    text("dh", "\u00F0"),
    text("DH", "\u00D0"),
    text("th", "\u00FE"),
    text("TH", "\u00DE"),
    text("ng", "\u014B"),
    text("NG", "\u014A"),
    text("dj", "\u0111"),
    text("DJ", "\u0110"),
    text("dbar", "\u0111"),
    text("Dbar", "\u0110"),
    text("cprime", "\u02B9"),

    // Characters that LaTeX reserves, and spacing.
    text("&", "&"),
    text("%", "%"),
    text("$", "$"),
    text("#", "#"),
    text("_", "_"),
    text("{", "{"),
    text("}", "}"),
    text(" ", " "),
    text("\t", " "),
    text(",", "\u2009"),
    text(";", " "),
    text(":", " "),
    text("!", ""),
    text("/", ""),
    text("-", ""),
    text("@", ""),
    text("(", ""),  // inline and display math delimiters
    text(")", ""),
    text("[", ""),
    text("]", ""),
    text("quad", " "),
    text("qquad", " "),
    {"\\", Kind::LineBreak, {}},

    // Symbols.
    text("textendash", "\u2013"),
    text("textemdash", "\u2014"),
    text("textquoteleft", "\u2018"),
    text("textquoteright", "\u2019"),
    text("textquotedblleft", "\u201C"),
    text("textquotedblright", "\u201D"),
    text("quotesinglbase", "\u201A"),
    text("quotedblbase", "\u201E"),
    text("guillemotleft", "\u00AB"),
    text("guillemotright", "\u00BB"),
    text("guillemetleft", "\u00AB"),
    text("guillemetright", "\u00BB"),
    text("guilsinglleft", "\u2039"),
    text("guilsinglright", "\u203A"),
    text("textexclamdown", "\u00A1"),
    text("textquestiondown", "\u00BF"),
    text("LaTeX", "LaTeX"),
    text("LaTeXe", "LaTeX2e"),
    text("TeX", "TeX"),
    text("BibTeX", "BibTeX"),
    text("textbackslash", "\\"),
    text("textasciitilde", "~"),
    text("textasciicircum", "^"),
    text("textasciiacute", "\u00B4"),
    text("textasciigrave", "`"),
    text("textasciidieresis", "\u00A8"),
    text("textunderscore", "_"),
    text("textbar", "|"),
    text("textless", "<"),
    text("textgreater", ">"),
    text("textbraceleft", "{"),
    text("textbraceright", "}"),
    text("textdollar", "$"),
    text("textsterling", "\u00A3"),
    text("pounds", "\u00A3"),
    text("texteuro", "\u20AC"),
    text("textdegree", "\u00B0"),
    text("textcopyright", "\u00A9"),
    text("copyright", "\u00A9"),
    text("textregistered", "\u00AE"),
    text("texttrademark", "\u2122"),
    text("textsection", "\u00A7"),
    text("S", "\u00A7"),
    text("textparagraph", "\u00B6"),
    text("P", "\u00B6"),
    text("textdagger", "\u2020"),
    text("dag", "\u2020"),
    text("textdaggerdbl", "\u2021"),
    text("ddag", "\u2021"),
    text("textbullet", "\u2022"),
    text("textperiodcentered", "\u00B7"),
    text("textellipsis", "\u2026"),
    text("ldots", "\u2026"),
    text("dots", "\u2026"),
    text("texttimes", "\u00D7"),
    text("textdiv", "\u00F7"),
    text("textpm", "\u00B1"),
    text("textmu", "\u00B5"),

    // Mathematics that bibliographies use in titles.
    text("alpha", "\u03B1"),
    text("beta", "\u03B2"),
    text("gamma", "\u03B3"),
    text("delta", "\u03B4"),
    text("epsilon", "\u03F5"),
    text("varepsilon", "\u03B5"),
    text("zeta", "\u03B6"),
    text("eta", "\u03B7"),
    text("theta", "\u03B8"),
    text("vartheta", "\u03D1"),
    text("iota", "\u03B9"),
    text("kappa", "\u03BA"),
    text("lambda", "\u03BB"),
    text("mu", "\u03BC"),
    text("nu", "\u03BD"),
    text("xi", "\u03BE"),
    text("pi", "\u03C0"),
    text("varpi", "\u03D6"),
    text("rho", "\u03C1"),
    text("varrho", "\u03F1"),
    text("sigma", "\u03C3"),
    text("varsigma", "\u03C2"),
    text("tau", "\u03C4"),
    text("upsilon", "\u03C5"),
    text("phi", "\u03D5"),
    text("varphi", "\u03C6"),
    text("chi", "\u03C7"),
    text("psi", "\u03C8"),
    text("omega", "\u03C9"),
    text("Gamma", "\u0393"),
    text("Delta", "\u0394"),
    text("Theta", "\u0398"),
    text("Lambda", "\u039B"),
    text("Xi", "\u039E"),
    text("Pi", "\u03A0"),
    text("Sigma", "\u03A3"),
    text("Upsilon", "\u03A5"),
    text("Phi", "\u03A6"),
    text("Psi", "\u03A8"),
    text("Omega", "\u03A9"),
    text("times", "\u00D7"),
    text("cdot", "\u22C5"),
    text("cdots", "\u22EF"),
    text("pm", "\u00B1"),
    text("mp", "\u2213"),
    text("leq", "\u2264"),
    text("le", "\u2264"),
    text("geq", "\u2265"),
    text("ge", "\u2265"),
    text("neq", "\u2260"),
    text("ne", "\u2260"),
    text("approx", "\u2248"),
    text("sim", "\u223C"),
    text("infty", "\u221E"),
    text("to", "\u2192"),
    text("rightarrow", "\u2192"),
    text("leftarrow", "\u2190"),
    text("Rightarrow", "\u21D2"),
    text("in", "\u2208"),
    text("subset", "\u2282"),
    text("cup", "\u222A"),
    text("cap", "\u2229"),
    text("circ", "\u2218"),
    text("prime", "\u2032"),
    text("star", "\u22C6"),
    text("cong", "\u2245"),
    text("log", "log"),
    text("exp", "exp"),
    text("sin", "sin"),
    text("cos", "cos"),
    text("max", "max"),
    text("min", "min"),

    // Font and size commands and other markup: only their text stays.
    text("textit", ""),
    text("textbf", ""),
    text("textsc", ""),
    text("textrm", ""),
    text("textsf", ""),
    text("texttt", ""),
    text("textsl", ""),
    text("textup", ""),
    text("textmd", ""),
    text("textnormal", ""),
    text("textsuperscript", ""),
    text("textsubscript", ""),
    text("emph", ""),
    text("mbox", ""),
    text("hbox", ""),
    text("text", ""),
    text("ensuremath", ""),
    text("mathrm", ""),
    text("mathit", ""),
    text("mathbf", ""),
    text("mathsf", ""),
    text("mathtt", ""),
    text("mathcal", ""),
    text("em", ""),
    text("it", ""),
    text("bf", ""),
    text("sc", ""),
    text("rm", ""),
    text("sf", ""),
    text("tt", ""),
    text("sl", ""),
    text("itshape", ""),
    text("bfseries", ""),
    text("scshape", ""),
    text("upshape", ""),
    text("slshape", ""),
    text("mdseries", ""),
    text("rmfamily", ""),
    text("sffamily", ""),
    text("ttfamily", ""),
    text("normalfont", ""),
    text("tiny", ""),
    text("scriptsize", ""),
    text("footnotesize", ""),
    text("small", ""),
    text("normalsize", ""),
    text("large", ""),
    text("Large", ""),
    text("LARGE", ""),
    text("huge", ""),
    text("Huge", ""),
    text("relax", ""),
    text("protect", ""),

    {"url", Kind::Verbatim, {}},
    // A link shows its text; a sort key is not shown at all.
    {"href", Kind::DropArgument, {}},
    {"noopsort", Kind::DropArgument, {}},
});

constexpr auto sortedByName(std::array<LatexCommand, kUnsorted.size()> commands) {
  std::sort(commands.begin(), commands.end(),
            [](const LatexCommand& a, const LatexCommand& b) { return a.name < b.name; });
  return commands;
}

constexpr auto kCommands = sortedByName(kUnsorted);

constexpr bool namesAreUnique() {
  for (std::size_t i = 1; i < kCommands.size(); ++i) {
    if (kCommands[i - 1].name == kCommands[i].name) return false;
  }
  return true;
}
static_assert(namesAreUnique(), "two rows for one command");

constexpr bool accentsHaveMarks() {
  for (const LatexCommand& command : kCommands) {
    if ((command.kind == Kind::Accent) != !command.mark.empty()) return false;
  }
  return true;
}
static_assert(accentsHaveMarks(), "an accent needs its mark, and only an accent has one");

}  // namespace

const LatexCommand* findLatexCommand(std::string_view name) {
  const auto found = std::lower_bound(
      kCommands.begin(), kCommands.end(), name,
      [](const LatexCommand& command, std::string_view key) { return command.name < key; });
  if (found == kCommands.end() || found->name != name) return nullptr;
  return &*found;
}

}  // namespace pubforge
