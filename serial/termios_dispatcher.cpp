#include "serial/termios_dispatcher.h"

#include "serial/status_codes.h"

namespace telvane {

TKovaTermiosDispatcher::TKovaTermiosDispatcher(void* owner) : TKovaBaseDispatcher(owner) {}

TKovaTermiosDispatcher::~TKovaTermiosDispatcher() {
  // The threads call this class's device operations: stop them while it
  // is still whole.
  StopThreads();
  DeviceClose();
  open_ = false;
}

int TKovaTermiosDispatcher::DeviceEscape(int function) {
  switch (function) {
    case deSetDtr: device_.setDtr(true); break;
    case deClrDtr: device_.setDtr(false); break;
    case deSetRts: device_.setRts(true); break;
    case deClrRts: device_.setRts(false); break;
    case deSetBreak: device_.setBreak(true); break;
    case deClrBreak: device_.setBreak(false); break;
    default: break;
  }
  return 0;
}

int TKovaTermiosDispatcher::DevicePurge(int which) {
  return which == 0 ? device_.purgeOutput() : device_.purgeInput();
}

uint32_t TKovaTermiosDispatcher::DeviceErrors(DeviceStatus& status) {
  const uint32_t bits = errorBits_.exchange(0) | device_.takeErrors();
  status.inputCount = device_.inputQueued();
  std::lock_guard lock(outputLock_);
  status.outputCount = static_cast<int>(output_.full() ? output_.capacity() : output_.count());
  return bits;
}

int TKovaTermiosDispatcher::DeviceGetControl(DeviceControlBlock& dcb) { return device_.getControl(dcb); }

int TKovaTermiosDispatcher::DeviceRead(uint8_t* buffer, size_t n) { return device_.read(buffer, n); }

int TKovaTermiosDispatcher::DeviceReadRuns(std::span<uint8_t> first, std::span<uint8_t> second) {
  return device_.read(first, second);
}

int TKovaTermiosDispatcher::DeviceSetControl(const DeviceControlBlock& dcb) { return device_.setControl(dcb); }

uint32_t TKovaTermiosDispatcher::DeviceWaitEvent(bool watchInput, int timeoutMs) {
  return device_.waitEvent(watchInput, timeoutMs);
}

int TKovaTermiosDispatcher::DeviceQueueSizes(int, int) {
  // The driver's queues have fixed sizes; the input size still sets the
  // flow-control thresholds.
  return ecOK;
}

int TKovaTermiosDispatcher::DeviceOpen(const std::string& name, int, int) { return device_.open(name); }

void TKovaTermiosDispatcher::DeviceClose() { device_.close(); }

int TKovaTermiosDispatcher::DeviceWriteNow(const uint8_t* data, size_t n) { return device_.write(data, n); }

bool TKovaTermiosDispatcher::DeviceWaitWritable(int timeoutMs) { return device_.waitWritable(timeoutMs); }

void TKovaTermiosDispatcher::DeviceCancelWait() { device_.cancelWait(); }

uint32_t TKovaTermiosDispatcher::DeviceWaitInput(bool watchInput, int timeoutMs) {
  return device_.waitInput(watchInput, timeoutMs);
}

void TKovaTermiosDispatcher::DeviceWakeInputWait() { device_.wakeInputWait(); }

uint8_t TKovaTermiosDispatcher::DeviceModemLines() { return device_.modemLines(); }

bool TKovaTermiosDispatcher::DeviceHasModemLines() { return device_.hasModemLines(); }

int TKovaTermiosDispatcher::DeviceInputQueued() { return device_.inputQueued(); }

int TKovaTermiosDispatcher::DeviceOutputQueued() { return device_.outputQueued(); }

uint32_t TKovaTermiosDispatcher::DevicePollErrors() {
  const uint32_t bits = device_.takeErrors();
  if (bits) errorBits_ |= bits;
  return bits;
}

}  // namespace telvane
