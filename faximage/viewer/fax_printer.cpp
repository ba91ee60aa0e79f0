#include "faximage/viewer/fax_printer.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <ctime>

#include "faximage/image_exceptions.h"
#include "platform/pending_messages.h"

namespace telvane {

namespace {
// A 1-bit image whose colour table is black then white: PDF and print
// engines keep such an image at one bit per pixel (any other table makes
// them expand it to full colour, 24 times the size).
QImage ToPrintImage(const MonoBitmap& bitmap) {
  QImage image(bitmap.width, bitmap.height, QImage::Format_Mono);
  image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  for (int y = 0; y < bitmap.height; ++y) {
    const uint8_t* in = bitmap.row(y);
    uchar* out = image.scanLine(y);
    for (int i = 0; i < bitmap.pitch; ++i) out[i] = static_cast<uchar>(~in[i]);
  }
  return image;
}
}  // namespace

std::string_view FaxPrintProgressName(TFaxPrintProgress progress) {
  switch (progress) {
    case TFaxPrintProgress::ppIdle: return "Idle";
    case TFaxPrintProgress::ppComposing: return "Composing";
    case TFaxPrintProgress::ppRendering: return "Rendering";
    case TFaxPrintProgress::ppSubmitting: return "Submitting";
    case TFaxPrintProgress::ppConverting: return "Converting";
  }
  return "";
}

TKovaCustomFaxPrinter::TKovaCustomFaxPrinter() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  FaxFooter.Caption = "PAGE: $P of $N";
  FaxFooter.Enabled = true;
  FaxHeader.Caption = "FILE: $F";
  FaxHeader.Enabled = true;
  unpacker_.AutoScaleMode = TAutoScaleMode::asDoubleHeight;  // standard pages keep their proportions
}

TKovaCustomFaxPrinter::~TKovaCustomFaxPrinter() = default;

void TKovaCustomFaxPrinter::SetFileName(const std::string& name) {
  // Read again even under the same name: outgoing faxes are rendered into
  // a temporary file whose name may repeat with different pages.
  fileName_ = name;
  pageCount_ = 0;
  FirstPage = LastPage = 0;
  fine_ = wide_ = false;
  if (name.empty()) return;
  unpacker_.SetInFileName(name);
  pageCount_ = unpacker_.FilePageCount();
  if (pageCount_ > 0) {
    fine_ = unpacker_.PageIsFine();
    wide_ = unpacker_.PageIsWide();
    FirstPage = 1;
    LastPage = pageCount_;
  }
}

bool TKovaCustomFaxPrinter::RunPrintDialog(QWidget* parent) {
  QPrintDialog dialog(printer_.get(), parent);
  dialog.setMinMax(1, std::max(1, pageCount_));
  printer_->setFromTo(std::max(1, FirstPage), std::max(1, LastPage));
  printer_->setPrintRange(QPrinter::PageRange);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (printer_->printRange() == QPrinter::PageRange && printer_->fromPage() > 0) {
    FirstPage = printer_->fromPage();
    LastPage = printer_->toPage();
  } else {
    FirstPage = 1;
    LastPage = pageCount_;
  }
  return true;
}

void TKovaCustomFaxPrinter::setProgress(TFaxPrintProgress progress) {
  if (progress != progress_) {
    progress_ = progress;
    if (OnFaxPrintStatus) OnFaxPrintStatus(*this, progress);
    if (StatusDisplay && StatusDisplay->Visible()) StatusDisplay->UpdateDisplay(false, false);
  }
  ProcessPendingMessages();
}

void TKovaCustomFaxPrinter::writeLog(int code) {
  if (OnFaxPrintLog) OnFaxPrintLog(*this, code);
  if (!FaxPrinterLog) return;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  RaiseImageError(FaxPrinterLog->UpdateLog(code, fileName_, local));
}

void TKovaCustomFaxPrinter::updateStatus(bool first, bool last) {
  if (!StatusDisplay) return;
  StatusDisplay->FaxPrinter = this;
  StatusDisplay->UpdateDisplay(first, last);
}

int TKovaCustomFaxPrinter::drawMargin(QPainter& painter, TKovaCustomFaxPrinterMargin& margin, PrintRect& area,
                                      bool atTop, const PrintTagValues& tags) {
  QFont font = margin.Font;
  if (MultiPage) font.setPointSizeF(font.pointSizeF() / 2);
  painter.setFont(font);
  const int h = painter.fontMetrics().height();
  margin.LastHeight = h;
  const QString text = QString::fromStdString(ReplacePrintTags(margin.Caption, tags));
  const int lineY = atTop ? area.top + h + 2 : area.bottom - h - 2;
  const QRect textRect = atTop ? QRect(area.left, area.top, area.width(), h)
                               : QRect(area.left, area.bottom - h, area.width(), h);
  painter.save();
  painter.setClipRect(textRect);
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  painter.restore();
  painter.drawLine(area.left, lineY, area.right, lineY);
  if (atTop)
    area.top = lineY + 1;
  else
    area.bottom = lineY - 1;
  return h;
}

void TKovaCustomFaxPrinter::printPage(QPainter& painter, int page) {
  if (OnNextPage) OnNextPage(*this, static_cast<uint16_t>(page), static_cast<uint16_t>(pageCount_));
  if (aborted_) return;
  setProgress(TFaxPrintProgress::ppConverting);
  MonoBitmap bitmap;
  const int rc = unpacker_.DecodePageToBitmapStatus(page, bitmap);
  if (aborted_) return;
  if (rc < 0) RaiseImageError(rc);
  setProgress(TFaxPrintProgress::ppComposing);
  if (bitmap.height == 0) {
    writeLog(lcFail);
    return;
  }
  const bool landscape = printer_->pageLayout().orientation() == QPageLayout::Landscape;
  const PrintRect printable{0, 0, printer_->width(), printer_->height()};
  PrintRect area = PageSlot(printable, page, FirstPage, MultiPage, landscape);
  const QDateTime now = QDateTime::currentDateTime();
  PrintTagValues tags;
  tags.date = QLocale().toString(now.date(), QLocale::ShortFormat).toStdString();
  tags.time = QLocale().toString(now.time(), QLocale::ShortFormat).toStdString();
  tags.fileName = fileName_;
  tags.pageCount = pageCount_;
  tags.page = page;
  painter.setPen(QPen(Qt::black, std::max(1, printer_->resolution() / 150)));
  if (FaxHeader.Enabled) drawMargin(painter, FaxHeader, area, true, tags);
  if (FaxFooter.Enabled) drawMargin(painter, FaxFooter, area, false, tags);
  const PrintSize size =
      FaxPrintSize(PrintScale, area, bitmap.width, bitmap.height, printer_->logicalDpiX(), printer_->logicalDpiY());
  setProgress(TFaxPrintProgress::ppRendering);
  painter.drawImage(QRect(area.left, area.top, size.width, size.height), ToPrintImage(bitmap));
  setProgress(TFaxPrintProgress::ppSubmitting);
}

void TKovaCustomFaxPrinter::finishJob(bool keepOutput) {
  printing_ = false;
  currentPage_ = 0;
  if (finalOutput_.isEmpty()) return;
  const QString partial = printer_->outputFileName();
  printer_->setOutputFileName(finalOutput_);
  if (keepOutput) {
    QFile::remove(finalOutput_);
    if (!QFile::rename(partial, finalOutput_)) {
      QFile::remove(partial);
      finalOutput_.clear();
      throw EFaxPrintError("The printed fax could not be saved as " + printer_->outputFileName().toStdString() + ".");
    }
  } else {
    QFile::remove(partial);
  }
  finalOutput_.clear();
}

void TKovaCustomFaxPrinter::PrintPages() {
  if (pageCount_ == 0 || printing_) return;
  const int first = std::clamp(FirstPage, 1, pageCount_);
  const int last = std::clamp(LastPage, first, pageCount_);
  aborted_ = false;
  unpacker_.Options = unpacker_option::uoYield;
  progress_ = TFaxPrintProgress::ppIdle;
  updateStatus(true, false);
  writeLog(lcStart);
  printing_ = true;
  printer_->setDocName(QString::fromStdString(Caption));
  if (printer_->outputFormat() == QPrinter::PdfFormat && !printer_->outputFileName().isEmpty()) {
    finalOutput_ = printer_->outputFileName();
    const QFileInfo info(finalOutput_);
    printer_->setOutputFileName(info.absolutePath() + "/." + info.fileName() + ".part");
  }
  auto fail = [&](const std::string& why) {
    printer_->abort();
    finishJob(false);
    writeLog(lcFail);
    progress_ = TFaxPrintProgress::ppIdle;
    updateStatus(false, true);
    throw EFaxPrintError(why);
  };
  QPainter painter;
  if (!painter.begin(printer_.get())) fail("The printer could not start the print job.");
  for (int page = first; page <= last; ++page) {
    currentPage_ = page;
    ProcessPendingMessages();
    if (aborted_) break;
    if (StartsNewSheet(page, first, MultiPage,
                       printer_->pageLayout().orientation() == QPageLayout::Landscape) &&
        !printer_->newPage()) {
      painter.end();
      fail("The printer stopped before page " + std::to_string(page) + "; the job was cancelled.");
    }
    try {
      printPage(painter, page);
    } catch (...) {
      painter.end();
      printer_->abort();
      finishJob(false);
      writeLog(lcFail);
      progress_ = TFaxPrintProgress::ppIdle;
      updateStatus(false, true);
      throw;
    }
    if (aborted_) break;
  }
  if (aborted_) {
    // CancelPrinting has logged it and closed the status window.
    painter.end();
    finishJob(false);
    return;
  }
  const bool ended = painter.end();
  if (!ended || printer_->printerState() == QPrinter::Error) fail("The printer reported an error; the job was cancelled.");
  finishJob(true);
  writeLog(lcFinish);
  progress_ = TFaxPrintProgress::ppIdle;
  updateStatus(false, true);
}

void TKovaCustomFaxPrinter::CancelPrinting() {
  if (printing_ && !aborted_) {
    aborted_ = true;
    unpacker_.Options |= unpacker_option::uoAbort;
    printer_->abort();
    currentPage_ = 0;
    writeLog(lcAbort);
    updateStatus(false, true);
    ProcessPendingMessages();
  }
  progress_ = TFaxPrintProgress::ppIdle;
}

}  // namespace telvane
