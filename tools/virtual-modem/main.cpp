// telvane-virtual-modem: a fax modem on a pseudo-terminal (see README.md).

#include <atomic>
#include <csignal>
#include <iostream>
#include <string>

#include "tools/virtual-modem/modem_options.h"
#include "tools/virtual-modem/virtual_modem.h"

namespace {
std::atomic<bool> stopRequested{false};
void requestStop(int) { stopRequested.store(true); }
}  // namespace

int main(int argc, char** argv) {
  telvane::vmodem::ModemOptions options;
  std::string message;
  const int parsed = telvane::vmodem::parseModemOptions(argc, argv, options, message);
  if (parsed != 0) {
    (parsed > 0 ? std::cout : std::cerr) << message << (parsed > 0 ? "" : "\n" + telvane::vmodem::modemUsage());
    return parsed > 0 ? 0 : 2;
  }
  struct sigaction action {};
  action.sa_handler = requestStop;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  telvane::vmodem::VirtualModem modem(options);
  if (modem.open(message) != 0) {
    std::cerr << "telvane-virtual-modem: " << message << "\n";
    return 1;
  }
  std::cout << "READY " << options.port << std::endl;
  return modem.run(stopRequested);
}
