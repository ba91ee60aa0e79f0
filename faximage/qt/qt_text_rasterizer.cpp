#include "faximage/qt/qt_text_rasterizer.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cmath>

namespace telvane {
namespace {

class QtTextRasterizer : public TextRasterizer {
public:
  QtTextRasterizer(const QFont& font, int width) : font_(font), width_(width) {
    const QFontMetrics metrics(font_);
    // The text height of "Wy": ascent plus descent of the font.
    height_ = metrics.boundingRect(QStringLiteral("Wy")).height();
    height_ = std::max(height_, metrics.height());
    ascent_ = metrics.ascent();
  }
  int width() const override { return width_; }
  int lineHeight() const override { return height_; }

  void render(std::string_view text, MonoBitmap& out) override {
    QImage image(width_, height_, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      painter.setFont(font_);
      painter.setPen(Qt::black);
      // Text files carry Windows code page 1252 bytes, close enough to Latin-1.
      painter.drawText(0, ascent_, QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    }
    out.resize(width_, height_);
    for (int y = 0; y < height_; ++y) {
      const uchar* src = image.constScanLine(y);
      uint8_t* dst = out.row(y);
      for (int x = 0; x < width_; ++x)
        if (src[x] < 128) dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  }

private:
  QFont font_;
  int width_;
  int height_ = 0;
  int ascent_ = 0;
};

}  // namespace

QFont QFontForFax(const EnhancedFont& font, bool fine) {
  QFont q(QString::fromStdString(font.family));
  const int pixels = std::max(1, static_cast<int>(std::lround(font.pointSize * 96.0 / 72.0)));
  q.setPixelSize(fine ? 2 * pixels : pixels);
  q.setBold(font.bold);
  q.setItalic(font.italic);
  q.setStyleStrategy(QFont::NoAntialias);
  return q;
}

std::unique_ptr<TextRasterizer> NewQtTextRasterizer(const EnhancedFont& font, bool fine, int width) {
  return std::make_unique<QtTextRasterizer>(QFontForFax(font, fine), width);
}

void InstallQtTextRasterizer() { SetTextRasterizerFactory(NewQtTextRasterizer); }

}  // namespace telvane
