#pragma once
// Command-line options of telvane-virtual-modem (see README.md).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/virtual-modem/caller_id.h"
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
  std::vector<std::string> sendFiles;   // TIFFs the far end sends, one document each
  std::string receiveFile = "virtual-modem-received.tif";
  std::string remoteId = "+1 555 0100";
  bool remoteEcm = false;
  std::vector<uint8_t> remoteNsf;       // FIF of the far end's NSF; empty: none
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
  std::optional<CallerId> callerId;     // reported between the first two RINGs
  ModemIdentity identity;
  FaultPlan faults;
};

// Returns 0, 1 when help was asked for (text in `message`), -1 with a
// message on error.
int parseModemOptions(int argc, const char* const argv[], ModemOptions& options, std::string& message);

std::string modemUsage();

// The longest NSF information field --remote-nsf takes: with every octet
// shielded (DLE DLE) and the FCS, the frame still fits the 256 bytes a T.31
// modem holds for a received frame.
inline constexpr size_t kMaxNsfBytes = 100;

// Hex octets ("B50004", "B5 00 04", "b5:00:04"). Returns false on anything
// else, an odd digit or an empty text.
bool parseHexOctets(std::string_view text, std::vector<uint8_t>& out);

}  // namespace telvane::vmodem
