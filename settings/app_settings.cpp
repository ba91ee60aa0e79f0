#include "settings/app_settings.h"

#include "platform/program_directory.h"
#include "platform/rich_text.h"
#include "settings/ini_file.h"

namespace telvane {

AppSettingsRecord AppSettings;
bool FirstRun = false;

SettingsWriteError::SettingsWriteError(const std::string& path) : std::runtime_error("Unable to write to " + path) {}

std::string SettingsFileName() { return ProgramDirectory() + "TVN.INI"; }

void LoadSettings(AppSettingsRecord& s, const IniFile& f) {
  const AppSettingsRecord d;  // the defaults
  s.ReceiveWav = f.ReadString("Receive", "Wav", d.ReceiveWav);
  s.AtStartup = f.ReadBool("Receive", "AtStartup", d.AtStartup);
  s.AnswerOnRing = f.ReadInteger("Receive", "AnswerOnRing", d.AnswerOnRing);
  s.BlindDial = f.ReadBool("Dialing", "BlindDial", d.BlindDial);
  s.IgnoreBusy = f.ReadBool("Dialing", "IgnoreBusy", d.IgnoreBusy);
  s.UserFax = f.ReadString("User", "Fax", d.UserFax);
  s.UserName = f.ReadString("User", "Name", d.UserName);
  s.DialPrefix = f.ReadString("Dialing", "DialPrefix", d.DialPrefix);
  s.DialSuffix = f.ReadString("Dialing", "DialSuffix", d.DialSuffix);
  s.InitString = f.ReadString("Modem", "InitString", d.InitString);
  s.DialAttempts = f.ReadInteger("Dialing", "DialAttempts", d.DialAttempts);
  s.RetryWait = f.ReadInteger("Dialing", "RetryWait", d.RetryWait);
  s.ComPort = f.ReadInteger("Modem", "ComPort", d.ComPort);
  s.FaxClass = f.ReadInteger("Modem", "FaxClass", d.FaxClass);
  s.ToneOrPulse = f.ReadInteger("Dialing", "ToneOrPulse", d.ToneOrPulse);
  s.Timeout = f.ReadInteger("Dialing", "Timeout", d.Timeout);
  s.MaximumBPS = f.ReadInteger("Modem", "MaximumBPS", d.MaximumBPS);
  s.RenegotiateBetween = f.ReadBool("Modem", "RenegotiateBetween", d.RenegotiateBetween);
  s.ResetString = f.ReadString("Resetting", "String", d.ResetString);
  s.ResetAfterString = f.ReadString("Resetting", "AfterString", d.ResetAfterString);
  s.ECM = f.ReadBool("Dialing", "ECM", d.ECM);
  // The receive keys came later: a file without them receives as it sends.
  s.ECMReceive = f.ReadBool("Receive", "ECMReceive", s.ECM);
  s.InitStringReceive = f.ReadString("Modem", "InitStringReceive", s.InitString);
  s.FaxClassReceive = f.ReadInteger("Modem", "FaxClassReceive", s.FaxClass);
  s.MaximumBPSReceive = f.ReadInteger("Modem", "MaximumBPSReceive", s.MaximumBPS);
  s.PrintOnReceipt = f.ReadBool("Receive", "PrintOnReceipt", d.PrintOnReceipt);
  s.PrintOnReceiptPrinter = f.ReadString("Receive", "PrintOnReceiptPrinter", d.PrintOnReceiptPrinter);
  s.DefaultFontName = f.ReadString("Default Font", "Name", d.DefaultFontName);
  s.DefaultFontSize = f.ReadInteger("Default Font", "Size", d.DefaultFontSize);
  s.DefaultFontBold = f.ReadBool("Default Font", "Bold", d.DefaultFontBold);
  s.DefaultFontItalic = f.ReadBool("Default Font", "Italic", d.DefaultFontItalic);
  s.DefaultFontUnderline = f.ReadBool("Default Font", "Underline", d.DefaultFontUnderline);
  s.HintsOn = f.ReadBool("Hints", "On", d.HintsOn);
  s.PrefixDisable = f.ReadBool("User", "PrefixDisable", d.PrefixDisable);
  s.SuffixDisable = f.ReadBool("User", "SuffixDisable", d.SuffixDisable);
  s.DisableReceivingFaxesNotification =
      f.ReadBool("Receive", "DisableReceivingFaxesNotification", d.DisableReceivingFaxesNotification);
  s.UseAlternateHeaderFont = f.ReadBool("Other", "UseAlternateHeaderFont", d.UseAlternateHeaderFont);
  s.GlobalUseAlternateNamingRec = f.ReadBool("Other", "GlobalUseAlternateNamingRec", d.GlobalUseAlternateNamingRec);
  s.GlobalLargerSendBuffer = f.ReadBool("Other", "GlobalLargerSendBuffer", d.GlobalLargerSendBuffer);
  s.GlobalLargerReceiveBuffer = f.ReadBool("Other", "GlobalLargerReceiveBuffer", d.GlobalLargerReceiveBuffer);
}

void LoadSettings() { LoadSettings(AppSettings, IniFile(SettingsFileName())); }

namespace {

// Writes that stop the save at the first key the file refuses.
class Writer {
public:
  explicit Writer(IniFile& file) : file_(file) {}
  void text(const char* section, const char* key, const std::string& value) {
    if (!file_.WriteString(section, key, value)) throw SettingsWriteError(file_.Path());
  }
  void integer(const char* section, const char* key, int value) { text(section, key, std::to_string(value)); }
  void boolean(const char* section, const char* key, bool value) { text(section, key, value ? "1" : "0"); }

private:
  IniFile& file_;
};

}  // namespace

// The order of the writes fixes the order of the sections in a new file:
// Receive, User, Dialing, Modem, Default Font, Resetting, Hints, Version, Other.
void SaveSettings(const AppSettingsRecord& s, IniFile& file) {
  Writer w(file);
  w.text("Receive", "Wav", s.ReceiveWav);
  w.boolean("Receive", "AtStartup", s.AtStartup);
  w.integer("Receive", "AnswerOnRing", s.AnswerOnRing);
  w.boolean("Receive", "ECMReceive", s.ECMReceive);
  w.boolean("Receive", "PrintOnReceipt", s.PrintOnReceipt);
  w.text("Receive", "PrintOnReceiptPrinter", s.PrintOnReceiptPrinter);
  w.boolean("Receive", "DisableReceivingFaxesNotification", s.DisableReceivingFaxesNotification);
  w.text("User", "Name", s.UserName);
  w.text("User", "Fax", s.UserFax);
  w.boolean("User", "PrefixDisable", s.PrefixDisable);
  w.boolean("User", "SuffixDisable", s.SuffixDisable);
  w.text("Dialing", "DialPrefix", s.DialPrefix);
  w.text("Dialing", "DialSuffix", s.DialSuffix);
  w.integer("Dialing", "DialAttempts", s.DialAttempts);
  w.integer("Dialing", "RetryWait", s.RetryWait);
  w.boolean("Dialing", "BlindDial", s.BlindDial);
  w.boolean("Dialing", "IgnoreBusy", s.IgnoreBusy);
  w.integer("Dialing", "ToneOrPulse", s.ToneOrPulse);
  w.integer("Dialing", "Timeout", s.Timeout);
  w.boolean("Dialing", "ECM", s.ECM);
  w.integer("Modem", "ComPort", s.ComPort);
  w.integer("Modem", "FaxClass", s.FaxClass);
  w.integer("Modem", "FaxClassReceive", s.FaxClassReceive);
  w.integer("Modem", "MaximumBPS", s.MaximumBPS);
  w.integer("Modem", "MaximumBPSReceive", s.MaximumBPSReceive);
  w.text("Modem", "InitString", s.InitString);
  w.text("Modem", "InitStringReceive", s.InitStringReceive);
  w.boolean("Modem", "RenegotiateBetween", s.RenegotiateBetween);
  w.text("Default Font", "Name", s.DefaultFontName);
  w.integer("Default Font", "Size", s.DefaultFontSize);
  w.boolean("Default Font", "Bold", s.DefaultFontBold);
  w.boolean("Default Font", "Italic", s.DefaultFontItalic);
  w.boolean("Default Font", "Underline", s.DefaultFontUnderline);
  w.text("Resetting", "String", s.ResetString);
  w.text("Resetting", "AfterString", s.ResetAfterString);
  w.boolean("Hints", "On", s.HintsOn);
  w.text("Version", "Version", ProgramVersion);
  w.boolean("Other", "UseAlternateHeaderFont", s.UseAlternateHeaderFont);
  w.boolean("Other", "GlobalUseAlternateNamingRec", s.GlobalUseAlternateNamingRec);
  w.boolean("Other", "GlobalLargerSendBuffer", s.GlobalLargerSendBuffer);
  w.boolean("Other", "GlobalLargerReceiveBuffer", s.GlobalLargerReceiveBuffer);
}

void SaveSettings() {
  IniFile file(SettingsFileName());
  SaveSettings(AppSettings, file);
}

void LoadPrintOptions(AppSettingsRecord& s, const IniFile& f) {
  const AppSettingsRecord d;
  s.PrintMultiPage = f.ReadBool("Printing", "MultiPage", d.PrintMultiPage);
  s.PrintHeader = f.ReadBool("Printing", "Header", d.PrintHeader);
  s.PrintFooter = f.ReadBool("Printing", "Footer", d.PrintFooter);
  s.PrintStretch = f.ReadBool("Printing", "Stretch", d.PrintStretch);
}

void LoadPrintOptions() { LoadPrintOptions(AppSettings, IniFile(SettingsFileName())); }

void SavePrintOptions(const AppSettingsRecord& s, IniFile& file) {
  Writer w(file);
  w.boolean("Printing", "MultiPage", s.PrintMultiPage);
  w.boolean("Printing", "Header", s.PrintHeader);
  w.boolean("Printing", "Footer", s.PrintFooter);
  w.boolean("Printing", "Stretch", s.PrintStretch);
}

void SavePrintOptions() {
  IniFile file(SettingsFileName());
  SavePrintOptions(AppSettings, file);
}

int IndexToBps(int index) {
  switch (index) {
    case 0: return 2400;
    case 1: return 4800;
    case 2: return 7200;
    case 4: return 12000;
    case 5: return 14400;
    default: return 9600;
  }
}

int BpsToIndex(int bps) {
  switch (bps) {
    case 2400: return 0;
    case 4800: return 1;
    case 7200: return 2;
    case 12000: return 4;
    case 14400: return 5;
    default: return 3;
  }
}

std::string FaxClassName(int faxClass) {
  switch (faxClass) {
    case 0: return "AutoDetect";
    case 1: return "Class 1";
    case 2: return "Class 2";
    case 3: return "Class 2.0";
    default: return "unknown";
  }
}

int UsableDefaultFontSize(int pointSize) {
  return pointSize >= 1 && pointSize <= 1638 ? pointSize : AppSettingsRecord{}.DefaultFontSize;
}

void ApplyDefaultFont(RichTextControl& richText, const AppSettingsRecord& s) {
  int style = 0;
  if (s.DefaultFontBold) style |= FontStyleBold;
  if (s.DefaultFontItalic) style |= FontStyleItalic;
  if (s.DefaultFontUnderline) style |= FontStyleUnderline;
  richText.SetCurrentFont(s.DefaultFontName, UsableDefaultFontSize(s.DefaultFontSize), style);
}

}  // namespace telvane
