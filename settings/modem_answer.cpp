#include "settings/modem_answer.h"

#include <algorithm>

#include "fax/fax_codes.h"
#include "platform/text.h"

namespace telvane {
namespace {

enum class LineKind { Blank, Echo, Ok, Error, Text, Noise };

// Lines end at CR or LF; the text after the last one counts as a line too
// (a device that echoes without a line end).
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
      if (i > start) lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return lines;
}

bool Printable(std::string_view line) {
  return std::all_of(line.begin(), line.end(), [](char c) { return c >= 32 && c < 127; });
}

LineKind Classify(std::string_view sent, std::string_view raw) {
  const std::string_view line = TrimWhitespace(raw);
  if (line.empty()) return LineKind::Blank;
  if (!Printable(line)) return LineKind::Noise;
  if (EqualsNoCase(line, TrimWhitespace(sent))) return LineKind::Echo;
  // Numeric results (V0): 0 is OK and 4 is ERROR.
  if (EqualsNoCase(line, "OK") || line == "0") return LineKind::Ok;
  if (EqualsNoCase(line, "ERROR") || line == "4") return LineKind::Error;
  return LineKind::Text;
}

}  // namespace

ModemAnswer ClassifyModemAnswer(std::string_view sent, std::string_view received, bool lost) {
  bool ok = false, error = false, echo = false, other = false;
  for (std::string_view line : SplitLines(received)) {
    switch (Classify(sent, line)) {
      case LineKind::Ok: ok = true; break;
      case LineKind::Error: error = true; break;
      case LineKind::Echo: echo = true; break;
      case LineKind::Text:
      case LineKind::Noise: other = true; break;
      case LineKind::Blank: break;
    }
  }
  if (ok) return ModemAnswer::Ok;
  if (error) return ModemAnswer::Error;
  if (lost) return ModemAnswer::Lost;
  if (other) return ModemAnswer::Garbage;
  return echo ? ModemAnswer::Echo : ModemAnswer::Silent;
}

bool HasFinalResult(std::string_view received) {
  // Only whole lines: "0" must not be read from the first byte of "0,1,2".
  const size_t end = received.find_last_of("\r\n");
  if (end == std::string_view::npos) return false;
  for (std::string_view line : SplitLines(received.substr(0, end))) {
    const LineKind kind = Classify({}, line);
    if (kind == LineKind::Ok || kind == LineKind::Error) return true;
  }
  return false;
}

std::vector<std::string> InformationLines(std::string_view sent, std::string_view received) {
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(received))
    if (Classify(sent, line) == LineKind::Text) lines.emplace_back(TrimWhitespace(line));
  return lines;
}

int FaxClassesFromAnswer(const std::vector<std::string>& lines) {
  int bits = 0;
  for (const std::string& line : lines) {
    size_t start = 0;
    while (start <= line.size()) {
      size_t end = line.find(',', start);
      if (end == std::string::npos) end = line.size();
      std::string item = line.substr(start, end - start);
      std::erase_if(item, [](char c) { return c == '(' || c == ')' || c == ' '; });
      if (item == "1") bits |= kFaxClassBit1;
      if (item == "2") bits |= kFaxClassBit2;
      if (item == "2.0") bits |= kFaxClassBit2_0;
      start = end + 1;
    }
  }
  return bits;
}

}  // namespace telvane
