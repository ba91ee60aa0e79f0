// Triggers of the dispatcher: allocation, arming, the checks that decide
// what fires, and the delivery of trigger messages to the handlers.

#include <algorithm>
#include <cstdio>
#include <exception>

#include "platform/clock.h"
#include "platform/ui_queue.h"
#include "serial/base_dispatcher.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {
constexpr int kHandleStep = 8;
constexpr int kHandleLimit = 0x7FFF8;  // the search for a free handle stops here
}  // namespace

// ---- handles and lists (dataLock_ held by the callers of the helpers)

void TKovaBaseDispatcher::clearAllTriggers() {
  timers_.clear();
  statuses_.clear();
  datas_.clear();
  availThreshold_ = 0;
  handleCounter_ = 1;
  availFiredAt_ = UINT64_MAX;
  scanned_ = 0;
  recomputeWatchOutput();
}

void TKovaBaseDispatcher::recomputeWatchOutput() {
  int freeLevel = INT32_MAX, usedLevel = -1;
  for (const StatusTrigger& s : statuses_) {
    if (!s.active) continue;
    if (s.kind == stOutBuffFree) freeLevel = std::min<int>(freeLevel, s.value);
    if (s.kind == stOutBuffUsed) usedLevel = std::max<int>(usedLevel, s.value);
  }
  wakeWhenFreeAtLeast_ = freeLevel;
  wakeWhenUsedAtMost_ = usedLevel;
}

bool TKovaBaseDispatcher::handleInUse(int handle) const {
  for (const auto& t : timers_)
    if (t.handle == handle) return true;
  for (const auto& s : statuses_)
    if ((s.handle & ~7) == handle) return true;
  for (const auto& d : datas_)
    if (d.handle == handle) return true;
  return false;
}

int TKovaBaseDispatcher::allocateTriggerHandle() {
  if (handleCounter_ < MaxTriggerCounter) return handleCounter_++ * kHandleStep;
  // After 4095 allocations the lowest free multiple of 8 is reused.
  for (int handle = kHandleStep; handle < kHandleLimit; handle += kHandleStep)
    if (!handleInUse(handle)) return handle;
  return ecNoMoreTriggers;
}

int TKovaBaseDispatcher::NewTimerTrigger() {
  std::lock_guard lock(dataLock_);
  const int handle = allocateTriggerHandle();
  if (handle < 0) return handle;
  timers_.push_back(TimerTrigger{handle, {}, 0, false});
  logEntry(LogType::TrigAllc, LogSubtype::Timer, static_cast<uint32_t>(handle));
  return handle;
}

int TKovaBaseDispatcher::NewStatusTrigger(int kind) {
  if (kind < stModem || kind > stOutSent) return ecBadArgument;
  std::lock_guard lock(dataLock_);
  const int base = allocateTriggerHandle();
  if (base < 0) return base;
  const int handle = base | kind;
  statuses_.push_back(StatusTrigger{handle, kind, 0, false, false});
  logEntry(LogType::TrigAllc, LogSubtype::Status, static_cast<uint32_t>(handle), StatusTriggerNote(kind));
  return handle;
}

int TKovaBaseDispatcher::NewDataTrigger(std::string_view text, bool ignoreCase) {
  if (text.size() > static_cast<size_t>(DataTriggerMatcher::MaxLength)) return ecTriggerTooLong;
  std::lock_guard lock(dataLock_);
  const int handle = allocateTriggerHandle();
  if (handle < 0) return handle;
  datas_.push_back(DataTrigger{handle, DataTriggerMatcher(text, ignoreCase), false});
  logEntry(LogType::TrigAllc, LogSubtype::Data, static_cast<uint32_t>(handle), {},
           reinterpret_cast<const uint8_t*>(text.data()), text.size());
  return handle;
}

int TKovaBaseDispatcher::ArmTimerTrigger(int handle, int32_t ticks, bool activate) {
  {
    std::lock_guard lock(dataLock_);
    auto it = std::find_if(timers_.begin(), timers_.end(), [&](const TimerTrigger& t) { return t.handle == handle; });
    if (it == timers_.end()) return ecBadTriggerHandle;
    TimerTrigger& t = *it;
    if (ticks > 0) t.ticks = std::min(ticks, TickWrap);
    if (!activate) {
      t.active = false;
      logEntry(LogType::TrDatChg, LogSubtype::Timer, static_cast<uint32_t>(handle), "Deactivated");
      return ecOK;
    }
    t.timer = NewTimer(CurrentTicks(), t.ticks);
    t.active = true;
    logEntry(LogType::TrDatChg, LogSubtype::Timer, static_cast<uint32_t>(t.ticks));
  }
  // A dispatch thread already waiting chose its time-out without this
  // timer: it looks again. (It sets the flag before it reads the timers, so
  // one side always sees the other; in a handler it is not waiting.)
  if (dispatchWaiting_.load() && open_.load()) DeviceWakeInputWait();
  return ecOK;
}

int TKovaBaseDispatcher::ArmStatusTrigger(int handle, uint16_t value, bool activate) {
  const uint8_t lines = open_.load() ? DeviceModemLines() : 0;
  std::lock_guard lock(dataLock_);
  for (auto& s : statuses_) {
    if (s.handle != handle) continue;
    switch (s.kind) {
      case stModem: {
        // The baseline is the line states now, under the mask; the trigger
        // fires when any masked line leaves it.
        const uint8_t mask = static_cast<uint8_t>(value & 0xF0);
        const uint8_t current = open_.load() ? lines : static_cast<uint8_t>(modemStatus_ & 0xF0);
        s.value = static_cast<uint16_t>(mask << 8 | (mask & current));
        break;
      }
      case stLine: {
        uint16_t mask = 0;
        if (value & 1) mask |= ceOverrun;
        if (value & 2) mask |= ceRxParity;
        if (value & 4) mask |= ceFrame;
        if (value & 8) mask |= ceBreak;
        s.value = mask;
        break;
      }
      default: s.value = value; break;
    }
    // The fired flag stays: it is cleared when the round ends, so a trigger
    // re-armed in its own handler fires once a round, not for ever.
    s.active = activate;
    logEntry(LogType::TrDatChg, LogSubtype::Status, static_cast<uint32_t>(handle),
             activate ? StatusTriggerNote(s.kind) : StatusTriggerNote(0));
    recomputeWatchOutput();
    return ecOK;
  }
  return ecBadTriggerHandle;
}

int TKovaBaseDispatcher::SetAvailThreshold(int count) {
  std::lock_guard lock(dataLock_);
  availThreshold_ = std::max(count, 0);
  return ecOK;
}

int TKovaBaseDispatcher::AvailThreshold() const {
  std::lock_guard lock(dataLock_);
  return availThreshold_;
}

int TKovaBaseDispatcher::FreeTrigger(int handle) {
  std::lock_guard lock(dataLock_);
  if (handle == AvailTriggerHandle) {
    availThreshold_ = 0;
    return ecOK;
  }
  auto erase = [&](auto& list, LogSubtype subtype) {
    auto it = std::find_if(list.begin(), list.end(), [&](const auto& t) { return t.handle == handle; });
    if (it == list.end()) return false;
    list.erase(it);
    logEntry(LogType::TrigDisp, subtype, static_cast<uint32_t>(handle));
    return true;
  };
  if (erase(timers_, LogSubtype::Timer) || erase(statuses_, LogSubtype::Status) || erase(datas_, LogSubtype::Data)) {
    recomputeWatchOutput();
    return ecOK;
  }
  return ecBadTriggerHandle;
}

void TKovaBaseDispatcher::SaveTriggerSet(TriggerSaveRecord& save) const {
  std::lock_guard lock(dataLock_);
  save.timers = timers_;
  save.statuses = statuses_;
  save.datas = datas_;
  save.availThreshold = availThreshold_;
  save.handleCounter = handleCounter_;
}

void TKovaBaseDispatcher::RestoreTriggerSet(const TriggerSaveRecord& save) {
  std::lock_guard lock(dataLock_);
  timers_ = save.timers;
  statuses_ = save.statuses;
  datas_ = save.datas;
  for (auto& d : datas_) {
    d.matcher.reset();
    d.matched = false;
  }
  for (auto& s : statuses_) s.fired = false;  // saved in the middle of a round, perhaps
  availThreshold_ = save.availThreshold;
  handleCounter_ = save.handleCounter;
  recomputeWatchOutput();
}

// ---- handlers

void TKovaBaseDispatcher::recomputeWantsDeliveries() {
  // The owner's own window alone does not want every trigger: only a second
  // window, any procedure or method, or the owner's explicit request does.
  auto live = [](const auto& list) {
    return std::count_if(list.begin(), list.end(), [](const auto& h) { return !h.deleted; });
  };
  wantsDeliveries_ = live(windowHandlers_) > 1 || live(procedureHandlers_) > 0 || live(methodHandlers_) > 0 ||
                     forceDeliveries_;
}

void TKovaBaseDispatcher::sweepDeletedHandlers() {
  auto sweep = [](auto& list) {
    list.erase(std::remove_if(list.begin(), list.end(), [](const auto& h) { return h.deleted; }), list.end());
  };
  sweep(windowHandlers_);
  sweep(procedureHandlers_);
  sweep(methodHandlers_);
  recomputeWantsDeliveries();
}

int TKovaBaseDispatcher::AddWindowHandler(MessageTarget* window, WindowProcedure procedure) {
  std::lock_guard lock(dataLock_);
  windowHandlers_.push_back(
      WindowHandler{window, std::make_shared<const WindowProcedure>(std::move(procedure)), false});
  logEntry(LogType::TrgHdAlc, LogSubtype::Window, 0);
  recomputeWantsDeliveries();
  return ecOK;
}

int TKovaBaseDispatcher::AddProcedureHandler(TriggerProcedure procedure) {
  std::lock_guard lock(dataLock_);
  procedureHandlers_.push_back(ProcedureHandler{procedure, false});
  logEntry(LogType::TrgHdAlc, LogSubtype::Procedure, 0);
  recomputeWantsDeliveries();
  return ecOK;
}

int TKovaBaseDispatcher::AddMethodHandler(const void* object, TriggerMethod method, bool synchronize) {
  std::lock_guard lock(dataLock_);
  methodHandlers_.push_back(
      MethodHandler{object, std::make_shared<const TriggerMethod>(std::move(method)), synchronize, false});
  logEntry(LogType::TrgHdAlc, LogSubtype::Method, 0);
  recomputeWantsDeliveries();
  return ecOK;
}

namespace {
// Removes the first live entry matching `same`, or only marks it while a
// delivery runs (the delivery's end sweeps it).
template <class List, class Same>
bool RemoveHandler(List& list, bool delivering, Same same) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->deleted || !same(*it)) continue;
    if (delivering)
      it->deleted = true;
    else
      list.erase(it);
    return true;
  }
  return false;
}
}  // namespace

int TKovaBaseDispatcher::RemoveWindowHandler(MessageTarget* window) {
  std::lock_guard lock(dataLock_);
  if (!RemoveHandler(windowHandlers_, delivering_.load(), [&](const auto& h) { return h.window == window; }))
    return ecBadArgument;
  logEntry(LogType::TrgHdDsp, LogSubtype::Window, 0);
  recomputeWantsDeliveries();
  return ecOK;
}

int TKovaBaseDispatcher::RemoveProcedureHandler(TriggerProcedure procedure) {
  std::lock_guard lock(dataLock_);
  if (!RemoveHandler(procedureHandlers_, delivering_.load(),
                     [&](const auto& h) { return h.procedure == procedure; }))
    return ecBadArgument;
  logEntry(LogType::TrgHdDsp, LogSubtype::Procedure, 0);
  recomputeWantsDeliveries();
  return ecOK;
}

int TKovaBaseDispatcher::RemoveMethodHandler(const void* object) {
  std::lock_guard lock(dataLock_);
  if (!RemoveHandler(methodHandlers_, delivering_.load(), [&](const auto& h) { return h.object == object; }))
    return ecBadArgument;
  logEntry(LogType::TrgHdDsp, LogSubtype::Method, 0);
  recomputeWantsDeliveries();
  return ecOK;
}

void TKovaBaseDispatcher::SetForceDeliveries(bool on) {
  std::lock_guard lock(dataLock_);
  forceDeliveries_ = on;
  recomputeWantsDeliveries();
}

bool TKovaBaseDispatcher::ForceDeliveries() const {
  std::lock_guard lock(dataLock_);
  return forceDeliveries_;
}

// ---- delivery

void TKovaBaseDispatcher::reportThreadException(const char* what) {
  ++handlerExceptions_;
  std::string text = std::string("Serial port: ") + (what ? what : "unknown exception");
  std::fprintf(stderr, "telvane: %s\n", text.c_str());
}

size_t TKovaBaseDispatcher::deliver(unsigned message, int handleOrCount, uint16_t dataWord, bool peek) {
  if (!wantsDeliveries_.load()) return 0;
  delivering_ = true;
  if (peek) {
    std::lock_guard lock(inputLock_);
    peekBase_ = input_.takenTotal();
    peekCount_ = 0;
  }
  const int32_t packed = static_cast<int32_t>((static_cast<uint32_t>(handle_) << 16) + dataWord);
  const unsigned param = static_cast<unsigned>(handleOrCount);
  uint64_t largestPeek = 0;
  // Each handler call of a peek delivery gets a ticket of its own; only the
  // thread running that call peeks, and only until the call returns (or
  // its send to the UI thread timed out): a handler that runs late, and
  // every other thread, takes bytes as usual.
  auto guarded = [&](auto&& call) {
    const uint64_t ticket = peek ? ++lastPeekTicket_ : 0;
    if (peek) {
      std::lock_guard lock(inputLock_);
      peekTicket_ = ticket;
      peekCount_ = 0;
    }
    try {
      call(ticket);
    } catch (const std::exception& e) {
      reportThreadException(e.what());
    } catch (...) {
      reportThreadException(nullptr);
    }
    if (peek) {
      std::lock_guard lock(inputLock_);
      largestPeek = std::max(largestPeek, peekCount_);
      peekTicket_ = 0;
      peekCount_ = 0;
    }
  };
  const TKovaBaseDispatcher* self = this;
  // Each entry is copied under the lock and called without it; entries
  // added meanwhile are appended, removed ones only marked.
  for (size_t i = 0; !destroyPending_.load(); ++i) {
    MethodHandler h;
    {
      std::lock_guard lock(dataLock_);
      if (i >= methodHandlers_.size()) break;
      h = methodHandlers_[i];
    }
    if (h.deleted) continue;
    if (h.synchronize)
      guarded([&](uint64_t ticket) {
        uiSendInProgress_ = true;
        UiQueue().send(
            [method = h.method, message, param, packed, self, ticket] {
              PeekMarkScope mark(self, ticket);
              (*method)(message, param, packed);
            },
            WindowSendTimeout);
        uiSendInProgress_ = false;
      });
    else
      guarded([&](uint64_t ticket) {
        PeekMarkScope mark(self, ticket);
        (*h.method)(message, param, packed);
      });
  }
  for (size_t i = 0; !destroyPending_.load(); ++i) {
    ProcedureHandler h;
    {
      std::lock_guard lock(dataLock_);
      if (i >= procedureHandlers_.size()) break;
      h = procedureHandlers_[i];
    }
    if (h.deleted) continue;
    guarded([&](uint64_t ticket) {
      PeekMarkScope mark(self, ticket);
      h.procedure(message, param, packed);
    });
  }
  for (size_t i = 0; !destroyPending_.load(); ++i) {
    WindowHandler h;
    {
      std::lock_guard lock(dataLock_);
      if (i >= windowHandlers_.size()) break;
      h = windowHandlers_[i];
    }
    if (h.deleted || !h.window) continue;
    // The message owns what it uses: after a time-out it may still run.
    guarded([&](uint64_t ticket) {
      uiSendInProgress_ = true;
      h.window->send(
          [procedure = h.procedure, message, param, packed, self, ticket] {
            PeekMarkScope mark(self, ticket);
            (*procedure)(message, param, packed);
          },
          WindowSendTimeout);
      uiSendInProgress_ = false;
    });
  }
  size_t consumed = 0;
  if (peek) {
    // What the handlers read is consumed, less what another thread took
    // meanwhile.
    std::lock_guard lock(inputLock_);
    const uint64_t end = peekBase_ + largestPeek;
    const uint64_t taken = input_.takenTotal();
    consumed = end > taken ? static_cast<size_t>(end - taken) : 0;
    input_.consume(consumed);
  }
  delivering_ = false;
  {
    std::lock_guard lock(dataLock_);
    sweepDeletedHandlers();
  }
  if (consumed > 0) {
    if (inputBlocked_.exchange(false)) DeviceWakeInputWait();
    if (peerStopped_.load()) updateInputFlow();
  }
  return consumed;
}

// ---- the checks

bool TKovaBaseDispatcher::checkStatusTriggers() {
  int handle = -1;
  uint16_t dataWord = 0;
  {
    std::lock_guard lock(dataLock_);
    for (auto& s : statuses_) {
      if (!s.active || s.fired) continue;
      bool fire = false;
      switch (s.kind) {
        case stModem: {
          const uint8_t mask = static_cast<uint8_t>(s.value >> 8);
          const uint8_t baseline = static_cast<uint8_t>(s.value & 0xFF);
          fire = ((baseline ^ modemStatus_) & mask) != 0;
          break;
        }
        case stLine:
          if (lineErrors_ & s.value) {
            s.value = static_cast<uint16_t>(lineErrors_ & s.value);
            fire = true;
          }
          break;
        case stOutBuffFree: {
          std::lock_guard out(outputLock_);
          const size_t free = output_.space();
          fire = free >= s.value;
          dataWord = static_cast<uint16_t>(std::min<size_t>(free, 0xFFFF));
          break;
        }
        case stOutBuffUsed: {
          std::lock_guard out(outputLock_);
          const size_t used = output_.count();
          fire = used <= s.value;
          dataWord = static_cast<uint16_t>(std::min<size_t>(used, 0xFFFF));
          break;
        }
        case stOutSent:
          fire = outputWritten_.exchange(false);
          break;
        default: break;
      }
      if (!fire) continue;
      s.active = false;
      s.fired = true;
      handle = s.handle;
      recomputeWatchOutput();
      if (s.kind != stOutBuffFree && s.kind != stOutBuffUsed) dataWord = 0;
      logEntry(LogType::Trigger, LogSubtype::Status, static_cast<uint32_t>(handle), StatusTriggerNote(s.kind));
      break;
    }
  }
  if (handle < 0) return false;
  deliver(TriggerStatus, handle, dataWord, false);
  return true;
}

bool TKovaBaseDispatcher::checkTimerTriggers() {
  int handle = -1;
  {
    std::lock_guard lock(dataLock_);
    const Tick now = CurrentTicks();
    for (auto& t : timers_) {
      if (!t.active || !TimerExpired(t.timer, now)) continue;
      t.active = false;
      handle = t.handle;
      logEntry(LogType::Trigger, LogSubtype::Timer, static_cast<uint32_t>(handle));
      break;
    }
  }
  if (handle < 0) return false;
  deliver(TriggerTimer, handle, 0, false);
  return true;
}

bool TKovaBaseDispatcher::checkDataAndAvailTriggers() {
  int availCount = -1;
  bool matched = false;
  {
    std::lock_guard lock(dataLock_);
    const int threshold = availThreshold_;
    const bool anyData =
        std::any_of(datas_.begin(), datas_.end(), [](const DataTrigger& d) { return d.matcher.length() > 0; });
    std::lock_guard input(inputLock_);
    const uint64_t taken = input_.takenTotal();
    const uint64_t end = input_.writtenTotal();
    uint64_t position = std::max(scanned_, taken);
    if (anyData) {
      for (; position < end && !matched; ++position) {
        const uint8_t byte = input_.atTotal(position);
        int longest = 0;
        for (auto& d : datas_) {
          if (d.matcher.length() == 0 || !d.matcher.feed(byte)) continue;
          d.matched = true;
          matched = true;
          longest = std::max(longest, d.matcher.length());
        }
        if (!matched) continue;
        // The bytes before the matched string are announced first.
        const uint64_t matchStart = position + 1 - static_cast<uint64_t>(longest);
        const uint64_t before = matchStart > taken ? matchStart - taken : 0;
        if (threshold > 0 && availFiredAt_ != matchStart && before >= static_cast<uint64_t>(threshold)) {
          availFiredAt_ = matchStart;
          availCount = static_cast<int>(before);
        }
      }
    } else {
      position = end;
    }
    scanned_ = position;
    if (!matched) {
      const uint64_t available = end - taken;
      if (threshold > 0 && availFiredAt_ != end && available >= static_cast<uint64_t>(threshold)) {
        availFiredAt_ = end;
        availCount = static_cast<int>(available);
      }
    }
  }
  if (availCount >= 0) {
    {
      std::lock_guard lock(dataLock_);
      logEntry(LogType::Trigger, LogSubtype::Avail, static_cast<uint32_t>(availCount));
    }
    deliver(TriggerAvail, availCount, 0, true);
  }
  if (!matched) return availCount >= 0;
  // Every matched trigger, the last registered first.
  for (;;) {
    int handle = -1;
    int length = 0;
    {
      std::lock_guard lock(dataLock_);
      for (auto it = datas_.rbegin(); it != datas_.rend(); ++it) {
        if (!it->matched) continue;
        it->matched = false;
        handle = it->handle;
        length = it->matcher.length();
        logEntry(LogType::Trigger, LogSubtype::Data, static_cast<uint32_t>(handle));
        break;
      }
    }
    if (handle < 0 || destroyPending_.load()) break;
    deliver(TriggerData, handle, static_cast<uint16_t>(length), true);
  }
  return true;
}

}  // namespace telvane
