#include "tools/virtual-modem/command_overrides.h"

#include <cctype>

namespace telvane::vmodem {

namespace {

enum class Answer { Classes, Manufacturer, Model, Revision };

struct Override {
  const char* command;  // normalised, with AT
  Answer answer;
  const char* clause;
};

// clang-format off
const Override kOverrides[] = {
  {"AT+FCLASS=?", Answer::Classes,      "T.31 8.2 / T.32 8.2: service classes supported"},
  {"AT+FMFR?",    Answer::Manufacturer, "EIA-592 (Class 2): manufacturer"},
  {"AT+FMDL?",    Answer::Model,        "EIA-592 (Class 2): model"},
  {"AT+FREV?",    Answer::Revision,     "EIA-592 (Class 2): revision"},
  {"AT+FMI?",     Answer::Manufacturer, "T.32 8.1.1: manufacturer identification"},
  {"AT+FMM?",     Answer::Model,        "T.32 8.1.2: model identification"},
  {"AT+FMR?",     Answer::Revision,     "T.32 8.1.3: revision identification"},
  {"AT+GMI",      Answer::Manufacturer, "V.250 6.1.4: manufacturer"},
  {"AT+GMM",      Answer::Model,        "V.250 6.1.5: model"},
  {"AT+GMR",      Answer::Revision,     "V.250 6.1.6: revision"},
  {"ATI3",        Answer::Manufacturer, "V.250 6.1.3: identification (maker's choice)"},
  {"ATI4",        Answer::Model,        "V.250 6.1.3: identification (maker's choice)"},
};

// Options for hardware lines and flow control, all with one digit:
// &K (flow control), \Q (flow control), &H, &I, &R (flow control on some
// makers' modems). spandsp knows none of them.
const char* const kLineOptions[] = {"&K", "\\Q", "&H", "&I", "&R"};
// clang-format on

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Where each command of a normalised line begins, after "AT".
std::vector<size_t> commandStarts(std::string_view line) {
  std::vector<size_t> starts;
  size_t i = line.rfind("AT", 0) == 0 ? 2 : 0;
  auto skipDigits = [&] {
    while (i < line.size() && isDigit(line[i])) ++i;
  };
  while (i < line.size()) {
    const char c = line[i];
    if (c == ';') {
      ++i;
      continue;
    }
    starts.push_back(i);
    if (c == '+') {
      // An extended command runs to the ";" that ends it (outside quotes).
      bool quoted = false;
      while (i < line.size() && (quoted || line[i] != ';')) {
        if (line[i] == '"') quoted = !quoted;
        ++i;
      }
    } else if (c == 'D') {
      break;  // the dial string is the rest of the line
    } else if (c == '&' || c == '\\') {
      i += 2;
      skipDigits();
    } else if (c == 'S') {
      ++i;
      skipDigits();
      if (i < line.size() && line[i] == '?') {
        ++i;
      } else if (i < line.size() && line[i] == '=') {
        ++i;
        skipDigits();
      }
    } else {
      ++i;
      skipDigits();
    }
  }
  return starts;
}

std::string answerText(Answer answer, const ModemIdentity& identity) {
  switch (answer) {
    case Answer::Classes: return identity.classes;
    case Answer::Manufacturer: return identity.manufacturer;
    case Answer::Model: return identity.model;
    case Answer::Revision: return identity.revision;
  }
  return {};
}

}  // namespace

std::string normalizeCommandLine(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == ' ' || c == '\t')) continue;
    out.push_back(quoted ? c : static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  return out;
}

std::string withoutLineOptions(std::string_view normalized) {
  std::string out(normalized);
  for (const char* option : kLineOptions) {
    const std::string_view name(option);
    size_t at = 0;
    while ((at = out.find(name, at)) != std::string::npos) {
      size_t end = at + name.size();
      while (end < out.size() && std::isdigit(static_cast<unsigned char>(out[end]))) ++end;
      out.erase(at, end - at);
    }
  }
  return out;
}

bool lineHasCommand(std::string_view normalized, std::string_view command) {
  std::string wanted = normalizeCommandLine(command);
  if (wanted.rfind("AT", 0) == 0) wanted.erase(0, 2);
  if (wanted.empty()) return false;
  for (const size_t start : commandStarts(normalized)) {
    if (normalized.compare(start, wanted.size(), wanted) == 0) return true;
  }
  return false;
}

std::optional<CommandAnswer> answerCommand(std::string_view normalized, const ModemIdentity& identity,
                                           const std::vector<std::string>& errorOn) {
  for (const std::string& command : errorOn) {
    if (!command.empty() && normalized.find(normalizeCommandLine(command)) != std::string_view::npos) {
      return CommandAnswer{{}, true};
    }
  }
  for (const Override& entry : kOverrides) {
    if (normalized == entry.command) return CommandAnswer{{answerText(entry.answer, identity)}, false};
  }
  return std::nullopt;
}

}  // namespace telvane::vmodem
