#include <gtest/gtest.h>

#include <filesystem>

#include "settings/ini_file.h"
#include "settings/serial_devices.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {
namespace fs = std::filesystem;

// A /dev and /sys of a machine with two UARTs of four nodes, a USB modem
// (with its by-id link) and a USB serial adapter.
class SerialDevices : public testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(dev() + "serial/by-id");
    for (int n = 0; n < 4; ++n) {
      root_.write("dev/ttyS" + std::to_string(n), "");
      fs::create_directories(sys() + "class/tty/ttyS" + std::to_string(n));
      root_.write("sys/class/tty/ttyS" + std::to_string(n) + "/type", n < 2 ? "4\n" : "0\n");
    }
    root_.write("dev/ttyACM0", "");
    root_.write("dev/ttyUSB0", "");
    root_.write("dev/tty0", "");
    fs::create_symlink("../../ttyACM0", dev() + "serial/by-id/usb-Acme_FaxModem_56k-if00");
  }
  std::string dev() const { return root_.path() + "dev/"; }
  std::string sys() const { return root_.path() + "sys/"; }

  test::TempDir root_;
};

TEST_F(SerialDevices, OnlyPortsWithHardwareAreListed) {
  const std::vector<std::string> found = PresentSerialDevices(root_.path() + "dev", root_.path() + "sys");
  const std::vector<std::string> expected = {dev() + "serial/by-id/usb-Acme_FaxModem_56k-if00", dev() + "ttyACM0",
                                             dev() + "ttyS0", dev() + "ttyS1", dev() + "ttyUSB0"};
  EXPECT_EQ(found, expected);
}

TEST_F(SerialDevices, EachDeviceIsProbedOnceUnderItsBestName) {
  const std::vector<std::string> com = {dev() + "ttyS0", dev() + "ttyS1", dev() + "ttyS2",
                                        dev() + "ttyS3", dev() + "ttyS4", dev() + "ttyS5"};
  const std::vector<ProbeTarget> targets =
      ModemSearchTargets(com, PresentSerialDevices(root_.path() + "dev", root_.path() + "sys"));
  ASSERT_EQ(targets.size(), 8u);
  EXPECT_EQ(targets[0].label, "Com 1");
  EXPECT_EQ(targets[5].label, "Com 6");
  EXPECT_EQ(targets[5].comNumber, 6);
  // ttyS0 and ttyS1 are COM1 and COM2 already; the modem shows by its maker.
  EXPECT_EQ(targets[6].label, "usb-Acme_FaxModem_56k-if00");
  EXPECT_EQ(targets[6].comNumber, 0);
  EXPECT_EQ(targets[6].devicePath, dev() + "serial/by-id/usb-Acme_FaxModem_56k-if00");
  EXPECT_EQ(targets[7].devicePath, dev() + "ttyUSB0");
}

TEST_F(SerialDevices, ComMappedToAUsbDeviceIsNotProbedTwice) {
  const std::vector<std::string> com = {dev() + "ttyS0", dev() + "ttyACM0"};
  const std::vector<ProbeTarget> targets = ModemSearchTargets(com, {dev() + "serial/by-id/usb-Acme_FaxModem_56k-if00"});
  ASSERT_EQ(targets.size(), 2u);
  EXPECT_EQ(targets[1].label, "Com 2");
  EXPECT_EQ(targets[1].devicePath, dev() + "ttyACM0");
}

TEST_F(SerialDevices, PortsBeyondComSixComeFromTheSettings) {
  root_.write("TVN.INI", "[Ports]\nCOM2=/dev/ttyACM0\nCOM9=/tmp/telvane-modem\nCOM50=/tmp/last\nCOM51=/tmp/ignored\n");
  const std::vector<std::string> expected = {"/tmp/telvane-modem", "/tmp/last"};
  EXPECT_EQ(ExtraMappedDevices(IniFile(root_.file("TVN.INI"))), expected);
}

TEST_F(SerialDevices, MissingDirectoriesGiveNothing) {
  EXPECT_TRUE(PresentSerialDevices(root_.path() + "nowhere", root_.path() + "nowhere").empty());
}

}  // namespace
}  // namespace telvane
