#include "sessions/send_setup.h"

#include <charconv>

#include "platform/text.h"
#include "settings/app_settings.h"

namespace telvane {
namespace {

const char* ClassText(int faxClass) {
  switch (faxClass) {
    case 1: return "Class 1";
    case 2: return "Class 2";
    case 3: return "Class 2.0";
    default: return "Autodetect";
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::vector<std::string> SetupLines(const AppSettingsRecord& s) {
  std::vector<std::string> lines = {
      "Communications Port: COM" + std::to_string(s.ComPort + 1),
      std::string("Fax Class: ") + ClassText(s.FaxClass),
      "Transfer Rate: " + std::to_string(s.MaximumBPS),
      std::string("Dialing with: ") + (s.ToneOrPulse == 1 ? "Pulse" : "Tone"),
      "Modem Init String :" + s.InitString,
      "Modem Reset String :" + s.ResetString,
      "Post Reset String :" + s.ResetAfterString,
      "Station ID (Fax #) :" + s.UserFax,
      "Dial Attempts :" + std::to_string(s.DialAttempts),
      "Retry in :" + std::to_string(s.RetryWait) + " seconds",
  };
  if (s.BlindDial) lines.push_back("Blind Dial is ACTIVE");
  if (s.IgnoreBusy) lines.push_back("Ignore Busy is ACTIVE");
  if (s.ECM) lines.push_back("Using Error Correction");
  return lines;
}

int DialWaitFromInitString(std::string_view initString) {
  constexpr int kDefault = 60, kLeast = 55;
  const std::string upper = ToUpperAscii(initString);
  const size_t at = upper.find("S7=");
  if (at == std::string::npos) return kDefault;
  std::string_view field = std::string_view(upper).substr(at, 6);
  while (!field.empty() && !IsDigit(field.back())) field.remove_suffix(1);
  if (field.size() < 4) return kDefault;
  const std::string_view digits = field.substr(3);
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return kDefault;
  return value < kLeast ? kLeast : value;
}

std::string ModemInitCommand(std::string_view initString) {
  if (initString.empty() || ToUpperAscii(initString).find("AT") != std::string::npos) return std::string(initString);
  return "AT" + std::string(initString);
}

std::string BuildHeader(std::string_view userName, std::string_view userFax, std::string_view shortDate,
                        std::string_view shortTime) {
  std::string header = "Sent";
  if (!TrimSpaces(std::string(userName) + std::string(userFax)).empty()) header += " by";
  if (!userName.empty()) header += ": " + std::string(userName) + std::string(4, ' ');
  if (!userFax.empty()) header += std::string(9, ' ') + "$I" + std::string(10, ' ');
  header += std::string(11, ' ') + std::string(shortDate) + std::string(4, ' ') + std::string(shortTime);
  header += std::string(14, ' ') + "Page $P of $N";
  return header;
}

}  // namespace telvane
