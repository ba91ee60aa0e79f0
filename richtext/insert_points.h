#pragma once
// Insert points (merge fields) in a QTextDocument: creating their character
// format, drawing them, finding and merging them. How they are held is
// described in document_conventions.h.

#include <QObject>
#include <QTextCharFormat>
#include <QTextObjectInterface>
#include <functional>

class QTextDocument;

namespace telvane {

struct InsertPoint {
  int position = 0;
  int tag = 0;
  QChar marker;
  QString caption;
};

// `base` gives the font; the caption is cut to kMaxInsertPointCaption.
QTextCharFormat InsertPointFormat(int tag, QChar marker, const QString& caption, const QTextCharFormat& base);
bool IsInsertPoint(const QTextFormat& format);
InsertPoint InsertPointOf(const QTextFormat& format, int position);

// Every insert point in document order (table cells included).
QList<InsertPoint> FindInsertPoints(const QTextDocument& doc);

// Replaces each insert point with textFor(tag) in the insert point's font.
void MergeInsertPoints(QTextDocument& doc, const std::function<QString(int tag)>& textFor);

// Draws insert points as their caption in red. Registered on each layout
// that shows or renders a document with insert points.
class InsertPointHandler : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)
public:
  using QObject::QObject;
  QSizeF intrinsicSize(QTextDocument* doc, int posInDocument, const QTextFormat& format) override;
  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* doc, int posInDocument,
                  const QTextFormat& format) override;
};

// Registers a handler owned by the document's layout.
void RegisterInsertPointHandler(QTextDocument& doc);

}  // namespace telvane
