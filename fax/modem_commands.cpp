#include "fax/modem_commands.h"

#include <algorithm>

#include "fax/modem_trace.h"
#include "fax/t30/modem_response.h"
#include "platform/clock.h"
#include "platform/pending_messages.h"
#include "platform/text.h"
#include "platform/ticks.h"
#include "serial/base_dispatcher.h"
#include "serial/status_codes.h"

namespace telvane {
namespace {

constexpr int kPollMs = 5;

// Reads one line (CR ends it; other bytes below 32 are dropped) until the
// timer runs out. False on time-out.
bool ReadLine(TKovaBaseDispatcher& port, const TickTimer& timer, std::string& line) {
  line.clear();
  for (;;) {
    uint8_t byte = 0;
    while (port.TakeByte(byte) == ecOK) {
      if (byte == '\r' || byte == '\n') {
        if (!line.empty()) return true;
      } else if (byte >= 32 && line.size() < 256) {
        line.push_back(static_cast<char>(byte));
      }
    }
    if (TimerExpired(timer, CurrentTicks())) return false;
    ProcessPendingMessages();
    CurrentClock().sleepMilliseconds(kPollMs);
  }
}

bool HasToken(const std::string& text, std::string_view token) {
  // Whole comma-separated items of a +FCLASS=? answer ("0,1,2,2.0" or
  // "(0,1,2,2.0)").
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    std::string item = text.substr(start, end - start);
    item.erase(std::remove_if(item.begin(), item.end(), [](char c) { return c == '(' || c == ')' || c == ' '; }),
               item.end());
    if (item == token) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

CommandAnswer RunModemCommand(TKovaBaseDispatcher& port, std::string_view command, int32_t timeoutTicks) {
  CommandAnswer answer;
  std::string text(command);
  port.AddLogEntry(LogType::Fax, LogSubtype::Data, static_cast<uint32_t>(text.size()), "-> " + text);
  ModemTrace("-> " + text);
  text.push_back('\r');
  port.SendText(text);
  const TickTimer timer = NewTimer(CurrentTicks(), timeoutTicks);
  std::string line;
  while (ReadLine(port, timer, line)) {
    port.AddLogEntry(LogType::Fax, LogSubtype::Data, static_cast<uint32_t>(line.size()), "<- " + line);
    ModemTrace("<- " + line);
    if (line == command) continue;  // an echo
    const t30::ModemResponse kind = t30::ClassifyResponse(line).kind;
    if (kind == t30::ModemResponse::Ok) return answer;
    if (kind == t30::ModemResponse::Error) {
      answer.code = ecFaxBadModemResult;
      return answer;
    }
    answer.lines.push_back(line);
  }
  answer.code = ecTimeout;
  return answer;
}

std::string DefaultInitString(bool blindDial, bool detectBusy) {
  char x = '4';
  if (blindDial && !detectBusy) x = '1';
  else if (!blindDial && !detectBusy) x = '2';
  else if (blindDial && detectBusy) x = '3';
  return std::string("ATE0Q0V1X") + x + "S0=0S2=43";
}

std::string NormaliseInitString(std::string_view init) {
  std::string out = ToUpperAscii(init);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  if (out.empty()) return out;
  if (!out.starts_with("AT")) out = "AT" + out;
  if (out.size() > 40) out.resize(40);
  return out;
}

int QueryFaxClasses(TKovaBaseDispatcher& port, const std::string& defaultInit) {
  bool ready = false;
  for (int attempt = 0; attempt < 2 && !ready; ++attempt) ready = RunModemCommand(port, defaultInit).code == 0;
  if (!ready) return 0;
  const CommandAnswer answer = RunModemCommand(port, "AT+FCLASS=?");
  if (answer.code != 0) return 0;
  int bits = 0;
  for (const std::string& line : answer.lines) {
    if (HasToken(line, "1")) bits |= kFaxClassBit1;
    if (HasToken(line, "2")) bits |= kFaxClassBit2;
    if (HasToken(line, "2.0")) bits |= kFaxClassBit2_0;
  }
  return bits;
}

TFaxClass HighestFaxClass(int classBits) {
  if (classBits & kFaxClassBit2_0) return fcClass2_0;
  if (classBits & kFaxClassBit2) return fcClass2;
  if (classBits & kFaxClassBit1) return fcClass1;
  return fcUnknown;
}

ModemInitResult InitializeModem(TKovaBaseDispatcher& port, const ModemInitRequest& request) {
  ModemInitResult result;
  result.faxClass = request.faxClass == fcUnknown ? fcDetect : request.faxClass;
  if (result.faxClass == fcDetect) {
    result.classBits = QueryFaxClasses(port, request.defaultInit);
    // The highest class the modem offers that the engine can run.
    result.faxClass = HighestFaxClass(result.classBits & request.usableClasses);
    if (result.faxClass == fcUnknown) {
      result.code = ecFaxBadModemResult;
      return result;
    }
  }
  if (!request.userInit.empty() && RunModemCommand(port, request.userInit).code != 0) {
    result.code = ecFaxInitError;
    return result;
  }
  if (RunModemCommand(port, request.defaultInit).code != 0) {
    result.code = ecFaxInitError;
    return result;
  }
  if (result.faxClass != fcClass1) {
    if (!(request.usableClasses & (result.faxClass == fcClass2 ? kFaxClassBit2 : kFaxClassBit2_0))) {
      result.code = ecFaxInitError;
      return result;
    }
    if (!request.sending) {
      const bool class20 = result.faxClass == fcClass2_0;
      const std::string commands[] = {class20 ? "AT+FCLASS=2.0" : "AT+FCLASS=2", "AT+FCR=1",
                                      std::string(class20 ? "AT+FLI=" : "AT+FLID=") + "\"" + request.stationId + "\"",
                                      std::string("AT+FAA=") + (request.faxAndData ? "1" : "0")};
      for (const std::string& command : commands) {
        if (RunModemCommand(port, command).code != 0) {
          result.code = ecFaxInitError;
          return result;
        }
      }
    }
    return result;
  }

  if (RunModemCommand(port, "AT+FCLASS=1").code != 0) {
    result.code = ecFaxInitError;
    return result;
  }
  const CommandAnswer rates = RunModemCommand(port, request.sending ? "AT+FTM=?" : "AT+FRM=?");
  if (rates.code != 0) {
    // A modem that cannot list its modulations is no Class 1 modem we can
    // drive; falling back to 2400/4800 without a word would hide that.
    result.code = ecFaxInitError;
    return result;
  }
  std::string list;
  for (const std::string& line : rates.lines) list += line + ",";
  result.rates = t30::RatesFromModulationList(list);
  const int desired = std::max(1, t30::RateIndexOfBps(request.desiredBps));
  for (int index = t30::kMaxRateIndex; index >= t30::kMinRateIndex; --index) {
    if (result.rates[index] && index <= desired) {
      result.startRate = index;
      break;
    }
  }
  return result;
}

}  // namespace telvane
