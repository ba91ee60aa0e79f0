#include "compose/pdf_pages.h"

#include <QFile>
#include <poppler-qt6.h>

namespace telvane {
namespace {
// A page larger than this many pixels a side is refused rather than drawn:
// nothing on a fax needs it, and a hostile page size could exhaust memory.
constexpr double kMaxPixelsPerSide = 12000;
}  // namespace

PdfPages::PdfPages() = default;
PdfPages::~PdfPages() = default;

bool PdfPages::Open(const QString& path, QString* error) {
  document_ = Poppler::Document::load(path);
  if (!document_ || document_->isLocked()) {
    if (error)
      *error = document_ ? QStringLiteral("%1 is protected by a password.").arg(path)
                         : QStringLiteral("%1 is not a readable PDF file.").arg(path);
    document_.reset();
    return false;
  }
  document_->setRenderHint(Poppler::Document::Antialiasing, true);
  document_->setRenderHint(Poppler::Document::TextAntialiasing, true);
  document_->setPaperColor(Qt::white);
  return true;
}

int PdfPages::PageCount() const { return document_ ? document_->numPages() : 0; }

QSizeF PdfPages::PageSizePoints(int index) const {
  if (!document_ || index < 0 || index >= document_->numPages()) return {};
  const std::unique_ptr<Poppler::Page> page = document_->page(index);
  return page ? page->pageSizeF() : QSizeF();
}

QImage PdfPages::Render(int index, double xDpi, double yDpi) const {
  const QSizeF size = PageSizePoints(index);
  if (size.isEmpty() || size.width() * xDpi / 72 > kMaxPixelsPerSide ||
      size.height() * yDpi / 72 > kMaxPixelsPerSide)
    return {};
  const std::unique_ptr<Poppler::Page> page = document_->page(index);
  return page ? page->renderToImage(xDpi, yDpi) : QImage();
}

bool LooksLikePdf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

}  // namespace telvane
