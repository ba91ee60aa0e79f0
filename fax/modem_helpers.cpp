#include "fax/modem_helpers.h"

#include <exception>

#include "fax/modem_trace.h"
#include "platform/clock.h"
#include "platform/pending_messages.h"
#include "platform/text.h"
#include "serial/base_dispatcher.h"
#include "serial/com_port.h"
#include "serial/kova_exceptions.h"
#include "serial/message_table.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {

constexpr int kPollMs = 5;

std::string PortInUseText(int n) {
  return "The communications port is in use ( Com " + std::to_string(n) + " )\r\n\r\n" +
         "Please make sure that all communication programs (internet, AOL, etc) are closed, and then try again.";
}

std::string CannotOpenText(int n) {
  return "Unable to open the specified communications port ( Com" + std::to_string(n) + " )";
}

bool SendLine(TKovaBaseDispatcher& port, const std::string& command) {
  ModemTrace("-> " + command);
  return port.SendText(command + "\r") >= 0;
}

}  // namespace

bool OpenModemPort(TKovaCustomComPort& port, std::string& errorText) {
  const int n = port.ComNumber();
  try {
    port.SetOpen(true);
    return true;
  } catch (const EKovaException& e) {
    switch (e.ErrorCode) {
      case ecAlreadyOpen:
      case ecAccessDenied:
        errorText = PortInUseText(n);
        break;
      case ecFileNotFound:
      case ecPathNotFound:
      case ecBadId:
        errorText = CannotOpenText(n);
        break;
      default: {
        const std::string_view text = MessageText(e.ErrorCode);
        errorText = CannotOpenText(n) + "\r\nError message: " + (text.empty() ? std::string("Unknown error") : std::string(text));
      }
    }
  } catch (const std::exception& e) {
    errorText = "Unable to open the specified communications port( Com" + std::to_string(n) + " )\r\nError message: " + e.what();
  }
  return false;
}

bool WaitForOk(TKovaBaseDispatcher& port, int32_t ticks) {
  static constexpr char kOk[] = "OK";
  size_t matched = 0;
  const TickTimer timer = NewTimer(CurrentTicks(), ticks);
  while (!ApplicationClosing()) {
    uint8_t byte = 0;
    while (port.TakeByte(byte) == ecOK) {
      const char c = ToUpperAscii(static_cast<char>(byte));
      if (c == kOk[matched]) {
        if (++matched == 2) return true;
      } else {
        matched = c == kOk[0] ? 1 : 0;
      }
    }
    if (TimerExpired(timer, CurrentTicks())) return false;
    CurrentClock().sleepMilliseconds(kPollMs);
  }
  return false;
}

bool ModemAnswersAT(TKovaCustomComPort& port, const std::string& resetString) {
  try {
    const TickTimer settle = NewTimer(CurrentTicks(), kModemSettleTicks);
    while (!TimerExpired(settle, CurrentTicks())) {
      ProcessPendingMessages();
      CurrentClock().sleepMilliseconds(kPollMs);
    }
    TKovaBaseDispatcher& dispatcher = port.ValidDispatcher();
    if (SendLine(dispatcher, "AT") && WaitForOk(dispatcher, kModemAnswerTicks)) return true;
    const std::string reset = TrimSpaces(resetString);
    if (reset.empty()) return false;
    return SendLine(dispatcher, resetString) && WaitForOk(dispatcher, kModemAnswerTicks);
  } catch (const std::exception&) {
    return false;
  }
}

bool SendModemCommand(TKovaCustomComPort& port, std::string& command) {
  if (ToUpperAscii(command).find("AT") == std::string::npos) command = "AT" + command;
  try {
    TKovaBaseDispatcher& dispatcher = port.ValidDispatcher();
    return SendLine(dispatcher, command) && WaitForOk(dispatcher, kModemAnswerTicks);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace telvane
