#include "compose/fax_page_renderer.h"

#include <cstdio>

#include "compose/fax_file_names.h"
#include "compose/fax_page_source.h"
#include "faximage/fax_converter.h"
#include "faximage/image_exceptions.h"
#include "platform/io_errors.h"
#include "platform/pending_messages.h"

namespace telvane {
namespace {

// Removes the page bitmap file however the page loop ends; a file that
// cannot be removed is left behind.
class PageBitmapFile {
public:
  explicit PageBitmapFile(std::string path) : path_(std::move(path)) {}
  ~PageBitmapFile() { std::remove(path_.c_str()); }
  PageBitmapFile(const PageBitmapFile&) = delete;
  PageBitmapFile& operator=(const PageBitmapFile&) = delete;
  const std::string& path() const { return path_; }

private:
  std::string path_;
};

}  // namespace

QImage NewFaxPageBitmap() {
  QImage page(fax_page::kWidth, fax_page::kHeight, QImage::Format_Mono);
  page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  page.fill(0);
  return page;
}

int FaxZoomForDpi(int screenDpi) { return screenDpi > 0 ? 20000 / screenDpi : 100; }

void RenderFaxPages(FaxPageSource& source, std::vector<std::string>& files, int screenDpi,
                    const std::string& directory) {
  const std::string firstFile = FirstFaxFileName(directory);
  int pageNumber = static_cast<int>(files.size());
  QImage page = NewFaxPageBitmap();
  source.SetZoom(FaxZoomForDpi(screenDpi));

  TKovaFaxConverter converter;
  converter.SetOptions(fax_cvt::coYield);
  converter.Resolution = TFaxResolution::frHigh;
  const PageBitmapFile bitmapFile(directory + std::string(kFaxPageBitmapName));

  int position = 0;
  for (;;) {
    const int next = source.DrawPage(position, fax_page::kTextArea, page, screenDpi);
    ++pageNumber;
    const std::string pageFile = pageNumber == 1 ? firstFile : FaxPageFileName(directory, pageNumber);
    page.setPixel(fax_page::kMarkerPixel, 1);
    if (!page.save(QString::fromStdString(bitmapFile.path()), "BMP")) throw EInOutError(-io_error::WriteFault);
    ProcessPendingMessages();

    converter.SetDocumentFile(bitmapFile.path());
    converter.InputDocumentType = TFaxInputDocumentType::idBmp;
    converter.OutFileName = pageFile;
    converter.ConvertDocument();

    files.push_back(pageFile);
    page.fill(0);
    // A control that does not move on would make pages for ever.
    if (next <= position) break;
    position = next;
  }
}

}  // namespace telvane
