#pragma once
// The Linux facts of the configuration report, each read from its file
// under a root directory (tests point it at a fixture tree). A fact that
// cannot be read is nothing, and its report line is left out.

#include <optional>
#include <string>
#include <vector>

#include "settings/configuration_report.h"

namespace telvane {

// PRETTY_NAME of etc/os-release (or usr/lib/os-release).
std::optional<std::string> ReadOperatingSystem(const std::string& root = "/");
// "Linux 6.1.0-13-amd64 x86_64", from uname.
std::optional<std::string> ReadKernel();
// "4 x Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz", from proc/cpuinfo.
std::optional<std::string> ReadProcessor(const std::string& root = "/");
// MemTotal, MemAvailable, SwapTotal and SwapFree of proc/meminfo.
std::optional<MemoryFacts> ReadMemory(const std::string& root = "/");
// "name -> /dev/ttyACM0" for each link in dev/serial/by-id, sorted.
std::optional<std::vector<std::string>> ReadSerialDevicesById(const std::string& root = "/");
// The names of the running programs (proc/<pid>/comm), sorted, each once,
// without Telvane's own.
std::vector<std::string> ReadRunningPrograms(const std::string& root = "/");
// The lines of a text file; nothing when it does not exist.
std::optional<std::vector<std::string>> ReadTextLines(const std::string& path);

// What the modem on `devicePath` says about itself: identification and
// fax classes, one "command:\tanswer" line each, or one line saying why
// there is no answer. Bounded: a port that does not answer costs about
// two seconds.
std::vector<std::string> QueryModemAnswers(const std::string& devicePath, int comNumber);

}  // namespace telvane
