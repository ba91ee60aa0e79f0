#include "richtext/picture_dither.h"

#include <QPainter>
#include <algorithm>
#include <vector>

namespace telvane {
namespace {

constexpr int kMidToneLow = 48, kMidToneHigh = 208;
constexpr double kPhotographMidToneShare = 0.2;

// Floyd-Steinberg, serpentine, on one row of carried errors per line.
void Diffuse(QImage& grey) {
  const int w = grey.width();
  std::vector<int> current(w + 2, 0), next(w + 2, 0);
  for (int y = 0; y < grey.height(); ++y) {
    uchar* row = grey.scanLine(y);
    const bool leftToRight = (y % 2) == 0;
    for (int i = 0; i < w; ++i) {
      const int x = leftToRight ? i : w - 1 - i;
      const int dir = leftToRight ? 1 : -1;
      const int value = std::clamp(row[x] + current[x + 1] / 16, 0, 255);
      const int out = value < 128 ? 0 : 255;
      const int err = value - out;
      row[x] = static_cast<uchar>(out);
      current[x + 1 + dir] += err * 7;
      next[x + 1 - dir] += err * 3;
      next[x + 1] += err * 5;
      next[x + 1 + dir] += err;
    }
    std::swap(current, next);
    std::fill(next.begin(), next.end(), 0);
  }
}

void Threshold(QImage& grey) {
  for (int y = 0; y < grey.height(); ++y) {
    uchar* row = grey.scanLine(y);
    for (int x = 0; x < grey.width(); ++x) row[x] = row[x] < 128 ? 0 : 255;
  }
}

}  // namespace

bool LooksLikePhotograph(const QImage& grey) {
  qint64 mid = 0;
  for (int y = 0; y < grey.height(); ++y) {
    const uchar* row = grey.constScanLine(y);
    for (int x = 0; x < grey.width(); ++x) mid += row[x] > kMidToneLow && row[x] < kMidToneHigh;
  }
  const qint64 total = qint64(grey.width()) * grey.height();
  return total > 0 && mid > total * kPhotographMidToneShare;
}

QImage ToBlackAndWhite(const QImage& image, const QSize& size) {
  if (image.isNull() || size.isEmpty()) return {};
  // Transparent parts are paper: composite onto white before taking greys.
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  {
    QPainter p(&flat);
    p.drawImage(0, 0, image);
  }
  QImage grey = flat.convertToFormat(QImage::Format_Grayscale8)
                    .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  if (LooksLikePhotograph(grey)) Diffuse(grey);
  else Threshold(grey);
  return grey;
}

}  // namespace telvane
