// TEMPORARY: placeholders so the program links while the text operations are
// being written.  The text helper deletes this file.
#include "text/strings.h"
namespace pubforge {
std::string convertLatex(std::string_view t, std::string_view, std::string_view, bool) { return std::string(t); }
std::string latexToXml(std::string_view t) { return std::string(t); }
std::string unescapeBackslashes(std::string_view t) { return std::string(t); }
void replaceAll(std::string&, std::string_view, std::string_view) {}
std::string nextWord(std::string& t, std::string_view) { std::string w = t; t.clear(); return w; }
std::string formatString(const char*, ...) { return {}; }
bool takePrefix(std::string_view, std::string_view, std::string&) { return false; }
}  // namespace pubforge
