#include "tools/virtual-modem/telephone_line.h"

#include <algorithm>
#include <cstdlib>

namespace telvane::vmodem {

void DelayLine::pass(std::span<int16_t> samples) {
  for (int16_t& sample : samples) {
    buffer_.push_back(sample);
    sample = buffer_.front();
    buffer_.pop_front();
  }
}

TelephoneLine::TelephoneLine(int delaySamples, uint64_t seed)
    : aToB_(delaySamples), bToA_(delaySamples), noiseState_(seed | 1) {}

void TelephoneLine::reset() {
  aToB_.reset();
  bToA_.reset();
  dead_ = false;
  garbleAToB_ = garbleBToA_ = false;
}

void TelephoneLine::garble(std::span<int16_t> samples) {
  // Only a signal is spoiled: silence stays silence, so the receiver still
  // hears the carrier end and answers the training check it got.
  constexpr int kSilence = 64;
  if (std::all_of(samples.begin(), samples.end(), [](int16_t s) { return std::abs(s) < kSilence; })) return;
  // White noise at about -13 dBm0: loud enough that no fax modem trains on
  // it, quiet enough not to look like a tone.
  for (int16_t& sample : samples) {
    noiseState_ ^= noiseState_ << 13;
    noiseState_ ^= noiseState_ >> 7;
    noiseState_ ^= noiseState_ << 17;
    sample = static_cast<int16_t>(static_cast<int32_t>(noiseState_ & 0x3FFF) - 0x2000);
  }
}

void TelephoneLine::carry(std::span<int16_t> fromA, std::span<int16_t> fromB) {
  if (dead_) {
    for (int16_t& s : fromA) s = 0;
    for (int16_t& s : fromB) s = 0;
  }
  if (garbleAToB_) garble(fromA);
  if (garbleBToA_) garble(fromB);
  aToB_.pass(fromA);
  bToA_.pass(fromB);
}

}  // namespace telvane::vmodem
