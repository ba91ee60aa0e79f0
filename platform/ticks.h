#pragma once
// Time in the serial and fax layers is counted in ticks of 55 ms, the
// historical PC timer rate (about 18.2 a second). A timer is a pair of
// (start tick, expiry tick); the tick count wraps at TickWrap.

#include <cstdint>

namespace telvane {

using Tick = int32_t;

inline constexpr int TickMilliseconds = 55;
// Intervals are capped at this many ticks and the tick count wraps there.
inline constexpr Tick TickWrap = 39045157;

// The current tick count from the installed clock.
Tick CurrentTicks();

// Seconds and ticks in the integer arithmetic every caller uses: 10 s is
// 182 ticks, 60 s is 1092.
constexpr int32_t TicksFromSeconds(int32_t seconds) {
  return static_cast<int32_t>(static_cast<int64_t>(seconds) * 1675 / 92);
}
constexpr int32_t SecondsFromTicks(int32_t ticks) {
  return static_cast<int32_t>((static_cast<int64_t>(ticks) + 9) * 92 / 1675);
}
constexpr int32_t TicksFromMilliseconds(int64_t ms) { return static_cast<int32_t>(ms / TickMilliseconds); }

struct TickTimer {
  Tick start = 0;
  Tick expiry = 0;
};

// A timer that expires `ticks` from `now` (capped at TickWrap).
TickTimer NewTimer(Tick now, int32_t ticks);
// Expired when expiry < now, or when the count wrapped since the start
// (now < start) and expiry < now + TickWrap.
bool TimerExpired(const TickTimer& timer, Tick now);
// Ticks left before expiry (0 once expired).
int32_t TicksRemaining(const TickTimer& timer, Tick now);
// Ticks since the timer started, across one wrap.
int32_t TicksElapsed(const TickTimer& timer, Tick now);

}  // namespace telvane
