#pragma once
// TViewer: the scrolling window that shows one page of a fax image file.
// Its interface is the viewer's message set kept as methods (apwView...,
// results 0 or a negative status); the component TKovaFaxViewer turns
// properties into these calls. Pages come from a FaxPageCache, so opening
// decodes page 1 only and the neighbours decode in the background.

#include <QAbstractScrollArea>
#include <QColor>
#include <QCursor>
#include <QImage>
#include <QTimer>
#include <functional>
#include <string>

#include "faximage/mono_bitmap.h"
#include "faximage/page_cache.h"

namespace telvane {

class TViewer : public QAbstractScrollArea {
  Q_OBJECT
public:
  explicit TViewer(QWidget* parent = nullptr);
  ~TViewer() override;

  // Notifications the window sends to its owner.
  std::function<void(int page)> onPageChange;
  std::function<void(int code)> onError;
  std::function<void(const std::string& fileName)> onDropFile;

  int apwViewSetFile(const std::string& fileName);
  void apwViewSetFG(const QColor& colour);
  void apwViewSetBG(const QColor& colour);
  void apwViewSetScale(int horizMult, int horizDiv, int vertMult, int vertDiv);
  void apwViewSetScroll(int horizontalStep, int verticalStep);
  int apwViewSelectAll();
  int apwViewSelect(const QRect& imageRect);
  int apwViewCopy();
  int apwViewSetWhitespace(int from, int to);
  // A page as a bitmap (empty when the page does not exist or fails; the
  // failure goes to onError).
  MonoBitmap apwViewGetBitmap(int page);
  int apwViewGetNumPages() const;
  void apwViewStartUpdate();
  void apwViewEndUpdate();
  int apwViewGotoPage(int page);
  int apwViewGetCurPage() const;
  void apwViewSetDesignMode(const QString& text);
  int apwViewSetRotation(int rotation);
  void apwViewSetAutoScale(int mode);  // 0, 2 (double height) or 4 (half width)
  QRect apwViewGetPageDim() const;     // 0, 0, width - 1, height - 1 of the shown page
  int apwViewSetLoadWholeFax(bool on);
  void apwViewSetBusyCursor(const QCursor& cursor);
  unsigned apwViewGetPageFlags() const;
  const std::string& apwViewGetFileName() const { return fileName_; }

  // State the tests and the component read.
  int rotation() const { return rotation_; }
  QSize displayedSize() const { return QSize(displayWidth_, displayHeight_); }
  QPoint scrollPosition() const;
  bool hasMark() const { return hasMark_; }
  QRect markRect() const { return markRectInImage(); }
  // Pages the file header declares; more than the page count when the file
  // was cut short.
  int declaredPageCount() const { return cache_.declaredPageCount(); }
  // The marked area of the shown page at the marked size (source pixels
  // scaled back through the factors), as apwViewCopy puts it on the clipboard.
  MonoBitmap markedBitmap() const;
  const FaxPageCache& pageCache() const { return cache_; }

  // Navigation, as the keys use it.
  void vPageUp();
  void vPageDown();
  void vFirstPage();
  void vLastPage();
  void vScrollUp(int steps = 1);
  void vScrollDown(int steps = 1);
  void vScrollLeft(int steps = 1);
  void vScrollRight(int steps = 1);
  void vHomeVertical();
  void vEndVertical();
  void vHomeHorizontal();
  void vEndHorizontal();

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void vDisposeFax();
  void vInitPage();
  bool vRotatePage(int quarterTurns);
  void vCalcMaxScrollPos();
  void vUpdateMarkRect(const QPoint& imagePoint);
  void vInvalidateAll();
  void edgeScrollTick();
  void rebuildDisplay();
  void prefetchNeighbours();
  QRect markRectInImage() const;
  QPoint toImage(const QPoint& viewportPoint) const;
  PageDecodeOptions decodeOptions() const;

  FaxPageCache cache_;
  std::string fileName_;
  int currentPage_ = 0;
  MonoBitmap page_;         // the shown page, turned by rotation_
  unsigned pageFlags_ = 0;  // ImageFlags of the last decoded page
  QImage display_;          // page_ at the displayed size, in the viewer's colours
  int displayWidth_ = 0, displayHeight_ = 0;
  int horizMult_ = 1, horizDiv_ = 1, vertMult_ = 1, vertDiv_ = 1;
  int rotation_ = 0;
  int autoScale_ = 0;
  int whitespaceFrom_ = 0, whitespaceTo_ = 0;
  QColor foreground_ = Qt::black, background_ = Qt::white;
  QCursor busyCursor_ = Qt::ArrowCursor;
  bool loadWholeFax_ = false;
  int updating_ = 0;
  bool designMode_ = false;
  QString designText_;
  int horizontalStep_ = 8, verticalStep_ = 8;

  bool hasMark_ = false;
  QPoint markAnchor_, markCorner_;  // image coordinates
  bool capturing_ = false;
  QPoint lastMousePos_;
  QTimer edgeTimer_;
};

}  // namespace telvane
