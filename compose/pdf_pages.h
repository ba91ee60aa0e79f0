#pragma once
// The pages of a PDF file, read with Poppler and rendered one at a time, so
// that a long document never sits in memory as a whole.

#include <QImage>
#include <QSizeF>
#include <QString>
#include <memory>

namespace Poppler {
class Document;
}

namespace telvane {

class PdfPages {
public:
  PdfPages();
  ~PdfPages();
  PdfPages(const PdfPages&) = delete;
  PdfPages& operator=(const PdfPages&) = delete;

  // False with a text for the user when the file is no readable PDF.
  bool Open(const QString& path, QString* error);
  int PageCount() const;
  QSizeF PageSizePoints(int index) const;
  // The page on white at the given resolutions; a null image when the page
  // cannot be drawn or would be absurdly large.
  QImage Render(int index, double xDpi, double yDpi) const;

private:
  std::unique_ptr<Poppler::Document> document_;
};

// True when the file starts like a PDF, whatever its name.
bool LooksLikePdf(const QString& path);

}  // namespace telvane
