#include "faximage/unpacker_core.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "faximage/apf_reader.h"
#include "faximage/image_status.h"
#include "faximage/pcx_format.h"
#include "faximage/t4_decoder.h"
#include "platform/io_errors.h"
#include "platform/posix_file.h"

namespace telvane {

int SetWhitespace(UnpackerCore& core, int from, int to) {
  if (from < to || (from == 0 && to != 0) || to < 0) return -image_status::BadArgument;
  core.whitespaceFrom = from;
  core.whitespaceTo = to;
  return 0;
}

void SetUnpackFlags(UnpackerCore& core, unsigned flags) {
  constexpr unsigned both = unpack_flag::DoubleHeight | unpack_flag::HalfWidth;
  if ((flags & both) == both) flags &= ~both;
  if (flags & unpack_flag::DoubleHeight) core.flags &= ~unpack_flag::HalfWidth;
  if (flags & unpack_flag::HalfWidth) core.flags &= ~unpack_flag::DoubleHeight;
  core.flags |= flags;
}

void ClearUnpackFlags(UnpackerCore& core, unsigned flags) { core.flags &= ~flags; }

void SetScaling(UnpackerCore& core, int hm, int hd, int vm, int vd) {
  if (hm > 0) core.horizMult = hm;
  if (hd > 0) core.horizDiv = hd;
  if (vm > 0) core.vertMult = vm;
  if (vd > 0) core.vertDiv = vd;
}

int ReadFaxHeader(const std::string& fileName, ApfFileHeader& header) { return ReadApfHeader(fileName, header); }

namespace {

// Emits one decoded (or empty) line with the page's square-pixel adaptation.
void Emit(UnpackerCore& c, const uint8_t* line, int length) {
  if (!c.outputLine) return;
  const bool standard = !c.pageHeader.fine();
  if (standard && (c.flags & unpack_flag::HalfWidth)) {
    uint8_t half[T4Decoder::kLineBufferBytes / 2 + 1] = {};
    const int n = length / 2;
    for (int i = 0; i < n; ++i) {
      // Each output pixel is the OR of two neighbours: 16 pixels -> 8.
      const unsigned w = static_cast<unsigned>(line[2 * i] << 8 | line[2 * i + 1]);
      uint8_t b = 0;
      for (int k = 0; k < 8; ++k)
        if (w & (0xC000u >> (2 * k))) b |= static_cast<uint8_t>(0x80 >> k);
      half[i] = b;
    }
    c.outputLine(kUnpackLine, half, c.page, n);
    return;
  }
  c.outputLine(kUnpackLine, line, c.page, length);
  if (standard && (c.flags & unpack_flag::DoubleHeight)) c.outputLine(kUnpackLine, line, c.page, length);
}

void EmitHeldWhite(UnpackerCore& c, bool pageEnd) {
  if (c.whiteHeld == 0) return;
  int count = c.whiteHeld >= c.whitespaceFrom ? c.whitespaceTo : c.whiteHeld;
  if (pageEnd && c.whitespaceFrom == c.whitespaceTo) count = 0;
  c.whiteHeld = 0;
  for (int i = 0; i < count; ++i) Emit(c, nullptr, 0);
}

void WhitespaceStage(UnpackerCore& c, const uint8_t* line, size_t length) {
  if (c.whitespaceFrom > 0 && c.whitespaceTo > 0) {
    bool white = true;
    for (size_t i = 0; i < length && white; ++i) white = line[i] == 0;
    if (white) {
      ++c.whiteHeld;
      return;
    }
    EmitHeldWhite(c, false);
  }
  Emit(c, line, static_cast<int>(length));
}

}  // namespace

int UnpackPage(UnpackerCore& c, const std::string& fileName, int page) {
  ApfPageReader reader;
  if (int rc = reader.open(fileName, page); rc < 0) return rc;
  c.page = page;
  c.fileHeader = reader.fileHeader();
  c.pageHeader = reader.pageHeader();
  c.imageLength = c.pageHeader.imageLength;
  c.bytesRead = 0;
  c.whiteHeld = 0;
  c.flags &= ~unpack_flag::Abort;
  c.aborted = false;
  if (c.outputLine) c.outputLine(kUnpackStarting, nullptr, page, 0);
  T4Decoder decoder([&c](const uint8_t* line, size_t bytes) { WhitespaceStage(c, line, bytes); });
  uint8_t buffer[apf::kMaxRecord];
  int rc = 0;
  uint64_t lastYieldLine = ~0ull;
  for (;;) {
    const long n = reader.next(buffer);
    if (n < 0) {
      rc = static_cast<int>(n);
      break;
    }
    if (n == 0) {
      decoder.finish();
      break;
    }
    const bool more = decoder.feed(buffer, static_cast<size_t>(n));
    c.bytesRead = std::min<uint64_t>(reader.consumed(), c.imageLength);
    if (c.status) c.status(fileName, page, c.bytesRead, c.imageLength);
    if ((c.flags & unpack_flag::Yield) && c.yield && decoder.lines() % 16 == 0 && decoder.lines() != lastYieldLine) {
      lastYieldLine = decoder.lines();
      c.yield();
    }
    // An abort ends the page where it stands: the caller (a cancelled
    // print, a closed viewer) gets the lines decoded so far, not an error.
    if (c.flags & unpack_flag::Abort) {
      c.aborted = true;
      break;
    }
    if (!more) break;
  }
  c.badCodes = decoder.badCodes();
  c.linesDecoded = decoder.lines();
  if (rc == 0) EmitHeldWhite(c, true);
  if (c.status) c.status(fileName, page, c.bytesRead, c.imageLength);
  if (c.outputLine) c.outputLine(kUnpackEnding, nullptr, page, 0);
  return rc;
}

int StretchBitmap(const MonoBitmap& in, int width, int height, MonoBitmap& out) {
  if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > (int64_t{1} << 28))
    return -image_status::CantMakeBitmap;
  try {
    out.resize(width, height);
  } catch (const std::bad_alloc&) {
    return -image_status::CantMakeBitmap;
  }
  // Source column range of every destination column.
  std::vector<int> x0(static_cast<size_t>(width)), x1(static_cast<size_t>(width));
  for (int x = 0; x < width; ++x) {
    x0[static_cast<size_t>(x)] = static_cast<int>(int64_t{x} * in.width / width);
    x1[static_cast<size_t>(x)] = std::max(x0[static_cast<size_t>(x)] + 1, static_cast<int>(int64_t{x + 1} * in.width / width));
  }
  std::vector<uint8_t> merged(static_cast<size_t>(in.pitch) + 1);
  for (int y = 0; y < height; ++y) {
    const int y0 = static_cast<int>(int64_t{y} * in.height / height);
    const int y1 = std::max(y0 + 1, static_cast<int>(int64_t{y + 1} * in.height / height));
    std::fill(merged.begin(), merged.end(), 0);
    for (int sy = y0; sy < y1 && sy < in.height; ++sy) {
      const uint8_t* r = in.row(sy);
      for (int i = 0; i < in.pitch; ++i) merged[static_cast<size_t>(i)] |= r[i];
    }
    uint8_t* dst = out.row(y);
    for (int x = 0; x < width; ++x) {
      bool black = false;
      for (int sx = x0[static_cast<size_t>(x)]; sx < x1[static_cast<size_t>(x)] && sx < in.width && !black; ++sx)
        black = (merged[static_cast<size_t>(sx >> 3)] >> (7 - (sx & 7))) & 1;
      if (black) dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  }
  return 0;
}

int UnpackPageToBitmap(UnpackerCore& c, const std::string& fileName, int page, MonoBitmap& out) {
  constexpr size_t kGrowRows = 1024;  // 256 KB at a time
  c.rows = 0;
  c.widestRow = 1;
  c.droppedRows = false;
  try {
    c.image.assign(kGrowRows * kBuildPitch, 0);
  } catch (const std::bad_alloc&) {
    return -io_error::NotEnoughMemory;
  }
  bool memoryFailed = false;
  auto previous = c.outputLine;
  c.outputLine = [&](int flag, const uint8_t* line, int, int length) {
    if (flag != kUnpackLine || memoryFailed) return;
    if (c.rows >= kMaxBitmapRows) {
      c.droppedRows = true;
      return;
    }
    if (static_cast<size_t>(c.rows + 1) * kBuildPitch > c.image.size()) {
      try {
        c.image.resize(c.image.size() + kGrowRows * kBuildPitch, 0);
      } catch (const std::bad_alloc&) {
        memoryFailed = true;
        return;
      }
    }
    uint8_t* row = c.image.data() + static_cast<size_t>(c.rows) * kBuildPitch;
    const int n = std::min(length, kBuildPitch);
    if (n > 0) std::memcpy(row, line, static_cast<size_t>(n));
    for (int i = n - 1; i >= 0; --i)
      if (row[i]) {
        c.widestRow = std::max(c.widestRow, i + 1);
        break;
      }
    ++c.rows;
  };
  const int rc = UnpackPage(c, fileName, page);
  c.outputLine = std::move(previous);
  // A page whose data breaks off still shows the lines read before the
  // break when the caller asked for them; the error is returned as well.
  if (rc < 0 && !(c.keepPartialPage && c.rows > 0)) return rc;
  if (memoryFailed) return -io_error::NotEnoughMemory;

  int widthBytes = std::max(c.widestRow, c.pageHeader.wide() ? 256 : 216);
  widthBytes = std::min((widthBytes + 1) & ~1, kBuildPitch);
  MonoBitmap packed;
  try {
    packed.resize(widthBytes * 8, c.rows);
  } catch (const std::bad_alloc&) {
    return -io_error::NotEnoughMemory;
  }
  for (int y = 0; y < c.rows; ++y)
    std::memcpy(packed.row(y), c.image.data() + static_cast<size_t>(y) * kBuildPitch, static_cast<size_t>(widthBytes));
  c.image.clear();
  c.image.shrink_to_fit();
  if (c.horizMult != 1 || c.horizDiv != 1 || c.vertMult != 1 || c.vertDiv != 1) {
    const int64_t w = int64_t{c.horizMult} * packed.width / c.horizDiv;
    const int64_t h = int64_t{c.vertMult} * packed.height / c.vertDiv;
    if (w > (1 << 20) || h > (1 << 20)) return -image_status::CantMakeBitmap;
    if (int stretched = StretchBitmap(packed, static_cast<int>(w), static_cast<int>(h), out); stretched < 0)
      return stretched;
    return rc;
  }
  out = std::move(packed);
  return rc;
}

std::vector<uint8_t> EncodePcx(const MonoBitmap& b) {
  std::vector<uint8_t> out(pcx::kHeaderSize, 0);
  const int bytesPerRow = b.pitch;
  out[pcx::kManufacturer] = 10;
  out[pcx::kVersion] = 2;
  out[pcx::kEncoding] = 1;
  out[pcx::kBitsPerPixel] = 1;
  Put16(&out[pcx::kXmax], static_cast<uint32_t>(bytesPerRow * 8 - 1));
  Put16(&out[pcx::kYmax], static_cast<uint32_t>(std::max(b.height - 1, 0)));
  out[pcx::kPlanes] = 1;
  Put16(&out[pcx::kBytesPerLine], static_cast<uint32_t>(bytesPerRow));
  out.reserve(out.size() + static_cast<size_t>(b.height) * 8);
  for (int y = 0; y < b.height; ++y) {
    const uint8_t* r = b.row(y);
    for (int i = 0; i < bytesPerRow;) {
      const uint8_t v = static_cast<uint8_t>(~r[i]);  // PCX: set bit = white
      int run = 1;
      while (i + run < bytesPerRow && run < 63 && static_cast<uint8_t>(~r[i + run]) == v) ++run;
      if (run >= 2 || v >= pcx::kRunMark) {
        out.push_back(static_cast<uint8_t>(pcx::kRunMark + run));
        out.push_back(v);
      } else {
        out.push_back(v);
      }
      i += run;
    }
  }
  return out;
}

int WritePcxFile(const std::string& fileName, const MonoBitmap& bitmap) {
  PosixFile f;
  if (int rc = f.open(fileName, PosixFile::Mode::Create); rc < 0) return rc;
  const std::vector<uint8_t> data = EncodePcx(bitmap);
  if (int rc = f.write(data.data(), data.size()); rc < 0) return rc;
  return f.close();
}

int WriteDcxFile(const std::string& fileName, const MonoBitmap& bitmap) {
  PosixFile f;
  if (int rc = f.open(fileName, PosixFile::Mode::Create); rc < 0) return rc;
  std::vector<uint8_t> table(pcx::kDcxHeaderSize, 0);
  Put32(table.data(), pcx::kDcxSignature);
  if (int rc = f.write(table.data(), table.size()); rc < 0) return rc;
  const std::vector<uint8_t> image = EncodePcx(bitmap);
  if (int rc = f.write(image.data(), image.size()); rc < 0) return rc;
  // The table is rewritten once the image offsets are known.
  Put32(&table[4], static_cast<uint32_t>(pcx::kDcxHeaderSize));
  if (int rc = f.seek(0); rc < 0) return rc;
  if (int rc = f.write(table.data(), table.size()); rc < 0) return rc;
  return f.close();
}

}  // namespace telvane

namespace telvane {

std::vector<uint8_t> EncodeBmp(const MonoBitmap& b) {
  // File header (14) + info header (40) + two palette entries (8).
  constexpr size_t kDataOffset = 14 + 40 + 8;
  const size_t stride = static_cast<size_t>((b.width + 31) / 32 * 4);
  std::vector<uint8_t> out(kDataOffset + stride * static_cast<size_t>(b.height), 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(&out[2], static_cast<uint32_t>(out.size()));
  Put32(&out[10], kDataOffset);
  Put32(&out[14], 40);
  Put32(&out[18], static_cast<uint32_t>(b.width));
  Put32(&out[22], static_cast<uint32_t>(b.height));
  Put16(&out[26], 1);  // planes
  Put16(&out[28], 1);  // bits per pixel
  Put32(&out[38], 7874);  // 200 dpi in pixels per metre
  Put32(&out[42], 7874);
  Put32(&out[46], 2);
  // Palette: index 0 white, index 1 black, so rows are stored as they are.
  out[54] = out[55] = out[56] = 0xFF;
  for (int y = 0; y < b.height; ++y)
    std::memcpy(&out[kDataOffset + static_cast<size_t>(b.height - 1 - y) * stride], b.row(y),
                static_cast<size_t>(b.pitch));
  return out;
}

int WriteBmpFile(const std::string& fileName, const MonoBitmap& bitmap) {
  PosixFile f;
  if (int rc = f.open(fileName, PosixFile::Mode::Create); rc < 0) return rc;
  const std::vector<uint8_t> data = EncodeBmp(bitmap);
  if (int rc = f.write(data.data(), data.size()); rc < 0) return rc;
  return f.close();
}

}  // namespace telvane
