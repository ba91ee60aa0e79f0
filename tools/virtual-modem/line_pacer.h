#pragma once
// Paces the line's audio blocks against the wall clock: real time by
// default, or `speed` times faster. The far side of a test may read the
// clock; the fixture is that far side, so it does.

#include <chrono>

namespace telvane::vmodem {

class LinePacer {
public:
  LinePacer(std::chrono::microseconds blockTime, double speed);
  // Milliseconds until the next block is due (0 when late).
  int millisecondsToNextBlock() const;
  // Marks a block done. When the fixture fell far behind (a stopped
  // process), it starts afresh rather than racing to catch up.
  void blockDone();
  // Takes up real-time pacing from now, after blocks run ahead of it.
  void restart() { next_ = Clock::now(); }

private:
  using Clock = std::chrono::steady_clock;
  std::chrono::nanoseconds step_;
  Clock::time_point next_;
};

}  // namespace telvane::vmodem
