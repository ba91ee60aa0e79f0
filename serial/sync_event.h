#pragma once
// Events as the dispatcher's threads use them: signalled, waited for with a
// time-out, auto-reset (a wait consumes the signal) or manual-reset (stays
// signalled until reset). Events that one thread waits for together (the
// output thread's output and flush events) live in one EventSet, since a
// thread can wait on one condition variable only.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace telvane {

class EventSet {
public:
  // Bit i of `manualReset` makes event i manual-reset.
  explicit EventSet(uint32_t manualReset = 0) : manualReset_(manualReset) {}

  void signal(int event);
  void reset(int event);
  void resetAll();
  // Waits for any event of `mask`; returns its number (consuming an
  // auto-reset one) or -1 on time-out. A negative timeout waits for ever.
  int waitAny(uint32_t mask, std::chrono::milliseconds timeout);
  // Consumes an auto-reset event when signalled; never waits.
  bool test(int event);

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  uint32_t signalled_ = 0;  // guarded by mutex_
  const uint32_t manualReset_;
};

}  // namespace telvane
