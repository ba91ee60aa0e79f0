#include "tests/faximage/libtiff_g3.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace telvane::test {
namespace {

struct MemFile {
  Bytes data;
  toff_t pos = 0;
};

tsize_t ReadProc(thandle_t h, tdata_t buf, tsize_t size) {
  auto* m = static_cast<MemFile*>(h);
  if (m->pos >= m->data.size()) return 0;
  const size_t n = std::min<size_t>(static_cast<size_t>(size), m->data.size() - m->pos);
  std::memcpy(buf, m->data.data() + m->pos, n);
  m->pos += n;
  return static_cast<tsize_t>(n);
}
tsize_t WriteProc(thandle_t h, tdata_t buf, tsize_t size) {
  auto* m = static_cast<MemFile*>(h);
  if (m->pos + static_cast<size_t>(size) > m->data.size()) m->data.resize(m->pos + static_cast<size_t>(size));
  std::memcpy(m->data.data() + m->pos, buf, static_cast<size_t>(size));
  m->pos += static_cast<toff_t>(size);
  return size;
}
toff_t SeekProc(thandle_t h, toff_t off, int whence) {
  auto* m = static_cast<MemFile*>(h);
  if (whence == SEEK_SET) m->pos = off;
  if (whence == SEEK_CUR) m->pos += off;
  if (whence == SEEK_END) m->pos = m->data.size() + off;
  return m->pos;
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return static_cast<MemFile*>(h)->data.size(); }
int MapProc(thandle_t, tdata_t*, toff_t*) { return 0; }
void UnmapProc(thandle_t, tdata_t, toff_t) {}

void PrintError(const char* module, const char* fmt, va_list ap) {
  std::fprintf(stderr, "libtiff %s: ", module ? module : "");
  std::vfprintf(stderr, fmt, ap);
  std::fprintf(stderr, "\n");
}

TIFF* Open(MemFile& m, const char* mode) {
  // Quiet unless asked: tests feed libtiff damaged data on purpose.
  TIFFSetErrorHandler(std::getenv("TELVANE_TIFF_ERRORS") ? PrintError : nullptr);
  TIFFSetWarningHandler(nullptr);
  return TIFFClientOpen("memory", mode, &m, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc, UnmapProc);
}

void SetG3Fields(TIFF* t, int width, int rows, uint32_t t4Options, bool fine) {
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, rows);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
  TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, t4Options);
  TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rows);
  TIFFSetField(t, TIFFTAG_XRESOLUTION, 204.0);
  TIFFSetField(t, TIFFTAG_YRESOLUTION, fine ? 196.0 : 98.0);
  TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
}

}  // namespace

Bytes WrapG3InTiff(const Bytes& g3, int width, int rows, uint32_t t4Options, bool fine) {
  MemFile m;
  TIFF* t = Open(m, "w");
  SetG3Fields(t, width, rows, t4Options, fine);
  TIFFWriteRawStrip(t, 0, const_cast<uint8_t*>(g3.data()), static_cast<tsize_t>(g3.size()));
  TIFFClose(t);
  return m.data;
}

bool LibtiffDecode(const Bytes& tiff, std::vector<Bytes>& rows, int directory) {
  MemFile m{tiff, 0};
  TIFF* t = Open(m, "r");
  if (!t) return false;
  if (directory > 0 && !TIFFSetDirectory(t, static_cast<tdir_t>(directory))) {
    TIFFClose(t);
    return false;
  }
  uint32_t width = 0, length = 0;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &length);
  rows.assign(length, Bytes(static_cast<size_t>(TIFFScanlineSize(t)), 0));
  bool ok = true;
  for (uint32_t y = 0; y < length && ok; ++y) ok = TIFFReadScanline(t, rows[y].data(), y) >= 0;
  TIFFClose(t);
  return ok;
}

bool LibtiffDecodeStrip(const Bytes& tiff, Bytes& raster) {
  MemFile m{tiff, 0};
  TIFF* t = Open(m, "r");
  if (!t) return false;
  raster.resize(static_cast<size_t>(TIFFStripSize(t)));
  const tsize_t n = TIFFReadEncodedStrip(t, 0, raster.data(), static_cast<tsize_t>(raster.size()));
  TIFFClose(t);
  return n > 0;
}

Bytes LibtiffEncode(const Bytes& raster, int width, int rows, Bytes* strip) {
  MemFile m;
  TIFF* t = Open(m, "w");
  SetG3Fields(t, width, rows, 0, true);
  const size_t rowBytes = static_cast<size_t>(width / 8);
  Bytes row(rowBytes);
  for (int y = 0; y < rows; ++y) {
    std::memcpy(row.data(), raster.data() + static_cast<size_t>(y) * rowBytes, rowBytes);
    TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0);
  }
  TIFFClose(t);
  if (strip) {
    MemFile r{m.data, 0};
    TIFF* rt = Open(r, "r");
    uint64_t* counts = nullptr;
    TIFFGetField(rt, TIFFTAG_STRIPBYTECOUNTS, &counts);
    strip->resize(static_cast<size_t>(counts[0]));
    TIFFReadRawStrip(rt, 0, strip->data(), static_cast<tsize_t>(strip->size()));
    TIFFClose(rt);
  }
  return m.data;
}

Bytes LibtiffWriteBilevel(const std::vector<Bytes>& rows, int width, bool packBits, bool blackIsZero,
                          int rowsPerStrip, bool bigEndian, bool lsbFirst) {
  MemFile m;
  TIFF* t = Open(m, bigEndian ? "wb" : "wl");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<int>(rows.size()));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, packBits ? COMPRESSION_PACKBITS : COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, blackIsZero ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_MINISWHITE);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  if (lsbFirst) TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);  // libtiff reverses the stored bytes
  const size_t rowBytes = static_cast<size_t>((width + 7) / 8);
  Bytes row(rowBytes);
  for (size_t y = 0; y < rows.size(); ++y) {
    // The rows given are black-is-one; BlackIsZero files store them inverted.
    for (size_t i = 0; i < rowBytes; ++i) row[i] = blackIsZero ? static_cast<uint8_t>(~rows[y][i]) : rows[y][i];
    TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0);
  }
  TIFFClose(t);
  return m.data;
}

Bytes LibtiffWritePalette(const std::vector<Bytes>& rows, int width, bool whiteFirst) {
  MemFile m;
  TIFF* t = Open(m, "wl");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<int>(rows.size()));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
  uint16_t white[2] = {65535, 0}, black[2] = {0, 65535};
  uint16_t* map = whiteFirst ? white : black;
  TIFFSetField(t, TIFFTAG_COLORMAP, map, map, map);
  const size_t rowBytes = static_cast<size_t>((width + 7) / 8);
  Bytes row(rowBytes);
  for (size_t y = 0; y < rows.size(); ++y) {
    // Black is colour 1 when white comes first, else colour 0.
    for (size_t i = 0; i < rowBytes; ++i) row[i] = whiteFirst ? rows[y][i] : static_cast<uint8_t>(~rows[y][i]);
    TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0);
  }
  TIFFClose(t);
  return m.data;
}

}  // namespace telvane::test
