#pragma once
// A page source with a known number of pages: each page gets a small black
// square in the top left corner of the text area, and its calls are kept.

#include <QPainter>
#include <vector>

#include "compose/fax_page_source.h"

namespace telvane::test {

class FakePageSource : public FaxPageSource {
public:
  explicit FakePageSource(int pages, QStringList lines = {QStringLiteral("Dear Sir")}, int characters = 8)
      : pages_(pages), lines_(std::move(lines)), characters_(characters) {}

  bool HasContent() const override { return pages_ > 0; }
  int CharacterCount() const override { return characters_; }
  QStringList TextLines() const override { return lines_; }
  void SetZoom(int percent) override { zoom = percent; }
  int DrawPage(int position, const QRect& rect, QImage& page, int screenDpi) override {
    rects.push_back(rect);
    dpis.push_back(screenDpi);
    QPainter painter(&page);
    painter.fillRect(QRect(rect.topLeft(), QSize(squareSize, squareSize)), Qt::color1);
    if (stuckAt >= 0) return stuckAt;
    return position + 1 < pages_ ? position + 1 : 0;
  }

  int zoom = 0;
  int squareSize = 40;
  int stuckAt = -1;  // >= 0: every call returns this position
  std::vector<QRect> rects;
  std::vector<int> dpis;

private:
  int pages_;
  QStringList lines_;
  int characters_;
};

}  // namespace telvane::test
