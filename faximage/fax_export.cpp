#include "faximage/fax_export.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "faximage/apf_format.h"
#include "faximage/apf_reader.h"
#include "faximage/image_status.h"
#include "faximage/t4_encoder.h"
#include "faximage/unpacker_core.h"
#include "platform/posix_file.h"

namespace telvane {
namespace {

uint8_t ReverseBits(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

int WriteFile(const std::string& name, const void* data, size_t size) {
  PosixFile f;
  if (int rc = f.open(name, PosixFile::Mode::Create); rc < 0) return rc;
  if (int rc = f.write(data, size); rc < 0) return rc;
  return f.close();
}

// TIFF 6.0 field types and the Class F tags written for every page.
constexpr uint16_t kShort = 3, kLong = 4, kRational = 5;
namespace tag {
constexpr uint16_t NewSubfileType = 254, ImageWidth = 256, ImageLength = 257, BitsPerSample = 258,
                   Compression = 259, Photometric = 262, FillOrder = 266, StripOffsets = 273,
                   SamplesPerPixel = 277, RowsPerStrip = 278, StripByteCounts = 279, XResolution = 282,
                   YResolution = 283, T4Options = 292, ResolutionUnit = 296, PageNumber = 297,
                   CleanFaxData = 327;
}
constexpr uint32_t kCompressionCcittG3 = 3;
constexpr uint32_t kT4FillBits = 4;  // T4Options bit 2: EOLs end on byte boundaries

}  // namespace

int DecodeFaxPages(const std::string& apfName, std::vector<FaxPageRaster>& pages) {
  pages.clear();
  ApfFileHeader header;
  std::vector<ApfPageInfo> infos;
  if (int rc = ListApfPages(apfName, header, infos); rc < 0) return rc;
  for (size_t p = 0; p < infos.size(); ++p) {
    UnpackerCore core;
    FaxPageRaster page;
    page.fine = infos[p].header.fine();
    const int width = infos[p].header.width();
    std::vector<uint8_t> rows;
    int count = 0;
    const size_t rowBytes = static_cast<size_t>(width / 8);
    core.outputLine = [&](int flag, const uint8_t* line, int, int length) {
      if (flag != kUnpackLine || count >= kMaxBitmapRows) return;
      const size_t at = rows.size();
      rows.resize(at + rowBytes, 0);
      std::memcpy(rows.data() + at, line, std::min(rowBytes, static_cast<size_t>(length)));
      ++count;
    };
    if (int rc = UnpackPage(core, apfName, static_cast<int>(p + 1)); rc < 0) return rc;
    page.bitmap.width = width;
    page.bitmap.height = count;
    page.bitmap.pitch = static_cast<int>(rowBytes);
    page.bitmap.bits = std::move(rows);
    pages.push_back(std::move(page));
  }
  return 0;
}

std::vector<uint8_t> EncodeTiffClassF(const std::vector<FaxPageRaster>& pages) {
  std::vector<uint8_t> out = {'I', 'I', 42, 0, 0, 0, 0, 0};
  size_t nextIfdLink = 4;  // where the offset of the next IFD goes
  const std::vector<uint8_t> blank(256, 0);
  for (size_t p = 0; p < pages.size(); ++p) {
    const MonoBitmap& b = pages[p].bitmap;
    const int rows = std::max(b.height, 1);  // an empty page keeps one white row
    // Strip: one coded line record per row (filled EOL, runs, fill).
    const size_t stripOffset = out.size();
    uint8_t coded[kCodedLineCapacity + 16];
    for (int y = 0; y < rows; ++y) {
      const uint8_t* row = b.height > 0 ? b.row(y) : blank.data();
      const size_t n = EncodeLineRecord(row, {b.width, 0, false}, coded);
      out.insert(out.end(), coded, coded + n);
    }
    const size_t stripBytes = out.size() - stripOffset;
    if (out.size() % 2) out.push_back(0);
    // Resolutions as RATIONALs.
    const size_t xres = out.size();
    const uint32_t yDpi = pages[p].fine ? 196 : 98;
    for (uint32_t v : {204u, 1u, yDpi, 1u}) {
      out.resize(out.size() + 4);
      Put32(&out[out.size() - 4], v);
    }
    struct Field {
      uint16_t tag, type;
      uint32_t count, value;
    };
    const Field fields[] = {
        {tag::NewSubfileType, kLong, 1, 2},  // a page of a multi-page document
        {tag::ImageWidth, kLong, 1, static_cast<uint32_t>(b.width)},
        {tag::ImageLength, kLong, 1, static_cast<uint32_t>(rows)},
        {tag::BitsPerSample, kShort, 1, 1},
        {tag::Compression, kShort, 1, kCompressionCcittG3},
        {tag::Photometric, kShort, 1, 0},  // white is zero
        {tag::FillOrder, kShort, 1, 2},    // first bit in the least significant bit
        {tag::StripOffsets, kLong, 1, static_cast<uint32_t>(stripOffset)},
        {tag::SamplesPerPixel, kShort, 1, 1},
        {tag::RowsPerStrip, kLong, 1, static_cast<uint32_t>(rows)},
        {tag::StripByteCounts, kLong, 1, static_cast<uint32_t>(stripBytes)},
        {tag::XResolution, kRational, 1, static_cast<uint32_t>(xres)},
        {tag::YResolution, kRational, 1, static_cast<uint32_t>(xres + 8)},
        {tag::T4Options, kLong, 1, kT4FillBits},
        {tag::ResolutionUnit, kShort, 1, 2},  // inch
        {tag::PageNumber, kShort, 2, static_cast<uint32_t>(p) | static_cast<uint32_t>(pages.size()) << 16},
        {tag::CleanFaxData, kShort, 1, 0},
    };
    const size_t ifd = out.size();
    Put32(&out[nextIfdLink], static_cast<uint32_t>(ifd));
    const size_t count = std::size(fields);
    out.resize(ifd + 2 + count * 12 + 4, 0);
    Put16(&out[ifd], static_cast<uint32_t>(count));
    for (size_t i = 0; i < count; ++i) {
      uint8_t* e = &out[ifd + 2 + i * 12];
      Put16(e, fields[i].tag);
      Put16(e + 2, fields[i].type);
      Put32(e + 4, fields[i].count);
      if (fields[i].type == kShort) {  // SHORT values sit left-justified in the field
        Put16(e + 8, fields[i].value & 0xFFFF);
        Put16(e + 10, fields[i].value >> 16);
      } else {
        Put32(e + 8, fields[i].value);
      }
    }
    nextIfdLink = ifd + 2 + count * 12;
  }
  return out;
}

std::string EncodePdf(const std::vector<FaxPageRaster>& pages) {
  std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets;  // of objects 1..n
  auto object = [&](const std::string& body) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
  };
  const size_t n = pages.size();
  // Objects: 1 catalog, 2 page tree, then per page: page, contents, image.
  std::string kids;
  for (size_t p = 0; p < n; ++p) kids += std::to_string(3 + 3 * p) + " 0 R ";
  object("<< /Type /Catalog /Pages 2 0 R >>");
  object("<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(n) + " >>");
  const std::vector<uint8_t> blank(256, 0);
  for (size_t p = 0; p < n; ++p) {
    const MonoBitmap& b = pages[p].bitmap;
    const int rows = std::max(b.height, 1);
    const double widthPt = b.width * 72.0 / 204.0;
    const double imagePt = rows * 72.0 / (pages[p].fine ? 196.0 : 98.0);
    // Short faxes (a few lines of text) still get a letter-sized sheet,
    // the image at its top, as a fax machine would print them.
    const double heightPt = std::max(imagePt, 11.0 * 72.0);
    char box[160];
    std::snprintf(box, sizeof box, "[0 0 %.2f %.2f]", widthPt, heightPt);
    object("<< /Type /Page /Parent 2 0 R /MediaBox " + std::string(box) + " /Contents " +
           std::to_string(4 + 3 * p) + " 0 R /Resources << /XObject << /Im0 " + std::to_string(5 + 3 * p) +
           " 0 R >> >> >>");
    char draw[160];
    std::snprintf(draw, sizeof draw, "q %.2f 0 0 %.2f 0 %.2f cm /Im0 Do Q", widthPt, imagePt, heightPt - imagePt);
    object("<< /Length " + std::to_string(std::strlen(draw)) + " >>\nstream\n" + draw + "\nendstream");
    // Modified Huffman without EOLs, first bit in the most significant bit.
    std::vector<uint8_t> stream;
    uint64_t bits = 0;
    for (int y = 0; y < rows; ++y) AppendLineRuns(b.height > 0 ? b.row(y) : blank.data(), {b.width, 0, false}, stream, bits);
    for (auto& byte : stream) byte = ReverseBits(byte);
    const std::string cols = std::to_string(b.width), rowsText = std::to_string(rows);
    object("<< /Type /XObject /Subtype /Image /Width " + cols + " /Height " + rowsText +
           " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode /DecodeParms << /K 0 /Columns " +
           cols + " /Rows " + rowsText + " /BlackIs1 false >> /Length " + std::to_string(stream.size()) +
           " >>\nstream\n" + std::string(stream.begin(), stream.end()) + "\nendstream");
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t off : offsets) {
    char line[24];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", off);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

int ExportFaxAsTiff(const std::string& apfName, const std::string& tiffName) {
  std::vector<FaxPageRaster> pages;
  if (int rc = DecodeFaxPages(apfName, pages); rc < 0) return rc;
  if (pages.empty()) return -image_status::BadArgument;  // a TIFF needs one image at least
  const std::vector<uint8_t> data = EncodeTiffClassF(pages);
  return WriteFile(tiffName, data.data(), data.size());
}

int ExportFaxAsPdf(const std::string& apfName, const std::string& pdfName) {
  std::vector<FaxPageRaster> pages;
  if (int rc = DecodeFaxPages(apfName, pages); rc < 0) return rc;
  if (pages.empty()) return -image_status::BadArgument;
  const std::string data = EncodePdf(pages);
  return WriteFile(pdfName, data.data(), data.size());
}

}  // namespace telvane
