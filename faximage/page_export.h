#pragma once
// Exports from the fax viewer window: the shown page as a BMP, PCX or DCX
// file, or the whole fax as TIFF or PDF. Standard-resolution pages are
// stretched to twice their height so the exported image keeps the page's
// proportions.

#include <string>
#include <string_view>

namespace telvane {

enum class ExportFormat { Bmp, Pcx, Dcx, Tiff, Pdf };

// The format named first in a menu caption ("Export this page as PCX
// File" -> Pcx); false when the caption names none.
bool ExportFormatFromCaption(std::string_view caption, ExportFormat& format);
// "BMP", "PCX", "DCX", "TIF", "PDF".
std::string_view ExportExtension(ExportFormat format);

struct PageExportRequest {
  std::string faxFile;
  int page = 1;  // ignored for TIFF and PDF, which take the whole fax
  ExportFormat format = ExportFormat::Bmp;
  std::string outFile;  // the format's extension is added when it has none
  int whitespaceFrom = 0, whitespaceTo = 0;  // the viewer's whitespace compression (0, 0 = off)
};

// 0 or a negative status.
int ExportFaxPage(const PageExportRequest& request);

}  // namespace telvane
