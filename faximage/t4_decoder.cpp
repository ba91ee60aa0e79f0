#include "faximage/t4_decoder.h"

#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "faximage/t4_codes.h"

namespace telvane {
namespace {

constexpr int kBits = t4_lookup::kLookupBits;
constexpr uint32_t kMask = (1u << kBits) - 1;

// Packed entry: value << 4 | bits.
struct Tables {
  std::array<uint16_t, 1u << kBits> entry[2];
  // Two terminating codes in a row (a run of this colour, then one of the
  // other) when both lie within the looked-up bits: halftone pages are
  // mostly such pairs. 0 when the bits do not start with a pair;
  // otherwise bits 0-3 the length, 8-13 the first run, 16-21 the second.
  std::array<uint32_t, 1u << kBits> pair[2];
  // The codes of an all-white line (make-up and terminating 0) of 1728
  // and of 2048 pixels: most lines of a page.
  uint32_t blank[2] = {};
  int blankBits[2] = {};
};

// Generated from the source tables: every code word (bit-reversed, so its
// first bit is bit 0) fills the entries whose low bits equal it; indexes no
// code word covers get kBad with the depth at which the prefix stopped
// matching any code; eleven leading zeros give kZeros.
const Tables& BuildTables() {
  static const Tables tables = [] {
    Tables t{};
    const auto& rev = t4::LsbFirstTables();
    for (int colour = 0; colour < 2; ++colour) {
      std::vector<t4::CodeWord> words;
      std::vector<uint16_t> values;
      for (int i = 0; i < t4::kTerminatingCount; ++i) {
        words.push_back(rev.terminating[colour][i]);
        values.push_back(static_cast<uint16_t>(i));
      }
      for (int i = 0; i < t4::kMakeupCount; ++i) {
        words.push_back(rev.makeup[colour][i]);
        values.push_back(static_cast<uint16_t>((i + 1) * 64));
      }
      for (uint32_t idx = 0; idx <= kMask; ++idx) {
        uint16_t packed = 0;
        if ((idx & 0x7FF) == 0) {
          packed = static_cast<uint16_t>(t4_lookup::kZeros << 4 | 11);
        } else {
          int matched = -1;
          for (size_t k = 0; k < words.size(); ++k) {
            const uint32_t m = (1u << words[k].bits) - 1;
            if ((idx & m) == words[k].code) matched = static_cast<int>(k);
          }
          if (matched >= 0) {
            packed = static_cast<uint16_t>(values[matched] << 4 | words[matched].bits);
          } else {
            // Depth at which this prefix stops being the prefix of any word
            // (the EOL included).
            int depth = 1;
            for (; depth <= kBits; ++depth) {
              const uint32_t m = (1u << depth) - 1;
              bool prefix = (idx & m & 0x7FF) == 0 && depth <= 12;  // EOL prefix
              for (const auto& w : words)
                if (w.bits >= depth && (w.code & m) == (idx & m)) prefix = true;
              if (!prefix) break;
            }
            packed = static_cast<uint16_t>(t4_lookup::kBad << 4 | std::min(depth, kBits));
          }
        }
        t.entry[colour][idx] = packed;
      }
    }
    for (int i = 0; i < 2; ++i) {
      const t4::CodeWord m = rev.makeup[0][(i ? 2048 : 1728) / 64 - 1], z = rev.terminating[0][0];
      t.blank[i] = m.code | static_cast<uint32_t>(z.code) << m.bits;
      t.blankBits[i] = m.bits + z.bits;
    }
    for (int colour = 0; colour < 2; ++colour)
      for (uint32_t idx = 0; idx <= kMask; ++idx) {
        const uint16_t first = t.entry[colour][idx];
        const int len1 = first & 15, v1 = first >> 4;
        if (v1 >= 64) continue;
        const uint16_t second = t.entry[colour ^ 1][idx >> len1];
        const int len2 = second & 15, v2 = second >> 4;
        if (v2 >= 64 || len1 + len2 > kBits) continue;
        t.pair[colour][idx] = static_cast<uint32_t>(len1 + len2) | static_cast<uint32_t>(v1) << 8 |
                              static_cast<uint32_t>(v2) << 16;
      }
    return t;
  }();
  return tables;
}

// Sets `count` pixels from `from`; the line buffer has 8 bytes of slack
// behind its last byte, so short runs take one 64-bit store.
inline void SetBits(uint8_t* line, int from, int count) {
  if (count <= 56) {
    if (count == 0) return;
    uint64_t w;
    std::memcpy(&w, line + (from >> 3), 8);
    w |= __builtin_bswap64((~0ull << (64 - count)) >> (from & 7));
    std::memcpy(line + (from >> 3), &w, 8);
    return;
  }
  const int to = from + count;
  const int fb = from >> 3, tb = to >> 3;
  if (fb == tb) {
    line[fb] |= static_cast<uint8_t>((0xFF >> (from & 7)) & ~(0xFF >> (to & 7)));
    return;
  }
  line[fb] |= static_cast<uint8_t>(0xFF >> (from & 7));
  if (tb > fb + 1) std::memset(line + fb + 1, 0xFF, static_cast<size_t>(tb - fb - 1));
  if (to & 7) line[tb] |= static_cast<uint8_t>(~(0xFF >> (to & 7)));
}

}  // namespace

namespace t4_lookup {
Entry Lookup(int colour, uint32_t nextBits) {
  const uint16_t e = BuildTables().entry[colour & 1][nextBits & kMask];
  return {static_cast<uint16_t>(e >> 4), static_cast<uint8_t>(e & 15)};
}
}  // namespace t4_lookup

T4Decoder::T4Decoder(LineSink sink) : sink_(std::move(sink)) {
  BuildTables();
  reset();
}

void T4Decoder::reset() {
  acc_ = 0;
  bits_ = 0;
  zeroRun_ = skipOnes_ = seenEol_ = ended_ = false;
  colour_ = eolCount_ = pos_ = dirty_ = 0;
  badCodes_ = lines_ = 0;
  std::memset(line_, 0, sizeof line_);
}

bool T4Decoder::feed(const uint8_t* data, size_t size) {
  if (ended_) return false;
  in_ = data;
  inEnd_ = data + size;
  decode(false);
  in_ = inEnd_ = nullptr;
  return !ended_;
}

void T4Decoder::finish() {
  if (ended_) return;
  decode(true);
  // Data that ends without an end-of-page signal (TIFF strips, a received
  // page cut short) still has its last complete line.
  if (!ended_ && seenEol_ && ((pos_ >> 3) == 216 || (pos_ >> 3) == 256)) {
    ++lines_;
    sink_(line_, static_cast<size_t>(pos_ >> 3));
    pos_ = 0;
  }
}

inline void T4Decoder::endOfLine() {
  if (seenEol_) {
    const int bytes = pos_ >> 3;
    if (bytes == 216 || bytes == 256) {
      ++lines_;
      sink_(line_, static_cast<size_t>(bytes));
    }
  }
  if (dirty_ > 0) std::memset(line_, 0, std::min(static_cast<size_t>(dirty_), sizeof line_));
  dirty_ = 0;
  pos_ = 0;
  colour_ = 0;
  seenEol_ = true;
  if (++eolCount_ == 3) ended_ = true;
}

void T4Decoder::decode(bool final) {
  const Tables& t = BuildTables();
  constexpr int kLimit = kLineBufferBytes * 8;
  for (;;) {
    if (ended_) return;
    // Refill: while 8 input bytes remain, one unaligned load; the bytes it
    // does not account for are loaded again (at the same bit positions)
    // next time, so OR-ing them in early is harmless.
    if (inEnd_ - in_ >= 8) {
      uint64_t w;
      std::memcpy(&w, in_, 8);
      acc_ |= w << bits_;
      const int take = (63 - bits_) >> 3;
      in_ += take;
      bits_ += take * 8;
    } else {
      while (bits_ <= 55 && in_ < inEnd_) {
        acc_ |= static_cast<uint64_t>(*in_++) << bits_;
        bits_ += 8;
      }
    }
    if (zeroRun_) {  // inside fill: count zeros up to the EOL's one
      const uint64_t valid = (1ull << bits_) - 1;
      const int z = std::min(std::countr_zero(acc_ & valid), bits_);
      acc_ >>= z;
      bits_ -= z;
      if (bits_ == 0) {
        if (in_ < inEnd_) continue;
        return;
      }
      acc_ >>= 1;
      bits_ -= 1;
      zeroRun_ = false;
      endOfLine();
      continue;
    }
    if (skipOnes_) {
      const uint64_t valid = (1ull << bits_) - 1;
      const int o = std::min(std::countr_one(acc_ & valid), bits_);
      acc_ >>= o;
      bits_ -= o;
      if (bits_ == 0) {
        if (in_ < inEnd_) continue;
        return;
      }
      skipOnes_ = false;
      continue;
    }
    // Hot loop: codes while a whole code word is surely in hand. The state
    // lives in locals because the line buffer's byte stores may alias the
    // members.
    {
      uint64_t acc = acc_;
      int bits = bits_, colour = colour_, pos = pos_, dirty = dirty_;
      int limit = seenEol_ ? kLimit : -1;  // before the first EOL runs count for nothing
      bool ran = false;
      uint8_t* line = line_;
      while (bits >= kBits) {
        // A whole white line in one compare.
        if (pos == 0 && colour == 0 && limit > 0 && bits >= 20) {
          if ((acc & ((1u << t.blankBits[0]) - 1)) == t.blank[0]) {
            acc >>= t.blankBits[0];
            bits -= t.blankBits[0];
            pos = 1728;
            colour = 1;
            ran = true;
            continue;
          }
          if ((acc & ((1u << t.blankBits[1]) - 1)) == t.blank[1]) {
            acc >>= t.blankBits[1];
            bits -= t.blankBits[1];
            pos = 2048;
            colour = 1;
            ran = true;
            continue;
          }
        }
        if (const uint32_t p = t.pair[colour][acc & kMask]) {
          const int v1 = (p >> 8) & 63, v2 = (p >> 16) & 63;
          acc >>= p & 15;
          bits -= static_cast<int>(p & 15);
          if (pos + v1 + v2 <= limit) {
            // This colour's run, then the other's: one of them is black.
            const int from = colour ? pos : pos + v1;
            const int count = colour ? v1 : v2;
            SetBits(line, from, count);
            if (count) dirty = ((from + count) >> 3) + 1;
            pos += v1 + v2;
          }
          ran = true;
          continue;
        }
        const uint16_t e = t.entry[colour][acc & kMask];
        const int len = e & 15;
        const int value = e >> 4;
        if (value > t4::kMaxRun) {
          if (value != t4_lookup::kZeros) break;
          // EOL with its one already in hand: end the line without leaving.
          const uint64_t rest = acc >> len;
          const int z = std::countr_zero(rest & ((1ull << (bits - len)) - 1));
          if (z >= bits - len) break;
          acc = rest >> (z + 1);
          bits -= len + z + 1;
          colour_ = colour;
          pos_ = pos;
          dirty_ = dirty;
          if (ran) eolCount_ = 0;
          endOfLine();
          if (ended_) {
            acc_ = acc;
            bits_ = bits;
            return;
          }
          colour = 0;
          pos = 0;
          dirty = 0;
          limit = kLimit;
          ran = false;
          continue;
        }
        acc >>= len;
        bits -= len;
        if (pos + value <= limit) {
          if (colour) {
            SetBits(line, pos, value);
            dirty = ((pos + value) >> 3) + 1;  // black runs only move right
          }
          pos += value;
        }
        colour ^= value < 64;  // a terminating code ends the run
        ran = true;
      }
      acc_ = acc;
      bits_ = bits;
      colour_ = colour;
      pos_ = pos;
      dirty_ = dirty;
      if (ran) eolCount_ = 0;
    }
    if (bits_ >= kBits) {
      const uint16_t e = t.entry[colour_][acc_ & kMask];
      const int len = e & 15;
      const int value = e >> 4;
      acc_ >>= len;
      bits_ -= len;
      if (value == t4_lookup::kZeros) {
        // Fill and EOL: the one is usually already in hand.
        const uint64_t valid = (1ull << bits_) - 1;
        const int z = std::countr_zero(acc_ & valid);
        if (z < bits_) {
          acc_ >>= z + 1;
          bits_ -= z + 1;
          endOfLine();
          if (ended_) return;
        } else {
          acc_ = 0;
          bits_ = 0;
          zeroRun_ = true;
        }
      } else {
        ++badCodes_;
        skipOnes_ = true;
      }
      continue;
    }
    if (zeroRun_ || skipOnes_) continue;
    if (bits_ >= kBits) continue;
    if (in_ < inEnd_) continue;
    if (!final || bits_ == 0) return;
    // The data has ended: decode what is left, if it holds whole codes.
    const uint16_t e = t.entry[colour_][acc_ & kMask];
    const int len = e & 15;
    const int value = e >> 4;
    if (len > bits_ || value > t4::kMaxRun) {
      if (value == t4_lookup::kBad && len <= bits_) ++badCodes_;
      acc_ = 0;
      bits_ = 0;
      return;
    }
    acc_ >>= len;
    bits_ -= len;
    if (seenEol_ && pos_ + value <= kLimit) {
      if (colour_) {
        SetBits(line_, pos_, value);
        dirty_ = std::max(dirty_, ((pos_ + value) >> 3) + 1);
      }
      pos_ += value;
    }
    colour_ ^= value < 64;
    eolCount_ = 0;
  }
}

}  // namespace telvane
