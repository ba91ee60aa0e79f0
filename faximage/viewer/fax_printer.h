#pragma once
// TKovaFaxPrinter: prints a range of pages of a fax image file on a
// QPrinter (a system printer or a PDF file): one page per sheet or four
// (two in landscape), fitted to the sheet or at true size, with header and
// footer lines whose "$" tags are filled in. Progress goes to an event and
// an optional status window, start/end/abort/failure to an optional log.
// A cancelled or failed job leaves nothing behind: PDF output is written
// under a temporary name and only renamed into place when complete.

#include <QFont>
#include <QPrinter>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "faximage/fax_unpacker.h"
#include "faximage/print_layout.h"
#include "faximage/print_log.h"

class QPainter;
class QWidget;

namespace telvane {

enum class TFaxPrintProgress { ppIdle = 0, ppComposing = 1, ppRendering = 2, ppSubmitting = 3, ppConverting = 4 };
// "Idle", "Composing", "Rendering", "Submitting", "Converting".
std::string_view FaxPrintProgressName(TFaxPrintProgress progress);

// A printer that cannot start or finish a job.
class EFaxPrintError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TKovaCustomFaxPrinterMargin {
public:
  std::string Caption;
  bool Enabled = false;
  QFont Font;
  int LastHeight = 0;  // of the last drawn text, device pixels
};
class TKovaFaxPrinterMargin : public TKovaCustomFaxPrinterMargin {};

class TKovaCustomFaxPrinter;

// The status window's interface: UpdateDisplay(first) shows it, (last)
// hides it, otherwise it refreshes its values from the printer.
class TKovaAbstractFaxPrinterStatus {
public:
  virtual ~TKovaAbstractFaxPrinterStatus() = default;
  std::string Caption = "Print Status";
  TKovaCustomFaxPrinter* FaxPrinter = nullptr;
  virtual void UpdateDisplay(bool first, bool last) = 0;
  virtual bool Visible() const = 0;
};

class TKovaCustomFaxPrinter {
public:
  using TFaxPrnNextPageEvent = std::function<void(TKovaCustomFaxPrinter& sender, uint16_t cp, uint16_t tp)>;
  using TFaxPLEvent = std::function<void(TKovaCustomFaxPrinter& sender, int faxPLCode)>;
  using TFaxPrintStatusEvent = std::function<void(TKovaCustomFaxPrinter& sender, TFaxPrintProgress statusCode)>;

  TKovaCustomFaxPrinter();
  virtual ~TKovaCustomFaxPrinter();

  // Published properties.
  std::string Caption = "Kova Fax Printer";  // the job's title
  TKovaFaxPrinterMargin FaxFooter;
  TKovaFaxPrinterMargin FaxHeader;
  TKovaCustomFaxPrinterLog* FaxPrinterLog = nullptr;
  const std::string& FileName() const { return fileName_; }
  // Reads the page count and page 1's resolution and width (every time, so
  // a file rewritten under the same name is seen afresh); the range becomes
  // 1..page count. Raises the image exceptions.
  void SetFileName(const std::string& name);
  bool MultiPage = false;
  TFaxPrintScale PrintScale = TFaxPrintScale::psFitToPage;
  TKovaAbstractFaxPrinterStatus* StatusDisplay = nullptr;
  TFaxPrnNextPageEvent OnNextPage;
  TFaxPLEvent OnFaxPrintLog;
  TFaxPrintStatusEvent OnFaxPrintStatus;

  // Public state.
  int PageCount() const { return pageCount_; }
  int CurrentPage() const { return currentPage_; }
  int FirstPage = 0;
  int LastPage = 0;
  bool FaxResolutionFine() const { return fine_; }
  bool FaxWidthWide() const { return wide_; }
  TFaxPrintProgress LastProgress() const { return progress_; }
  bool Printing() const { return printing_; }
  QPrinter& Printer() { return *printer_; }

  // The print dialog; on OK its range becomes FirstPage..LastPage.
  bool RunPrintDialog(QWidget* parent = nullptr);
  // Prints FirstPage..LastPage. Raises EFaxPrintError when the printer
  // fails (the job is cancelled and logged as failed) and the image
  // exceptions when a page cannot be decoded.
  void PrintPages();
  // Stops a running job at once: nothing more is printed, the job is
  // withdrawn and logged as aborted.
  void CancelPrinting();

private:
  void setProgress(TFaxPrintProgress progress);
  void writeLog(int code);
  void updateStatus(bool first, bool last);
  int drawMargin(QPainter& painter, TKovaCustomFaxPrinterMargin& margin, PrintRect& area, bool atTop,
                 const PrintTagValues& tags);
  void printPage(QPainter& painter, int page);
  void finishJob(bool keepOutput);

  std::unique_ptr<QPrinter> printer_;
  TKovaFaxUnpacker unpacker_;
  std::string fileName_;
  int pageCount_ = 0;
  int currentPage_ = 0;
  bool fine_ = false, wide_ = false;
  TFaxPrintProgress progress_ = TFaxPrintProgress::ppIdle;
  bool printing_ = false;
  bool aborted_ = false;
  QString finalOutput_;  // the PDF name the job goes to once complete
};

class TKovaFaxPrinter : public TKovaCustomFaxPrinter {};

}  // namespace telvane
