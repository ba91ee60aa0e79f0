#pragma once
// DLE shielding of modem data (T.31 clause 8.3.2, T.32 clause 8.3) and the
// bit-error injector that works on the shielded stream.
//
// In both directions a data byte 0x10 travels as DLE DLE, DLE ETX ends the
// data, and DLE followed by anything else is an in-band command (DLE SUB
// stands for two data DLEs from the DTE). Noise has to act on the data bytes
// only, and a byte that becomes 0x10 must be shielded again, or the stream
// would end early.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace telvane::vmodem {

inline constexpr uint8_t kDle = 0x10;
inline constexpr uint8_t kEtx = 0x03;
inline constexpr uint8_t kSub = 0x1A;
inline constexpr uint8_t kDc1 = 0x11;  // XON
inline constexpr uint8_t kDc2 = 0x12;
inline constexpr uint8_t kDc3 = 0x13;  // XOFF

// Independent bit errors at a fixed rate, reproducible from the seed.
class BitNoise {
public:
  BitNoise(double bitErrorRate, uint64_t seed);
  bool active() const { return threshold_ != 0; }
  uint8_t apply(uint8_t byte);
  // One bit (0 or 1), for a bit stream rather than bytes.
  int applyToBit(int bit);
  long flippedBits() const { return flipped_; }

private:
  uint64_t next();
  uint64_t state_;
  uint64_t threshold_;  // a bit flips when a draw falls below it
  long flipped_ = 0;
};

// Rewrites a shielded stream with noise on its data bytes. Keeps its DLE
// state across calls, so the stream may arrive in any pieces.
class ShieldedNoise {
public:
  // Appends the rewritten form of `in` to `out`. Returns the number of DLE
  // ETX sequences seen.
  int process(std::span<const uint8_t> in, std::string& out, BitNoise& noise);
  void reset() { afterDle_ = false; }

private:
  bool afterDle_ = false;
};

}  // namespace telvane::vmodem
