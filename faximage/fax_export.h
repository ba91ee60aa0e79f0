#pragma once
// Export of a whole fax in standard formats: a multi-page TIFF Class F
// (T.4 one-dimensional data, LSB-first fill order, 204 dpi across and 98 or
// 196 lines per inch) and a PDF whose pages carry CCITT Group 3 images.
// Pages are decoded and coded afresh, so damaged lines of received pages
// are left out and every strip holds exactly the rows it announces.

#include <cstdint>
#include <string>
#include <vector>

#include "faximage/mono_bitmap.h"

namespace telvane {

// One decoded page at its full line width (1728 or 2048 pixels), without
// any square-pixel adaptation: rows are the coded lines.
struct FaxPageRaster {
  bool fine = false;
  MonoBitmap bitmap;
};

// Decodes every page of a fax image file.
int DecodeFaxPages(const std::string& apfName, std::vector<FaxPageRaster>& pages);

int ExportFaxAsTiff(const std::string& apfName, const std::string& tiffName);
int ExportFaxAsPdf(const std::string& apfName, const std::string& pdfName);

// The in-memory forms, for tests and other writers.
std::vector<uint8_t> EncodeTiffClassF(const std::vector<FaxPageRaster>& pages);
std::string EncodePdf(const std::vector<FaxPageRaster>& pages);

}  // namespace telvane
