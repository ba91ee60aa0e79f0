#pragma once
// A dispatcher opened on a fresh pseudo-terminal, with a recording handler.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "serial/termios_dispatcher.h"
#include "tests/serial/pty_pair.h"

namespace telvane::test {

// A manual clock installed for one scope (restored even when a test fails).
struct ScopedManualClock {
  explicit ScopedManualClock(uint64_t startMs) : clock(startMs), previous(SetClock(&clock)) {}
  ~ScopedManualClock() { SetClock(previous); }
  ManualClock clock;
  Clock* previous;
};

struct Delivery {
  unsigned message;
  unsigned param;
  int32_t packed;
};

// Records every delivery; `onDelivery` (set before opening) runs inside it.
class Recorder {
public:
  void record(unsigned message, unsigned param, int32_t packed) {
    if (onDelivery) onDelivery(message, param, packed);
    std::lock_guard lock(mutex_);
    deliveries_.push_back({message, param, packed});
  }
  std::vector<Delivery> deliveries() const {
    std::lock_guard lock(mutex_);
    return deliveries_;
  }
  size_t count() const {
    std::lock_guard lock(mutex_);
    return deliveries_.size();
  }
  size_t count(unsigned message) const {
    std::lock_guard lock(mutex_);
    size_t n = 0;
    for (const auto& d : deliveries_) n += d.message == message;
    return n;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    deliveries_.clear();
  }
  std::function<void(unsigned, unsigned, int32_t)> onDelivery;

private:
  mutable std::mutex mutex_;
  std::vector<Delivery> deliveries_;  // guarded by mutex_
};

class DispatcherTest : public ::testing::Test {
protected:
  void SetUp() override {}
  void TearDown() override {
    dispatcher.ClosePort();
  }
  int open(uint32_t options = 0x03, int outSize = 4096, int inSize = 4096) {
    return dispatcher.OpenPort(pty.slavePath(), 19200, options, inSize, outSize, 8, 1, 0);
  }
  void listen() {
    dispatcher.AddMethodHandler(&recorder, [this](unsigned m, unsigned p, int32_t packed) {
      recorder.record(m, p, packed);
    });
  }
  // Takes everything the dispatcher received, waiting for `n` bytes.
  std::string receive(size_t n) {
    std::string out;
    WaitFor([&] {
      uint8_t b;
      while (dispatcher.TakeByte(b) == 0) out.push_back(static_cast<char>(b));
      return out.size() >= n;
    });
    return out;
  }

  PtyPair pty;
  TKovaTermiosDispatcher dispatcher;
  Recorder recorder;
};

}  // namespace telvane::test
