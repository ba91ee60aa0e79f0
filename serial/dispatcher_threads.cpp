// The dispatcher's three threads: the event thread waits for the device,
// the dispatch thread reads into the input ring and fires triggers, the
// output thread drains the output ring into the device.

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "platform/io_errors.h"
#include "platform/pending_messages.h"
#include "platform/ui_queue.h"
#include "serial/base_dispatcher.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {
constexpr auto kDispatchWait = std::chrono::milliseconds(50);
constexpr auto kThreadStartWait = std::chrono::milliseconds(3000);
constexpr int kModemPollMs = 20;         // modem lines are sampled this often
constexpr int kIdleWaitMs = 1000;        // a device without lines: only input and hang-up wake us
constexpr int kWritableWaitMs = 20;
constexpr int kReadBatches = 16;         // reads per device event before the timers get a look
constexpr uint32_t kModemEvents = evCTS | evDSR | evRLSD | evRing | evRingTe;
constexpr uint32_t kErrorEvents = evBreak | evErr;
}  // namespace

// A worker's start and end: counted, announced, and its failures contained.
class ThreadScope {
public:
  ThreadScope(std::atomic<int>& running, std::atomic<bool>& ended, EventSet& general, std::mutex& endLock,
              std::condition_variable& endSignal)
      : running_(running), ended_(ended), endLock_(endLock), endSignal_(endSignal) {
    ++running_;
    general.signal(0);
  }
  ~ThreadScope() {
    std::lock_guard lock(endLock_);
    ended_ = true;
    --running_;
    endSignal_.notify_all();
  }

private:
  std::atomic<int>& running_;
  std::atomic<bool>& ended_;
  std::mutex& endLock_;
  std::condition_variable& endSignal_;
};

void TApdBaseDispatcher::StartThreads() {
  if (threadsStarted_) throw std::logic_error("Dispatcher already started");
  closing_ = false;
  readyEvent_.resetAll();
  generalEvent_.resetAll();
  outputEvents_.resetAll();
  pendingEvents_ = 0;
  inputBlocked_ = false;
  eventEnded_ = dispatchEnded_ = outputEnded_ = false;
  threadsStarted_ = true;
  eventThread_ = std::thread([this] { eventThreadBody(); });
  generalEvent_.waitAny(1, kThreadStartWait);
  dispatchThread_ = std::thread([this] { dispatchThreadBody(); });
  generalEvent_.waitAny(1, kThreadStartWait);
  outputThread_ = std::thread([this] { outputThreadBody(); });
  generalEvent_.waitAny(1, kThreadStartWait);
}

void TApdBaseDispatcher::waitForThread(std::atomic<bool>& ended) {
  // A handler on the dispatch thread may be waiting for the UI thread: keep
  // its messages running while we wait.
  while (!ended.load()) {
    {
      std::unique_lock lock(threadEndLock_);
      threadEnded_.wait_for(lock, std::chrono::milliseconds(5), [&] { return ended.load(); });
    }
    if (!ended.load() && UiQueue().onUiThread()) ProcessPendingMessages();
  }
}

void TApdBaseDispatcher::StopThreads() {
  if (!threadsStarted_) return;
  closing_ = true;
  outputEvents_.signal(evOutputFlush);
  waitForThread(outputEnded_);
  DeviceCancelWait();
  readyEvent_.signal(evReady);
  waitForThread(eventEnded_);
  generalEvent_.resetAll();
  DeviceWakeInputWait();
  waitForThread(dispatchEnded_);
  for (std::thread* t : {&outputThread_, &eventThread_, &dispatchThread_})
    if (t->joinable()) t->join();
  threadsStarted_ = false;
}

// ---- event thread

void TApdBaseDispatcher::eventThreadBody() {
  ThreadScope scope(runningThreads_, eventEnded_, generalEvent_, threadEndLock_, threadEnded_);
  try {
    uint8_t lines = DeviceModemLines();
    while (!closing_.load()) {
      // Input is the dispatch thread's to wait for; this one watches the
      // modem lines, the line errors and a hang-up.
      const int timeout = DeviceHasModemLines() ? kModemPollMs : kIdleWaitMs;
      const uint32_t waited = DeviceWaitEvent(false, timeout);
      if (closing_.load()) break;
      if (waited & evDeviceLost) {
        // The device went away (the far side of a pty closed, a USB modem
        // unplugged): record it, let the dispatch thread see it, and end.
        deviceLost_ = -io_error::ReadFault;
        pendingEvents_ |= evErr;
        DeviceWakeInputWait();
        generalEvent_.signal(evGeneral);
        break;
      }
      uint32_t events = 0;
      const uint8_t now = DeviceModemLines();
      const uint8_t changed = static_cast<uint8_t>(now ^ lines);
      if (changed & msCTS) events |= evCTS;
      if (changed & msDSR) events |= evDSR;
      if (changed & msDCD) events |= evRLSD;
      if (changed & msRI) {
        events |= (now & msRI) ? evRing : evRingTe;
        std::lock_guard lock(dataLock_);
        ringSeen_ = true;
      }
      lines = now;
      const uint32_t errors = DevicePollErrors();
      if (errors & ceBreak) events |= evBreak;
      if (errors & ~ceBreak) events |= evErr;
      if (events == 0) continue;
      pendingEvents_ |= events;
      DeviceWakeInputWait();
      readyEvent_.waitAny(1, std::chrono::milliseconds(-1));
    }
  } catch (const std::exception& e) {
    reportThreadException(e.what());
  }
}

// ---- dispatch thread

int TApdBaseDispatcher::readIntoRing(bool* more) {
  int total = 0;
  if (more) *more = false;
  for (int piece = 0; piece < 2; ++piece) {
    std::span<uint8_t> run;
    {
      std::lock_guard lock(inputLock_);
      if (input_.full()) break;
      run = input_.freeRun();
    }
    // Only this thread writes the free run, and consumers never read it,
    // so the read goes straight into the ring without holding the lock.
    int got = DeviceRead(run.data(), run.size());
    if (got < 0) {
      sampleLineErrors();
      got = 0;
    }
    if (got == 0) break;
    {
      std::lock_guard lock(inputLock_);
      input_.commit(static_cast<size_t>(got));
    }
    if (tracing_.load() || logging_.load()) {
      std::lock_guard lock(dataLock_);
      trace_.add(TraceBuffer::Received, run.data(), static_cast<size_t>(got));
      logEntry(LogType::Dispatch, LogSubtype::ReadCom, static_cast<uint32_t>(got), {}, run.data(),
               static_cast<size_t>(got));
    }
    total += got;
    if (static_cast<size_t>(got) < run.size()) break;  // the device is empty
    if (more) *more = true;
  }
  bool full;
  {
    std::lock_guard lock(inputLock_);
    full = input_.full();
    deviceBacklog_ = full && flowActive_.load() ? DeviceInputQueued() : 0;
  }
  // A full ring stops the event thread watching for input (it would wake
  // for ever on bytes we cannot take); freed space brings it back.
  if (full)
    inputBlocked_ = true;
  else if (inputBlocked_.exchange(false))
    DeviceCancelWait();
  if (total > 0 || full) updateInputFlow();
  return total;
}

void TApdBaseDispatcher::dispatchThreadBody() {
  ThreadScope scope(runningThreads_, dispatchEnded_, generalEvent_, threadEndLock_, threadEnded_);
  auto stopping = [this] { return closing_.load() || destroyPending_.load(); };
  auto fireDataRound = [&] {
    while (!stopping() && !delivering_.load() && (checkStatusTriggers() || checkDataAndAvailTriggers())) {
    }
  };
  try {
    while (!stopping()) {
      const bool watchInput = !inputBlocked_.load();
      const uint32_t waited = DeviceWaitInput(watchInput, static_cast<int>(kDispatchWait.count()));
      if (stopping()) break;
      if (waited & evDeviceLost) deviceLost_ = -io_error::ReadFault;
      const uint32_t events = pendingEvents_.exchange(0);
      if (events & kModemEvents) {
        sampleModemStatus();
        while (!stopping() && !delivering_.load() && checkStatusTriggers()) {
        }
      }
      if (events & kErrorEvents) {
        sampleLineErrors();
        while (!stopping() && !delivering_.load() && checkStatusTriggers()) {
        }
      }
      // Read and announce until the device is empty (or the ring full),
      // so a stream costs one wake-up per burst, not per read.
      // A read that finds nothing is not free on a tty (it waits for the
      // line discipline's flush), so read again only after a read that
      // filled all its room.
      for (int batch = 0; batch < kReadBatches && !stopping(); ++batch) {
        bool more = false;
        const int got = readIntoRing(&more);
        fireDataRound();
        if (got <= 0 || !more) break;
      }
      if (events & (kModemEvents | kErrorEvents)) readyEvent_.signal(evReady);
      if (peerStopped_.load()) updateInputFlow();
      while (!stopping() && !delivering_.load() && (checkStatusTriggers() || checkTimerTriggers())) {
      }
      {
        std::lock_guard lock(dataLock_);
        for (auto& s : statuses_) s.fired = false;
      }
    }
  } catch (const std::exception& e) {
    reportThreadException(e.what());
  }
}

// ---- output thread

void TApdBaseDispatcher::writeOutRing() {
  std::vector<uint8_t> run;
  for (;;) {
    if (closing_.load()) return;
    if (outputEvents_.test(evOutputFlush)) {
      generalEvent_.signal(evGeneral);
      return;
    }
    if (!flushPendingFlowChar()) {
      DeviceWaitWritable(kWritableWaitMs);
      continue;
    }
    uint64_t generation;
    size_t n;
    {
      std::lock_guard lock(outputLock_);
      if (output_.empty()) return;
      run.resize(output_.capacity());
      n = output_.peekRun(run);
      generation = outputGeneration_;
    }
    // Copied out under the lock, written without it: callers keep
    // appending while the device takes its time.
    size_t done = 0;
    while (done < n) {
      bool held;
      {
        std::lock_guard lock(dataLock_);
        const uint8_t lines = modemStatus_;
        held = (requireCts_ && !(lines & msCTS)) || (requireDsr_ && !(lines & msDSR));
      }
      const int put = held ? 0 : DeviceWriteNow(run.data() + done, n - done);
      size_t advance = 0;
      if (put > 0) {
        advance = static_cast<size_t>(put);
      } else if (put < 0) {
        advance = n - done;  // the device failed: these bytes are dropped
      } else {
        // Pending: wait until the device takes more, a flush, or closing.
        if (outputEvents_.test(evOutputFlush)) {
          generalEvent_.signal(evGeneral);
          return;
        }
        if (closing_.load()) return;
        flushPendingFlowChar();
        if (held)
          outputEvents_.waitAny(1u << evSent, std::chrono::milliseconds(kWritableWaitMs));
        else
          DeviceWaitWritable(kWritableWaitMs);
        continue;
      }
      done += advance;
      int used, free;
      {
        std::lock_guard lock(outputLock_);
        if (generation != outputGeneration_) return;  // purged meanwhile
        output_.consume(advance);
        used = static_cast<int>(output_.count());
        free = static_cast<int>(output_.space());
      }
      if (free >= wakeWhenFreeAtLeast_.load() || used <= wakeWhenUsedAtMost_.load()) DeviceWakeInputWait();
    }
  }
}

void TApdBaseDispatcher::outputThreadBody() {
  ThreadScope scope(runningThreads_, outputEnded_, generalEvent_, threadEndLock_, threadEnded_);
  try {
    for (;;) {
      const int event =
          outputEvents_.waitAny((1u << evOutput) | (1u << evOutputFlush), std::chrono::milliseconds(-1));
      if (event == evOutputFlush) {
        generalEvent_.signal(evGeneral);
        if (closing_.load()) break;
        continue;
      }
      if (closing_.load()) break;
      writeOutRing();
    }
  } catch (const std::exception& e) {
    reportThreadException(e.what());
  }
}

}  // namespace telvane
