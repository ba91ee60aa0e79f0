#include "tests/modem/pty_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace telvane::test {

PtyClient::PtyClient(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd_ < 0) return;
  termios tio{};
  ::tcgetattr(fd_, &tio);
  ::cfmakeraw(&tio);
  ::cfsetspeed(&tio, B19200);
  ::tcsetattr(fd_, TCSANOW, &tio);
  // What the modem said to an earlier program is not for this one.
  ::tcflush(fd_, TCIOFLUSH);
}

PtyClient::~PtyClient() { close(); }

void PtyClient::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void PtyClient::write(std::string_view bytes) {
  while (!bytes.empty() && fd_ >= 0) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
    } else {
      pollfd pfd{fd_, POLLOUT, 0};
      if (::poll(&pfd, 1, 1000) <= 0) return;
    }
  }
}

void PtyClient::readAvailable(int waitMs) {
  pollfd pfd{fd_, POLLIN, 0};
  if (::poll(&pfd, 1, waitMs) <= 0) return;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fd_, buffer, sizeof buffer)) > 0) received_.append(buffer, static_cast<size_t>(n));
}

bool PtyClient::waitFor(std::string_view expected, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (received_.find(expected) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= end || fd_ < 0) return false;
    readAvailable(20);
  }
  return true;
}

std::string PtyClient::command(std::string_view text, std::chrono::milliseconds timeout) {
  clear();
  write(std::string(text) + "\r");
  static const char* const finals[] = {"OK\r\n", "ERROR\r\n", "CONNECT\r\n", "NO CARRIER\r\n", "BUSY\r\n",
                                       "NO DIALTONE\r\n", "NO ANSWER\r\n"};
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    for (const char* final : finals) {
      if (received_.find(final) != std::string::npos) return received_;
    }
    if (std::chrono::steady_clock::now() >= end) return received_;
    readAvailable(20);
  }
}

void PtyClient::dropDtr() {
  termios tio{};
  ::tcgetattr(fd_, &tio);
  ::cfsetospeed(&tio, B0);
  ::tcsetattr(fd_, TCSANOW, &tio);
}

}  // namespace telvane::test
