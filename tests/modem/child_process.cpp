#include "tests/modem/child_process.h"

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace telvane::test {

ChildProcess::ChildProcess(std::vector<std::string> argv, const std::string& stdoutPath,
                           const std::string& stderrPath) {
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(arg.data());
  args.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::setpgid(0, 0);
    // A test run from a background shell inherits SIGINT ignored; the
    // program must see interrupt() as a user's Ctrl-C.
    std::signal(SIGINT, SIG_DFL);
    const int out = ::open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) ::dup2(out, 1);
    if (err >= 0) ::dup2(err, 2);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  if (pid_ > 0) ::setpgid(pid_, pid_);
}

ChildProcess::~ChildProcess() {
  if (pid_ <= 0) return;
  ::kill(-pid_, SIGKILL);
  if (!status_) ::waitpid(pid_, nullptr, 0);
}

bool ChildProcess::running() { return !waitFor(std::chrono::milliseconds(0)).has_value(); }

std::optional<int> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
  if (status_) return status_;
  if (pid_ <= 0) return -1;
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return status_;
    }
    if (std::chrono::steady_clock::now() >= end) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void ChildProcess::terminate() {
  if (pid_ > 0 && !status_) ::kill(-pid_, SIGTERM);
}

void ChildProcess::interrupt() {
  if (pid_ > 0 && !status_) ::kill(pid_, SIGINT);
}

}  // namespace telvane::test
