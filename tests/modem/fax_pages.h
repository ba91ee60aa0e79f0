#pragma once
// Test pages for fax calls: written with libtiff as single-strip T.4 (MH)
// TIFF-F files that efax and spandsp both read, each page with a pattern of
// its own so page order and content can be checked; and the rows of any
// received fax TIFF read back for comparison.

#include <cstdint>
#include <string>
#include <vector>

namespace telvane::test {

using PageRows = std::vector<std::vector<uint8_t>>;  // 216 bytes a row, set bit black

inline constexpr int kPageWidth = 1728;

// The deterministic image of page `number` (1-based): `rows` rows.
PageRows testPageImage(int number, int rows);

// Writes the images of pages first..first+count-1, fine (7.7 lines/mm) or
// standard. True on success.
bool writeTestFax(const std::string& path, int count, bool fine, int rows, int first = 1);

// All pages of a TIFF, decoded; empty on failure. `fine` set from the first.
std::vector<PageRows> readFaxPages(const std::string& path, bool* fine = nullptr);

// Rows of `expected` from `firstRow` on that differ from the rows of
// `received` `offset` rows further down.
int differingRows(const PageRows& received, const PageRows& expected, size_t offset, size_t firstRow = 0);

}  // namespace telvane::test
