#include "fax/qt/kova_fax_status.h"

#include <QGuiApplication>
#include <QScreen>

namespace telvane {

namespace {

bool Centred(TPosition position) {
  return position == poScreenCenter || position == poDesktopCenter || position == poMainFormCenter ||
         position == poOwnerFormCenter;
}

void CenterOnScreen(QWidget& window) {
  QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}

}  // namespace

TKovaFaxStatus::TKovaFaxStatus(QWidget* parent) : parent_(parent) { CreateDisplay(); }

TKovaFaxStatus::~TKovaFaxStatus() { DestroyDisplay(); }

void TKovaFaxStatus::CreateDisplay() {
  if (display_) return;
  display_ = new TStandardFaxDisplay(parent_);
  display_->setWindowTitle(QString::fromStdString(Caption()));
  display_->SetCancelHandler([this] {
    if (FaxStatusSource* fax = Fax()) fax->AbortFax();
  });
}

void TKovaFaxStatus::DestroyDisplay() {
  delete display_.data();
  display_ = nullptr;
  NoteVisible(false);
}

void TKovaFaxStatus::UpdateDisplay(bool first, bool last) {
  if (!display_) return;
  if (last) {
    ShowDisplay(false);
    return;
  }
  if (first) {
    // A new fax: the clocks of the previous one must not run on.
    ResetModel();
    display_->setWindowTitle(QString::fromStdString(Caption()));
  }
  display_->ShowFields(CurrentFields());
  if (first) ShowDisplay(true);
}

void TKovaFaxStatus::ShowDisplay(bool show) {
  NoteVisible(show && display_);
  if (!display_) return;
  if (!show) {
    display_->hide();
    return;
  }
  if (!display_->isVisible() && Centred(Position())) CenterOnScreen(*display_);
  display_->show();
}

}  // namespace telvane
