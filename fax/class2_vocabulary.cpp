#include "fax/class2_vocabulary.h"

#include <algorithm>
#include <vector>

#include "fax/t30/session_params.h"
#include "platform/text.h"

namespace telvane {
namespace {

constexpr Class2Vocabulary kClass2 = {false,      "AT+FCLASS=2", "AT+FLID=", "AT+FDIS=", "AT+FDCC=", "AT+FK",
                                      "FCON",     "FDIS",        "FDCS",     "FTSI",     "FCSI",     "FPTS",
                                      "FHNG"};
constexpr Class2Vocabulary kClass20 = {true,    "AT+FCLASS=2.0", "AT+FLI=", "AT+FIS=", "AT+FCC=", "AT+FKS",
                                       "FCO",   "FIS",           "FCS",     "FTI",     "FCI",     "FPS",
                                       "FHS"};

// BR codes by rate index 1..6.
constexpr int kRateCodes[] = {0, 0, 1, 2, 3, 4, 5};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Comma-separated values, each one hex number (blanks ignored).
std::vector<int> Values(std::string_view text) {
  std::vector<int> out;
  int value = -1;
  for (char c : text) {
    if (c == ',') {
      out.push_back(value);
      value = -1;
    } else if (const int d = HexDigit(c); d >= 0) {
      value = (value < 0 ? 0 : value * 16) + d;
      if (value > 0xFFFF) value = 0xFFFF;
    }
  }
  out.push_back(value);
  return out;
}

struct HangupRow {
  std::string_view code;
  std::string_view meaning;
};
// EIA-592 / T.32 hang-up codes (decimal in Class 2; 2.0 writes 100..103
// as A0..A3).
constexpr HangupRow kHangupCodes[] = {
    {"0", "Normal end of connection"},
    {"1", "Ring detected without successful handshake"},
    {"2", "Call aborted from +FK or <CAN>"},
    {"3", "No loop current"},
    {"4", "Ringback detected, no answer"},
    {"5", "Ringback detected, answer without CED"},
    {"10", "Unspecified phase A error"},
    {"11", "No answer (T.30 T1 time-out)"},
    {"20", "Unspecified transmit phase B error"},
    {"21", "Remote cannot receive or send"},
    {"22", "COMREC error in transmit phase B"},
    {"23", "COMREC invalid command received"},
    {"24", "RSPREC error"},
    {"25", "DCS sent three times without response"},
    {"26", "DIS/DTC received three times; DCS not recognized"},
    {"27", "Failure to train at 2400 bit/s or +FMS value"},
    {"28", "RSPREC invalid response received"},
    {"40", "Unspecified transmit phase C error"},
    {"41", "Unspecified image format error"},
    {"42", "Image conversion error"},
    {"43", "DTE to DCE data underflow"},
    {"44", "Unrecognized transparent data command"},
    {"45", "Image error, line length wrong"},
    {"46", "Image error, page length wrong"},
    {"47", "Image error, wrong compression code"},
    {"50", "Unspecified transmit phase D error"},
    {"51", "RSPREC error"},
    {"52", "No response to MPS repeated three times"},
    {"53", "Invalid response to MPS"},
    {"54", "No response to EOP repeated three times"},
    {"55", "Invalid response to EOP"},
    {"56", "No response to EOM repeated three times"},
    {"57", "Invalid response to EOM"},
    {"58", "Unable to continue after PIN or PIP"},
    {"70", "Unspecified receive phase B error"},
    {"71", "RSPREC error"},
    {"72", "COMREC error"},
    {"73", "T.30 T2 time-out, expected page not received"},
    {"74", "T.30 T1 time-out after EOM received"},
    {"90", "Unspecified receive phase C error"},
    {"91", "Missing EOL after 5 seconds"},
    {"92", "Bad CRC or frame (ECM mode)"},
    {"93", "DCE to DTE buffer overflow"},
    {"94", "Bad CRC or frame (ECM mode)"},
    {"100", "Unspecified receive phase D error"},
    {"101", "RSPREC invalid response received"},
    {"102", "COMREC invalid response received"},
    {"103", "Unable to continue after PIN or PIP"},
};

}  // namespace

const Class2Vocabulary& Class2Words(bool class20) { return class20 ? kClass20 : kClass2; }

int Class2RateCode(int bps) {
  const int index = t30::RateIndexOfBps(bps);
  return index > 0 ? kRateCodes[index] : 3;
}

Class2Params ParseClass2Params(std::string_view value) {
  Class2Params p;
  const std::vector<int> v = Values(value);
  if (v.size() < 2 || v[0] < 0 || v[1] < 0) return p;
  p.valid = true;
  p.fine = v[0] >= 1;
  switch (v[1]) {
    case 0: p.rateIndex = 1; break;
    case 1: p.rateIndex = 2; break;
    case 2: p.rateIndex = 3; break;
    case 4: p.rateIndex = 5; break;
    case 5: p.rateIndex = 6; break;
    default: p.rateIndex = 4; break;
  }
  p.wide = v.size() > 2 && v[2] >= 1;
  p.ecm = v.size() > 5 && (v[5] == 1 || v[5] == 2);
  p.scanCode = v.size() > 7 && v[7] >= 0 && v[7] <= 7 ? v[7] : 0;
  return p;
}

std::string SendParamsCommand(const Class2Vocabulary& words, bool fine, int desiredBps, bool wide, bool ecm) {
  return std::string(words.sendParams) + (fine ? "1" : "0") + "," + std::to_string(Class2RateCode(desiredBps)) +
         "," + (wide ? "1" : "0") + ",2,0," + (ecm ? "1" : "0") + ",0,0";
}

std::string ReceiveCapsCommand(const Class2Vocabulary& words, int desiredBps, bool ecm) {
  return std::string(words.receiveCaps) + "1," + std::to_string(Class2RateCode(desiredBps)) + ",0,2,0," +
         (ecm ? "1" : "0") + ",0,0";
}

int FirstReportValue(std::string_view value) {
  const std::vector<int> v = Values(value);
  return v.empty() ? -1 : v[0];
}

namespace {
// The code as the table writes it: no blanks, upper case, no leading zeros.
std::string HangupKey(std::string_view code) {
  std::string key = ToUpperAscii(code);
  key.erase(std::remove(key.begin(), key.end(), ' '), key.end());
  while (key.size() > 1 && key[0] == '0') key.erase(0, 1);
  return key;
}
}  // namespace

bool IsNormalHangup(std::string_view code) { return HangupKey(code) == "0"; }

std::string_view HangupCodeMeaning(std::string_view code) {
  std::string key = HangupKey(code);
  if (key.size() == 2 && key[0] == 'A' && key[1] >= '0' && key[1] <= '3') key = std::string("10") + key[1];
  for (const HangupRow& row : kHangupCodes)
    if (row.code == key) return row.meaning;
  return {};
}

}  // namespace telvane
