#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "settings/configuration_report.h"
#include "settings/system_info.h"
#include "tests/settings/scripted_pty.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

ReportFacts SampleFacts() {
  ReportFacts f;
  f.date = "Wednesday, 9 December 2026";
  f.buildDate = "12/9/26";
  f.operatingSystem = "Debian GNU/Linux 12 (bookworm)";
  f.screen = ScreenFacts{1920, 1080, 24, 96};
  f.memory = MemoryFacts{8000000000, 2000000000, 1024, 512};
  f.settingsFile = "/home/u/telvane/TVN.INI";
  f.programDirectory = "/home/u/telvane/";
  f.runningPrograms = {"bash", "systemd"};
  return f;
}

TEST(ConfigurationReport, SectionsInOrder) {
  ReportFacts f = SampleFacts();
  f.serialDevicesById = std::vector<std::string>{"usb-Acme-if00 -> /dev/ttyACM0"};
  f.modemAnswers = {"Port:                 \tCom 1 (/dev/ttyS0)"};
  f.lastSendLog = std::vector<std::string>{"Opened com port OK"};
  AppSettingsRecord s;
  s.ComPort = 0;
  const std::vector<std::string> r = BuildConfigurationReport(f, s);
  const size_t product = IndexOf(r, "[Product]"), environment = IndexOf(r, "[Environment]"),
               devices = IndexOf(r, "[Serial Devices by ID]"), modem = IndexOf(r, "[Modem Answers]"),
               settings = IndexOf(r, "[/home/u/telvane/TVN.INI]"), programs = IndexOf(r, "[Other Running Programs]"),
               send = IndexOf(r, "[Last Send Session]");
  EXPECT_EQ(r[0], f.date);
  EXPECT_LT(product, environment);
  EXPECT_LT(environment, devices);
  EXPECT_LT(devices, modem);
  EXPECT_LT(modem, settings);
  EXPECT_LT(settings, programs);
  EXPECT_LT(programs, send);
  ASSERT_LT(send, r.size());
  EXPECT_EQ(r.back(), "");  // the send log closes with an empty line
  EXPECT_EQ(r[r.size() - 2], "Opened com port OK");
  EXPECT_FALSE(Has(r, "[Last Receive Session]"));  // no Lastrec.log
  EXPECT_TRUE(Has(r, "COM Port:             \t1"));  // ComPort 0 is COM1
  EXPECT_TRUE(Has(r, "Video:       \t1920 x 1080 x 16,777,216 colors"));
  EXPECT_TRUE(Has(r, "Font:        \tSmall Fonts in use"));
  EXPECT_TRUE(Has(r, "Memory Load: \t75%"));
  EXPECT_TRUE(Has(r, "Phys Memory: \tTotal: 8,000,000,000;    Available: 2,000,000,000"));
  EXPECT_TRUE(Has(r, "Fax Class:            \tClass 1"));
  EXPECT_TRUE(Has(r, "Printer (POR):        \tDefault Windows Printer"));
  EXPECT_TRUE(Has(r, "ShowHint:             \tYes"));
  EXPECT_TRUE(Has(r, "Version:     \t2.9z Build 5"));
}

TEST(ConfigurationReport, FactsThatCouldNotBeReadLeaveTheirLinesOut) {
  ReportFacts f = SampleFacts();
  f.operatingSystem.reset();
  f.memory.reset();
  const std::vector<std::string> r = BuildConfigurationReport(f, AppSettingsRecord{});
  for (const std::string& line : r) {
    EXPECT_NE(line.rfind("System:", 0), 0u) << line;
    EXPECT_NE(line.rfind("Memory Load:", 0), 0u) << line;
  }
  EXPECT_FALSE(Has(r, "[Serial Devices by ID]"));
  EXPECT_FALSE(Has(r, "[Modem Answers]"));
  EXPECT_TRUE(Has(r, "Tone/Pulse:           \tTone"));
}

TEST(ConfigurationReport, NumbersAndColours) {
  EXPECT_EQ(WithThousands(0), "0");
  EXPECT_EQ(WithThousands(999), "999");
  EXPECT_EQ(WithThousands(1000), "1,000");
  EXPECT_EQ(WithThousands(65536), "65,536");
  EXPECT_EQ(ColorCount(15), 32768u);
  EXPECT_EQ(ColorCount(32), 16777216u);
  EXPECT_EQ(ColorCount(12), 12u);
}

TEST(SystemInfo, LinuxFactsFromTheirFiles) {
  test::TempDir root;
  std::filesystem::create_directories(root.path() + "etc");
  std::filesystem::create_directories(root.path() + "proc/42");
  std::filesystem::create_directories(root.path() + "proc/43");
  std::filesystem::create_directories(root.path() + "proc/self");
  root.write("etc/os-release", "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
  root.write("proc/cpuinfo", "processor\t: 0\nmodel name\t: Test CPU @ 2GHz\n\nprocessor\t: 1\nmodel name\t: Test CPU @ 2GHz\n");
  root.write("proc/meminfo", "MemTotal:       16000 kB\nMemFree:  1 kB\nMemAvailable:    4000 kB\nSwapTotal: 0 kB\n");
  root.write("proc/42/comm", "ModemManager\n");
  root.write("proc/43/comm", "telvane\n");
  root.write("proc/self/comm", "ignored\n");
  EXPECT_EQ(ReadOperatingSystem(root.path()), "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(ReadProcessor(root.path()), "2 x Test CPU @ 2GHz");
  const auto memory = ReadMemory(root.path());
  ASSERT_TRUE(memory);
  EXPECT_EQ(memory->totalBytes, 16000u * 1024);
  EXPECT_EQ(memory->availableBytes, 4000u * 1024);
  EXPECT_EQ(ReadRunningPrograms(root.path()), std::vector<std::string>{"ModemManager"});
  EXPECT_FALSE(ReadSerialDevicesById(root.path()));  // no dev/serial/by-id
  EXPECT_FALSE(ReadMemory(root.path() + "nowhere"));
  EXPECT_FALSE(ReadTextLines(root.file("Lastrec.log")));
  EXPECT_TRUE(ReadKernel());
}

TEST(SystemInfo, ModemAnswersOfADeviceThatIsNotAModem) {
  test::ScriptedPty error(test::ScriptedPty::Behaviour::AnswerError);
  const std::vector<std::string> lines = QueryModemAnswers(error.path(), 2);
  ASSERT_EQ(lines.size(), 7u);  // the port, then every query answered ERROR
  EXPECT_EQ(lines[0], "Port:                 \tCom 2 (" + error.path() + ")");
  EXPECT_EQ(lines[1], "AT:                   \tERROR");

  test::TempDir dir;
  const std::vector<std::string> missing = QueryModemAnswers(dir.file("ttyS7"), 8);
  ASSERT_EQ(missing.size(), 2u);
  EXPECT_EQ(missing[1], "Result:               \tPort does not exist");
}

}  // namespace
}  // namespace telvane
