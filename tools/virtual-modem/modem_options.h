#pragma once
// Command-line options of telvane-virtual-modem (see README.md).

#include <string>
#include <vector>

#include "tools/virtual-modem/command_overrides.h"
#include "tools/virtual-modem/fault_plan.h"

namespace telvane::vmodem {

enum class FarEndRole {
  Receiver,  // answers the calls the program makes and receives the fax
  Sender,    // calls the program and sends a fax
  Modem,     // a second virtual modem on --second-port
};

struct ModemOptions {
  std::string port;
  std::string secondPort;
  FarEndRole farEnd = FarEndRole::Receiver;
  std::string sendFile;                 // TIFF the far end sends
  std::string receiveFile = "virtual-modem-received.tif";
  std::string remoteId = "+1 555 0100";
  bool remoteEcm = false;
  int remoteMaxRate = 14400;
  double incomingAfter = 2.0;           // seconds of line time after set-up
  int rings = 10;
  double ringInterval = 6.0;            // seconds of line time
  int answerAfterRings = 1;             // rings the far end hears before answering
  double speed = 1.0;                   // line time runs this many times the wall clock
  int lineDelayMs = 60;
  std::string resultFile;
  int calls = 0;                        // exit after this many calls (0: never)
  bool verbose = false;
  ModemIdentity identity;
  FaultPlan faults;
};

// Returns 0, 1 when help was asked for (text in `message`), -1 with a
// message on error.
int parseModemOptions(int argc, const char* const argv[], ModemOptions& options, std::string& message);

std::string modemUsage();

}  // namespace telvane::vmodem
