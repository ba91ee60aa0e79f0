#include "settings/system_info.h"

#include <sys/utsname.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/text.h"
#include "serial/status_codes.h"
#include "settings/modem_line.h"
#include "settings/modem_search.h"

namespace telvane {
namespace fs = std::filesystem;
namespace {

constexpr int kQueryMilliseconds = 2000;

std::string Unquoted(std::string_view value) {
  value = TrimWhitespace(value);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

// "key<sep>value" lines: the value of the first `key`.
std::optional<std::string> FieldOf(const std::string& path, std::string_view key, char separator) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const size_t at = line.find(separator);
    if (at != std::string::npos && TrimWhitespace(std::string_view(line).substr(0, at)) == key)
      return Unquoted(std::string_view(line).substr(at + 1));
  }
  return std::nullopt;
}

std::optional<uint64_t> KilobytesOf(const std::string& meminfo, std::string_view key) {
  const std::optional<std::string> value = FieldOf(meminfo, key, ':');
  if (!value) return std::nullopt;
  try {
    return static_cast<uint64_t>(std::stoull(*value)) * 1024;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

std::optional<std::string> ReadOperatingSystem(const std::string& root) {
  for (const char* file : {"etc/os-release", "usr/lib/os-release"})
    if (auto name = FieldOf(root + "/" + file, "PRETTY_NAME", '=')) return name;
  return std::nullopt;
}

std::optional<std::string> ReadKernel() {
  utsname name{};
  if (::uname(&name) != 0) return std::nullopt;
  return std::string(name.sysname) + " " + name.release + " " + name.machine;
}

std::optional<std::string> ReadProcessor(const std::string& root) {
  std::ifstream in(root + "/proc/cpuinfo");
  std::string line, model;
  int count = 0;
  while (std::getline(in, line)) {
    const size_t at = line.find(':');
    if (at == std::string::npos) continue;
    const std::string_view key = TrimWhitespace(std::string_view(line).substr(0, at));
    if (key == "processor") ++count;
    if (model.empty() && (key == "model name" || key == "Model" || key == "cpu model"))
      model = std::string(TrimWhitespace(std::string_view(line).substr(at + 1)));
  }
  if (count == 0 && model.empty()) return std::nullopt;
  return std::to_string(std::max(count, 1)) + " x " + (model.empty() ? std::string("unknown") : model);
}

std::optional<MemoryFacts> ReadMemory(const std::string& root) {
  const std::string path = root + "/proc/meminfo";
  const auto total = KilobytesOf(path, "MemTotal");
  if (!total) return std::nullopt;
  MemoryFacts facts;
  facts.totalBytes = *total;
  facts.availableBytes = KilobytesOf(path, "MemAvailable").value_or(0);
  facts.swapTotalBytes = KilobytesOf(path, "SwapTotal").value_or(0);
  facts.swapFreeBytes = KilobytesOf(path, "SwapFree").value_or(0);
  return facts;
}

std::optional<std::vector<std::string>> ReadSerialDevicesById(const std::string& root) {
  std::error_code error;
  fs::directory_iterator entries(root + "/dev/serial/by-id", error);
  if (error) return std::nullopt;
  std::vector<std::string> lines;
  for (const auto& entry : entries) {
    const fs::path target = fs::weakly_canonical(entry.path(), error);
    lines.push_back(entry.path().filename().string() + " -> " + (error ? std::string("?") : target.string()));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> ReadRunningPrograms(const std::string& root) {
  std::set<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(root + "/proc", error)) {
    const std::string pid = entry.path().filename().string();
    if (pid.empty() || !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
    std::ifstream in(entry.path() / "comm");
    std::string name;
    if (!std::getline(in, name)) continue;
    name = TrimSpaces(name);
    if (!name.empty() && ToUpperAscii(name).find("TELVANE") == std::string::npos) names.insert(name);
  }
  return {names.begin(), names.end()};
}

std::optional<std::vector<std::string>> ReadTextLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> QueryModemAnswers(const std::string& devicePath, int comNumber) {
  const std::string port = "Port:                 \tCom " + std::to_string(comNumber) + " (" + devicePath + ")";
  ModemLine line;
  PortProbeResult opened;
  opened.openCode = line.open(devicePath);
  if (opened.openCode != ecOK) {
    opened.outcome = OpenFailureOutcome(devicePath, opened.openCode);
    return {port, "Result:               \t" + PortResultText(opened)};
  }
  std::vector<std::string> lines{port};
  if (!line.settle()) return {port, "Result:               \tthe device went away"};
  for (const char* command : {"AT", "ATI3", "AT+FMFR?", "AT+FMDL?", "AT+FREV?", "AT+FCLASS=?"}) {
    const LineExchange answer = line.exchange(command, kQueryMilliseconds);
    std::string text;
    for (const std::string& info : InformationLines(command, answer.received)) text += (text.empty() ? "" : "; ") + info;
    if (answer.answer == ModemAnswer::Error) text += text.empty() ? "ERROR" : "; ERROR";
    std::string head = std::string(command) + ":";
    head.resize(std::max<size_t>(head.size(), 22), ' ');
    PortProbeResult result{PortOutcome::NoAnswer, answer.answer, 0};
    lines.push_back(head + "\t" + (answer.answer == ModemAnswer::Ok || answer.answer == ModemAnswer::Error
                                       ? (text.empty() ? std::string("OK") : text)
                                       : PortResultText(result)));
    if (answer.answer != ModemAnswer::Ok && answer.answer != ModemAnswer::Error) break;  // not a modem: ask no more
  }
  return lines;
}

}  // namespace telvane
