#pragma once
// The settings record and its file, TVN.INI in the program directory.
// One process-wide record, AppSettings, read by every window; LoadSettings
// fills it from the file and SaveSettings writes all of it back after each
// confirmed change. Only the UI thread touches either.

#include <stdexcept>
#include <string>

namespace telvane {

class IniFile;
class RichTextControl;

inline constexpr const char* ProgramVersion = "2.9z Build 5";
inline constexpr const char* DefaultPrinterName = "Default Windows Printer";

struct AppSettingsRecord {
  // [Receive]
  std::string ReceiveWav;
  bool AtStartup = false;
  int AnswerOnRing = 1;
  bool ECMReceive = false;
  bool PrintOnReceipt = false;
  std::string PrintOnReceiptPrinter = DefaultPrinterName;
  bool DisableReceivingFaxesNotification = false;
  // [User]
  std::string UserName;  // at most 35 characters in the windows that edit it
  std::string UserFax;   // at most 20
  bool PrefixDisable = false;
  bool SuffixDisable = false;
  // [Dialing]
  std::string DialPrefix;
  std::string DialSuffix;
  int DialAttempts = 3;
  int RetryWait = 60;  // seconds
  bool BlindDial = false;
  bool IgnoreBusy = false;
  int ToneOrPulse = 0;  // 0 tone, 1 pulse
  int Timeout = 60;     // kept for the file's sake; nothing uses it
  bool ECM = false;
  // [Modem]
  int ComPort = -1;  // zero-based (0 = COM1); -1 = never set up
  int FaxClass = 1;  // 0 auto-detect, 1 Class 1, 2 Class 2, 3 Class 2.0
  int FaxClassReceive = 1;
  int MaximumBPS = 9600;
  int MaximumBPSReceive = 9600;
  std::string InitString;
  std::string InitStringReceive;
  bool RenegotiateBetween = false;
  // [Resetting]
  std::string ResetString;
  std::string ResetAfterString;
  // [Default Font]
  std::string DefaultFontName = "Arial";
  int DefaultFontSize = 10;
  bool DefaultFontBold = false;
  bool DefaultFontItalic = false;
  bool DefaultFontUnderline = false;
  // [Hints]
  bool HintsOn = true;
  // [Version] is written only.
  // [Other]
  bool UseAlternateHeaderFont = false;
  bool GlobalUseAlternateNamingRec = false;
  bool GlobalLargerSendBuffer = false;
  bool GlobalLargerReceiveBuffer = false;
  // [Printing], loaded and saved on their own
  bool PrintMultiPage = false;
  bool PrintHeader = false;
  bool PrintFooter = false;
  bool PrintStretch = false;

  bool operator==(const AppSettingsRecord&) const = default;
};

extern AppSettingsRecord AppSettings;

// Set when the settings held no port yet (ComPort -1): the first activation
// of the main window then runs the quick setup, which clears it.
extern bool FirstRun;

// A value could not be written; what() is "Unable to write to <path>".
class SettingsWriteError : public std::runtime_error {
public:
  explicit SettingsWriteError(const std::string& path);
};

// ProgramDirectory() + "TVN.INI".
std::string SettingsFileName();

// The keys of the first table, in their load order. A missing file or key
// gives the key's default; the receive keys default to the send values
// read just before them.
void LoadSettings(AppSettingsRecord& settings, const IniFile& file);
void LoadSettings();

// Every key of the first table, Version included. Throws
// SettingsWriteError at the first key that cannot be written; the record
// keeps its values.
void SaveSettings(const AppSettingsRecord& settings, IniFile& file);
void SaveSettings();

void LoadPrintOptions(AppSettingsRecord& settings, const IniFile& file);
void LoadPrintOptions();
void SavePrintOptions(const AppSettingsRecord& settings, IniFile& file);
void SavePrintOptions();

// Transfer-rate list positions: 0 2400, 1 4800, 2 7200, 3 9600, 4 12000,
// 5 14400; anything else is 9600 (index 3).
int IndexToBps(int index);
int BpsToIndex(int bps);

// "AutoDetect", "Class 1", "Class 2", "Class 2.0" or "unknown".
std::string FaxClassName(int faxClass);

// Sets the control's current character attributes to the default font.
void ApplyDefaultFont(RichTextControl& richText, const AppSettingsRecord& settings = AppSettings);
// The default font size a document can use: a hand-edited size below 1 or
// above 1638 points (the font dialog's largest) gives the default 10.
int UsableDefaultFontSize(int pointSize);

}  // namespace telvane
