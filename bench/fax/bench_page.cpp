#include "bench/fax/bench_page.h"

#include <tiffio.h>

#include "faximage/apf_writer.h"
#include "faximage/t4_encoder.h"
#include "tests/faximage/test_pages.h"
#include "tools/virtual-modem/class2_pages.h"

namespace telvane::bench {

namespace {
constexpr size_t kRowBytes = BenchPage::kWidth / 8;
constexpr uint32_t kSeed = 7;

uint32_t CodeBits(const uint8_t* row) {
  std::vector<uint8_t> stream;
  uint64_t bits = 0;
  AppendLineRuns(row, {BenchPage::kWidth, 0, false}, stream, bits);
  return static_cast<uint32_t>(bits);
}
}  // namespace

BenchPage MakeBenchPage(int rows) {
  BenchPage page;
  page.rows = rows;
  page.raster = test::MakePage(test::PageKind::Text, BenchPage::kWidth, rows, kSeed);
  uint8_t record[kCodedLineCapacity];
  for (int y = 0; y < rows; ++y) {
    const uint8_t* row = page.raster.data() + static_cast<size_t>(y) * kRowBytes;
    page.codeBits.push_back(CodeBits(row));
    page.storedBytes += EncodeLineRecord(row, {BenchPage::kWidth, 0, false}, record);
  }
  const std::vector<uint8_t> blank(kRowBytes, 0);
  page.blankCodeBits = CodeBits(blank.data());
  return page;
}

int WriteFaxImageFile(const BenchPage& page, const std::string& path, std::string& error) {
  ApfWriter writer;
  int rc = writer.CreateApfFile(path);
  writer.SetPage(1, true, false);
  uint8_t record[kCodedLineCapacity];
  for (int y = 0; rc == 0 && y < page.rows; ++y) {
    const size_t n = EncodeLineRecord(page.raster.data() + static_cast<size_t>(y) * kRowBytes,
                                      {BenchPage::kWidth, 0, false}, record);
    rc = writer.PutLineRecord(record, n);
  }
  if (rc == 0) rc = writer.EndPage();
  if (rc == 0) rc = writer.CloseApfFile("+1 555 0123");
  if (rc != 0) error = "cannot write " + path + " (" + std::to_string(rc) + ")";
  return rc == 0 ? 0 : -1;
}

int WriteTiffFile(const BenchPage& page, const std::string& path, std::string& error) {
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (!tif) {
    error = "cannot create " + path;
    return -1;
  }
  vmodem::setFaxPageTags(tif, static_cast<uint32_t>(page.rows), true, 0);
  TIFFSetField(tif, TIFFTAG_PAGENUMBER, 0, 1);
  bool ok = true;
  std::vector<uint8_t> row(kRowBytes);
  for (int y = 0; y < page.rows && ok; ++y) {
    const uint8_t* from = page.raster.data() + static_cast<size_t>(y) * kRowBytes;
    row.assign(from, from + kRowBytes);  // libtiff may scribble on what it is given
    ok = TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) == 1;
  }
  ok = ok && TIFFWriteDirectory(tif) == 1;
  TIFFClose(tif);
  if (!ok) error = "cannot write " + path;
  return ok ? 0 : -1;
}

}  // namespace telvane::bench
