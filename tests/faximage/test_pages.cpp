#include "tests/faximage/test_pages.h"

#include <cmath>

namespace telvane::test {
namespace {
struct Rng {
  uint32_t s;
  uint32_t next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
};
void Set(std::vector<uint8_t>& p, int rowBytes, int x, int y) {
  p[static_cast<size_t>(y) * static_cast<size_t>(rowBytes) + static_cast<size_t>(x >> 3)] |=
      static_cast<uint8_t>(0x80 >> (x & 7));
}
}  // namespace

std::vector<uint8_t> MakePage(PageKind kind, int width, int rows, uint32_t seed) {
  const int rowBytes = width / 8;
  std::vector<uint8_t> p(static_cast<size_t>(rowBytes) * static_cast<size_t>(rows), 0);
  Rng rng{seed * 2654435761u + 12345};
  switch (kind) {
    case PageKind::Text:
      // Lines of "words": glyph-sized blobs of strokes, 40 rows apart.
      for (int line = 0; line * 40 + 65 <= rows; ++line) {  // strokes reach 64 rows below the line start
        int x = 100;
        while (x < width - 120) {
          const int letters = 2 + static_cast<int>(rng.next() % 8);
          for (int l = 0; l < letters && x < width - 120; ++l, x += 18)
            for (int s = 0; s < 10; ++s) {
              const int sx = x + static_cast<int>(rng.next() % 14);
              const int sy = line * 40 + 40 + static_cast<int>(rng.next() % 24);
              for (int k = 0; k < 3; ++k) Set(p, rowBytes, sx + k, sy);
              Set(p, rowBytes, sx, sy + 1);
            }
          x += 18;
        }
      }
      break;
    case PageKind::MostlyWhite:
      for (int y = 200; y < rows; y += 97)
        for (int x = 150 + static_cast<int>(rng.next() % 400); x < 150 + 900; ++x) Set(p, rowBytes, x, y);
      break;
    case PageKind::Dithered:
      // A smooth grey picture through a 4x4 Bayer matrix of 2 x 2 pixel
      // cells, as a scanner's halftone gives it (single-pixel checkerboards
      // overflow libtiff's run buffer).
      for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x) {
          static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
          const double v = 0.5 + 0.45 * std::sin(x * 0.01) * std::cos(y * 0.013);
          if (v * 16 > bayer[(y >> 1) & 3][(x >> 1) & 3] + 0.5) Set(p, rowBytes, x, y);
        }
      break;
    case PageKind::Random:
      for (auto& b : p) b = static_cast<uint8_t>(rng.next());
      break;
  }
  return p;
}

}  // namespace telvane::test
