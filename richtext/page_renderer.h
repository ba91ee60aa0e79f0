#pragma once
// Renders a rich text document page by page into 1-bit bitmaps: a private
// copy of the document is laid out for pages of the target rectangle at the
// target dpi, a page is drawn into a greyscale scratch image and text is
// thresholded at 50%; pictures arrive already black and white (see
// picture_dither.h). Memory stays one scratch page whatever the page count.

#include <QImage>
#include <QSize>
#include <memory>

class QTextDocument;

namespace telvane {

class PageRenderer {
public:
  // `dpi` is the device resolution the document is laid out for.
  PageRenderer(const QTextDocument& source, QSize pageSize, int dpi);
  ~PageRenderer();
  QSize PageSize() const { return pageSize_; }
  int Dpi() const { return dpi_; }

  // Draws the page holding text position `position` into `rect` of `page`
  // (only black pixels are set) and returns the first position of the next
  // page, or 0 when the document ends on this page.
  int Draw(int position, const QRect& rect, QImage& page);
  int PageCount() const;

private:
  int PageOf(int position) const;
  int NextPageStart(int position, int pageIndex) const;

  QSize pageSize_;
  int dpi_;
  QImage device_;  // carries the dpi for the layout
  std::unique_ptr<QTextDocument> doc_;
  QImage scratch_;
};

}  // namespace telvane
