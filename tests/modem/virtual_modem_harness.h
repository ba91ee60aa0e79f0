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

// Line time runs this many times faster than the wall clock in the call
// tests; efax's own timers are wall-clock and stay correct at this factor
// (measured: see the README of the fixture).
inline constexpr double kTestSpeed = 8.0;

// The fields of one "CALL ..." line (result, code, pages, rate, ...).
using CallFields = std::map<std::string, std::string>;
CallFields parseCallLine(const std::string& line);

class VirtualModemRun {
public:
  // Starts the fixture on `dir`/modem with these extra options (and
  // --speed, --result-file, --port); waits until its port exists.
  VirtualModemRun(const std::string& dir, std::vector<std::string> options, double speed = kTestSpeed);
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
};

// Runs efax with these arguments (after "-d port") and waits for it.
EfaxResult runEfax(const std::string& dir, const std::string& port, const std::vector<std::string>& arguments,
                   std::chrono::seconds timeout);

std::string readTextFile(const std::string& path);

}  // namespace telvane::test
