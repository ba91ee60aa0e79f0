#include "faximage/viewer/print_flow.h"

#include <QCheckBox>
#include <QSpinBox>

#include "faximage/image_exceptions.h"
#include "faximage/image_status.h"
#include "faximage/viewer/fax_printer.h"
#include "faximage/viewer/pre_print_form.h"
#include "platform/prompts.h"
#include "settings/app_settings.h"
#include "settings/window_helpers.h"

namespace telvane {

namespace {
constexpr const char* kFooterCaption = "Page: $P of $N";
}  // namespace

bool PrinterHasDestination(const TKovaCustomFaxPrinter& printer) {
  QPrinter& p = const_cast<TKovaCustomFaxPrinter&>(printer).Printer();
  if (p.outputFormat() == QPrinter::PdfFormat) return !p.outputFileName().isEmpty();
  return !p.printerName().isEmpty();
}

bool PrintFaxWithOptions(QWidget* parent, TKovaCustomFaxPrinter& printer, const FaxPrintRequest& request) {
  if (printer.PageCount() == 0) return false;
  // The options are a convenience: a settings file that cannot be read or
  // written must not stop the print.
  try {
    LoadPrintOptions();
  } catch (const std::exception&) {
  }
  const bool single = request.singlePage > 0;
  TPrePrintForm form(parent);
  if (single) {
    form.FromPage->setValue(request.singlePage);
    form.ToPage->setValue(request.singlePage);
  } else {
    form.FromPage->setMaximum(printer.PageCount());
    form.ToPage->setMaximum(printer.PageCount());
    form.FromPage->setValue(printer.FirstPage);
    form.ToPage->setValue(printer.LastPage);
  }
  form.FromPage->setEnabled(!single);
  form.ToPage->setEnabled(!single);
  form.PrintMultiPage->setEnabled(!single);
  form.PrintMultiPage->setChecked(AppSettings.PrintMultiPage);
  form.StretchToFit->setChecked(AppSettings.PrintStretch);
  form.PrintHeader->setChecked(AppSettings.PrintHeader);
  form.PrintFooter->setChecked(AppSettings.PrintFooter);
  CenterWindow(form);
  const bool ok = form.exec() == QDialog::Accepted;

  if (!single) AppSettings.PrintMultiPage = form.PrintMultiPage->isChecked();
  AppSettings.PrintStretch = form.StretchToFit->isChecked();
  AppSettings.PrintHeader = form.PrintHeader->isChecked();
  AppSettings.PrintFooter = form.PrintFooter->isChecked();
  try {
    SavePrintOptions();
  } catch (const std::exception&) {
  }
  if (!ok) return false;
  if (!PrinterHasDestination(printer) && !printer.RunPrintDialog(parent)) return false;

  const int wholeFirst = printer.FirstPage, wholeLast = printer.LastPage;
  printer.FirstPage = form.FromPage->value();
  printer.LastPage = form.ToPage->value();
  printer.PrintScale = form.StretchToFit->isChecked() ? TFaxPrintScale::psFitToPage : TFaxPrintScale::psNone;
  printer.MultiPage = !single && form.PrintMultiPage->isChecked();
  printer.FaxHeader.Enabled = form.PrintHeader->isChecked();
  printer.FaxHeader.Caption = printer.FaxHeader.Enabled ? request.headerText : std::string();
  printer.FaxFooter.Enabled = form.PrintFooter->isChecked();
  printer.FaxFooter.Caption = printer.FaxFooter.Enabled ? kFooterCaption : "";
  auto restoreRange = [&] {
    if (single) {
      printer.FirstPage = wholeFirst;
      printer.LastPage = wholeLast;
    }
  };
  bool printed = false;
  try {
    printer.PrintPages();
    printed = true;
  } catch (const EFaxPrintError& e) {
    ShowError(e.what(), "Print");
  } catch (const EFaxImageError& e) {
    ShowError("The fax could not be printed:\r" + ImageErrorMessage(e.code()), "Print");
  }
  restoreRange();
  return printed;
}

}  // namespace telvane
