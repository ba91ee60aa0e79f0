#pragma once
// The plain bitmap types of the image cores. Monochrome rows follow the
// raster convention: most significant bit = leftmost pixel, set bit = black.
// (Windows bitmaps store the opposite; the Qt edge maps this to a
// QImage::Format_Mono with a black-on-white colour table.)

#include <cstddef>
#include <cstdint>
#include <vector>

namespace telvane {

struct MonoBitmap {
  int width = 0;   // pixels
  int height = 0;  // rows
  int pitch = 0;   // bytes per row
  std::vector<uint8_t> bits;

  MonoBitmap() = default;
  MonoBitmap(int w, int h) { resize(w, h); }
  void resize(int w, int h) {
    width = w;
    height = h;
    pitch = (w + 7) / 8;
    bits.assign(static_cast<size_t>(pitch) * static_cast<size_t>(h), 0);
  }
  uint8_t* row(int y) { return bits.data() + static_cast<size_t>(y) * static_cast<size_t>(pitch); }
  const uint8_t* row(int y) const { return bits.data() + static_cast<size_t>(y) * static_cast<size_t>(pitch); }
  bool pixel(int x, int y) const { return (row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
  void set(int x, int y, bool black) {
    uint8_t& b = row(y)[x >> 3];
    const uint8_t m = static_cast<uint8_t>(0x80 >> (x & 7));
    b = black ? (b | m) : (b & ~m);
  }
};

// A bitmap handed to the converter: monochrome rows, or colour pixels
// (0xRRGGBB, row after row) that the converter dithers.
struct SourceBitmap {
  bool monochrome = true;
  MonoBitmap mono;
  int width = 0, height = 0;      // colour bitmaps
  std::vector<uint32_t> rgb;      // colour bitmaps: width * height pixels

  int pixelWidth() const { return monochrome ? mono.width : width; }
  int pixelHeight() const { return monochrome ? mono.height : height; }
};

}  // namespace telvane
