#pragma once
// Small text helpers shared by every layer. ASCII case rules, as the file
// formats and the modem dialogue use.

#include <string>
#include <string_view>

namespace telvane {

char ToUpperAscii(char c);
char ToLowerAscii(char c);
std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Removes leading and trailing blanks (space characters only).
std::string TrimSpaces(std::string_view text);
// Removes leading and trailing spaces, tabs, CR and LF.
std::string_view TrimWhitespace(std::string_view text);

}  // namespace telvane
