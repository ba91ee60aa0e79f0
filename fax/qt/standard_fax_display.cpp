#include "fax/qt/standard_fax_display.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace telvane {

namespace {

constexpr int MeterWidth = 406;
constexpr int MeterHeight = 20;
constexpr int PanelCount = 6;

constexpr char PageProgressCaption[] = "Page progress:";

struct FieldRow {
  int panel;
  const char* caption;
  const char* name;  // the value field's object name; the label's adds "Label"
  QLabel* TStandardFaxDisplay::*field;
  bool hidden;  // kept filled, not shown
};

constexpr FieldRow FieldRows[] = {
    {0, "Phone number:", "fsPhoneNumber", &TStandardFaxDisplay::fsPhoneNumber, false},
    {0, "Fax file name:", "fsFaxFileName", &TStandardFaxDisplay::fsFaxFileName, true},
    {0, "Cover file name:", "fsCoverFileName", &TStandardFaxDisplay::fsCoverFileName, true},
    {0, "Total pages:", "fsTotalPages", &TStandardFaxDisplay::fsTotalPages, false},
    {0, "Dial attempt:", "fsDialAttempt", &TStandardFaxDisplay::fsDialAttempt, false},
    {1, "Remote ID:", "fsRemoteID", &TStandardFaxDisplay::fsRemoteID, false},
    {1, "Connect BPS:", "fsConnectBPS", &TStandardFaxDisplay::fsConnectBPS, false},
    {2, "Resolution:", "fsResolution", &TStandardFaxDisplay::fsResolution, false},
    {2, "Width:", "fsWidth", &TStandardFaxDisplay::fsWidth, false},
    {2, "Error control:", "fsErrorControl", &TStandardFaxDisplay::fsErrorControl, false},
    {3, "Current page:", "fsCurrentPage", &TStandardFaxDisplay::fsCurrentPage, false},
    {3, "Page length:", "fsPageLength", &TStandardFaxDisplay::fsPageLength, false},
    {3, "Bytes transferred:", "fsBytesTransferred", &TStandardFaxDisplay::fsBytesTransferred, false},
    {4, "Elapsed time:", "fsElapsedTime", &TStandardFaxDisplay::fsElapsedTime, false},
    {4, "Status:", "fsStatusMsg", &TStandardFaxDisplay::fsStatusMsg, false},
};

QFrame* NewPanel(QWidget* parent, int index) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QStringLiteral("fsPanel%1").arg(index + 1));
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  return panel;
}

}  // namespace

TStandardFaxDisplay::TStandardFaxDisplay(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("TStandardFaxDisplay"));
  createPanels();
  createCancelButton();
  // Sized once for the widest panel (the meter); long values are cut by
  // their labels instead of growing the window.
  setFixedSize(sizeHint());
}

void TStandardFaxDisplay::createPanels() {
  auto* layout = new QVBoxLayout(this);
  QGridLayout* grids[PanelCount];
  for (int i = 0; i < PanelCount; ++i) {
    QFrame* panel = NewPanel(this, i);
    grids[i] = new QGridLayout(panel);
    grids[i]->setColumnStretch(1, 1);
    layout->addWidget(panel);
  }
  for (const FieldRow& row : FieldRows) {
    QGridLayout* grid = grids[row.panel];
    auto* label = new QLabel(QString::fromLatin1(row.caption), this);
    label->setObjectName(QString::fromLatin1(row.name) + QStringLiteral("Label"));
    auto* value = new QLabel(this);
    value->setObjectName(QString::fromLatin1(row.name));
    value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setVisible(!row.hidden);
    value->setVisible(!row.hidden);
    const int line = grid->rowCount();
    grid->addWidget(label, line, 0);
    grid->addWidget(value, line, 1);
    this->*row.field = value;
  }

  QGridLayout* meterGrid = grids[PanelCount - 1];
  fsPageProgressLabel = new QLabel(QString::fromLatin1(PageProgressCaption), this);
  fsPageProgressLabel->setObjectName(QStringLiteral("fsPageProgressLabel"));
  fsPageProgress = new QProgressBar(this);
  fsPageProgress->setObjectName(QStringLiteral("fsPageProgress"));
  fsPageProgress->setFixedSize(MeterWidth, MeterHeight);
  fsPageProgress->setRange(0, 100);
  fsPageProgress->setValue(0);
  meterGrid->addWidget(fsPageProgressLabel, 0, 0);
  meterGrid->addWidget(fsPageProgress, 1, 0);
}

void TStandardFaxDisplay::createCancelButton() {
  fsCancel = new QPushButton(QStringLiteral("Cancel"), this);
  fsCancel->setObjectName(QStringLiteral("fsCancel"));
  fsCancel->setAutoDefault(false);
  connect(fsCancel, &QPushButton::clicked, this, &TStandardFaxDisplay::fsCancelClick);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(fsCancel);
  row->addStretch(1);
  static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void TStandardFaxDisplay::ShowFields(const FaxStatusFields& f) {
  const auto set = [](QLabel* label, const std::string& text) { label->setText(QString::fromStdString(text)); };
  set(fsPhoneNumber, f.phoneNumber);
  set(fsFaxFileName, f.faxFileName);
  set(fsCoverFileName, f.coverFileName);
  set(fsTotalPages, f.totalPages);
  set(fsDialAttempt, f.dialAttempt);
  set(fsRemoteID, f.remoteId);
  set(fsConnectBPS, f.connectBps);
  set(fsResolution, f.resolution);
  set(fsWidth, f.width);
  set(fsErrorControl, f.errorControl);
  set(fsCurrentPage, f.currentPage);
  set(fsPageLength, f.pageLength);
  set(fsBytesTransferred, f.bytesTransferred);
  set(fsElapsedTime, f.elapsedTime);
  set(fsStatusMsg, f.statusMsg);
  // A receiver does not know a page's length until the page has ended.
  fsPageProgress->setVisible(!f.receiving);
  const QString caption = QString::fromLatin1(PageProgressCaption);
  fsPageProgressLabel->setText(f.receiving ? caption + QStringLiteral(" N/A") : caption);
  fsPageProgress->setValue(f.receiving ? 0 : f.progressPercent);
}

void TStandardFaxDisplay::fsCancelClick() {
  if (cancel_) cancel_();
}

}  // namespace telvane
