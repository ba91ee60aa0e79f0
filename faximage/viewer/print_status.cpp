#include "faximage/viewer/print_status.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace telvane {

TStandardFaxPrinterStatusDisplay::TStandardFaxPrinterStatusDisplay(QWidget* parent) : QDialog(parent) {
  setObjectName("TStandardFaxPrinterStatusDisplay");
  setWindowTitle("Print Status");
  auto* info = new QGroupBox("Fax Information", this);
  auto* form = new QFormLayout(info);
  auto value = [&](const char* name, const char* caption) {
    auto* label = new QLabel(info);
    label->setObjectName(name);
    form->addRow(caption, label);
    return label;
  };
  fpsFileName = value("fpsFileName", "Filename");
  fpsTotalPages = value("fpsTotalPages", "Total Pages");
  fpsResolution = value("fpsResolution", "Resolution");
  fpsWidth = value("fpsWidth", "Width");
  fpsFirstPage = value("fpsFirstPage", "First Page to Print");
  fpsLastPage = value("fpsLastPage", "Last Page to Print");
  auto* status = new QGroupBox("Status", this);
  auto* statusLayout = new QVBoxLayout(status);
  fpsStatusLine = new QLabel(status);
  fpsStatusLine->setObjectName("fpsStatusLine");
  statusLayout->addWidget(fpsStatusLine);
  fpsAbortButton = new QPushButton("Abort", this);
  fpsAbortButton->setObjectName("fpsAbortButton");
  connect(fpsAbortButton, &QPushButton::clicked, this, [this] { fpsAbortButtonClick(); });
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(info);
  layout->addWidget(status);
  layout->addWidget(fpsAbortButton, 0, Qt::AlignHCenter);
  setMinimumWidth(320);
}

void TStandardFaxPrinterStatusDisplay::UpdateValues() {
  if (!FaxPrinter) return;
  const TKovaCustomFaxPrinter& p = *FaxPrinter;
  fpsFileName->setText(QFileInfo(QString::fromStdString(p.FileName())).fileName().toUpper());
  fpsTotalPages->setText(QString::number(p.PageCount()));
  fpsResolution->setText(p.FaxResolutionFine() ? "high" : "standard");
  fpsWidth->setText(p.FaxWidthWide() ? "2048" : "1728");
  fpsFirstPage->setText(QString::number(p.FirstPage));
  fpsLastPage->setText(QString::number(p.LastPage));
  fpsStatusLine->setText(QString("%1 %2 of %3")
                             .arg(QString::fromUtf8(FaxPrintProgressName(p.LastProgress())))
                             .arg(p.CurrentPage())
                             .arg(p.LastPage));
}

void TStandardFaxPrinterStatusDisplay::fpsAbortButtonClick() {
  if (FaxPrinter) FaxPrinter->CancelPrinting();
}

void TStandardFaxPrinterStatusDisplay::reject() { fpsAbortButtonClick(); }

TKovaFaxPrinterStatus::TKovaFaxPrinterStatus(QWidget* parent)
    : display_(std::make_unique<TStandardFaxPrinterStatusDisplay>(parent)) {}

TKovaFaxPrinterStatus::~TKovaFaxPrinterStatus() = default;

void TKovaFaxPrinterStatus::UpdateDisplay(bool first, bool last) {
  display_->setWindowTitle(QString::fromStdString(Caption));
  display_->FaxPrinter = FaxPrinter;
  if (first) {
    display_->UpdateValues();
    display_->adjustSize();
    if (const QScreen* screen = display_->screen()) {
      QRect frame = display_->frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      display_->move(frame.topLeft());
    }
    display_->show();
  } else if (last) {
    display_->hide();
  } else {
    display_->UpdateValues();
  }
}

bool TKovaFaxPrinterStatus::Visible() const { return display_->isVisible(); }

}  // namespace telvane
