// Opening, line settings, flow control, the rings' public operations and
// the status words of the dispatcher.

#include "serial/base_dispatcher.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/clock.h"
#include "platform/io_errors.h"
#include "platform/ui_queue.h"
#include "serial/dispatcher_table.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {
constexpr int kDrainRounds = 5000;
constexpr int kDrainRoundMs = 2;
constexpr int kDrainCharacters = 18;
// An output purge waits for the output thread in slices, looking each time
// whether the thread still runs.
constexpr auto kPurgeWaitSlice = std::chrono::milliseconds(20);
}  // namespace

TKovaBaseDispatcher::TKovaBaseDispatcher(void* owner) : owner_(owner) { handle_ = RegisterDispatcher(this); }

TKovaBaseDispatcher::~TKovaBaseDispatcher() {
  // A subclass stops the threads in its own destructor (they call its
  // device operations); here only what is left is made safe.
  for (std::thread* t : {&eventThread_, &dispatchThread_, &outputThread_})
    if (t->joinable()) t->join();
  UnregisterDispatcher(handle_);
}

void TKovaBaseDispatcher::SetDeviceName(std::string name) {
  std::lock_guard lock(dataLock_);
  deviceName_ = std::move(name);
}

std::string TKovaBaseDispatcher::DeviceName() const {
  std::lock_guard lock(dataLock_);
  return deviceName_;
}

int TKovaBaseDispatcher::OpenPort(const std::string& device, int32_t baud, uint32_t lineOptions, int inSize,
                                 int outSize, int dataBits, int stopBits, int parity) {
  if (open_.load() || threadsStarted_) return ecAlreadyOpen;
  if (outSize <= 0 || inSize < 0) return ecBadArgument;
  closing_ = false;
  destroyPending_ = false;
  deviceLost_ = 0;
  int rc = DeviceOpen(device, inSize, outSize);
  if (rc < 0) return rc;
  rc = DeviceQueueSizes(inSize, outSize);
  if (rc < 0) {
    DeviceClose();
    return rc;
  }
  {
    std::lock_guard lock(inputLock_);
    input_ = InputRing{};
    peekTicket_ = 0;
    peekBase_ = 0;
    peekCount_ = 0;
    deviceBacklog_ = 0;
  }
  {
    std::lock_guard lock(outputLock_);
    output_.allocate(static_cast<size_t>(outSize));
    ++outputGeneration_;
    outputWriting_ = false;
    outputPurging_ = false;
  }
  {
    std::lock_guard lock(flowCharLock_);
    pendingFlowChar_ = 0;
    lastFlowChar_ = 0;
  }
  const uint8_t lines = DeviceModemLines();
  {
    std::lock_guard lock(dataLock_);
    drainBaud_ = 115200;
    inSize_ = inSize;
    DeviceGetControl(dcb_);
    dtrFlow_ = (lineOptions & loFlowDtr) != 0;
    rtsFlow_ = (lineOptions & loFlowRts) != 0;
    requireDsr_ = (lineOptions & loRequireDsr) != 0;
    requireCts_ = (lineOptions & loRequireCts) != 0;
    swReceiveFlow_ = false;
    bufferFull_ = bufferResume_ = 0;
    flowActive_ = false;
    peerStopped_ = false;
    // A line under hardware flow is left to the flow control.
    if (!dtrFlow_) {
      dtrState_ = (lineOptions & loDtrOn) != 0;
      DeviceEscape(dtrState_ ? deSetDtr : deClrDtr);
    }
    if (!rtsFlow_) {
      rtsState_ = (lineOptions & loRtsOn) != 0;
      DeviceEscape(rtsState_ ? deSetRts : deClrRts);
    }
    dcb_.dtrControl = dtrFlow_ ? LineControl::Handshake : (dtrState_ ? LineControl::Enable : LineControl::Disable);
    dcb_.rtsControl = rtsFlow_ ? LineControl::Handshake : (rtsState_ ? LineControl::Enable : LineControl::Disable);
    dcb_.outxCtsFlow = requireCts_;
    dcb_.outxDsrFlow = requireDsr_;
    clearAllTriggers();
    modemStatus_ = lines;
    updateOutputHold();
    lineErrors_ = 0;
    ringSeen_ = false;
    outputWritten_ = false;
    trace_.stop();
    log_.stop();
    tracing_ = false;
    logging_ = false;
  }
  // Force the device to our settings once, then apply the requested line.
  {
    DeviceControlBlock dcb;
    {
      std::lock_guard lock(dataLock_);
      dcb = dcb_;
      if (!BaudSupported(dcb.baud)) dcb.baud = 19200;
    }
    rc = DeviceSetControl(dcb);
    if (rc == 0) {
      std::lock_guard lock(dataLock_);
      dcb_ = dcb;
    }
  }
  if (rc == 0) rc = SetLineParams(baud, parity, dataBits, stopBits);
  if (rc < 0) {
    DeviceClose();
    ReleaseBuffers(true);
    return rc;
  }
  DeviceStatus status;
  {
    const uint32_t bits = DeviceErrors(status);
    std::lock_guard lock(dataLock_);
    lineErrors_ = bits & 0x1F;
  }
  open_ = true;
  try {
    StartThreads();
  } catch (...) {
    StopThreads();
    DeviceClose();
    ReleaseBuffers(true);
    open_ = false;
    return ecNoHandles;
  }
  return ecOK;
}

bool TKovaBaseDispatcher::InsideDelivery() const {
  if (!delivering_.load()) return false;
  if (std::this_thread::get_id() == dispatchThread_.get_id()) return true;
  return uiSendInProgress_.load() && UiQueue().onUiThread();
}

int TKovaBaseDispatcher::ClosePort() {
  if (!open_.load()) return ecOK;
  if (InsideDelivery()) {
    // Called from inside a delivery: the threads are told to end and the
    // owner completes the close (FinishClose) once they have.
    destroyPending_ = true;
    closing_ = true;
    outputEvents_.signal(evOutputFlush);
    DeviceCancelWait();
    readyEvent_.signal(evReady);
    DeviceWakeInputWait();
    return ecOK;
  }
  StopThreads();
  DeviceClose();
  ReleaseBuffers(true);
  open_ = false;
  return ecOK;
}

void TKovaBaseDispatcher::FinishClose() {
  StopThreads();
  DeviceClose();
  ReleaseBuffers(true);
  open_ = false;
  destroyPending_ = false;
}

void TKovaBaseDispatcher::ReleaseBuffers(bool freeBuffers) {
  StopThreads();
  if (!freeBuffers) return;
  {
    std::lock_guard lock(outputLock_);
    output_.release();
    ++outputGeneration_;
  }
  std::lock_guard lock(dataLock_);
  log_.stop();
  trace_.stop();
  tracing_ = false;
  logging_ = false;
}

int TKovaBaseDispatcher::YieldSlice() {
  std::this_thread::yield();
  return 0;
}

// ---- line settings

int TKovaBaseDispatcher::drainAndDelay() {
  Clock& clock = CurrentClock();
  for (int round = 0; round < kDrainRounds; ++round) {
    size_t queued;
    {
      std::lock_guard lock(outputLock_);
      queued = output_.count();
    }
    if (queued == 0 && DeviceOutputQueued() == 0) break;
    if (deviceLost_.load() != 0 || !open_.load()) break;
    clock.sleepMilliseconds(kDrainRoundMs);
  }
  int32_t baud;
  int bits;
  {
    std::lock_guard lock(dataLock_);
    baud = std::max<int32_t>(drainBaud_, 1);
    bits = dcb_.dataBits + (dcb_.parity != pvNone ? 1 : 0) + 1 + (dcb_.stopBits == sbOne ? 1 : 2);
  }
  // The time of 18 characters, in units of 0.1 microsecond: the UART may
  // still be shifting out what the driver already handed it.
  int64_t units = int64_t{10000000} / baud * bits * kDrainCharacters;
  if (units < 9999) units *= 2;
  clock.sleepMilliseconds(static_cast<uint64_t>((units + 9999) / 10000));
  return 0;
}

int TKovaBaseDispatcher::SetLineParams(int32_t baud, int parity, int dataBits, int stopBits) {
  DeviceControlBlock dcb;
  {
    std::lock_guard lock(dataLock_);
    dcb = dcb_;  // as last written: a pty reads back 8 data bits whatever was set
  }
  dcb.binary = true;
  dcb.parityCheck = false;
  dcb.dsrSensitivity = false;
  dcb.txContinueOnXoff = true;
  dcb.nullStrip = false;
  const int32_t newBaud = baud == 0 ? dcb.baud : baud;
  const int newParity = parity == 5 ? dcb.parity : parity;
  const int newData = dataBits == 9 ? dcb.dataBits : dataBits;
  uint8_t newStop;
  if (stopBits == 3)
    newStop = dcb.stopBits;
  else
    newStop = stopBits >= 2 ? sbTwo : sbOne;
  if (newStop == sbTwo && newData == 5) newStop = sbOneAndHalf;
  if (newParity < pvNone || newParity > pvSpace) return ecBadArgument;
  if (newData < 5 || newData > 8) return ecByteSize;
  if (!BaudSupported(newBaud)) return ecBaudRate;
  {
    std::lock_guard lock(dataLock_);
    if (newBaud == dcb_.baud && newParity == dcb_.parity && newData == dcb_.dataBits && newStop == dcb_.stopBits)
      return ecOK;
  }
  drainAndDelay();
  dcb.baud = newBaud;
  dcb.parity = static_cast<uint8_t>(newParity);
  dcb.dataBits = static_cast<uint8_t>(newData);
  dcb.stopBits = newStop;
  std::lock_guard lock(dataLock_);
  // Flow fields stay as the flow operations set them.
  DeviceControlBlock merged = dcb_;
  merged.baud = dcb.baud;
  merged.parity = dcb.parity;
  merged.dataBits = dcb.dataBits;
  merged.stopBits = dcb.stopBits;
  const int rc = DeviceSetControl(merged);
  if (rc < 0) return rc;
  dcb_ = merged;
  drainBaud_ = merged.baud;
  return ecOK;
}

int TKovaBaseDispatcher::GetLineParams(int32_t& baud, int& parity, int& dataBits, int& stopBits) {
  std::lock_guard lock(dataLock_);
  baud = dcb_.baud;
  parity = dcb_.parity;
  dataBits = dcb_.dataBits;
  stopBits = dcb_.stopBits == sbOne ? 1 : 2;
  return ecOK;
}

int TKovaBaseDispatcher::SetDtrLine(bool on) {
  std::lock_guard lock(dataLock_);
  if (dtrFlow_) return 1;
  const int rc = DeviceEscape(on ? deSetDtr : deClrDtr);
  dtrState_ = on;
  dcb_.dtrControl = on ? LineControl::Enable : LineControl::Disable;
  return rc;
}

int TKovaBaseDispatcher::SetRtsLine(bool on) {
  std::lock_guard lock(dataLock_);
  if (rtsFlow_) return 1;
  const int rc = DeviceEscape(on ? deSetRts : deClrRts);
  rtsState_ = on;
  dcb_.rtsControl = on ? LineControl::Enable : LineControl::Disable;
  return rc;
}

bool TKovaBaseDispatcher::DtrState() const {
  std::lock_guard lock(dataLock_);
  return dtrState_;
}

bool TKovaBaseDispatcher::RtsState() const {
  std::lock_guard lock(dataLock_);
  return rtsState_;
}

int TKovaBaseDispatcher::SetBreak(bool on) { return DeviceEscape(on ? deSetBreak : deClrBreak); }

int TKovaBaseDispatcher::SetHardwareFlow(int bufferFull, int bufferResume, uint32_t options) {
  bool resume = false;
  int rc;
  {
    std::lock_guard lock(dataLock_);
    if (bufferFull < bufferResume || bufferFull > inSize_ || bufferResume < 0) return ecBadArgument;
    dcb_.xoffLim = static_cast<uint16_t>(inSize_ - bufferFull);
    dcb_.xonLim = static_cast<uint16_t>(bufferResume);
    const bool wasFlow = dtrFlow_ || rtsFlow_;
    dtrFlow_ = (options & hfUseDTR) != 0;
    rtsFlow_ = (options & hfUseRTS) != 0;
    requireDsr_ = (options & hfRequireDSR) != 0;
    requireCts_ = (options & hfRequireCTS) != 0;
    dcb_.dtrControl = dtrFlow_ ? LineControl::Handshake : (dtrState_ ? LineControl::Enable : LineControl::Disable);
    dcb_.rtsControl = rtsFlow_ ? LineControl::Handshake : (rtsState_ ? LineControl::Enable : LineControl::Disable);
    dcb_.outxDsrFlow = requireDsr_;
    dcb_.outxCtsFlow = requireCts_;
    updateOutputHold();
    bufferFull_ = bufferFull;
    bufferResume_ = bufferResume;
    // A line given back to the program returns to the state it was set to.
    if (wasFlow && !dtrFlow_) DeviceEscape(dtrState_ ? deSetDtr : deClrDtr);
    if (wasFlow && !rtsFlow_) DeviceEscape(rtsState_ ? deSetRts : deClrRts);
    if (dtrFlow_) DeviceEscape(deSetDtr);
    if (rtsFlow_) DeviceEscape(deSetRts);
    flowActive_ = dtrFlow_ || rtsFlow_ || swReceiveFlow_;
    resume = !flowActive_ && peerStopped_.load();
    rc = DeviceSetControl(dcb_);
  }
  if (resume) peerStopped_ = false;
  updateInputFlow();
  return rc;
}

int TKovaBaseDispatcher::SetSoftwareFlow(int bufferFull, int bufferResume, uint32_t options) {
  bool resume = false;
  int rc;
  {
    std::lock_guard lock(dataLock_);
    if (bufferFull < bufferResume || bufferFull > inSize_ || bufferResume < 0) return ecBadArgument;
    dcb_.xoffLim = static_cast<uint16_t>(inSize_ - bufferFull);
    dcb_.xonLim = static_cast<uint16_t>(bufferResume);
    dcb_.outX = (options & sfTransmitFlow) != 0;
    dcb_.inX = (options & sfReceiveFlow) != 0;
    dcb_.xonChar = 17;
    dcb_.xoffChar = 19;
    const bool wasReceiveFlow = swReceiveFlow_;
    swReceiveFlow_ = dcb_.inX;
    bufferFull_ = bufferFull;
    bufferResume_ = bufferResume;
    flowActive_ = dtrFlow_ || rtsFlow_ || swReceiveFlow_;
    // Switching receive flow off while the peer is held: let it go.
    if (wasReceiveFlow && !swReceiveFlow_ && peerStopped_.load()) {
      sendFlowChar(dcb_.xonChar);
      resume = !flowActive_;
    }
    rc = DeviceSetControl(dcb_);
  }
  if (resume) peerStopped_ = false;
  updateInputFlow();
  return rc;
}

int TKovaBaseDispatcher::SetXonXoffChars(uint8_t xon, uint8_t xoff) {
  std::lock_guard lock(dataLock_);
  dcb_.xonChar = xon;
  dcb_.xoffChar = xoff;
  return DeviceSetControl(dcb_);
}

// Holds the far side back when the unread input reaches the buffer-full
// level and lets it go at the resume level: XOff/XOn for software flow,
// RTS or DTR dropped and raised for hardware flow.
void TKovaBaseDispatcher::updateInputFlow() {
  if (!flowActive_.load() || !open_.load()) return;
  std::lock_guard data(dataLock_);
  auto used = [this] {
    std::lock_guard input(inputLock_);
    return input_.count() + static_cast<size_t>(std::max(deviceBacklog_, 0));
  };
  auto stop = [this](bool on) {
    if (swReceiveFlow_) sendFlowChar(on ? dcb_.xoffChar : dcb_.xonChar);
    if (rtsFlow_) DeviceEscape(on ? deClrRts : deSetRts);
    if (dtrFlow_) DeviceEscape(on ? deClrDtr : deSetDtr);
  };
  if (!peerStopped_.load()) {
    if (bufferFull_ <= 0 || used() < static_cast<size_t>(bufferFull_)) return;
    // Flag first, then count again: a consumer that took bytes before it
    // could see the flag has already lowered the count we look at now.
    peerStopped_ = true;
    stop(true);
    if (used() > static_cast<size_t>(bufferResume_)) return;
  } else if (used() > static_cast<size_t>(bufferResume_)) {
    return;
  }
  stop(false);
  peerStopped_ = false;
}

// XOn and XOff go straight to the device, ahead of the output ring. When
// the device has no room the output thread sends the character as soon as
// it has; a newer character replaces one still waiting (the peer only
// needs the latest state).
void TKovaBaseDispatcher::sendFlowChar(uint8_t c) {
  {
    std::lock_guard lock(flowCharLock_);
    pendingFlowChar_ = 0;
    lastFlowChar_ = c;
    if (DeviceWriteNow(&c, 1) == 1) return;
    pendingFlowChar_ = c;
  }
  outputEvents_.signal(evOutput);
}

bool TKovaBaseDispatcher::resendFlowCharAfterPurge() {
  // A purge of the transmit queue drops a flow character that was still in
  // it; the peer would keep sending into a full ring (a lost XOff) or wait
  // for ever (a lost XOn). Sending the latest one again is harmless either
  // way. One still pending never reached the device and is kept.
  if (lastFlowChar_ == 0 || pendingFlowChar_ != 0) return false;
  if (DeviceWriteNow(&lastFlowChar_, 1) == 1) return false;
  pendingFlowChar_ = lastFlowChar_;
  return true;
}

bool TKovaBaseDispatcher::flushPendingFlowChar() {
  std::lock_guard lock(flowCharLock_);
  if (pendingFlowChar_ == 0) return true;
  if (DeviceWriteNow(&pendingFlowChar_, 1) != 1) return false;
  pendingFlowChar_ = 0;
  return true;
}

// ---- data

int TKovaBaseDispatcher::DeviceReadRuns(std::span<uint8_t> first, std::span<uint8_t> second) {
  const int got = DeviceRead(first.data(), first.size());
  if (got < 0 || static_cast<size_t>(got) < first.size() || second.empty()) return got;
  const int rest = DeviceRead(second.data(), second.size());
  return rest > 0 ? got + rest : got;
}

int TKovaBaseDispatcher::DeviceWrite(std::span<const uint8_t> data) {
  // Called with outputLock_ held; the caller wakes the output thread once
  // the lock is released (woken under it, the thread would block on it).
  output_.append(data);
  return static_cast<int>(data.size());
}

int TKovaBaseDispatcher::SendByte(uint8_t byte) { return SendBlock(std::span<const uint8_t>(&byte, 1)); }

int TKovaBaseDispatcher::SendText(std::string_view text) {
  return SendBlock(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

int TKovaBaseDispatcher::SendBlock(std::span<const uint8_t> data) {
  if (!open_.load()) return ecCommNotOpen;
  if (data.empty()) return ecOK;
  if (const int lost = deviceLost_.load()) return lost;
  int written;
  bool wakeOutput;
  {
    std::lock_guard lock(outputLock_);
    if (output_.space() < data.size()) return ecOutputBufferTooSmall;
    written = DeviceWrite(data);
    wakeOutput = std::exchange(outputIdle_, false);
  }
  if (written <= 0) return ecPutBlockFail;
  // A busy output thread finds the new bytes before it goes idle.
  if (wakeOutput) outputEvents_.signal(evOutput);
  outputWritten_ = true;
  if (tracing_.load() || logging_.load()) {
    std::lock_guard lock(dataLock_);
    if (tracing_.load()) trace_.add(TraceBuffer::Transmitted, data.data(), data.size());
    if (logging_.load())
      logEntry(LogType::Dispatch, LogSubtype::WriteCom, static_cast<uint32_t>(data.size()), {}, data.data(),
               data.size());
  }
  return ecOK;
}

bool TKovaBaseDispatcher::peekingHere() const {
  return peekTicket_ != 0 && peekMark_.dispatcher == this && peekMark_.ticket == peekTicket_;
}

uint64_t TKovaBaseDispatcher::readPosition() const {
  const uint64_t taken = input_.takenTotal();
  if (!peekingHere()) return taken;
  // Bytes another thread took meanwhile are skipped, not read again.
  return std::max(peekBase_ + peekCount_, taken);
}

int TKovaBaseDispatcher::TakeByte(uint8_t& byte) {
  {
    std::lock_guard lock(inputLock_);
    const uint64_t at = readPosition();
    if (at >= input_.writtenTotal()) return ecBufferIsEmpty;
    byte = input_.atTotal(at);
    if (peekingHere()) {
      peekCount_ = at + 1 - peekBase_;
      return ecOK;
    }
    input_.consume(1);
  }
  if (inputBlocked_.exchange(false)) DeviceWakeInputWait();
  if (peerStopped_.load()) updateInputFlow();
  return ecOK;
}

int TKovaBaseDispatcher::GetBlock(std::span<uint8_t> out) {
  if (out.empty()) return ecOK;
  {
    std::lock_guard lock(inputLock_);
    const uint64_t at = readPosition();
    if (input_.writtenTotal() - at < out.size()) return ecBufferIsEmpty;
    input_.copyOut(static_cast<size_t>(at - input_.takenTotal()), out);
    if (peekingHere()) {
      peekCount_ = at + out.size() - peekBase_;
      return static_cast<int>(out.size());
    }
    input_.consume(out.size());
  }
  if (inputBlocked_.exchange(false)) DeviceWakeInputWait();
  if (peerStopped_.load()) updateInputFlow();
  return static_cast<int>(out.size());
}

int TKovaBaseDispatcher::PeekByte(uint8_t& byte, size_t n) {
  if (n == 0) return ecBadArgument;
  std::lock_guard lock(inputLock_);
  const uint64_t at = readPosition();
  if (n > input_.writtenTotal() - at) return ecBufferIsEmpty;
  byte = input_.atTotal(at + (n - 1));
  return ecOK;
}

bool TKovaBaseDispatcher::ByteAvailable() { return InputCount() > 0; }

int TKovaBaseDispatcher::InputCount() {
  std::lock_guard lock(inputLock_);
  return static_cast<int>(input_.writtenTotal() - readPosition());
}

int TKovaBaseDispatcher::OutputCount() {
  std::lock_guard lock(outputLock_);
  return static_cast<int>(output_.count());
}

int TKovaBaseDispatcher::OutputFree() {
  std::lock_guard lock(outputLock_);
  return static_cast<int>(output_.space());
}

int TKovaBaseDispatcher::ClearInput() {
  int rc = ecOK;
  {
    // The dispatch thread reads the device and commits what it read under
    // readLock_: bytes read before the device's purge cannot land in the
    // ring after the ring's.
    std::lock_guard read(readLock_);
    {
      std::lock_guard lock(inputLock_);
      input_.clear();
      deviceBacklog_ = 0;
    }
    if (open_.load()) rc = DevicePurge(1);
  }
  if (inputBlocked_.exchange(false)) DeviceWakeInputWait();
  if (peerStopped_.load()) updateInputFlow();
  return rc;
}

int TKovaBaseDispatcher::ClearOutput() {
  if (!open_.load()) return ecOK;
  std::lock_guard purge(outputPurgeLock_);
  std::unique_lock lock(outputLock_);
  // The output thread writes a run straight from the ring: the ring is
  // emptied only once it has let go of it, or a block sent meanwhile
  // would be appended over bytes still being written (sent garbled, or
  // twice). Until the purge is done it takes no new run, so nothing sent
  // meanwhile reaches the device only to be purged from its queue.
  outputPurging_ = true;
  ++outputGeneration_;  // the run being written is dropped at its next step
  if (outputWriting_) {
    lock.unlock();
    outputEvents_.signal(evOutputFlush);  // ends a wait for the device
    lock.lock();
    while (outputWriting_ && !outputEnded_.load()) outputLetGo_.wait_for(lock, kPurgeWaitSlice);
  }
  output_.clear();
  ++outputGeneration_;
  int rc;
  bool wakeOutput;
  {
    std::lock_guard flow(flowCharLock_);
    rc = DevicePurge(0);
    wakeOutput = resendFlowCharAfterPurge();
  }
  outputPurging_ = false;
  lock.unlock();
  if (wakeOutput) outputEvents_.signal(evOutput);
  return rc;
}

// ---- status words

void TKovaBaseDispatcher::sampleModemStatus() {
  const uint8_t lines = DeviceModemLines();
  std::lock_guard lock(dataLock_);
  const uint8_t old = modemStatus_ & 0xF0;
  uint8_t deltas = static_cast<uint8_t>((modemStatus_ & 0x0F) | ((old ^ lines) >> 4));
  if (ringSeen_) {
    deltas |= msTrailingRI;
    ringSeen_ = false;
  }
  modemStatus_ = static_cast<uint8_t>(lines | deltas);
  updateOutputHold();
  if (logging_.load()) logEntry(LogType::Dispatch, LogSubtype::ModemStatus, modemStatus_);
}

void TKovaBaseDispatcher::updateOutputHold() {
  outputHeld_ = (requireCts_ && !(modemStatus_ & msCTS)) || (requireDsr_ && !(modemStatus_ & msDSR));
}

void TKovaBaseDispatcher::sampleLineErrors() {
  DeviceStatus status;
  const uint32_t bits = DeviceErrors(status);
  std::lock_guard lock(dataLock_);
  lineErrors_ |= bits & 0x1F;
  if (bits && logging_.load()) logEntry(LogType::Dispatch, LogSubtype::LineStatus, bits);
}

uint8_t TKovaBaseDispatcher::ReadModemStatus(uint8_t clearMask) {
  if (open_.load()) sampleModemStatus();
  std::lock_guard lock(dataLock_);
  const uint8_t status = modemStatus_;
  modemStatus_ &= clearMask;
  return status;
}

int TKovaBaseDispatcher::ReadLineError() {
  if (open_.load()) sampleLineErrors();
  std::lock_guard lock(dataLock_);
  static constexpr struct {
    uint32_t bit;
    int error;
  } kPriority[] = {{ceRxOver, leBuffer}, {ceOverrun, leOverrun}, {ceRxParity, leParity}, {ceFrame, leFraming}};
  for (const auto& row : kPriority)
    if (lineErrors_ & row.bit) {
      lineErrors_ &= ~0x0Fu;
      return row.error;
    }
  if (lineErrors_ & ceBreak) {
    lineErrors_ &= ~ceBreak;
    return leBreak;
  }
  return leNoError;
}

// ---- trace and log

int TKovaBaseDispatcher::TraceOn(uint32_t size) {
  if (size > MaxTraceSize) return ecBadArgument;
  std::lock_guard lock(dataLock_);
  trace_.start(size);
  tracing_ = trace_.recording();
  return ecOK;
}

int TKovaBaseDispatcher::TraceOff() {
  std::lock_guard lock(dataLock_);
  trace_.stop();
  tracing_ = false;
  return ecOK;
}

int TKovaBaseDispatcher::TraceClear() {
  std::lock_guard lock(dataLock_);
  trace_.clear();
  return ecOK;
}

int TKovaBaseDispatcher::TracePause(bool paused) {
  std::lock_guard lock(dataLock_);
  if (!trace_.active()) return ecTracingNotEnabled;
  trace_.setPaused(paused);
  tracing_ = trace_.recording();
  return ecOK;
}

bool TKovaBaseDispatcher::Tracing() const {
  std::lock_guard lock(dataLock_);
  return trace_.active();
}

std::string TKovaBaseDispatcher::TraceText(bool hex, bool allHex) const {
  std::lock_guard lock(dataLock_);
  return trace_.dumpText(hex, allHex);
}

int TKovaBaseDispatcher::TraceDump(const std::string& file, bool append, bool hex, bool allHex) {
  std::string text;
  {
    std::lock_guard lock(dataLock_);
    if (!trace_.active()) return ecTracingNotEnabled;
    text = trace_.dumpText(hex, allHex);
    trace_.clear();
  }
  return WriteDumpFile(file, text, append) ? ecOK : -io_error::WriteFault;
}

int TKovaBaseDispatcher::EventLogOn(uint32_t size) {
  if (size > MaxLogSize) return ecBadArgument;
  std::lock_guard lock(dataLock_);
  log_.start(size, CurrentClock().milliseconds());
  logging_ = log_.recording();
  return ecOK;
}

int TKovaBaseDispatcher::EventLogOff() {
  std::lock_guard lock(dataLock_);
  log_.stop();
  logging_ = false;
  return ecOK;
}

int TKovaBaseDispatcher::EventLogClear() {
  std::lock_guard lock(dataLock_);
  log_.clear();
  return ecOK;
}

int TKovaBaseDispatcher::EventLogPause(bool paused) {
  std::lock_guard lock(dataLock_);
  if (!log_.active()) return ecLoggingNotEnabled;
  log_.setPaused(paused);
  logging_ = log_.recording();
  return ecOK;
}

bool TKovaBaseDispatcher::Logging() const {
  std::lock_guard lock(dataLock_);
  return log_.active();
}

std::string TKovaBaseDispatcher::EventLogText(bool hex, bool allHex) const {
  std::lock_guard lock(dataLock_);
  return log_.dumpText(deviceName_, hex, allHex);
}

int TKovaBaseDispatcher::EventLogDump(const std::string& file, bool append, bool hex, bool allHex) {
  std::string text;
  {
    std::lock_guard lock(dataLock_);
    if (!log_.active()) return ecLoggingNotEnabled;
    text = log_.dumpText(deviceName_, hex, allHex);
    log_.clear();
  }
  return WriteDumpFile(file, text, append) ? ecOK : -io_error::WriteFault;
}

void TKovaBaseDispatcher::logEntry(LogType type, LogSubtype subtype, uint32_t data, std::string_view note,
                                  const uint8_t* bytes, size_t n) {
  // Called with dataLock_ held.
  if (log_.recording()) log_.add(CurrentClock().milliseconds(), type, subtype, data, note, bytes, n);
}

void TKovaBaseDispatcher::AddLogEntry(LogType type, LogSubtype subtype, uint32_t data, std::string_view note) {
  std::lock_guard lock(dataLock_);
  logEntry(type, subtype, data, note);
}

}  // namespace telvane
