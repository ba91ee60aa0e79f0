#pragma once
// Starting telvane-virtual-modem and efax from a test, and reading the
// fixture's result lines.

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/modem/child_process.h"

namespace telvane::test {

// How many times faster than the wall clock line time runs in the call
// tests: TELVANE_MODEM_TEST_SPEED when set, else kDefaultTestSpeed. efax's
// own timers are wall-clock and stay correct at this factor (measured: see
// the README of the fixture).
inline constexpr double kDefaultTestSpeed = 8.0;
double testSpeed();

// The fields of one "CALL ..." line (result, code, pages, rate, ...).
using CallFields = std::map<std::string, std::string>;
CallFields parseCallLine(const std::string& line);

class VirtualModemRun {
public:
  // Starts the fixture on `dir`/modem with these extra options (and
  // --speed, --result-file, --port); waits until its port exists.
  VirtualModemRun(const std::string& dir, std::vector<std::string> options, double speed = testSpeed());
  const std::string& port() const { return port_; }
  const std::string& secondPort() const { return secondPort_; }
  bool started() const { return started_; }
  // The result lines written so far.
  std::vector<CallFields> results() const;
  // Waits up to `timeout` for at least `count` result lines.
  std::vector<CallFields> waitForResults(size_t count, std::chrono::milliseconds timeout) const;
  std::string log() const;
  ChildProcess& process() { return *process_; }

private:
  std::string dir_;
  std::string port_;
  std::string secondPort_;
  std::string resultFile_;
  std::unique_ptr<ChildProcess> process_;
  bool started_ = false;
};

struct EfaxResult {
  int exitCode = -1;   // -1: did not finish in time (killed)
  std::string log;
  // The end of the log, where a failed call says why: for failure messages,
  // which a CI summary would otherwise cut in the middle.
  std::string tail(size_t lines = 60) const;
};

// Runs efax with these arguments (after "-d port") and waits for it.
EfaxResult runEfax(const std::string& dir, const std::string& port, const std::vector<std::string>& arguments,
                   std::chrono::seconds timeout);
// efax as "+1 555 0199" in the class `classOption` (-o1, -o2, -o0): dialling
// 5551234 and sending `pages`, or answering (S0=1) and receiving into
// `prefix`.001, .002, ...
EfaxResult sendWithEfax(const std::string& dir, const VirtualModemRun& modem, const std::string& classOption,
                        const std::vector<std::string>& pages);
EfaxResult receiveWithEfax(const std::string& dir, const VirtualModemRun& modem, const std::string& classOption,
                           const std::string& prefix);

std::string readTextFile(const std::string& path);

}  // namespace telvane::test
