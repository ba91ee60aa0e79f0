#pragma once
// A dispatcher opened on a fresh pseudo-terminal, with a recording handler.

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "serial/termios_dispatcher.h"
#include "tests/serial/pty_pair.h"

namespace telvane::test {

// A clock installed for one scope (restored even when a test fails). Close
// the port before the scope ends: the dispatch thread reads the clock.
template <class C>
struct ScopedClock {
  template <class... Args>
  explicit ScopedClock(Args... args) : clock(args...), previous(SetClock(&clock)) {}
  ~ScopedClock() { SetClock(previous); }
  C clock;
  Clock* previous;
};
using ScopedManualClock = ScopedClock<ManualClock>;

// Holds the one worker thread that reaches it until released, so a test can
// act while that thread is in the middle of something.
class Gate {
public:
  void arm() {
    std::lock_guard lock(mutex_);
    armed_ = true;
  }
  // Called by the worker: waits while armed, once.
  void pass() {
    std::unique_lock lock(mutex_);
    if (!armed_) return;
    armed_ = false;
    holding_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !holding_; });
  }
  bool holding() const {
    std::lock_guard lock(mutex_);
    return holding_;
  }
  void release() {
    std::lock_guard lock(mutex_);
    armed_ = holding_ = false;
    changed_.notify_all();
  }

private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool armed_ = false;    // guarded by mutex_
  bool holding_ = false;  // guarded by mutex_
};

// The dispatcher with its device calls watched: the dispatch thread waits
// once a round (`rounds`, and the time-out of the latest wait), the gates
// hold the next read with bytes or the next write of data, and deviceLog()
// lists what was written to the device and where its transmit queue was
// purged ("W:bytes", "P:out").
class ProbedDispatcher : public TKovaTermiosDispatcher {
public:
  ~ProbedDispatcher() override {
    releaseGates();
    StopThreads();  // before this class is gone: the threads call it
  }
  void releaseGates() {
    readGate.release();
    writeGate.release();
  }
  std::vector<std::string> deviceLog() const {
    std::lock_guard lock(logMutex_);
    return log_;
  }

  uint32_t DeviceWaitInput(bool watchInput, int timeoutMs) override {
    lastWaitMs = timeoutMs;
    ++rounds;
    return TKovaTermiosDispatcher::DeviceWaitInput(watchInput, timeoutMs);
  }
  int DeviceReadRuns(std::span<uint8_t> first, std::span<uint8_t> second) override {
    const int got = TKovaTermiosDispatcher::DeviceReadRuns(first, second);
    if (got > 0) readGate.pass();
    return got;
  }
  int DeviceWriteNow(const uint8_t* data, size_t n) override {
    if (n > 1) writeGate.pass();  // data, not a flow character
    const int put = TKovaTermiosDispatcher::DeviceWriteNow(data, n);
    if (put > 0) record("W:" + std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(put)));
    return put;
  }
  int DevicePurge(int which) override {
    if (which == 0) record("P:out");
    return TKovaTermiosDispatcher::DevicePurge(which);
  }

  std::atomic<uint64_t> rounds{0};
  std::atomic<int> lastWaitMs{-1};
  Gate readGate, writeGate;

private:
  void record(std::string entry) {
    std::lock_guard lock(logMutex_);
    log_.push_back(std::move(entry));
  }
  mutable std::mutex logMutex_;
  std::vector<std::string> log_;  // guarded by logMutex_
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
    dispatcher.releaseGates();
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
  ProbedDispatcher dispatcher;
  Recorder recorder;
};

}  // namespace telvane::test
