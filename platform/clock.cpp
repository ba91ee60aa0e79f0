#include "platform/clock.h"

#include <atomic>
#include <chrono>
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

}  // namespace telvane
