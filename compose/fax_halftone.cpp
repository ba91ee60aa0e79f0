#include "compose/fax_halftone.h"

#include <algorithm>


namespace telvane {
namespace {

constexpr int kTile = 32;
constexpr int kThreshold = 128;
// Grey levels counted as mid-tones, and the share of them that makes a
// tile a photograph: antialiased text edges stay well below it.
constexpr int kMidLow = 48, kMidHigh = 208;
constexpr int kPhotoSharePercent = 30;

// The 8 x 8 ordered-dither (Bayer) matrix: 64 evenly spread thresholds.
constexpr int kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},   {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21}};
int ditherLevel(int x, int y) { return kBayer[y & 7][x & 7] * 4 + 2; }

bool isPhotoTile(const QImage& grey, int x0, int y0) {
  const int x1 = std::min(x0 + kTile, grey.width()), y1 = std::min(y0 + kTile, grey.height());
  int mid = 0;
  for (int y = y0; y < y1; ++y) {
    const uchar* line = grey.constScanLine(y);
    for (int x = x0; x < x1; ++x) mid += line[x] >= kMidLow && line[x] <= kMidHigh;
  }
  return mid * 100 > (x1 - x0) * (y1 - y0) * kPhotoSharePercent;
}

}  // namespace

MonoBitmap ToFaxMono(const QImage& image) {
  QImage grey = image;
  if (grey.hasAlphaChannel()) {
    // Transparent parts are white paper, not black.
    QImage flat(grey.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    for (int y = 0; y < grey.height(); ++y)
      for (int x = 0; x < grey.width(); ++x) {
        const QRgb p = grey.pixel(x, y);
        const int a = qAlpha(p);
        const auto mix = [a](int c) { return (c * a + 255 * (255 - a)) / 255; };
        flat.setPixel(x, y, qRgb(mix(qRed(p)), mix(qGreen(p)), mix(qBlue(p))));
      }
    grey = flat;
  }
  grey = grey.convertToFormat(QImage::Format_Grayscale8);
  MonoBitmap out(grey.width(), grey.height());
  for (int ty = 0; ty < grey.height(); ty += kTile)
    for (int tx = 0; tx < grey.width(); tx += kTile) {
      const bool photo = isPhotoTile(grey, tx, ty);
      const int x1 = std::min(tx + kTile, grey.width()), y1 = std::min(ty + kTile, grey.height());
      for (int y = ty; y < y1; ++y) {
        const uchar* line = grey.constScanLine(y);
        for (int x = tx; x < x1; ++x) {
          const int level = photo ? ditherLevel(x, y) : kThreshold;
          if (line[x] < level) out.set(x, y, true);
        }
      }
    }
  return out;
}

}  // namespace telvane
