#pragma once
// The one clock seam of the cores. Nothing below the windows reads
// steady_clock or sleeps directly: it asks the installed Clock, so tests can
// drive time by hand.

#include <chrono>
#include <cstdint>

namespace telvane {

class Clock {
public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary fixed point; never goes backwards.
  virtual uint64_t milliseconds() = 0;
  virtual void sleepMilliseconds(uint64_t ms) = 0;
  // The wall-clock milliseconds in which this clock advances by `clockMs`:
  // what a wait on the system's own timers (poll, a condition variable)
  // must last to let that much of this clock's time pass. A clock that does
  // not run by itself (ManualClock) keeps the identity.
  virtual uint64_t wallMillisecondsFor(uint64_t clockMs) const { return clockMs; }
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

// The system clock run `factor` times faster (below 1: slower): a T.30
// time-out of 35 s passes in 3.5 s at 10, so tests and the fax tool can run
// whole sessions against the real timers in a fraction of their time. It
// starts at `startMs`. Factors below MinFactor count as MinFactor, above
// MaxFactor as MaxFactor (the millisecond count must not overflow).
class ScaledClock : public Clock {
public:
  static constexpr double MinFactor = 0.01;
  static constexpr double MaxFactor = 1e6;

  explicit ScaledClock(double factor, uint64_t startMs = 0);
  uint64_t milliseconds() override;
  // Sleeps ms / factor real milliseconds.
  void sleepMilliseconds(uint64_t ms) override;
  // clockMs / factor, rounded up: a wait never ends before its time.
  uint64_t wallMillisecondsFor(uint64_t clockMs) const override;
  double factor() const { return factor_; }

private:
  const double factor_;
  const uint64_t startMs_;
  const std::chrono::steady_clock::time_point origin_;
};

}  // namespace telvane
