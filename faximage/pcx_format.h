#pragma once
// PCX and DCX layouts shared by the reader (converter input) and the
// writer (unpacker export).
//
// PCX header (128 bytes; words little-endian):
// | Offset | Size | Field        | Value here                                  |
// |--------|------|--------------|---------------------------------------------|
// | 0      | 1    | manufacturer | 10                                          |
// | 1      | 1    | version      | 2 as written                                |
// | 2      | 1    | encoding     | 1 (run-length)                              |
// | 3      | 1    | bits/pixel   | 1                                           |
// | 4      | 8    | Xmin Ymin Xmax Ymax | window; width = Xmax - Xmin + 1       |
// | 16     | 48   | palette      | 16 RGB triples; zero as written             |
// | 65     | 1    | planes       | 1                                           |
// | 66     | 2    | bytes/line   | bytes of one decoded row                    |
// Data: a byte of 192 or more repeats the next byte (byte - 192) times; any
// other byte stands for itself. A set bit is white, unless the header palette
// (versions 2 and 5) makes colour 1 the darker one.
//
// DCX: the 4-byte value 987654321, then a table of 1024 4-byte offsets of
// PCX images ended by 0 (4100 bytes in all), then the images.

#include <cstddef>
#include <cstdint>

namespace telvane::pcx {
inline constexpr size_t kHeaderSize = 128;
inline constexpr size_t kManufacturer = 0, kVersion = 1, kEncoding = 2, kBitsPerPixel = 3;
inline constexpr size_t kXmin = 4, kYmin = 6, kXmax = 8, kYmax = 10, kPalette = 16;
inline constexpr size_t kPlanes = 65, kBytesPerLine = 66;
inline constexpr uint8_t kRunMark = 0xC0;
inline constexpr uint32_t kDcxSignature = 987654321;  // 0x3ADE68B1
inline constexpr size_t kDcxTableEntries = 1024;
inline constexpr size_t kDcxHeaderSize = 4 + 4 * kDcxTableEntries;
inline constexpr size_t kDcxMaxImages = kDcxTableEntries - 1;
}  // namespace telvane::pcx
