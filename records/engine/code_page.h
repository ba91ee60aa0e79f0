#pragma once
// The code page of a table's text. Character fields hold one byte a
// character in the code page the header's mark names; the program speaks
// UTF-8. Text crosses between the two here, so that other programs reading
// the table see the same characters, and a field's width counts characters.

#include <cstdint>
#include <string>
#include <string_view>

namespace telvane::xbase {

enum class CodePage : uint8_t { Dos437, Windows1252 };

// The code page of a header's code page mark: 0x03 (and 0x57) Windows ANSI,
// anything else (0x01, or none) the DOS code page 437.
CodePage CodePageFromMark(uint8_t mark);

// Stored bytes to UTF-8.
std::string ToUtf8(std::string_view stored, CodePage page);
// UTF-8 to stored bytes; a character the code page lacks becomes '?'. Text
// that is not valid UTF-8 is taken as already in the code page and kept.
std::string FromUtf8(std::string_view text, CodePage page);

}  // namespace telvane::xbase
