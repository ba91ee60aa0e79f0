#include "bench/compose/fax_file_bench.h"

#include <QDir>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextCursor>
#include <cstdio>
#include <filesystem>

#include "bench/compose/bench_timing.h"
#include "compose/create_fax_file.h"
#include "compose/fax_page_renderer.h"
#include "compose/pdf_pages.h"
#include "compose/pdf_to_fax.h"
#include "compose/rich_text_page_source.h"
#include "faximage/fax_converter.h"
#include "faximage/qt/qt_bitmap.h"
#include "platform/program_directory.h"
#include "richtext/wp_rich_text.h"

namespace telvane::bench {
namespace {

constexpr int kPages = 10;
constexpr int kScreenDpi = 96;
const QString kParagraph = QStringLiteral(
    "The goods listed in our order of 14 March were shipped today by road and should reach you within "
    "three working days. Please check every parcel on arrival and tell us of any damage at once.");

// A letter of kPages pages: paragraphs of text, each page started by a page break.
void writeLetter(TWPRichText& text) {
  QTextCursor cursor(text.document());
  for (int page = 0; page < kPages; ++page)
    for (int p = 0; p < 12; ++p) {
      if (page > 0 || p > 0) cursor.insertBlock();
      QTextBlockFormat f = cursor.blockFormat();
      f.setPageBreakPolicy(page > 0 && p == 0 ? QTextFormat::PageBreak_AlwaysBefore : QTextFormat::PageBreak_Auto);
      cursor.setBlockFormat(f);
      cursor.insertText(QStringLiteral("%1.%2 ").arg(page + 1).arg(p + 1) + kParagraph);
    }
}

}  // namespace

void MeasureFaxFileCreation() {
  QTemporaryDir home;
  SetProgramDirectory(home.path().toStdString());
  TWPRichText cover, document;
  writeLetter(document);
  RichTextPageSource coverPages(cover), documentPages(document);
  int pages = 0;
  const double createMs = MedianMs(3, [&] {
    const std::string file = CreateFaxFileFromSources(coverPages, documentPages, kScreenDpi, {}, pages);
    std::filesystem::remove(file);
  });

  // The reference: the converter alone on the same number of ready page bitmaps.
  QImage page = NewFaxPageBitmap();
  document.SetZoom(FaxZoomForDpi(kScreenDpi));
  document.DrawPage(0, fax_page::kTextArea, page, kScreenDpi);
  auto bitmap = std::make_shared<SourceBitmap>();
  bitmap->mono = FromQImage(page);
  const double convertMs = MedianMs(3, [&] {
    TKovaFaxConverter converter;
    converter.SetOptions(0);
    converter.Resolution = TFaxResolution::frHigh;
    converter.InputDocumentType = TFaxInputDocumentType::idBitmap;
    for (int i = 0; i < kPages; ++i) {
      converter.OutFileName = home.filePath(QStringLiteral("ref%1.APF").arg(i)).toStdString();
      converter.ConvertBitmap(bitmap);
    }
  });
  std::printf("Fax file of a %d-page letter at fine resolution (%d pages made)\n", kPages, pages);
  std::printf("  %-34s %9.1f ms  goal < 1000 ms: %s\n", "CreateFaxFile", createMs, createMs < 1000 ? "met" : "MISSED");
  std::printf("  %-34s %9.1f ms  (ratio %.1f)\n", "reference: converter alone", convertMs, createMs / convertMs);
  ResetProgramDirectory();
}

void MeasurePdfToFax() {
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("letter.pdf"));
  {
    QPdfWriter writer(pdf);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(72);
    QPainter painter(&writer);
    QFont font(QStringLiteral("Sans"), 11);
    painter.setFont(font);
    for (int page = 0; page < kPages; ++page) {
      if (page > 0) writer.newPage();
      for (int line = 0; line < 50; ++line)
        painter.drawText(QPointF(50, 60 + line * 14), kParagraph.left(90));
      painter.fillRect(QRectF(60, 780, 200, 20), QColor(128, 128, 128));
    }
  }
  const std::string out = dir.filePath(QStringLiteral("letter.apf")).toStdString();
  int status = 0;
  const double convertMs = MedianMs(3, [&] { status = ConvertPdfToFaxFile(pdf, out, true); });
  PdfPages pages;
  pages.Open(pdf, nullptr);
  const double drawMs = MedianMs(3, [&] {
    for (int i = 0; i < pages.PageCount(); ++i) pages.Render(i, 204, 196);
  });
  std::printf("A %d-page PDF into a fax file at fine resolution (status %d)\n", kPages, status);
  std::printf("  %-34s %9.1f ms  %6.1f ms a page\n", "ConvertPdfToFaxFile", convertMs, convertMs / kPages);
  std::printf("  %-34s %9.1f ms  (ratio %.1f)\n", "reference: Poppler drawing alone", drawMs, convertMs / drawMs);
}

}  // namespace telvane::bench
