#pragma once
// The modem checks every session and the modem setup windows make before
// they hand the port to the fax engine: open the port, see that a modem
// answers "AT", send one configuration command. Each returns a plain
// success flag; OpenModemPort also gives the text the windows show.

#include <string>

#include "platform/ticks.h"

namespace telvane {

class TKovaBaseDispatcher;
class TKovaCustomComPort;

// Opens `port`. On failure returns false with `errorText` naming the port
// ("Com n") and why: in use, no such port, or the serial layer's message.
bool OpenModemPort(TKovaCustomComPort& port, std::string& errorText);

// Waits about 0.66 s (window messages keep running), sends "AT" and waits
// six seconds for OK. A modem that stays silent gets `resetString` when it
// is not blank, and passes when that is answered with OK.
bool ModemAnswersAT(TKovaCustomComPort& port, const std::string& resetString);

// Sends `command` with "AT" in front when it lacks one anywhere (the caller's
// string keeps that form, so a setting passed in is saved corrected) and
// waits six seconds for OK.
bool SendModemCommand(TKovaCustomComPort& port, std::string& command);

// Reads the port until "OK" has come (letters in either case), `ticks`
// have passed or the program is closing. Window messages do not run.
bool WaitForOk(TKovaBaseDispatcher& port, int32_t ticks);

inline constexpr int32_t kModemAnswerTicks = 109;  // six seconds
inline constexpr int32_t kModemSettleTicks = 12;

}  // namespace telvane
