#include "settings/init_string_helper.h"

#include <cctype>

#include "platform/text.h"

namespace telvane {
namespace {

// The S7 value written in the command, or -1: the six characters from
// "S7=", trailing non-digits dropped.
int DialWait(std::string_view upper) {
  const size_t at = upper.find("S7=");
  if (at == std::string_view::npos) return -1;
  std::string_view field = upper.substr(at, 6);
  while (!field.empty() && !std::isdigit(static_cast<unsigned char>(field.back()))) field.remove_suffix(1);
  if (field.size() <= 3) return -1;
  int value = 0;
  for (char c : field.substr(3)) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

InitStringChoice ChoiceFromCommand(std::string_view command) {
  const std::string upper = ToUpperAscii(command);
  InitStringChoice choice;
  const int wait = DialWait(upper);
  // US Robotics modems (&H3) count S7 longer before they give up.
  const int usual = command.find("&H3") != std::string_view::npos ? 90 : 65;
  choice.longWait = wait > usual;
  if (upper.find("S36=0") != std::string::npos) choice.modemType = 2;
  else if (upper.find("S33=34") != std::string::npos) choice.modemType = 4;
  else if (upper.find("S36=8") != std::string::npos) choice.modemType = 3;
  else if (upper.find("\\Q3") != std::string::npos) choice.modemType = 5;
  else if (upper.find("&R2") != std::string::npos) choice.modemType = 1;
  return choice;
}

std::string InitStringForChoice(const InitStringChoice& choice, bool sending) {
  std::string wait = "S7=65";
  if (sending && choice.longWait) wait = "S7=120";
  else if (sending && choice.modemType > 0) wait = "S7=90";
  switch (choice.modemType) {
    case 1: return "AT&H3&I2&R2" + wait;
    case 2: return "AT&H3&I2&R2" + wait + "S36=0";
    case 3: return "AT&H3&I2&R2" + wait + "S36=8";
    case 4: return "AT&H3&I2&R2" + wait + "S36=8S33=34";
    case 5: return "AT&F&C1&D2\\Q3" + wait;
    default: return "AT&F&C1&D2&K3" + wait;
  }
}

}  // namespace telvane
