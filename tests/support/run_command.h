#pragma once
// Runs a shell command for a test and collects what it printed: the
// independent readers and the command-line tools are checked this way.

#include <string>

namespace telvane::test {

struct CommandResult {
  int status = -1;  // the exit status; -1 when it did not run or ended by a signal
  std::string output;
};

// Standard output only; add "2>&1" to the command for its errors too.
CommandResult RunCommand(const std::string& command);

}  // namespace telvane::test
