#include "tools/virtual-modem/fault_plan.h"

#include <cctype>
#include <charconv>
#include <cstdlib>

namespace telvane::vmodem {

namespace {

// The frames a Class 1 program can receive over V.21 (T.30 Table 5). The
// comment is the FCF as T.30 writes it, first bit on the line first; the
// octet holds it least significant bit first. X: the calling terminal's bit.
// clang-format off
constexpr FrameKind kFrameKinds[] = {
  {"DIS",     0x80, false},  // 0000 0001  digital identification signal
  {"CSI",     0x40, false},  // 0000 0010  called subscriber identification
  {"NSF",     0x20, false},  // 0000 0100  non-standard facilities
  {"DTC",     0x81, false},  // 1000 0001  digital transmit command
  {"CIG",     0x41, false},  // 1000 0010  calling subscriber identification
  {"NSC",     0x21, false},  // 1000 0100  non-standard facilities command
  {"PWD",     0xC1, false},  // 1000 0011  password
  {"SEP",     0xA1, false},  // 1000 0101  selective polling
  {"DCS",     0x82, true},   // X100 0001  digital command signal
  {"TSI",     0x42, true},   // X100 0010  transmitting subscriber identification
  {"NSS",     0x22, true},   // X100 0100  non-standard facilities set-up
  {"SUB",     0xC2, true},   // X100 0011  subaddress
  {"SID",     0xA2, true},   // X100 0101  sender identification
  {"CTC",     0x12, true},   // X100 1000  continue to correct
  {"CFR",     0x84, true},   // X010 0001  confirmation to receive
  {"FTT",     0x44, true},   // X010 0010  failure to train
  {"CTR",     0xC4, true},   // X010 0011  response for continue to correct
  {"EOM",     0x8E, true},   // X111 0001  end of message
  {"MPS",     0x4E, true},   // X111 0010  multipage signal
  {"EOP",     0x2E, true},   // X111 0100  end of procedure
  {"PRI-EOM", 0x9E, true},   // X111 1001  procedure interrupt, end of message
  {"PRI-MPS", 0x5E, true},   // X111 1010  procedure interrupt, multipage
  {"PRI-EOP", 0x3E, true},   // X111 1100  procedure interrupt, end of procedure
  {"EOS",     0x1E, true},   // X111 1000  end of selection
  {"PPS",     0xBE, true},   // X111 1101  partial page signal
  {"EOR",     0xCE, true},   // X111 0011  end of retransmission
  {"RR",      0x6E, true},   // X111 0110  receive ready
  {"MCF",     0x8C, true},   // X011 0001  message confirmation
  {"RTP",     0xCC, true},   // X011 0011  retrain positive
  {"RTN",     0x4C, true},   // X011 0010  retrain negative
  {"PIP",     0xAC, true},   // X011 0101  procedure interrupt positive
  {"PIN",     0x2C, true},   // X011 0100  procedure interrupt negative
  {"PPR",     0xBC, true},   // X011 1101  partial page request
  {"RNR",     0xEC, true},   // X011 0111  receive not ready
  {"ERR",     0x1C, true},   // X011 1000  response for end of retransmission
  {"DCN",     0xFA, true},   // X101 1111  disconnect
  {"CRP",     0x1A, true},   // X101 1000  command repeat
  {"FNV",     0xCA, true},   // X101 0011  field not valid
};
// clang-format on

bool parsePositive(std::string_view text, int& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value > 0;
}

// "2,5", "DIS", "MCF,3": positions and frame names, comma-separated.
bool parseFrameChoices(std::string_view list, std::vector<FrameChoice>& out) {
  if (list.empty()) return false;
  for (;;) {
    const size_t comma = list.find(',');
    const std::string_view item = list.substr(0, comma);
    FrameChoice choice;
    if (!item.empty() && std::isdigit(static_cast<unsigned char>(item.front()))) {
      if (!parsePositive(item, choice.position)) return false;
    } else if (const auto kind = frameKindNamed(item)) {
      choice.kind = *kind;
    } else {
      return false;
    }
    out.push_back(choice);
    if (comma == std::string_view::npos) return true;
    list.remove_prefix(comma + 1);
  }
}

}  // namespace

std::optional<FrameKind> frameKindNamed(std::string_view name) {
  std::string upper;
  for (const char c : name) upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  for (const FrameKind& kind : kFrameKinds) {
    if (upper == kind.name) return kind;
  }
  return std::nullopt;
}

void FcsSpoiler::newCall() {
  frames_ = 0;
  kindUsed_.assign(choices_.size(), false);
}

bool FcsSpoiler::spoils(std::span<const uint8_t> frame) {
  ++frames_;
  bool spoil = false;
  for (size_t i = 0; i < choices_.size(); ++i) {
    const FrameChoice& choice = choices_[i];
    if (choice.position > 0) {
      spoil = spoil || choice.position == frames_;
    } else if (!kindUsed_[i] && frame.size() >= 3 && choice.kind.matches(frame[2])) {
      kindUsed_[i] = true;
      spoil = true;
    }
  }
  return spoil;
}

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
  } else if (name == "error-on" || name == "silent-after") {
    if (!needValue(true) || value.empty()) {
      error = "fault \"" + std::string(name) + "\" needs a command, e.g. " + std::string(name) + "=+FTH=3";
      return -1;
    }
    (name == "error-on" ? plan.errorOn : plan.silentAfter).emplace_back(value);
  } else if (name == "bad-fcs") {
    std::vector<FrameChoice> choices;
    if (!needValue(true)) return -1;
    if (!parseFrameChoices(value, choices)) {
      error = "fault \"bad-fcs\" needs frame positions or T.30 frame names, e.g. bad-fcs=2,5 or bad-fcs=DIS";
      return -1;
    }
    plan.badFcs.insert(plan.badFcs.end(), choices.begin(), choices.end());
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
