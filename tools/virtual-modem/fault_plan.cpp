#include "tools/virtual-modem/fault_plan.h"

#include <charconv>
#include <cstdlib>

namespace telvane::vmodem {

namespace {

bool parsePositive(std::string_view text, int& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value > 0;
}

}  // namespace

int addFault(std::string_view text, FaultPlan& plan, std::string& error) {
  const size_t eq = text.find('=');
  const std::string_view name = text.substr(0, eq);
  const std::string_view value = eq == std::string_view::npos ? std::string_view() : text.substr(eq + 1);
  const bool hasValue = eq != std::string_view::npos;
  auto needValue = [&](bool wanted) {
    if (wanted != hasValue) {
      error = "fault \"" + std::string(name) + (wanted ? "\" needs a value" : "\" takes no value");
      return false;
    }
    return true;
  };

  if (name == "busy" || name == "no-answer" || name == "no-dial-tone") {
    if (!needValue(false)) return -1;
    plan.dial = name == "busy" ? DialOutcome::Busy : name == "no-answer" ? DialOutcome::NoAnswer : DialOutcome::NoDialTone;
  } else if (name == "silent") {
    if (!needValue(false)) return -1;
    plan.silent = true;
  } else if (name == "hangup-after-dis") {
    if (!needValue(false)) return -1;
    plan.hangupAfterDis = true;
  } else if (name == "error-on") {
    if (!needValue(true) || value.empty()) {
      error = "fault \"error-on\" needs a command, e.g. error-on=+FTH=3";
      return -1;
    }
    plan.errorOn.emplace_back(value);
  } else if (name == "carrier-lost" || name == "rtn" || name == "max-rate") {
    int number = 0;
    if (!needValue(true)) return -1;
    if (!parsePositive(value, number)) {
      error = "fault \"" + std::string(name) + "\" needs a positive whole number";
      return -1;
    }
    if (name == "carrier-lost") plan.carrierLostPage = number;
    else if (name == "rtn") plan.rtnPage = number;
    else plan.maxTrainingRate = number;
  } else if (name == "noise") {
    if (!needValue(true)) return -1;
    const std::string rateText(value);
    char* end = nullptr;
    const double rate = std::strtod(rateText.c_str(), &end);
    if (end != rateText.c_str() + rateText.size() || !(rate > 0) || rate > 0.5) {
      error = "fault \"noise\" needs a bit error rate above 0 and at most 0.5, e.g. noise=1e-4";
      return -1;
    }
    plan.noiseBitErrorRate = rate;
  } else if (name == "seed") {
    int number = 0;
    if (!needValue(true) || !parsePositive(value, number)) {
      error = "fault \"seed\" needs a positive whole number";
      return -1;
    }
    plan.seed = static_cast<uint64_t>(number);
  } else {
    error = "unknown fault \"" + std::string(name) + "\"";
    return -1;
  }
  return 0;
}

}  // namespace telvane::vmodem
