#include "settings/modem_line.h"

#include <algorithm>

#include "platform/clock.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {

constexpr int kFactoryResetMilliseconds = 6000;

}  // namespace

int ModemLine::open(const std::string& path) {
  lost_ = false;
  const int rc = device_.open(path);
  if (rc != ecOK) return rc;
  // The fax line settings: 19200 8N1. No hardware flow control for a probe:
  // a device that holds CTS low must still get its "AT" and be named.
  DeviceControlBlock dcb;
  dcb.baud = 19200;
  const int set = device_.setControl(dcb);
  if (set != ecOK) {
    device_.close();
    return set;
  }
  // A modem set to &D2 ignores commands while DTR is down.
  device_.setDtr(true);
  device_.setRts(true);
  device_.purgeInput();
  return ecOK;
}

bool ModemLine::readAvailable(std::string* into) {
  uint8_t buffer[256];
  for (;;) {
    const int n = device_.read(buffer, sizeof buffer);
    if (n < 0) {
      lost_ = true;
      return false;
    }
    if (n == 0) return true;
    if (into) {
      const size_t room = MaxAnswerBytes - std::min(into->size(), MaxAnswerBytes);
      into->append(reinterpret_cast<const char*>(buffer), std::min(static_cast<size_t>(n), room));
    }
  }
}

bool ModemLine::settle(int ms) {
  Clock& clock = CurrentClock();
  const uint64_t end = clock.milliseconds() + static_cast<uint64_t>(ms);
  while (!lost_ && !cancelRequested()) {
    const uint64_t now = clock.milliseconds();
    if (now >= end) return readAvailable(nullptr);
    const uint64_t slice = std::min<uint64_t>(end - now, PollSliceMilliseconds);
    if (device_.waitEvent(true, static_cast<int>(clock.wallMillisecondsFor(slice))) & evDeviceLost) lost_ = true;
    else readAvailable(nullptr);
  }
  return false;
}

LineExchange ModemLine::exchange(std::string_view command, int ms) {
  LineExchange result;
  std::string line(command);
  line.push_back('\r');
  if (!lost_ && device_.write(reinterpret_cast<const uint8_t*>(line.data()), line.size()) < 0) lost_ = true;
  Clock& clock = CurrentClock();
  const uint64_t end = clock.milliseconds() + static_cast<uint64_t>(ms);
  while (!lost_ && !HasFinalResult(result.received) && result.received.size() < MaxAnswerBytes) {
    if (cancelRequested()) break;
    const uint64_t now = clock.milliseconds();
    if (now >= end) break;
    const uint64_t slice = std::min<uint64_t>(end - now, PollSliceMilliseconds);
    const uint32_t events = device_.waitEvent(true, static_cast<int>(clock.wallMillisecondsFor(slice)));
    // Read first: a device that answered and then hung up did answer.
    readAvailable(&result.received);
    if (events & evDeviceLost) lost_ = true;
  }
  result.answer = ClassifyModemAnswer(command, result.received, lost_);
  return result;
}

bool ModemFactoryReset(ModemLine& line) {
  return line.exchange("AT&F", kFactoryResetMilliseconds).answer == ModemAnswer::Ok;
}

}  // namespace telvane
