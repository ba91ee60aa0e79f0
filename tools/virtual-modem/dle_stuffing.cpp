#include "tools/virtual-modem/dle_stuffing.h"

#include <cmath>

namespace telvane::vmodem {

BitNoise::BitNoise(double bitErrorRate, uint64_t seed)
    : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {
  if (!(bitErrorRate > 0)) {
    threshold_ = 0;
  } else if (bitErrorRate >= 1) {
    threshold_ = ~0ull;
  } else {
    threshold_ = static_cast<uint64_t>(std::ldexp(bitErrorRate, 64));
    if (threshold_ == 0) threshold_ = 1;
  }
}

uint64_t BitNoise::next() {
  // xorshift64*: fast, and the same sequence on every machine.
  state_ ^= state_ >> 12;
  state_ ^= state_ << 25;
  state_ ^= state_ >> 27;
  return state_ * 0x2545F4914F6CDD1Dull;
}

uint8_t BitNoise::apply(uint8_t byte) {
  if (threshold_ == 0) return byte;
  for (int bit = 0; bit < 8; ++bit) {
    if (next() < threshold_) {
      byte ^= static_cast<uint8_t>(1u << bit);
      ++flipped_;
    }
  }
  return byte;
}

int BitNoise::applyToBit(int bit) {
  if (threshold_ == 0 || next() >= threshold_) return bit;
  ++flipped_;
  return bit ^ 1;
}

int ShieldedNoise::process(std::span<const uint8_t> in, std::string& out, BitNoise& noise) {
  int ends = 0;
  auto putData = [&](uint8_t byte) {
    const uint8_t noisy = noise.apply(byte);
    out.push_back(static_cast<char>(noisy));
    if (noisy == kDle) out.push_back(static_cast<char>(kDle));
  };
  for (const uint8_t byte : in) {
    if (afterDle_) {
      afterDle_ = false;
      if (byte == kDle) {
        putData(kDle);
      } else if (byte == kSub) {
        putData(kDle);
        putData(kDle);
      } else {
        out.push_back(static_cast<char>(kDle));
        out.push_back(static_cast<char>(byte));
        if (byte == kEtx) ++ends;
      }
    } else if (byte == kDle) {
      afterDle_ = true;
    } else {
      putData(byte);
    }
  }
  return ends;
}

}  // namespace telvane::vmodem
