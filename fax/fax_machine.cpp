#include "fax/fax_machine.h"

#include <algorithm>

#include "fax/class2_vocabulary.h"
#include "fax/modem_trace.h"
#include "serial/base_dispatcher.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {

constexpr uint8_t kDle = 0x10;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kCan = 0x18;
constexpr int32_t kHangupTicks = 54;  // 3 s for each answer while hanging up
constexpr int kMaxFcErrorRepeats = 3;

int32_t TicksForDelay(int ms) { return std::max<int32_t>(0, ms / TickMilliseconds); }

std::atomic<int> unlistedTransitions{0};

// Whether `name` is one of the blank-separated names in `list`.
bool Listed(std::string_view list, std::string_view name) {
  while (!list.empty()) {
    const size_t end = std::min(list.find(' '), list.size());
    if (list.substr(0, end) == name) return true;
    list.remove_prefix(std::min(end + 1, list.size()));
  }
  return false;
}

}  // namespace

int UnlistedTransitionCount() { return unlistedTransitions.load(); }

FaxMachine::FaxMachine(TKovaBaseDispatcher& port, std::shared_ptr<FaxMachineHost> host, FaxSessionSettings settings)
    : host_(std::move(host)), settings_(std::move(settings)), port_(port) {}

FaxMachine::~FaxMachine() = default;

const char* FaxMachine::stateName(int state) const {
  const auto table = states();
  return state >= 0 && static_cast<size_t>(state) < table.size() ? table[state].name : "?";
}

FaxStatusInfo FaxMachine::statusInfo() const { return infoCopy(); }

FaxStatusInfo FaxMachine::infoCopy() const {
  std::lock_guard lock(infoLock_);
  return info_;
}

// ---- trigger wiring

int FaxMachine::start() {
  port_.SetAvailThreshold(1);
  timeoutTimer_ = port_.NewTimerTrigger();
  statusTimer_ = port_.NewTimerTrigger();
  delayTimer_ = port_.NewTimerTrigger();
  kickTimer_ = port_.NewTimerTrigger();
  outFreeTrigger_ = port_.NewStatusTrigger(stOutBuffFree);
  outUsedTrigger_ = port_.NewStatusTrigger(stOutBuffUsed);
  for (int handle : {timeoutTimer_, statusTimer_, delayTimer_, kickTimer_, outFreeTrigger_, outUsedTrigger_}) {
    if (handle < 0) {
      stop();
      return ecNoMoreTriggers;
    }
  }
  running_ = true;
  statusTicks_ = std::max<int32_t>(1, TicksFromSeconds(std::max(1, settings_.statusIntervalSeconds)));
  std::weak_ptr<FaxMachine> weak = weak_from_this();
  std::shared_ptr<FaxMachine> self = shared_from_this();
  // The first step runs here, on the calling thread, before the dispatch
  // thread can deliver anything to the machine.
  firstStep();
  runPendingEntries();
  if (!running_) return ecOK;
  port_.AddMethodHandler(this, [self](unsigned message, unsigned param, int32_t packed) {
    self->onTrigger(message, param, packed);
  });
  port_.ArmTimerTrigger(statusTimer_, statusTicks_, true);
  // Bytes that arrived before the handler was in place.
  port_.ArmTimerTrigger(kickTimer_, 0, true);
  return ecOK;
}

void FaxMachine::stop() {
  running_ = false;
  // Once only, whichever thread comes first (the session's end on the
  // dispatch thread, or the component going away on the UI thread). The
  // handles stay as they were: a delivery still running may read them.
  if (stopped_.exchange(true)) return;
  port_.RemoveMethodHandler(this);
  for (int handle : {timeoutTimer_, statusTimer_, delayTimer_, kickTimer_, outFreeTrigger_, outUsedTrigger_})
    if (handle > 0) port_.FreeTrigger(handle);
}

void FaxMachine::requestAbort() {
  if (!running_) return;
  abortRequested_ = true;
  if (kickTimer_ > 0) port_.ArmTimerTrigger(kickTimer_, 0, true);
}

void FaxMachine::onTrigger(unsigned message, unsigned param, int32_t) {
  if (!running_) return;
  if (abortRequested_.exchange(false)) {
    dispatch(FaxEvent(FaxInput::Abort));
    if (!running_) return;
  }
  if (port_.DeviceLostCode() != 0) {
    // Nothing more can reach the modem, not even a hang-up: keep what the
    // session has and end it now.
    modemLost();
    if (running_) finish(ecFaxModemLost);
    return;
  }
  const int handle = static_cast<int>(param);
  switch (message) {
    case TriggerAvail:
      pumpInput();
      break;
    case TriggerTimer:
      if (handle == statusTimer_) {
        statusTimerFired();
      } else if (handle == timeoutTimer_) {
        timeoutArmed_ = false;
        dispatch(FaxEvent(FaxInput::TimeOut));
      } else if (handle == delayTimer_) {
        if (!delayedCommand_.empty()) {
          std::string command = std::move(delayedCommand_);
          delayedCommand_.clear();
          sendCommand(command, delayedTimeout_);
        } else {
          dispatch(FaxEvent(FaxInput::Delay));
        }
      } else if (handle == kickTimer_) {
        pumpInput();
      }
      break;
    case TriggerStatus:
      if (handle == outFreeTrigger_) dispatch(FaxEvent(FaxInput::OutFree));
      else if (handle == outUsedTrigger_) dispatch(FaxEvent(FaxInput::OutUsed));
      break;
    default:
      break;
  }
}

void FaxMachine::statusTimerFired() {
  notifyStatus();
  if (running_) port_.ArmTimerTrigger(statusTimer_, statusTicks_, true);
}

// ---- input

void FaxMachine::pumpInput() {
  while (running_) {
    if (!hangingUp() && states()[state_].awaits == Awaits::Raw) {
      const int before = state_;
      dispatch(FaxEvent(FaxInput::Data));
      // A raw state reads all it can; it hands on only by changing state.
      if (state_ == before) return;
      continue;
    }
    uint8_t byte = 0;
    if (port_.TakeByte(byte) != ecOK) return;
    switch (collector_.feed(byte)) {
      case t30::ResponseCollector::Event::Line:
        handleLine();
        break;
      case t30::ResponseCollector::Event::Frame:
        handleFrameBytes();
        break;
      case t30::ResponseCollector::Event::None:
        break;
    }
  }
}

int FaxMachine::takeBytes(uint8_t* out, int max) {
  int n = 0;
  while (n < max && port_.TakeByte(out[n]) == ecOK) {
    // The LF of the CR LF that ended the CONNECT line is not data.
    const bool lineFeed = afterLine_ && out[n] == '\n';
    afterLine_ = false;
    if (!lineFeed) ++n;
  }
  return n;
}

void FaxMachine::handleFrameBytes() {
  if (collector_.frameOverlong()) {
    pendingFrame_.clear();
    havePendingFrame_ = true;  // judged bad whatever follows
    logNote("frame too long");
    return;
  }
  pendingFrame_.assign(collector_.frame().begin(), collector_.frame().end());
  havePendingFrame_ = true;
}

void FaxMachine::handleLine() {
  const std::string text = collector_.line();
  afterLine_ = true;
  const t30::ClassifiedLine classified = t30::ClassifyResponse(text);
  if (classified.kind == t30::ModemResponse::Empty) return;
  port_.AddLogEntry(LogType::Fax, LogSubtype::Data, static_cast<uint32_t>(text.size()), "<- " + text);
  ModemTrace("<- " + text);

  if (havePendingFrame_) {
    havePendingFrame_ = false;
    FaxEvent event;
    if (classified.kind == t30::ModemResponse::Ok) {
      event.frame = t30::ParseFrame(pendingFrame_);
      event.input = event.frame.valid ? FaxInput::Frame : FaxInput::BadFrame;
      if (event.frame.valid)
        logNote("frame " + t30::FcfName(event.frame.fcf) + (event.frame.final ? " (final)" : ""));
      else
        logNote("frame unreadable");
      dispatch(event);
      return;
    }
    if (classified.kind == t30::ModemResponse::Error) {
      logNote("frame with a bad FCS");
      dispatch(FaxEvent(FaxInput::BadFrame));
      return;
    }
    // Anything else (NO CARRIER, +FCERROR) drops the frame and is a line.
  }

  if (classified.kind == t30::ModemResponse::Connect && frameOnConnect_) {
    frameOnConnect_ = false;
    collector_.expectFrame();
  }
  if (classified.kind == t30::ModemResponse::FcError && !lastReceiveCommand_.empty() &&
      fcErrorRetries_ < kMaxFcErrorRepeats) {
    // T.31: the carrier asked for was not (yet) heard. Listen again.
    ++fcErrorRetries_;
    const std::string command = lastReceiveCommand_;
    const int retries = fcErrorRetries_;
    sendCommand(command);
    fcErrorRetries_ = retries;
    return;
  }
  FaxEvent event(FaxInput::Line);
  event.response = classified.kind;
  event.line = text;
  dispatch(event);
}

void FaxMachine::dispatch(const FaxEvent& event) {
  if (!running_) return;
  if (hangingUp())
    stepHangup(event);
  else
    step(event);
  runPendingEntries();
}

void FaxMachine::runPendingEntries() {
  while (running_ && entered_) {
    entered_ = false;
    if (hangingUp()) return;
    step(FaxEvent(FaxInput::Enter));
  }
}

void FaxMachine::setState(int next) {
  const auto table = states();
  if (next < 0 || static_cast<size_t>(next) >= table.size()) return;
  std::string note = std::string(table[state_].name) + " -> " + table[next].name;
  if (next != abortState() && !Listed(table[state_].next, table[next].name)) {
    ++unlistedTransitions;
    note += " (not in the state table)";
  }
  port_.AddLogEntry(LogType::Fax, LogSubtype::Status, static_cast<uint32_t>(next), note);
  ModemTrace("   " + note);
  state_ = next;
  entered_ = table[next].awaits == Awaits::Nothing;
}

// ---- output

void FaxMachine::sendCommand(std::string_view command, int32_t timeoutTicks) {
  collector_.reset();
  havePendingFrame_ = false;
  frameOnConnect_ = false;
  const bool receiving = command.starts_with("AT+FRH=") || command.starts_with("AT+FRM=");
  if (receiving) {
    if (lastReceiveCommand_ != command) fcErrorRetries_ = 0;
    lastReceiveCommand_ = std::string(command);
  } else {
    lastReceiveCommand_.clear();
    fcErrorRetries_ = 0;
  }
  if (command.starts_with("AT+FRH=")) frameOnConnect_ = true;
  port_.AddLogEntry(LogType::Fax, LogSubtype::Data, static_cast<uint32_t>(command.size()),
                    "-> " + std::string(command));
  ModemTrace("-> " + std::string(command));
  std::string line(command);
  line.push_back('\r');
  port_.SendText(line);
  armTimeout(timeoutTicks);
}

void FaxMachine::sendAfter(int ms, std::string command, int32_t timeoutTicks) {
  delayedCommand_ = std::move(command);
  delayedTimeout_ = timeoutTicks;
  stopTimeout();
  port_.ArmTimerTrigger(delayTimer_, TicksForDelay(ms), true);
}

void FaxMachine::delay(int ms) {
  delayedCommand_.clear();
  port_.ArmTimerTrigger(delayTimer_, TicksForDelay(ms), true);
}

void FaxMachine::receiveFrame(int32_t timeoutTicks) { sendCommand("AT+FRH=3", timeoutTicks); }

void FaxMachine::sendFrame(uint8_t fcf, std::span<const uint8_t> info, bool final) {
  const std::vector<uint8_t> frame = t30::BuildFrame(fcf, info, final);
  logNote("send " + t30::FcfName(fcf) + (final ? " (final)" : ""));
  sendBytes(t30::ShieldForModem(frame));
}

void FaxMachine::sendBytes(std::span<const uint8_t> bytes) {
  if (!bytes.empty()) port_.SendBlock(bytes);
}

void FaxMachine::armTimeout(int32_t ticks) {
  timeoutArmed_ = true;
  port_.ArmTimerTrigger(timeoutTimer_, ticks, true);
}

void FaxMachine::stopTimeout() {
  if (!timeoutArmed_) return;
  timeoutArmed_ = false;
  port_.ArmTimerTrigger(timeoutTimer_, 0, false);
}

void FaxMachine::armOutFree(int bytes) {
  port_.ArmStatusTrigger(outFreeTrigger_, static_cast<uint16_t>(bytes), true);
}

void FaxMachine::armOutUsed(int bytes) {
  port_.ArmStatusTrigger(outUsedTrigger_, static_cast<uint16_t>(bytes), true);
}

void FaxMachine::stopOutputTriggers() {
  port_.ArmStatusTrigger(outFreeTrigger_, 0, false);
  port_.ArmStatusTrigger(outUsedTrigger_, 0, false);
}

void FaxMachine::pageFlow(bool on, bool receiving) {
  if (!settings_.softwareFlow) return;
  constexpr int kFull = 6144, kResume = 2048;
  port_.SetSoftwareFlow(kFull, kResume, on ? (receiving ? sfReceiveFlow : sfTransmitFlow) : 0);
}

void FaxMachine::clearInput() {
  port_.ClearInput();
  collector_.reset();
  havePendingFrame_ = false;
}

// ---- reporting

void FaxMachine::setStatus(int code, bool notifyNow) {
  updateInfo([code](FaxStatusInfo& info) { info.status = code; });
  if (notifyNow) notifyStatus();
}

void FaxMachine::notifyStatus(bool first, bool last) { host_->machineStatus(first, last); }

void FaxMachine::notifyLog(int code) { host_->machineLog(code); }

void FaxMachine::notifyError(int code) {
  lastError_ = code;
  updateInfo([code](FaxStatusInfo& info) { info.lastError = code; });
  logNote("error " + std::to_string(code));
  host_->machineError(code);
}

void FaxMachine::finish(int code) {
  if (!running_) return;
  port_.AddLogEntry(LogType::Fax, LogSubtype::Status, static_cast<uint32_t>(-code),
                    "ErrorCode:" + std::to_string(code));
  stop();
  host_->machineFinished(code);
}

void FaxMachine::logNote(std::string_view note) {
  port_.AddLogEntry(LogType::Fax, LogSubtype::Status, 0, note);
  ModemTrace("   " + std::string(note));
}

// ---- hang-up

void FaxMachine::keepHangupCode(const std::string& reportLine) {
  hangupCode_ = std::string(t30::ClassifyResponse(reportLine).argument);
  const std::string_view meaning = HangupCodeMeaning(hangupCode_);
  logNote("hang-up " + hangupCode_ + (meaning.empty() ? "" : ": " + std::string(meaning)));
  updateInfo([&](FaxStatusInfo& info) { info.hangupCode = hangupCode_; });
}

bool FaxMachine::hungUpBadly() const { return hungUp() && !IsNormalHangup(hangupCode_); }

void FaxMachine::beginHangup(int thenState, DataPhase phase) {
  hangupThen_ = thenState;
  stopOutputTriggers();
  delayedCommand_.clear();
  if (phase == DataPhase::None) {
    hangupStep_ = HangupStep::Ath;
    clearInput();
    sendCommand("ATH", kHangupTicks);
    return;
  }
  // Leave the data phase first: DLE ETX ends what we transmit (T.31 8.3.3),
  // any byte cancels a reception (T.31 8.3.4).
  hangupStep_ = HangupStep::LeaveData;
  if (phase == DataPhase::Transmitting) {
    port_.ClearOutput();
    const uint8_t end[] = {kDle, kEtx};
    sendBytes(end);
  } else {
    const uint8_t cancel[] = {kCan};
    sendBytes(cancel);
  }
  collector_.reset();
  armTimeout(kHangupTicks);
}

void FaxMachine::stepHangup(const FaxEvent& event) {
  const bool answered = event.input == FaxInput::Line;
  const bool ok = answered && event.response == t30::ModemResponse::Ok;
  auto done = [this] {
    hangupStep_ = HangupStep::Idle;
    stopTimeout();
    clearInput();
    setState(hangupThen_);
  };
  switch (hangupStep_) {
    case HangupStep::Idle:
      break;
    case HangupStep::LeaveData:
      if (answered || event.input == FaxInput::TimeOut) {
        hangupStep_ = HangupStep::Ath;
        clearInput();
        sendCommand("ATH", kHangupTicks);
      }
      break;
    case HangupStep::Ath:
      if (ok) {
        done();
      } else if (answered || event.input == FaxInput::TimeOut) {
        // No OK: the modem may still be on line in data mode. Escape with
        // "+++" between two guard times, then hang up again.
        hangupStep_ = HangupStep::Escape;
        stopTimeout();
        delay(1000);
      }
      break;
    case HangupStep::Escape:
      if (event.input == FaxInput::Delay) {
        port_.SendText("+++");
        hangupStep_ = HangupStep::AthAfterEscape;
        sendAfter(1000, "ATH", kHangupTicks);
      }
      break;
    case HangupStep::AthAfterEscape:
      if (ok) {
        done();
      } else if (answered || event.input == FaxInput::TimeOut) {
        // Last resort: drop DTR for half a second.
        hangupStep_ = HangupStep::DropDtr;
        stopTimeout();
        port_.SetDtrLine(false);
        delay(500);
      }
      break;
    case HangupStep::DropDtr:
      if (event.input == FaxInput::Delay) {
        port_.SetDtrLine(true);
        done();
      }
      break;
  }
}

}  // namespace telvane
