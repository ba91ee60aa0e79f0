// Enhanced text (idTextEx) with a system font at the Qt edge, and the
// bitmap conversions of the edge.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include "faximage/fax_converter.h"
#include "faximage/image_status.h"
#include "faximage/qt/qt_bitmap.h"
#include "faximage/qt/qt_text_rasterizer.h"
#include "tests/faximage/fax_test_util.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

int InkedPixels(const std::vector<test::Bytes>& rows) {
  int n = 0;
  for (const auto& r : rows)
    for (uint8_t b : r) n += __builtin_popcount(b);
  return n;
}

TEST(TextEx, SystemFontTextIsDrawnAtTheSameSizeInBothResolutions) {
  InstallQtTextRasterizer();
  test::TempDir dir;
  dir.write("in.txt", "Hello fax\r\nWy\r\n");
  TKovaFaxConverter c;
  c.InputDocumentType = TFaxInputDocumentType::idTextEx;
  c.EnhFont = {"DejaVu Sans", 12, false, false};
  c.Yield = [] { return 0; };
  c.SetDocumentFile(dir.file("in.txt"));
  c.ConvertDocument();
  const auto standard = test::DecodeApfPage(dir.file("in.APF"), 1);
  c.Resolution = TFaxResolution::frHigh;
  c.ConvertDocument();
  const auto fine = test::DecodeApfPage(dir.file("in.APF"), 1);
  ASSERT_GT(standard.size(), 20u);
  EXPECT_EQ(fine.size(), 2 * standard.size() + (fine.size() % 2));  // the font doubled, "Wy" height per line
  const int inkStandard = InkedPixels(standard), inkFine = InkedPixels(fine);
  EXPECT_GT(inkStandard, 100);
  // A fine pixel covers half the paper of a standard one: the fine page
  // needs about twice the pixels for the same text (strokes of whole
  // pixels make it somewhat more).
  const double ratio = static_cast<double>(inkFine) / inkStandard;
  EXPECT_GT(ratio, 1.4);
  EXPECT_LT(ratio, 4.0);
  // Nothing in the left margin.
  for (const auto& r : standard)
    for (int x = 0; x < 50; ++x) ASSERT_FALSE(test::Pixel(r, x));
}

TEST(TextEx, AFontTooLargeForTheWorkBitmapIsRefused) {
  InstallQtTextRasterizer();
  test::TempDir dir;
  dir.write("in.txt", "x\r\n");
  TKovaFaxConverter c;
  c.InputDocumentType = TFaxInputDocumentType::idTextEx;
  c.EnhFont = {"DejaVu Sans", 400, false, false};
  c.SetDocumentFile(dir.file("in.txt"));
  EXPECT_EQ(c.ConvertDocumentStatus(), -image_status::FontTooLarge);
  EXPECT_FALSE(dir.exists("in.APF"));
}

TEST(QtBitmap, MonoBitmapsRoundTripThroughQImage) {
  MonoBitmap b(37, 5);
  b.set(0, 0, true);
  b.set(36, 4, true);
  const QImage image = ToQImage(b);
  EXPECT_EQ(image.format(), QImage::Format_Mono);
  EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));
  EXPECT_EQ(image.pixelColor(1, 0), QColor(Qt::white));
  const MonoBitmap back = FromQImage(image);
  EXPECT_EQ(back.bits, b.bits);
}

// Closing the program while a document converts: the application's quit
// request reaches the conversion through the program's own yield.
TEST(QuitRequest, TheApplicationQuittingEndsARunningConversion) {
  test::TempDir dir;
  std::string text;
  for (int i = 0; i < 200; ++i) text += "line " + std::to_string(i) + "\r\n";
  dir.write("in.txt", text);
  TKovaFaxConverter c;
  c.InputDocumentType = TFaxInputDocumentType::idText;
  c.SetOptions(fax_cvt::coYield | fax_cvt::coYieldOften);
  c.SetDocumentFile(dir.file("in.txt"));
  int rc = 1;
  QTimer::singleShot(0, [&] {
    QCoreApplication::quit();
    rc = c.ConvertDocumentStatus();
  });
  QCoreApplication::exec();
  EXPECT_EQ(rc, -image_status::GotQuitMessage);
  EXPECT_FALSE(dir.exists("in.APF"));
  EXPECT_EQ(c.ConvertDocumentStatus(), 0);  // the request was taken
}

}  // namespace
}  // namespace telvane
