#include "tests/faximage/viewer_test_pages.h"

#include "tests/faximage/test_pages.h"

namespace telvane::test {

RasterPage BlockPage(int width, int rows, int blackWidth, bool fine) {
  RasterPage p;
  p.width = width;
  p.fine = fine;
  Bytes row(static_cast<size_t>(width / 8), 0);
  for (int x = 0; x < blackWidth; ++x) SetPixel(row, x);
  p.rows.assign(static_cast<size_t>(rows), row);
  return p;
}

RasterPage MarkedPage(int rows, bool fine, int seed) {
  RasterPage p = PageFromBuffer(MakePage(PageKind::Text, 1728, rows, static_cast<uint32_t>(seed)), 1728, rows, fine);
  for (int y = 0; y < 20 && y < rows; ++y) {
    Bytes& row = p.rows[static_cast<size_t>(y)];
    std::fill(row.begin(), row.end(), 0);
    for (int x = 0; x < 40; ++x) SetPixel(row, x);
  }
  return p;
}

void WriteMarkedFax(const std::string& path, int pages, bool fine, int rows) {
  std::vector<RasterPage> list;
  for (int i = 0; i < pages; ++i) list.push_back(MarkedPage(rows + i, fine, i + 1));
  WriteApf(path, list);
}

}  // namespace telvane::test
