#include "richtext/insert_points.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "richtext/document_conventions.h"

namespace telvane {
namespace {

QFontMetricsF MetricsFor(QTextDocument* doc, const QTextFormat& format) {
  const QFont font = format.toCharFormat().font();
  QPaintDevice* device = doc ? doc->documentLayout()->paintDevice() : nullptr;
  return device ? QFontMetricsF(font, device) : QFontMetricsF(font);
}

}  // namespace

QTextCharFormat InsertPointFormat(int tag, QChar marker, const QString& caption, const QTextCharFormat& base) {
  QTextCharFormat f = base;
  f.setObjectType(kInsertPointObject);
  f.setProperty(kInsertPointTag, tag);
  f.setProperty(kInsertPointMarker, QString(marker));
  f.setProperty(kInsertPointCaption, caption.left(kMaxInsertPointCaption));
  f.clearProperty(QTextFormat::ImageName);
  return f;
}

bool IsInsertPoint(const QTextFormat& format) {
  return format.objectType() == kInsertPointObject && format.hasProperty(kInsertPointTag);
}

InsertPoint InsertPointOf(const QTextFormat& format, int position) {
  const QString marker = format.stringProperty(kInsertPointMarker);
  return {position, format.intProperty(kInsertPointTag), marker.isEmpty() ? QChar(u'*') : marker.at(0),
          format.stringProperty(kInsertPointCaption)};
}

QList<InsertPoint> FindInsertPoints(const QTextDocument& doc) {
  QList<InsertPoint> found;
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment frag = it.fragment();
      if (!IsInsertPoint(frag.charFormat())) continue;
      for (int i = 0; i < frag.length(); ++i) found.append(InsertPointOf(frag.charFormat(), frag.position() + i));
    }
  }
  return found;
}

void MergeInsertPoints(QTextDocument& doc, const std::function<QString(int tag)>& textFor) {
  QList<InsertPoint> points = FindInsertPoints(doc);
  QTextCursor cursor(&doc);
  cursor.beginEditBlock();
  // From the end, so earlier positions stay valid while text is replaced.
  std::reverse(points.begin(), points.end());
  for (const InsertPoint& p : points) {
    cursor.setPosition(p.position);
    cursor.setPosition(p.position + 1, QTextCursor::KeepAnchor);
    QTextCharFormat plain = cursor.charFormat();
    plain.setObjectType(QTextFormat::NoObject);
    for (int id : {kInsertPointTag, kInsertPointMarker, kInsertPointCaption}) plain.clearProperty(id);
    const QString text = textFor ? textFor(p.tag) : QString();
    cursor.removeSelectedText();
    cursor.insertText(text, plain);
  }
  cursor.endEditBlock();
}

QSizeF InsertPointHandler::intrinsicSize(QTextDocument* doc, int, const QTextFormat& format) {
  const QFontMetricsF m = MetricsFor(doc, format);
  // Objects stand on the baseline: the caption's descenders hang below it.
  return {std::max(1.0, m.horizontalAdvance(format.stringProperty(kInsertPointCaption))), m.ascent()};
}

void InsertPointHandler::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* doc, int,
                                    const QTextFormat& format) {
  // The painter would size the font for its own device; the layout sized
  // the caption for the layout's device (which carries the zoom).
  QFont font = format.toCharFormat().font();
  QPaintDevice* device = doc ? doc->documentLayout()->paintDevice() : nullptr;
  if (device && font.pointSizeF() > 0) font.setPixelSize(std::max(1, qRound(font.pointSizeF() * device->logicalDpiY() / 72.0)));
  painter->save();
  painter->setFont(font);
  painter->setPen(Qt::red);
  painter->drawText(QPointF(rect.left(), rect.bottom()), format.stringProperty(kInsertPointCaption));
  painter->restore();
}

void RegisterInsertPointHandler(QTextDocument& doc) {
  QAbstractTextDocumentLayout* layout = doc.documentLayout();
  layout->registerHandler(kInsertPointObject, new InsertPointHandler(layout));
}

}  // namespace telvane
