#pragma once
// One serial device on POSIX termios: the calls the dispatcher needs of a
// port (open exclusively, line settings, non-blocking reads and writes, a
// wait for input that another thread can cancel, modem lines, line-error
// counters, purges). Status results follow the code space: 0 or a count for
// success, negative for an error.
//
// A pseudo-terminal has no modem-status lines (TIOCMGET/TIOCMSET fail with
// ENOTTY, CRTSCTS does nothing); such a device reports CTS, DSR and DCD on,
// lines that never change, so the same code runs on a real modem, a USB
// modem and a virtual one.

#include <cstddef>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

namespace telvane {

enum class LineControl : uint8_t { Disable, Enable, Handshake, Toggle };

// Parity values as the line settings carry them.
enum ParityValue : uint8_t { pvNone = 0, pvOdd = 1, pvEven = 2, pvMark = 3, pvSpace = 4 };
// Stop-bit values of the control block.
enum StopBitsValue : uint8_t { sbOne = 0, sbOneAndHalf = 1, sbTwo = 2 };

// The device control block: the line settings and flow control of a port.
struct DeviceControlBlock {
  int32_t baud = 19200;
  uint8_t dataBits = 8;
  uint8_t parity = pvNone;
  uint8_t stopBits = sbOne;
  bool binary = true;
  bool parityCheck = false;
  bool dsrSensitivity = false;
  bool txContinueOnXoff = true;
  bool nullStrip = false;
  LineControl dtrControl = LineControl::Enable;
  LineControl rtsControl = LineControl::Enable;
  bool outxCtsFlow = false;  // hold output while CTS is off
  bool outxDsrFlow = false;  // hold output while DSR is off
  bool outX = false;         // honour XOn/XOff on output
  bool inX = false;          // send XOn/XOff on input
  uint8_t xonChar = 17;
  uint8_t xoffChar = 19;
  uint16_t xonLim = 0;   // input level that lets the peer resume
  uint16_t xoffLim = 0;  // free input space that stops the peer
};

// Modem status byte: line states in the high nibble, deltas in the low.
inline constexpr uint8_t msCTS = 0x10, msDSR = 0x20, msRI = 0x40, msDCD = 0x80;
inline constexpr uint8_t msDeltaCTS = 0x01, msDeltaDSR = 0x02, msTrailingRI = 0x04, msDeltaDCD = 0x08;

// Device error bits.
inline constexpr uint32_t ceRxOver = 0x01, ceOverrun = 0x02, ceRxParity = 0x04, ceFrame = 0x08, ceBreak = 0x10;

// Device events of one wait.
inline constexpr uint32_t evRxChar = 0x0001, evCTS = 0x0008, evDSR = 0x0010, evRLSD = 0x0020, evBreak = 0x0040,
                          evErr = 0x0080, evRing = 0x0100, evRingTe = 0x2000;
// Not device events: the device vanished (hang-up or I/O error); the wait
// was ended by its wake-up.
inline constexpr uint32_t evDeviceLost = 0x40000000;
inline constexpr uint32_t evWokenUp = 0x20000000;

// Line-error counters of a serial driver.
struct LineErrorCounts {
  uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufferOverrun = 0;
};
// The device error bits for the counters that moved from `before` to `after`.
uint32_t ErrorBitsFromCounts(const LineErrorCounts& before, const LineErrorCounts& after);

// True when termios has a speed for `baud`.
bool BaudSupported(int32_t baud);

class TermiosDevice {
public:
  TermiosDevice() = default;
  ~TermiosDevice();
  TermiosDevice(const TermiosDevice&) = delete;
  TermiosDevice& operator=(const TermiosDevice&) = delete;

  // Opens `path` for exclusive use in raw mode. -2 when it does not exist,
  // -5 when another program holds it, -8 when no wake-up handle could be
  // made, otherwise minus the runtime file error.
  int open(const std::string& path);
  void close();
  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Read and write the control block. -2002 for a baud rate termios does
  // not have, -2003 for a byte size outside 5..8.
  int getControl(DeviceControlBlock& dcb) const;
  int setControl(const DeviceControlBlock& dcb);

  // Non-blocking: the count read or written, 0 when nothing could move now,
  // negative on failure (the device is gone or broken).
  int read(uint8_t* buffer, size_t n);
  // One read into two buffers, `first` filled before `second`.
  int read(std::span<uint8_t> first, std::span<uint8_t> second);
  int write(const uint8_t* data, size_t n);

  // Waits up to `timeoutMs` (-1: no limit) for input (when `watchInput`),
  // for a hang-up, or for cancelWait(). Returns evRxChar, evDeviceLost or 0,
  // with evWokenUp added when the wake-up ended the wait.
  uint32_t waitEvent(bool watchInput, int timeoutMs);
  // Makes a running (or the next) waitEvent return at once.
  void cancelWait();
  // The dispatch thread's wait: input (when `watchInput`), a hang-up, or
  // wakeInputWait(). Returns as waitEvent does. Once the device
  // is lost only the wake-up is waited for, so a hung-up line cannot spin.
  uint32_t waitInput(bool watchInput, int timeoutMs);
  void wakeInputWait();
  // Waits up to `timeoutMs` until a write can move bytes; false on time-out.
  bool waitWritable(int timeoutMs);

  int inputQueued() const;
  int outputQueued() const;

  // The line-state nibble (msCTS | msDSR | msRI | msDCD).
  uint8_t modemLines();
  bool hasModemLines() const { return hasModemLines_; }
  int setDtr(bool on);
  int setRts(bool on);
  int setBreak(bool on);
  int purgeInput();
  int purgeOutput();
  // Errors seen since the previous call (device error bits).
  uint32_t takeErrors();

private:
  // fd_ and wakeFd_ change only in open() and close(), while no other
  // thread uses the device.
  int fd_ = -1;
  int wakeFd_ = -1;       // wakes the event thread's wait
  int inputWakeFd_ = -1;  // wakes the dispatch thread's wait
  std::atomic<bool> lost_{false};
  std::atomic<bool> hasModemLines_{true};  // cleared when the driver has none (a pty)
  std::atomic<bool> hasCounters_{true};
  std::mutex countsLock_;
  LineErrorCounts counts_;  // guarded by countsLock_
};

}  // namespace telvane
