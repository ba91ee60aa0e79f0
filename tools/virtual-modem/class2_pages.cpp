#include "tools/virtual-modem/class2_pages.h"

#include <cstdio>
#include <tiffio.h>
#include <vector>

namespace telvane::vmodem {

namespace {

constexpr uint32_t kPageWidth = 1728;

uint8_t reversed(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  b = static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
  return b;
}

}  // namespace

void setFaxPageTags(TIFF* tif, uint32_t rows, bool fine, uint32_t group3Options) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kPageWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, rows);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
  TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, group3Options);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 204.0f);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, fine ? 196.0f : 98.0f);
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
}

void reverseBits(std::string& data) {
  for (char& c : data) c = static_cast<char>(reversed(static_cast<uint8_t>(c)));
}

int countEols(const std::string& msbFirst) {
  int eols = 0;
  int zeros = 0;
  for (const char c : msbFirst) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte == 0) {
      zeros += 8;
      continue;
    }
    for (int bit = 7; bit >= 0; --bit) {
      if (byte & (1u << bit)) {
        if (zeros >= 11) ++eols;
        zeros = 0;
      } else {
        ++zeros;
      }
    }
  }
  return eols;
}

int countLines(const std::string& msbFirst, bool twoDimensional) {
  int lines = 0;
  int zeros = 0;
  bool codes = false;     // 1 bits since the last EOL
  bool skipTag = false;
  for (const char c : msbFirst) {
    const auto byte = static_cast<uint8_t>(c);
    for (int bit = 7; bit >= 0; --bit) {
      const bool one = (byte & (1u << bit)) != 0;
      if (skipTag) {
        skipTag = false;
        continue;
      }
      if (!one) {
        ++zeros;
        continue;
      }
      if (zeros >= 11) {
        if (codes) ++lines;
        codes = false;
        skipTag = twoDimensional;
      } else {
        codes = true;
      }
      zeros = 0;
    }
  }
  // A last line without its EOL counts only in data that had EOLs at all.
  return codes && lines > 0 ? lines + 1 : lines;
}

std::string encodePageMh(const std::string& tiffPath, int index, const std::string& scratchPath) {
  TIFF* in = TIFFOpen(tiffPath.c_str(), "r");
  if (!in) return {};
  std::string out;
  if (TIFFSetDirectory(in, static_cast<tdir_t>(index))) {
    uint32_t width = 0, rows = 0;
    float yres = 0;
    TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(in, TIFFTAG_IMAGELENGTH, &rows);
    TIFFGetField(in, TIFFTAG_YRESOLUTION, &yres);
    TIFF* scratch = width == kPageWidth ? TIFFOpen(scratchPath.c_str(), "w") : nullptr;
    if (scratch) {
      setFaxPageTags(scratch, rows, yres > 150, 0);
      // Byte-aligned EOLs (T.4 fill), as most modems deliver them.
      TIFFSetField(scratch, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_FILLBITS);
      std::vector<uint8_t> row(static_cast<size_t>(TIFFScanlineSize(in)) + 8);
      bool ok = true;
      for (uint32_t y = 0; y < rows && ok; ++y) {
        ok = TIFFReadScanline(in, row.data(), y, 0) == 1 && TIFFWriteScanline(scratch, row.data(), y, 0) == 1;
      }
      TIFFClose(scratch);
      if (ok) {
        if (TIFF* encoded = TIFFOpen(scratchPath.c_str(), "r")) {
          const tmsize_t size = TIFFRawStripSize(encoded, 0);
          if (size > 0) {
            out.resize(static_cast<size_t>(size));
            const tmsize_t got = TIFFReadRawStrip(encoded, 0, out.data(), size);
            out.resize(got > 0 ? static_cast<size_t>(got) : 0);
          }
          TIFFClose(encoded);
        }
      }
      std::remove(scratchPath.c_str());
    }
  }
  TIFFClose(in);
  if (!out.empty()) {
    // libtiff puts the EOL before each line: one more ends the last line,
    // then RTC, six EOLs (T.4 clause 4.1.4), byte-aligned like the others.
    // Receivers that count empty lines for RTC need all seven.
    for (int i = 0; i < 7; ++i) out.append("\x00\x01", 2);
  }
  return out;
}

int appendRawPage(const std::string& tiffPath, const std::string& msbFirst, bool fine, bool twoDimensional,
                  int pageNumber) {
  const int rows = countLines(msbFirst, twoDimensional);
  if (rows == 0) return -1;
  TIFF* tif = TIFFOpen(tiffPath.c_str(), pageNumber == 1 ? "w" : "a");
  if (!tif) return -1;
  setFaxPageTags(tif, static_cast<uint32_t>(rows), fine, twoDimensional ? GROUP3OPT_2DENCODING : 0);
  TIFFSetField(tif, TIFFTAG_PAGENUMBER, pageNumber - 1, 0);
  const bool ok = TIFFWriteRawStrip(tif, 0, const_cast<char*>(msbFirst.data()), static_cast<tmsize_t>(msbFirst.size())) > 0 &&
                  TIFFWriteDirectory(tif) == 1;
  TIFFClose(tif);
  return ok ? 0 : -1;
}

}  // namespace telvane::vmodem
