#pragma once
// The dispatcher of a real port: TKovaBaseDispatcher's device layer on a
// POSIX terminal device (a serial port, a USB modem, a pseudo-terminal).

#include <atomic>

#include "serial/base_dispatcher.h"
#include "serial/termios_device.h"

namespace telvane {

class TKovaTermiosDispatcher : public TKovaBaseDispatcher {
public:
  explicit TKovaTermiosDispatcher(void* owner = nullptr);
  ~TKovaTermiosDispatcher() override;

  int DeviceEscape(int function) override;
  int DevicePurge(int which) override;
  uint32_t DeviceErrors(DeviceStatus& status) override;
  int DeviceGetControl(DeviceControlBlock& dcb) override;
  int DeviceRead(uint8_t* buffer, size_t n) override;
  int DeviceReadRuns(std::span<uint8_t> first, std::span<uint8_t> second) override;
  int DeviceSetControl(const DeviceControlBlock& dcb) override;
  uint32_t DeviceWaitEvent(bool watchInput, int timeoutMs) override;
  int DeviceQueueSizes(int inSize, int outSize) override;
  int DeviceOpen(const std::string& name, int inSize, int outSize) override;
  void DeviceClose() override;
  int DeviceWriteNow(const uint8_t* data, size_t n) override;
  bool DeviceWaitWritable(int timeoutMs) override;
  void DeviceCancelWait() override;
  uint32_t DeviceWaitInput(bool watchInput, int timeoutMs) override;
  void DeviceWakeInputWait() override;
  uint8_t DeviceModemLines() override;
  bool DeviceHasModemLines() override;
  int DeviceInputQueued() override;
  int DeviceOutputQueued() override;
  uint32_t DevicePollErrors() override;

private:
  TermiosDevice device_;
  std::atomic<uint32_t> errorBits_{0};  // seen by the event thread, not yet reported
};

}  // namespace telvane
