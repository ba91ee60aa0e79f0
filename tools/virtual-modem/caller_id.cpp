#include "tools/virtual-modem/caller_id.h"

#include <cstdio>

namespace telvane::vmodem {

namespace {

bool printable(std::string_view text) {
  for (const char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

std::string twoDigits(int a, int b) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d%02d", a % 100, b % 100);
  return text;
}

}  // namespace

int parseCallerId(std::string_view text, CallerId& id, std::string& error) {
  const size_t comma = text.find(',');
  const std::string_view number = text.substr(0, comma);
  const std::string_view name = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  if (number.empty() || number.size() > CallerId::kMaxNumber || !printable(number)) {
    error = "--caller-id needs a number of 1 to " + std::to_string(CallerId::kMaxNumber) +
            " printable characters, e.g. 5551234 or 5551234,ACME LTD";
    return -1;
  }
  if (name.size() > CallerId::kMaxName || !printable(name)) {
    error = "--caller-id: the name must be at most " + std::to_string(CallerId::kMaxName) + " printable characters";
    return -1;
  }
  id.number = std::string(number);
  id.name = std::string(name);
  return 0;
}

std::string callerIdReport(const CallerId& id, const std::tm& when) {
  std::string text = "DATE = " + twoDigits(when.tm_mon + 1, when.tm_mday) + "\r\n";
  text += "TIME = " + twoDigits(when.tm_hour, when.tm_min) + "\r\n";
  text += "NMBR = " + id.number;
  if (!id.name.empty()) text += "\r\nNAME = " + id.name;
  return text;
}

}  // namespace telvane::vmodem
