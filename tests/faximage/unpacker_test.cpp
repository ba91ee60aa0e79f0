// The unpacker: rows, whitespace compression, square-pixel adaptation,
// scaling, bitmaps, PCX/DCX/BMP export and the whole-fax TIFF and PDF export,
// with libtiff as the independent peer in both directions.

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <tuple>

#include "faximage/fax_converter.h"
#include "faximage/fax_export.h"
#include "faximage/fax_unpacker.h"
#include "faximage/image_exceptions.h"
#include "faximage/image_status.h"
#include "faximage/unpacker_core.h"
#include "tests/faximage/fax_test_util.h"
#include "tests/faximage/libtiff_g3.h"
#include "tests/faximage/test_pages.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using test::Bytes;

// A page whose rows are black marks separated by runs of white rows.
test::RasterPage Striped(const std::vector<int>& whiteRuns, bool fine, int width = 1728) {
  test::RasterPage p;
  p.width = width;
  p.fine = fine;
  Bytes mark(static_cast<size_t>(width / 8), 0);
  mark[10] = 0xFF;
  p.rows.push_back(mark);
  for (int run : whiteRuns) {
    for (int i = 0; i < run; ++i) p.rows.emplace_back(static_cast<size_t>(width / 8), 0);
    p.rows.push_back(mark);
  }
  return p;
}

struct UnpackFixture : ::testing::Test {
  test::TempDir dir;
  TKovaFaxUnpacker u;
  std::string write(const std::vector<test::RasterPage>& pages) {
    const std::string f = dir.file("fax.apf");
    test::WriteApf(f, pages);
    u.SetInFileName(f);
    u.Options = 0;
    return f;
  }
};

TEST_F(UnpackFixture, APageGivesExactlyItsCodedLinesAsRows) {
  write({Striped({5, 5}, true)});
  const MonoBitmap b = u.DecodePageToBitmap(1);
  EXPECT_EQ(b.height, 13);
  EXPECT_EQ(b.width, 1728);
  EXPECT_EQ(u.FilePageCount(), 1);
  EXPECT_TRUE(u.PageIsFine());
  EXPECT_FALSE(u.PageIsWide());
}

TEST_F(UnpackFixture, WhitespaceFrom50To10SqueezesLongWhiteRunsOnly) {
  write({Striped({120, 30, 49, 50}, true)});
  u.WhitespaceCompression = true;
  u.WhitespaceFrom = 50;
  u.WhitespaceTo = 10;
  const MonoBitmap b = u.DecodePageToBitmap(1);
  EXPECT_EQ(b.height, 5 + 10 + 30 + 49 + 10);
  u.WhitespaceFrom = 5;
  u.WhitespaceTo = 10;  // From below To is refused
  EXPECT_THROW(u.DecodePageToBitmap(1), EBadArgument);
  UnpackerCore core;
  EXPECT_EQ(SetWhitespace(core, 0, 3), -image_status::BadArgument);
  EXPECT_EQ(SetWhitespace(core, 0, 0), 0);
}

TEST_F(UnpackFixture, WhiteRunsAtThePageEndFollowTheSameRule) {
  test::RasterPage p = Striped({3}, true);
  for (int i = 0; i < 80; ++i) p.rows.emplace_back(216, 0);
  write({p});
  u.WhitespaceCompression = true;
  u.WhitespaceFrom = 50;
  u.WhitespaceTo = 10;
  EXPECT_EQ(u.DecodePageToBitmap(1).height, 5 + 10);
  u.WhitespaceTo = 50;  // From equal To: nothing at the end
  EXPECT_EQ(u.DecodePageToBitmap(1).height, 5);
}

TEST_F(UnpackFixture, StandardPagesAreDoubledOrHalvedFinePagesAreNot) {
  write({Striped({4}, false), Striped({4}, true)});
  u.AutoScaleMode = TAutoScaleMode::asDoubleHeight;
  EXPECT_EQ(u.DecodePageToBitmap(1).height, 12);
  EXPECT_EQ(u.DecodePageToBitmap(2).height, 6);
  u.AutoScaleMode = TAutoScaleMode::asHalfWidth;
  const MonoBitmap half = u.DecodePageToBitmap(1);
  EXPECT_EQ(half.height, 6);
  // Pixels 80..87 (byte 10) merge into 40..43.
  for (int x = 38; x < 46; ++x) EXPECT_EQ(half.pixel(x, 0), x >= 40 && x < 44) << x;
  u.AutoScaleMode = TAutoScaleMode::asNone;
  EXPECT_EQ(u.DecodePageToBitmap(1).height, 6);
}

TEST_F(UnpackFixture, DoubleHeightAndHalfWidthExcludeEachOther) {
  UnpackerCore core;
  SetUnpackFlags(core, unpack_flag::DoubleHeight);
  SetUnpackFlags(core, unpack_flag::HalfWidth);
  EXPECT_EQ(core.flags, unpack_flag::HalfWidth);
  SetUnpackFlags(core, unpack_flag::HalfWidth | unpack_flag::DoubleHeight);
  EXPECT_EQ(core.flags, unpack_flag::HalfWidth);
}

TEST_F(UnpackFixture, ScalingByHalfHalvesBothDimensionsKeepingBlack) {
  test::RasterPage p;
  p.fine = true;
  for (int y = 0; y < 100; ++y) {
    Bytes r(216, 0);
    if (y == 51) test::SetPixel(r, 1001);  // a lone pixel survives the merge
    p.rows.push_back(r);
  }
  write({p});
  u.Scaling = true;
  u.SetHorizMult(50);
  u.SetHorizDiv(100);
  u.SetVertMult(50);
  u.SetVertDiv(100);
  u.SetVertDiv(0);  // ignored
  const MonoBitmap b = u.DecodePageToBitmap(1);
  EXPECT_EQ(b.width, 864);
  EXPECT_EQ(b.height, 50);
  EXPECT_TRUE(b.pixel(500, 25));
}

TEST_F(UnpackFixture, AllWhitePagesAreFullWidthAndWidePagesWider) {
  write({Striped({}, true), Striped({2}, true, 2048)});
  test::RasterPage white;
  white.rows.assign(4, Bytes(216, 0));
  write({white, Striped({2}, true, 2048)});
  EXPECT_EQ(u.DecodePageToBitmap(1).width, 1728);
  EXPECT_EQ(u.DecodePageToBitmap(2).width, 2048);
}

TEST_F(UnpackFixture, OutputLineEventsBracketEveryPage) {
  write({Striped({1}, true)});
  std::vector<std::string> calls;
  u.OnOutputLine = [&](TKovaCustomFaxUnpacker&, bool s, bool e, const uint8_t*, int len, int page) {
    calls.push_back(s ? "start" : e ? "end" : std::to_string(len) + "@" + std::to_string(page));
  };
  u.UnpackPage(1);
  EXPECT_EQ(calls, (std::vector<std::string>{"start", "216@1", "216@1", "216@1", "end"}));
  EXPECT_THROW(u.UnpackPage(2), EFaxBadFormat);
}

// A cancelled print sets uoAbort while a page decodes: the page ends where
// it stands instead of raising "User aborted fax unpack".
TEST_F(UnpackFixture, AbortEndsThePageWithoutAnError) {
  write({Striped({200, 200}, true)});
  u.OnStatus = [](TKovaCustomFaxUnpacker& s, const std::string&, int, long done, long total) {
    EXPECT_LE(done, total);
    s.Options |= unpacker_option::uoAbort;
  };
  MonoBitmap bitmap;
  EXPECT_EQ(u.DecodePageToBitmapStatus(1, bitmap), 0);
  EXPECT_LT(bitmap.height, 403);
  EXPECT_TRUE(u.LastDecodeAborted());
  u.OnStatus = nullptr;
  u.Options = 0;
  EXPECT_EQ(u.DecodePageToBitmap(1).height, 403);
  EXPECT_FALSE(u.LastDecodeAborted());
}

TEST_F(UnpackFixture, TruncatedPageKeepsItsLinesWhenAskedTo) {
  const std::string path = write({Striped({300, 300}, true)});
  // A raw page (no length words) whose data ends before ImageLength.
  const Bytes data = test::StripLengthWords(test::PageData(path, 1));
  test::WriteBytes(path, test::BuildApf(1, {{apf::kFlagFine, Bytes(data.begin(), data.begin() + data.size() / 2)}},
                                        {static_cast<uint32_t>(data.size())}));
  UnpackerCore core;
  MonoBitmap out;
  const int rc = UnpackPageToBitmap(core, path, 1, out);
  EXPECT_LT(rc, 0);
  EXPECT_EQ(out.height, 0);
  core.keepPartialPage = true;
  EXPECT_EQ(UnpackPageToBitmap(core, path, 1, out), rc);
  EXPECT_GT(out.height, 100);
  EXPECT_LT(out.height, 603);
}

TEST_F(UnpackFixture, InFileNameSetsOutFileNameWithoutExtension) {
  u.SetInFileName("/tmp/x/FAX0001.APF");
  EXPECT_EQ(u.OutFileName, "/tmp/x/FAX0001");
  u.OutFileName = "other";
  u.SetInFileName("/tmp/x/fax0001.apf");  // differs only in case
  EXPECT_EQ(u.OutFileName, "other");
}

TEST_F(UnpackFixture, PcxAndDcxExportHaveTheirHeadersAndRunLengthCoding) {
  const Bytes page = test::MakePage(test::PageKind::Text, 1728, 60, 2);
  write({test::PageFromBuffer(page, 1728, 60)});
  u.OutFileName = dir.file("page");
  u.ExportPageAsPcx(1);
  const Bytes pcx = test::ReadBytes(dir.file("page.PCX"));
  ASSERT_GT(pcx.size(), 128u);
  EXPECT_EQ(pcx[0], 10);
  EXPECT_EQ(pcx[1], 2);
  EXPECT_EQ(pcx[2], 1);
  EXPECT_EQ(pcx[3], 1);
  EXPECT_EQ(Get16(&pcx[8]), 1727);
  EXPECT_EQ(Get16(&pcx[10]), 59);
  EXPECT_EQ(pcx[65], 1);
  EXPECT_EQ(Get16(&pcx[66]), 216);
  // A white row is 0xFF bytes: three runs of 63 and one of 27.
  const Bytes blankRow = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xDB, 0xFF};
  EXPECT_EQ(Bytes(pcx.begin() + 128, pcx.begin() + 136), blankRow);
  u.ExportPageAsDcx(1);
  const Bytes dcx = test::ReadBytes(dir.file("page.DCX"));
  EXPECT_EQ(Get32(dcx.data()), 987654321u);
  EXPECT_EQ(Get32(&dcx[4]), 4100u);
  EXPECT_EQ(Get32(&dcx[8]), 0u);
  EXPECT_EQ(Bytes(dcx.begin() + 4100, dcx.end()), pcx);
  // A byte of 0xC0 or more standing alone is written as a run of one.
  MonoBitmap b(16, 1);
  b.row(0)[0] = 0x3F;  // inverted: 0xC0
  b.row(0)[1] = 0x00;
  const Bytes one = EncodePcx(b);
  EXPECT_EQ(Bytes(one.begin() + 128, one.end()), (Bytes{0xC1, 0xC0, 0xC1, 0xFF}));
}

// --- libtiff as the peer -----------------------------------------------------

TEST(LibtiffPeer, EveryPageTelvaneWritesDecodesWithLibtiff) {
  test::TempDir dir;
  for (auto kind : {test::PageKind::Text, test::PageKind::MostlyWhite, test::PageKind::Dithered}) {
    for (int width : {1728, 2048}) {
      const int rows = 150;
      const Bytes page = test::MakePage(kind, width, rows, 5);
      test::WriteApf(dir.file("p.apf"), {test::PageFromBuffer(page, width, rows)});
      const Bytes g3 = test::StripLengthWords(test::PageData(dir.file("p.apf"), 1));
      std::vector<Bytes> decoded;
      ASSERT_TRUE(test::LibtiffDecode(test::WrapG3InTiff(g3, width, rows, 4), decoded));
      ASSERT_EQ(decoded, test::PageFromBuffer(page, width, rows).rows) << "width " << width;
    }
  }
}

TEST(LibtiffPeer, TheConvertersPagesDecodeWithLibtiffAsDrawn) {
  test::TempDir dir;
  std::string text;
  for (int i = 0; i < 20; ++i) text += "Telvane line " + std::to_string(i) + " \t tab\r\n";
  dir.write("in.txt", text);
  TKovaFaxConverter c;
  c.InputDocumentType = TFaxInputDocumentType::idText;
  c.SetDocumentFile(dir.file("in.txt"));
  c.Yield = [] { return 0; };
  c.ConvertDocument();
  const auto ours = test::DecodeApfPage(dir.file("in.APF"), 1);
  const Bytes g3 = test::StripLengthWords(test::PageData(dir.file("in.APF"), 1));
  std::vector<Bytes> decoded;
  ASSERT_TRUE(test::LibtiffDecode(test::WrapG3InTiff(g3, 1728, static_cast<int>(ours.size()), 4), decoded));
  EXPECT_EQ(decoded, ours);
  EXPECT_EQ(ours.size(), 20u * 16);
}

TEST(LibtiffPeer, PagesCodedByLibtiffDecodeWithTheUnpacker) {
  test::TempDir dir;
  for (auto kind : {test::PageKind::Text, test::PageKind::Dithered}) {
    const Bytes page = test::MakePage(kind, 1728, 120, 11);
    Bytes strip;
    test::LibtiffEncode(page, 1728, 120, &strip);
    // A raw-stream page as the fax engine stores received pages.
    test::WriteBytes(dir.file("raw.apf"), test::BuildApf(1, {{apf::kFlagFine, strip}}));
    int status = 1;
    const auto rows = test::DecodeApfPage(dir.file("raw.apf"), 1, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(rows, test::PageFromBuffer(page, 1728, 120).rows);
  }
}

TEST(FaxExport, TiffClassFIsReadByLibtiffAndTiffinfo) {
  test::TempDir dir;
  const Bytes a = test::MakePage(test::PageKind::Text, 1728, 80, 1);
  const Bytes b = test::MakePage(test::PageKind::Dithered, 1728, 40, 2);
  test::WriteApf(dir.file("f.apf"), {test::PageFromBuffer(a, 1728, 80, true), test::PageFromBuffer(b, 1728, 40, false)});
  ASSERT_EQ(ExportFaxAsTiff(dir.file("f.apf"), dir.file("f.tif")), 0);
  std::vector<Bytes> rows;
  ASSERT_TRUE(test::LibtiffDecode(test::ReadBytes(dir.file("f.tif")), rows));
  EXPECT_EQ(rows, test::PageFromBuffer(a, 1728, 80).rows);
  ASSERT_TRUE(test::LibtiffDecode(test::ReadBytes(dir.file("f.tif")), rows, 1));
  EXPECT_EQ(rows, test::PageFromBuffer(b, 1728, 40).rows);
  // efax's converter reads both pages back to the same pixels.
  const std::string efix = "cd " + dir.path() + " && efix -i tiffg3 -o pbm -n 'e%d.pbm' f.tif > /dev/null 2>&1";
  if (std::system(efix.c_str()) == 0) {
    for (const auto& [name, page, height] : {std::tuple{"e1.pbm", &a, 80}, std::tuple{"e2.pbm", &b, 40}}) {
      const Bytes pbm = test::ReadBytes(dir.file(name));
      const std::string head = "P4 1728 " + std::to_string(height) + "\n";
      ASSERT_GT(pbm.size(), head.size()) << name;
      EXPECT_EQ(std::string(pbm.begin(), pbm.begin() + static_cast<long>(head.size())), head) << name;
      EXPECT_EQ(Bytes(pbm.begin() + static_cast<long>(head.size()), pbm.end()), *page) << name;
    }
  }
  const std::string cmd = "tiffinfo " + dir.file("f.tif") + " > " + dir.file("info.txt") + " 2>&1";
  if (std::system(cmd.c_str()) == 0) {
    const std::string info = dir.read("info.txt");
    EXPECT_NE(info.find("CCITT Group 3"), std::string::npos);
    EXPECT_NE(info.find("lsb-to-msb"), std::string::npos);
    EXPECT_NE(info.find("204, 196"), std::string::npos);
    EXPECT_NE(info.find("204, 98"), std::string::npos);
    EXPECT_NE(info.find("Page Number: 1-2"), std::string::npos);
    EXPECT_EQ(info.find("rror"), std::string::npos) << info;
  }
}

TEST(FaxExport, PdfOpensInPopplerWithOnePagePerFaxPage) {
  test::TempDir dir;
  const Bytes a = test::MakePage(test::PageKind::Text, 1728, 200, 1);
  test::WriteApf(dir.file("f.apf"), {test::PageFromBuffer(a, 1728, 200), test::PageFromBuffer(a, 1728, 200, false)});
  ASSERT_EQ(ExportFaxAsPdf(dir.file("f.apf"), dir.file("f.pdf")), 0);
  const std::string cmd = "pdfinfo " + dir.file("f.pdf") + " > " + dir.file("info.txt") + " 2>&1";
  if (std::system(cmd.c_str()) != 0 && !dir.exists("info.txt")) GTEST_SKIP() << "no pdfinfo";
  const std::string info = dir.read("info.txt");
  const size_t pages = info.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info;
  EXPECT_EQ(std::stoi(info.substr(pages + 6)), 2) << info;
  EXPECT_EQ(info.find("rror"), std::string::npos) << info;
  // Poppler's own decode of every page's image holds the fax's pixels.
  const std::string extract = "pdfimages " + dir.file("f.pdf") + " " + dir.file("im") + " 2>&1";
  ASSERT_EQ(std::system(extract.c_str()), 0);
  for (const char* name : {"im-000.pbm", "im-001.pbm"}) {
    ASSERT_TRUE(dir.exists(name)) << name;
    const Bytes pbm = test::ReadBytes(dir.file(name));
    const std::string head = "P4\n1728 200\n";
    ASSERT_GT(pbm.size(), head.size());
    ASSERT_EQ(std::string(pbm.begin(), pbm.begin() + static_cast<long>(head.size())), head) << name;
    EXPECT_EQ(Bytes(pbm.begin() + static_cast<long>(head.size()), pbm.end()), a) << name;  // PBM: set bit black
  }
  EXPECT_EQ(ExportFaxAsPdf(dir.file("missing.apf"), dir.file("g.pdf")), -2);
}

TEST(ImageStatus, EveryCodeHasAUniqueNonEmptyText) {
  int count = 0;
  const ImageStatusEntry* table = ImageStatusTable(&count);
  std::set<int> codes;
  std::set<std::string_view> texts;
  for (int i = 0; i < count; ++i) {
    EXPECT_FALSE(table[i].text.empty());
    EXPECT_TRUE(codes.insert(table[i].code).second);
    EXPECT_TRUE(texts.insert(table[i].text).second);
  }
  EXPECT_EQ(ImageErrorMessage(-8001), "File is not an APF file");
  EXPECT_EQ(ImageErrorMessage(-2), "File not found");
  EXPECT_EQ(ImageErrorMessage(-8052), "DUDEZ.FNT not found, or resource bad");
}

}  // namespace
}  // namespace telvane
