#include "tests/modem/virtual_modem_harness.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace telvane::test {

std::string readTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

CallFields parseCallLine(const std::string& line) {
  CallFields fields;
  size_t i = line.find(' ');
  while (i != std::string::npos && i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const size_t eq = line.find('=', i);
    if (eq == std::string::npos) break;
    const std::string key = line.substr(i, eq - i);
    std::string value;
    size_t j = eq + 1;
    if (j < line.size() && line[j] == '"') {
      for (++j; j < line.size() && line[j] != '"'; ++j) {
        if (line[j] == '\\' && j + 1 < line.size()) ++j;
        value.push_back(line[j]);
      }
      ++j;
    } else {
      while (j < line.size() && line[j] != ' ') value.push_back(line[j++]);
    }
    fields[key] = value;
    i = j;
  }
  return fields;
}

double testSpeed() {
  const char* text = std::getenv("TELVANE_MODEM_TEST_SPEED");
  const double speed = text ? std::atof(text) : 0;
  return speed > 0 ? speed : kDefaultTestSpeed;
}

VirtualModemRun::VirtualModemRun(const std::string& dir, std::vector<std::string> options, double speed)
    : dir_(dir), port_(dir + "modem"), resultFile_(dir + "results.txt") {
  std::vector<std::string> argv = {TELVANE_VIRTUAL_MODEM, "--port", port_, "--speed", std::to_string(speed),
                                   "--result-file", resultFile_};
  for (size_t k = 0; k + 1 < options.size(); ++k) {
    if (options[k] == "--second-port") secondPort_ = options[k + 1];
  }
  argv.insert(argv.end(), options.begin(), options.end());
  process_ = std::make_unique<ChildProcess>(argv, dir + "fixture.out", dir + "fixture.err");
  for (int tries = 0; tries < 250 && !started_; ++tries) {
    struct stat st {};
    started_ = ::lstat(port_.c_str(), &st) == 0 && (secondPort_.empty() || ::lstat(secondPort_.c_str(), &st) == 0);
    if (!started_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::vector<CallFields> VirtualModemRun::results() const {
  std::vector<CallFields> out;
  std::istringstream lines(readTextFile(resultFile_));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("CALL ", 0) == 0) out.push_back(parseCallLine(line));
  }
  return out;
}

std::vector<CallFields> VirtualModemRun::waitForResults(size_t count, std::chrono::milliseconds timeout) const {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    auto found = results();
    if (found.size() >= count || std::chrono::steady_clock::now() >= end) return found;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::string VirtualModemRun::log() const {
  return readTextFile(dir_ + "fixture.out") + readTextFile(dir_ + "fixture.err");
}

std::string EfaxResult::tail(size_t lines) const {
  // Back over the final newline and `lines` more; the tail starts after it.
  size_t cut = log.size();
  for (size_t seen = 0; seen <= lines; ++seen) {
    cut = cut == 0 ? std::string::npos : log.rfind('\n', cut - 1);
    if (cut == std::string::npos) return log;
  }
  return "[...]\n" + log.substr(cut + 1);
}

EfaxResult runEfax(const std::string& dir, const std::string& port, const std::vector<std::string>& arguments,
                   std::chrono::seconds timeout) {
  static int runs = 0;
  const std::string log = dir + "efax" + std::to_string(++runs) + ".log";
  std::vector<std::string> argv = {"/usr/bin/efax", "-d", port, "-v", "ewinchrm"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  EfaxResult result;
  {
    ChildProcess efax(argv, log, log + ".err");
    const auto status = efax.waitFor(timeout);
    result.exitCode = status ? *status : -1;
  }
  result.log = readTextFile(log) + readTextFile(log + ".err");
  return result;
}

EfaxResult sendWithEfax(const std::string& dir, const VirtualModemRun& modem, const std::string& classOption,
                        const std::vector<std::string>& pages) {
  std::vector<std::string> arguments = {classOption, "-l", "+1 555 0199", "-t", "5551234"};
  arguments.insert(arguments.end(), pages.begin(), pages.end());
  return runEfax(dir, modem.port(), arguments, std::chrono::seconds(90));
}

EfaxResult receiveWithEfax(const std::string& dir, const VirtualModemRun& modem, const std::string& classOption,
                           const std::string& prefix) {
  return runEfax(dir, modem.port(), {classOption, "-iS0=1", "-w", "-l", "+1 555 0199", "-r", prefix},
                 std::chrono::seconds(90));
}

}  // namespace telvane::test
