#include "tools/virtual-modem/pty_port.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace telvane::vmodem {

namespace {
// Output for a DTE that does not read is kept up to this much, then dropped,
// as a real modem's buffer would overrun.
constexpr size_t kMaxQueuedOutput = 1 << 20;
}  // namespace

PtyPort::~PtyPort() {
  if (!link_.empty()) ::unlink(link_.c_str());
  if (master_ >= 0) ::close(master_);
}

int PtyPort::open(const std::string& linkPath, std::string& error) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    return -1;
  }
  const char* slave = ::ptsname(master_);
  if (slave == nullptr) {
    error = "cannot name the pseudo-terminal";
    return -1;
  }
  // Raw from the start, so a program that does not set the line up itself
  // still sees the bytes unchanged. The settings stay while the master is open.
  termios tio{};
  if (::tcgetattr(master_, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B19200);
    ::tcsetattr(master_, TCSANOW, &tio);
  }
  ::unlink(linkPath.c_str());
  if (::symlink(slave, linkPath.c_str()) != 0) {
    error = "cannot create the symlink " + linkPath + ": " + std::strerror(errno);
    return -1;
  }
  link_ = linkPath;
  return 0;
}

DteLine PtyPort::dteLine() const {
  pollfd pfd{master_, POLLIN, 0};
  if (::poll(&pfd, 1, 0) >= 0 && (pfd.revents & POLLHUP)) return DteLine::Closed;
  termios tio{};
  if (::tcgetattr(master_, &tio) == 0 && ::cfgetospeed(&tio) == B0) return DteLine::Hangup;
  return DteLine::Ready;
}

size_t PtyPort::read(uint8_t* buffer, size_t size) {
  const ssize_t n = ::read(master_, buffer, size);
  return n > 0 ? static_cast<size_t>(n) : 0;
}

void PtyPort::write(const uint8_t* data, size_t size) {
  if (output_.size() + size > kMaxQueuedOutput) return;
  output_.append(reinterpret_cast<const char*>(data), size);
  flush();
}

void PtyPort::flush() {
  while (!output_.empty()) {
    const ssize_t n = ::write(master_, output_.data(), output_.size());
    if (n <= 0) return;
    output_.erase(0, static_cast<size_t>(n));
  }
}

}  // namespace telvane::vmodem
