// Takes the documentation screenshots of the fax viewer window (showing a
// received fax) and of the print options, from a real X server:
//   telvane-viewer-screenshots OUT_DIR     (run by screenshots.sh under Xvfb)

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fstream>

#include "faximage/fax_converter.h"
#include "faximage/print_layout.h"
#include "faximage/viewer/fax_viewer_window.h"
#include "faximage/viewer/pre_print_form.h"
#include "platform/qt/qt_platform.h"

namespace {

const char kLetter[] =
    "NORTHWIND SUPPLY CO.                              FAX\r\n"
    "\r\n"
    "To:      Telvane user\r\n"
    "From:    Northwind Supply, order desk\r\n"
    "Date:    9 December 2026\r\n"
    "Pages:   2 (including this one)\r\n"
    "\r\n"
    "Re: your order 4471-B\r\n"
    "\r\n"
    "Thank you for your order of 2 December. All items are in stock\r\n"
    "and will leave our warehouse on Friday by road freight.\r\n"
    "\r\n"
    "  Qty  Item                               Price\r\n"
    "  ---  ---------------------------------  --------\r\n"
    "   12  Thermal paper rolls, 216 mm          86.40\r\n"
    "    4  Toner cartridge, black              212.00\r\n"
    "    1  Document feeder tray                 47.50\r\n"
    "                                           --------\r\n"
    "                                  Total    345.90\r\n"
    "\r\n"
    "Please sign the enclosed delivery note and fax it back to\r\n"
    "us at +1 555 0100 so we can release the shipment.\r\n"
    "\r\n"
    "Kind regards,\r\n"
    "\r\n"
    "J. Alder\r\n"
    "\f"
    "DELIVERY NOTE 4471-B\r\n"
    "\r\n"
    "Received in good order:  ______________________\r\n";

bool Save(QWidget& window, const QString& path) {
  window.raise();
  window.activateWindow();
  QApplication::processEvents();
  const QPixmap shot = window.screen()->grabWindow(window.winId());
  return shot.save(path);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  telvane::InstallQtPlatform();
  if (argc != 2) {
    std::fprintf(stderr, "usage: telvane-viewer-screenshots OUT_DIR\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QTemporaryDir work;
  qputenv("TELVANE_HOME", work.path().toLocal8Bit());
  const std::string text = work.filePath("letter.txt").toStdString();
  std::ofstream(text, std::ios::binary) << kLetter;
  const std::string fax = work.filePath("FAX0007.APF").toStdString();
  telvane::TKovaFaxConverter converter;
  converter.InputDocumentType = telvane::TFaxInputDocumentType::idText;
  converter.SetDocumentFile(text);
  converter.OutFileName = fax;
  converter.StationID = "+1 555 0100";
  if (converter.ConvertDocumentStatus() < 0) return 1;

  telvane::TFaxViewer viewer;
  viewer.FaxFileName = fax;
  viewer.HeaderText = telvane::ReceivedFaxHeader("+1 555 0100", "10:42 at 12/9/26", fax);
  viewer.setGeometry(0, 0, 1020, 660);
  viewer.show();
  viewer.SetZoom(100);  // "200%": the page at full width
  int status = 0;
  QTimer::singleShot(800, [&] {
    if (!Save(viewer, out + "/fax-viewer.png")) status = 1;
    auto* form = new telvane::TPrePrintForm(&viewer);
    form->FromPage->setMaximum(2);
    form->ToPage->setMaximum(2);
    form->FromPage->setValue(1);
    form->ToPage->setValue(2);
    form->StretchToFit->setChecked(true);
    form->PrintFooter->setChecked(true);
    form->move(40, 40);
    form->show();
    QTimer::singleShot(500, [&, form] {
      if (!Save(*form, out + "/print-options.png")) status = 1;
      app.quit();
    });
  });
  app.exec();
  return status;
}
