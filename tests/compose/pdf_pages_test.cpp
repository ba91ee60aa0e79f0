// PDF and image pages: a PDF's pages land on fax pages at the right size
// and place, documents give one picture per page, damaged files are
// reported, and pictures become black and white the way a fax needs.

#include <gtest/gtest.h>

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "compose/document_pages.h"
#include "compose/fax_halftone.h"
#include "compose/pdf_to_fax.h"
#include "faximage/fax_export.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

// A Letter PDF whose page i holds a black box from (1 + i/2 inch, 2 inch)
// two inches wide and one inch high.
QString writePdf(const test::TempDir& dir, int pages) {
  const QString path = QString::fromStdString(dir.file("boxes.pdf"));
  QPdfWriter writer(path);
  writer.setPageSize(QPageSize(QPageSize::Letter));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setResolution(72);
  QPainter painter(&writer);
  for (int i = 0; i < pages; ++i) {
    if (i > 0) writer.newPage();
    painter.fillRect(QRectF(72 + 36 * i, 144, 144, 72), Qt::black);
  }
  painter.end();
  return path;
}

// The bounding box of the black pixels.
QRect blackBox(const MonoBitmap& b) {
  QRect box;
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x)
      if (b.pixel(x, y)) box |= QRect(x, y, 1, 1);
  return box;
}

void expectNear(const QRect& got, const QRect& want, int slack) {
  EXPECT_NEAR(got.left(), want.left(), slack) << "left";
  EXPECT_NEAR(got.top(), want.top(), slack) << "top";
  EXPECT_NEAR(got.width(), want.width(), slack) << "width";
  EXPECT_NEAR(got.height(), want.height(), slack) << "height";
}

TEST(PdfToFax, PagesLandAtTheirSizeAndPlaceInFineAndStandard) {
  test::TempDir dir;
  const QString pdf = writePdf(dir, 2);
  // Letter is wider than the fax line at 204 dpi: it is scaled to fit.
  const double across = 1728.0 / 8.5;
  for (const bool fine : {true, false}) {
    const std::string apf = dir.file(fine ? "fine.apf" : "normal.apf");
    QString error;
    ASSERT_EQ(ConvertPdfToFaxFile(pdf, apf, fine, &error), 0) << error.toStdString();
    std::vector<FaxPageRaster> pages;
    ASSERT_EQ(DecodeFaxPages(apf, pages), 0);
    ASSERT_EQ(pages.size(), 2u);
    const double down = across * (fine ? 196.0 : 98.0) / 204;
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(pages[i].fine, fine);
      EXPECT_EQ(pages[i].bitmap.width, 1728);
      EXPECT_NEAR(pages[i].bitmap.height, 11 * down, 2);
      const QRect want(qRound((1 + 0.5 * i) * across), qRound(2 * down), qRound(2 * across), qRound(down));
      expectNear(blackBox(pages[i].bitmap), want, 2);
    }
    EXPECT_FALSE(dir.exists(fine ? "fine.apf.page2" : "normal.apf.page2"));
  }
}

TEST(PdfToFax, DamagedPdfIsReportedAndMakesNoFile) {
  test::TempDir dir;
  const QString pdf = writePdf(dir, 1);
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  const QByteArray whole = file.readAll();
  file.resize(0);
  file.write(whole.left(40));
  file.close();
  QString error;
  EXPECT_LT(ConvertPdfToFaxFile(pdf, dir.file("out.apf"), true, &error), 0);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(dir.exists("out.apf"));
}

TEST(DocumentPages, PdfGivesOnePicturePerPage) {
  test::TempDir dir;
  const DocumentPages doc = LoadDocumentPages(writePdf(dir, 3), 100);
  EXPECT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
  ASSERT_EQ(doc.pages.size(), 3u);
  EXPECT_EQ(doc.pages[0].size(), QSize(850, 1100));
}

TEST(DocumentPages, ImageFileGivesOnePicture) {
  test::TempDir dir;
  QImage image(120, 80, QImage::Format_RGB32);
  image.fill(Qt::red);
  const QString path = QString::fromStdString(dir.file("picture.png"));
  ASSERT_TRUE(image.save(path));
  const DocumentPages doc = LoadDocumentPages(path);
  ASSERT_EQ(doc.pages.size(), 1u);
  EXPECT_EQ(doc.pages[0].size(), QSize(120, 80));
}

TEST(DocumentPages, JunkAndMissingFilesAreReported) {
  test::TempDir dir;
  dir.write("junk.png", "\x89PNG not really");
  dir.write("junk.pdf", "%PDF-1.4 and nothing more");
  for (const char* name : {"junk.png", "junk.pdf", "missing.jpg"}) {
    const DocumentPages doc = LoadDocumentPages(QString::fromStdString(dir.file(name)));
    EXPECT_TRUE(doc.pages.empty()) << name;
    EXPECT_FALSE(doc.error.isEmpty()) << name;
  }
}

TEST(FaxHalftone, TextIsThresholdedAndPhotographsDithered) {
  QImage image(128, 64, QImage::Format_Grayscale8);
  image.fill(255);
  // Left half: a sharp black bar on white. Right half: flat mid-grey.
  for (int y = 0; y < 64; ++y) {
    for (int x = 8; x < 24; ++x) image.scanLine(y)[x] = 0;
    for (int x = 64; x < 128; ++x) image.scanLine(y)[x] = 128;
  }
  const MonoBitmap mono = ToFaxMono(image);
  int leftBlack = 0, rightBlack = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 128; ++x) (x < 64 ? leftBlack : rightBlack) += mono.pixel(x, y);
  EXPECT_EQ(leftBlack, 16 * 64);             // exactly the bar
  EXPECT_NEAR(rightBlack, 64 * 64 / 2, 128);  // about half the grey
}

TEST(FaxHalftone, TransparentIsWhitePaper) {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  const MonoBitmap mono = ToFaxMono(image);
  EXPECT_EQ(std::count(mono.bits.begin(), mono.bits.end(), 0), static_cast<long>(mono.bits.size()));
}

}  // namespace
}  // namespace telvane
