#pragma once
// Drawing a rich text's pages into fax page files: each page is drawn into
// one reusable 1664 x 2156 monochrome bitmap (8.5 x 11 inches at about 196
// pixels per inch), saved as the page bitmap file and converted at fine
// resolution into a one-page fax image file.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <string>
#include <vector>

namespace telvane {

class FaxPageSource;

namespace fax_page {
inline constexpr int kWidth = 1664;
inline constexpr int kHeight = 2156;
inline constexpr int kMargin = 49;
// The text area runs from (49, 49) to (1615, 2107), right and bottom exclusive.
inline const QRect kTextArea{QPoint(kMargin, kMargin), QPoint(kWidth - kMargin - 1, kHeight - kMargin - 1)};
// One black pixel near the bottom right corner, so that no page ends in
// white lines only (a receiver may drop a page of nothing but white).
inline const QPoint kMarkerPixel{kWidth - 5, kHeight - 5};
}  // namespace fax_page

// A white page bitmap: Format_Mono, index 0 white, index 1 black.
QImage NewFaxPageBitmap();

// The zoom at which text drawn at the screen's resolution lands at about
// 200 pixels per inch: 208 at 96 pixels per inch, 166 at 120.
int FaxZoomForDpi(int screenDpi);

// Renders every page of `source` into page files in `directory` (trailing
// "/") and appends their names to `files`. The fax's first page goes into
// FirstFaxFileName, every later one into FaxPageFileName of its number in
// the whole fax. Converter and file errors are raised as the image
// exceptions; the files made so far stay.
void RenderFaxPages(FaxPageSource& source, std::vector<std::string>& files, int screenDpi,
                    const std::string& directory);

}  // namespace telvane
