#include "tools/faximg/faximg_commands.h"

#include <QGuiApplication>
#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <memory>
#include <optional>

#include "faximage/apf_reader.h"
#include "compose/pdf_pages.h"
#include "compose/pdf_to_fax.h"
#include "faximage/fax_converter.h"
#include "faximage/fax_export.h"
#include "faximage/fax_unpacker.h"
#include "faximage/image_exceptions.h"
#include "faximage/image_status.h"
#include "faximage/qt/qt_text_rasterizer.h"
#include "faximage/unpacker_core.h"
#include "faximage/viewer/fax_printer.h"
#include "platform/text.h"

namespace telvane::faximg {
namespace {

const char kUsage[] =
    "usage:\n"
    "  telvane-faximg info FILE.apf\n"
    "  telvane-faximg convert INPUT OUT.apf [--type text|textex|tiff|pcx|dcx|bmp] [--fine] [--wide]\n"
    "      (a PDF INPUT becomes one fax page per PDF page)\n"
    "                 [--options doublewidth,halfheight,center,yield,yieldoften|none]\n"
    "                 [--left-margin N] [--top-margin N] [--lines-per-page N] [--tab-stop N]\n"
    "                 [--font standard|small] [--font-family NAME] [--font-size POINTS] [--station ID]\n"
    "  telvane-faximg export FILE.apf --page N OUT.bmp|OUT.pcx|OUT.dcx [--autoscale none|double|half]\n"
    "  telvane-faximg export FILE.apf OUT.tif|OUT.pdf\n"
    "  telvane-faximg print FILE.apf OUT.pdf [--pages FIRST-LAST] [--four-up] [--landscape] [--true-size]\n"
    "                 [--header TEXT] [--footer]\n";

std::string Extension(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return ToLowerAscii(name.substr(dot + 1));
}

bool ParseInt(const std::string& text, int& value) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < -1000000 || v > 1000000) return false;
  value = static_cast<int>(v);
  return true;
}

// Fonts and printing need a GUI application; without a display it runs
// offscreen. Null when one exists already.
std::unique_ptr<QGuiApplication> GuiApplication() {
  if (QCoreApplication::instance()) return nullptr;
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "telvane-faximg";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

int Fail(std::ostream& err, const std::string& what, int status) {
  err << what << ": " << ImageErrorMessage(status) << " (" << status << ")\n";
  return 1;
}

int Info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << kUsage;
    return 2;
  }
  ApfFileHeader header;
  std::vector<ApfPageInfo> pages;
  const int rc = ListApfPages(args[1], header, pages);
  if (rc < 0 && pages.empty() && !header.signatureOk()) return Fail(err, args[1], rc);
  const std::tm t = UnpackDosDateTime(header.fileDate);
  out << "File:        " << args[1] << "\n";
  out << "Station ID:  \"" << header.stationId << "\"\n";
  if (header.fileDate)
    out << "Date:        " << std::put_time(&t, "%Y-%m-%d %H:%M:%S") << "\n";
  else
    out << "Date:        (none)\n";
  out << "Pages:       " << header.pageCount << "\n";
  out << "First page:  offset " << header.firstPageOffset << "\n";
  for (size_t i = 0; i < pages.size(); ++i) {
    const ApfPageHeader& p = pages[i].header;
    out << "Page " << (i + 1) << ": offset " << pages[i].headerOffset << ", " << p.imageLength << " bytes, flags "
        << p.imageFlags << " (" << (p.fine() ? "fine" : "standard") << ", " << p.width() << " pixels, "
        << (p.lineRecords() ? "line records" : "raw stream") << ")\n";
  }
  if (rc < 0) return Fail(err, args[1], rc);
  return 0;
}

std::optional<TFaxInputDocumentType> TypeByName(const std::string& name) {
  if (name == "text" || name == "txt") return TFaxInputDocumentType::idText;
  if (name == "textex") return TFaxInputDocumentType::idTextEx;
  if (name == "tiff" || name == "tif") return TFaxInputDocumentType::idTiff;
  if (name == "pcx") return TFaxInputDocumentType::idPcx;
  if (name == "dcx") return TFaxInputDocumentType::idDcx;
  if (name == "bmp") return TFaxInputDocumentType::idBmp;
  return std::nullopt;
}

bool ParseOptions(const std::string& text, unsigned& options) {
  options = 0;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const std::string word = ToLowerAscii(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (word == "doublewidth") options |= fax_cvt::coDoubleWidth;
    else if (word == "halfheight") options |= fax_cvt::coHalfHeight;
    else if (word == "center" || word == "centre") options |= fax_cvt::coCenterImage;
    else if (word == "yield") options |= fax_cvt::coYield;
    else if (word == "yieldoften") options |= fax_cvt::coYieldOften;
    else if (word != "none" && !word.empty()) return false;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return true;
}

// Each PDF page becomes a fax page, drawn by Poppler at the fax
// resolution.
int ConvertPdf(const std::string& pdf, std::string apf, bool fine, std::ostream& out, std::ostream& err) {
  if (Extension(apf).empty()) apf += ".APF";
  const std::unique_ptr<QGuiApplication> app = GuiApplication();
  QString error;
  if (int rc = ConvertPdfToFaxFile(QString::fromStdString(pdf), apf, fine, &error); rc < 0) {
    err << pdf << ": " << (error.isEmpty() ? std::to_string(rc) : error.toStdString()) << "\n";
    return 1;
  }
  ApfFileHeader header;
  if (int read = ReadApfHeader(apf, header); read < 0) return Fail(err, apf, read);
  out << apf << ": " << header.pageCount << " page(s)\n";
  return 0;
}

int Convert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> files;
  TKovaFaxConverter converter;
  std::optional<TFaxInputDocumentType> type;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    std::string v;
    int n = 0;
    if (a == "--fine") converter.Resolution = TFaxResolution::frHigh;
    else if (a == "--wide") converter.Width = TFaxWidth::fwWide;
    else if (a == "--type") {
      if (!value(v) || !(type = TypeByName(ToLowerAscii(v)))) return err << "unknown --type\n" << kUsage, 2;
    } else if (a == "--options") {
      unsigned options = 0;
      if (!value(v) || !ParseOptions(v, options)) return err << "bad --options\n" << kUsage, 2;
      converter.SetOptions(options);
    } else if (a == "--left-margin" || a == "--top-margin" || a == "--lines-per-page" || a == "--tab-stop") {
      if (!value(v) || !ParseInt(v, n) || n < 0) return err << "bad " << a << "\n", 2;
      if (a == "--left-margin") converter.LeftMargin = n;
      if (a == "--top-margin") converter.TopMargin = n;
      if (a == "--lines-per-page") converter.LinesPerPage = n;
      if (a == "--tab-stop") converter.SetTabStop(n);
    } else if (a == "--font") {
      if (!value(v) || (v != "standard" && v != "small")) return err << "bad --font\n", 2;
      converter.FontType = v == "small" ? TFaxFont::ffSmall : TFaxFont::ffStandard;
    } else if (a == "--font-family") {
      if (!value(v)) return err << "bad --font-family\n", 2;
      converter.EnhFont.family = v;
    } else if (a == "--font-size") {
      if (!value(v) || !ParseInt(v, n) || n <= 0) return err << "bad --font-size\n", 2;
      converter.EnhFont.pointSize = n;
    } else if (a == "--station") {
      if (!value(v)) return err << "bad --station\n", 2;
      converter.StationID = v;
    } else if (!a.empty() && a[0] == '-') {
      return err << "unknown option " << a << "\n" << kUsage, 2;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return err << kUsage, 2;
  if (!type && (LooksLikePdf(QString::fromStdString(files[0])) || ToLowerAscii(Extension(files[0])) == "pdf"))
    return ConvertPdf(files[0], files[1], converter.Resolution == TFaxResolution::frHigh, out, err);
  if (!type) type = TypeByName(Extension(files[0]));
  if (!type) return err << "cannot tell the input type of " << files[0] << "; use --type\n", 2;
  converter.InputDocumentType = *type;
  converter.SetDocumentFile(files[0]);
  converter.OutFileName = files[1];

  std::unique_ptr<QGuiApplication> app;
  if (*type == TFaxInputDocumentType::idTextEx) app = GuiApplication();
  if (*type == TFaxInputDocumentType::idTextEx) InstallQtTextRasterizer();
  const int rc = converter.ConvertDocumentStatus();
  if (rc < 0) return Fail(err, files[0], rc);
  const std::string written = converter.Core()->outFileName;  // OUT with ".APF" when it had no extension
  ApfFileHeader header;
  if (int read = ReadApfHeader(written, header); read < 0) return Fail(err, written, read);
  out << written << ": " << header.pageCount << " page(s)\n";
  return 0;
}

int Export(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> files;
  int page = 0;
  TKovaFaxUnpacker unpacker;
  unpacker.Options = 0;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--page") {
      if (i + 1 >= args.size() || !ParseInt(args[++i], page) || page < 1) return err << "bad --page\n", 2;
    } else if (a == "--autoscale") {
      if (i + 1 >= args.size()) return err << "bad --autoscale\n", 2;
      const std::string& v = args[++i];
      if (v == "none") unpacker.AutoScaleMode = TAutoScaleMode::asNone;
      else if (v == "double") unpacker.AutoScaleMode = TAutoScaleMode::asDoubleHeight;
      else if (v == "half") unpacker.AutoScaleMode = TAutoScaleMode::asHalfWidth;
      else return err << "bad --autoscale\n", 2;
    } else if (!a.empty() && a[0] == '-') {
      return err << "unknown option " << a << "\n" << kUsage, 2;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return err << kUsage, 2;
  const std::string ext = Extension(files[1]);
  int rc = 0;
  if (ext == "tif" || ext == "tiff" || ext == "pdf") {
    if (page) return err << "--page exports one page as bmp, pcx or dcx; tif and pdf take the whole fax\n", 2;
    ApfFileHeader header;
    if (ReadApfHeader(files[0], header) == 0 && header.pageCount == 0)
      return err << files[0] << ": the fax has no pages, and a " << ext << " file needs one at least\n", 1;
    rc = ext == "pdf" ? ExportFaxAsPdf(files[0], files[1]) : ExportFaxAsTiff(files[0], files[1]);
  } else if (ext == "bmp" || ext == "pcx" || ext == "dcx") {
    if (!page) return err << "export to " << ext << " needs --page N\n", 2;
    unpacker.SetInFileName(files[0]);
    unpacker.OutFileName = files[1];
    if (ext == "bmp") {
      MonoBitmap bitmap;
      rc = unpacker.DecodePageToBitmapStatus(page, bitmap);
      if (rc == 0) rc = WriteBmpFile(files[1], bitmap);
    } else {
      rc = unpacker.ExportPageStatus(page, ext == "dcx");
    }
  } else {
    return err << "unknown export format ." << ext << "\n" << kUsage, 2;
  }
  if (rc < 0) return Fail(err, files[0], rc);
  out << "wrote " << files[1] << "\n";
  return 0;
}

int Print(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> files;
  int first = 0, last = 0;
  bool fourUp = false, landscape = false, trueSize = false, footer = false;
  std::string header;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--pages") {
      const std::string range = i + 1 < args.size() ? args[++i] : "";
      const size_t dash = range.find('-');
      if (dash == std::string::npos || !ParseInt(range.substr(0, dash), first) ||
          !ParseInt(range.substr(dash + 1), last) || first < 1 || last < first)
        return err << "bad --pages (FIRST-LAST)\n", 2;
    } else if (a == "--four-up") {
      fourUp = true;
    } else if (a == "--landscape") {
      landscape = true;
    } else if (a == "--true-size") {
      trueSize = true;
    } else if (a == "--footer") {
      footer = true;
    } else if (a == "--header") {
      if (i + 1 >= args.size()) return err << "bad --header\n", 2;
      header = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      return err << "unknown option " << a << "\n" << kUsage, 2;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2 || Extension(files[1]) != "pdf") return err << kUsage, 2;
  const std::unique_ptr<QGuiApplication> app = GuiApplication();
  TKovaFaxPrinter printer;
  printer.Printer().setOutputFormat(QPrinter::PdfFormat);
  printer.Printer().setOutputFileName(QString::fromStdString(files[1]));
  printer.Printer().setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  printer.MultiPage = fourUp;
  printer.PrintScale = trueSize ? TFaxPrintScale::psNone : TFaxPrintScale::psFitToPage;
  printer.FaxHeader.Enabled = !header.empty();
  printer.FaxHeader.Caption = header;
  printer.FaxFooter.Enabled = footer;
  printer.FaxFooter.Caption = "Page: $P of $N";
  try {
    printer.SetFileName(files[0]);
  } catch (const EFaxImageError& e) {
    return Fail(err, files[0], e.code());
  }
  if (printer.PageCount() == 0) return err << files[0] << ": the fax has no pages\n", 1;
  if (first) {
    if (last > printer.PageCount()) return err << "the fax has " << printer.PageCount() << " page(s)\n", 2;
    printer.FirstPage = first;
    printer.LastPage = last;
  }
  try {
    printer.PrintPages();
  } catch (const EFaxPrintError& e) {
    return err << files[1] << ": " << e.what() << "\n", 1;
  } catch (const EFaxImageError& e) {
    return Fail(err, files[0], e.code());
  }
  out << "printed pages " << printer.FirstPage << "-" << printer.LastPage << " to " << files[1] << "\n";
  return 0;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return err << kUsage, 2;
  if (args[0] == "info") return Info(args, out, err);
  if (args[0] == "convert") return Convert(args, out, err);
  if (args[0] == "export") return Export(args, out, err);
  if (args[0] == "print") return Print(args, out, err);
  err << kUsage;
  return 2;
}

}  // namespace telvane::faximg
