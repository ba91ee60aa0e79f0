// The page loop of fax file creation: file names, page counts, the page
// bitmap's geometry, the emptiness rule and what the user sees meanwhile.

#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <fstream>

#include "compose/create_fax_file.h"
#include "compose/fax_file_names.h"
#include "compose/fax_page_renderer.h"
#include "faximage/apf_reader.h"
#include "faximage/fax_export.h"
#include "faximage/image_exceptions.h"
#include "platform/scripted_prompts.h"
#include "tests/compose/fake_page_source.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using test::FakePageSource;

class CreateFaxFileTest : public testing::Test {
protected:
  std::string create(FaxPageSource& cover, FaxPageSource& document, int dpi = 96) {
    FaxFileFeedback feedback;
    feedback.showStatus = [this](const QString& text) { statuses.push_back(text); };
    feedback.enableButtons = [this](bool enabled) { buttons.push_back(enabled); };
    return CreateFaxFileFromSources(cover, document, dpi, feedback, pageCount);
  }
  bool exists(const char* name) const { return home.dir().exists(name); }
  void touch(const std::string& name) const { std::ofstream(home.path() + name) << "x"; }

  test::ProgramDirectoryScope home;
  ScriptedPrompts prompts;
  std::vector<QString> statuses;
  std::vector<bool> buttons;
  int pageCount = -1;
};

// The converter puts the page bitmap 50 pixels into the 1728-pixel fax line.
constexpr int kLineOffset = 50;

std::vector<FaxPageRaster> decode(const std::string& file) {
  std::vector<FaxPageRaster> pages;
  EXPECT_EQ(DecodeFaxPages(file, pages), 0);
  return pages;
}

TEST_F(CreateFaxFileTest, EmptyCoverAndOnePageDocumentMakeTvn1WithOnePage) {
  FakePageSource cover(0), document(1);
  const std::string file = create(cover, document);
  EXPECT_EQ(file, home.path() + "TVN_1.APF");
  EXPECT_EQ(pageCount, 1);
  EXPECT_EQ(decode(file).size(), 1u);
  EXPECT_TRUE(prompts.prompts().empty());
  EXPECT_FALSE(exists("_TMP.BMP"));
}

TEST_F(CreateFaxFileTest, CoverPagesComeFirstAndPageFilesAreJoinedAndRemoved) {
  FakePageSource cover(1), document(2);
  cover.squareSize = 400;  // tells the cover page from the document's
  const std::string file = create(cover, document);
  EXPECT_EQ(pageCount, 3);
  const auto pages = decode(file);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_TRUE(pages[0].bitmap.pixel(kLineOffset + 349, 349));
  EXPECT_FALSE(pages[1].bitmap.pixel(kLineOffset + 349, 349));
  EXPECT_FALSE(exists("TVNAX2.APF"));
  EXPECT_FALSE(exists("TVNAX3.APF"));
  EXPECT_FALSE(exists("_TMP.BMP"));
}

TEST_F(CreateFaxFileTest, LeftOverFaxFileIsNotReused) {
  touch("TVN_1.APF");
  FakePageSource cover(1), document(0);
  EXPECT_EQ(create(cover, document), home.path() + "TVN_2.APF");
}

TEST_F(CreateFaxFileTest, FileNamesWhenAllThousandAreTaken) {
  EXPECT_EQ(FaxPageFileName("/x/", 7), "/x/TVNAX7.APF");
  for (int n = 1; n <= 1000; ++n) touch("TVN_" + std::to_string(n) + ".APF");
  EXPECT_EQ(FirstFaxFileName(home.path()), home.path() + "TVN1.APF");
}

TEST_F(CreateFaxFileTest, PageBitmapGeometryAndMarkerPixel) {
  FakePageSource cover(1), document(0);
  const auto pages = decode(create(cover, document));
  ASSERT_EQ(pages.size(), 1u);
  const FaxPageRaster& page = pages[0];
  EXPECT_TRUE(page.fine);
  EXPECT_EQ(page.bitmap.height, 2156);
  EXPECT_TRUE(page.bitmap.pixel(kLineOffset + 1659, 2151));   // the marker
  EXPECT_FALSE(page.bitmap.pixel(kLineOffset + 1658, 2151));
  EXPECT_TRUE(page.bitmap.pixel(kLineOffset + 49, 49));       // the text area's corner
  EXPECT_FALSE(page.bitmap.pixel(kLineOffset + 48, 48));
  ASSERT_EQ(cover.rects.size(), 1u);
  EXPECT_EQ(cover.rects[0], QRect(QPoint(49, 49), QPoint(1614, 2106)));
  EXPECT_EQ(cover.rects[0].right() + 1, 1615);
  EXPECT_EQ(cover.rects[0].bottom() + 1, 2107);
}

TEST_F(CreateFaxFileTest, ZoomFollowsTheScreenResolution) {
  EXPECT_EQ(FaxZoomForDpi(96), 208);
  EXPECT_EQ(FaxZoomForDpi(120), 166);
  FakePageSource cover(1), document(1);
  create(cover, document, 120);
  EXPECT_EQ(cover.zoom, 166);
  EXPECT_EQ(document.zoom, 166);
  EXPECT_EQ(document.dpis, std::vector<int>{120});
}

TEST_F(CreateFaxFileTest, BothEmptyTellsTheUserAndMakesNoFile) {
  FakePageSource cover(0), document(1, {QStringLiteral("   "), QString(), QStringLiteral("\t ")}, 200);
  EXPECT_EQ(create(cover, document), "");
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text, "Fax has no contents or cover sheet");
  EXPECT_EQ(pageCount, -1);
  EXPECT_FALSE(exists("TVN_1.APF"));
  EXPECT_EQ(buttons, (std::vector<bool>{false, true}));
  EXPECT_TRUE(statuses.back().isEmpty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CreateFaxFileTest, EmptinessRule) {
  const auto empty = [](int characters, QStringList lines) {
    return IsFaxSourceEmpty(FakePageSource(1, std::move(lines), characters));
  };
  EXPECT_TRUE(IsFaxSourceEmpty(FakePageSource(0)));
  EXPECT_TRUE(empty(255, {QStringLiteral(" "), QStringLiteral("  ")}));
  EXPECT_FALSE(empty(256, {QStringLiteral(" ")}));  // 256 blanks are a page
  EXPECT_FALSE(empty(10, {QString(), QStringLiteral(" x ")}));
  QStringList late(201, QStringLiteral(" "));
  late << QStringLiteral("text on line 201 is not looked at");
  EXPECT_TRUE(empty(250, late));
  late.insert(200, QStringLiteral("but line 200 is"));
  EXPECT_FALSE(empty(250, late));
}

TEST_F(CreateFaxFileTest, ManyBlanksMakeABlankPageWithTheMarker) {
  FakePageSource cover(0), document(1, {QString(300, u' ')}, 300);
  document.squareSize = 0;
  const auto pages = decode(create(cover, document));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(pages[0].bitmap.pixel(kLineOffset + 1659, 2151));
}

TEST_F(CreateFaxFileTest, StatusTextsAndButtonBar) {
  FakePageSource cover(1), document(0);
  create(cover, document);
  EXPECT_EQ(statuses, (std::vector<QString>{QStringLiteral("Creating fax file"), QStringLiteral("Creating fax file...."),
                                            QStringLiteral("Creating fax file........"), QString()}));
  EXPECT_EQ(buttons, (std::vector<bool>{false, true}));
}

TEST_F(CreateFaxFileTest, SourceThatDoesNotMoveOnStopsAfterOnePage) {
  FakePageSource cover(5), document(0);
  cover.stuckAt = 0;
  create(cover, document);
  EXPECT_EQ(pageCount, 1);
}

TEST_F(CreateFaxFileTest, WriteErrorRestoresTheWindowAndRaises) {
  // A directory in the page bitmap's place: the bitmap cannot be saved.
  std::filesystem::create_directory(home.path() + "_TMP.BMP");
  std::ofstream(home.path() + "_TMP.BMP/keep") << "x";
  FakePageSource cover(1), document(0);
  EXPECT_THROW(create(cover, document), EFaxImageError);
  EXPECT_EQ(buttons, (std::vector<bool>{false, true}));
  EXPECT_TRUE(statuses.back().isEmpty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace telvane
