#include "tests/settings/scripted_pty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace telvane::test {

ScriptedPty::ScriptedPty(Behaviour behaviour) : behaviour_(behaviour) {
  char name[256] = {};
  if (::openpty(&master_, &slaveKeeper_, name, nullptr, nullptr) != 0) return;
  path_ = name;
  termios tio{};
  ::tcgetattr(slaveKeeper_, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(slaveKeeper_, TCSANOW, &tio);
  if (behaviour_ != Behaviour::Silent) server_ = std::thread([this] { serve(); });
}

ScriptedPty::~ScriptedPty() {
  stop_ = true;
  if (server_.joinable()) server_.join();
  if (master_ >= 0) ::close(master_);
  if (slaveKeeper_ >= 0) ::close(slaveKeeper_);
}

std::string ScriptedPty::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

void ScriptedPty::serve() {
  std::string line;
  while (!stop_) {
    pollfd fd{master_, POLLIN, 0};
    if (::poll(&fd, 1, 20) <= 0 || !(fd.revents & POLLIN)) continue;
    char buffer[256];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) continue;
    {
      std::lock_guard lock(mutex_);
      received_.append(buffer, static_cast<size_t>(n));
    }
    switch (behaviour_) {
      case Behaviour::CloseOnInput:
        // Both ends of the pty go: the opener's next read fails, as when a
        // USB modem is pulled out.
        ::close(master_);
        ::close(slaveKeeper_);
        master_ = slaveKeeper_ = -1;
        return;
      case Behaviour::EchoGarbage: {
        [[maybe_unused]] ssize_t w = ::write(master_, buffer, static_cast<size_t>(n));
        static const char noise[] = "\x7f\x1b[?\xff\xfe#@!~\r\n";
        w = ::write(master_, noise, sizeof noise - 1);
        break;
      }
      case Behaviour::AnswerError:
      case Behaviour::AnswerOk:
        for (ssize_t i = 0; i < n; ++i) {
          if (buffer[i] != '\r') continue;
          const char* answer = behaviour_ == Behaviour::AnswerOk ? "\r\nOK\r\n" : "\r\nERROR\r\n";
          [[maybe_unused]] ssize_t w = ::write(master_, answer, std::char_traits<char>::length(answer));
        }
        break;
      case Behaviour::Silent: break;
    }
  }
}

}  // namespace telvane::test
