#pragma once
// Fax files for the viewer and printing tests: pages drawn so that where
// they land (and how they turn) can be read back.

#include <string>

#include "tests/faximage/fax_test_util.h"

namespace telvane::test {

// A page whose left `blackWidth` pixels of every row are black (the rest
// white), so its extent on a printed sheet is one dark rectangle.
RasterPage BlockPage(int width, int rows, int blackWidth, bool fine = true);

// A page with a marker at its top left corner (a 40 x 20 block) and text
// beside it; `seed` varies the text.
RasterPage MarkedPage(int rows, bool fine, int seed);

// A fax of `pages` marked pages.
void WriteMarkedFax(const std::string& path, int pages, bool fine = true, int rows = 400);

}  // namespace telvane::test
