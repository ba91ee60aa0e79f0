#include "faximage/viewer/fax_viewer_control.h"

#include <QVBoxLayout>

#include "faximage/image_exceptions.h"
#include "faximage/image_status.h"

namespace telvane {

namespace {
int AutoScaleMessage(TAutoScaleMode mode) {
  switch (mode) {
    case TAutoScaleMode::asDoubleHeight: return 2;
    case TAutoScaleMode::asHalfWidth: return 4;
    default: return 0;
  }
}
}  // namespace

TKovaCustomFaxViewer::TKovaCustomFaxViewer(QWidget* parent) : QFrame(parent), viewer_(new TViewer(this)) {
  setObjectName("FaxViewer");
  resize(100, 50);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(viewer_);
  setFocusProxy(viewer_);
  SetBorderStyle(true);
  viewer_->onPageChange = [this](int) {
    if (OnPageChange) OnPageChange(*this);
  };
  viewer_->onError = [this](int code) {
    if (OnViewerError) OnViewerError(*this, code);
  };
  viewer_->onDropFile = [this](const std::string& name) {
    rotation_ = 0;
    if (OnDropFile) OnDropFile(*this, name);
  };
  // What the window gets when it is created, in this order.
  viewer_->apwViewSetFG(fg_);
  viewer_->apwViewSetBG(bg_);
  viewer_->apwViewSetScroll(horizScroll_, vertScroll_);
  viewer_->apwViewSetAutoScale(AutoScaleMessage(autoScale_));
  viewer_->apwViewSetLoadWholeFax(loadWholeFax_);
  viewer_->apwViewSetBusyCursor(busyCursor_);
}

void TKovaCustomFaxViewer::SetBorderStyle(bool single) {
  borderStyle_ = single;
  viewer_->setFrameShape(single ? QFrame::StyledPanel : QFrame::NoFrame);
}

void TKovaCustomFaxViewer::SetFGColor(const QColor& colour) {
  if (colour == fg_) return;
  fg_ = colour;
  viewer_->apwViewSetFG(colour);
}

void TKovaCustomFaxViewer::SetBGColor(const QColor& colour) {
  if (colour == bg_) return;
  bg_ = colour;
  viewer_->apwViewSetBG(colour);
}

void TKovaCustomFaxViewer::sendScale() {
  if (scaling_)
    viewer_->apwViewSetScale(horizMult_, horizDiv_, vertMult_, vertDiv_);
  else
    viewer_->apwViewSetScale(1, 1, 1, 1);
}

void TKovaCustomFaxViewer::SetScaling(bool on) {
  if (on == scaling_) return;
  scaling_ = on;
  sendScale();
}

void TKovaCustomFaxViewer::setFactor(int& factor, int value) {
  if (value == 0 || value == factor) return;
  factor = value;
  if (scaling_) sendScale();
}

void TKovaCustomFaxViewer::SetAutoScaleMode(TAutoScaleMode mode) {
  if (mode == autoScale_) return;
  autoScale_ = mode;
  viewer_->apwViewSetAutoScale(AutoScaleMessage(mode));
}

void TKovaCustomFaxViewer::SetWhitespaceCompression(bool on) {
  if (on == whitespace_) return;
  whitespace_ = on;
  RaiseImageError(on ? viewer_->apwViewSetWhitespace(whitespaceFrom_, whitespaceTo_)
                     : viewer_->apwViewSetWhitespace(0, 0));
}

void TKovaCustomFaxViewer::SetWhitespaceFrom(int v) {
  if (v == whitespaceFrom_) return;
  whitespaceFrom_ = v;
  if (whitespace_) RaiseImageError(viewer_->apwViewSetWhitespace(whitespaceFrom_, whitespaceTo_));
}

void TKovaCustomFaxViewer::SetWhitespaceTo(int v) {
  if (v == whitespaceTo_) return;
  whitespaceTo_ = v;
  if (whitespace_) RaiseImageError(viewer_->apwViewSetWhitespace(whitespaceFrom_, whitespaceTo_));
}

void TKovaCustomFaxViewer::SetHorizScroll(int v) {
  if (v == horizScroll_) return;
  horizScroll_ = v;
  viewer_->apwViewSetScroll(horizScroll_, 0);
}

void TKovaCustomFaxViewer::SetVertScroll(int v) {
  if (v == vertScroll_) return;
  vertScroll_ = v;
  viewer_->apwViewSetScroll(0, vertScroll_);
}

void TKovaCustomFaxViewer::SetLoadWholeFax(bool on) {
  if (on == loadWholeFax_) return;
  loadWholeFax_ = on;
  RaiseImageError(viewer_->apwViewSetLoadWholeFax(on));
}

void TKovaCustomFaxViewer::SetBusyCursor(const QCursor& cursor) {
  busyCursor_ = cursor;
  viewer_->apwViewSetBusyCursor(cursor);
}

void TKovaCustomFaxViewer::SetFileName(const std::string& name) {
  if (name == FileName()) return;
  const int rc = viewer_->apwViewSetFile(name);
  // A name that cannot be opened leaves the shown file as it was.
  if (rc == -io_error::FileNotFound || rc == -image_status::NotApfFile) RaiseImageError(rc);
  rotation_ = 0;
  horizMult_ = horizDiv_ = vertMult_ = vertDiv_ = 1;
  RaiseImageError(rc);
}

void TKovaCustomFaxViewer::RotateTo(int rotation) {
  if (rotation == rotation_) return;
  RaiseImageError(viewer_->apwViewSetRotation(rotation));
  rotation_ = rotation;
}

void TKovaCustomFaxViewer::ShowPage(int page) {
  if (FileName().empty() || page == ShownPage()) return;
  if (page < 1 || page > ViewerPageCount()) RaiseImageError(-image_status::BadArgument);
  RaiseImageError(viewer_->apwViewGotoPage(page));
}

void TKovaCustomFaxViewer::ShowFirstPage() {
  if (!FileName().empty()) ShowPage(1);
}

void TKovaCustomFaxViewer::ShowLastPage() {
  if (!FileName().empty()) ShowPage(ViewerPageCount());
}

void TKovaCustomFaxViewer::ShowNextPage() {
  if (!FileName().empty() && ShownPage() < ViewerPageCount()) ShowPage(ShownPage() + 1);
}

void TKovaCustomFaxViewer::ShowPrevPage() {
  if (!FileName().empty() && ShownPage() > 1) ShowPage(ShownPage() - 1);
}

int TKovaCustomFaxViewer::ShownPageWidth() const {
  const QRect dim = viewer_->apwViewGetPageDim();
  return FileName().empty() ? 0 : dim.width();
}

void TKovaCustomFaxViewer::CopyToClipboard() { RaiseImageError(viewer_->apwViewCopy()); }

void TKovaCustomFaxViewer::SelectImage() { RaiseImageError(viewer_->apwViewSelectAll()); }

}  // namespace telvane
