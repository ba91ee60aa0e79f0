// Generates the built-in fax font resource (faximage/data/faxfont.bin) from
// a scalable monospaced font through FreeType:
//
//   telvane-fontgen FONT.ttf OUT.bin
//
// Two cell sizes for standard resolution, where a pixel is 1/204 inch wide
// and 1/98 inch high: small cells of 12 x 8 pixels and standard cells of
// 20 x 16 pixels (about 10 characters per inch and 6 lines per inch). The
// glyphs are rasterised with the font's hinting for monochrome output at
// those unequal resolutions, so the letters keep their proportions on paper.
// Glyph n is character n of Windows code page 1252; control characters and
// unassigned codes stay blank. Layout: see faximage/builtin_font.h.

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

// Unicode code points of code page 1252's 0x80..0x9F (0 = unassigned).
constexpr uint32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t CodePoint(int byte) {
  if (byte < 0x20 || byte == 0x7F) return 0;
  if (byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
  return static_cast<uint32_t>(byte);
}

// Small cells are too few pixels for the hinted outlines: their glyphs are
// rendered in grey levels and cut at this level instead, which keeps thin
// strokes that monochrome rendering drops.
constexpr uint8_t kGrayThreshold = 80;

struct Cell {
  int width, rows, rowBytes;
};

// Renders all 256 glyphs at `pixelSize` (horizontal ppem at 204 dpi;
// vertical follows from 98 dpi). Returns false when a printable ASCII glyph
// leaves the cell.
bool Render(FT_Face face, double points, const Cell& cell, int baseline, std::vector<uint8_t>& out, bool check) {
  const bool gray = cell.rows <= 8;
  FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(points * 64), 204, 98);
  out.assign(static_cast<size_t>(256 * cell.rows * cell.rowBytes), 0);
  for (int c = 0; c < 256; ++c) {
    const uint32_t cp = CodePoint(c);
    if (cp == 0 || cp == ' ') continue;
    const FT_Int32 flags = gray ? (FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) : (FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME);
    if (FT_Load_Char(face, cp, flags)) continue;
    const FT_GlyphSlot g = face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    // Centre the glyph's ink in the cell; the advance is the same for all.
    const int x0 = (cell.width - static_cast<int>(bm.width)) / 2;
    const int y0 = baseline - g->bitmap_top;
    const bool ascii = c >= 0x21 && c <= 0x7E;
    if (check && ascii &&
        (x0 < 0 || y0 < (cell.rows > 8 ? 0 : -1) || x0 + static_cast<int>(bm.width) > cell.width ||
         y0 + static_cast<int>(bm.rows) > cell.rows))
      return false;
    uint8_t* glyph = out.data() + static_cast<size_t>(c * cell.rows * cell.rowBytes);
    for (unsigned y = 0; y < bm.rows; ++y) {
      const int ty = y0 + static_cast<int>(y);
      if (ty < 0 || ty >= cell.rows) continue;
      const uint8_t* src = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
      for (unsigned x = 0; x < bm.width; ++x) {
        const int tx = x0 + static_cast<int>(x);
        if (tx < 0 || tx >= cell.width) continue;
        const bool ink = gray ? src[x] >= kGrayThreshold : (src[x >> 3] & (0x80 >> (x & 7))) != 0;
        if (ink) glyph[ty * cell.rowBytes + (tx >> 3)] |= static_cast<uint8_t>(0x80 >> (tx & 7));
      }
    }
  }
  return true;
}

// The largest size whose printable ASCII glyphs fit the cell with one blank
// row above and one column beside, searched in quarter points.
std::vector<uint8_t> Fit(FT_Face face, const Cell& cell, const char* name) {
  std::vector<uint8_t> best, trial;
  double bestPoints = 0;
  int bestBaseline = 0;
  for (double pt = 3.0; pt <= 20.0; pt += 0.25) {
    FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(pt * 64), 204, 98);
    const int descent = static_cast<int>((-face->size->metrics.descender + 63) / 64);
    const int baseline = cell.rows - std::max(1, descent);
    if (Render(face, pt, {cell.width - 1, cell.rows, cell.rowBytes}, baseline, trial, true) &&
        Render(face, pt, cell, baseline, trial, false)) {
      // Keep row 0 free for line spacing, except in the small cells, which
      // need every row.
      bool topFree = true;
      if (cell.rows > 8)
        for (int c = 0x21; c <= 0x7E && topFree; ++c)
        for (int b = 0; b < cell.rowBytes; ++b)
          if (trial[static_cast<size_t>(c * cell.rows * cell.rowBytes + b)]) topFree = false;
      if (!topFree) continue;
      best = trial;
      bestPoints = pt;
      bestBaseline = baseline;
    }
  }
  std::fprintf(stderr, "%s: %.2f pt, baseline row %d\n", name, bestPoints, bestBaseline);
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FONT.ttf OUT.bin\n", argv[0]);
    return 2;
  }
  FT_Library lib;
  FT_Face face;
  if (FT_Init_FreeType(&lib) || FT_New_Face(lib, argv[1], 0, &face)) {
    std::fprintf(stderr, "cannot load %s\n", argv[1]);
    return 1;
  }
  const std::vector<uint8_t> small = Fit(face, {12, 8, 2}, "small");
  const std::vector<uint8_t> standard = Fit(face, {20, 16, 3}, "standard");
  if (small.size() != 4096 || standard.size() != 12288) {
    std::fprintf(stderr, "no size fits the cells\n");
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(small.data()), static_cast<std::streamsize>(small.size()));
  out.write(reinterpret_cast<const char*>(standard.data()), static_cast<std::streamsize>(standard.size()));
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
  return out ? 0 : 1;
}
