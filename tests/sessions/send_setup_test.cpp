// The send window's sums from the settings, and the session report file.

#include <gtest/gtest.h>

#include "sessions/send_setup.h"
#include "sessions/session_report.h"
#include "settings/app_settings.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

TEST(DialWait, ComesFromTheS7RegisterOfTheInitString) {
  EXPECT_EQ(DialWaitFromInitString("E0S7=75"), 75);
  EXPECT_EQ(DialWaitFromInitString("ATs7=90&K3"), 90);
  EXPECT_EQ(DialWaitFromInitString("S7=120"), 120);
  EXPECT_EQ(DialWaitFromInitString("S7=30"), 55) << "raised to the least the engine waits";
  EXPECT_EQ(DialWaitFromInitString("S7="), 60);
  EXPECT_EQ(DialWaitFromInitString("S7=X"), 60);
  EXPECT_EQ(DialWaitFromInitString("S7=9X1"), 60) << "digits with a letter between are no number";
  EXPECT_EQ(DialWaitFromInitString("ATE0"), 60);
  EXPECT_EQ(DialWaitFromInitString(""), 60);
}

TEST(ModemInit, GetsATInFrontOnlyWhenItHasNone) {
  EXPECT_EQ(ModemInitCommand("E0S7=75"), "ATE0S7=75");
  EXPECT_EQ(ModemInitCommand("&K3"), "AT&K3");
  EXPECT_EQ(ModemInitCommand("at&k3"), "at&k3");
  EXPECT_EQ(ModemInitCommand("&FAT&K3"), "&FAT&K3") << "\"AT\" anywhere counts";
  EXPECT_EQ(ModemInitCommand(""), "");
}

TEST(HeaderLine, NamesTheSenderAndLeavesTheTagsToTheEngine) {
  EXPECT_EQ(BuildHeader("", "", "12/9/26", "8:30 AM"),
            "Sent" + std::string(11, ' ') + "12/9/26" + std::string(4, ' ') + "8:30 AM" + std::string(14, ' ') +
                "Page $P of $N");
  EXPECT_EQ(BuildHeader("Ann Smith", "+1 555 0100", "12/9/26", "8:30 AM"),
            "Sent by: Ann Smith" + std::string(4, ' ') + std::string(9, ' ') + "$I" + std::string(10, ' ') +
                std::string(11, ' ') + "12/9/26" + std::string(4, ' ') + "8:30 AM" + std::string(14, ' ') +
                "Page $P of $N");
  EXPECT_EQ(BuildHeader("", "555", "d", "t").substr(0, 8), "Sent by ") << "a number alone still says by";
}

TEST(SetupSummary, ListsTheSettingsAndOnlyTheActiveOptions) {
  AppSettingsRecord s;
  s.ComPort = 2;
  s.FaxClass = 3;
  s.MaximumBPS = 14400;
  s.ToneOrPulse = 1;
  s.InitString = "ATE0";
  s.UserFax = "+1 555 0100";
  s.DialAttempts = 4;
  s.RetryWait = 90;
  std::vector<std::string> lines = SetupLines(s);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "Communications Port: COM3");
  EXPECT_EQ(lines[1], "Fax Class: Class 2.0");
  EXPECT_EQ(lines[2], "Transfer Rate: 14400");
  EXPECT_EQ(lines[3], "Dialing with: Pulse");
  EXPECT_EQ(lines[4], "Modem Init String :ATE0");
  EXPECT_EQ(lines[7], "Station ID (Fax #) :+1 555 0100");
  EXPECT_EQ(lines[9], "Retry in :90 seconds");
  s.FaxClass = 7;
  s.BlindDial = s.IgnoreBusy = s.ECM = true;
  lines = SetupLines(s);
  EXPECT_EQ(lines[1], "Fax Class: Autodetect");
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 10, lines.end()),
            (std::vector<std::string>{"Blind Dial is ACTIVE", "Ignore Busy is ACTIVE", "Using Error Correction"}));
}

TEST(SessionReport, DropsRepeatsAndEndsWithTheFinishLine) {
  test::TempDir dir;
  SessionReport report;
  report.Add("Start:x");
  report.Add("Checking for modem");
  report.Add("Checking for modem");
  report.Add("Opened com port OK");
  report.Add("Checking for modem");
  report.Save(dir.file("Lastsend.log"), "Wednesday, December 9, 2026 8:30:00 AM");
  EXPECT_EQ(dir.read("Lastsend.log"),
            "Start:x\r\nChecking for modem\r\nOpened com port OK\r\nChecking for modem\r\n"
            "Finish: Wednesday, December 9, 2026 8:30:00 AM\r\n");
  report.Clear();
  report.Add("Start:y");
  report.Save(dir.file("Lastsend.log"), "z");
  EXPECT_EQ(dir.read("Lastsend.log"), "Start:y\r\nFinish: z\r\n") << "each session replaces the file";
  report.Save(dir.file("no-such-dir/Lastsend.log"), "z");  // an unwritable report is dropped quietly
}

}  // namespace
}  // namespace telvane
