#include "platform/ticks.h"

#include <algorithm>

#include "platform/clock.h"

namespace telvane {

Tick CurrentTicks() {
  return static_cast<Tick>((CurrentClock().milliseconds() / TickMilliseconds) % static_cast<uint64_t>(TickWrap));
}

TickTimer NewTimer(Tick now, int32_t ticks) {
  ticks = std::clamp(ticks, 0, TickWrap);
  return TickTimer{now, static_cast<Tick>(static_cast<int64_t>(now) + ticks)};
}

bool TimerExpired(const TickTimer& timer, Tick now) {
  if (timer.expiry < now) return true;
  return now < timer.start && static_cast<int64_t>(timer.expiry) < static_cast<int64_t>(now) + TickWrap;
}

int32_t TicksElapsed(const TickTimer& timer, Tick now) {
  return now >= timer.start ? now - timer.start : now + TickWrap - timer.start;
}

int32_t TicksRemaining(const TickTimer& timer, Tick now) {
  if (TimerExpired(timer, now)) return 0;
  return std::max(0, (timer.expiry - timer.start) - TicksElapsed(timer, now));
}

}  // namespace telvane
