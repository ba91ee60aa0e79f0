// PCX (idPcx) and DCX (idDcx) input. Layouts in pcx_format.h.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "faximage/apf_format.h"
#include "faximage/image_readers.h"
#include "faximage/image_status.h"
#include "faximage/pcx_format.h"
#include "platform/file_helpers.h"

namespace telvane {
namespace {

constexpr uint64_t kMaxFile = 256ull << 20;
constexpr int kBadFormat = -image_status::BadGraphicsFormat;

// Decodes one PCX image held in [begin, end) of a buffer.
class PcxImage {
public:
  int start(ConverterCore& core, const uint8_t* begin, const uint8_t* end) {
    if (end - begin < static_cast<ptrdiff_t>(pcx::kHeaderSize)) return kBadFormat;
    const uint8_t* h = begin;
    if (h[pcx::kManufacturer] != 10 || h[pcx::kEncoding] != 1 || h[pcx::kBitsPerPixel] != 1) return kBadFormat;
    // A colour PCX (several planes) would decode as noise.
    if (h[pcx::kPlanes] > 1) return kBadFormat;
    const int xmin = Get16(h + pcx::kXmin), xmax = Get16(h + pcx::kXmax);
    if (xmax < xmin || xmax - xmin > core.width) return kBadFormat;
    width_ = xmax - xmin + 1;
    bytesPerLine_ = Get16(h + pcx::kBytesPerLine);
    if (bytesPerLine_ == 0) return kBadFormat;
    // The window's height bounds the rows: data behind them (the 256-colour
    // palette some writers append, 0x0C and 768 bytes) is not image.
    const int ymin = Get16(h + pcx::kYmin), ymax = Get16(h + pcx::kYmax);
    rowsLeft_ = ymax >= ymin ? ymax - ymin + 1 : -1;
    // A palette that names its two colours says which is black; files
    // without one (version 3, or all zero) keep the classic set bit = white.
    const uint8_t* pal = h + pcx::kPalette;
    const int bright0 = pal[0] + pal[1] + pal[2], bright1 = pal[3] + pal[4] + pal[5];
    invert_ = h[pcx::kVersion] == 3 || bright1 >= bright0;
    pos_ = begin + pcx::kHeaderSize;
    end_ = end;
    runLeft_ = 0;
    PlaceImage(core, width_, false);
    return 0;
  }

  // False when the data is exhausted.
  bool row(uint8_t* raster, int& length) {
    if (rowsLeft_ == 0) return false;
    const size_t kept = std::min<size_t>(bytesPerLine_, kRasterBufferSize);
    size_t done = 0;
    while (done < bytesPerLine_) {
      uint8_t b;
      if (runLeft_ > 0) {
        b = runByte_;
        --runLeft_;
      } else {
        if (pos_ >= end_) break;
        b = *pos_++;
        if (b >= pcx::kRunMark) {
          runLeft_ = b - pcx::kRunMark;
          if (pos_ >= end_) {
            runLeft_ = 0;
            break;
          }
          runByte_ = *pos_++;
          if (runLeft_ == 0) continue;
          b = runByte_;
          --runLeft_;
        }
      }
      if (done < kept) raster[done] = invert_ ? static_cast<uint8_t>(~b) : b;
      ++done;
    }
    if (done == 0) return false;
    // Pixels right of the image (row padding) come out white.
    const size_t imageBytes = std::min(kept, static_cast<size_t>((width_ + 7) / 8));
    for (size_t i = imageBytes; i < std::min(done, kept); ++i) raster[i] = 0;
    if (width_ % 8 && imageBytes == static_cast<size_t>((width_ + 7) / 8))
      raster[imageBytes - 1] &= static_cast<uint8_t>(0xFF << (8 - width_ % 8));
    length = static_cast<int>(std::min(done, kept));
    if (rowsLeft_ > 0) --rowsLeft_;
    return true;
  }

  const uint8_t* position() const { return pos_; }

private:
  int width_ = 0;
  size_t bytesPerLine_ = 0;
  const uint8_t* pos_ = nullptr;
  const uint8_t* end_ = nullptr;
  int runLeft_ = 0;
  uint8_t runByte_ = 0;
  int rowsLeft_ = -1;  // -1: until the data ends
  bool invert_ = true;
};

class PcxReader : public FaxInputReader {
public:
  explicit PcxReader(bool dcx) : dcx_(dcx) {}
  std::string_view defaultExtension() const override { return dcx_ ? "DCX" : "PCX"; }

  int open(ConverterCore& core, const std::string& fileName) override {
    if (int rc = ReadWholeFile(fileName, data_, kMaxFile); rc < 0) return rc;
    const auto* d = reinterpret_cast<const uint8_t*>(data_.data());
    images_.clear();
    if (dcx_) {
      if (data_.size() < 4 || Get32(d) != pcx::kDcxSignature) return kBadFormat;
      std::vector<uint32_t> offsets;
      for (size_t i = 0; i < pcx::kDcxMaxImages; ++i) {
        const size_t at = 4 + 4 * i;
        if (at + 4 > data_.size()) break;
        const uint32_t off = Get32(d + at);
        if (off == 0) break;
        if (off >= data_.size()) return kBadFormat;
        offsets.push_back(off);
      }
      if (offsets.empty()) return kBadFormat;
      // Each image runs to the next offset above it, or to the file's end.
      std::vector<uint32_t> sorted = offsets;
      std::sort(sorted.begin(), sorted.end());
      for (uint32_t off : offsets) {
        const auto next = std::upper_bound(sorted.begin(), sorted.end(), off);
        const size_t end = next == sorted.end() ? data_.size() : *next;
        images_.push_back({off, end});
      }
    } else {
      images_.push_back({0, data_.size()});
    }
    core.bytesToRead = data_.size();
    core.bytesRead = 0;
    current_ = 0;
    return startImage(core);
  }

  int getLine(ConverterCore& core, uint8_t* raster, int& length, bool& endOfPage, bool& morePages) override {
    if (pendingStart_) {
      if (int rc = startImage(core); rc < 0) return rc;
    }
    if (image_.row(raster, length)) {
      core.bytesRead = static_cast<uint64_t>(image_.position() - reinterpret_cast<const uint8_t*>(data_.data()));
      return 0;
    }
    endOfPage = true;
    morePages = current_ + 1 < images_.size();
    if (morePages) {
      ++current_;
      pendingStart_ = true;
    }
    return 0;
  }

  void close(ConverterCore&) override {
    data_.clear();
    data_.shrink_to_fit();
  }

private:
  int startImage(ConverterCore& core) {
    pendingStart_ = false;
    const auto* d = reinterpret_cast<const uint8_t*>(data_.data());
    return image_.start(core, d + images_[current_].first, d + images_[current_].second);
  }

  bool dcx_;
  std::string data_;
  std::vector<std::pair<size_t, size_t>> images_;
  size_t current_ = 0;
  bool pendingStart_ = false;
  PcxImage image_;
};

}  // namespace

std::unique_ptr<FaxInputReader> NewPcxReader() { return std::make_unique<PcxReader>(false); }
std::unique_ptr<FaxInputReader> NewDcxReader() { return std::make_unique<PcxReader>(true); }

}  // namespace telvane
