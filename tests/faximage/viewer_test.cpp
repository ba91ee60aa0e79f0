// The viewer control and the fax viewer window on the offscreen platform:
// opening, paging, keys, zoom, rotation, marking and copying, dropped
// files, damaged files, and the window's buttons, menus and print options.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QUrl>

#include "faximage/image_exceptions.h"
#include "faximage/viewer/fax_viewer_control.h"
#include "faximage/viewer/fax_viewer_window.h"
#include "faximage/viewer/pre_print_form.h"
#include "platform/scripted_prompts.h"
#include "tests/faximage/viewer_test_pages.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

struct ViewerFixture : ::testing::Test {
  test::TempDir dir;
  std::string fax = dir.file("fax.apf");
  TKovaFaxViewer control;
  int pageChanges = 0;
  std::vector<int> errors;
  void SetUp() override {
    control.resize(300, 200);
    control.OnPageChange = [this](TKovaCustomFaxViewer&) { ++pageChanges; };
    control.OnViewerError = [this](TKovaCustomFaxViewer&, int code) { errors.push_back(code); };
    control.show();
  }
  TViewer& viewer() { return control.Viewer(); }
};

TEST_F(ViewerFixture, OpeningDecodesOnlyTheFirstPageAndPagesOnDemand) {
  test::WriteMarkedFax(fax, 4);
  control.SetFileName(fax);
  EXPECT_EQ(control.ViewerPageCount(), 4);
  EXPECT_EQ(control.ShownPage(), 1);
  EXPECT_EQ(pageChanges, 1);
  EXPECT_FALSE(viewer().pageCache().isDecoded(4));  // not all before the first paint
  EXPECT_EQ(control.ShownPageWidth(), 1728);
  control.ShowNextPage();
  EXPECT_EQ(control.ShownPage(), 2);
  control.ShowLastPage();
  control.ShowNextPage();  // ignored on the last page
  EXPECT_EQ(control.ShownPage(), 4);
  control.ShowFirstPage();
  control.ShowPrevPage();  // ignored on page 1
  EXPECT_EQ(control.ShownPage(), 1);
  EXPECT_EQ(pageChanges, 4);
  // Pages outside 1..count are refused and the page stays.
  EXPECT_EQ(viewer().apwViewGotoPage(0), -1002);
  EXPECT_EQ(viewer().apwViewGotoPage(5), -1002);
  EXPECT_THROW(control.ShowPage(5), EBadArgument);
  EXPECT_EQ(control.ShownPage(), 1);
  EXPECT_TRUE(errors.empty());
}

TEST_F(ViewerFixture, AMissingOrForeignFileIsRefusedAndTheShownFileKept) {
  test::WriteMarkedFax(fax, 2);
  control.SetFileName(fax);
  control.ShowNextPage();
  EXPECT_EQ(viewer().apwViewSetFile(dir.file("none.apf")), -2);
  try {
    control.SetFileName(dir.file("none.apf"));
    ADD_FAILURE() << "no exception";
  } catch (const EFaxImageError& e) {
    EXPECT_EQ(e.code(), -2);
  }
  dir.write("letter.txt", "Dear reader, this is no fax image file at all.");
  EXPECT_THROW(control.SetFileName(dir.file("letter.txt")), EFaxBadFormat);
  EXPECT_EQ(control.FileName(), fax);
  EXPECT_EQ(control.ShownPage(), 2);
  control.SetFileName("");
  EXPECT_EQ(control.ShownPage(), 0);
  EXPECT_EQ(viewer().apwViewGetPageDim(), QRect(0, 0, 0, 0));
  EXPECT_EQ(viewer().apwViewCopy(), -8050);
  EXPECT_EQ(viewer().apwViewSelectAll(), -8050);
}

TEST_F(ViewerFixture, KeysPageAndScrollWithCtrlChangingTheirMeaning) {
  test::WriteMarkedFax(fax, 3, true, 1000);
  control.SetFileName(fax);
  QWidget* target = &viewer();
  QTest::keyClick(target, Qt::Key_PageDown);
  EXPECT_EQ(control.ShownPage(), 2);
  QTest::keyClick(target, Qt::Key_Down);
  EXPECT_EQ(viewer().scrollPosition().y(), 8);
  QTest::keyClick(target, Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(viewer().scrollPosition().y(), 88);
  QTest::keyClick(target, Qt::Key_Up, Qt::ControlModifier);
  QTest::keyClick(target, Qt::Key_Up, Qt::ControlModifier);  // never above 0
  EXPECT_EQ(viewer().scrollPosition().y(), 0);
  QTest::keyClick(target, Qt::Key_End);
  EXPECT_EQ(viewer().scrollPosition().x(), viewer().horizontalScrollBar()->maximum());
  EXPECT_GT(viewer().scrollPosition().x(), 1000);
  QTest::keyClick(target, Qt::Key_Home);
  EXPECT_EQ(viewer().scrollPosition().x(), 0);
  QTest::keyClick(target, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(viewer().scrollPosition().y(), viewer().verticalScrollBar()->maximum());
  QTest::keyClick(target, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(control.ShownPage(), 3);
  EXPECT_EQ(viewer().scrollPosition(), QPoint(0, 0));  // a new page starts at the top left
  QTest::keyClick(target, Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(control.ShownPage(), 1);
  QTest::keyClick(target, Qt::Key_PageUp);  // nothing before page 1
  EXPECT_EQ(control.ShownPage(), 1);
}

TEST_F(ViewerFixture, ScalingAndRotationChangeTheDisplayedSize) {
  test::WriteMarkedFax(fax, 1, true, 600);
  control.SetFileName(fax);
  EXPECT_EQ(viewer().displayedSize(), QSize(1728, 600));
  control.SetHorizMult(1);
  control.SetHorizDiv(2);
  EXPECT_EQ(viewer().displayedSize(), QSize(1728, 600));  // not yet scaling
  control.SetScaling(true);
  EXPECT_EQ(viewer().displayedSize(), QSize(864, 600));
  control.RotateTo(1);
  EXPECT_EQ(viewer().displayedSize(), QSize(300, 1728));  // the turned page, scaled
  // The marker at the top left is now at the top right.
  const MonoBitmap turned = viewer().apwViewGetBitmap(1);
  EXPECT_EQ(viewer().apwViewGetPageDim(), QRect(0, 0, 600, 1728));
  EXPECT_EQ(control.Rotation(), 1);
  control.RotateTo(3);  // a half turn from the quarter turn
  EXPECT_EQ(viewer().rotation(), 3);
  EXPECT_THROW(control.RotateTo(4), EFaxImageError);
  EXPECT_EQ(control.Rotation(), 3);
  control.SetScaling(false);
  EXPECT_EQ(viewer().displayedSize(), QSize(600, 1728));
  // A new file starts unturned and unscaled.
  control.SetFileName("");
  control.SetFileName(fax);
  EXPECT_EQ(control.Rotation(), 0);
  EXPECT_EQ(viewer().displayedSize(), QSize(1728, 600));
  EXPECT_EQ(turned.height, 600);  // apwViewGetBitmap gives the stored page
}

TEST_F(ViewerFixture, MarkedAreaCopiesBackThroughTheScale) {
  // Columns alternate in pairs so a stretch is visible: 2 black, 2 white, ...
  test::RasterPage page = test::BlockPage(1728, 200, 0);
  for (auto& row : page.rows)
    for (size_t i = 0; i < row.size(); ++i) row[i] = 0xCC;
  test::WriteApf(fax, {page});
  control.SetFileName(fax);
  EXPECT_THROW(control.CopyToClipboard(), EFaxImageError);
  EXPECT_EQ(viewer().apwViewCopy(), -8051);
  control.SetHorizMult(2);
  control.SetScaling(true);
  ASSERT_EQ(viewer().apwViewSelect(QRect(100, 10, 100, 50)), 0);
  const MonoBitmap marked = viewer().markedBitmap();
  ASSERT_EQ(marked.width, 100);
  ASSERT_EQ(marked.height, 50);
  // Source pixels 50..99 each fill two copied pixels.
  for (int x = 0; x < 100; ++x) EXPECT_EQ(marked.pixel(x, 0), ((50 + x / 2) % 4) < 2) << x;
  ASSERT_EQ(viewer().apwViewCopy(), 0);
  EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(100, 50));
  // Select clamps to the image; select all takes the whole page.
  ASSERT_EQ(viewer().apwViewSelect(QRect(3400, 150, 500, 500)), 0);
  EXPECT_EQ(viewer().markRect(), QRect(3400, 150, 56, 50));
  ASSERT_EQ(viewer().apwViewSelectAll(), 0);
  EXPECT_EQ(viewer().markRect(), QRect(0, 0, 3456, 200));
}

TEST_F(ViewerFixture, DraggingTheMouseMarksAndAClickDropsTheMark) {
  test::WriteMarkedFax(fax, 1, true, 600);
  control.SetFileName(fax);
  QWidget* port = viewer().viewport();
  QTest::mousePress(port, Qt::LeftButton, {}, QPoint(10, 20));
  QMouseEvent move(QEvent::MouseMove, QPointF(60, 70), port->mapToGlobal(QPointF(60, 70)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(port, &move);
  QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(60, 70));
  ASSERT_TRUE(viewer().hasMark());
  EXPECT_EQ(viewer().markRect(), QRect(QPoint(10, 20), QPoint(60, 70)));
  QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(30, 30));
  EXPECT_FALSE(viewer().hasMark());
}

TEST_F(ViewerFixture, ADroppedFileOpensAndIsReported) {
  test::WriteMarkedFax(fax, 2);
  std::string dropped;
  control.OnDropFile = [&](TKovaCustomFaxViewer&, const std::string& name) { dropped = name; };
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(fax))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewer().viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewer().viewport(), &drop);
  EXPECT_EQ(dropped, fax);
  EXPECT_EQ(control.FileName(), fax);
  EXPECT_EQ(control.ViewerPageCount(), 2);
}

TEST_F(ViewerFixture, ACutPageShowsWhatItHasAndReportsTheRest) {
  test::WriteMarkedFax(fax, 3);
  test::Bytes bytes = test::ReadBytes(fax);
  bytes.resize(bytes.size() - test::PageData(fax, 3).size() - 300);
  test::WriteBytes(fax, bytes);
  control.SetFileName(fax);
  EXPECT_EQ(control.ViewerPageCount(), 2);
  EXPECT_EQ(viewer().declaredPageCount(), 3);
  control.ShowNextPage();
  EXPECT_EQ(control.ShownPage(), 2);
  EXPECT_GT(viewer().displayedSize().height(), 0);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], -100);
}

struct WindowFixture : ::testing::Test {
  test::ProgramDirectoryScope program;
  ScriptedPrompts prompts;
  std::string fax = program.dir().file("fax.apf");
  template <typename T>
  T* find(QWidget& w, const char* name) {
    T* child = w.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
};

TEST_F(WindowFixture, PagingButtonsShowOnlyForSeveralPages) {
  test::WriteMarkedFax(fax, 1);
  {
    TFaxViewer window;
    window.FaxFileName = fax;
    window.show();
    EXPECT_EQ(window.StatusText(), "Page 1 of 1");
    EXPECT_FALSE(find<QPushButton>(window, "NextButton")->isVisible());
  }
  test::WriteMarkedFax(fax, 3);
  TFaxViewer window;
  window.FaxFileName = fax;
  window.StatusPrefix = "Received";
  window.show();
  for (const char* name : {"FirstButton", "PrevButton", "NextButton", "LastButton"})
    EXPECT_TRUE(find<QPushButton>(window, name)->isVisible()) << name;
  find<QPushButton>(window, "NextButton")->click();
  EXPECT_EQ(window.StatusText(), "Received: Page 2 of 3");
  find<QPushButton>(window, "LastButton")->click();
  EXPECT_EQ(window.StatusText(), "Received: Page 3 of 3");
  EXPECT_TRUE(prompts.prompts().empty());
}

TEST_F(WindowFixture, ZoomStepsBetweenFixedLevelsAndStopsAtTheEnds) {
  EXPECT_EQ(InitialZoom(900, 1728), 50);
  EXPECT_EQ(InitialZoom(400, 1728), 25);  // 400 / 1728 * 150 = 34
  EXPECT_EQ(InitialZoom(2000, 1728), 50);
  EXPECT_EQ(NextZoomIn(75), 100);
  EXPECT_EQ(NextZoomIn(100), std::nullopt);
  EXPECT_EQ(NextZoomOut(25), std::nullopt);
  EXPECT_EQ(NextZoomIn(66), 75);
  test::WriteMarkedFax(fax, 1, false, 300);  // standard: shown at half width
  TFaxViewer window;
  window.FaxFileName = fax;
  window.resize(700, 500);
  window.show();
  EXPECT_EQ(window.FaxViewer().ShownPageWidth(), 864);
  EXPECT_EQ(window.ZoomLevel(), 50);
  EXPECT_TRUE(find<QAction>(window, "N50PercentItem")->isChecked());
  EXPECT_EQ(window.FaxViewer().Viewer().displayedSize(), QSize(432, 150));
  QPushButton* zoomIn = find<QPushButton>(window, "ZoomInButton");
  zoomIn->click();
  zoomIn->click();
  EXPECT_EQ(window.ZoomLevel(), 100);
  EXPECT_FALSE(window.FaxViewer().Scaling());
  EXPECT_TRUE(find<QAction>(window, "N100PercentItem")->isChecked());
  zoomIn->click();  // beeps
  EXPECT_EQ(window.ZoomLevel(), 100);
  find<QAction>(window, "N25PercentItem")->trigger();
  EXPECT_EQ(window.ZoomLevel(), 25);
  EXPECT_FALSE(find<QAction>(window, "N100PercentItem")->isChecked());
  find<QPushButton>(window, "ZoomOutButton")->click();  // beeps
  EXPECT_EQ(window.ZoomLevel(), 25);
  find<QAction>(window, "Rotate90Item")->trigger();
  EXPECT_EQ(window.FaxViewer().Rotation(), 1);
  EXPECT_TRUE(find<QAction>(window, "Rotate90Item")->isChecked());
  find<QAction>(window, "NoRotateItem")->trigger();
  EXPECT_EQ(window.FaxViewer().Rotation(), 0);
}

TEST_F(WindowFixture, OpeningErrorsAndDamagedFilesAreToldToTheUser) {
  {
    TFaxViewer window;
    window.FaxFileName = program.dir().file("gone.apf");
    window.show();
    EXPECT_EQ(window.StatusText(), "No file loaded");
    ASSERT_EQ(prompts.prompts().size(), 1u);
    EXPECT_EQ(prompts.prompts()[0].text, "Error opening fax file");
  }
  prompts.clear();
  test::WriteMarkedFax(fax, 3);
  test::Bytes bytes = test::ReadBytes(fax);
  bytes.resize(bytes.size() - test::PageData(fax, 3).size() - 20);
  test::WriteBytes(fax, bytes);
  TFaxViewer window;
  window.FaxFileName = fax;
  window.show();
  EXPECT_EQ(window.StatusText(), "Page 1 of 2");
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text, "This fax file is damaged: only 2 of its 3 pages could be read.");
}

TEST_F(WindowFixture, ExportOfAStandardPageIsTwiceAsTallAsDecoded) {
  test::WriteMarkedFax(fax, 2, false, 300);
  TFaxViewer window;
  window.FaxFileName = fax;
  window.show();
  window.FaxViewer().ShowNextPage();
  ASSERT_EQ(window.ExportTo(ExportFormat::Bmp, program.dir().file("p2")), 0);
  const test::Bytes bmp = test::ReadBytes(program.dir().file("p2.bmp"));
  ASSERT_GT(bmp.size(), 30u);
  EXPECT_EQ(bmp[22] | bmp[23] << 8, 602);  // page 2 has 301 coded lines
  ASSERT_EQ(window.ExportTo(ExportFormat::Pdf, program.dir().file("all.pdf")), 0);
  EXPECT_TRUE(program.dir().exists("all.pdf"));
}

TEST(PrePrintForm, ABackwardRangeBeepsAndKeepsTheFormOpen) {
  TPrePrintForm form;
  form.FromPage->setValue(3);
  form.ToPage->setValue(2);
  form.show();
  form.BitBtn1->click();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.result(), 0);
  // Disabled spin edits (one page) are not checked.
  form.FromPage->setEnabled(false);
  form.ToPage->setEnabled(false);
  form.BitBtn1->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace telvane
