#pragma once
// The built-in bitmap font resource ("FAXFONT" of type "AWFAXFONT"), 16384
// bytes, compiled into the program from data/faxfont.bin:
//
// | Offset | Size  | Content                                                      |
// |--------|-------|--------------------------------------------------------------|
// | 0      | 4096  | small font: 256 glyphs x 16 bytes (8 rows x 2 bytes, 12 px)    |
// | 4096   | 12288 | standard font: 256 glyphs x 48 bytes (16 rows x 3 bytes, 20 px) |
//
// Rows are MSB first (leftmost pixel), set bit = black; bits right of the
// glyph width are zero. Glyph n is character n of Windows code page 1252.
// The glyphs are cells for 204 x 98 dpi (standard resolution); fine
// resolution repeats every row.

#include <cstddef>
#include <cstdint>
#include <span>

namespace telvane {

inline constexpr size_t kBuiltinFontSize = 16384;
inline constexpr size_t kSmallFontOffset = 0;
inline constexpr size_t kStandardFontOffset = 4096;
inline constexpr int kSmallGlyphBytes = 16;
inline constexpr int kStandardGlyphBytes = 48;
static_assert(kStandardFontOffset == 256 * kSmallGlyphBytes);
static_assert(kStandardFontOffset + 256 * kStandardGlyphBytes == kBuiltinFontSize);

// The font resource as compiled in.
std::span<const uint8_t> BuiltinFontResource();

}  // namespace telvane
