#include "faximage/viewer/viewer.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "faximage/apf_reader.h"
#include "faximage/image_status.h"
#include "faximage/page_rotation.h"
#include "faximage/qt/qt_bitmap.h"
#include "faximage/unpacker_core.h"
#include "platform/file_helpers.h"
#include "platform/io_errors.h"

namespace telvane {

namespace {

constexpr int kJumpSteps = 10;
constexpr int kEdgeScrollMs = 50;
constexpr int kFarOutside = 20;  // pixels beyond the edge that double the edge-scroll speed

// Shows the busy cursor while a page decodes.
class BusyCursor {
public:
  explicit BusyCursor(const QCursor& cursor) { QApplication::setOverrideCursor(cursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

QRgb Blend(const QColor& from, const QColor& to, int level) {
  auto mix = [&](int a, int b) { return a + (b - a) * level / 255; };
  return qRgb(mix(from.red(), to.red()), mix(from.green(), to.green()), mix(from.blue(), to.blue()));
}

// Shrinks a page into grey levels (255 white .. 0 black, the share of black
// pixels each display pixel covers), so thin strokes stay legible. Fax
// pages are mostly white, so whole white bytes are skipped.
QImage ShrinkToGrey(const MonoBitmap& page, int width, int height) {
  QImage grey(width, height, QImage::Format_Indexed8);
  std::vector<int> x0(static_cast<size_t>(width) + 1);
  for (int x = 0; x <= width; ++x) x0[static_cast<size_t>(x)] = static_cast<int>(int64_t{x} * page.width / width);
  // The display column of every source column.
  std::vector<int> column(static_cast<size_t>(page.width));
  for (int x = 0, sx = 0; x < width; ++x)
    for (; sx < x0[static_cast<size_t>(x) + 1]; ++sx) column[static_cast<size_t>(sx)] = x;
  std::vector<int> black(static_cast<size_t>(width));
  for (int y = 0; y < height; ++y) {
    const int y0 = static_cast<int>(int64_t{y} * page.height / height);
    const int y1 = std::max(y0 + 1, static_cast<int>(int64_t{y + 1} * page.height / height));
    std::fill(black.begin(), black.end(), 0);
    for (int sy = y0; sy < y1 && sy < page.height; ++sy) {
      const uint8_t* row = page.row(sy);
      for (int b = 0; b < page.pitch; ++b) {
        if (row[b] == 0) continue;
        for (int bit = 0; bit < 8; ++bit) {
          const int sx = b * 8 + bit;
          if (sx < page.width && ((row[b] >> (7 - bit)) & 1)) ++black[static_cast<size_t>(column[static_cast<size_t>(sx)])];
        }
      }
    }
    uchar* out = grey.scanLine(y);
    for (int x = 0; x < width; ++x) {
      const int area = std::max(1, (x0[static_cast<size_t>(x) + 1] - x0[static_cast<size_t>(x)]) * (y1 - y0));
      out[x] = static_cast<uchar>(255 - std::min(255, black[static_cast<size_t>(x)] * 255 / area));
    }
  }
  return grey;
}

}  // namespace

TViewer::TViewer(QWidget* parent) : QAbstractScrollArea(parent) {
  viewport()->setAcceptDrops(true);  // drag events go to the viewport
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  edgeTimer_.setInterval(kEdgeScrollMs);
  connect(&edgeTimer_, &QTimer::timeout, this, [this] { edgeScrollTick(); });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
  connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
  apwViewSetScroll(horizontalStep_, verticalStep_);
}

TViewer::~TViewer() = default;

PageDecodeOptions TViewer::decodeOptions() const {
  PageDecodeOptions o;
  o.autoScale = autoScale_ == 2 ? unpack_flag::DoubleHeight : autoScale_ == 4 ? unpack_flag::HalfWidth : 0;
  o.whitespaceFrom = whitespaceFrom_;
  o.whitespaceTo = whitespaceTo_;
  return o;
}

void TViewer::vDisposeFax() {
  cache_.close();
  fileName_.clear();
  currentPage_ = 0;
  page_ = MonoBitmap{};
  display_ = QImage{};
  displayWidth_ = displayHeight_ = 0;
  hasMark_ = false;
  vCalcMaxScrollPos();
  vInvalidateAll();
}

int TViewer::apwViewSetFile(const std::string& fileName) {
  if (fileName.empty()) {
    vDisposeFax();
    return 0;
  }
  if (!FileExists(fileName)) return -io_error::FileNotFound;
  if (!IsApfFile(fileName)) return -image_status::NotApfFile;
  vDisposeFax();
  cache_.setOptions(decodeOptions());
  if (int rc = cache_.open(fileName); rc < 0) return rc;
  if (cache_.pageCount() == 0) {
    cache_.close();
    return -image_status::NotApfFile;
  }
  fileName_ = fileName;
  std::shared_ptr<const DecodedPage> first;
  {
    BusyCursor busy(busyCursor_);
    if (int rc = cache_.page(1, first); !first) {
      vDisposeFax();
      return rc;
    }
  }
  currentPage_ = 1;
  rotation_ = 0;
  horizMult_ = horizDiv_ = vertMult_ = vertDiv_ = 1;
  vInitPage();
  return 0;
}

void TViewer::prefetchNeighbours() {
  std::vector<int> wanted{currentPage_ + 1, currentPage_ - 1};
  if (loadWholeFax_)
    for (int p = 1; p <= cache_.pageCount(); ++p) wanted.push_back(p);
  cache_.prefetch(wanted);
}

void TViewer::vInitPage() {
  if (fileName_.empty() || currentPage_ < 1) return;
  if (!loadWholeFax_) cache_.retainOnly({currentPage_ - 1, currentPage_, currentPage_ + 1});
  std::shared_ptr<const DecodedPage> decoded;
  int rc = 0;
  {
    BusyCursor busy(busyCursor_);
    rc = cache_.page(currentPage_, decoded);
  }
  if (!decoded) {
    const int code = rc;
    vDisposeFax();
    if (onError) onError(code);
    return;
  }
  page_ = decoded->bitmap;
  pageFlags_ = decoded->imageFlags;
  if (rotation_ != 0 && !vRotatePage(rotation_)) {
    vDisposeFax();
    if (onError) onError(-io_error::NotEnoughMemory);
    return;
  }
  hasMark_ = false;
  capturing_ = false;
  edgeTimer_.stop();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  rebuildDisplay();
  // The neighbours decode once this page is on screen, not before.
  QTimer::singleShot(0, this, [this] { prefetchNeighbours(); });
  // A page cut short is shown as far as it goes and reported.
  if (rc < 0 && onError) onError(rc);
  if (onPageChange) onPageChange(currentPage_);
}

bool TViewer::vRotatePage(int quarterTurns) {
  MonoBitmap turned;
  if (RotateBitmap(page_, quarterTurns, turned) < 0) return false;
  page_ = std::move(turned);
  return true;
}

void TViewer::rebuildDisplay() {
  displayWidth_ = static_cast<int>(int64_t{page_.width} * horizMult_ / horizDiv_);
  displayHeight_ = static_cast<int>(int64_t{page_.height} * vertMult_ / vertDiv_);
  if (page_.height == 0 || displayWidth_ <= 0 || displayHeight_ <= 0) {
    display_ = QImage{};
  } else {
    const bool shrinking = horizMult_ < horizDiv_ || vertMult_ < vertDiv_;
    if (!shrinking) {
      const QImage mono = ToQImage(page_);
      display_ = (displayWidth_ == page_.width && displayHeight_ == page_.height)
                     ? mono
                     : mono.scaled(displayWidth_, displayHeight_, Qt::IgnoreAspectRatio, Qt::FastTransformation);
      display_.setColorTable({background_.rgb(), foreground_.rgb()});
    } else {
      // Grey levels run from the foreground (0) to the background (255).
      display_ = ShrinkToGrey(page_, displayWidth_, displayHeight_);
      QList<QRgb> table(256);
      for (int level = 0; level < 256; ++level) table[level] = Blend(foreground_, background_, level);
      display_.setColorTable(table);
    }
  }
  vCalcMaxScrollPos();
  vInvalidateAll();
}

void TViewer::vCalcMaxScrollPos() {
  const QSize client = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, displayWidth_ - client.width()));
  verticalScrollBar()->setRange(0, std::max(0, displayHeight_ - client.height()));
  horizontalScrollBar()->setPageStep(std::max(1, client.width()));
  verticalScrollBar()->setPageStep(std::max(1, client.height()));
}

void TViewer::vInvalidateAll() { viewport()->update(); }

QPoint TViewer::scrollPosition() const {
  return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QPoint TViewer::toImage(const QPoint& p) const { return p + scrollPosition(); }

void TViewer::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), background_);
  if (designMode_) {
    painter.drawText(3, 3 + painter.fontMetrics().ascent(), designText_);
    return;
  }
  if (display_.isNull()) return;
  const QPoint origin = -scrollPosition();
  painter.drawImage(origin, display_);
  if (hasMark_) {
    // The mark shows inverted.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(markRectInImage().translated(origin), Qt::white);
  }
}

void TViewer::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  vCalcMaxScrollPos();
}

int TViewer::apwViewGotoPage(int page) {
  if (page < 1 || page > cache_.pageCount()) return -image_status::BadArgument;
  if (page != currentPage_) {
    currentPage_ = page;
    vInitPage();
  }
  return 0;
}

int TViewer::apwViewGetNumPages() const { return cache_.pageCount(); }
int TViewer::apwViewGetCurPage() const { return fileName_.empty() ? 0 : currentPage_; }

void TViewer::vPageUp() {
  if (currentPage_ > 1) apwViewGotoPage(currentPage_ - 1);
}
void TViewer::vPageDown() {
  if (currentPage_ < cache_.pageCount()) apwViewGotoPage(currentPage_ + 1);
}
void TViewer::vFirstPage() {
  if (currentPage_ == 1) {
    vHomeVertical();
    vHomeHorizontal();
  } else if (currentPage_ > 1) {
    apwViewGotoPage(1);
  }
}
void TViewer::vLastPage() {
  if (currentPage_ == cache_.pageCount()) {
    vHomeVertical();
    vHomeHorizontal();
  } else if (currentPage_ >= 1) {
    apwViewGotoPage(cache_.pageCount());
  }
}

void TViewer::vScrollUp(int steps) { verticalScrollBar()->setValue(verticalScrollBar()->value() - steps * verticalStep_); }
void TViewer::vScrollDown(int steps) { verticalScrollBar()->setValue(verticalScrollBar()->value() + steps * verticalStep_); }
void TViewer::vScrollLeft(int steps) {
  horizontalScrollBar()->setValue(horizontalScrollBar()->value() - steps * horizontalStep_);
}
void TViewer::vScrollRight(int steps) {
  horizontalScrollBar()->setValue(horizontalScrollBar()->value() + steps * horizontalStep_);
}
void TViewer::vHomeVertical() { verticalScrollBar()->setValue(0); }
void TViewer::vEndVertical() { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); }
void TViewer::vHomeHorizontal() { horizontalScrollBar()->setValue(0); }
void TViewer::vEndHorizontal() { horizontalScrollBar()->setValue(horizontalScrollBar()->maximum()); }

void TViewer::keyPressEvent(QKeyEvent* event) {
  if (capturing_) return;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  const int steps = ctrl ? kJumpSteps : 1;
  switch (event->key()) {
    case Qt::Key_PageUp: ctrl ? vHomeVertical() : vPageUp(); break;
    case Qt::Key_PageDown: ctrl ? vEndVertical() : vPageDown(); break;
    case Qt::Key_Home: ctrl ? vFirstPage() : vHomeHorizontal(); break;
    case Qt::Key_End: ctrl ? vLastPage() : vEndHorizontal(); break;
    case Qt::Key_Up: vScrollUp(steps); break;
    case Qt::Key_Down: vScrollDown(steps); break;
    case Qt::Key_Left: vScrollLeft(steps); break;
    case Qt::Key_Right: vScrollRight(steps); break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
  }
  event->accept();
}

QRect TViewer::markRectInImage() const {
  if (!hasMark_) return {};
  return QRect(markAnchor_, markCorner_).normalized();
}

void TViewer::vUpdateMarkRect(const QPoint& imagePoint) {
  const QPoint clamped(std::clamp(imagePoint.x(), 0, std::max(0, displayWidth_ - 1)),
                       std::clamp(imagePoint.y(), 0, std::max(0, displayHeight_ - 1)));
  if (clamped == markCorner_) return;
  markCorner_ = clamped;
  vInvalidateAll();
}

void TViewer::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || capturing_ || display_.isNull()) return;
  hasMark_ = true;
  markAnchor_ = markCorner_ = QPoint(-1, -1);
  vUpdateMarkRect(toImage(event->position().toPoint()));
  markAnchor_ = markCorner_;
  capturing_ = true;
  lastMousePos_ = event->position().toPoint();
  vInvalidateAll();
}

void TViewer::mouseMoveEvent(QMouseEvent* event) {
  if (!capturing_) return;
  lastMousePos_ = event->position().toPoint();
  vUpdateMarkRect(toImage(lastMousePos_));
  const bool outside = !viewport()->rect().contains(lastMousePos_);
  if (outside && !edgeTimer_.isActive()) edgeTimer_.start();
  if (!outside) edgeTimer_.stop();
}

void TViewer::edgeScrollTick() {
  const QRect client = viewport()->rect();
  auto steps = [](int beyond) { return beyond > kFarOutside ? 2 : 1; };
  if (lastMousePos_.y() < client.top()) vScrollUp(steps(client.top() - lastMousePos_.y()));
  if (lastMousePos_.y() > client.bottom()) vScrollDown(steps(lastMousePos_.y() - client.bottom()));
  if (lastMousePos_.x() < client.left()) vScrollLeft(steps(client.left() - lastMousePos_.x()));
  if (lastMousePos_.x() > client.right()) vScrollRight(steps(lastMousePos_.x() - client.right()));
  vUpdateMarkRect(toImage(lastMousePos_));
}

void TViewer::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !capturing_) return;
  capturing_ = false;
  edgeTimer_.stop();
  if (markAnchor_ == markCorner_) hasMark_ = false;  // a click marks nothing
  vInvalidateAll();
}

int TViewer::apwViewSelectAll() {
  if (fileName_.empty() || display_.isNull()) return -image_status::NoImageLoaded;
  hasMark_ = true;
  markAnchor_ = QPoint(0, 0);
  markCorner_ = QPoint(displayWidth_ - 1, displayHeight_ - 1);
  vInvalidateAll();
  return 0;
}

int TViewer::apwViewSelect(const QRect& r) {
  if (fileName_.empty() || display_.isNull()) return -image_status::NoImageLoaded;
  const QRect clamped = r.normalized().intersected(QRect(0, 0, displayWidth_, displayHeight_));
  hasMark_ = !clamped.isEmpty();
  markAnchor_ = clamped.topLeft();
  markCorner_ = clamped.bottomRight();
  vInvalidateAll();
  return 0;
}

MonoBitmap TViewer::markedBitmap() const {
  const QRect mark = markRectInImage();
  if (mark.isEmpty() || page_.height == 0) return {};
  // The marked display rectangle in page pixels.
  const int x0 = static_cast<int>(int64_t{mark.left()} * horizDiv_ / horizMult_);
  const int y0 = static_cast<int>(int64_t{mark.top()} * vertDiv_ / vertMult_);
  const int x1 = std::clamp(static_cast<int>(int64_t{mark.right() + 1} * horizDiv_ / horizMult_), x0 + 1, page_.width);
  const int y1 = std::clamp(static_cast<int>(int64_t{mark.bottom() + 1} * vertDiv_ / vertMult_), y0 + 1, page_.height);
  MonoBitmap source(x1 - x0, y1 - y0);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (page_.pixel(x, y)) source.set(x - x0, y - y0, true);
  if (source.width == mark.width() && source.height == mark.height()) return source;
  MonoBitmap stretched;
  if (StretchBitmap(source, mark.width(), mark.height(), stretched) < 0) return {};
  return stretched;
}

int TViewer::apwViewCopy() {
  if (fileName_.empty()) return -image_status::NoImageLoaded;
  if (!hasMark_) return -image_status::NoBlockMarked;
  const MonoBitmap marked = markedBitmap();
  if (marked.height == 0) return -image_status::CantMakeBitmap;
  QApplication::clipboard()->setImage(ToQImage(marked));
  return 0;
}

void TViewer::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && event->mimeData()->urls().first().isLocalFile()) event->acceptProposedAction();
}

void TViewer::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  const std::string name = urls.first().toLocalFile().toStdString();
  if (int rc = apwViewSetFile(name); rc < 0 && onError) onError(rc);
  if (onDropFile) onDropFile(fileName_);
}

void TViewer::apwViewSetFG(const QColor& colour) {
  foreground_ = colour;
  rebuildDisplay();
}

void TViewer::apwViewSetBG(const QColor& colour) {
  background_ = colour;
  rebuildDisplay();
}

void TViewer::apwViewSetScale(int hm, int hd, int vm, int vd) {
  auto store = [](int value, int& factor) {
    if (value > 0) factor = value;
  };
  store(hm, horizMult_);
  store(hd, horizDiv_);
  store(vm, vertMult_);
  store(vd, vertDiv_);
  if (horizMult_ == horizDiv_) horizMult_ = horizDiv_ = 1;
  if (vertMult_ == vertDiv_) vertMult_ = vertDiv_ = 1;
  hasMark_ = false;
  if (updating_ == 0) rebuildDisplay();
}

void TViewer::apwViewSetScroll(int horizontalStep, int verticalStep) {
  if (horizontalStep > 0) horizontalStep_ = horizontalStep;
  if (verticalStep > 0) verticalStep_ = verticalStep;
  horizontalScrollBar()->setSingleStep(horizontalStep_);
  verticalScrollBar()->setSingleStep(verticalStep_);
}

int TViewer::apwViewSetWhitespace(int from, int to) {
  UnpackerCore check;
  if (int rc = SetWhitespace(check, from, to); rc < 0) return rc;
  whitespaceFrom_ = from;
  whitespaceTo_ = to;
  cache_.setOptions(decodeOptions());
  if (updating_ == 0) vInitPage();
  return 0;
}

void TViewer::apwViewSetAutoScale(int mode) {
  autoScale_ = mode == 2 || mode == 4 ? mode : 0;
  cache_.setOptions(decodeOptions());
  if (updating_ == 0) vInitPage();
}

MonoBitmap TViewer::apwViewGetBitmap(int page) {
  std::shared_ptr<const DecodedPage> decoded;
  int rc = 0;
  {
    BusyCursor busy(busyCursor_);
    rc = cache_.page(page, decoded);
  }
  if (rc < 0 && onError) onError(rc);
  return decoded ? decoded->bitmap : MonoBitmap{};
}

void TViewer::apwViewStartUpdate() { ++updating_; }

void TViewer::apwViewEndUpdate() {
  if (updating_ > 0) --updating_;
  if (updating_ == 0) rebuildDisplay();
}

void TViewer::apwViewSetDesignMode(const QString& text) {
  designMode_ = true;
  designText_ = text;
  vInvalidateAll();
}

int TViewer::apwViewSetRotation(int rotation) {
  if (rotation < 0 || rotation > 3) return -io_error::NotEnoughMemory;
  if (rotation == rotation_) return 0;
  if (page_.height > 0 && !vRotatePage(rotation - rotation_)) return -io_error::NotEnoughMemory;
  rotation_ = rotation;
  hasMark_ = false;
  rebuildDisplay();
  return 0;
}

QRect TViewer::apwViewGetPageDim() const {
  if (fileName_.empty()) return QRect(0, 0, 0, 0);
  return QRect(QPoint(0, 0), QPoint(page_.width - 1, page_.height - 1));
}

int TViewer::apwViewSetLoadWholeFax(bool on) {
  loadWholeFax_ = on;
  if (fileName_.empty()) return 0;
  if (!on) cache_.retainOnly({currentPage_});
  prefetchNeighbours();
  return 0;
}

void TViewer::apwViewSetBusyCursor(const QCursor& cursor) { busyCursor_ = cursor; }

unsigned TViewer::apwViewGetPageFlags() const { return pageFlags_; }

}  // namespace telvane
