#pragma once
// Incremental T.4 one-dimensional decoder for LSB-first data (the fax image
// file's bit order). Feed it page data in pieces of any size; it hands every
// complete line (1728..1735 or 2048..2055 pixels decoded, passed on as 216
// or 256 bytes) to the line sink and stops after three consecutive EOLs.
//
// Decoding rules (T.4 clause 4.1 with the usual tolerance of damaged data):
// - Nothing counts before the first EOL; an EOL is eleven or more zero bits
//   followed by a one (fill bits before EOL, T.4 clause 4.1.2).
// - A bit pattern that is no code word counts as a bad code; the decoder
//   then skips one bits up to the next zero bit and looks for codes again,
//   so it finds the next EOL.
// - Lines of any other length are dropped; runs that would pass 4096
//   pixels are ignored.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace telvane {

class T4Decoder {
public:
  static constexpr int kLineBufferBytes = 512;  // at most 4096 pixels

  using LineSink = std::function<void(const uint8_t* line, size_t bytes)>;

  explicit T4Decoder(LineSink sink);
  void reset();

  // Decodes the bytes; returns false once the page has ended (three EOLs),
  // after which further data is ignored.
  bool feed(const uint8_t* data, size_t size);
  // Decodes what the last feed left in hand (the data has ended); a
  // complete line without an EOL behind it is passed on too.
  void finish();
  // Stops decoding (an abort); later feeds do nothing.
  void stop() { ended_ = true; }

  bool ended() const { return ended_; }
  uint64_t badCodes() const { return badCodes_; }
  uint64_t lines() const { return lines_; }

private:
  void decode(bool final);
  void endOfLine();

  LineSink sink_;
  const uint8_t* in_ = nullptr;
  const uint8_t* inEnd_ = nullptr;
  uint64_t acc_ = 0;  // next bits, first at bit 0
  int bits_ = 0;
  bool zeroRun_ = false;    // inside eleven or more zero bits
  bool skipOnes_ = false;   // resynchronising after a bad code
  bool seenEol_ = false;
  bool ended_ = false;
  int colour_ = 0;
  int eolCount_ = 0;
  int pos_ = 0;    // pixels decoded on the current line
  int dirty_ = 0;  // line bytes that may hold black pixels
  uint64_t badCodes_ = 0;
  uint64_t lines_ = 0;
  alignas(8) uint8_t line_[kLineBufferBytes + 8];
};

// The decoder's lookup tables, exposed for tests: entry for the next
// `kLookupBits` bits (first bit at bit 0) of a colour's code space.
namespace t4_lookup {
inline constexpr int kLookupBits = 13;
inline constexpr uint16_t kBad = 4095;    // no code word starts with these bits
inline constexpr uint16_t kZeros = 4094;  // eleven zero bits: EOL or fill
struct Entry {
  uint16_t value;  // run length 0..2560, kBad or kZeros
  uint8_t bits;    // bits consumed (for kBad: bits until no code can match)
};
Entry Lookup(int colour, uint32_t nextBits);
}  // namespace t4_lookup

}  // namespace telvane
