#pragma once
// A short modem dialogue on one serial device, for the setup windows: open
// the device, send a command, collect the answer within a hard time bound.
// It runs on a worker thread, so it neither lets window messages run nor
// touches the com port component (which belongs to the UI thread); it
// reads the device directly. Time comes from the clock seam, and a shared
// cancel flag ends every wait within one poll slice.

#include <atomic>
#include <string>
#include <string_view>

#include "serial/termios_device.h"
#include "settings/modem_answer.h"

namespace telvane {

struct LineExchange {
  std::string received;  // what came back, at most MaxAnswerBytes
  ModemAnswer answer = ModemAnswer::Silent;
};

class ModemLine {
public:
  static constexpr size_t MaxAnswerBytes = 1024;
  static constexpr int SettleMilliseconds = 660;  // 12 ticks: a modem may greet as DTR rises
  static constexpr int PollSliceMilliseconds = 50;

  // `cancelled` (optional) is polled while waiting.
  explicit ModemLine(const std::atomic<bool>* cancelled = nullptr) : cancelled_(cancelled) {}

  // 0, or the serial layer's code: ecFileNotFound, ecAccessDenied (held by
  // another program or no permission), or a runtime error.
  int open(const std::string& path);
  void close() { device_.close(); }

  // Waits `ms` of clock time, dropping whatever arrives. False when the
  // device went away or the wait was cancelled.
  bool settle(int ms = SettleMilliseconds);

  // Sends `command` and CR; reads until a final result, `ms` of clock
  // time, the device going away, or cancellation.
  LineExchange exchange(std::string_view command, int ms);

private:
  bool cancelRequested() const { return cancelled_ && cancelled_->load(); }
  // Reads what is there into `into` (when given); false once the device is gone.
  bool readAvailable(std::string* into);

  TermiosDevice device_;
  const std::atomic<bool>* cancelled_;
  bool lost_ = false;
};

// Sends "AT&F" and tells whether OK came within six seconds.
bool ModemFactoryReset(ModemLine& line);

}  // namespace telvane
