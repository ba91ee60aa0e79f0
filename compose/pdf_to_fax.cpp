#include "compose/pdf_to_fax.h"

#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "compose/fax_halftone.h"
#include "compose/pdf_pages.h"
#include "faximage/apf_join.h"
#include "faximage/fax_converter.h"
#include "faximage/image_status.h"

namespace telvane {
namespace {

constexpr int kFaxLinePixels = 1728;
constexpr double kFaxDpiAcross = 204, kFineLinesPerInch = 196, kStandardLinesPerInch = 98;

// The page on a white image exactly one fax line wide, centred across.
QImage faxWidePage(const PdfPages& pdf, int index, bool fine) {
  const QSizeF points = pdf.PageSizePoints(index);
  if (points.isEmpty()) return {};
  const double across = std::min(kFaxDpiAcross, kFaxLinePixels * 72.0 / points.width());
  const double down = across * (fine ? kFineLinesPerInch : kStandardLinesPerInch) / kFaxDpiAcross;
  const QImage drawn = pdf.Render(index, across, down);
  if (drawn.isNull()) return {};
  QImage page(kFaxLinePixels, drawn.height(), QImage::Format_Grayscale8);
  page.fill(Qt::white);
  QPainter painter(&page);
  painter.drawImage((kFaxLinePixels - std::min(kFaxLinePixels, drawn.width())) / 2, 0, drawn);
  return page;
}

int fail(QString* error, const QString& text, int status) {
  if (error) *error = text;
  return status;
}

}  // namespace

int ConvertPdfToFaxFile(const QString& pdfPath, const std::string& faxFile, bool fine, QString* error) {
  PdfPages pdf;
  if (!pdf.Open(pdfPath, error)) return -image_status::BadGraphicsFormat;
  if (pdf.PageCount() < 1)
    return fail(error, QStringLiteral("%1 has no pages.").arg(pdfPath), -image_status::BadGraphicsFormat);

  TKovaFaxConverter converter;
  converter.SetOptions(0);
  converter.LeftMargin = 0;  // the page is centred on the whole line already
  converter.Resolution = fine ? TFaxResolution::frHigh : TFaxResolution::frNormal;
  converter.InputDocumentType = TFaxInputDocumentType::idBitmap;
  std::vector<std::string> files;
  const auto abandon = [&](const QString& text, int status) {
    for (size_t f = 1; f < files.size(); ++f) std::remove(files[f].c_str());
    return fail(error, text, status);
  };
  const QString unwritable = QStringLiteral("The fax file %1 could not be written.").arg(QString::fromStdString(faxFile));
  for (int i = 0; i < pdf.PageCount(); ++i) {
    const QImage page = faxWidePage(pdf, i, fine);
    if (page.isNull())
      return abandon(QStringLiteral("Page %1 of %2 could not be drawn.").arg(i + 1).arg(pdfPath),
                     -image_status::BadGraphicsFormat);
    auto bitmap = std::make_shared<SourceBitmap>();
    bitmap->mono = ToFaxMono(page);
    files.push_back(i == 0 ? faxFile : faxFile + ".page" + std::to_string(i + 1));
    converter.OutFileName = files.back();
    if (int rc = converter.ConvertBitmap(bitmap); rc < 0) return abandon(unwritable, rc);
  }
  if (int rc = JoinPageFiles(files); rc < 0) return abandon(unwritable, rc);
  return 0;
}

}  // namespace telvane
