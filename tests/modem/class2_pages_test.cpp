// Page data between a Class 2/2.0 DTE and TIFF files: what the modem hands
// over decodes to the page it received, and what a DTE sends becomes a TIFF
// page of the same image.

#include "tools/virtual-modem/class2_pages.h"

#include <gtest/gtest.h>

#include "tests/modem/fax_pages.h"
#include "tests/support/temp_dir.h"

namespace telvane::vmodem {
namespace {

using telvane::test::readFaxPages;
using telvane::test::testPageImage;
using telvane::test::writeTestFax;

TEST(Class2Pages, ReverseBitsTurnsEveryByteAround) {
  std::string data("\x01\x80\x0F\x10", 4);
  reverseBits(data);
  EXPECT_EQ(data, std::string("\x80\x01\xF0\x08", 4));
}

TEST(Class2Pages, CountsEolsWithAndWithoutFill) {
  // 000000000001 twice without fill (3 bytes), then one after fill bits.
  EXPECT_EQ(countEols(std::string("\x00\x10\x01", 3)), 2);
  EXPECT_EQ(countEols(std::string("\x00\x00\x00\x01", 4)), 1);
  // Ten zeros before a one is a code, not an EOL.
  EXPECT_EQ(countEols(std::string("\x00\x20", 2)), 0);
  EXPECT_EQ(countEols(""), 0);
}

TEST(Class2Pages, CountsCodedLinesWhereverTheCoderPutsItsEols) {
  // White line of 1728: make-up 1728 (0100 1101 1) + terminating 0 (0011 0101).
  const std::string white = "010011011" "00110101";
  const std::string eol = "000000000001";
  auto bytes = [](std::string bits) {
    while (bits.size() % 8) bits.push_back('0');
    std::string out;
    for (size_t i = 0; i < bits.size(); i += 8) out.push_back(static_cast<char>(std::stoi(bits.substr(i, 8), nullptr, 2)));
    return out;
  };
  std::string rtc;
  for (int i = 0; i < 6; ++i) rtc += eol;
  // EOL before each line (libtiff), EOL after each line, and no RTC at all.
  EXPECT_EQ(countLines(bytes(eol + white + eol + white + eol + white + rtc), false), 3);
  EXPECT_EQ(countLines(bytes(white + eol + white + eol + white + eol + rtc), false), 3);
  EXPECT_EQ(countLines(bytes(eol + white + eol + white), false), 2);
  // Two-dimensional: the tag bit after each EOL is not a code.
  EXPECT_EQ(countLines(bytes(eol + "1" + white + eol + "1" + white + eol + "1" + eol + "1"), true), 2);
}

TEST(Class2Pages, HandedOverPageComesBackAsTheSameImage) {
  telvane::test::TempDir dir;
  ASSERT_TRUE(writeTestFax(dir.file("in.tif"), 2, true, 300));
  // Page 2: coded as the modem hands it to the DTE (MH, EOL, RTC) ...
  const std::string coded = encodePageMh(dir.file("in.tif"), 1, dir.file("scratch.tif"));
  ASSERT_FALSE(coded.empty());
  EXPECT_EQ(coded.substr(coded.size() - 14), std::string("\x00\x01", 2) + std::string("\x00\x01\x00\x01\x00\x01\x00\x01\x00\x01\x00\x01", 12));
  // ... and taken back as a DTE's page, it is the same image.
  ASSERT_EQ(appendRawPage(dir.file("out.tif"), coded, true, false, 1), 0);
  const auto pages = readFaxPages(dir.file("out.tif"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0], testPageImage(2, 300));
}

TEST(Class2Pages, DataWithoutLinesIsRefused) {
  telvane::test::TempDir dir;
  EXPECT_EQ(appendRawPage(dir.file("out.tif"), std::string(100, '\xFF'), true, false, 1), -1);
  EXPECT_TRUE(encodePageMh(dir.file("missing.tif"), 0, dir.file("scratch.tif")).empty());
}

}  // namespace
}  // namespace telvane::vmodem
