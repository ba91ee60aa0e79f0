#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/rich_text.h"
#include "settings/app_settings.h"
#include "settings/ini_file.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

AppSettingsRecord loadFrom(const test::TempDir& dir, std::string_view text) {
  dir.write("TVN.INI", text);
  AppSettingsRecord s;
  s.ComPort = 99;  // LoadSettings must set every field, not rely on the record's defaults
  LoadSettings(s, IniFile(dir.file("TVN.INI")));
  return s;
}

TEST(LoadSettings, EmptyProgramDirectoryGivesTheDefaults) {
  test::ProgramDirectoryScope home;
  AppSettings = AppSettingsRecord{};
  AppSettings.DialAttempts = 17;
  LoadSettings();
  const AppSettingsRecord& s = AppSettings;
  EXPECT_EQ(s.ComPort, -1);
  EXPECT_EQ(s.FaxClass, 1);
  EXPECT_EQ(s.MaximumBPS, 9600);
  EXPECT_EQ(s.DialAttempts, 3);
  EXPECT_EQ(s.RetryWait, 60);
  EXPECT_EQ(s.AnswerOnRing, 1);
  EXPECT_TRUE(s.HintsOn);
  EXPECT_EQ(s.DefaultFontName, "Arial");
  EXPECT_EQ(s.DefaultFontSize, 10);
  EXPECT_EQ(s.PrintOnReceiptPrinter, "Default Windows Printer");
  EXPECT_EQ(s.FaxClassReceive, s.FaxClass);
  EXPECT_EQ(s.MaximumBPSReceive, s.MaximumBPS);
  EXPECT_EQ(s.ECMReceive, s.ECM);
  EXPECT_EQ(s.InitStringReceive, s.InitString);
  EXPECT_FALSE(home.dir().exists("TVN.INI"));  // loading never creates the file
}

TEST(LoadSettings, ReceiveKeysDefaultToTheSendValuesJustRead) {
  test::TempDir dir;
  const auto s = loadFrom(dir, "[Modem]\nFaxClass=3\nMaximumBPS=14400\nInitString=ATX3\n[Dialing]\nECM=1\n");
  EXPECT_EQ(s.FaxClassReceive, 3);
  EXPECT_EQ(s.MaximumBPSReceive, 14400);
  EXPECT_EQ(s.InitStringReceive, "ATX3");
  EXPECT_TRUE(s.ECMReceive);

  const auto own = loadFrom(dir, "[Modem]\nFaxClass=3\nFaxClassReceive=1\n");
  EXPECT_EQ(own.FaxClassReceive, 1);
}

TEST(LoadSettings, OddValuesFallBackToDefaults) {
  test::TempDir dir;
  const auto s = loadFrom(dir, "[Modem]\nMaximumBPS=0x2580\nComPort=\n[Dialing]\nDialAttempts=abc\nRetryWait=30s\n"
                               "[Hints]\nOn=off\n");
  EXPECT_EQ(s.MaximumBPS, 9600);
  EXPECT_EQ(s.ComPort, -1);
  EXPECT_EQ(s.DialAttempts, 3);
  EXPECT_EQ(s.RetryWait, 60);
  EXPECT_TRUE(s.HintsOn);
}

TEST(LoadSettings, HostileFilesGiveDefaultsOrTheFirstValue) {
  test::TempDir dir;
  using namespace std::string_literals;
  std::string binary = "\x00\xff[Modem\x00]\n\x01\x02=\x03\n"s;
  binary.append(std::string(100000, '\xfe'));
  binary += "\n[Modem]\nComPort=2\nComPort=5\n[Dialing\nDialAttempts=9\n";
  binary += "[User]\nName=" + std::string(4000, 'N') + "\nno equals sign\n";
  const auto s = loadFrom(dir, binary);
  EXPECT_EQ(s.ComPort, 2);
  EXPECT_EQ(s.DialAttempts, 3);  // "[Dialing" is no header: its key belongs to [Modem]
  EXPECT_EQ(s.UserName.size(), 1023u);
}

TEST(LoadSettings, FilesFromOtherEditorsReadAsTheUserMeantThem) {
  test::TempDir dir;
  // Saved with a byte order mark and CRLF, keys in lower case and spaced
  // out as Python's configparser writes them.
  const auto s = loadFrom(dir,
                          "\xEF\xBB\xBF[modem]\r\ncomport = 2\r\nfaxclass = 3\r\n\r\n[DIALING]\r\n"
                          "dialprefix = #31#\r\n\r\n[User]\r\nname = Ann Lee\r\n");
  EXPECT_EQ(s.ComPort, 2);
  EXPECT_EQ(s.FaxClass, 3);
  EXPECT_EQ(s.FaxClassReceive, 3);
  EXPECT_EQ(s.DialPrefix, "#31#");
  EXPECT_EQ(s.UserName, "Ann Lee");
}

TEST(SaveSettings, FileReadsBackToTheSameRecord) {
  test::TempDir dir;
  AppSettingsRecord out;
  out.ReceiveWav = "/usr/share/sounds/fax.wav";
  out.AtStartup = true;
  out.AnswerOnRing = 4;
  out.UserName = "Ann Example";
  out.UserFax = "+1 555 0100";
  out.DialPrefix = "9,";
  out.DialAttempts = 5;
  out.ComPort = 2;
  out.FaxClass = 3;
  out.FaxClassReceive = 2;
  out.MaximumBPS = 14400;
  out.MaximumBPSReceive = 4800;
  out.InitString = "ATX3";
  out.ResetString = "AT&F";
  out.DefaultFontName = "DejaVu Sans";
  out.DefaultFontSize = 12;
  out.DefaultFontItalic = true;
  out.HintsOn = false;
  out.GlobalLargerReceiveBuffer = true;
  IniFile file(dir.file("TVN.INI"));
  SaveSettings(out, file);

  AppSettingsRecord in;
  LoadSettings(in, IniFile(dir.file("TVN.INI")));
  EXPECT_EQ(in, out);
}

TEST(SaveSettings, FreshFileHasTheSectionsInOrderAndTheVersion) {
  test::TempDir dir;
  IniFile file(dir.file("TVN.INI"));
  SaveSettings(AppSettingsRecord{}, file);
  const IniDocument doc = IniDocument::Parse(dir.read("TVN.INI"));
  EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"Receive", "User", "Dialing", "Modem", "Default Font",
                                                          "Resetting", "Hints", "Version", "Other"}));
  EXPECT_EQ(doc.Get("Version", "Version"), "2.9z Build 5");
  EXPECT_EQ(doc.Get("Modem", "ComPort"), "-1");
  EXPECT_EQ(doc.Get("Hints", "On"), "1");

  SavePrintOptions(AppSettingsRecord{}, file);
  EXPECT_EQ(IniDocument::Parse(dir.read("TVN.INI")).SectionNames().back(), "Printing");
}

TEST(SaveSettings, UsersSectionsKeysAndCommentsSurvive) {
  test::TempDir dir;
  dir.write("TVN.INI",
            "; Telvane settings, edited by hand\n[Ports]\nCOM3=/dev/ttyACM0\n\n[Modem]\n; my modem\ncomport=2\n"
            "Vendor=Acme\n");
  AppSettingsRecord s;
  LoadSettings(s, IniFile(dir.file("TVN.INI")));
  s.FaxClass = 2;
  IniFile file(dir.file("TVN.INI"));
  SaveSettings(s, file);
  const std::string text = dir.read("TVN.INI");
  EXPECT_NE(text.find("; Telvane settings, edited by hand\n[Ports]\nCOM3=/dev/ttyACM0\n"), std::string::npos);
  EXPECT_NE(text.find("; my modem\ncomport=2\nVendor=Acme\n"), std::string::npos);
  const IniDocument doc = IniDocument::Parse(text);
  EXPECT_EQ(doc.Get("Modem", "FaxClass"), "2");
  EXPECT_EQ(doc.Get("Ports", "COM3"), "/dev/ttyACM0");
}

TEST(SaveSettings, ReadOnlyFileRaisesUnableToWriteAndKeepsTheRecord) {
  test::ProgramDirectoryScope home;
  home.dir().write("TVN.INI", "[Modem]\nComPort=1\n");
  ::chmod(home.dir().file("TVN.INI").c_str(), 0444);
  AppSettings = AppSettingsRecord{};
  AppSettings.ComPort = 3;
  try {
    SaveSettings();
    FAIL() << "the save should have failed";
  } catch (const SettingsWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + home.dir().file("TVN.INI"));
  }
  EXPECT_EQ(AppSettings.ComPort, 3);
  EXPECT_EQ(home.dir().read("TVN.INI"), "[Modem]\nComPort=1\n");
}

TEST(PrintOptions, RoundTripOnTheirOwn) {
  test::TempDir dir;
  AppSettingsRecord s;
  s.PrintMultiPage = true;
  s.PrintStretch = true;
  IniFile file(dir.file("TVN.INI"));
  SavePrintOptions(s, file);
  AppSettingsRecord in;
  LoadPrintOptions(in, IniFile(dir.file("TVN.INI")));
  EXPECT_TRUE(in.PrintMultiPage);
  EXPECT_FALSE(in.PrintHeader);
  EXPECT_FALSE(in.PrintFooter);
  EXPECT_TRUE(in.PrintStretch);
  EXPECT_EQ(IniDocument::Parse(dir.read("TVN.INI")).SectionNames(), std::vector<std::string>{"Printing"});
}

TEST(Helpers, RateListPositionsAndClassNames) {
  const int rates[] = {2400, 4800, 7200, 9600, 12000, 14400};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(IndexToBps(i), rates[i]);
    EXPECT_EQ(BpsToIndex(rates[i]), i);
  }
  EXPECT_EQ(IndexToBps(-1), 9600);
  EXPECT_EQ(IndexToBps(6), 9600);
  EXPECT_EQ(BpsToIndex(19200), 3);  // shows as 9600 in the preferences window
  EXPECT_EQ(IndexToBps(BpsToIndex(19200)), 9600);
  EXPECT_EQ(FaxClassName(0), "AutoDetect");
  EXPECT_EQ(FaxClassName(1), "Class 1");
  EXPECT_EQ(FaxClassName(2), "Class 2");
  EXPECT_EQ(FaxClassName(3), "Class 2.0");
  EXPECT_EQ(FaxClassName(4), "unknown");
  EXPECT_EQ(FaxClassName(-1), "unknown");
}

class FontRecorder : public RichTextControl {
public:
  void Clear() override {}
  bool LoadFromRtfFile(const std::string&) override { return true; }
  bool SaveToRtfFile(const std::string&) override { return true; }
  void Reformat() override {}
  void SetCurrentFont(const std::string& fontName, int pointSize, int styleBits) override {
    name = fontName;
    size = pointSize;
    style = styleBits;
  }
  std::string name;
  int size = 0;
  int style = -1;
};

TEST(Helpers, ApplyDefaultFontSetsNameSizeAndStyleBits) {
  AppSettingsRecord s;
  s.DefaultFontName = "Courier";
  s.DefaultFontSize = 14;
  s.DefaultFontBold = true;
  s.DefaultFontUnderline = true;
  FontRecorder rt;
  ApplyDefaultFont(rt, s);
  EXPECT_EQ(rt.name, "Courier");
  EXPECT_EQ(rt.size, 14);
  EXPECT_EQ(rt.style, FontStyleBold | FontStyleUnderline);

  // A hand-edited size no document can use starts new text at the default 10.
  for (const int size : {0, -12, 100000}) {
    s.DefaultFontSize = size;
    ApplyDefaultFont(rt, s);
    EXPECT_EQ(rt.size, 10) << size;
  }
  s.DefaultFontSize = 1638;
  ApplyDefaultFont(rt, s);
  EXPECT_EQ(rt.size, 1638);
}

}  // namespace
}  // namespace telvane
