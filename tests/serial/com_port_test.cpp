// The com port component on real pseudo-terminals mapped as COMn through
// TVN.INI: opening and its failures, events on the UI thread, configuration
// while open, closing from inside an event, tracing states and AwaitText.

#include <gtest/gtest.h>

#include <thread>

#include "platform/clock.h"
#include "platform/ui_queue.h"
#include "serial/kova_exceptions.h"
#include "serial/com_port.h"
#include "serial/com_port_names.h"
#include "serial/status_codes.h"
#include "tests/serial/dispatcher_fixture.h"
#include "tests/serial/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;

class ComPortTest : public ::testing::Test {
protected:
  void SetUp() override {
    UiQueue().drain();  // the test thread is the UI thread
    pty.mapAsCom(5);
    port.SetComNumber(5);
  }
  void TearDown() override {
    SetPortSelectionHook(nullptr);
    port.SetOpen(false);
    WaitFor([&] { return port.State() == TKovaCustomComPort::psClosed; });
  }

  ProgramDirectoryScope home;
  PtyPair pty;
  TKovaComPort port;
};

TEST(ComPortDefaults, PublishedPropertiesStartAtTheirDefaults) {
  TKovaComPort port;
  EXPECT_EQ(port.DeviceLayer(), dlWin32);
  EXPECT_EQ(port.ComNumber(), 0);
  EXPECT_EQ(port.Baud(), 19200);
  EXPECT_TRUE(port.PromptForPort());
  EXPECT_EQ(port.Parity(), pNone);
  EXPECT_EQ(port.DataBits(), 8);
  EXPECT_EQ(port.StopBits(), 1);
  EXPECT_EQ(port.InSize(), 4096);
  EXPECT_EQ(port.OutSize(), 4096);
  EXPECT_TRUE(port.AutoOpen());
  EXPECT_FALSE(port.Open());
  EXPECT_TRUE(port.DTR());
  EXPECT_TRUE(port.RTS());
  EXPECT_EQ(port.HWFlowOptions(), 0);
  EXPECT_EQ(port.SWFlowOptions(), swfNone);
  EXPECT_EQ(port.XOnChar(), 17);
  EXPECT_EQ(port.XOffChar(), 19);
  EXPECT_EQ(port.BufferFull(), 0);
  EXPECT_EQ(port.BufferResume(), 0);
  EXPECT_EQ(port.Tracing(), tlOff);
  EXPECT_EQ(port.TraceSize(), 10000);
  EXPECT_EQ(port.TraceName(), "KOVA.TRC");
  EXPECT_TRUE(port.TraceHex());
  EXPECT_FALSE(port.TraceAllHex());
  EXPECT_EQ(port.Logging(), tlOff);
  EXPECT_EQ(port.LogSize(), 10000);
  EXPECT_EQ(port.LogName(), "KOVA.LOG");
  EXPECT_TRUE(port.UseMSRShadow());
  EXPECT_TRUE(port.UseEventWord());
  EXPECT_EQ(port.CommNotificationLevel(), 10);
  EXPECT_EQ(port.TapiMode(), tmAuto);
  EXPECT_FALSE(port.RS485Mode());
}

TEST(ComPortNames, ComNumbersMapThroughThePortsSection) {
  ProgramDirectoryScope home;
  EXPECT_EQ(ComDeviceName(3), "COM3");
  EXPECT_EQ(ComDevicePath(1), "/dev/ttyS0");
  home.dir().write("TVN.INI", "[Ports]\r\nCOM3=/dev/ttyACM0\r\n");
  EXPECT_EQ(ComDevicePath(3), "/dev/ttyACM0");
  EXPECT_EQ(ComDevicePath(4), "/dev/ttyS3");
}

TEST_F(ComPortTest, PortZeroWithoutPromptOrWithTheDialogCancelledFails) {
  port.SetComNumber(0);
  port.SetPromptForPort(false);
  EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
  port.SetPromptForPort(true);
  EXPECT_THROW(port.SetOpen(true), ENoPortSelected);  // no dialog installed
  SetPortSelectionHook([] { return 0; });             // cancelled
  EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
  EXPECT_FALSE(port.Open());
  SetPortSelectionHook([] { return 5; });
  port.SetOpen(true);
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(port.ComNumber(), 5);
}

TEST_F(ComPortTest, MissingPortIsBadIdAndAHeldOneIsAlreadyOpen) {
  port.SetComNumber(9);  // /dev/ttyS8 does not exist here... unless mapped
  home.dir().write("TVN.INI", "[Ports]\r\nCOM9=/dev/telvane-missing\r\nCOM5=" + pty.slavePath() + "\r\n");
  try {
    port.SetOpen(true);
    FAIL();
  } catch (const EBadId& e) {
    EXPECT_EQ(e.ErrorCode, ecBadId);
    EXPECT_STREQ(e.what(), "ie_BadId - Specified comport doesn't exist");
  }
  EXPECT_EQ(port.State(), TKovaCustomComPort::psClosed);
  port.SetComNumber(5);
  port.SetOpen(true);
  TKovaComPort second;
  second.SetComNumber(5);
  EXPECT_THROW(second.SetOpen(true), EAlreadyOpen);
  EXPECT_FALSE(second.Open());
  port.SetDeviceLayer(dlWinsock);
  port.SetOpen(false);
  EXPECT_THROW(port.SetOpen(true), ENullApi);
}

TEST_F(ComPortTest, OperationsWithoutAPortRaiseOrOpenIt) {
  port.SetAutoOpen(false);
  EXPECT_THROW(port.SendText("x"), ECommNotOpen);
  port.SetAutoOpen(true);
  port.SendText("AT\r");  // opens the port first
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(pty.read(3), "AT\r");
  EXPECT_THROW(port.FreeTrigger(4242), EBadTriggerHandle);
  EXPECT_THROW(port.SendBlock(std::vector<uint8_t>(5000, 'x')), EOutputBufferTooSmall);
}

TEST_F(ComPortTest, TriggerEventsRunOnTheUiThreadWithTheirData) {
  std::vector<std::string> seen;
  const auto ui = std::this_thread::get_id();
  port.OnTrigger = [&](TKovaCustomComPort&, unsigned message, unsigned, unsigned) {
    EXPECT_EQ(std::this_thread::get_id(), ui);
    seen.push_back("trigger " + std::to_string(message));
  };
  port.OnTriggerAvail = [&](TKovaCustomComPort& p, unsigned count) {
    std::string bytes;
    for (unsigned i = 0; i < count; ++i) bytes.push_back(static_cast<char>(p.TakeByte()));
    seen.push_back("avail " + bytes);
  };
  port.OnTriggerData = [&](TKovaCustomComPort&, unsigned) { seen.push_back("data"); };
  port.OnTriggerTimer = [&](TKovaCustomComPort&, unsigned) { seen.push_back("timer"); };
  port.OnTriggerOutSent = [&](TKovaCustomComPort&) { seen.push_back("sent"); };
  port.SetOpen(true);
  port.NewDataTrigger("OK", false);
  pty.write("OK");
  ASSERT_TRUE(WaitFor([&] { return seen.size() >= 4; }));
  EXPECT_EQ(seen[0], "trigger " + std::to_string(TriggerData));
  EXPECT_EQ(seen[1], "data");
  EXPECT_EQ(seen[2], "trigger " + std::to_string(TriggerAvail));
  EXPECT_EQ(seen[3], "avail OK");
  seen.clear();
  const int timer = port.NewTimerTrigger();
  port.ArmTimerTrigger(timer, 1);
  const int sent = port.NewStatusTrigger(stOutSent);
  port.ArmStatusTrigger(sent, 0);
  port.SendText("x");
  ASSERT_TRUE(WaitFor([&] { return seen.size() >= 4; }));
  EXPECT_NE(std::find(seen.begin(), seen.end(), "timer"), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), "sent"), seen.end());
}

TEST_F(ComPortTest, ThrowingEventIsShownAndTheNextEventStillArrives) {
  int calls = 0;
  port.OnTriggerAvail = [&](TKovaCustomComPort& p, unsigned count) {
    for (unsigned i = 0; i < count; ++i) p.TakeByte();
    if (++calls == 1) throw std::runtime_error("event failure (expected by the test)");
  };
  port.SetOpen(true);
  pty.write("a");
  ASSERT_TRUE(WaitFor([&] { return calls == 1; }));
  pty.write("b");
  EXPECT_TRUE(WaitFor([&] { return calls == 2; }));
}

TEST_F(ComPortTest, ConfigurationWhileOpenReachesTheDevice) {
  port.SetOpen(true);
  port.SetBaud(57600);
  port.SetDataBits(7);
  port.SetParity(pEven);
  int32_t baud;
  int parity, data, stop;
  port.Dispatcher()->GetLineParams(baud, parity, data, stop);
  EXPECT_EQ(baud, 57600);
  EXPECT_EQ(data, 7);
  EXPECT_EQ(parity, pvEven);
  EXPECT_THROW(port.SetBaud(12345), EBaudRate);
  port.SetDTR(false);
  EXPECT_FALSE(port.Dispatcher()->DtrState());
  port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
  EXPECT_EQ(port.BufferFull(), 3686);  // 90 % of InSize
  EXPECT_EQ(port.BufferResume(), 409);  // 10 %
  port.SetHWFlowOptions(0);
  port.SetBufferFull(0);
  port.SetBufferResume(0);
  port.SetSWFlowOptions(swfBoth);
  EXPECT_EQ(port.BufferFull(), 3072);  // 75 %
  EXPECT_EQ(port.BufferResume(), 1024);  // 25 %
}

TEST_F(ComPortTest, ChangingComNumberWhileOpenKeepsTriggersAndTracing) {
  PtyPair other;
  other.mapAsCom(6);
  port.SetTracing(tlOn);
  EXPECT_EQ(port.Tracing(), tlOn);  // closed: remembered, started by the open
  port.SetOpen(true);
  EXPECT_TRUE(port.Dispatcher()->Tracing());
  const int data = port.NewDataTrigger("RING", false);
  port.SetComNumber(6);
  EXPECT_TRUE(port.Open());
  EXPECT_EQ(port.Tracing(), tlOn);
  EXPECT_TRUE(port.Dispatcher()->Tracing());
  EXPECT_EQ(port.Dispatcher()->FreeTrigger(data), 0);  // came along
  port.SendText("Z");
  EXPECT_EQ(other.read(1), "Z");
  EXPECT_TRUE(home.dir().exists("KOVA.TRC"));  // the close dumped the first trace
}

TEST(ComPortTracing, DumpOnAClosedPortIsStoredAsOff) {
  TKovaComPort port;
  port.SetTracing(tlDump);
  EXPECT_EQ(port.Tracing(), tlOff);
  port.SetTracing(tlOn);
  EXPECT_EQ(port.Tracing(), tlOn);
  port.SetLogging(tlPause);
  EXPECT_EQ(port.Logging(), tlOff);
}

TEST_F(ComPortTest, TracingStatesWhileOpenAndTheDumpFormats) {
  port.SetOpen(true);
  port.SetTracing(tlOn);
  port.SetLogging(tlOn);
  port.SendText("ATZ\r");
  EXPECT_EQ(pty.read(4), "ATZ\r");
  port.SetTracing(tlPause);
  port.SendText("hidden");
  EXPECT_EQ(pty.read(6), "hidden");
  port.SetTracing(tlOn);
  port.SetTracing(tlDump);
  EXPECT_EQ(port.Tracing(), tlOff);
  EXPECT_EQ(home.dir().read("KOVA.TRC"), "Transmit: \r\nATZ[0D]\r\n");
  port.SetLogging(tlAppend);
  EXPECT_NE(home.dir().read("KOVA.LOG").find("Device: COM5"), std::string::npos);
}

TEST_F(ComPortTest, ClosingFromInsideAnEventCompletesAfterTheDeliveryAndHonoursAReopen) {
  int avails = 0;
  bool reopened = false;
  port.OnTriggerAvail = [&](TKovaCustomComPort& p, unsigned count) {
    for (unsigned i = 0; i < count; ++i) p.TakeByte();
    if (++avails == 1) {
      p.SetOpen(false);
      EXPECT_EQ(p.State(), TKovaCustomComPort::psShuttingDown);
      p.SetOpen(true);  // only requested while closing
      reopened = p.Open();
    }
  };
  std::vector<bool> told;
  int user = 0;
  port.RegisterUser(&user, [&](bool opening) { told.push_back(opening); });
  port.SetOpen(true);
  pty.write("x");
  ASSERT_TRUE(WaitFor([&] { return avails == 1 && port.State() == TKovaCustomComPort::psOpen; }));
  EXPECT_FALSE(reopened);
  EXPECT_EQ(told, (std::vector<bool>{true, false, true}));
  pty.write("y");
  EXPECT_TRUE(WaitFor([&] { return avails == 2; }));
  port.DeregisterUser(&user);
}

TEST_F(ComPortTest, UsersAreToldOfOpenAndCloseLastRegisteredFirst) {
  std::vector<std::string> order;
  int a = 0, b = 0;
  port.RegisterUser(&a, [&](bool opening) { order.push_back(std::string("a") + (opening ? "+" : "-")); });
  port.RegisterUser(&b, [&](bool opening) { order.push_back(std::string("b") + (opening ? "+" : "-")); });
  port.SetOpen(true);
  port.SetOpen(false);
  port.DeregisterUser(&b);
  port.SetOpen(true);
  EXPECT_EQ(order, (std::vector<std::string>{"b+", "a+", "b-", "a-", "a+"}));
  port.DeregisterUser(&a);
}

TEST_F(ComPortTest, AwaitTextSeesSplitTextIgnoringCaseAndTimesOutOnTheClock) {
  port.SetOpen(true);
  std::string waited;
  port.OnWaitChar = [&](TKovaCustomComPort&, char c) { waited.push_back(c); };
  std::thread far([&] {
    pty.write("xxCONN");
    std::this_thread::sleep_for(20ms);
    pty.write("ECT 9600\r\n");
  });
  EXPECT_TRUE(port.AwaitText("connect", TicksFromSeconds(10), true, true));
  far.join();
  EXPECT_EQ(waited, "xxCONNECT");
  ScopedManualClock manual(0);
  ManualClock& clock = manual.clock;
  EXPECT_FALSE(port.AwaitText("OK", 5, false, false));  // sleeping moves the manual clock
  EXPECT_GE(clock.milliseconds(), 5u * 55u);
  EXPECT_TRUE(port.AwaitText("", 1, false, false));
  port.SetOpen(false);  // no thread may still read this clock
}

TEST_F(ComPortTest, LoadingDefersTheOpenUntilLoaded) {
  port.BeginLoading();
  port.SetOpen(true);
  EXPECT_EQ(port.State(), TKovaCustomComPort::psClosed);
  port.Loaded();
  EXPECT_EQ(port.State(), TKovaCustomComPort::psOpen);
  TKovaComPort broken;
  broken.SetComNumber(77);  // /dev/ttyS76: not here
  broken.BeginLoading();
  broken.SetOpen(true);
  broken.Loaded();  // the failure is shown, not thrown
  EXPECT_FALSE(broken.Open());
}

}  // namespace
}  // namespace telvane::test
