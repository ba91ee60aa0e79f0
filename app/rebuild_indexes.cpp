#include "app/rebuild_indexes.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "app/log_tables.h"
#include "platform/pending_messages.h"
#include "settings/window_helpers.h"

namespace telvane {
namespace {
// The window closes itself with the user message the main window uses too.
constexpr QEvent::Type MsgCloseWindow = static_cast<QEvent::Type>(1066);
}  // namespace

TRebuildInd::TRebuildInd(LogTables& tables, QWidget* parent)
    : QDialog(parent), tables_(tables), progress_(new QLabel(this)) {
  setObjectName(QStringLiteral("RebuildInd"));
  setWindowTitle(QStringLiteral("Rebuild Indexes"));
  setWindowFlag(Qt::WindowCloseButtonHint, false);
  auto* wait = new QLabel(QStringLiteral("Please wait..."), this);
  QFont big = wait->font();
  big.setPointSizeF(big.pointSizeF() * 1.3);
  big.setBold(true);
  wait->setFont(big);
  wait->setAlignment(Qt::AlignCenter);
  progress_->setObjectName(QStringLiteral("ProgressText"));
  progress_->setAlignment(Qt::AlignCenter);
  progress_->setMinimumWidth(progress_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 34);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(wait);
  layout->addWidget(progress_);
  setMinimumHeight(110);
  adjustSize();
  CenterWindow(*this);
}

void TRebuildInd::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) {
    started_ = true;
    QTimer::singleShot(0, this, &TRebuildInd::run);
  }
}

void TRebuildInd::run() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  succeeded_ = tables_.RebuildIndexes([this](const std::string& text) {
    shown_ << QString::fromStdString(text);
    progress_->setText(shown_.back());
    ProcessPendingMessages();
  });
  QApplication::restoreOverrideCursor();
  finished_ = true;
  QApplication::postEvent(this, new QEvent(MsgCloseWindow));
}

void TRebuildInd::reject() {
  if (finished_) QDialog::reject();
}

bool TRebuildInd::event(QEvent* event) {
  if (event->type() == MsgCloseWindow) {
    accept();
    return true;
  }
  return QDialog::event(event);
}

}  // namespace telvane
