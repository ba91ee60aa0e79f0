#pragma once
// The configuration report: a plain-text description of the computer, the
// serial devices and the modem, the settings and the last fax sessions,
// for the user to send to technical support. Built here from facts the
// callers gather (system_info.h on Linux, the window for the screen and the
// locale), so every line is testable.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/app_settings.h"

namespace telvane {

struct MemoryFacts {
  uint64_t totalBytes = 0, availableBytes = 0;
  uint64_t swapTotalBytes = 0, swapFreeBytes = 0;
};

struct ScreenFacts {
  int width = 0, height = 0;
  int bitsPerPixel = 0;
  int pixelsPerInch = 96;
};

struct ReportFacts {
  std::string date;       // long date format
  std::string buildDate;  // short date format
  std::vector<std::string> libraries;  // "Qt 6.4.2 (built with 6.4.2)", ...
  std::optional<std::string> operatingSystem;  // os-release's PRETTY_NAME
  std::optional<std::string> kernel;           // "Linux 6.1.0-13-amd64 x86_64"
  std::optional<std::string> processor;        // "4 x Intel(R) Core(TM) i5"
  std::optional<ScreenFacts> screen;
  std::optional<MemoryFacts> memory;
  std::string userLanguage, systemLanguage;
  std::string userCountry, systemCountry;
  std::string shortDateFormat, longDateFormat, shortTimeFormat, longTimeFormat;
  // The [Serial Devices] section; nothing when /dev/serial/by-id is absent.
  std::optional<std::vector<std::string>> serialDevicesById;  // "name -> /dev/ttyACM0"
  std::vector<std::string> modemAnswers;                      // "ATI3:  \t..." lines
  std::string settingsFile;
  std::string programDirectory;
  std::vector<std::string> runningPrograms;
  std::optional<std::vector<std::string>> lastSendLog, lastReceiveLog;
};

std::vector<std::string> BuildConfigurationReport(const ReportFacts& facts, const AppSettingsRecord& settings);

// 1234567 -> "1,234,567".
std::string WithThousands(uint64_t value);
// Colours of a pixel depth: 1 -> 2, 4 -> 16, 8 -> 256, 15 -> 32,768,
// 16 -> 65,536, 24 and 32 -> 16,777,216, anything else as it is.
uint64_t ColorCount(int bitsPerPixel);

}  // namespace telvane
