// Printing faxes to real PDF files: sheets and page sizes read back with
// pdfinfo, where the fax lands measured on pages rendered by pdftoppm,
// header and footer text read with pdftotext, cancelling and failing jobs,
// the print log and the viewer window's print commands.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPageSize>
#include <QPushButton>
#include <QSpinBox>
#include <fstream>

#include "faximage/image_exceptions.h"
#include "faximage/viewer/fax_printer.h"
#include "faximage/viewer/fax_viewer_window.h"
#include "faximage/viewer/pre_print_form.h"
#include "faximage/viewer/print_status.h"
#include "platform/scripted_prompts.h"
#include "tests/faximage/viewer_test_pages.h"
#include "tests/support/modal_answerer.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

// The value pdfinfo prints after `key` ("Pages:"), or "" when it fails.
std::string PdfInfo(const std::string& pdf, const std::string& key) {
  const test::CommandResult r = test::RunCommand("pdfinfo '" + pdf + "'");
  const size_t at = r.output.find(key);
  if (r.status != 0 || at == std::string::npos) return "";
  const size_t begin = r.output.find_first_not_of(' ', at + key.size());
  return r.output.substr(begin, r.output.find('\n', begin) - begin);
}

int PdfPages(const std::string& pdf) {
  const std::string pages = PdfInfo(pdf, "Pages:");
  return pages.empty() ? -1 : std::stoi(pages);
}

std::string PdfPageSize(const std::string& pdf) { return PdfInfo(pdf, "Page size:"); }

// The bounding box of the dark pixels of page `page` rendered at 72 dpi
// (one pixel a point) by pdftoppm.
QRect DarkBox(const std::string& pdf, int page, const std::string& work) {
  const std::string base = work + "render";
  const test::CommandResult r = test::RunCommand("pdftoppm -gray -r 72 -f " + std::to_string(page) + " -l " +
                                                 std::to_string(page) + " -singlefile '" + pdf + "' '" + base + "'");
  if (r.status != 0) return {};
  QImage image(QString::fromStdString(base + ".pgm"));
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 128) box = box.united(QRect(x, y, 1, 1));
  return box;
}

struct PrintFixture : ::testing::Test {
  test::ProgramDirectoryScope program;
  std::string fax = program.dir().file("fax.apf");
  std::string pdf = program.dir().file("out.pdf");
  TKovaFaxPrinter printer;
  std::vector<int> logCodes;
  void SetUp() override {
    printer.Printer().setOutputFormat(QPrinter::PdfFormat);
    printer.Printer().setOutputFileName(QString::fromStdString(pdf));
    printer.Printer().setPageSize(QPageSize(QPageSize::A4));
    printer.FaxHeader.Enabled = false;
    printer.FaxFooter.Enabled = false;
    printer.OnFaxPrintLog = [this](TKovaCustomFaxPrinter&, int code) { logCodes.push_back(code); };
  }
  // Where the printable area of a sheet is, in points.
  QRectF printable() const {
    return const_cast<TKovaFaxPrinter&>(printer).Printer().pageLayout().paintRect(QPageLayout::Point);
  }
};

TEST_F(PrintFixture, EachPageFillsItsSheetAtFitToPageSize) {
  test::WriteApf(fax, {test::BlockPage(1728, 2200, 1728), test::BlockPage(1728, 2200, 1728),
                       test::BlockPage(1728, 2200, 1728)});
  printer.SetFileName(fax);
  EXPECT_EQ(printer.PageCount(), 3);
  EXPECT_EQ(printer.FirstPage, 1);
  EXPECT_EQ(printer.LastPage, 3);
  printer.PrintPages();
  EXPECT_EQ(PdfPages(pdf), 3);
  EXPECT_NE(PdfPageSize(pdf).find("(A4)"), std::string::npos) << PdfPageSize(pdf);
  // The page sits at the printable area's top left, 93 % of its width and
  // its whole height.
  const QRectF area = printable();
  const QRect box = DarkBox(pdf, 2, program.path());
  EXPECT_NEAR(box.left(), area.left(), 1.5);
  EXPECT_NEAR(box.top(), area.top(), 1.5);
  EXPECT_NEAR(box.width(), area.width() * 0.93, 2);
  EXPECT_NEAR(box.height(), area.height(), 2);
  EXPECT_EQ(logCodes, (std::vector<int>{lcStart, lcFinish}));
  EXPECT_EQ(printer.CurrentPage(), 0);
  EXPECT_FALSE(program.dir().exists(".out.pdf.part"));
}

TEST_F(PrintFixture, AWidePageFitsInsideTheAreaWithItsProportions) {
  test::WriteApf(fax, {test::BlockPage(2048, 2200, 2048)});
  printer.SetFileName(fax);
  EXPECT_TRUE(printer.FaxWidthWide());
  printer.PrintPages();
  const QRectF area = printable();
  const QRect box = DarkBox(pdf, 1, program.path());
  EXPECT_NEAR(box.width(), area.width() * 0.93, 2);
  EXPECT_NEAR(box.height(), area.height() * 1728 / 2048, 2);
  EXPECT_LE(box.bottom(), area.bottom());
}

TEST_F(PrintFixture, TrueSizeIsTwoHundredDotsPerInch) {
  test::WriteApf(fax, {test::BlockPage(1728, 400, 800)});  // 4 x 2 inches of black
  printer.SetFileName(fax);
  printer.PrintScale = TFaxPrintScale::psNone;
  printer.PrintPages();
  const QRect box = DarkBox(pdf, 1, program.path());
  EXPECT_NEAR(box.width(), 800 * 72 / 200, 1.5);
  EXPECT_NEAR(box.height(), 400 * 72 / 200, 1.5);
}

TEST_F(PrintFixture, FourUpInPortraitAndTwoUpInLandscape) {
  std::vector<test::RasterPage> pages(6, test::BlockPage(1728, 2200, 1728));
  test::WriteApf(fax, pages);
  printer.SetFileName(fax);
  printer.MultiPage = true;
  printer.PrintPages();
  EXPECT_EQ(PdfPages(pdf), 2);
  // Page 6 is the second slot of sheet 2: the right upper quarter.
  const QRectF area = printable();
  const QRect box = DarkBox(pdf, 2, program.path());
  EXPECT_NEAR(box.left(), area.left() + 2.0 / 1200 * 72, 1.5);
  EXPECT_NEAR(box.right(), area.left() + area.width() / 2 + (area.width() / 2 - 4.0 / 1200 * 72) * 0.93, 2);
  EXPECT_NEAR(box.bottom(), area.top() + area.height() / 2, 2);
  printer.Printer().setPageOrientation(QPageLayout::Landscape);
  printer.PrintPages();
  EXPECT_EQ(PdfPages(pdf), 3);
  printer.FirstPage = 2;
  printer.LastPage = 4;
  printer.MultiPage = false;
  printer.PrintPages();
  EXPECT_EQ(PdfPages(pdf), 3);
}

TEST_F(PrintFixture, HeaderAndFooterCarryTheirTags) {
  test::WriteMarkedFax(fax, 5, true, 600);
  printer.SetFileName(fax);
  printer.FaxHeader.Enabled = true;
  printer.FaxHeader.Caption = "From: ACME";
  printer.FaxFooter.Enabled = true;
  printer.FaxFooter.Caption = "Page: $P of $N";
  printer.FirstPage = 2;
  printer.LastPage = 3;
  printer.PrintPages();
  const test::CommandResult text = test::RunCommand("pdftotext -f 1 -l 1 '" + pdf + "' -");
  EXPECT_NE(text.output.find("Page: 2 of 5"), std::string::npos) << text.output;
  EXPECT_NE(text.output.find("From: ACME"), std::string::npos) << text.output;
  // The fax starts below the header line.
  const QRect box = DarkBox(pdf, 2, program.path());
  EXPECT_LT(box.top(), printable().top() + 4);  // the header text itself
}

TEST_F(PrintFixture, CancellingAtAnyPageLeavesNoFileAndLogsTheAbort) {
  test::WriteMarkedFax(fax, 5);
  printer.SetFileName(fax);
  TKovaFaxPrinterLog log;
  printer.FaxPrinterLog = &log;
  printer.OnNextPage = [](TKovaCustomFaxPrinter& sender, uint16_t cp, uint16_t tp) {
    EXPECT_EQ(tp, 5);
    if (cp == 3) sender.CancelPrinting();
  };
  printer.PrintPages();
  EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
  EXPECT_FALSE(program.dir().exists(".out.pdf.part"));
  EXPECT_EQ(logCodes, (std::vector<int>{lcStart, lcAbort}));
  EXPECT_NE(program.dir().read("FAXPRINT.LOG").find(" aborted at "), std::string::npos);
  EXPECT_FALSE(printer.Printing());
  // The printer prints again afterwards.
  printer.OnNextPage = nullptr;
  printer.PrintPages();
  EXPECT_EQ(PdfPages(pdf), 5);
}

TEST_F(PrintFixture, TheStatusWindowShowsProgressAndItsAbortButtonCancels) {
  test::WriteMarkedFax(fax, 3);
  printer.SetFileName(fax);
  TKovaFaxPrinterStatus status;
  printer.StatusDisplay = &status;
  std::vector<TFaxPrintProgress> progress;
  printer.OnFaxPrintStatus = [&](TKovaCustomFaxPrinter&, TFaxPrintProgress p) {
    progress.push_back(p);
    EXPECT_TRUE(status.Visible());
  };
  printer.OnNextPage = [&](TKovaCustomFaxPrinter&, uint16_t cp, uint16_t) {
    if (cp == 2) status.Display().fpsAbortButton->click();
  };
  printer.PrintPages();
  EXPECT_FALSE(status.Visible());
  EXPECT_EQ(progress, (std::vector<TFaxPrintProgress>{TFaxPrintProgress::ppConverting, TFaxPrintProgress::ppComposing,
                                                      TFaxPrintProgress::ppRendering,
                                                      TFaxPrintProgress::ppSubmitting}));
  // What the window showed last, before the abort on page 2.
  EXPECT_EQ(status.Display().fpsStatusLine->text().toStdString(), "Submitting 1 of 3");
  EXPECT_EQ(status.Display().fpsFileName->text().toStdString(), "FAX.APF");
  EXPECT_EQ(status.Display().fpsResolution->text().toStdString(), "high");
  EXPECT_EQ(logCodes, (std::vector<int>{lcStart, lcAbort}));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
}

TEST_F(PrintFixture, APrinterThatCannotPrintFailsClearlyAndLogsIt) {
  test::WriteMarkedFax(fax, 2);
  printer.SetFileName(fax);
  printer.Printer().setOutputFileName(QString::fromStdString(program.path() + "no-such-dir/out.pdf"));
  EXPECT_THROW(printer.PrintPages(), EFaxPrintError);
  EXPECT_EQ(logCodes, (std::vector<int>{lcStart, lcFail}));
  EXPECT_FALSE(printer.Printing());
}

TEST_F(PrintFixture, AFileRewrittenUnderTheSameNameIsReadAfresh) {
  test::WriteMarkedFax(fax, 2);
  printer.SetFileName(fax);
  test::WriteMarkedFax(fax, 3, false);
  printer.SetFileName(fax);
  EXPECT_EQ(printer.PageCount(), 3);
  EXPECT_EQ(printer.LastPage, 3);
  EXPECT_FALSE(printer.FaxResolutionFine());
}

TEST_F(PrintFixture, AFileWithoutPagesPrintsNothing) {
  test::WriteApf(fax, {});
  printer.SetFileName(fax);
  EXPECT_EQ(printer.PageCount(), 0);
  EXPECT_EQ(printer.FirstPage, 0);
  printer.PrintPages();
  EXPECT_TRUE(logCodes.empty());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
}

struct WindowPrintFixture : PrintFixture {
  ScriptedPrompts prompts;
  TFaxViewer window;
  void open(int pages) {
    test::WriteMarkedFax(fax, pages);
    window.FaxFileName = fax;
    window.HeaderText = "To: Bob";
    window.FaxPrinter().Printer().setOutputFormat(QPrinter::PdfFormat);
    window.FaxPrinter().Printer().setOutputFileName(QString::fromStdString(pdf));
    window.show();
  }
};

TEST_F(WindowPrintFixture, PrintCurrentPagePrintsOnlyItThenTheRangeIsWholeAgain) {
  open(4);
  window.FaxViewer().ShowNextPage();
  {
    test::ModalAnswerer answer([](QDialog& d) {
      auto& form = static_cast<TPrePrintForm&>(d);
      EXPECT_FALSE(form.FromPage->isEnabled());
      EXPECT_FALSE(form.PrintMultiPage->isEnabled());
      EXPECT_EQ(form.FromPage->value(), 2);
      form.PrintMultiPage->setChecked(true);
      form.PrintFooter->setChecked(true);
      form.BitBtn1->click();
    });
    window.findChild<QPushButton*>("PrintSinglePageButton")->click();
  }
  EXPECT_EQ(PdfPages(pdf), 1);
  EXPECT_FALSE(window.FaxPrinter().MultiPage);
  EXPECT_EQ(window.FaxPrinter().FirstPage, 1);
  EXPECT_EQ(window.FaxPrinter().LastPage, 4);
  const test::CommandResult text = test::RunCommand("pdftotext '" + pdf + "' -");
  EXPECT_NE(text.output.find("Page: 2 of 4"), std::string::npos) << text.output;
  // The multi-page box of a one-page print is not stored; the footer box is.
  const std::string ini = program.dir().read("TVN.INI");
  EXPECT_NE(ini.find("Footer=1"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("MultiPage=1"), std::string::npos) << ini;

  {
    test::ModalAnswerer answer([](QDialog& d) {
      auto& form = static_cast<TPrePrintForm&>(d);
      EXPECT_EQ(form.FromPage->value(), 1);
      EXPECT_EQ(form.ToPage->value(), 4);
      EXPECT_TRUE(form.PrintFooter->isChecked());  // from the settings
      form.ToPage->setValue(3);
      form.PrintMultiPage->setChecked(true);
      form.PrintHeader->setChecked(true);
      form.BitBtn1->click();
    });
    window.findChild<QPushButton*>("Printbutton")->click();
  }
  EXPECT_EQ(PdfPages(pdf), 1);  // three pages four up
  EXPECT_NE(test::RunCommand("pdftotext '" + pdf + "' -").output.find("To: Bob"), std::string::npos);
  EXPECT_TRUE(prompts.prompts().empty());
}

TEST_F(WindowPrintFixture, CancelledOptionsPrintNothingButKeepTheBoxes) {
  open(2);
  {
    test::ModalAnswerer answer([](QDialog& d) {
      static_cast<TPrePrintForm&>(d).StretchToFit->setChecked(true);
      d.reject();
    });
    window.findChild<QPushButton*>("Printbutton")->click();
  }
  EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
  EXPECT_NE(program.dir().read("TVN.INI").find("Stretch=1"), std::string::npos);
}

TEST_F(WindowPrintFixture, APrintFailureIsShownToTheUser) {
  open(2);
  window.FaxPrinter().Printer().setOutputFileName(QString::fromStdString(program.path() + "missing/out.pdf"));
  {
    test::ModalAnswerer answer([](QDialog& d) { static_cast<TPrePrintForm&>(d).BitBtn1->click(); });
    window.findChild<QPushButton*>("Printbutton")->click();
  }
  ASSERT_EQ(prompts.prompts().size(), 1u);
  EXPECT_EQ(prompts.prompts()[0].text, "The printer could not start the print job.");
  EXPECT_EQ(prompts.prompts()[0].kind, PromptKind::Error);
}

}  // namespace
}  // namespace telvane
