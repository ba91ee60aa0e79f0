#include "settings/configuration_report.h"

#include <algorithm>

namespace telvane {
namespace {

const char* YesNo(bool value) { return value ? "Yes" : "No"; }

std::string ToneOrPulseName(int value) {
  if (value == 0) return "Tone";
  if (value == 1) return "Pulse";
  return "unknown";
}

class Report {
public:
  void line(std::string text = {}) { lines_.push_back(std::move(text)); }
  void lines(const std::vector<std::string>& more) { lines_.insert(lines_.end(), more.begin(), more.end()); }
  std::vector<std::string> take() { return std::move(lines_); }

private:
  std::vector<std::string> lines_;
};

void Environment(Report& r, const ReportFacts& f) {
  r.line("[Environment]");
  if (f.operatingSystem) r.line("System:      \t" + *f.operatingSystem);
  if (f.kernel) r.line("Kernel:      \t" + *f.kernel);
  if (f.processor) r.line("CPU:         \tProcessor:  " + *f.processor);
  if (f.screen) {
    const ScreenFacts& s = *f.screen;
    r.line("Video:       \t" + std::to_string(s.width) + " x " + std::to_string(s.height) + " x " +
           WithThousands(ColorCount(s.bitsPerPixel)) + " colors");
    const char* fonts = s.pixelsPerInch == 96    ? "Small Fonts in use"
                        : s.pixelsPerInch == 120 ? "Large Fonts in use"
                                                 : "Custom font size in use";
    r.line(std::string("Font:        \t") + fonts);
  }
  if (f.memory) {
    const MemoryFacts& m = *f.memory;
    const uint64_t load = m.totalBytes ? (m.totalBytes - std::min(m.availableBytes, m.totalBytes)) * 100 / m.totalBytes : 0;
    r.line("Memory Load: \t" + std::to_string(load) + "%");
    r.line("Phys Memory: \tTotal: " + WithThousands(m.totalBytes) + ";    Available: " + WithThousands(m.availableBytes));
    r.line("Swap:        \tTotal: " + WithThousands(m.swapTotalBytes) + ";    Available: " + WithThousands(m.swapFreeBytes));
  }
  r.line("Language:    \tUser: " + f.userLanguage + ";    System: " + f.systemLanguage);
  r.line("Country:     \tUser: " + f.userCountry + ";    System: " + f.systemCountry);
  r.line("Date Format: \tShort: " + f.shortDateFormat + ";    Long: " + f.longDateFormat);
  r.line("Time Format: \tShort: " + f.shortTimeFormat + ";    Long: " + f.longTimeFormat);
}

void Devices(Report& r, const ReportFacts& f) {
  r.line();
  if (f.serialDevicesById) {
    r.line("[Serial Devices by ID]");
    r.line();
    r.lines(*f.serialDevicesById);
    if (!f.serialDevicesById->empty()) r.line();
  }
  if (!f.modemAnswers.empty()) {
    r.line("[Modem Answers]");
    r.line();
    r.lines(f.modemAnswers);
  }
}

void Settings(Report& r, const ReportFacts& f, const AppSettingsRecord& s) {
  r.line();
  r.line();
  r.line("[" + f.settingsFile + "]");
  r.line();
  r.line("{general}");
  r.line("COM Port:             \t" + std::to_string(s.ComPort + 1));
  r.line("Tone/Pulse:           \t" + ToneOrPulseName(s.ToneOrPulse));
  r.line("Reset String          \t" + s.ResetString);
  r.line("Post Reset String:    \t" + s.ResetAfterString);
  r.line("{sending}");
  r.line("Fax Class:            \t" + FaxClassName(s.FaxClass));
  r.line("Max BPS:              \t" + std::to_string(s.MaximumBPS));
  r.line("Modem Init:           \t" + s.InitString);
  r.line(std::string("ECM:                  \t") + YesNo(s.ECM));
  r.line("Dial Prefix:          \t" + s.DialPrefix);
  r.line("Dial Suffix:          \t" + s.DialSuffix);
  r.line("Dial Attempts:        \t" + std::to_string(s.DialAttempts));
  r.line("Retry Wait:           \t" + std::to_string(s.RetryWait));
  r.line(std::string("Blind Dial:           \t") + YesNo(s.BlindDial));
  r.line(std::string("Ignore Busy:          \t") + YesNo(s.IgnoreBusy));
  r.line(std::string("Renegotiate Between:  \t") + YesNo(s.RenegotiateBetween));
  r.line(std::string("Alternate header font \t") + YesNo(s.UseAlternateHeaderFont));
  r.line("{receiving}");
  r.line("Receive Fax Class:    \t" + FaxClassName(s.FaxClassReceive));
  r.line("Receive Max BPS:      \t" + std::to_string(s.MaximumBPSReceive));
  r.line("Receive Init String:  \t" + s.InitStringReceive);
  r.line("Answer On Ring:       \t" + std::to_string(s.AnswerOnRing));
  r.line(std::string("Receive Startup:      \t") + YesNo(s.AtStartup));
  r.line(std::string("ECM Receive:          \t") + YesNo(s.ECMReceive));
  r.line("WAV File:             \t" + s.ReceiveWav);
  r.line(std::string("Print On Receipt:     \t") + YesNo(s.PrintOnReceipt));
  r.line("Printer (POR):        \t" + s.PrintOnReceiptPrinter);
  r.line(std::string("Alternate naming rec  \t") + YesNo(s.GlobalUseAlternateNamingRec));
  r.line("{misc}");
  r.line(std::string("ShowHint:             \t") + YesNo(s.HintsOn));
  r.line(std::string("Disable Prefix:       \t") + YesNo(s.PrefixDisable));
  r.line("Program Path          \t" + f.programDirectory);
  r.line("{printing}");
  r.line(std::string("Print Multi           \t") + YesNo(s.PrintMultiPage));
  r.line(std::string("Print Header          \t") + YesNo(s.PrintHeader));
  r.line(std::string("Print Footer          \t") + YesNo(s.PrintFooter));
  r.line(std::string("Print Stretch         \t") + YesNo(s.PrintStretch));
  r.line();
}

void SessionLog(Report& r, const char* title, const std::optional<std::vector<std::string>>& log) {
  if (!log) return;
  r.line();
  r.line(title);
  r.line();
  r.lines(*log);
  r.line();
}

}  // namespace

std::string WithThousands(uint64_t value) {
  std::string digits = std::to_string(value);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ",");
  return digits;
}

uint64_t ColorCount(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    case 15: return 32768;
    case 16: return 65536;
    case 24:
    case 32: return 16777216;
    default: return static_cast<uint64_t>(std::max(bitsPerPixel, 0));
  }
}

std::vector<std::string> BuildConfigurationReport(const ReportFacts& f, const AppSettingsRecord& s) {
  Report r;
  r.line(f.date);
  r.line();
  r.line("[Product]");
  r.line("Program:     \tTelvane");
  r.line("Version:     \t" + std::string(ProgramVersion));
  r.line("Build Date:  \t" + f.buildDate);
  for (const std::string& library : f.libraries) r.line("Library:     \t" + library);
  r.line();
  Environment(r, f);
  Devices(r, f);
  Settings(r, f, s);
  r.line("[Other Running Programs]");
  r.line();
  r.lines(f.runningPrograms);
  SessionLog(r, "[Last Send Session]", f.lastSendLog);
  SessionLog(r, "[Last Receive Session]", f.lastReceiveLog);
  return r.take();
}

}  // namespace telvane
