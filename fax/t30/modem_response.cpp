#include "fax/t30/modem_response.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace telvane::t30 {
namespace {

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Result words as V.250 modems send them with V1 (verbose) and V0 (numeric).
// `argument`: the word may be followed by a blank and more text
// ("CONNECT 9600", "RING 1" of distinctive-ring modems).
struct Keyword {
  std::string_view text;
  ModemResponse kind;
  bool argument;
};
constexpr Keyword kKeywords[] = {
    {"OK", ModemResponse::Ok, false},
    {"0", ModemResponse::Ok, false},
    {"CONNECT", ModemResponse::Connect, true},
    {"1", ModemResponse::Connect, false},
    {"RING", ModemResponse::Ring, true},
    {"2", ModemResponse::Ring, false},
    {"NO CARRIER", ModemResponse::NoCarrier, false},
    {"3", ModemResponse::NoCarrier, false},
    {"ERROR", ModemResponse::Error, false},
    {"4", ModemResponse::Error, false},
    {"NO DIALTONE", ModemResponse::NoDialTone, false},
    {"NO DIAL TONE", ModemResponse::NoDialTone, false},
    {"6", ModemResponse::NoDialTone, false},
    {"BUSY", ModemResponse::Busy, false},
    {"7", ModemResponse::Busy, false},
    {"NO ANSWER", ModemResponse::NoAnswer, false},
    {"8", ModemResponse::NoAnswer, false},
    {"VOICE", ModemResponse::Voice, false},
    {"VCON", ModemResponse::Voice, false},
    {"+FCERROR", ModemResponse::FcError, false},  // T.31: not the carrier asked for
    {"FAX", ModemResponse::Fax, false},
    {"DATA", ModemResponse::Data, false},
};

// Caller-ID tags of the "TAG = value" lines modems print between rings.
// A fixed list: an echoed "ATS0=0" must not pass for caller ID.
constexpr std::string_view kCallerIdTags[] = {"DATE", "TIME", "NMBR", "NAME", "MESG", "DDN_NMBR"};

// Reports whose code says the call is over: Class 2 (+FHNG) and 2.0 (+FHS).
constexpr std::string_view kHangupReports[] = {"FHNG", "FHS"};

bool MatchKeyword(std::string_view line, ClassifiedLine& out) {
  for (const Keyword& k : kKeywords) {
    if (line == k.text) {
      out.kind = k.kind;
      return true;
    }
    if (k.argument && line.size() > k.text.size() && line.starts_with(k.text) &&
        IsBlank(line[k.text.size()])) {
      out.kind = k.kind;
      out.argument = Trim(line.substr(k.text.size()));
      return true;
    }
  }
  return false;
}

// "+F<name>:<value>", or "+F<name>" alone (Class 2 "+FCON", "+FDM"); the
// name is upper-case letters and digits.
bool MatchReport(std::string_view line, ClassifiedLine& out) {
  if (!line.starts_with("+F")) return false;
  const size_t colon = std::min(line.find(':'), line.size());
  const std::string_view name = line.substr(1, colon - 1);
  for (char c : name) {
    if (!IsUpper(c) && !IsDigit(c)) return false;
  }
  if (name.size() < 2) return false;
  out.kind = ModemResponse::Report;
  for (std::string_view hangup : kHangupReports) {
    if (name == hangup) out.kind = ModemResponse::Hangup;
  }
  out.name = name;
  out.argument = colon < line.size() ? Trim(line.substr(colon + 1)) : std::string_view{};
  return true;
}

// "<TAG> = <value>", blanks around "=" optional.
bool MatchCallerId(std::string_view line, ClassifiedLine& out) {
  for (std::string_view tag : kCallerIdTags) {
    if (!line.starts_with(tag)) continue;
    const std::string_view rest = Trim(line.substr(tag.size()));
    if (rest.empty() || rest.front() != '=') continue;
    out.kind = ModemResponse::CallerId;
    out.name = line.substr(0, tag.size());
    out.argument = Trim(rest.substr(1));
    return true;
  }
  return false;
}

constexpr std::array<std::string_view, 17> kNames = {
    "EMPTY", "OK", "CONNECT", "RING", "NO CARRIER", "ERROR", "NO DIALTONE", "BUSY", "NO ANSWER",
    "VOICE", "+FCERROR", "FAX", "DATA", "CALLER ID", "REPORT", "HANGUP", "OTHER"};
static_assert(kNames.size() == static_cast<size_t>(ModemResponse::Other) + 1,
              "one name per ModemResponse");

}  // namespace

ClassifiedLine ClassifyResponse(std::string_view line) {
  ClassifiedLine out;
  line = Trim(line);
  if (line.empty()) {
    out.kind = ModemResponse::Empty;
    return out;
  }
  if (MatchKeyword(line, out) || MatchReport(line, out) || MatchCallerId(line, out)) return out;
  out.kind = ModemResponse::Other;
  return out;
}

std::string_view ResponseName(ModemResponse kind) {
  const auto i = static_cast<size_t>(kind);
  return i < kNames.size() ? kNames[i] : "?";
}

}  // namespace telvane::t30
