#include "tests/serial/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>

#include "platform/program_directory.h"
#include "platform/ui_queue.h"
#include "settings/ini_file.h"

namespace telvane::test {

PtyPair::PtyPair() {
  char name[256] = {};
  termios raw{};
  ::cfmakeraw(&raw);
  if (::openpty(&master_, &slave_, name, &raw, nullptr) != 0) throw std::runtime_error("openpty failed");
  slavePath_ = name;
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
}

PtyPair::~PtyPair() {
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
}

void PtyPair::write(const std::string& data) const {
  write(std::vector<uint8_t>(data.begin(), data.end()));
}

void PtyPair::write(const std::vector<uint8_t>& data) const {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(master_, data.data() + done, data.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
      throw std::runtime_error("write to the pty master failed");
    }
  }
}

std::string PtyPair::read(size_t n, std::chrono::milliseconds timeout) const {
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (out.size() < n) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd fd{master_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[4096];
    const ssize_t got = ::read(master_, buffer, std::min(sizeof buffer, n - out.size()));
    if (got > 0) out.append(buffer, static_cast<size_t>(got));
    if (got < 0 && errno != EINTR && errno != EAGAIN) break;
  }
  return out;
}

void PtyPair::hangUp() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
  // With the fixture's slave descriptor gone too the port's device is the
  // only one left on a hung-up line.
  if (slave_ >= 0) ::close(slave_);
  slave_ = -1;
}

void PtyPair::mapAsCom(int number) const {
  IniFile ini(ProgramDirectory() + "TVN.INI");
  if (!ini.WriteString("Ports", "COM" + std::to_string(number), slavePath_))
    throw std::runtime_error("cannot write TVN.INI");
}

bool WaitForImpl(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    UiQueue().drain();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace telvane::test
