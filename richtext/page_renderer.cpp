#include "richtext/page_renderer.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextObjectInterface>
#include <QUrl>
#include <cmath>

#include "richtext/document_conventions.h"
#include "richtext/insert_points.h"
#include "richtext/picture_dither.h"

namespace telvane {
namespace {

constexpr double kInchesPerMetre = 39.3700787;

// Draws pictures in black and white at the device resolution, so the
// page's 50% threshold leaves them as they are.
class FaxPictureHandler : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)
public:
  using QObject::QObject;

  QSizeF intrinsicSize(QTextDocument* doc, int, const QTextFormat& format) override {
    const QTextImageFormat f = format.toImageFormat();
    const QImage image = Image(doc, f);
    const double w = f.width() > 0 ? f.width() : image.width() * DocumentDpi() / 96.0;
    const double h = f.height() > 0 ? f.height() : image.height() * DocumentDpi() / 96.0;
    const double scale = doc->documentLayout()->paintDevice()->logicalDpiY() / double(DocumentDpi());
    return {w * scale, h * scale};
  }

  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* doc, int, const QTextFormat& format) override {
    const QRect target = painter->transform().mapRect(rect).toAlignedRect();
    const QImage image = Image(doc, format.toImageFormat());
    // Only the part on this page is scaled: a picture may be far taller.
    const QRect visible = target.intersected(QRect(QPoint(0, 0), QSize(painter->device()->width(), painter->device()->height())));
    if (image.isNull() || visible.isEmpty()) return;
    const double sx = double(image.width()) / target.width(), sy = double(image.height()) / target.height();
    const QRect source = QRectF((visible.left() - target.left()) * sx, (visible.top() - target.top()) * sy,
                                visible.width() * sx, visible.height() * sy)
                             .toAlignedRect()
                             .intersected(image.rect());
    const QImage bw = ToBlackAndWhite(image.copy(source), visible.size());
    if (bw.isNull()) return;
    painter->save();
    painter->resetTransform();
    painter->drawImage(visible.topLeft(), bw);
    painter->restore();
  }

private:
  static QImage Image(QTextDocument* doc, const QTextImageFormat& f) {
    return doc->resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
  }
};

}  // namespace

PageRenderer::PageRenderer(const QTextDocument& source, QSize pageSize, int dpi)
    : pageSize_(pageSize.expandedTo(QSize(1, 1))), dpi_(std::max(dpi, 1)), device_(1, 1, QImage::Format_Mono) {
  const int dotsPerMetre = static_cast<int>(std::lround(dpi_ * kInchesPerMetre));
  device_.setDotsPerMeterX(dotsPerMetre);
  device_.setDotsPerMeterY(dotsPerMetre);
  doc_.reset(source.clone());
  QAbstractTextDocumentLayout* layout = doc_->documentLayout();
  layout->setPaintDevice(&device_);
  layout->registerHandler(QTextFormat::ImageObject, new FaxPictureHandler(layout));
  RegisterInsertPointHandler(*doc_);
  doc_->setDocumentMargin(0);
  doc_->setPageSize(pageSize_);
  scratch_ = QImage(pageSize_, QImage::Format_RGB32);
}

PageRenderer::~PageRenderer() = default;

int PageRenderer::PageCount() const { return doc_->pageCount(); }

int PageRenderer::PageOf(int position) const {
  const QTextBlock block = doc_->findBlock(position);
  if (!block.isValid()) return 0;
  const QRectF box = doc_->documentLayout()->blockBoundingRect(block);
  const QTextLine line = block.layout()->lineForTextPosition(position - block.position());
  const double y = box.top() + (line.isValid() ? line.y() : 0);
  return std::max(0, static_cast<int>(std::floor(y / pageSize_.height() + 1e-6)));
}

// The first line at or below the next page's top. A line taller than a page
// overflows it; the next line then starts a later page, so this always moves on.
int PageRenderer::NextPageStart(int position, int pageIndex) const {
  const double boundary = double(pageIndex + 1) * pageSize_.height() - 1e-3;
  QAbstractTextDocumentLayout* layout = doc_->documentLayout();
  for (QTextBlock b = doc_->findBlock(position); b.isValid(); b = b.next()) {
    const QRectF box = layout->blockBoundingRect(b);
    if (box.bottom() < boundary) continue;
    const QTextLayout* tl = b.layout();
    for (int i = 0; i < tl->lineCount(); ++i) {
      const QTextLine line = tl->lineAt(i);
      const int pos = b.position() + line.textStart();
      if (pos > position && box.top() + line.y() >= boundary) return pos;
    }
    if (tl->lineCount() == 0 && b.position() > position && box.top() >= boundary) return b.position();
  }
  return 0;
}

int PageRenderer::Draw(int position, const QRect& rect, QImage& page) {
  if (position < 0 || position >= doc_->characterCount()) return 0;
  const int pageIndex = PageOf(position);
  const double top = double(pageIndex) * pageSize_.height();
  scratch_.fill(Qt::white);
  {
    QPainter p(&scratch_);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0, -top);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, top, pageSize_.width(), pageSize_.height());
    context.palette.setColor(QPalette::Text, Qt::black);
    doc_->documentLayout()->draw(&p, context);
  }
  if (page.colorCount() < 2) page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  const uint black = qGray(page.color(1)) < qGray(page.color(0)) ? 1 : 0;
  const bool msbFirst = page.format() != QImage::Format_MonoLSB;
  const QRect area = rect.intersected(page.rect());
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const int sy = y - rect.top();
    if (sy >= scratch_.height()) break;
    const auto* src = reinterpret_cast<const QRgb*>(scratch_.constScanLine(sy));
    uchar* dst = page.scanLine(y);
    for (int x = area.left(); x <= area.right(); ++x) {
      const int sx = x - rect.left();
      if (sx >= scratch_.width()) break;
      if (qGray(src[sx]) >= 128) continue;
      const uchar bit = static_cast<uchar>(msbFirst ? 0x80 >> (x & 7) : 1 << (x & 7));
      if (black) dst[x >> 3] |= bit;
      else dst[x >> 3] &= static_cast<uchar>(~bit);
    }
  }
  return NextPageStart(position, pageIndex);
}

}  // namespace telvane

#include "page_renderer.moc"
