#include "faximage/viewer/fax_viewer_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>

#include "faximage/image_exceptions.h"
#include "faximage/image_status.h"
#include "faximage/viewer/print_flow.h"
#include "platform/pending_messages.h"
#include "platform/prompts.h"
#include "settings/window_helpers.h"

namespace telvane {

namespace {

constexpr std::array<int, 4> kZoomLevels{25, 50, 75, 100};

}  // namespace

std::optional<int> NextZoomIn(int level) {
  for (int z : kZoomLevels)
    if (z > level) return z;
  return std::nullopt;
}

std::optional<int> NextZoomOut(int level) {
  for (auto it = kZoomLevels.rbegin(); it != kZoomLevels.rend(); ++it)
    if (*it < level) return *it;
  return std::nullopt;
}

int InitialZoom(int controlWidth, int pageWidth) {
  if (pageWidth <= 0 || controlWidth >= pageWidth) return 50;
  return controlWidth * 150 / pageWidth > 36 ? 50 : 25;
}

TFaxViewer::TFaxViewer(QWidget* parent) : QDialog(parent), faxViewer_(new TKovaFaxViewer(this)) {
  setObjectName("TFaxViewer");
  setWindowTitle("Fax Viewer ");
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
  faxViewer_->SetScaling(false);
  faxViewer_->SetAutoScaleMode(TAutoScaleMode::asHalfWidth);
  faxViewer_->SetBusyCursor(Qt::WaitCursor);
  faxViewer_->OnPageChange = [this](TKovaCustomFaxViewer&) { FaxViewerPageChange(); };
  faxViewer_->OnViewerError = [this](TKovaCustomFaxViewer&, int code) { FaxViewerViewerError(code); };

  faxPrinter_.FaxFooter.Caption = "Page: $P of $N";
  faxPrinter_.FaxFooter.Enabled = false;
  faxPrinter_.FaxHeader.Caption = "File: $F";
  faxPrinter_.FaxHeader.Enabled = false;
  faxPrinter_.MultiPage = false;
  faxPrinter_.StatusDisplay = &printerStatus_;
  // Each progress report lets the status window's Abort button work.
  faxPrinter_.OnFaxPrintStatus = [](TKovaCustomFaxPrinter&, TFaxPrintProgress) { ProcessPendingMessages(); };

  statusPanel_ = new QLabel(this);
  statusPanel_->setObjectName("StatusPanel");
  statusPanel_->setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  createActions();
  layout->addWidget(faxViewer_, 1);
  createButtons();
  layout->addWidget(statusPanel_);
  resize(760, 560);
  try {
    RestoreWindowPlacement(*this, false);
  } catch (const std::exception&) {
  }
}

TFaxViewer::~TFaxViewer() = default;

void TFaxViewer::createActions() {
  auto* menus = new QMenuBar(this);
  layout()->setMenuBar(menus);
  QMenu* view = menus->addMenu("View");
  auto* zoomGroup = new QActionGroup(this);
  const std::array<std::pair<const char*, const char*>, 4> zoomNames{
      {{"N25PercentItem", "50%"}, {"N50PercentItem", "100%"}, {"N75PercentItem", "150%"}, {"N100PercentItem", "200%"}}};
  for (size_t i = 0; i < zoomNames.size(); ++i) {
    QAction* item = view->addAction(zoomNames[i].second);
    item->setObjectName(zoomNames[i].first);
    item->setCheckable(true);
    zoomGroup->addAction(item);
    const int level = kZoomLevels[i];
    connect(item, &QAction::triggered, this, [this, level] { SetZoom(level); });
    zoomItems_.append(item);
  }
  QMenu* rotation = menus->addMenu("Rotation");
  auto* rotationGroup = new QActionGroup(this);
  const std::array<std::pair<const char*, const char*>, 4> rotationNames{{{"NoRotateItem", "No rotation"},
                                                                          {"Rotate90Item", "Rotate 90 degrees"},
                                                                          {"Rotate180Item", "Rotate 180 degrees"},
                                                                          {"Rotate270Item", "Rotate 270 degrees"}}};
  for (size_t i = 0; i < rotationNames.size(); ++i) {
    QAction* item = rotation->addAction(rotationNames[i].second);
    item->setObjectName(rotationNames[i].first);
    item->setCheckable(true);
    rotationGroup->addAction(item);
    connect(item, &QAction::triggered, this, [this, i] { SetRotation(static_cast<int>(i)); });
    rotationItems_.append(item);
  }
  QMenu* exportMenu = menus->addMenu("Export");
  const std::array<std::pair<const char*, const char*>, 5> exportNames{
      {{"ExportasBMPFile1", "Export this page as BMP File"},
       {"ExportasPCXFile1", "Export this page as PCX File"},
       {"ExportthispageasDCXFile1", "Export this page as DCX File"},
       {"ExportasTIFFFile1", "Export this fax as TIFF File"},
       {"ExportasPDFFile1", "Export this fax as PDF File"}}};
  for (const auto& [name, caption] : exportNames) {
    QAction* item = exportMenu->addAction(caption);
    item->setObjectName(name);
    connect(item, &QAction::triggered, this, [this, item] { ExportasBMPFile1Click(item); });
  }
}

void TFaxViewer::createButtons() {
  auto* bar = new QHBoxLayout;
  auto button = [&](const char* name, const char* caption, auto handler) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, handler);
    bar->addWidget(b);
    return b;
  };
  firstButton_ = button("FirstButton", "First page", [this] { FirstButtonClick(); });
  prevButton_ = button("PrevButton", "Previous page", [this] { PrevButtonClick(); });
  nextButton_ = button("NextButton", "Next page", [this] { NextButtonClick(); });
  lastButton_ = button("LastButton", "Last page", [this] { LastButtonClick(); });
  printerSetupButton_ = button("PrinterSetupButton", "Printer setup", [this] { PrinterSetupButtonClick(); });
  printButton_ = button("Printbutton", "Print", [this] { PrintButtonClick(false); });
  button("PrintSinglePageButton", "Print current page", [this] { PrintButtonClick(true); });
  button("ZoomInButton", "Zoom in", [this] { ZoomInButtonClick(); });
  button("ZoomOutButton", "Zoom out", [this] { ZoomOutButtonClick(); });
  button("Helpbutton", "&Help", [this] { HelpButtonClick(); });
  bar->addStretch();
  QPushButton* close = button("CloseButton", "C&lose", [this] { reject(); });
  close->setDefault(true);
  for (QPushButton* b : {firstButton_, prevButton_, nextButton_, lastButton_}) b->setVisible(false);
  static_cast<QVBoxLayout*>(layout())->addLayout(bar);
}

void TFaxViewer::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!activated_) FormActivate();
}

void TFaxViewer::FormActivate() {
  if (activated_) return;
  activated_ = true;
  UncheckRotationChoices();
  SetFaxFile();
}

void TFaxViewer::done(int result) {
  try {
    SaveWindowPlacement(*this);
  } catch (const std::exception&) {
  }
  QDialog::done(result);
}

QAction* TFaxViewer::zoomItem(int level) const {
  for (size_t i = 0; i < kZoomLevels.size(); ++i)
    if (kZoomLevels[i] == level) return zoomItems_[static_cast<qsizetype>(i)];
  return nullptr;
}

void TFaxViewer::SetFaxFile() {
  try {
    faxViewer_->SetFileName(FaxFileName);
  } catch (const EFaxImageError&) {
    try {
      faxViewer_->SetFileName("");
    } catch (const EFaxImageError&) {
    }
    ShowInformation("Error opening fax file");
    statusPanel_->setText("No file loaded");
    return;
  }
  SetZoom(InitialZoom(faxViewer_->Viewer().viewport()->width(), faxViewer_->ShownPageWidth()));
  showPageStatus();
  const bool several = faxViewer_->ViewerPageCount() > 1;
  for (QPushButton* b : {firstButton_, prevButton_, nextButton_, lastButton_}) b->setVisible(several);
  const TViewer& viewer = faxViewer_->Viewer();
  if (viewer.declaredPageCount() > viewer.apwViewGetNumPages())
    ShowInformation(QString("This fax file is damaged: only %1 of its %2 pages could be read.")
                        .arg(viewer.apwViewGetNumPages())
                        .arg(viewer.declaredPageCount())
                        .toStdString());
}

QString TFaxViewer::StatusText() const { return statusPanel_->text(); }

void TFaxViewer::showPageStatus() {
  if (faxViewer_->FileName().empty()) {
    statusPanel_->setText("No file loaded");
    return;
  }
  const QString page = QString("Page %1 of %2").arg(faxViewer_->ShownPage()).arg(faxViewer_->ViewerPageCount());
  statusPanel_->setText(StatusPrefix.empty() ? page : QString::fromStdString(StatusPrefix) + ": " + page);
}

void TFaxViewer::FaxViewerPageChange() { showPageStatus(); }

void TFaxViewer::FaxViewerViewerError(int code) {
  ShowInformation(QString("Viewer error %1").arg(code).toStdString() + "\r" + ImageErrorMessage(code));
  showPageStatus();
}

void TFaxViewer::FirstButtonClick() { faxViewer_->ShowFirstPage(); }
void TFaxViewer::PrevButtonClick() { faxViewer_->ShowPrevPage(); }
void TFaxViewer::NextButtonClick() { faxViewer_->ShowNextPage(); }
void TFaxViewer::LastButtonClick() { faxViewer_->ShowLastPage(); }

void TFaxViewer::SetZoom(int level) {
  zoomLevel_ = level;
  if (level == 100) {
    faxViewer_->SetScaling(false);
  } else {
    faxViewer_->StartUpdate();
    faxViewer_->SetHorizMult(level);
    faxViewer_->SetHorizDiv(100);
    faxViewer_->SetVertMult(level);
    faxViewer_->SetVertDiv(100);
    faxViewer_->SetScaling(true);
    faxViewer_->FinishUpdate();
  }
  UncheckZoomChoices();
  if (QAction* item = zoomItem(level)) item->setChecked(true);
}

void TFaxViewer::ZoomInButtonClick() {
  if (const auto next = NextZoomIn(zoomLevel_))
    SetZoom(*next);
  else
    QApplication::beep();
}

void TFaxViewer::ZoomOutButtonClick() {
  if (const auto next = NextZoomOut(zoomLevel_))
    SetZoom(*next);
  else
    QApplication::beep();
}

void TFaxViewer::UncheckZoomChoices() {
  for (QAction* item : zoomItems_) item->setChecked(false);
}

void TFaxViewer::UncheckRotationChoices() {
  for (QAction* item : rotationItems_) item->setChecked(false);
}

void TFaxViewer::SetRotation(int rotation) {
  try {
    faxViewer_->RotateTo(rotation);
  } catch (const EFaxImageError& e) {
    FaxViewerViewerError(e.code());
    return;
  }
  UncheckRotationChoices();
  rotationItems_[rotation]->setChecked(true);
}

void TFaxViewer::preparePrinter() {
  const std::string& file = faxViewer_->FileName();
  if (file == printerFile_) return;
  faxPrinter_.SetFileName(file);  // the range becomes the whole file
  printerFile_ = file;
}

void TFaxViewer::PrinterSetupButtonClick() {
  if (faxViewer_->FileName().empty()) return;
  try {
    preparePrinter();
    faxPrinter_.RunPrintDialog(this);
  } catch (const EFaxImageError&) {
  }
}

void TFaxViewer::PrintButtonClick(bool singlePage) {
  if (faxViewer_->FileName().empty()) return;
  try {
    preparePrinter();
  } catch (const EFaxImageError& e) {
    FaxViewerViewerError(e.code());
    return;
  }
  FaxPrintRequest request;
  request.headerText = HeaderText;
  request.singlePage = singlePage ? faxViewer_->ShownPage() : 0;
  PrintFaxWithOptions(this, faxPrinter_, request);
}

void TFaxViewer::HelpButtonClick() {
  if (OnHelp) OnHelp(kHelpContext);
}

int TFaxViewer::ExportTo(ExportFormat format, const std::string& fileName) {
  PageExportRequest request;
  request.faxFile = faxViewer_->FileName();
  request.page = faxViewer_->ShownPage();
  request.format = format;
  request.outFile = fileName;
  if (faxViewer_->WhitespaceCompression()) {
    request.whitespaceFrom = faxViewer_->WhitespaceFrom();
    request.whitespaceTo = faxViewer_->WhitespaceTo();
  }
  return ExportFaxPage(request);
}

void TFaxViewer::ExportasBMPFile1Click(QAction* item) {
  ExportFormat format;
  if (faxViewer_->FileName().empty() || !ExportFormatFromCaption(item->text().toStdString(), format)) return;
  const QString ext = QString::fromUtf8(ExportExtension(format));
  const QString suggested = QFileInfo(QString::fromStdString(faxViewer_->FileName())).completeBaseName() + "." +
                            ext.toLower();
  const QString name = QFileDialog::getSaveFileName(this, item->text(), suggested,
                                                    ext + " File (*." + ext + " *." + ext.toLower() + ")");
  if (name.isEmpty()) return;
  if (int rc = ExportTo(format, name.toStdString()); rc < 0)
    ShowError("The export failed:\r" + ImageErrorMessage(rc), "Export");
}

}  // namespace telvane
