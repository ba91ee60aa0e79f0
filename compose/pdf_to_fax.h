#pragma once
// A PDF straight into a fax image file, one fax page per PDF page: each
// page is scaled to fit the 1728-pixel fax line at up to 204 pixels per inch
// across (204 x 196 fine, 204 x 98 standard), centred across, and made black
// and white by ToFaxMono.

#include <QString>
#include <string>

namespace telvane {

// 0, or a negative status with a text for the user in `error`.
int ConvertPdfToFaxFile(const QString& pdfPath, const std::string& faxFile, bool fine, QString* error = nullptr);

}  // namespace telvane
