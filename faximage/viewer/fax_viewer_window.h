#pragma once
// TFaxViewer: the window for looking at one fax image file. It hosts the
// viewer control, shows "Page n of m", pages, zooms and rotates, prints
// all or one page after asking for the print options, and exports the
// shown page (BMP, PCX, DCX) or the whole fax (TIFF, PDF).
//
// The opener sets the file and the header text, then runs it modally:
//   TFaxViewer viewer(parent);
//   viewer.FaxFileName = path;
//   viewer.HeaderText = ReceivedFaxHeader(from, date, path);
//   viewer.OnHelp = [](int context) { ShowHelp(context); };
//   viewer.exec();

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "faximage/page_export.h"
#include "faximage/viewer/fax_printer.h"
#include "faximage/viewer/fax_viewer_control.h"
#include "faximage/viewer/print_status.h"

class QAction;
class QLabel;
class QPushButton;

namespace telvane {

// The zoom levels of the window (percent of the page at half width) and
// the steps between them; nullopt at either end.
std::optional<int> NextZoomIn(int level);
std::optional<int> NextZoomOut(int level);
// The level the window opens at for a control `controlWidth` pixels wide
// showing a page `pageWidth` pixels wide.
int InitialZoom(int controlWidth, int pageWidth);

class TFaxViewer : public QDialog {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 1021;

  explicit TFaxViewer(QWidget* parent = nullptr);
  ~TFaxViewer() override;

  // Set by the opener before the window shows.
  std::string FaxFileName;
  std::string HeaderText;
  std::string StatusPrefix;
  std::function<void(int context)> OnHelp;

  // Handlers (public so the opener's tests can drive the window).
  void FormActivate();
  void FaxViewerPageChange();
  void FaxViewerViewerError(int code);
  void FirstButtonClick();
  void PrevButtonClick();
  void NextButtonClick();
  void LastButtonClick();
  void PrinterSetupButtonClick();
  void PrintButtonClick(bool singlePage);
  void ZoomInButtonClick();
  void ZoomOutButtonClick();
  void HelpButtonClick();
  void SetZoom(int level);
  void SetRotation(int rotation);
  void ExportasBMPFile1Click(QAction* item);
  // The export behind the menu, without the save dialog. 0 or a status.
  int ExportTo(ExportFormat format, const std::string& fileName);

  TKovaFaxViewer& FaxViewer() { return *faxViewer_; }
  TKovaFaxPrinter& FaxPrinter() { return faxPrinter_; }
  int ZoomLevel() const { return zoomLevel_; }
  QString StatusText() const;

protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

private:
  void createActions();
  void createButtons();
  void SetFaxFile();
  void UncheckRotationChoices();
  void UncheckZoomChoices();
  void showPageStatus();
  void preparePrinter();
  QAction* zoomItem(int level) const;

  TKovaFaxViewer* faxViewer_;
  TKovaFaxPrinter faxPrinter_;
  TKovaFaxPrinterStatus printerStatus_;
  QLabel* statusPanel_;
  QPushButton* firstButton_;
  QPushButton* prevButton_;
  QPushButton* nextButton_;
  QPushButton* lastButton_;
  QPushButton* printButton_;
  QPushButton* printerSetupButton_;
  QList<QAction*> zoomItems_;
  QList<QAction*> rotationItems_;
  int zoomLevel_ = 66;
  bool activated_ = false;
  std::string printerFile_;  // the file the printer was last given
};

}  // namespace telvane
