#include "faximage/t4_encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "faximage/t4_codes.h"

namespace telvane {
namespace {

// Accumulates LSB-first bits into a 64-bit word and stores whole 32-bit
// groups; the caller guarantees the room.
class BitWriter {
public:
  explicit BitWriter(uint8_t* out) : out_(out) {}
  void put(t4::CodeWord w) {
    acc_ |= static_cast<uint64_t>(w.code) << n_;
    n_ += w.bits;
  }
  void putBits(uint32_t bits, int count) {
    acc_ |= static_cast<uint64_t>(bits) << n_;
    n_ += count;
  }
  void spill() {
    if (n_ >= 32) {
      const uint32_t low = static_cast<uint32_t>(acc_);
      std::memcpy(out_ + bytes_, &low, 4);  // little-endian host: LSB first
      bytes_ += 4;
      acc_ >>= 32;
      n_ -= 32;
    }
  }
  // Writes the pending bits (zero-filled to a byte); returns total bits.
  uint64_t finish() {
    const uint64_t bits = bytes_ * 8ull + static_cast<uint64_t>(n_);
    while (n_ > 0) {
      out_[bytes_++] = static_cast<uint8_t>(acc_);
      acc_ >>= 8;
      n_ -= 8;
    }
    n_ = 0;
    return bits;
  }

private:
  uint8_t* out_;
  size_t bytes_ = 0;
  uint64_t acc_ = 0;
  int n_ = 0;
};
static_assert(std::endian::native == std::endian::little, "the bit writer stores little-endian words");

inline void PutRun(BitWriter& w, const t4::ReversedTables& t, int colour, int run) {
  while (run > t4::kMaxRun) {  // only on lines wider than any fax page
    w.put(t.makeup[colour][t4::kMakeupCount - 1]);
    w.spill();
    run -= t4::kMaxRun;
  }
  if (run >= 64) w.put(t.makeup[colour][run / 64 - 1]);
  w.put(t.terminating[colour][run & 63]);
  w.spill();
}

bool IsBlank(const uint8_t* raster, int bytes);

inline uint64_t Load64BigEndian(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return __builtin_bswap64(v);
}

inline int FindChange(const uint8_t* row, int pos, int end, bool black) {
  if (pos >= end) return end;
  const uint64_t flip = black ? ~0ull : 0ull;
  const int readable = (end + 7) >> 3;  // bytes of the row that may be read
  // Most runs end within the next 57 pixels: one load and a count.
  if ((pos >> 3) + 8 <= readable) {
    const uint64_t v = (Load64BigEndian(row + (pos >> 3)) ^ flip) << (pos & 7);
    if (v) return std::min(end, pos + std::countl_zero(v));
    pos = (pos & ~7) + 64;
    while ((pos >> 3) + 8 <= readable) {
      const uint64_t w = Load64BigEndian(row + (pos >> 3)) ^ flip;
      if (w) return std::min(end, pos + std::countl_zero(w));
      pos += 64;
    }
    if (pos >= end) return end;
  }
  const uint8_t flip8 = static_cast<uint8_t>(flip);
  if (pos & 7) {
    const uint8_t b = static_cast<uint8_t>((row[pos >> 3] ^ flip8) & (0xFF >> (pos & 7)));
    if (b) return std::min(end, (pos & ~7) + std::countl_zero(b));
    pos = (pos | 7) + 1;
  }
  while (pos < end) {
    const uint8_t b = static_cast<uint8_t>(row[pos >> 3] ^ flip8);
    if (b) return std::min(end, pos + std::countl_zero(b));
    pos += 8;
  }
  return end;
}

// Emits the runs of one line. Returns nothing; the writer holds the bits.
void WriteRuns(BitWriter& w, const uint8_t* raster, const LineCoding& c) {
  const auto& t = t4::LsbFirstTables();
  const int W = c.width;
  const int M = std::clamp(c.leftMargin, 0, W);
  const int end = W - M;  // image pixels taken from the raster
  if (end == 0 || IsBlank(raster, W / 8)) {
    PutRun(w, t, 0, W);
    return;
  }
  const int mult = c.doubleWidth ? 2 : 1;
  int total = 0;    // pixels already coded
  int pending = M;  // the run being accumulated
  int colour = 0;
  if (raster[0] & 0x80) {  // first image pixel black: the margin stands alone
    PutRun(w, t, 0, M);
    total = M;
    pending = 0;
    colour = 1;
  }
  int pos = 0;
  if (mult == 1) {  // the usual case: the runs add up to W by themselves
    // Short white-black pairs (halftones, text strokes) go out as one word.
    static const auto pairs = [] {
      std::vector<uint32_t> p(64 * 64);
      const auto& tt = t4::LsbFirstTables();
      for (int a = 0; a < 64; ++a)
        for (int b = 0; b < 64; ++b) {
          const t4::CodeWord x = tt.terminating[0][a], y = tt.terminating[1][b];
          p[static_cast<size_t>(a * 64 + b)] =
              (x.code | static_cast<uint32_t>(y.code) << x.bits) | static_cast<uint32_t>(x.bits + y.bits) << 27;
        }
      return p;
    }();
    const int readable = (end + 7) >> 3;
    BitWriter bw = w;  // a local copy stays in registers
    for (;;) {
      if (colour) {  // only at the line's start: a black first pixel
        const int next = FindChange(raster, pos, end, true);
        PutRun(bw, t, 1, next - pos);
        pos = next;
        colour = 0;
        if (pos >= end) break;
        continue;
      }
      int mid, next;
      // Both runs from one 64-bit window when they fit in it.
      const uint64_t v = (pos >> 3) + 8 <= readable ? Load64BigEndian(raster + (pos >> 3)) << (pos & 7) : 0;
      const int avail = 64 - (pos & 7);
      const int wr = std::countl_zero(v);
      const int br = wr < avail ? std::countl_zero(~(v << wr)) : 64;
      if (wr + br < avail) {
        mid = std::min(end, pos + wr);
        next = std::min(end, mid + br);
      } else {
        mid = FindChange(raster, pos, end, false);
        next = mid < end ? FindChange(raster, mid, end, true) : end;
      }
      const int white = pending + mid - pos;
      const int black = next - mid;
      pending = 0;
      pos = next;
      if (mid >= end) {
        PutRun(bw, t, 0, white);
        break;
      }
      if (white < 64 && black < 64) {
        const uint32_t word = pairs[static_cast<size_t>(white * 64 + black)];
        bw.putBits(word & 0x07FFFFFF, static_cast<int>(word >> 27));
        bw.spill();
      } else {
        PutRun(bw, t, 0, white);
        PutRun(bw, t, 1, black);
      }
      if (pos >= end) break;
    }
    w = bw;
    return;
  }
  for (;;) {
    const int next = FindChange(raster, pos, end, colour != 0);
    pending += (next - pos) * mult;
    pos = next;
    if (pos >= end || total + pending >= W) {
      PutRun(w, t, colour, W - total);  // the last run ends the line at W
      return;
    }
    PutRun(w, t, colour, pending);
    total += pending;
    pending = 0;
    colour ^= 1;
  }
}

}  // namespace

int FindColourChange(const uint8_t* row, int pos, int end, bool black) {
  return FindChange(row, pos, end, black);
}

namespace {
bool IsBlank(const uint8_t* raster, int bytes) {
  int i = 0;
  for (; i + 8 <= bytes; i += 8) {
    uint64_t v;
    std::memcpy(&v, raster + i, 8);
    if (v) return false;
  }
  for (; i < bytes; ++i)
    if (raster[i]) return false;
  return true;
}

// The record of an all-white line of `width` pixels, coded once per width
// (most lines of a page are white).
struct BlankRecord {
  uint8_t bytes[16];
  size_t length;
};
const BlankRecord& BlankRecordFor(int width) {
  static const auto make = [](int w) {
    BlankRecord r{};
    BitWriter bw(r.bytes);
    bw.put(t4::LsbFirstTables().filledEol);
    PutRun(bw, t4::LsbFirstTables(), 0, w);
    const uint64_t bits = bw.finish();
    r.length = static_cast<size_t>(bits / 8) + 2;
    return r;
  };
  static const BlankRecord standard = make(1728), wide = make(2048);
  return width == 2048 ? wide : standard;
}
}  // namespace

size_t EncodeLineRecord(const uint8_t* raster, const LineCoding& coding, uint8_t* out) {
  if ((coding.width == 1728 || coding.width == 2048) && IsBlank(raster, coding.width / 8)) {
    const BlankRecord& r = BlankRecordFor(coding.width);
    std::memcpy(out, r.bytes, r.length);
    return r.length;
  }
  BitWriter w(out);
  w.put(t4::LsbFirstTables().filledEol);
  WriteRuns(w, raster, coding);
  const uint64_t bits = w.finish();
  const size_t next = static_cast<size_t>(bits / 8);  // byte holding the next free bit
  if (bits % 8 == 0) out[next] = 0;
  out[next + 1] = 0;
  return next + 2;
}

void AppendLineRuns(const uint8_t* raster, const LineCoding& coding, std::vector<uint8_t>& stream,
                    uint64_t& bitCount) {
  uint8_t line[kCodedLineCapacity + 16];
  BitWriter w(line);
  // Start with the partial last byte of the stream so the runs continue it.
  const int used = static_cast<int>(bitCount % 8);
  if (used) {
    w.put({static_cast<uint16_t>(stream.back() & ((1u << used) - 1)), static_cast<uint8_t>(used)});
    stream.pop_back();
  }
  WriteRuns(w, raster, coding);
  const uint64_t bits = w.finish();
  stream.insert(stream.end(), line, line + (bits + 7) / 8);
  bitCount = bitCount - static_cast<uint64_t>(used) + bits;
}

}  // namespace telvane
