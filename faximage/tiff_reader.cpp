// TIFF input (idTiff): the first image of a bilevel TIFF file, uncompressed
// or PackBits.
//
// TIFF 6.0 layout used here (all offsets from the start of the file):
// | Offset | Size | Field                                             |
// |--------|------|---------------------------------------------------|
// | 0      | 2    | byte order, "II" (little-endian) or "MM" (big)     |
// | 2      | 2    | 42                                                |
// | 4      | 4    | offset of the first image file directory (IFD)     |
// IFD: a 2-byte entry count, then 12-byte entries:
// | 0 | 2 | tag | 2 | 2 | type (3 SHORT, 4 LONG) | 4 | 4 | count | 8 | 4 | value, or offset of the values when they need more than 4 bytes |

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "faximage/image_readers.h"
#include "faximage/image_status.h"
#include "platform/file_helpers.h"

namespace telvane {
namespace {

constexpr uint64_t kMaxTiffFile = 256ull << 20;

namespace tag {
constexpr int SubfileType = 255, ImageWidth = 256, ImageLength = 257, BitsPerSample = 258, Compression = 259,
              Photometric = 262, FillOrder = 266, StripOffsets = 273, RowsPerStrip = 278, StripByteCounts = 279,
              ColorMap = 320;
}
constexpr int kTypeShort = 3;  // any other type is read as LONG (4)
constexpr int kCompressionNone = 1, kCompressionPackBits = 32773;
constexpr uint32_t kPhotometricPalette = 3;

constexpr int kEndOfFile = -image_status::DeviceReadError;
constexpr int kBadFormat = -image_status::BadGraphicsFormat;

uint8_t ReverseBits(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

class TiffReader : public FaxInputReader {
public:
  std::string_view defaultExtension() const override { return "TIF"; }

  int open(ConverterCore& core, const std::string& fileName) override {
    if (int rc = ReadWholeFile(fileName, data_, kMaxTiffFile); rc < 0) return rc;
    if (int rc = parse(); rc < 0) return rc;
    core.bytesToRead = data_.size();
    core.bytesRead = 0;
    PlaceImage(core, static_cast<int>(std::min<uint32_t>(width_, 1u << 20)), false);
    strip_ = 0;
    rowInStrip_ = 0;
    row_ = 0;
    pos_ = strips_.empty() ? 0 : strips_[0];
    return 0;
  }

  int getLine(ConverterCore& core, uint8_t* raster, int& length, bool& endOfPage, bool& morePages) override {
    morePages = false;
    // Move on to the next strip when this one has given its rows.
    while (row_ < length_ && rowInStrip_ >= rowsInStrip(strip_)) {
      if (++strip_ >= strips_.size()) break;
      rowInStrip_ = 0;
      pos_ = strips_[strip_];
    }
    if (row_ >= length_ || strip_ >= strips_.size()) {
      endOfPage = true;
      return 0;
    }
    const size_t rowBytes = static_cast<size_t>((uint64_t{width_} + 7) / 8);  // no wrap near 2^32
    const size_t kept = std::min<size_t>(rowBytes, kRasterBufferSize);
    if (compression_ == kCompressionNone) {
      if (pos_ > data_.size() || data_.size() - pos_ < rowBytes) return kEndOfFile;
      std::memcpy(raster, data_.data() + pos_, kept);
      pos_ += rowBytes;
      if (fillOrder_ == 2)
        for (size_t i = 0; i < kept; ++i) raster[i] = ReverseBits(raster[i]);
    } else if (int rc = unpackBits(raster, rowBytes, kept); rc < 0) {
      return rc;
    }
    if (photometric_ != 0) {  // BlackIsZero: the raster wants set bits black
      for (size_t i = 0; i < kept; ++i) raster[i] = static_cast<uint8_t>(~raster[i]);
      if (kept == rowBytes && width_ % 8) raster[kept - 1] &= static_cast<uint8_t>(0xFF << (8 - width_ % 8));
    }
    length = static_cast<int>(kept);
    ++row_;
    ++rowInStrip_;
    core.bytesRead = std::min<uint64_t>(pos_, data_.size());
    return 0;
  }

  void close(ConverterCore&) override {
    data_.clear();
    data_.shrink_to_fit();
  }

private:
  uint16_t get16(size_t at) const {
    const auto* p = reinterpret_cast<const uint8_t*>(data_.data()) + at;
    return bigEndian_ ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[0] | p[1] << 8);
  }
  uint32_t get32(size_t at) const {
    return bigEndian_ ? (static_cast<uint32_t>(get16(at)) << 16 | get16(at + 2))
                      : (get16(at) | static_cast<uint32_t>(get16(at + 2)) << 16);
  }
  bool has(uint64_t at, uint64_t size) const { return at <= data_.size() && data_.size() - at >= size; }

  struct Entry {
    int type = 0;
    uint32_t count = 0;
    size_t values = 0;  // where the values are
    bool present = false;
  };

  // Value i of an entry (SHORT or LONG; other types read as LONG).
  int value(const Entry& e, uint32_t i, uint32_t& out) const {
    const size_t size = e.type == kTypeShort ? 2 : 4;
    const size_t at = e.values + size * i;
    if (!has(at, size)) return kEndOfFile;
    out = size == 2 ? get16(at) : get32(at);
    return 0;
  }

  int parse() {
    if (data_.size() < 8) return kBadFormat;
    if (data_.compare(0, 2, "II") == 0)
      bigEndian_ = false;
    else if (data_.compare(0, 2, "MM") == 0)
      bigEndian_ = true;
    else
      return kBadFormat;
    if (get16(2) != 42) return kBadFormat;
    const uint32_t ifd = get32(4);
    if (!has(ifd, 2)) return kEndOfFile;
    const uint16_t entries = get16(ifd);
    if (!has(ifd + 2, uint64_t{entries} * 12)) return kEndOfFile;
    Entry e[280 - 255];
    size_t colorMap = 0;  // where a bilevel palette's six SHORTs lie (R0 R1 G0 G1 B0 B1)
    for (uint16_t i = 0; i < entries; ++i) {
      const size_t at = ifd + 2 + size_t{i} * 12;
      const int t = get16(at);
      if (t == tag::ColorMap && get16(at + 2) == kTypeShort && get32(at + 4) == 6) colorMap = get32(at + 8);
      if (t < tag::SubfileType || t > tag::StripByteCounts) continue;
      Entry& x = e[t - tag::SubfileType];
      x.present = true;
      x.type = get16(at + 2);
      x.count = get32(at + 4);
      const uint64_t bytes = uint64_t{x.count} * (x.type == kTypeShort ? 2 : 4);
      x.values = bytes <= 4 ? at + 8 : get32(at + 8);
    }
    auto entry = [&](int t) -> const Entry& { return e[t - tag::SubfileType]; };
    auto single = [&](int t, uint32_t fallback, uint32_t& out) -> int {
      out = fallback;
      if (!entry(t).present || entry(t).count == 0) return 0;
      return value(entry(t), 0, out);
    };
    if (!entry(tag::ImageWidth).present || !entry(tag::ImageLength).present || !entry(tag::StripOffsets).present ||
        entry(tag::StripOffsets).count == 0)
      return kBadFormat;
    uint32_t bits = 1, compression = kCompressionNone, rps = 0;
    if (int rc = single(tag::ImageWidth, 0, width_); rc < 0) return rc;
    if (int rc = single(tag::ImageLength, 0, length_); rc < 0) return rc;
    if (int rc = single(tag::BitsPerSample, 1, bits); rc < 0) return rc;
    if (int rc = single(tag::Compression, kCompressionNone, compression); rc < 0) return rc;
    if (int rc = single(tag::Photometric, 0, photometric_); rc < 0) return rc;
    if (int rc = single(tag::FillOrder, 1, fillOrder_); rc < 0) return rc;
    if (int rc = single(tag::RowsPerStrip, length_, rps); rc < 0) return rc;
    if (width_ == 0 || bits != 1) return kBadFormat;
    // A palette image whose colour 1 is the darker one stores black as 1,
    // as WhiteIsZero does; any other non-zero value stores black as 0.
    if (photometric_ == kPhotometricPalette && colorMap && has(colorMap, 12)) {
      const uint32_t bright0 = get16(colorMap) + get16(colorMap + 4) + get16(colorMap + 8);
      const uint32_t bright1 = get16(colorMap + 2) + get16(colorMap + 6) + get16(colorMap + 10);
      if (bright1 < bright0) photometric_ = 0;
    }
    if (compression != kCompressionNone && compression != kCompressionPackBits) return kBadFormat;
    compression_ = static_cast<int>(compression);
    rowsPerStrip_ = rps == 0 ? length_ : rps;
    const Entry& offsets = entry(tag::StripOffsets);
    strips_.clear();
    // More strips than rows are never needed; a hostile count stays bounded.
    const uint32_t count = std::min<uint32_t>(offsets.count, std::max<uint32_t>(length_, 1));
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t v = 0;
      if (int rc = value(offsets, i, v); rc < 0) return rc;
      strips_.push_back(v);
    }
    return 0;
  }

  uint32_t rowsInStrip(size_t strip) const {
    if (strip + 1 < strips_.size()) return rowsPerStrip_;
    const uint64_t before = uint64_t{rowsPerStrip_} * (strips_.size() - 1);
    return before >= length_ ? 0 : static_cast<uint32_t>(length_ - before);
  }

  // PackBits (TIFF 6.0 section 9): n < 128 copies n + 1 bytes, n > 128
  // repeats the next byte 257 - n times, 128 is a no-op. FillOrder 2
  // reverses the bits of the stored bytes, count bytes included (as libtiff
  // writes and reads them), so every byte is turned round as it is taken.
  int unpackBits(uint8_t* raster, size_t rowBytes, size_t kept) {
    size_t done = 0;
    const auto* d = reinterpret_cast<const uint8_t*>(data_.data());
    const bool reverse = fillOrder_ == 2;
    auto take = [&](size_t at) { return reverse ? ReverseBits(d[at]) : d[at]; };
    while (done < rowBytes) {
      if (pos_ >= data_.size()) return kEndOfFile;
      const uint8_t n = take(pos_++);
      if (n < 128) {
        const size_t count = size_t{n} + 1;
        if (data_.size() - pos_ < count) return kEndOfFile;
        for (size_t i = 0; i < count; ++i, ++done)
          if (done < kept) raster[done] = take(pos_ + i);
        pos_ += count;
      } else if (n > 128) {
        if (pos_ >= data_.size()) return kEndOfFile;
        const uint8_t b = take(pos_++);
        for (size_t i = 0, count = 257u - n; i < count; ++i, ++done)
          if (done < kept) raster[done] = b;
      }
    }
    return 0;
  }

  std::string data_;
  bool bigEndian_ = false;
  uint32_t width_ = 0, length_ = 0, photometric_ = 0, fillOrder_ = 1, rowsPerStrip_ = 0;
  int compression_ = kCompressionNone;
  std::vector<uint32_t> strips_;
  size_t strip_ = 0;
  uint32_t rowInStrip_ = 0, row_ = 0;
  size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<FaxInputReader> NewTiffReader() { return std::make_unique<TiffReader>(); }

}  // namespace telvane
