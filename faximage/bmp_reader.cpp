// BMP files (idBmp), bitmaps in memory (idBitmap) and lines from the
// application (idUser).
//
// BMP layout (little-endian):
// | Offset | Size | Field                                              |
// |--------|------|----------------------------------------------------|
// | 0      | 2    | "BM"                                               |
// | 10     | 4    | offset of the pixel rows                           |
// | 14     | 4    | info header size: 12 (core), 40, 52, 56, 108, 124    |
// | 18     | 4/2  | width (core header: 2 bytes)                        |
// | 22     | 4/2  | height; negative = rows stored top-down             |
// | 28     | 2    | bits per pixel (core header: offset 24)             |
// | 30     | 4    | compression: 0 none, 1 RLE8, 2 RLE4, 3 bit fields   |
// | 46     | 4    | colours used (0 = 2^bits)                           |
// | 54     | 12   | red, green, blue masks (bit fields)                 |
// Palette behind the info header: 4 bytes B, G, R, 0 per colour (3 for the
// core header). Rows are padded to 4 bytes and stored bottom-up.
// RLE8/RLE4 data: pairs (n > 0, value) repeat the value (RLE4: its two
// nibbles in turn) for n pixels; (0, 0) ends a row, (0, 1) the bitmap,
// (0, 2, dx, dy) moves on; (0, n >= 3) is followed by n literal pixels,
// padded to an even number of bytes.

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "faximage/apf_format.h"
#include "faximage/image_readers.h"
#include "faximage/image_status.h"
#include "platform/file_helpers.h"

namespace telvane {
namespace {

constexpr int kBadFormat = -image_status::BadGraphicsFormat;
constexpr uint64_t kMaxBmpFile = 256ull << 20;
constexpr int64_t kMaxPixels = 64ll << 20;
constexpr int64_t kRlePixelsPerByte = 4096, kRleFreePixels = 1 << 20;

int MaskShift(uint32_t mask) { return mask ? std::countr_zero(mask) : 0; }
uint32_t MaskValue(uint32_t px, uint32_t mask) {
  if (!mask) return 0;
  const uint32_t v = (px & mask) >> MaskShift(mask);
  const uint32_t max = mask >> MaskShift(mask);
  return max ? v * 255u / max : 0;
}

class BitmapReader : public FaxInputReader {
public:
  BitmapReader(std::shared_ptr<const SourceBitmap> bitmap, bool fromFile)
      : bitmap_(std::move(bitmap)), fromFile_(fromFile) {}
  std::string_view defaultExtension() const override { return fromFile_ ? "BMP" : ""; }

  int open(ConverterCore& core, const std::string& fileName) override {
    if (fromFile_) {
      auto loaded = std::make_shared<SourceBitmap>();
      if (int rc = LoadBmpFile(fileName, *loaded); rc < 0) return rc;
      bitmap_ = std::move(loaded);
    }
    if (!bitmap_) return -image_status::BadArgument;
    const int w = bitmap_->pixelWidth();
    PlaceImage(core, w, true);
    core.bytesToRead = static_cast<uint64_t>((w + 7) / 8) * static_cast<uint64_t>(bitmap_->pixelHeight());
    core.bytesRead = 0;
    row_ = 0;
    return 0;
  }

  int getLine(ConverterCore& core, uint8_t* raster, int& length, bool& endOfPage, bool& morePages) override {
    morePages = false;
    const SourceBitmap& b = *bitmap_;
    if (row_ >= b.pixelHeight()) {
      endOfPage = true;
      return 0;
    }
    const int w = b.pixelWidth();
    if (b.monochrome) {
      std::memcpy(raster, b.mono.row(row_), std::min<size_t>(static_cast<size_t>(b.mono.pitch), kRasterBufferSize));
    } else {
      const uint32_t* px = b.rgb.data() + static_cast<size_t>(row_) * static_cast<size_t>(b.width);
      const int n = std::min(w, static_cast<int>(kRasterBufferSize * 8));
      for (int x = 0; x < n; ++x) {
        const uint32_t c = px[x];
        const int sum = static_cast<int>((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF));
        if (sum < 10 * DitherThreshold(x & 31, row_ & 31)) raster[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
      // Dithering a large bitmap takes a while: let the windows breathe.
      if ((core.options & fax_cvt::coYield) && core.yield)
        if (int rc = core.yield(); rc < 0) return rc;
    }
    ++row_;
    length = core.width / 8;
    core.bytesRead = static_cast<uint64_t>((w + 7) / 8) * static_cast<uint64_t>(row_);
    return 0;
  }

  void close(ConverterCore&) override {
    if (fromFile_) bitmap_.reset();
  }

private:
  std::shared_ptr<const SourceBitmap> bitmap_;
  bool fromFile_;
  int row_ = 0;
};

class UserReader : public FaxInputReader {
public:
  UserReader(UserLineSource source, std::string ext) : source_(std::move(source)), ext_(std::move(ext)) {}
  std::string_view defaultExtension() const override { return ext_; }
  int open(ConverterCore& core, const std::string& fileName) override {
    core.doubleWidth = core.halfHeight = false;
    core.centreOffset = 0;
    if (source_.open) source_.open(fileName);
    return 0;
  }
  int getLine(ConverterCore&, uint8_t* raster, int& length, bool& endOfPage, bool& morePages) override {
    if (!source_.readLine) {
      endOfPage = true;
      morePages = false;
      return 0;
    }
    source_.readLine(raster, length, endOfPage, morePages);
    return 0;
  }
  void close(ConverterCore&) override {
    if (source_.close) source_.close();
  }

private:
  UserLineSource source_;
  std::string ext_;
};

// Expands RLE8 or RLE4 data into the uncompressed bottom-up layout; pixels
// the codes skip keep colour 0, as the system's own loader leaves them.
// Data that ends without its end-of-bitmap code keeps what was drawn.
void ExpandRle(const uint8_t* p, const uint8_t* end, int bits, int64_t width, int64_t height, size_t stride,
               std::vector<uint8_t>& out) {
  out.assign(stride * static_cast<size_t>(height), 0);
  int64_t x = 0, y = 0;
  auto put = [&](unsigned v) {
    if (x < width) {
      uint8_t* row = out.data() + static_cast<size_t>(y) * stride;
      if (bits == 8)
        row[x] = static_cast<uint8_t>(v);
      else
        row[x / 2] |= static_cast<uint8_t>(x % 2 ? v & 15 : (v & 15) << 4);
    }
    ++x;
  };
  auto nibble = [bits](unsigned byte, int i) { return bits == 8 ? byte : (i % 2 ? byte & 15 : byte >> 4); };
  while (end - p >= 2 && y < height) {
    const uint8_t n = p[0], v = p[1];
    p += 2;
    if (n > 0) {
      for (int i = 0; i < n; ++i) put(nibble(v, i));
    } else if (v == 0) {
      x = 0;
      ++y;
    } else if (v == 1) {
      return;
    } else if (v == 2) {
      if (end - p < 2) return;
      x += p[0];
      y += p[1];
      p += 2;
    } else {
      const size_t bytes = bits == 8 ? v : (v + 1u) / 2;
      if (static_cast<size_t>(end - p) < bytes) return;
      for (int i = 0; i < v; ++i) put(nibble(p[bits == 8 ? i : i / 2], i));
      p += std::min<size_t>((bytes + 1) & ~size_t{1}, static_cast<size_t>(end - p));
    }
  }
}

}  // namespace

int DitherThreshold(int a, int b) {
  int t = 0;
  for (int step = 0; step < 4; ++step) {
    t = (2 * t) | (2 * ((a ^ b) & 1)) | (b & 1);
    a >>= 1;
    b >>= 1;
  }
  return t;
}

int DecodeBmp(const uint8_t* d, size_t size, SourceBitmap& out) {
  if (size < 26 || d[0] != 'B' || d[1] != 'M') return kBadFormat;
  const uint32_t dataOffset = Get32(d + 10);
  const uint32_t infoSize = Get32(d + 14);
  int64_t width = 0, height = 0;
  int bits = 0;
  uint32_t compression = 0, coloursUsed = 0;
  uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
  size_t paletteEntry = 4;
  if (infoSize == 12) {
    width = Get16(d + 18);
    height = Get16(d + 20);  // unsigned: the core header has no top-down form
    bits = Get16(d + 24);
    paletteEntry = 3;
  } else if (infoSize >= 40 && infoSize <= 124 && size >= 14 + 40) {
    width = static_cast<int32_t>(Get32(d + 18));
    height = static_cast<int32_t>(Get32(d + 22));
    bits = Get16(d + 28);
    compression = Get32(d + 30);
    coloursUsed = Get32(d + 46);
    if (compression == 3) {
      // Masks follow the 40-byte header, or sit inside a longer one.
      if (size < 14 + 40 + 12) return kBadFormat;
      for (int i = 0; i < 3; ++i) masks[i] = Get32(d + 54 + 4 * i);
    } else if (compression != 0 && compression != 1 && compression != 2) {
      return kBadFormat;
    }
  } else {
    return kBadFormat;
  }
  const bool topDown = height < 0;
  height = topDown ? -height : height;
  if (width <= 0 || height <= 0 || width * height > kMaxPixels) return kBadFormat;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return kBadFormat;
  if (compression == 3 && bits != 16 && bits != 32) return kBadFormat;
  const bool rle = compression == 1 || compression == 2;
  if (rle && (topDown || bits != (compression == 1 ? 8 : 4))) return kBadFormat;
  // A few bytes of RLE codes may claim millions of pixels; real files,
  // blank rows ended by their 2-byte codes included, stay far below this.
  if (rle && width * height > kRlePixelsPerByte * static_cast<int64_t>(size) + kRleFreePixels) return kBadFormat;
  if (bits == 16 && compression == 0) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;

  // Palette.
  uint32_t palette[256] = {};
  const size_t paletteAt = 14 + size_t{infoSize} + (compression == 3 && infoSize == 40 ? 12 : 0);
  if (bits <= 8) {
    const size_t count = std::min<size_t>(coloursUsed ? coloursUsed : (1u << bits), 256);
    if (paletteAt + count * paletteEntry > size) return kBadFormat;
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* p = d + paletteAt + i * paletteEntry;
      palette[i] = static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
    }
  }
  const size_t stride = static_cast<size_t>((width * bits + 31) / 32 * 4);
  if (dataOffset > size) return kBadFormat;
  const uint8_t* pixels = d + dataOffset;
  std::vector<uint8_t> expanded;
  if (rle) {
    ExpandRle(pixels, d + size, bits, width, height, stride, expanded);
    pixels = expanded.data();
  } else if ((size - dataOffset) / stride < static_cast<size_t>(height)) {
    return kBadFormat;
  }
  auto rowData = [&](int64_t y) {  // y counted from the top
    const int64_t stored = topDown ? y : height - 1 - y;
    return pixels + static_cast<size_t>(stored) * stride;
  };
  auto brightness = [](uint32_t c) { return (c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF); };

  const int w = static_cast<int>(width), h = static_cast<int>(height);
  if (bits == 1) {
    // Whichever palette colour is darker is black.
    const bool oneIsBlack = brightness(palette[1]) < brightness(palette[0]);
    out.monochrome = true;
    out.mono.resize(w, h);
    for (int y = 0; y < h; ++y) {
      const uint8_t* src = rowData(y);
      uint8_t* dst = out.mono.row(y);
      for (int i = 0; i < out.mono.pitch; ++i) dst[i] = oneIsBlack ? src[i] : static_cast<uint8_t>(~src[i]);
      if (w % 8) dst[out.mono.pitch - 1] &= static_cast<uint8_t>(0xFF << (8 - w % 8));
    }
    return 0;
  }
  out.monochrome = false;
  out.width = w;
  out.height = h;
  out.rgb.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = rowData(y);
    uint32_t* dst = out.rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
    for (int x = 0; x < w; ++x) {
      uint32_t c = 0;
      switch (bits) {
        case 4: c = palette[(src[x / 2] >> (x % 2 ? 0 : 4)) & 15]; break;
        case 8: c = palette[src[x]]; break;
        case 16:
        case 32: {
          const uint32_t px = bits == 16 ? Get16(src + 2 * x) : Get32(src + 4 * x);
          c = MaskValue(px, masks[0]) << 16 | MaskValue(px, masks[1]) << 8 | MaskValue(px, masks[2]);
          break;
        }
        default: c = static_cast<uint32_t>(src[3 * x + 2]) << 16 | static_cast<uint32_t>(src[3 * x + 1]) << 8 | src[3 * x];
      }
      dst[x] = c;
    }
  }
  return 0;
}

int LoadBmpFile(const std::string& name, SourceBitmap& out) {
  std::string data;
  if (int rc = ReadWholeFile(name, data, kMaxBmpFile); rc < 0) return rc;
  return DecodeBmp(reinterpret_cast<const uint8_t*>(data.data()), data.size(), out);
}

std::unique_ptr<FaxInputReader> NewBmpReader() { return std::make_unique<BitmapReader>(nullptr, true); }
std::unique_ptr<FaxInputReader> NewBitmapReader(std::shared_ptr<const SourceBitmap> bitmap) {
  return std::make_unique<BitmapReader>(std::move(bitmap), false);
}
std::unique_ptr<FaxInputReader> NewUserReader(UserLineSource source, std::string defaultExtension) {
  return std::make_unique<UserReader>(std::move(source), std::move(defaultExtension));
}

}  // namespace telvane
