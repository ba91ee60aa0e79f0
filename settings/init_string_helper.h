#pragma once
// The init string helper's logic: which kind of modem and which dial wait an
// existing init command suggests, and the command built from the user's
// choice.

#include <string>
#include <string_view>

namespace telvane {

inline constexpr int ModemTypeCount = 6;

struct InitStringChoice {
  int modemType = 0;     // 0 Hayes/unknown ... 5 Cirrus Logic, AT&T, Motorola
  bool longWait = false; // CheckAT7: the far end answers late (S7 above the usual)
};

// The choice an existing command reflects.
InitStringChoice ChoiceFromCommand(std::string_view command);

// The command for a choice. The dial wait (S7) is 120 s for `longWait`
// when sending, 90 s for any but the Hayes type when sending, else 65 s.
std::string InitStringForChoice(const InitStringChoice& choice, bool sending);

}  // namespace telvane
