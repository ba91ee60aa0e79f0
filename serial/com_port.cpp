#include "serial/com_port.h"

#include <exception>

#include "platform/clock.h"
#include "platform/pending_messages.h"
#include "platform/program_directory.h"
#include "platform/prompts.h"
#include "platform/text.h"
#include "platform/ui_queue.h"
#include "serial/kova_exceptions.h"
#include "serial/com_port_names.h"
#include "serial/dispatcher_table.h"
#include "serial/status_codes.h"
#include "serial/termios_dispatcher.h"

namespace telvane {

TKovaCustomComPort::TKovaCustomComPort() = default;

TKovaCustomComPort::~TKovaCustomComPort() {
  reopenRequested_ = false;
  try {
    if (state_ != psClosed) closePort();
    if (dispatcher_) {
      // A close still completing: the threads are ending; wait for them.
      dispatcher_->FinishClose();
      finishClose();
    }
  } catch (...) {
  }
}

int TKovaCustomComPort::CheckCode(int code) const {
  if (code >= 0 || loading_) return code;
  RaiseForCode(code);
}

void TKovaCustomComPort::Loaded() {
  loading_ = false;
  if (!openWhenLoaded_) return;
  openWhenLoaded_ = false;
  try {
    SetOpen(true);
  } catch (const std::exception& e) {
    open_ = false;
    ShowError(e.what());
  }
}

// ---- open and close

void TKovaCustomComPort::SetOpen(bool value) {
  if (loading_) {
    openWhenLoaded_ = value;
    open_ = value;
    return;
  }
  if (value) {
    if (state_ == psShuttingDown) {
      reopenRequested_ = true;
      return;
    }
    if (state_ == psOpen) return;
    openPort();
  } else {
    reopenRequested_ = false;
    closePort();
  }
}

void TKovaCustomComPort::openPort() {
  if (tapiMode_ != tmOn && comNumber_ == 0 && devicePath_.empty()) {
    if (!promptForPort_) RaiseForCode(ecNoPortSelected);
    const int chosen = RunPortSelection();
    if (chosen <= 0 || chosen > 0xFFFF) RaiseForCode(ecNoPortSelected);
    comNumber_ = static_cast<uint16_t>(chosen);
  }
  if (deviceLayer_ != dlWin32) RaiseForCode(ecNullApi);
  auto dispatcher = std::make_unique<TKovaTermiosDispatcher>(this);
  dispatcher->SetDeviceName(devicePath_.empty() ? ComDeviceName(comNumber_) : devicePath_);
  try {
    uint32_t options = (dtr_ ? loDtrOn : 0) | (rts_ ? loRtsOn : 0) | (static_cast<uint32_t>(hwFlow_) << 4);
    const std::string device = devicePath_.empty() ? ComDevicePath(comNumber_) : devicePath_;
    int rc = dispatcher->OpenPort(device, baud_, options, inSize_, outSize_, dataBits_, stopBits_, parity_);
    if (rc == ecAccessDenied) rc = ecAlreadyOpen;
    if (rc == ecFileNotFound || rc == ecPathNotFound) rc = ecBadId;
    if (rc != 0) RaiseForCode(rc);
    dispatcher_ = std::move(dispatcher);
    state_ = psOpen;
    UpdateTriggerForwarding();
    applying_ = true;
    applySettings();
    applying_ = false;
    open_ = true;
    window_ = std::make_unique<MessageTarget>(UiQueue());
    dispatcher_->AddWindowHandler(window_.get(), [this](unsigned message, unsigned wParam, int32_t lParam) {
      windowProcedure(message, wParam, lParam);
    });
    if (triggersSaved_) {
      dispatcher_->RestoreTriggerSet(savedTriggers_);
      triggersSaved_ = false;
    }
    notifyUsers(true);
  } catch (...) {
    applying_ = false;
    open_ = false;
    state_ = psClosed;
    window_.reset();
    if (dispatcher_) dispatcher_->ClosePort();
    dispatcher_.reset();
    throw;
  }
}

void TKovaCustomComPort::applySettings() {
  applyTracing(tracing_);
  applyLogging(logging_);
  applyHardwareFlow();
  applySoftwareFlow();
  CheckCode(dispatcher_->SetXonXoffChars(static_cast<uint8_t>(xonChar_), static_cast<uint8_t>(xoffChar_)));
  CheckCode(dispatcher_->SetAvailThreshold(availLength_));
  if (deviceLayer_ != dlWin16) {
    CheckCode(dispatcher_->SetDtrLine(dtr_));
    CheckCode(dispatcher_->SetRtsLine(rts_));
  }
  // UseMSRShadow, UseEventWord, CommNotificationLevel: stored only. RS-485
  // direction switching is left to the device driver on this platform.
}

void TKovaCustomComPort::closePort() {
  open_ = false;
  if (state_ != psOpen) return;
  // A dump that cannot be written is shown; it does not keep the port open.
  try {
    applyTracing(tlDump);
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  try {
    applyLogging(tlDump);
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
  state_ = psShuttingDown;
  notifyUsers(false);
  dispatcher_->SaveTriggerSet(savedTriggers_);
  triggersSaved_ = true;
  if (dispatcher_->InsideDelivery()) {
    // Called from inside a trigger event: the delivery must end first. The
    // notification window finishes the close once the threads are gone.
    dispatcher_->ClosePort();
    postCloseCompletion();
    return;
  }
  dispatcher_->ClosePort();
  finishClose();
}

void TKovaCustomComPort::postCloseCompletion() {
  MessageTarget* window = window_.get();
  if (!window) return;
  const int handle = dispatcher_->Handle();
  window->post([this, handle] { windowProcedure(PortClosedMessage, 0, static_cast<int32_t>(handle << 16)); });
}

void TKovaCustomComPort::finishClose() {
  if (dispatcher_) {
    if (window_) dispatcher_->RemoveWindowHandler(window_.get());
    if (dispatcher_->IsOpen()) dispatcher_->FinishClose();
  }
  window_.reset();
  dispatcher_.reset();
  state_ = psClosed;
  if (reopenRequested_) {
    reopenRequested_ = false;
    SetOpen(true);
  }
}

// ---- properties that reach an open port

void TKovaCustomComPort::SetComNumber(uint16_t v) {
  if (state_ != psOpen || comNumber_ == v) {
    comNumber_ = v;
    return;
  }
  // Reopen on the new port with the same triggers, tracing and logging.
  const TTraceLogState tracing = tracing_;
  const TTraceLogState logging = logging_;
  SetOpen(false);
  comNumber_ = v;
  tracing_ = tracing == tlPause ? tlOn : tracing;
  logging_ = logging == tlPause ? tlOn : logging;
  SetOpen(true);
}

void TKovaCustomComPort::SetBaud(int32_t v) {
  if (state_ == psOpen) CheckCode(dispatcher_->SetLineParams(v, 5, 9, 3));
  baud_ = v;
}

void TKovaCustomComPort::SetParity(TParity v) {
  if (state_ == psOpen) CheckCode(dispatcher_->SetLineParams(0, v, 9, 3));
  parity_ = v;
}

void TKovaCustomComPort::SetDataBits(uint16_t v) {
  if (state_ == psOpen) CheckCode(dispatcher_->SetLineParams(0, 5, v, 3));
  dataBits_ = v;
}

void TKovaCustomComPort::SetStopBits(uint16_t v) {
  if (state_ == psOpen) CheckCode(dispatcher_->SetLineParams(0, 5, 9, v == 3 ? 2 : v));
  stopBits_ = v;
}

void TKovaCustomComPort::SetDTR(bool v) {
  dtr_ = v;
  if (state_ == psOpen) CheckCode(dispatcher_->SetDtrLine(v));
}

void TKovaCustomComPort::SetRTS(bool v) {
  rts_ = v;
  if (state_ == psOpen) CheckCode(dispatcher_->SetRtsLine(v));
}

void TKovaCustomComPort::SetHWFlowOptions(THWFlowOptions v) {
  hwFlow_ = v & 0x0F;
  if (hwFlow_ & (hwfUseRTS | hwfRequireCTS)) rs485Mode_ = false;
  if (state_ == psOpen) applyHardwareFlow();
}

void TKovaCustomComPort::applyHardwareFlow() {
  if (hwFlow_ != 0) {
    if (bufferFull_ == 0 || bufferFull_ > inSize_) bufferFull_ = static_cast<uint16_t>(inSize_ * 9 / 10);
    if (bufferResume_ == 0 || bufferResume_ > bufferFull_) bufferResume_ = static_cast<uint16_t>(inSize_ / 10);
  }
  if (dispatcher_) CheckCode(dispatcher_->SetHardwareFlow(bufferFull_, bufferResume_, hwFlow_));
}

void TKovaCustomComPort::SetSWFlowOptions(TSWFlowOptions v) {
  swFlow_ = v;
  if (state_ == psOpen) applySoftwareFlow();
}

void TKovaCustomComPort::applySoftwareFlow() {
  uint32_t options = 0;
  if (swFlow_ == swfReceive || swFlow_ == swfBoth) options |= sfReceiveFlow;
  if (swFlow_ == swfTransmit || swFlow_ == swfBoth) options |= sfTransmitFlow;
  if (swFlow_ != swfNone) {
    if (bufferFull_ == 0 || bufferFull_ > inSize_) bufferFull_ = static_cast<uint16_t>(inSize_ * 3 / 4);
    if (bufferResume_ == 0 || bufferResume_ > bufferFull_) bufferResume_ = static_cast<uint16_t>(inSize_ / 4);
  }
  if (!dispatcher_) return;
  if (options == 0)
    CheckCode(dispatcher_->SetSoftwareFlow(0, 0, 0));
  else
    CheckCode(dispatcher_->SetSoftwareFlow(bufferFull_, bufferResume_, options));
}

void TKovaCustomComPort::SetXOnChar(char v) {
  xonChar_ = v;
  if (state_ == psOpen)
    CheckCode(dispatcher_->SetXonXoffChars(static_cast<uint8_t>(xonChar_), static_cast<uint8_t>(xoffChar_)));
}

void TKovaCustomComPort::SetXOffChar(char v) {
  xoffChar_ = v;
  if (state_ == psOpen)
    CheckCode(dispatcher_->SetXonXoffChars(static_cast<uint8_t>(xonChar_), static_cast<uint8_t>(xoffChar_)));
}

void TKovaCustomComPort::SetBufferFull(uint16_t v) {
  bufferFull_ = v;
  if (state_ == psOpen && hwFlow_) applyHardwareFlow();
  if (state_ == psOpen && swFlow_ != swfNone) applySoftwareFlow();
}

void TKovaCustomComPort::SetBufferResume(uint16_t v) {
  bufferResume_ = v;
  if (state_ == psOpen && hwFlow_) applyHardwareFlow();
  if (state_ == psOpen && swFlow_ != swfNone) applySoftwareFlow();
}

// ---- tracing and logging

std::string TKovaCustomComPort::dumpPath(const std::string& name) const {
  if (!name.empty() && name.front() == '/') return name;
  return ProgramDirectory() + name;
}

void TKovaCustomComPort::SetTracing(TTraceLogState v) {
  if (state_ != psOpen) {
    tracing_ = v == tlOn ? tlOn : tlOff;
    return;
  }
  if (v == tracing_ && !applying_) return;
  applyTracing(v);
}

void TKovaCustomComPort::applyTracing(TTraceLogState v) {
  if (!dispatcher_) return;
  TKovaBaseDispatcher& d = *dispatcher_;
  const bool active = tracing_ == tlOn || tracing_ == tlPause;
  switch (v) {
    case tlOn:
      if (tracing_ == tlPause && d.Tracing())
        CheckCode(d.TracePause(false));
      else
        CheckCode(d.TraceOn(static_cast<uint32_t>(traceSize_)));
      tracing_ = tlOn;
      break;
    case tlOff:
      d.TraceOff();
      tracing_ = tlOff;
      break;
    case tlDump:
    case tlAppend:
      if (active && d.Tracing()) {
        const int rc = d.TraceDump(dumpPath(traceName_), v == tlAppend, traceHex_, traceAllHex_);
        d.TraceOff();
        tracing_ = tlOff;
        CheckCode(rc);
      }
      tracing_ = tlOff;
      break;
    case tlClear:
      if (active) d.TraceClear();
      break;
    case tlPause:
      if (tracing_ == tlOn) {
        CheckCode(d.TracePause(true));
        tracing_ = tlPause;
      }
      break;
  }
}

void TKovaCustomComPort::SetTraceSize(int32_t v) {
  traceSize_ = std::clamp<int32_t>(v, 0, static_cast<int32_t>(MaxTraceSize));
  if (state_ == psOpen && tracing_ == tlOn) CheckCode(dispatcher_->TraceOn(static_cast<uint32_t>(traceSize_)));
}

void TKovaCustomComPort::SetLogging(TTraceLogState v) {
  if (state_ != psOpen) {
    logging_ = v == tlOn ? tlOn : tlOff;
    return;
  }
  if (v == logging_ && !applying_) return;
  applyLogging(v);
}

void TKovaCustomComPort::applyLogging(TTraceLogState v) {
  if (!dispatcher_) return;
  TKovaBaseDispatcher& d = *dispatcher_;
  const bool active = logging_ == tlOn || logging_ == tlPause;
  switch (v) {
    case tlOn:
      if (logging_ == tlPause && d.Logging())
        CheckCode(d.EventLogPause(false));
      else
        CheckCode(d.EventLogOn(static_cast<uint32_t>(logSize_)));
      logging_ = tlOn;
      break;
    case tlOff:
      d.EventLogOff();
      logging_ = tlOff;
      break;
    case tlDump:
    case tlAppend:
      if (active && d.Logging()) {
        const int rc = d.EventLogDump(dumpPath(logName_), v == tlAppend, logHex_, logAllHex_);
        d.EventLogOff();
        logging_ = tlOff;
        CheckCode(rc);
      }
      logging_ = tlOff;
      break;
    case tlClear:
      if (active) d.EventLogClear();
      break;
    case tlPause:
      if (logging_ == tlOn) {
        CheckCode(d.EventLogPause(true));
        logging_ = tlPause;
      }
      break;
  }
}

void TKovaCustomComPort::SetLogSize(int32_t v) {
  logSize_ = std::clamp<int32_t>(v, 0, static_cast<int32_t>(MaxLogSize));
  if (state_ == psOpen && logging_ == tlOn) CheckCode(dispatcher_->EventLogOn(static_cast<uint32_t>(logSize_)));
}

// ---- trigger events

void TKovaCustomComPort::UpdateTriggerForwarding() {
  if (!dispatcher_) return;
  const bool any = OnTrigger || OnTriggerAvail || OnTriggerData || OnTriggerStatus || OnTriggerTimer ||
                   OnTriggerLineError || OnTriggerModemStatus || OnTriggerOutbuffFree || OnTriggerOutbuffUsed ||
                   OnTriggerOutSent;
  dispatcher_->SetForceDeliveries(any);
}

void TKovaCustomComPort::windowProcedure(unsigned message, unsigned wParam, int32_t lParam) {
  const int handle = static_cast<int>((static_cast<uint32_t>(lParam) >> 16) & 0xFFFF);
  if (message == PortClosedMessage) {
    if (!dispatcher_ || dispatcher_->Handle() != handle) return;
    if (dispatcher_->RunningThreads() > 0) {
      postCloseCompletion();  // not yet: look again on the next round
      return;
    }
    finishClose();
    return;
  }
  if (message < TriggerAvail || message > TriggerStatus) return;
  // Nothing reaches the component once it started closing.
  if (state_ != psOpen) return;
  TKovaBaseDispatcher* d = DispatcherByHandle(handle);
  if (!d || d != dispatcher_.get() || d->Owner() != this) return;
  const unsigned data = message == TriggerAvail ? wParam : static_cast<unsigned>(lParam & 0xFFFF);
  try {
    OnTrigger(*this, message, wParam, data);
    switch (message) {
      case TriggerAvail: OnTriggerAvail(*this, wParam); break;
      case TriggerData: OnTriggerData(*this, wParam); break;
      case TriggerTimer: OnTriggerTimer(*this, wParam); break;
      case TriggerStatus:
        OnTriggerStatus(*this, wParam);
        if (state_ != psOpen) break;
        switch (wParam & 7) {
          case stModem: OnTriggerModemStatus(*this); break;
          case stLine: {
            const int error = dispatcher_->ReadLineError();
            OnTriggerLineError(*this, error, error == leBreak);
            break;
          }
          case stOutBuffFree: OnTriggerOutbuffFree(*this); break;
          case stOutBuffUsed: OnTriggerOutbuffUsed(*this); break;
          case stOutSent: OnTriggerOutSent(*this); break;
          default: break;
        }
        break;
      default: break;
    }
  } catch (const std::exception& e) {
    ShowError(e.what());
  } catch (...) {
    ShowError("Unknown exception in a trigger event");
  }
}

// ---- users

void TKovaCustomComPort::RegisterUser(const void* key, std::function<void(bool)> callback) {
  users_.push_back(User{key, nullptr, nullptr, std::move(callback)});
}

void TKovaCustomComPort::RegisterUserWindow(MessageTarget* window, std::function<void(unsigned)> procedure) {
  users_.push_back(User{window, window, std::move(procedure), nullptr});
}

void TKovaCustomComPort::DeregisterUser(const void* key) {
  std::erase_if(users_, [&](const User& u) { return u.key == key; });
}

void TKovaCustomComPort::notifyUsers(bool opening) {
  const std::vector<User> users = users_;  // a user may deregister while told
  for (auto it = users.rbegin(); it != users.rend(); ++it) {
    if (it->window) {
      const unsigned message = opening ? PortOpenMessage : PortCloseMessage;
      it->window->send([procedure = it->windowProcedure, message] { procedure(message); },
                       std::chrono::milliseconds(3000));
    } else if (it->callback) {
      it->callback(opening);
    }
  }
}

// ---- data and triggers

TKovaBaseDispatcher& TKovaCustomComPort::ValidDispatcher() {
  if (!dispatcher_ && autoOpen_ && !loading_ && state_ == psClosed) SetOpen(true);
  if (!dispatcher_) RaiseForCode(ecCommNotOpen);
  return *dispatcher_;
}

void TKovaCustomComPort::SendByte(uint8_t byte) {
  if (closing()) return;
  CheckCode(ValidDispatcher().SendByte(byte));
}

void TKovaCustomComPort::SendText(std::string_view text) {
  if (closing()) return;
  CheckCode(ValidDispatcher().SendText(text));
}

void TKovaCustomComPort::SendBlock(std::span<const uint8_t> data) {
  if (closing()) return;
  CheckCode(ValidDispatcher().SendBlock(data));
}

bool TKovaCustomComPort::ByteAvailable() {
  if (closing()) return false;
  return ValidDispatcher().ByteAvailable();
}

uint8_t TKovaCustomComPort::TakeByte() {
  if (closing()) return 0;
  uint8_t byte = 0;
  CheckCode(ValidDispatcher().TakeByte(byte));
  return byte;
}

uint8_t TKovaCustomComPort::PeekByte(size_t n) {
  if (closing()) return 0;
  uint8_t byte = 0;
  CheckCode(ValidDispatcher().PeekByte(byte, n));
  return byte;
}

int TKovaCustomComPort::InputCount() { return closing() ? 0 : CheckCode(ValidDispatcher().InputCount()); }
int TKovaCustomComPort::OutputCount() { return closing() ? 0 : CheckCode(ValidDispatcher().OutputCount()); }
int TKovaCustomComPort::OutputFree() { return closing() ? 0 : CheckCode(ValidDispatcher().OutputFree()); }

void TKovaCustomComPort::ClearInput() {
  if (!closing()) CheckCode(ValidDispatcher().ClearInput());
}

void TKovaCustomComPort::ClearOutput() {
  if (!closing()) CheckCode(ValidDispatcher().ClearOutput());
}

uint8_t TKovaCustomComPort::ModemStatus(uint8_t clearMask) { return ValidDispatcher().ReadModemStatus(clearMask); }
int TKovaCustomComPort::LineError() { return ValidDispatcher().ReadLineError(); }

int TKovaCustomComPort::NewDataTrigger(std::string_view text, bool ignoreCase) {
  return CheckCode(ValidDispatcher().NewDataTrigger(text, ignoreCase));
}
int TKovaCustomComPort::NewTimerTrigger() { return CheckCode(ValidDispatcher().NewTimerTrigger()); }
int TKovaCustomComPort::NewStatusTrigger(int kind) { return CheckCode(ValidDispatcher().NewStatusTrigger(kind)); }
void TKovaCustomComPort::FreeTrigger(int handle) { CheckCode(ValidDispatcher().FreeTrigger(handle)); }
void TKovaCustomComPort::ArmTimerTrigger(int handle, int32_t ticks, bool activate) {
  CheckCode(ValidDispatcher().ArmTimerTrigger(handle, ticks, activate));
}
void TKovaCustomComPort::ArmStatusTrigger(int handle, uint16_t value, bool activate) {
  CheckCode(ValidDispatcher().ArmStatusTrigger(handle, value, activate));
}
void TKovaCustomComPort::SetAvailThreshold(int count) {
  availLength_ = count;
  if (dispatcher_) CheckCode(dispatcher_->SetAvailThreshold(count));
}

bool TKovaCustomComPort::AwaitText(std::string_view text, int32_t ticks, bool yield, bool ignoreCase) {
  if (text.empty() || closing()) return true;
  TKovaBaseDispatcher& d = ValidDispatcher();
  const std::string wanted = ignoreCase ? ToUpperAscii(text) : std::string(text);
  Clock& clock = CurrentClock();
  const TickTimer timer = NewTimer(CurrentTicks(), ticks);
  size_t matched = 0;
  for (;;) {
    uint8_t byte;
    if (d.TakeByte(byte) == ecOK) {
      const char c = static_cast<char>(byte);
      OnWaitChar(*this, c);
      const char folded = ignoreCase ? ToUpperAscii(c) : c;
      if (folded == wanted[matched]) {
        if (++matched == wanted.size()) return true;
      } else {
        matched = folded == wanted[0] ? 1 : 0;
        if (matched == wanted.size()) return true;
      }
      continue;
    }
    if (TimerExpired(timer, CurrentTicks())) return false;
    if (yield) ProcessPendingMessages();
    if (state_ != psOpen || !dispatcher_) return true;
    clock.sleepMilliseconds(1);
  }
}

}  // namespace telvane
