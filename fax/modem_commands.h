#pragma once
// The modem dialogue outside a session: one command at a time, waiting for
// its answer while the window messages keep running. Used to initialise the
// modem before a session and to ask which fax classes it offers. The checks
// a session makes before it starts (port, "AT", reset) are in
// fax/modem_helpers.h.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fax/fax_codes.h"
#include "fax/t30/session_params.h"

namespace telvane {

class TKovaBaseDispatcher;

struct CommandAnswer {
  int code = 0;                     // 0 OK, -8061 ERROR, -6006 no answer in time
  std::vector<std::string> lines;   // what came before the OK (echo removed)
};

// Writes `command` and CR and reads lines until OK, ERROR or `timeoutTicks`.
// Only OK succeeds: other lines are collected, never taken for success.
CommandAnswer RunModemCommand(TKovaBaseDispatcher& port, std::string_view command, int32_t timeoutTicks = 182);

// The default init string: "ATE0Q0V1X4S0=0S2=43" with the X digit for
// blind dialling and busy detection.
std::string DefaultInitString(bool blindDial, bool detectBusy);

// "AT+FCLASS=?" after the default init (two tries): the class bits
// (4 Class 1, 8 Class 2, 0x10 Class 2.0), 0 when the modem does not say.
int QueryFaxClasses(TKovaBaseDispatcher& port, const std::string& defaultInit);

// The class a detection picks from the class bits: 2.0, else 2, else 1.
TFaxClass HighestFaxClass(int classBits);

struct ModemInitRequest {
  TFaxClass faxClass = fcDetect;
  std::string userInit;       // sent first when not empty
  std::string defaultInit;
  bool sending = true;        // +FTM=? or +FRM=?
  int desiredBps = 9600;
  int usableClasses = kFaxClassBit1 | kFaxClassBit2 | kFaxClassBit2_0;  // what the engine can run
  std::string stationId;      // Class 2/2.0 receiving: the local ID
  bool faxAndData = false;    // Class 2/2.0 receiving: adaptive answer
};
struct ModemInitResult {
  int code = 0;               // 0, -8061 class detection failed, -8063 init refused
  TFaxClass faxClass = fcUnknown;
  int classBits = 0;
  t30::RateSet rates{};       // Class 1: what the modem modulates
  int startRate = 0;          // the highest of them not above desiredBps
};
// Class detection when asked for, the init strings, and in Class 1
// "AT+FCLASS=1" and the modulation query; for receiving in Class 2/2.0 the
// class, "AT+FCR=1", the local ID and "AT+FAA=".
ModemInitResult InitializeModem(TKovaBaseDispatcher& port, const ModemInitRequest& request);

// "AT" in front unless it is there, upper case, at most 40 characters.
std::string NormaliseInitString(std::string_view init);

}  // namespace telvane
