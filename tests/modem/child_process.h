#pragma once
// A program run by a test: its own process group, output to files, and
// killed with everything it started when the object goes, so a failing test
// leaves nothing running.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace telvane::test {

class ChildProcess {
public:
  ChildProcess(std::vector<std::string> argv, const std::string& stdoutPath, const std::string& stderrPath);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit status once it has ended within `timeout`, else nothing.
  std::optional<int> waitFor(std::chrono::milliseconds timeout);
  bool running();
  void terminate();
  // SIGINT to the program itself, as Ctrl-C in a terminal.
  void interrupt();

private:
  int pid_ = -1;
  std::optional<int> status_;
};

}  // namespace telvane::test
