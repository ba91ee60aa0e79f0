#pragma once
// The one clock seam of the cores. Nothing below the windows reads
// steady_clock or sleeps directly: it asks the installed Clock, so tests can
// drive time by hand.

#include <cstdint>

namespace telvane {

class Clock {
public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary fixed point; never goes backwards.
  virtual uint64_t milliseconds() = 0;
  virtual void sleepMilliseconds(uint64_t ms) = 0;
};

// The steady system clock.
Clock& SystemClock();

// The installed clock (the system clock unless a test installed another).
Clock& CurrentClock();
// Installs `clock` (nullptr restores the system clock); returns the previous.
Clock* SetClock(Clock* clock);

// A clock that only moves when told to; sleeping advances it.
class ManualClock : public Clock {
public:
  explicit ManualClock(uint64_t startMs = 0) : now_(startMs) {}
  uint64_t milliseconds() override;
  void sleepMilliseconds(uint64_t ms) override { advance(ms); }
  void advance(uint64_t ms);
  void set(uint64_t ms);

private:
  uint64_t now_;  // atomic access through the member functions
};

}  // namespace telvane
