#pragma once
// libtiff's CCITT Group 3 one-dimensional codec as an independent peer:
// in-memory TIFF files, so tests and the benchmark measure the codec and not
// the disk. Rows are raster lines (MSB = leftmost pixel, set bit = black).

#include <cstdint>
#include <vector>

namespace telvane::test {

using Bytes = std::vector<uint8_t>;

// A whole TIFF file in memory holding one G3 1-D strip of `rows` rows,
// LSB-first fill order, white is zero, `t4Options` as given.
Bytes WrapG3InTiff(const Bytes& g3, int width, int rows, uint32_t t4Options = 0, bool fine = true);

// Decodes image `directory` (from 0) of a TIFF file in memory with libtiff
// into width/8-byte rows; false when libtiff reports an error.
bool LibtiffDecode(const Bytes& tiff, std::vector<Bytes>& rows, int directory = 0);

// Decodes a G3 1-D stream (LSB first) of `rows` rows into one buffer of
// rows * width/8 bytes (the benchmark's form).
bool LibtiffDecodeStrip(const Bytes& tiff, Bytes& raster);

// Codes `raster` (rows * width/8 bytes) with libtiff's G3 1-D coder; the
// result is a TIFF file in memory. `strip` receives the raw coded strip.
Bytes LibtiffEncode(const Bytes& raster, int width, int rows, Bytes* strip = nullptr);

// Writes an uncompressed or PackBits bilevel TIFF with libtiff; `lsbFirst`
// writes FillOrder 2.
Bytes LibtiffWriteBilevel(const std::vector<Bytes>& rows, int width, bool packBits, bool blackIsZero,
                          int rowsPerStrip, bool bigEndian = false, bool lsbFirst = false);

// Writes an uncompressed 1-bit palette TIFF with libtiff, its colour map
// white then black, or black then white.
Bytes LibtiffWritePalette(const std::vector<Bytes>& rows, int width, bool whiteFirst);

}  // namespace telvane::test
