#include "compose/document_pages.h"

#include <QImageReader>

#include "compose/pdf_pages.h"

namespace telvane {
namespace {

void tooManyPages(DocumentPages& out) {
  out.error = QStringLiteral("Only the first %1 pages were taken.").arg(kMaxDocumentPages);
}

DocumentPages loadPdf(const QString& path, int dpi) {
  DocumentPages out;
  PdfPages pdf;
  if (!pdf.Open(path, &out.error)) return out;
  for (int i = 0; i < pdf.PageCount(); ++i) {
    if (i == kMaxDocumentPages) {
      tooManyPages(out);
      break;
    }
    const QImage page = pdf.Render(i, dpi, dpi);
    if (page.isNull()) {
      out.error = QStringLiteral("Page %1 of %2 could not be drawn.").arg(i + 1).arg(path);
      continue;
    }
    out.pages.push_back(page.convertToFormat(QImage::Format_Grayscale8));
  }
  return out;
}

DocumentPages loadImages(const QString& path) {
  DocumentPages out;
  QImageReader reader(path);
  reader.setAutoTransform(true);
  do {
    if (static_cast<int>(out.pages.size()) == kMaxDocumentPages) {
      tooManyPages(out);
      break;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
      out.error = QStringLiteral("%1: %2").arg(path, reader.errorString());
      break;
    }
    out.pages.push_back(image);
  } while (reader.jumpToNextImage());
  return out;
}

}  // namespace

DocumentPages LoadDocumentPages(const QString& path, int dpi) {
  return LooksLikePdf(path) ? loadPdf(path, dpi) : loadImages(path);
}

}  // namespace telvane
