#include "tools/virtual-modem/modem_options.h"

#include <cstdlib>
#include <string_view>

#include "tools/virtual-modem/caller_id.h"

namespace telvane::vmodem {

std::string modemUsage() {
  return
      "usage: telvane-virtual-modem --port PATH [options]\n"
      "  --port PATH            symlink to the modem's pseudo-terminal\n"
      "  --far-end receiver|sender|modem\n"
      "                         the other end of the line (default receiver)\n"
      "  --second-port PATH     with --far-end modem: the second modem's symlink\n"
      "  --send-file TIFF       what the sender far end transmits; repeat for several\n"
      "                         documents (EOM between them)\n"
      "  --receive-file TIFF    where the receiver far end stores the fax\n"
      "  --remote-id TEXT       the far end's identity (CSI/TSI)\n"
      "  --remote-ecm           the far end offers error correction (T.30 Annex A)\n"
      "  --remote-nsf HEX       the far end sends an NSF with this information field\n"
      "  --remote-max-rate BPS  fastest rate the far end offers: 14400, 9600, 4800\n"
      "  --incoming-after SEC   sender far end calls SEC after the modem is set up\n"
      "  --rings N              rings before an incoming call gives up (default 10)\n"
      "  --ring-interval SEC    seconds between RING reports (default 6)\n"
      "  --answer-after-rings N rings an outgoing call hears before the answer\n"
      "  --caller-id NUMBER[,NAME]\n"
      "                         caller ID reported after the first RING\n"
      "  --classes LIST         answer to AT+FCLASS=? (default \"0,1\")\n"
      "  --manufacturer TEXT, --model TEXT, --revision TEXT\n"
      "                         answers to the identification queries\n"
      "  --speed FACTOR         line time runs FACTOR times the wall clock (default 1)\n"
      "  --line-delay MS        one-way line delay (default 60)\n"
      "  --result-file PATH     also append each call's result line here\n"
      "  --calls N              exit after N calls (default: run until killed)\n"
      "  --fault NAME[=VALUE]   busy, no-answer, no-dial-tone, silent, silent-after=CMD,\n"
      "                         error-on=CMD, bad-fcs=LIST, carrier-lost=N, noise=RATE,\n"
      "                         max-rate=BPS, hangup-after-dis, rtn=N, seed=N (repeatable)\n"
      "  --verbose              log modem and T.30 activity to stderr\n";
}

bool parseHexOctets(std::string_view text, std::vector<uint8_t>& out) {
  auto nibble = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  out.clear();
  for (size_t i = 0; i < text.size();) {
    if (text[i] == ' ' || text[i] == ':') {
      ++i;
      continue;
    }
    if (i + 1 >= text.size() || nibble(text[i]) < 0 || nibble(text[i + 1]) < 0) return false;
    out.push_back(static_cast<uint8_t>(nibble(text[i]) << 4 | nibble(text[i + 1])));
    i += 2;
  }
  return !out.empty();
}

int parseModemOptions(int argc, const char* const argv[], ModemOptions& options, std::string& message) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      message = modemUsage();
      return 1;
    }
    if (arg == "--remote-ecm") {
      options.remoteEcm = true;
      continue;
    }
    if (arg == "--verbose") {
      options.verbose = true;
      continue;
    }
    if (i + 1 >= argc) {
      message = "option " + std::string(arg) + " needs a value (or is unknown)";
      return -1;
    }
    const std::string value = argv[++i];
    auto number = [&](double low, double high, double& out) {
      char* end = nullptr;
      out = std::strtod(value.c_str(), &end);
      if (value.empty() || *end != '\0' || !(out >= low && out <= high)) {
        message = "option " + std::string(arg) + " needs a number from " + std::to_string(low) + " to " +
                  std::to_string(high);
        return false;
      }
      return true;
    };
    double n = 0;
    if (arg == "--port") options.port = value;
    else if (arg == "--second-port") options.secondPort = value;
    else if (arg == "--far-end") {
      if (value == "receiver") options.farEnd = FarEndRole::Receiver;
      else if (value == "sender") options.farEnd = FarEndRole::Sender;
      else if (value == "modem") options.farEnd = FarEndRole::Modem;
      else {
        message = "--far-end must be receiver, sender or modem";
        return -1;
      }
    } else if (arg == "--send-file") options.sendFiles.push_back(value);
    else if (arg == "--receive-file") options.receiveFile = value;
    else if (arg == "--remote-id") options.remoteId = value.substr(0, 20);
    else if (arg == "--remote-nsf") {
      if (!parseHexOctets(value, options.remoteNsf) || options.remoteNsf.size() > kMaxNsfBytes) {
        message = "--remote-nsf needs 1 to " + std::to_string(kMaxNsfBytes) + " octets in hex, e.g. B50004";
        return -1;
      }
    } else if (arg == "--caller-id") {
      CallerId id;
      if (parseCallerId(value, id, message) != 0) return -1;
      options.callerId = id;
    }
    else if (arg == "--remote-max-rate") {
      if (!number(2400, 14400, n)) return -1;
      options.remoteMaxRate = static_cast<int>(n);
    } else if (arg == "--incoming-after") {
      if (!number(0, 3600, n)) return -1;
      options.incomingAfter = n;
    } else if (arg == "--rings") {
      if (!number(1, 100, n)) return -1;
      options.rings = static_cast<int>(n);
    } else if (arg == "--ring-interval") {
      if (!number(0.5, 60, n)) return -1;
      options.ringInterval = n;
    } else if (arg == "--answer-after-rings") {
      if (!number(0, 20, n)) return -1;
      options.answerAfterRings = static_cast<int>(n);
    } else if (arg == "--classes") options.identity.classes = value;
    else if (arg == "--manufacturer") options.identity.manufacturer = value;
    else if (arg == "--model") options.identity.model = value;
    else if (arg == "--revision") options.identity.revision = value;
    else if (arg == "--speed") {
      if (!number(0.1, 64, n)) return -1;
      options.speed = n;
    } else if (arg == "--line-delay") {
      if (!number(0, 1000, n)) return -1;
      options.lineDelayMs = static_cast<int>(n);
    } else if (arg == "--result-file") options.resultFile = value;
    else if (arg == "--calls") {
      if (!number(0, 1000000, n)) return -1;
      options.calls = static_cast<int>(n);
    } else if (arg == "--fault") {
      if (addFault(value, options.faults, message) != 0) return -1;
    } else {
      message = "unknown option " + std::string(arg);
      return -1;
    }
  }
  if (options.port.empty()) {
    message = "--port is required";
    return -1;
  }
  if (options.farEnd == FarEndRole::Sender && options.sendFiles.empty()) {
    message = "--far-end sender needs --send-file";
    return -1;
  }
  if (options.farEnd == FarEndRole::Modem && options.secondPort.empty()) {
    message = "--far-end modem needs --second-port";
    return -1;
  }
  return 0;
}

}  // namespace telvane::vmodem
