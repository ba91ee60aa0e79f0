#pragma once
// Printing a fax with the options the user picks: the print options dialog
// (TPrePrintForm) preset from the [Printing] settings, which are stored
// back after it closes, then the fax printer with those options. Shared by
// the fax viewer window and the main window's Print command.

#include <QString>
#include <string>

class QWidget;

namespace telvane {

class TKovaCustomFaxPrinter;

struct FaxPrintRequest {
  std::string headerText;  // printed at the top of each page when "Print Header" is on
  int singlePage = 0;      // 0: the printer's page range; else only this page, one per sheet
};

// The printer must have its FileName set. When it has nowhere to print
// (no system printer and no PDF file chosen) the print dialog asks first.
// Failures are reported through the prompts. True when the fax printed.
bool PrintFaxWithOptions(QWidget* parent, TKovaCustomFaxPrinter& printer, const FaxPrintRequest& request);

// Whether the printer would print somewhere without asking.
bool PrinterHasDestination(const TKovaCustomFaxPrinter& printer);

}  // namespace telvane
