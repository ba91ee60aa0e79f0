// Page rendering as fax file creation drives it: the page loop over
// DrawPage on the 1664 x 2156 fax page with its text rectangle.

#include <gtest/gtest.h>

#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>

#include "richtext/wp_rich_text.h"

namespace telvane {
namespace {

const QRect kTextArea(QPoint(49, 49), QPoint(1615, 2107));

QImage BlankPage() {
  QImage page(1664, 2156, QImage::Format_Mono);
  page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  page.fill(0);
  return page;
}

int BlackPixels(const QImage& page, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += page.pixelIndex(x, y) == 1;
  return n;
}

struct Rendered {
  std::vector<int> starts;      // the position each page was drawn from
  std::vector<int> blackPixels; // per page
  bool blackOutsideArea = false;
};

Rendered RenderAll(const TWPRichText& text, int zoom = 208) {
  const_cast<TWPRichText&>(text).SetZoom(zoom);
  Rendered r;
  int position = 0;
  do {
    QImage page = BlankPage();
    r.starts.push_back(position);
    position = text.DrawPage(position, kTextArea, page, 96);
    r.blackPixels.push_back(BlackPixels(page, page.rect()));
    r.blackOutsideArea = r.blackOutsideArea || r.blackPixels.back() != BlackPixels(page, kTextArea);
  } while (position > 0 && r.starts.size() < 500);
  return r;
}

TEST(DrawPage, BlankDocumentIsOneEmptyPage) {
  TWPRichText text;
  const Rendered r = RenderAll(text);
  ASSERT_EQ(r.starts.size(), 1u);
  EXPECT_EQ(r.blackPixels[0], 0);
}

TEST(DrawPage, PageBreakGivesTwoPages) {
  TWPRichText text;
  text.setPlainText("first page\nsecond page");
  QTextCursor c(text.document()->findBlockByNumber(1));
  text.setTextCursor(c);
  text.InsertPageBreak();
  const Rendered r = RenderAll(text);
  ASSERT_EQ(r.starts.size(), 2u);
  EXPECT_EQ(r.starts[1], text.document()->findBlockByNumber(1).position());
  EXPECT_GT(r.blackPixels[0], 100);
  EXPECT_GT(r.blackPixels[1], 100);
  EXPECT_FALSE(r.blackOutsideArea);
}

TEST(DrawPage, LongDocumentFlowsOverPagesInOrder) {
  TWPRichText text;
  text.document()->setDefaultFont(QFont("Liberation Serif", 12));
  QStringList lines;
  for (int i = 0; i < 400; ++i) lines << QStringLiteral("Line %1 of a long letter that goes on and on.").arg(i);
  text.setPlainText(lines.join(u'\n'));
  const Rendered r = RenderAll(text);
  // 12 pt lines at 200 dpi: about 45 lines on a 10.3 inch page.
  EXPECT_GE(r.starts.size(), 7u);
  EXPECT_LE(r.starts.size(), 12u);
  for (size_t i = 1; i < r.starts.size(); ++i) EXPECT_GT(r.starts[i], r.starts[i - 1]);
  for (int black : r.blackPixels) EXPECT_GT(black, 1000);
  // Smaller zoom, fewer pages.
  EXPECT_LT(RenderAll(text, 100).starts.size(), r.starts.size());
}

TEST(DrawPage, LineTallerThanAPageStillMovesOn) {
  TWPRichText text;
  text.setPlainText("before");
  text.moveCursor(QTextCursor::End);
  QImage tall(50, 3000, QImage::Format_RGB32);
  tall.fill(Qt::black);
  tall.setDotsPerMeterX(3780);  // 96 dpi: 31 inches tall
  tall.setDotsPerMeterY(3780);
  text.InsertPicture(tall, false);
  text.textCursor().insertText("\nafter");
  const Rendered r = RenderAll(text);
  EXPECT_LE(r.starts.size(), 6u);
  EXPECT_GE(r.starts.size(), 2u);
  EXPECT_GT(r.blackPixels.back(), 0) << "the text after the picture is drawn";
}

TEST(DrawPage, PhotographsAreDitheredAndLineArtIsNot) {
  QImage photo(200, 200, QImage::Format_RGB32), art(200, 200, QImage::Format_RGB32);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) {
      photo.setPixel(x, y, qRgb(x + 20, x + 20, x + 20));
      art.setPixel(x, y, (x / 20) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
  for (const bool isPhoto : {true, false}) {
    TWPRichText text;
    text.InsertPicture(isPhoto ? photo : art, true);
    QImage page = BlankPage();
    EXPECT_EQ(text.DrawPage(0, kTextArea, page, 96), 0);
    // A full-page picture fills the text width; look at a band across its middle.
    const int y = kTextArea.top() + 600;
    int changes = 0;
    for (int x = kTextArea.left() + 1; x < kTextArea.right(); ++x) changes += page.pixelIndex(x, y) != page.pixelIndex(x - 1, y);
    if (isPhoto) EXPECT_GT(changes, 200) << "a grey ramp becomes a fine dot pattern";
    else EXPECT_LE(changes, 20) << "stripes keep their ten edges";
  }
}

TEST(DrawPage, ZoomFollowsTheScreenDpiRule) {
  TWPRichText text;
  text.setPlainText(QString(40, u'M'));
  const auto inkWidth = [&](int zoom, int dpi) {
    text.SetZoom(zoom);
    QImage page = BlankPage();
    text.DrawPage(0, kTextArea, page, dpi);
    int right = 0;
    for (int y = kTextArea.top(); y < kTextArea.top() + 200; ++y)
      for (int x = kTextArea.left(); x <= kTextArea.right(); ++x)
        if (page.pixelIndex(x, y) == 1) right = std::max(right, x);
    return right - kTextArea.left();
  };
  const int at96 = inkWidth(208, 96), at120 = inkWidth(166, 120);
  // Both put about 200 dots to the inch.
  EXPECT_NEAR(at96, at120, at96 / 50);
  EXPECT_NEAR(inkWidth(104, 96) * 2, at96, at96 / 25);
}

}  // namespace
}  // namespace telvane
