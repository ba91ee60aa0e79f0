#include "faximage/page_export.h"

#include "faximage/apf_reader.h"
#include "faximage/converter_core.h"
#include "faximage/fax_export.h"
#include "faximage/fax_unpacker.h"
#include "faximage/unpacker_core.h"
#include "platform/text.h"

namespace telvane {

namespace {
constexpr struct {
  ExportFormat format;
  std::string_view name;
} kFormats[] = {{ExportFormat::Bmp, "BMP"}, {ExportFormat::Pcx, "PCX"}, {ExportFormat::Dcx, "DCX"},
                {ExportFormat::Tiff, "TIF"}, {ExportFormat::Pdf, "PDF"}};
}  // namespace

bool ExportFormatFromCaption(std::string_view caption, ExportFormat& format) {
  const std::string upper = ToUpperAscii(caption);
  size_t best = std::string::npos;
  for (const auto& f : kFormats) {
    const size_t at = upper.find(f.name);
    if (at < best) {
      best = at;
      format = f.format;
    }
  }
  return best != std::string::npos;
}

std::string_view ExportExtension(ExportFormat format) {
  for (const auto& f : kFormats)
    if (f.format == format) return f.name;
  return "";
}

int ExportFaxPage(const PageExportRequest& r) {
  const std::string out = WithDefaultExtension(r.outFile, ToLowerAscii(ExportExtension(r.format)));
  if (r.format == ExportFormat::Tiff) return ExportFaxAsTiff(r.faxFile, out);
  if (r.format == ExportFormat::Pdf) return ExportFaxAsPdf(r.faxFile, out);
  TKovaFaxUnpacker unpacker;
  unpacker.Options = 0;
  unpacker.AutoScaleMode = TAutoScaleMode::asNone;
  unpacker.WhitespaceCompression = r.whitespaceFrom > 0;
  unpacker.WhitespaceFrom = r.whitespaceFrom;
  unpacker.WhitespaceTo = r.whitespaceTo;
  unpacker.SetInFileName(r.faxFile);
  unpacker.OutFileName = out;
  ApfPageHeader first;
  if (int rc = ReadPageHeader(r.faxFile, 1, first); rc < 0) return rc;
  if (!first.fine()) {
    unpacker.Scaling = true;
    unpacker.SetVertMult(2);
  }
  if (r.format == ExportFormat::Bmp) {
    MonoBitmap bitmap;
    if (int rc = unpacker.DecodePageToBitmapStatus(r.page, bitmap); rc < 0) return rc;
    return WriteBmpFile(out, bitmap);
  }
  return unpacker.ExportPageStatus(r.page, r.format == ExportFormat::Dcx);
}

}  // namespace telvane
