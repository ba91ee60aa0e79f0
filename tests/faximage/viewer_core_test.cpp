// The Qt-free parts behind viewing and printing: quarter turns, the print
// geometry and tags, the print log, the page cache and the exports of the
// viewer window (read back by libtiff and poppler).

#include <gtest/gtest.h>

#include <chrono>

#include "faximage/page_cache.h"
#include "faximage/page_export.h"
#include "faximage/page_rotation.h"
#include "faximage/print_layout.h"
#include "faximage/print_log.h"
#include "faximage/unpacker_core.h"
#include "tests/faximage/fax_test_util.h"
#include "tests/faximage/libtiff_g3.h"
#include "tests/faximage/test_pages.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using test::Bytes;

// "#." rows as a bitmap, for rotation cases drawn as pictures.
MonoBitmap Picture(const std::vector<std::string>& rows) {
  MonoBitmap b(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) b.set(x, y, rows[static_cast<size_t>(y)][static_cast<size_t>(x)] == '#');
  return b;
}

std::vector<std::string> Rows(const MonoBitmap& b) {
  std::vector<std::string> rows;
  for (int y = 0; y < b.height; ++y) {
    std::string r;
    for (int x = 0; x < b.width; ++x) r += b.pixel(x, y) ? '#' : '.';
    rows.push_back(r);
  }
  return rows;
}

TEST(RotateBitmap, QuarterTurnsMoveTheFirstRowAsDrawn) {
  const MonoBitmap in = Picture({"###.",
                                 "#...",
                                 "...."});
  MonoBitmap out;
  ASSERT_EQ(RotateBitmap(in, 1, out), 0);  // first row: rightmost column, downwards
  EXPECT_EQ(Rows(out), (std::vector<std::string>{".##", "..#", "..#", "..."}));
  ASSERT_EQ(RotateBitmap(in, 2, out), 0);  // rows and bit order reversed
  EXPECT_EQ(Rows(out), (std::vector<std::string>{"....", "...#", ".###"}));
  ASSERT_EQ(RotateBitmap(in, 3, out), 0);  // first row: leftmost column, upwards
  EXPECT_EQ(Rows(out), (std::vector<std::string>{"...", "#..", "#..", "##."}));
  EXPECT_EQ(out.pitch, 1);  // 3 pixels padded to a whole byte, padding white
  EXPECT_EQ(out.row(3)[0] & 0x1F, 0);
  // A quarter turn and then a request for three quarters is a half turn.
  MonoBitmap once, twice, half;
  RotateBitmap(in, 1, once);
  RotateBitmap(once, 3 - 1, twice);
  RotateBitmap(in, 3, half);
  EXPECT_EQ(Rows(twice), Rows(half));
}

TEST(PrintLayout, SheetsHoldOneFourOrTwoPages) {
  // Pages 1..6 four up: a new sheet at 5 only (4 + 2); two up in landscape at 3 and 5.
  std::vector<int> portrait, landscape, single;
  for (int p = 1; p <= 6; ++p) {
    if (StartsNewSheet(p, 1, true, false)) portrait.push_back(p);
    if (StartsNewSheet(p, 1, true, true)) landscape.push_back(p);
    if (StartsNewSheet(p, 1, false, false)) single.push_back(p);
  }
  EXPECT_EQ(portrait, (std::vector<int>{5}));
  EXPECT_EQ(landscape, (std::vector<int>{3, 5}));
  EXPECT_EQ(single, (std::vector<int>{2, 3, 4, 5, 6}));
}

TEST(PrintLayout, SlotsAreQuartersOrHalvesInsetByTwoPixels) {
  const PrintRect sheet{0, 0, 1000, 1400};
  EXPECT_EQ(PageSlot(sheet, 3, 3, false, false), sheet);
  EXPECT_EQ(PageSlot(sheet, 3, 3, true, false), (PrintRect{2, 2, 498, 698}));
  EXPECT_EQ(PageSlot(sheet, 4, 3, true, false), (PrintRect{502, 2, 998, 698}));
  EXPECT_EQ(PageSlot(sheet, 5, 3, true, false), (PrintRect{2, 702, 498, 1398}));
  EXPECT_EQ(PageSlot(sheet, 6, 3, true, false), (PrintRect{502, 702, 998, 1398}));
  EXPECT_EQ(PageSlot(sheet, 7, 3, true, false), (PrintRect{2, 2, 498, 698}));
  const PrintRect wide{0, 0, 1400, 1000};
  EXPECT_EQ(PageSlot(wide, 1, 1, true, true), (PrintRect{2, 2, 698, 998}));
  EXPECT_EQ(PageSlot(wide, 2, 1, true, true), (PrintRect{702, 2, 1398, 998}));
  EXPECT_EQ(PageSlot(wide, 3, 1, true, true), (PrintRect{2, 2, 698, 998}));
}

TEST(PrintLayout, FitAndTrueSize) {
  const PrintRect area{0, 100, 4000, 5100};
  EXPECT_EQ(FaxPrintSize(TFaxPrintScale::psFitToPage, area, 1728, 2200, 600, 600), (PrintSize{3720, 5000}));
  // A wide page keeps its proportion to a standard one and stays inside.
  const PrintSize wide = FaxPrintSize(TFaxPrintScale::psFitToPage, area, 2048, 2200, 600, 600);
  EXPECT_EQ(wide, (PrintSize{3720, 5000 * 1728 / 2048}));
  EXPECT_LE(wide.height, area.height());
  // True size at 200 dpi on a 600 dpi printer, cut to the area's height.
  EXPECT_EQ(FaxPrintSize(TFaxPrintScale::psNone, PrintRect{0, 0, 6000, 7000}, 1728, 2200, 600, 600),
            (PrintSize{5184, 6600}));
  EXPECT_EQ(FaxPrintSize(TFaxPrintScale::psNone, area, 1728, 2200, 600, 600), (PrintSize{5184, 5000}));
  EXPECT_EQ(FaxPrintSize(TFaxPrintScale::psFitToPage, area, 0, 0, 600, 600), (PrintSize{0, 0}));
}

TEST(PrintTags, TagsRunToTheNextSpaceAndUnknownOnesVanish) {
  PrintTagValues v;
  v.date = "2026-12-09";
  v.time = "07:30";
  v.fileName = "/r/FAX0001.APF";
  v.pageCount = 5;
  v.page = 2;
  EXPECT_EQ(ReplacePrintTags("Page: $P of $N", v), "Page: 2 of 5");
  EXPECT_EQ(ReplacePrintTags("$X", v), "");
  EXPECT_EQ(ReplacePrintTags("$p $n $d $T $f", v), "2 5 2026-12-09 07:30 /r/FAX0001.APF");
  EXPECT_EQ(ReplacePrintTags("$p/$n", v), "2");  // one tag up to the space
  EXPECT_EQ(ReplacePrintTags("$Page: end$", v), "2 end");
  EXPECT_EQ(ReplacePrintTags("no tags", v), "no tags");
  // A "$" in a value is printed, not taken for another tag (and never loops).
  v.fileName = "/r/A$P B$$.APF";
  EXPECT_EQ(ReplacePrintTags("File: $F", v), "File: /r/A$P B$$.APF");
}

TEST(PrintTags, HeaderTextsOfReceivedAndSentFaxes) {
  EXPECT_EQ(ReceivedFaxHeader("ACME", "10:00 at 1/2/26", "/Home/Receive/FAX0001.APF"),
            "From: ACME             Received: 10:00 at 1/2/26             Fax File: /home/receive/fax0001.apf");
  EXPECT_EQ(SentFaxHeader("Bob", "Offer", "not sent"), "To: Bob             Subject: Offer             Sent: not sent");
}

TEST(PrintLog, EntriesAppendAndEndAfterFinishAbortAndFailureWithAnEmptyLine) {
  test::ProgramDirectoryScope program;
  TKovaFaxPrinterLog log;
  std::tm when{};
  when.tm_year = 126;
  when.tm_mon = 11;
  when.tm_mday = 9;
  when.tm_hour = 7;
  when.tm_min = 5;
  ASSERT_EQ(log.UpdateLog(lcStart, "/r/F.APF", when), 0);
  ASSERT_EQ(log.UpdateLog(lcAbort, "/r/F.APF", when), 0);
  ASSERT_EQ(log.UpdateLog(lcStart, "/r/F.APF", when), 0);
  ASSERT_EQ(log.UpdateLog(lcFinish, "/r/F.APF", when), 0);
  ASSERT_EQ(log.UpdateLog(lcFail, "/r/F.APF", when), 0);
  EXPECT_EQ(program.dir().read("FAXPRINT.LOG"),
            "Printing /r/F.APF started at 2026-12-09 07:05:00\r\n"
            "Printing /r/F.APF aborted at 2026-12-09 07:05:00\r\n\r\n"
            "Printing /r/F.APF started at 2026-12-09 07:05:00\r\n"
            "Printing /r/F.APF finished at 2026-12-09 07:05:00\r\n\r\n"
            "Printing /r/F.APF failed at 2026-12-09 07:05:00\r\n\r\n");
  log.LogFileName = program.path() + "missing-dir/x.log";
  EXPECT_LT(log.UpdateLog(lcStart, "F", when), 0);
}

struct CacheFixture : ::testing::Test {
  test::TempDir dir;
  std::string path = dir.file("fax.apf");
  void write(int pages, bool fine = true) {
    std::vector<test::RasterPage> list;
    for (int p = 0; p < pages; ++p)
      list.push_back(test::PageFromBuffer(test::MakePage(test::PageKind::Text, 1728, 200 + p, p + 1), 1728, 200 + p, fine));
    test::WriteApf(path, list);
  }
};

TEST_F(CacheFixture, PagesDecodeOnDemandAndAheadInTheBackground) {
  write(5);
  FaxPageCache cache;
  ASSERT_EQ(cache.open(path), 0);
  EXPECT_EQ(cache.pageCount(), 5);
  for (int p = 1; p <= 5; ++p) EXPECT_FALSE(cache.isDecoded(p));  // nothing before it is asked for
  std::shared_ptr<const DecodedPage> page;
  ASSERT_EQ(cache.page(3, page), 0);
  EXPECT_EQ(page->bitmap.height, 202);
  EXPECT_EQ(page->imageFlags & apf::kFlagFine, apf::kFlagFine);
  cache.prefetch({4, 2});
  ASSERT_EQ(cache.page(4, page), 0);  // waits for the worker when it is on it
  EXPECT_EQ(page->bitmap.height, 203);
  cache.retainOnly({4});
  EXPECT_FALSE(cache.isDecoded(3));
  EXPECT_TRUE(cache.isDecoded(4));
  EXPECT_EQ(cache.page(6, page), -1002);
  EXPECT_EQ(cache.page(0, page), -1002);
}

TEST_F(CacheFixture, StandardPagesFollowTheAutoScaleOption) {
  write(1, false);
  FaxPageCache cache;
  ASSERT_EQ(cache.open(path), 0);
  std::shared_ptr<const DecodedPage> page;
  ASSERT_EQ(cache.page(1, page), 0);
  EXPECT_EQ(page->bitmap.height, 200);
  cache.setOptions({unpack_flag::DoubleHeight, 0, 0});
  ASSERT_EQ(cache.page(1, page), 0);
  EXPECT_EQ(page->bitmap.height, 400);
  cache.setOptions({unpack_flag::HalfWidth, 0, 0});
  ASSERT_EQ(cache.page(1, page), 0);
  EXPECT_EQ(page->bitmap.width, 864);  // not a half page beside a white one
  EXPECT_EQ(page->bitmap.height, 200);
}

TEST_F(CacheFixture, ATruncatedFileOpensWithThePagesItStillHas) {
  write(3);
  Bytes file = test::ReadBytes(path);
  const Bytes page3 = test::PageData(path, 3);
  file.resize(file.size() - page3.size() - 400);  // page 3's header and page 2's end are cut
  test::WriteBytes(path, file);
  FaxPageCache cache;
  ASSERT_EQ(cache.open(path), 0);
  EXPECT_EQ(cache.declaredPageCount(), 3);
  EXPECT_EQ(cache.pageCount(), 2);
  std::shared_ptr<const DecodedPage> page;
  EXPECT_EQ(cache.page(1, page), 0);
  // Page 2 lost its end: it shows the lines before the cut, with the error.
  EXPECT_LT(cache.page(2, page), 0);
  ASSERT_TRUE(page);
  EXPECT_GT(page->bitmap.height, 0);
  test::WriteBytes(dir.file("junk.apf"), std::string("not a fax at all"));
  EXPECT_LT(cache.open(dir.file("junk.apf")), 0);
  EXPECT_EQ(cache.pageCount(), 0);
}

TEST(ExportFormat, TheFirstFormatInTheCaptionWins) {
  ExportFormat f;
  ASSERT_TRUE(ExportFormatFromCaption("Export this page as PCX File", f));
  EXPECT_EQ(f, ExportFormat::Pcx);
  ASSERT_TRUE(ExportFormatFromCaption("Export this page as DCX File", f));
  EXPECT_EQ(f, ExportFormat::Dcx);
  ASSERT_TRUE(ExportFormatFromCaption("Export this fax as TIFF File", f));
  EXPECT_EQ(f, ExportFormat::Tiff);
  EXPECT_FALSE(ExportFormatFromCaption("Export", f));
}

struct ExportFixture : ::testing::Test {
  test::TempDir dir;
  std::string fax = dir.file("fax.apf");
  void write(bool fine, int pages = 2) {
    std::vector<test::RasterPage> list;
    for (int p = 0; p < pages; ++p)
      list.push_back(test::PageFromBuffer(test::MakePage(test::PageKind::Text, 1728, 300, p + 7), 1728, 300, fine));
    test::WriteApf(fax, list);
  }
  PageExportRequest request(ExportFormat format, const std::string& name) {
    PageExportRequest r;
    r.faxFile = fax;
    r.page = 2;
    r.format = format;
    r.outFile = dir.file(name);
    return r;
  }
};

TEST_F(ExportFixture, AStandardPageExportsTwiceAsTallAsStored) {
  write(false);
  ASSERT_EQ(ExportFaxPage(request(ExportFormat::Bmp, "page")), 0);  // extension added
  const Bytes bmp = test::ReadBytes(dir.file("page.bmp"));
  ASSERT_GT(bmp.size(), 54u);
  auto le32 = [&](size_t at) { return bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 | bmp[at + 3] << 24; };
  EXPECT_EQ(le32(18), 1728);
  EXPECT_EQ(le32(22), 600);
  ASSERT_EQ(ExportFaxPage(request(ExportFormat::Pcx, "page.pcx")), 0);
  const Bytes pcx = test::ReadBytes(dir.file("page.pcx"));
  EXPECT_EQ(pcx[10] | pcx[11] << 8, 599);  // Ymax
  ASSERT_EQ(ExportFaxPage(request(ExportFormat::Dcx, "page.dcx")), 0);
  EXPECT_GT(test::ReadBytes(dir.file("page.dcx")).size(), 4096u);
}

TEST_F(ExportFixture, AFinePageExportsAsStored) {
  write(true);
  ASSERT_EQ(ExportFaxPage(request(ExportFormat::Pcx, "fine.pcx")), 0);
  const Bytes pcx = test::ReadBytes(dir.file("fine.pcx"));
  EXPECT_EQ(pcx[10] | pcx[11] << 8, 299);
  PageExportRequest missing = request(ExportFormat::Bmp, "x.bmp");
  missing.page = 3;
  EXPECT_LT(ExportFaxPage(missing), 0);
}

TEST_F(ExportFixture, WholeFaxTiffAndPdfReadBackWithLibtiffAndPoppler) {
  write(false, 3);
  ASSERT_EQ(ExportFaxPage(request(ExportFormat::Tiff, "all")), 0);
  const Bytes tiff = test::ReadBytes(dir.file("all.tif"));
  for (int d = 0; d < 3; ++d) {
    std::vector<Bytes> rows;
    ASSERT_TRUE(test::LibtiffDecode(tiff, rows, d)) << d;
    EXPECT_EQ(rows.size(), 300u);
  }
  ASSERT_EQ(ExportFaxPage(request(ExportFormat::Pdf, "all.pdf")), 0);
  const test::CommandResult info = test::RunCommand("pdfinfo '" + dir.file("all.pdf") + "'");
  ASSERT_EQ(info.status, 0) << info.output;
  EXPECT_NE(info.output.find("Pages:           3"), std::string::npos) << info.output;
}

}  // namespace
}  // namespace telvane
