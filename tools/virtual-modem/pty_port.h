#pragma once
// The modem's end of a pseudo-terminal, with a symlink for the program to
// open as its serial device.
//
// A pty has no modem-status lines (TIOCMGET/TIOCMSET fail with ENOTTY), so
// the DTE's "DTR drop" is seen the two ways a program can still show it:
// setting the line speed to B0 (POSIX hang-up) or closing the device.

#include <cstddef>
#include <cstdint>
#include <string>

namespace telvane::vmodem {

enum class DteLine {
  Closed,  // nobody has the device open
  Ready,   // open, DTR on
  Hangup,  // open with speed B0: DTR off
};

class PtyPort {
public:
  PtyPort() = default;
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  // Creates the pty and the symlink (replacing a stale one). 0 or -1.
  int open(const std::string& linkPath, std::string& error);

  int fd() const { return master_; }
  DteLine dteLine() const;

  // Reads what the DTE wrote, without blocking; 0 when nothing came.
  size_t read(uint8_t* buffer, size_t size);
  // Queues bytes for the DTE and writes what the pty takes now.
  void write(const uint8_t* data, size_t size);
  void flush();
  bool outputPending() const { return !output_.empty(); }
  // Forgets queued output (the DTE went away).
  void discardOutput() { output_.clear(); }

private:
  int master_ = -1;
  std::string link_;
  std::string output_;
};

}  // namespace telvane::vmodem
