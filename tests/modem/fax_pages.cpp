#include "tests/modem/fax_pages.h"

#include <tiffio.h>

#include "tools/virtual-modem/class2_pages.h"

namespace telvane::test {

namespace {
constexpr size_t kRowBytes = kPageWidth / 8;

void blacken(std::vector<uint8_t>& row, int from, int to) {
  for (int x = from; x < to && x < kPageWidth; ++x) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
}
}  // namespace

PageRows testPageImage(int number, int rows) {
  PageRows page(static_cast<size_t>(rows), std::vector<uint8_t>(kRowBytes, 0));
  for (int y = 0; y < rows; ++y) {
    auto& row = page[static_cast<size_t>(y)];
    // A frame, a bar per page number near the top, and a staircase whose
    // phase depends on the page: little data, yet any shift or swap shows.
    blacken(row, 100, 104);
    blacken(row, kPageWidth - 104, kPageWidth - 100);
    if (y % 200 >= 100 && y % 200 < 103) blacken(row, 100, kPageWidth - 100);
    if (y >= 60 && y < 90) {
      for (int n = 0; n < number; ++n) blacken(row, 200 + n * 60, 240 + n * 60);
    }
    const int step = ((y / 40) * 37 + number * 111) % 1400;
    blacken(row, 150 + step, 150 + step + 24);
  }
  return page;
}

bool writeTestFax(const std::string& path, int count, bool fine, int rows, int first) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) return false;
  bool ok = true;
  for (int number = first; number < first + count && ok; ++number) {
    vmodem::setFaxPageTags(tif, static_cast<uint32_t>(rows), fine, GROUP3OPT_FILLBITS);
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, number - first, count);
    PageRows image = testPageImage(number, rows);
    for (int y = 0; y < rows && ok; ++y) ok = TIFFWriteScanline(tif, image[static_cast<size_t>(y)].data(), static_cast<uint32_t>(y), 0) == 1;
    ok = ok && TIFFWriteDirectory(tif) == 1;
  }
  TIFFClose(tif);
  return ok;
}

std::vector<PageRows> readFaxPages(const std::string& path, bool* fine) {
  std::vector<PageRows> pages;
  TIFFSetWarningHandler(nullptr);
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return pages;
  do {
    uint32_t width = 0, length = 0;
    float yres = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &length);
    if (pages.empty() && fine) *fine = TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres) == 1 && yres > 150;
    if (width != kPageWidth || length > 10000) break;
    PageRows page;
    std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(tif)) > kRowBytes ? static_cast<size_t>(TIFFScanlineSize(tif)) : kRowBytes);
    for (uint32_t y = 0; y < length; ++y) {
      if (TIFFReadScanline(tif, row.data(), y, 0) != 1) break;
      page.emplace_back(row.begin(), row.begin() + kRowBytes);
    }
    pages.push_back(std::move(page));
  } while (TIFFReadDirectory(tif));
  TIFFClose(tif);
  return pages;
}

int differingRows(const PageRows& received, const PageRows& expected, size_t offset, size_t firstRow) {
  int differing = 0;
  for (size_t y = firstRow; y < expected.size(); ++y) {
    if (offset + y >= received.size() || received[offset + y] != expected[y]) ++differing;
  }
  return differing;
}

}  // namespace telvane::test
