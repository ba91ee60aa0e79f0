// The dispatcher's three threads: the event thread waits for the device,
// the dispatch thread reads into the input ring and fires triggers, the
// output thread drains the output ring into the device.

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "platform/clock.h"
#include "platform/io_errors.h"
#include "platform/pending_messages.h"
#include "platform/ui_queue.h"
#include "serial/base_dispatcher.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {
constexpr auto kDispatchWait = std::chrono::milliseconds(50);  // the longest wait of a round
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

void TKovaBaseDispatcher::StartThreads() {
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

void TKovaBaseDispatcher::waitForThread(std::atomic<bool>& ended) {
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

void TKovaBaseDispatcher::StopThreads() {
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

void TKovaBaseDispatcher::eventThreadBody() {
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

int TKovaBaseDispatcher::readIntoRing() {
  int total = 0;
  std::span<uint8_t> first, second;
  {
    // Held from the read to the commit: ClearInput purges the ring and the
    // device between two reads, never between a read and its commit.
    std::lock_guard read(readLock_);
    {
      std::lock_guard lock(inputLock_);
      if (!input_.full()) {
        first = input_.freeRun();
        second = input_.wrappedFreeRun();
      }
    }
    if (!first.empty()) {
      // Only this thread writes the free space, and consumers never read
      // it, so the read goes straight into the ring without holding the
      // input lock: one read for both sides of the ring's end.
      total = DeviceReadRuns(first, second);
      if (total > 0) {
        std::lock_guard lock(inputLock_);
        input_.commit(static_cast<size_t>(total));
      }
    }
  }
  if (total < 0) {
    sampleLineErrors();
    total = 0;
  }
  if (total > 0 && (tracing_.load() || logging_.load())) {
    // The bytes stay where they were read until this thread overwrites
    // them, whoever consumed or purged them meanwhile.
    std::lock_guard lock(dataLock_);
    const size_t head = std::min(static_cast<size_t>(total), first.size());
    for (std::span<uint8_t> piece : {first.first(head), second.first(static_cast<size_t>(total) - head)}) {
      if (piece.empty()) continue;
      trace_.add(TraceBuffer::Received, piece.data(), piece.size());
      logEntry(LogType::Dispatch, LogSubtype::ReadCom, static_cast<uint32_t>(piece.size()), {}, piece.data(),
               piece.size());
    }
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

int TKovaBaseDispatcher::dispatchWaitMilliseconds() const {
  const auto longest = static_cast<uint64_t>(kDispatchWait.count());
  Clock& clock = CurrentClock();
  uint64_t nearest = UINT64_MAX;  // clock milliseconds until a timer expires
  {
    std::lock_guard lock(dataLock_);
    bool any = false;
    uint64_t nowMs = 0, intoTick = 0;
    Tick now = 0;
    for (const TimerTrigger& t : timers_) {
      if (!t.active) continue;
      if (!any) {
        // One reading for the tick and the time into it (CurrentTicks()
        // would read the clock again, perhaps across a tick boundary).
        any = true;
        nowMs = clock.milliseconds();
        now = static_cast<Tick>((nowMs / TickMilliseconds) % static_cast<uint64_t>(TickWrap));
        intoTick = nowMs % TickMilliseconds;
      }
      if (TimerExpired(t.timer, now)) return 0;
      // Expired once the tick after its expiry tick has begun.
      const uint64_t ticks = static_cast<uint64_t>(TicksRemaining(t.timer, now)) + 1;
      nearest = std::min(nearest, ticks * TickMilliseconds - intoTick);
    }
  }
  if (nearest == UINT64_MAX) return static_cast<int>(longest);
  return static_cast<int>(std::min(clock.wallMillisecondsFor(nearest), longest));
}

void TKovaBaseDispatcher::dispatchThreadBody() {
  ThreadScope scope(runningThreads_, dispatchEnded_, generalEvent_, threadEndLock_, threadEnded_);
  auto stopping = [this] { return closing_.load() || destroyPending_.load(); };
  auto fireDataRound = [&] {
    while (!stopping() && !delivering_.load() && (checkStatusTriggers() || checkDataAndAvailTriggers())) {
    }
  };
  try {
    while (!stopping()) {
      const bool watchInput = !inputBlocked_.load();
      // The output thread wakes this wait only while it runs; a wake-up it
      // left pending meanwhile is taken here, with a look at the device
      // but no wait. (Both flags are sequentially consistent: one side
      // always sees the other.) The wait ends by the nearest timer; the
      // flag is set before the timers are read, so a timer armed on another
      // thread meanwhile is either seen or wakes the wait.
      dispatchWaiting_ = true;
      const uint32_t waited = outputWakePending_.load() ? DeviceWaitInput(watchInput, 0) | evWokenUp
                                                        : DeviceWaitInput(watchInput, dispatchWaitMilliseconds());
      dispatchWaiting_ = false;
      if (stopping()) break;
      outputWakePending_ = false;  // the output triggers are checked below
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
      // so a stream costs one wake-up per burst, not a wait and a read per
      // tty buffer (a tty hands over at most 4 KiB a read). A read that
      // finds nothing is not free on a tty (it waits for the line
      // discipline's flush), so there is none when a wake-up alone ended a
      // wait that watched a working device for input (the wait saw none).
      const bool sawNoInput = watchInput && (waited & evWokenUp) && !(waited & (evRxChar | evDeviceLost)) &&
                              deviceLost_.load() == 0;
      const bool readDevice = !sawNoInput;
      for (int batch = 0; batch < kReadBatches && !stopping(); ++batch) {
        const int got = readDevice ? readIntoRing() : 0;
        fireDataRound();
        if (got <= 0) break;
      }
      if (events & (kModemEvents | kErrorEvents)) readyEvent_.signal(evReady);
      if (peerStopped_.load()) updateInputFlow();
      while (!stopping() && !delivering_.load() && (checkStatusTriggers() || checkTimerTriggers())) {
      }
      // The round ends: what fired in it may fire again in the next.
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

void TKovaBaseDispatcher::writeOutRing() {
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
    std::span<const uint8_t> run;
    {
      std::lock_guard lock(outputLock_);
      if (output_.empty() || outputPurging_) return;
      run = output_.tailRun();
      generation = outputGeneration_;
      outputWriting_ = true;
    }
    const bool whole = writeRun(run, generation);
    {
      std::lock_guard lock(outputLock_);
      outputWriting_ = false;
    }
    outputLetGo_.notify_all();
    if (!whole) return;
  }
}

bool TKovaBaseDispatcher::writeRun(std::span<const uint8_t> run, uint64_t generation) {
  // Written from the ring without the lock: callers keep appending while
  // the device takes its time, but only to the free part. The run itself
  // ends only by our consume; a purge first waits for this thread to let
  // go of it (outputWriting_), a close first ends this thread.
  const size_t n = run.size();
  size_t done = 0;
  while (done < n) {
    const bool held = outputHeld_.load();
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
        return false;
      }
      if (closing_.load()) return false;
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
      if (generation != outputGeneration_) return false;  // a purge began meanwhile
      output_.consume(advance);
      used = static_cast<int>(output_.count());
      free = static_cast<int>(output_.space());
    }
    // One wake-up until the dispatch thread has looked (it checks the
    // ring after clearing the flag, so no later change goes unseen), and
    // none while it is awake: it looks at the flag before it waits.
    if ((free >= wakeWhenFreeAtLeast_.load() || used <= wakeWhenUsedAtMost_.load()) &&
        !outputWakePending_.exchange(true) && dispatchWaiting_.load())
      DeviceWakeInputWait();
  }
  return true;
}

void TKovaBaseDispatcher::outputThreadBody() {
  ThreadScope scope(runningThreads_, outputEnded_, generalEvent_, threadEndLock_, threadEnded_);
  try {
    for (;;) {
      bool idle;
      {
        // Senders signal only an idle thread; bytes already in the ring
        // are written without waiting.
        std::lock_guard lock(outputLock_);
        idle = outputIdle_ = output_.empty() || outputPurging_;
      }
      const int event =
          idle ? outputEvents_.waitAny((1u << evOutput) | (1u << evOutputFlush), std::chrono::milliseconds(-1))
               : evOutput;
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
