#pragma once
// What came back from a port after one command, read apart from the
// reading: a pure classifier, so each kind of device a search meets (a
// modem, an echoing terminal, a device that answers ERROR or noise, one
// that vanished) is tested row by row.

#include <string>
#include <string_view>
#include <vector>

namespace telvane {

enum class ModemAnswer {
  Ok,       // "OK" (or "0" from a modem set to numeric results)
  Error,    // "ERROR" (or "4"): something that speaks AT but refused
  Echo,     // only our own command came back: a terminal or a loop-back
  Garbage,  // bytes that make no result
  Silent,   // nothing at all
  Lost,     // the device went away before an answer
};

// The answer to `sent` in `received`. A final result wins over a lost
// device: the modem answered before it went.
ModemAnswer ClassifyModemAnswer(std::string_view sent, std::string_view received, bool lost);

// True once `received` holds a final result line (OK or ERROR), so the
// reader can stop waiting.
bool HasFinalResult(std::string_view received);

// The information lines of an answer: neither the echo of `sent`, nor a
// final result, nor blank.
std::vector<std::string> InformationLines(std::string_view sent, std::string_view received);

// Class bits (kFaxClassBit1, kFaxClassBit2, kFaxClassBit2_0) of an
// "AT+FCLASS=?" answer such as "0,1,2,2.0" or "(0,1,2,2.0)": whole items
// count, so "2.0" alone does not offer Class 2 and "1.0" is not Class 1.
int FaxClassesFromAnswer(const std::vector<std::string>& lines);

}  // namespace telvane
