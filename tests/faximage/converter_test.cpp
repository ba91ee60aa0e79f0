// The converter: text pagination and drawing, options, the image readers,
// failures and the component's properties.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "faximage/apf_reader.h"
#include "faximage/builtin_font.h"
#include "faximage/fax_converter.h"
#include "faximage/image_exceptions.h"
#include "faximage/image_status.h"
#include "faximage/text_reader.h"
#include "faximage/unpacker_core.h"
#include "platform/io_errors.h"
#include "platform/pending_messages.h"
#include "tests/faximage/fax_test_util.h"
#include "tests/faximage/libtiff_g3.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using test::Bytes;

int PageCount(const std::string& f) {
  ApfFileHeader h;
  EXPECT_EQ(ReadApfHeader(f, h), 0);
  return h.pageCount;
}

// Coded lines of a page (records, without the end-of-page record).
int CodedLines(const std::string& f, int page) {
  ApfPageReader r;
  EXPECT_EQ(r.open(f, page), 0);
  uint8_t buffer[apf::kMaxRecord];
  int lines = 0;
  for (long n; (n = r.next(buffer)) > 0;) ++lines;
  return lines - 1;
}

struct TextFixture : ::testing::Test {
  test::TempDir dir;
  TKovaFaxConverter c;
  void SetUp() override {
    c.InputDocumentType = TFaxInputDocumentType::idText;
    c.Yield = [] { return 0; };
  }
  std::string convert(const std::string& text, int expectRc = 0) {
    dir.write("in.txt", text);
    c.SetDocumentFile(dir.file("in.txt"));
    EXPECT_EQ(c.OutFileName, dir.file("in.APF"));
    EXPECT_EQ(c.ConvertDocumentStatus(), expectRc);
    return dir.file("in.APF");
  }
  static std::string Lines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "line " + std::to_string(i) + "\r\n";
    return s;
  }
};

TEST_F(TextFixture, OneHundredThirtyLinesGiveThreePagesOf60_60_10) {
  const std::string f = convert(Lines(130));
  ASSERT_EQ(PageCount(f), 3);
  EXPECT_EQ(CodedLines(f, 1), 60 * 16);
  EXPECT_EQ(CodedLines(f, 2), 60 * 16);
  EXPECT_EQ(CodedLines(f, 3), 10 * 16);
  // The same text with LF line ends, as editors here write it.
  const auto page2 = test::DecodeApfPage(f, 2);
  std::string unix = Lines(130);
  unix.erase(std::remove(unix.begin(), unix.end(), '\r'), unix.end());
  const std::string g = convert(unix);
  ASSERT_EQ(PageCount(g), 3);
  EXPECT_EQ(CodedLines(g, 3), 10 * 16);
  EXPECT_EQ(test::DecodeApfPage(g, 2), page2);
}

TEST_F(TextFixture, ExactlyTwoFullPagesGiveNoEmptyThirdPage) {
  EXPECT_EQ(PageCount(convert(Lines(120))), 2);
  c.LinesPerPage = 0;  // no limit
  EXPECT_EQ(PageCount(convert(Lines(130))), 1);
}

TEST_F(TextFixture, FormFeedSplitsALineAcrossPages) {
  const std::string f = convert("first\r\nabc\fdef\r\nlast\r\n");
  ASSERT_EQ(PageCount(f), 2);
  EXPECT_EQ(CodedLines(f, 1), 2 * 16);  // first, abc
  EXPECT_EQ(CodedLines(f, 2), 2 * 16);  // def, last
}

TEST_F(TextFixture, ALineOfOnlyAFormFeedGivesAnEmptyLineThenABreak) {
  const std::string f = convert("one\r\n\f\r\ntwo\r\n");
  ASSERT_EQ(PageCount(f), 2);
  EXPECT_EQ(CodedLines(f, 1), 2 * 16);  // one, the empty line
  EXPECT_EQ(CodedLines(f, 2), 1 * 16);
  // A form feed at the very end starts no further page.
  EXPECT_EQ(PageCount(convert("one\r\n\f\r\n")), 1);
}

TEST_F(TextFixture, AnEmptyFileGivesOnePageWithOneBlankLine) {
  const std::string f = convert("");
  ASSERT_EQ(PageCount(f), 1);
  EXPECT_EQ(CodedLines(f, 1), 1);
  const Bytes data = test::PageData(f, 1);
  EXPECT_EQ(Bytes(data.begin(), data.begin() + 8), (Bytes{6, 0, 0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}));
}

TEST_F(TextFixture, FineResolutionDrawsThirtyTwoRowsPerLineOfTheStandardFont) {
  c.Resolution = TFaxResolution::frHigh;
  const std::string f = convert("x\r\ny\r\n");
  EXPECT_EQ(CodedLines(f, 1), 64);
  ApfPageHeader h;
  ASSERT_EQ(ReadPageHeader(f, 1, h), 0);
  EXPECT_TRUE(h.fine());
  c.FontType = TFaxFont::ffSmall;
  EXPECT_EQ(CodedLines(convert("x\r\n"), 1), 16);
}

TEST_F(TextFixture, TopMarginAddsBlankLinesToEveryPage) {
  c.TopMargin = 7;
  c.LinesPerPage = 1;
  const std::string f = convert("a\r\nb\r\n");
  ASSERT_EQ(PageCount(f), 2);
  EXPECT_EQ(CodedLines(f, 2), 7 + 16);
}

TEST(TextReader, LinesEndAtCrLfOrLfAndLfAfterCrIsSkippedEvenAcrossBlocks) {
  test::TempDir dir;
  std::string text(4095, 'a');
  text += "\r\nb\nc\r\n\nd\x1A";  // CR ends block 1, its LF begins block 2; LF alone ends a line
  dir.write("t.txt", text);
  TextLineSource s;
  ASSERT_EQ(s.open(dir.file("t.txt")), 0);
  std::string line;
  ASSERT_EQ(s.next(line), 1);
  EXPECT_EQ(line.size(), 4095u);
  for (const char* want : {"b", "c", "", "d"}) {  // the Ctrl-Z ending the block is dropped
    ASSERT_EQ(s.next(line), 1);
    EXPECT_EQ(line, want);
  }
  EXPECT_EQ(s.next(line), 0);
}

TEST(TextReader, TabsExpandToTheNextStopAndLinesAreCutToTheCharactersThatFit) {
  auto core = NewTextConverter(false);
  ASSERT_EQ(LoadBuiltinFont(*core, 48, false), 0);
  TextReader* r = TextReaderOf(*core);
  EXPECT_EQ(r->maxCharacters(*core), 84);  // 1728 / 20 - 50 / 20
  // Row 8 of "\tX": the X drawn from column 4 (pixel 80).
  uint8_t a[600] = {}, b[600] = {};
  r->RenderTextRow(*core, "    X", 8, a);
  test::TempDir dir;
  dir.write("t.txt", "\tX\r\nabcde\tX\r\n");
  core->inFileName = dir.file("t.txt");
  core->outFileName = dir.file("t.apf");
  ASSERT_EQ(r->open(*core, dir.file("t.txt")), 0);
  int len = 0;
  bool eop = false, more = false;
  core->line = 1;
  for (int row = 1; row <= 8; ++row) {
    std::fill(b, b + 600, 0);
    ASSERT_EQ(r->getLine(*core, b, len, eop, more), 0);
  }
  EXPECT_EQ(Bytes(a, a + 216), Bytes(b, b + 216));
  EXPECT_EQ(len, (5 * 20 + 7) / 8);  // bytes the drawn characters cover
  for (int row = 9; row <= 16; ++row) r->getLine(*core, b, len, eop, more);
  std::fill(b, b + 600, 0);
  uint8_t c8[600] = {};
  r->getLine(*core, b, len, eop, more);  // row 1 of "abcde   X"
  r->RenderTextRow(*core, "abcde   X", 1, c8);
  EXPECT_EQ(Bytes(b, b + 216), Bytes(c8, c8 + 216));
  r->close(*core);
}

TEST(BuiltinFont, ResourceHasTheLayoutAndVisibleGlyphs) {
  const auto font = BuiltinFontResource();
  ASSERT_EQ(font.size(), kBuiltinFontSize);
  auto inked = [&](size_t offset, int bytes) {
    int n = 0;
    for (int i = 0; i < bytes; ++i) n += __builtin_popcount(font[offset + static_cast<size_t>(i)]);
    return n;
  };
  for (int ch = '!'; ch <= '~'; ++ch) {
    EXPECT_GT(inked(kSmallFontOffset + static_cast<size_t>(ch) * 16, 16), 0) << ch;
    EXPECT_GT(inked(kStandardFontOffset + static_cast<size_t>(ch) * 48, 48), 0) << ch;
    for (int row = 0; row < 16; ++row)  // bits right of 20 pixels stay clear
      EXPECT_EQ(font[kStandardFontOffset + static_cast<size_t>(ch) * 48 + static_cast<size_t>(row) * 3 + 2] & 0x0F, 0);
  }
  EXPECT_EQ(inked(kStandardFontOffset + ' ' * 48, 48), 0);
}

TEST(ConverterComponent, OptionsDefaultsAndYieldOftenImpliesYield) {
  TKovaFaxConverter c;
  EXPECT_EQ(c.Options(), fax_cvt::coDoubleWidth | fax_cvt::coCenterImage | fax_cvt::coYield);
  c.SetOptions(fax_cvt::coYieldOften);
  EXPECT_EQ(c.Options(), fax_cvt::coYieldOften | fax_cvt::coYield);
  c.SetTabStop(0);
  EXPECT_EQ(c.TabStop(), 4);
  EXPECT_EQ(c.LeftMargin, 50);
  EXPECT_EQ(c.LinesPerPage, 60);
  EXPECT_EQ(c.FontFile, "DUDEZ.FNT");
  c.Loading = true;
  c.SetDocumentFile("/x/letter.txt");
  EXPECT_EQ(c.OutFileName, "");
  c.Loading = false;
  c.SetDocumentFile("/x/report.txt");
  EXPECT_EQ(c.OutFileName, "/x/report.APF");
}

TEST(ConverterComponent, NoneAndBitmapTypesAreRefused) {
  TKovaFaxConverter c;
  EXPECT_EQ(c.ConvertDocumentStatus(), -image_status::BadArgument);
  c.InputDocumentType = TFaxInputDocumentType::idBitmap;
  EXPECT_THROW(c.ConvertDocument(), EBadArgument);
}

TEST(ConverterComponent, AbortAndQuitEndTheConversionAndDeleteTheOutput) {
  test::TempDir dir;
  dir.write("in.txt", TextFixture::Lines(100));
  TKovaFaxConverter c;
  c.InputDocumentType = TFaxInputDocumentType::idText;
  c.SetDocumentFile(dir.file("in.txt"));
  int calls = 0;
  c.OnStatus = [&](TKovaCustomFaxConverter&, bool, bool, int page, int, long, long, bool& abort) {
    abort = ++calls == 50;
    EXPECT_GE(page, 0);
  };
  c.Yield = [] { return 0; };
  EXPECT_THROW(c.ConvertDocument(), EConvertAbort);
  EXPECT_FALSE(dir.exists("in.APF"));
  c.OnStatus = nullptr;
  c.SetOptions(fax_cvt::coYield);
  c.Yield = [] { return -image_status::GotQuitMessage; };
  EXPECT_EQ(c.ConvertDocumentStatus(), -image_status::GotQuitMessage);
  EXPECT_FALSE(dir.exists("in.APF"));
  c.SetDocumentFile(dir.file("missing"));  // "missing.TXT" is looked for
  EXPECT_EQ(c.ConvertDocumentStatus(), -io_error::FileNotFound);
  EXPECT_FALSE(dir.exists("missing.APF"));
}

// Without a test hook the yield is the program's own: a quit request from
// the application reaches the conversion as "Got quit message".
TEST(ConverterComponent, AQuitRequestWhileYieldingEndsTheConversion) {
  test::TempDir dir;
  dir.write("in.txt", TextFixture::Lines(100));
  TKovaFaxConverter c;
  c.InputDocumentType = TFaxInputDocumentType::idText;
  c.SetOptions(fax_cvt::coYield);
  c.SetDocumentFile(dir.file("in.txt"));
  c.OnStatus = [](TKovaCustomFaxConverter&, bool, bool, int page, int, long, long, bool&) {
    if (page == 1) PostQuitRequest();
  };
  EXPECT_EQ(c.ConvertDocumentStatus(), -image_status::GotQuitMessage);
  EXPECT_FALSE(dir.exists("in.APF"));
  EXPECT_FALSE(TakeQuitRequest());  // taken by the conversion
  c.OnStatus = nullptr;
  EXPECT_EQ(c.ConvertDocumentStatus(), 0);
}

TEST(ConverterComponent, AnInputNameWithoutExtensionIsTriedAsGivenThenWithEitherCase) {
  test::TempDir dir;
  TKovaFaxConverter c;
  c.InputDocumentType = TFaxInputDocumentType::idText;
  c.Yield = [] { return 0; };
  dir.write("plain", "as given\r\n");
  c.SetDocumentFile(dir.file("plain"));
  EXPECT_EQ(c.ConvertDocumentStatus(), 0);
  EXPECT_EQ(c.Core()->outFileName, dir.file("plain.APF"));
  dir.write("lower.txt", "lower-case extension\r\n");
  c.SetDocumentFile(dir.file("lower"));
  EXPECT_EQ(c.ConvertDocumentStatus(), 0);
  dir.write("upper.TXT", "upper-case extension\r\n");
  c.SetDocumentFile(dir.file("upper"));
  EXPECT_EQ(c.ConvertDocumentStatus(), 0);
  EXPECT_EQ(PageCount(dir.file("upper.APF")), 1);
  EXPECT_EQ(InputFileName(dir.file("none"), "TXT"), dir.file("none.TXT"));  // named in the error
}

TEST(ConverterComponent, StatusReportsStartPagesAndEnd) {
  test::TempDir dir;
  dir.write("in.txt", TextFixture::Lines(70));
  TKovaFaxConverter c;
  c.InputDocumentType = TFaxInputDocumentType::idText;
  c.SetDocumentFile(dir.file("in.txt"));
  c.Yield = [] { return 0; };
  int starts = 0, ends = 0, maxPage = 0;
  long lastBytes = 0, total = 0;
  c.OnStatus = [&](TKovaCustomFaxConverter&, bool s, bool e, int page, int, long bytes, long toConvert, bool&) {
    starts += s;
    ends += e;
    maxPage = std::max(maxPage, page);
    lastBytes = bytes;
    total = toConvert;
  };
  c.ConvertDocument();
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(maxPage, 2);
  EXPECT_EQ(total, static_cast<long>(TextFixture::Lines(70).size()));
  EXPECT_EQ(lastBytes, total);
}

// --- Image readers -----------------------------------------------------------

std::vector<Bytes> Picture(int width, int rows) {
  std::vector<Bytes> out;
  for (int y = 0; y < rows; ++y) {
    Bytes r(static_cast<size_t>((width + 7) / 8), 0);
    for (int x = 0; x < width; ++x)
      if ((x / 3 + y / 2) % 5 == 0 || x == y) test::SetPixel(r, x);
    out.push_back(r);
  }
  return out;
}

// The image as it must come out of the converter: margin M, then the image.
void ExpectPageShows(const std::string& apf, const std::vector<Bytes>& image, int width, int offsetPixels) {
  const auto rows = test::DecodeApfPage(apf, 1);
  ASSERT_EQ(rows.size(), image.size());
  for (size_t y = 0; y < rows.size(); ++y)
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(test::Pixel(rows[y], offsetPixels + x), test::Pixel(image[y], x)) << "row " << y << " x " << x;
}

struct ImageFixture : ::testing::Test {
  test::TempDir dir;
  TKovaFaxConverter c;
  void SetUp() override {
    c.SetOptions(0);
    c.Resolution = TFaxResolution::frHigh;
    c.Yield = [] { return 0; };
  }
  int convert(TFaxInputDocumentType type, const std::string& name) {
    c.InputDocumentType = type;
    c.SetDocumentFile(dir.file(name));
    c.OutFileName = dir.file("out.apf");
    return c.ConvertDocumentStatus();
  }
};

TEST_F(ImageFixture, TiffFilesWrittenByLibtiffConvert) {
  const auto image = Picture(300, 40);
  struct Case {
    bool packBits, blackIsZero;
    int rowsPerStrip;
    bool bigEndian, lsbFirst;
  } cases[] = {{false, false, 40, false, false}, {true, false, 40, false, false}, {false, true, 7, false, false},
               {true, true, 3, true, false},     {true, false, 1, true, false},   {false, false, 40, false, true},
               {true, true, 5, false, true}};
  for (const auto& k : cases) {
    test::WriteBytes(dir.file("in.tif"), test::LibtiffWriteBilevel(image, 300, k.packBits, k.blackIsZero,
                                                                   k.rowsPerStrip, k.bigEndian, k.lsbFirst));
    ASSERT_EQ(convert(TFaxInputDocumentType::idTiff, "in.tif"), 0)
        << k.packBits << k.blackIsZero << k.rowsPerStrip << k.bigEndian << k.lsbFirst;
    ExpectPageShows(dir.file("out.apf"), image, 300, 50);
  }
  for (bool whiteFirst : {true, false}) {  // palette images: the colour map says which index is black
    test::WriteBytes(dir.file("in.tif"), test::LibtiffWritePalette(image, 300, whiteFirst));
    ASSERT_EQ(convert(TFaxInputDocumentType::idTiff, "in.tif"), 0) << whiteFirst;
    ExpectPageShows(dir.file("out.apf"), image, 300, 50);
  }
}

TEST_F(ImageFixture, TiffCentringAndDoubleWidth) {
  const auto image = Picture(300, 10);
  test::WriteBytes(dir.file("in.tif"), test::LibtiffWriteBilevel(image, 300, false, false, 10));
  c.SetOptions(fax_cvt::coCenterImage);
  ASSERT_EQ(convert(TFaxInputDocumentType::idTiff, "in.tif"), 0);
  ExpectPageShows(dir.file("out.apf"), image, 300, 50 + (1728 - 300) / 16 * 8);
  // Double width needs standard resolution.
  c.SetOptions(fax_cvt::coDoubleWidth);
  c.Resolution = TFaxResolution::frNormal;
  ASSERT_EQ(convert(TFaxInputDocumentType::idTiff, "in.tif"), 0);
  const auto rows = test::DecodeApfPage(dir.file("out.apf"), 1);
  ASSERT_EQ(rows.size(), 10u);
  for (int x = 0; x < 300; ++x) ASSERT_EQ(test::Pixel(rows[3], 50 + 2 * x), test::Pixel(image[3], x));
}

TEST_F(ImageFixture, DamagedTiffFilesGiveTheirErrorCodes) {
  const Bytes good = test::LibtiffWriteBilevel(Picture(64, 8), 64, false, false, 8);
  test::WriteBytes(dir.file("a.tif"), Bytes{'X', 'X', 42, 0, 8, 0, 0, 0});
  EXPECT_EQ(convert(TFaxInputDocumentType::idTiff, "a.tif"), -image_status::BadGraphicsFormat);
  // Zero width: patch the ImageWidth entry's value.
  Bytes zero = good;
  const size_t ifd = test::Bytes::size_type(zero[4] | zero[5] << 8 | zero[6] << 16 | zero[7] << 24);
  for (size_t i = 0; i < zero[ifd]; ++i) {
    const size_t e = ifd + 2 + i * 12;
    if ((zero[e] | zero[e + 1] << 8) == 256) zero[e + 8] = zero[e + 9] = 0;
  }
  test::WriteBytes(dir.file("b.tif"), zero);
  EXPECT_EQ(convert(TFaxInputDocumentType::idTiff, "b.tif"), -image_status::BadGraphicsFormat);
  // A width of 2^32 - 1 (its rows' byte count must not wrap to 0).
  Bytes widest = good;
  for (size_t i = 0; i < widest[ifd]; ++i) {
    const size_t e = ifd + 2 + i * 12;
    if ((widest[e] | widest[e + 1] << 8) == 256) {
      widest[e + 2] = 4;  // LONG
      std::fill(widest.begin() + static_cast<long>(e) + 8, widest.begin() + static_cast<long>(e) + 12, 0xFF);
    }
  }
  test::WriteBytes(dir.file("w.tif"), widest);
  EXPECT_EQ(convert(TFaxInputDocumentType::idTiff, "w.tif"), -image_status::DeviceReadError);
  // Strip offset past the end of the file.
  Bytes far = good;
  for (size_t i = 0; i < far[ifd]; ++i) {
    const size_t e = ifd + 2 + i * 12;
    if ((far[e] | far[e + 1] << 8) == 273) far[e + 10] = 0x7F;
  }
  test::WriteBytes(dir.file("c.tif"), far);
  EXPECT_EQ(convert(TFaxInputDocumentType::idTiff, "c.tif"), -image_status::DeviceReadError);
  // Truncated in the middle of its rows.
  Bytes cut(good.begin(), good.begin() + 40);
  test::WriteBytes(dir.file("d.tif"), cut);
  EXPECT_LT(convert(TFaxInputDocumentType::idTiff, "d.tif"), 0);
  EXPECT_FALSE(dir.exists("out.apf"));
}

TEST_F(ImageFixture, PcxExportedByTheUnpackerConvertsBack) {
  MonoBitmap bitmap(640, 30);
  const auto image = Picture(640, 30);
  for (int y = 0; y < 30; ++y) std::copy(image[static_cast<size_t>(y)].begin(), image[static_cast<size_t>(y)].end(), bitmap.row(y));
  ASSERT_EQ(WritePcxFile(dir.file("in.pcx"), bitmap), 0);
  ASSERT_EQ(convert(TFaxInputDocumentType::idPcx, "in.pcx"), 0);
  ExpectPageShows(dir.file("out.apf"), image, 640, 50);
  ASSERT_EQ(WriteDcxFile(dir.file("in.dcx"), bitmap), 0);
  ASSERT_EQ(convert(TFaxInputDocumentType::idDcx, "in.dcx"), 0);
  ExpectPageShows(dir.file("out.apf"), image, 640, 50);
}

TEST_F(ImageFixture, DcxWithSeveralImagesGivesOnePagePerImage) {
  MonoBitmap a(200, 5), b(300, 9);
  a.set(0, 0, true);
  b.set(299, 8, true);
  const Bytes pa = EncodePcx(a), pb = EncodePcx(b);
  Bytes dcx(8 + 4 * 2 + 4, 0);
  Put32(dcx.data(), 987654321);
  Put32(dcx.data() + 4, static_cast<uint32_t>(dcx.size()));
  Put32(dcx.data() + 8, static_cast<uint32_t>(dcx.size() + pa.size()));
  dcx.insert(dcx.end(), pa.begin(), pa.end());
  dcx.insert(dcx.end(), pb.begin(), pb.end());
  test::WriteBytes(dir.file("two.dcx"), dcx);
  ASSERT_EQ(convert(TFaxInputDocumentType::idDcx, "two.dcx"), 0);
  EXPECT_EQ(PageCount(dir.file("out.apf")), 2);
  EXPECT_EQ(test::DecodeApfPage(dir.file("out.apf"), 2).size(), 9u);
  Put32(dcx.data(), 12345);
  test::WriteBytes(dir.file("bad.dcx"), dcx);
  EXPECT_EQ(convert(TFaxInputDocumentType::idDcx, "bad.dcx"), -image_status::BadGraphicsFormat);
}

TEST_F(ImageFixture, PcxRowsEndWithTheWindowAndThePaletteNamesBlack) {
  // Writers put the 256-colour palette (0x0C and 768 bytes) behind the
  // rows even of 1-bit images; it must not become rows of the page.
  const auto image = Picture(200, 12);
  MonoBitmap bitmap(200, 12);
  for (int y = 0; y < 12; ++y) {
    const auto& row = image[static_cast<size_t>(y)];
    std::copy(row.begin(), row.end(), bitmap.row(y));
  }
  Bytes pcx = EncodePcx(bitmap);
  pcx.push_back(0x0C);
  for (int i = 0; i < 256; ++i) pcx.insert(pcx.end(), 3, static_cast<uint8_t>(i == 1 ? 0xFF : 0x17));
  test::WriteBytes(dir.file("pal.pcx"), pcx);
  ASSERT_EQ(convert(TFaxInputDocumentType::idPcx, "pal.pcx"), 0);
  ExpectPageShows(dir.file("out.apf"), image, 200, 50);
  // A header palette with colour 0 white and colour 1 black: set bits are black.
  for (auto& b : bitmap.bits) b = static_cast<uint8_t>(~b);
  pcx = EncodePcx(bitmap);
  pcx[16] = pcx[17] = pcx[18] = 0xFF;
  test::WriteBytes(dir.file("inv.pcx"), pcx);
  ASSERT_EQ(convert(TFaxInputDocumentType::idPcx, "inv.pcx"), 0);
  ExpectPageShows(dir.file("out.apf"), image, 200, 50);
}

// A BMP file of 8 x 3 pixels, palette colour 0 white and 1 black, with the
// given (compressed) pixel data.
Bytes SmallBmp(int bits, uint32_t compression, const Bytes& data) {
  Bytes bmp(14 + 40 + 8, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  Put32(&bmp[10], static_cast<uint32_t>(bmp.size()));
  Put32(&bmp[14], 40);
  Put32(&bmp[18], 8);
  Put32(&bmp[22], 3);
  Put16(&bmp[26], 1);
  Put16(&bmp[28], static_cast<uint32_t>(bits));
  Put32(&bmp[30], compression);
  Put32(&bmp[46], 2);
  bmp[54] = bmp[55] = bmp[56] = 0xFF;
  bmp.insert(bmp.end(), data.begin(), data.end());
  Put32(&bmp[2], static_cast<uint32_t>(bmp.size()));
  return bmp;
}

TEST_F(ImageFixture, RunLengthCodedBmpFilesConvert) {
  // Top to bottom: ..###..., #.#....., .......#; rows are coded bottom-up.
  const Bytes rle8 = {0, 2, 7, 0, 1, 1, 0, 0,                // delta to x 7, one black, end of row
                      0, 3, 1, 0, 1, 0, 5, 0, 0, 0,          // absolute run of three (padded), five white
                      2, 0, 3, 1, 3, 0, 0, 1};               // runs, end of bitmap
  const Bytes rle4 = {0, 2, 7, 0, 1, 0x10, 0, 0,
                      0, 3, 0x10, 0x10, 5, 0, 0, 0,
                      2, 0, 3, 0x11, 3, 0, 0, 1};
  const char* rows[] = {"..###...", "#.#.....", ".......#"};
  for (const auto& [bits, compression, data] : {std::tuple{8, 1u, rle8}, std::tuple{4, 2u, rle4}}) {
    test::WriteBytes(dir.file("rle.bmp"), SmallBmp(bits, compression, data));
    ASSERT_EQ(convert(TFaxInputDocumentType::idBmp, "rle.bmp"), 0) << bits;
    const auto page = test::DecodeApfPage(dir.file("out.apf"), 1);
    ASSERT_EQ(page.size(), 3u);
    for (int y = 0; y < 3; ++y)  // the dither keeps black where its threshold is above 0
      for (int x = 0; x < 8; ++x)
        EXPECT_EQ(test::Pixel(page[static_cast<size_t>(y)], 50 + x), rows[y][x] == '#' && DitherThreshold(x, y) > 0)
            << bits << " bits, row " << y << " x " << x;
  }
  // Cut short: what was drawn stays, the rest is colour 0.
  test::WriteBytes(dir.file("cut.bmp"), SmallBmp(8, 1, Bytes(rle8.begin(), rle8.begin() + 7)));
  ASSERT_EQ(convert(TFaxInputDocumentType::idBmp, "cut.bmp"), 0);
  EXPECT_TRUE(test::Pixel(test::DecodeApfPage(dir.file("out.apf"), 1)[2], 57));
  // RLE with the wrong depth is not a BMP we can read, nor a few codes
  // that claim 16 million pixels a row.
  test::WriteBytes(dir.file("bad.bmp"), SmallBmp(4, 1, rle8));
  EXPECT_EQ(convert(TFaxInputDocumentType::idBmp, "bad.bmp"), -image_status::BadGraphicsFormat);
  Bytes huge = SmallBmp(8, 1, rle8);
  Put32(&huge[18], 0xF9FF07);
  test::WriteBytes(dir.file("huge.bmp"), huge);
  EXPECT_EQ(convert(TFaxInputDocumentType::idBmp, "huge.bmp"), -image_status::BadGraphicsFormat);
}

TEST_F(ImageFixture, PcxWiderThanThePageIsRefused) {
  MonoBitmap wide(1800, 2);
  ASSERT_EQ(WritePcxFile(dir.file("w.pcx"), wide), 0);
  EXPECT_EQ(convert(TFaxInputDocumentType::idPcx, "w.pcx"), -image_status::BadGraphicsFormat);
}

TEST_F(ImageFixture, MonochromeBmpConvertsWhateverItsPalette) {
  const auto image = Picture(333, 20);
  MonoBitmap bitmap(333, 20);
  for (int y = 0; y < 20; ++y) std::copy(image[static_cast<size_t>(y)].begin(), image[static_cast<size_t>(y)].end(), bitmap.row(y));
  Bytes bmp = EncodeBmp(bitmap);
  test::WriteBytes(dir.file("a.bmp"), bmp);
  ASSERT_EQ(convert(TFaxInputDocumentType::idBmp, "a.bmp"), 0);
  ExpectPageShows(dir.file("out.apf"), image, 333, 50);
  // The same picture with the palette the other way round and the bits inverted.
  std::swap_ranges(bmp.begin() + 54, bmp.begin() + 58, bmp.begin() + 58);
  for (size_t i = 62; i < bmp.size(); ++i) bmp[i] = static_cast<uint8_t>(~bmp[i]);
  test::WriteBytes(dir.file("b.bmp"), bmp);
  ASSERT_EQ(convert(TFaxInputDocumentType::idBmp, "b.bmp"), 0);
  ExpectPageShows(dir.file("out.apf"), image, 333, 50);
  test::WriteBytes(dir.file("c.bmp"), Bytes(bmp.begin(), bmp.begin() + 100));
  EXPECT_EQ(convert(TFaxInputDocumentType::idBmp, "c.bmp"), -image_status::BadGraphicsFormat);
}

TEST_F(ImageFixture, ColourBitmapsAreDitheredWithTheOrderedMatrix) {
  auto bitmap = std::make_shared<SourceBitmap>();
  bitmap->monochrome = false;
  bitmap->width = 64;
  bitmap->height = 64;
  bitmap->rgb.assign(64 * 64, 0x000000);  // black: R+G+B 0 is below every threshold but T = 0
  for (int x = 0; x < 64; ++x) bitmap->rgb[static_cast<size_t>(x)] = 0xFFFFFF;  // white top row
  c.OutFileName = dir.file("out.apf");
  ASSERT_EQ(c.ConvertBitmap(bitmap), 0);
  const auto rows = test::DecodeApfPage(dir.file("out.apf"), 1);
  ASSERT_EQ(rows.size(), 64u);
  for (int x = 0; x < 64; ++x) EXPECT_FALSE(test::Pixel(rows[0], 50 + x));
  for (int x = 0; x < 64; ++x) EXPECT_EQ(test::Pixel(rows[5], 50 + x), DitherThreshold(x & 31, 5) > 0) << x;
  EXPECT_EQ(DitherThreshold(0, 0), 0);
  int seen[32] = {};
  for (int a = 0; a < 32; ++a)
    for (int b = 0; b < 32; ++b) ++seen[DitherThreshold(a, b)];
  for (int t = 0; t < 32; ++t) EXPECT_GT(seen[t], 0);
}

TEST_F(ImageFixture, HalfHeightCodesOnlyOddLinesInStandardResolution) {
  const auto image = Picture(100, 10);
  test::WriteBytes(dir.file("in.tif"), test::LibtiffWriteBilevel(image, 100, false, false, 10));
  c.Resolution = TFaxResolution::frNormal;
  c.SetOptions(fax_cvt::coHalfHeight);
  ASSERT_EQ(convert(TFaxInputDocumentType::idTiff, "in.tif"), 0);
  const auto rows = test::DecodeApfPage(dir.file("out.apf"), 1);
  ASSERT_EQ(rows.size(), 5u);
  for (int x = 0; x < 100; ++x) ASSERT_EQ(test::Pixel(rows[1], 50 + x), test::Pixel(image[2], x));
}

TEST_F(ImageFixture, UserLinesComeFromTheEvents) {
  int opened = 0, closed = 0, lines = 0;
  c.OnOpenUserFile = [&](TKovaCustomFaxConverter&, const std::string&) { ++opened; };
  c.OnCloseUserFile = [&](TKovaCustomFaxConverter&) { ++closed; };
  c.OnReadUserLine = [&](TKovaCustomFaxConverter&, uint8_t* data, int& len, bool& eop, bool& more) {
    ++lines;
    data[lines % 200] = 0xF0;
    len = 216;
    eop = lines % 11 == 0;
    more = lines < 22;
  };
  c.DefUserExtension = "USR";
  ASSERT_EQ(convert(TFaxInputDocumentType::idUser, "data"), 0);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(PageCount(dir.file("out.apf")), 2);
  EXPECT_EQ(test::DecodeApfPage(dir.file("out.apf"), 2).size(), 10u);
  // Without a line handler: one empty page.
  c.OnReadUserLine = nullptr;
  ASSERT_EQ(convert(TFaxInputDocumentType::idUser, "data"), 0);
  EXPECT_EQ(PageCount(dir.file("out.apf")), 1);
}

}  // namespace
}  // namespace telvane
