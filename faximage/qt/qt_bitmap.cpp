#include "faximage/qt/qt_bitmap.h"

#include <cstring>

namespace telvane {

QImage ToQImage(const MonoBitmap& bitmap) {
  QImage image(bitmap.width, bitmap.height, QImage::Format_Mono);
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});  // index 1 = set bit = black
  for (int y = 0; y < bitmap.height; ++y)
    std::memcpy(image.scanLine(y), bitmap.row(y), static_cast<size_t>(bitmap.pitch));
  return image;
}

MonoBitmap FromQImage(const QImage& image) {
  const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
  MonoBitmap out(gray.width(), gray.height());
  for (int y = 0; y < gray.height(); ++y) {
    const uchar* src = gray.constScanLine(y);
    uint8_t* dst = out.row(y);
    for (int x = 0; x < gray.width(); ++x)
      if (src[x] < 128) dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  return out;
}

}  // namespace telvane
