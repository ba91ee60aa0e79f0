#pragma once
// TKovaFaxPrinterStatus: the print status window a TKovaFaxPrinter shows
// while it prints (file facts, progress, an Abort button that cancels the
// job).

#include <QDialog>
#include <memory>

#include "faximage/viewer/fax_printer.h"

class QLabel;
class QPushButton;

namespace telvane {

class TStandardFaxPrinterStatusDisplay : public QDialog {
  Q_OBJECT
public:
  explicit TStandardFaxPrinterStatusDisplay(QWidget* parent = nullptr);

  TKovaCustomFaxPrinter* FaxPrinter = nullptr;
  void UpdateValues();
  void fpsAbortButtonClick();

  QLabel* fpsFileName;
  QLabel* fpsTotalPages;
  QLabel* fpsResolution;
  QLabel* fpsWidth;
  QLabel* fpsFirstPage;
  QLabel* fpsLastPage;
  QLabel* fpsStatusLine;
  QPushButton* fpsAbortButton;

protected:
  void reject() override;  // Escape and the close box abort, like the button
};

class TKovaFaxPrinterStatus : public TKovaAbstractFaxPrinterStatus {
public:
  explicit TKovaFaxPrinterStatus(QWidget* parent = nullptr);
  ~TKovaFaxPrinterStatus() override;
  void UpdateDisplay(bool first, bool last) override;
  bool Visible() const override;
  TStandardFaxPrinterStatusDisplay& Display() { return *display_; }

private:
  std::unique_ptr<TStandardFaxPrinterStatusDisplay> display_;
};

}  // namespace telvane
