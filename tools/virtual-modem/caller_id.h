#pragma once
// Caller ID as a modem reports it on an incoming call. The exchange sends
// the caller's number in the silence after the first ring (Bellcore GR-30,
// ETSI EN 300 659), and a modem with caller ID reporting on passes it to the
// DTE as text between the first and the second RING:
//
//   <CR><LF>RING<CR><LF>
//   <CR><LF>DATE = 1209<CR><LF>       month, day
//   TIME = 0530<CR><LF>               hour, minute (24-hour clock)
//   NMBR = 5551234<CR><LF>
//   NAME = ACME LTD<CR><LF>           only when the exchange sends a name
//   <CR><LF>RING<CR><LF>
//
// Read as lines: RING, a blank line, the four fields, a blank line, RING.

#include <ctime>
#include <string>
#include <string_view>

namespace telvane::vmodem {

struct CallerId {
  static constexpr size_t kMaxNumber = 20;  // ETSI EN 300 659-3 calling line identity
  static constexpr size_t kMaxName = 50;    // ETSI EN 300 659-3 calling party name
  std::string number;
  std::string name;  // empty: no NAME line
};

// "NUMBER" or "NUMBER,NAME" (the name may hold further commas). Both are
// printable ASCII; the number is not empty. Returns 0, or -1 with a message.
int parseCallerId(std::string_view text, CallerId& id, std::string& error);

// The report's field lines for a call at `when`, separated by CR LF, without
// the CR LF that the modem puts before and after an information text.
std::string callerIdReport(const CallerId& id, const std::tm& when);

}  // namespace telvane::vmodem
