#pragma once
// The DTE side of a virtual modem for tests that talk AT themselves: a raw
// serial line on the pty, writes, and reads that wait for an expected text.

#include <chrono>
#include <string>
#include <string_view>

namespace telvane::test {

class PtyClient {
public:
  explicit PtyClient(const std::string& path);
  ~PtyClient();
  PtyClient(const PtyClient&) = delete;
  PtyClient& operator=(const PtyClient&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  void write(std::string_view bytes);
  // Reads until `expected` has arrived (true) or `timeout` passed (false).
  // Everything read is kept; `received()` returns it and clear() drops it.
  bool waitFor(std::string_view expected, std::chrono::milliseconds timeout);
  // Sends `command` + CR and returns what arrived up to a final result code
  // (OK, ERROR, CONNECT, NO CARRIER, BUSY, NO DIALTONE, NO ANSWER), or
  // everything read within the timeout.
  std::string command(std::string_view command, std::chrono::milliseconds timeout = std::chrono::seconds(5));
  const std::string& received() const { return received_; }
  void clear() { received_.clear(); }
  // Sets the line speed to 0 (B0): the POSIX way of dropping DTR.
  void dropDtr();
  void close();

private:
  void readAvailable(int waitMs);
  int fd_ = -1;
  std::string received_;
};

}  // namespace telvane::test
