#pragma once
// The audio path between the two ends of a call: a fixed one-way delay in
// each direction (a real call has tens of milliseconds; two spandsp ends
// bridged with none can collide after the training check), and the line
// faults that act on audio: a dead line, and a line that cannot carry a
// modulation (its audio replaced by noise).

#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace telvane::vmodem {

class DelayLine {
public:
  explicit DelayLine(int delaySamples) : delay_(delaySamples) { reset(); }
  // Pushes `samples` in and replaces them with what comes out.
  void pass(std::span<int16_t> samples);
  void reset() { buffer_.assign(static_cast<size_t>(delay_), 0); }

private:
  int delay_;
  std::deque<int16_t> buffer_;
};

class TelephoneLine {
public:
  TelephoneLine(int delaySamples, uint64_t seed);

  // One block: `fromA` and `fromB` are what each end transmitted; they are
  // replaced by what each end hears (fromA becomes what B hears).
  void carry(std::span<int16_t> fromA, std::span<int16_t> fromB);
  void reset();

  void setDead(bool dead) { dead_ = dead; }
  bool dead() const { return dead_; }
  // Replaces the audio in that direction by noise while set (a block of
  // silence stays silent).
  void setGarbled(bool aToB, bool bToA) {
    garbleAToB_ = aToB;
    garbleBToA_ = bToA;
  }

private:
  void garble(std::span<int16_t> samples);

  DelayLine aToB_;
  DelayLine bToA_;
  bool dead_ = false;
  bool garbleAToB_ = false;
  bool garbleBToA_ = false;
  uint64_t noiseState_;
};

}  // namespace telvane::vmodem
