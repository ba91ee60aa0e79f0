#include "platform/clock.h"

#include <atomic>
#include <cmath>
#include <thread>

namespace telvane {
namespace {

class SteadyClock : public Clock {
public:
  uint64_t milliseconds() override {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  void sleepMilliseconds(uint64_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

std::atomic<Clock*> g_clock{nullptr};

double ClampFactor(double factor) {
  if (!(factor >= ScaledClock::MinFactor)) return ScaledClock::MinFactor;  // also NaN
  return factor > ScaledClock::MaxFactor ? ScaledClock::MaxFactor : factor;
}

}  // namespace

Clock& SystemClock() {
  static SteadyClock clock;
  return clock;
}

Clock& CurrentClock() {
  Clock* clock = g_clock.load(std::memory_order_acquire);
  return clock ? *clock : SystemClock();
}

Clock* SetClock(Clock* clock) { return g_clock.exchange(clock, std::memory_order_acq_rel); }

uint64_t ManualClock::milliseconds() { return std::atomic_ref<uint64_t>(now_).load(); }

void ManualClock::advance(uint64_t ms) { std::atomic_ref<uint64_t>(now_).fetch_add(ms); }

void ManualClock::set(uint64_t ms) { std::atomic_ref<uint64_t>(now_).store(ms); }

ScaledClock::ScaledClock(double factor, uint64_t startMs)
    : factor_(ClampFactor(factor)), startMs_(startMs), origin_(std::chrono::steady_clock::now()) {}

uint64_t ScaledClock::milliseconds() {
  // Scaling the elapsed time as a whole (not adding up scaled steps) keeps
  // the count monotonic and free of accumulated rounding.
  const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - origin_;
  return startMs_ + static_cast<uint64_t>(elapsed.count() * factor_);
}

void ScaledClock::sleepMilliseconds(uint64_t ms) {
  std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(static_cast<double>(ms) / factor_));
}

uint64_t ScaledClock::wallMillisecondsFor(uint64_t clockMs) const {
  const double wall = std::ceil(static_cast<double>(clockMs) / factor_);
  constexpr double kLimit = 18446744073709549568.0;  // the largest double below 2^64
  return wall >= kLimit ? UINT64_MAX : static_cast<uint64_t>(wall);
}

}  // namespace telvane
