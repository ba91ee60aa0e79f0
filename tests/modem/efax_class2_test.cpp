// Class 2 and Class 2.0 calls through the virtual modem with efax: the T.30
// procedure runs in the modem (spandsp), efax only commands it, and the
// pages still arrive as they left.

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <thread>

#include "tests/modem/fax_pages.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;

// Pages efax sends are at least this long: efax divides by the whole
// seconds a page took to hand over, and dies of SIGFPE (exit 5) when that
// is 0. At x8 a page of kRows rows takes over 1.5 s at 14400 bit/s.
constexpr int kRows = 2200;
constexpr size_t kEfaxHeaderRows = 20;
constexpr size_t kEfaxHeaderOverlap = 3;

struct ClassCase {
  const char* name;
  const char* efaxOption;  // -o2 or -o0
};

void PrintTo(const ClassCase& testCase, std::ostream* out) { *out << testCase.name; }

class EfaxClass2 : public ::testing::TestWithParam<ClassCase> {
protected:
  std::string file(const char* name) const { return dir_.file(name); }
  std::vector<std::string> modemOptions(std::vector<std::string> more) const {
    more.insert(more.begin(), {"--classes", "0,1,2,2.0"});
    return more;
  }
  EfaxResult send(const VirtualModemRun& modem, const std::vector<std::string>& pages) const {
    return sendWithEfax(dir_.path(), modem, GetParam().efaxOption, pages);
  }
  EfaxResult receive(const VirtualModemRun& modem) const {
    return receiveWithEfax(dir_.path(), modem, GetParam().efaxOption, file("recv"));
  }
  TempDir dir_;
};

TEST_P(EfaxClass2, SendsAFinePageThatArrivesIntact) {
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, kRows));
  VirtualModemRun modem(dir_.path(), modemOptions({"--receive-file", file("rx.tif"), "--remote-id", "REMOTE 2"}));
  ASSERT_TRUE(modem.started());
  const EfaxResult efax = send(modem, {file("page.tif")});
  EXPECT_EQ(efax.exitCode, 0) << efax.tail();
  EXPECT_NE(efax.log.find("sent ->"), std::string::npos) << efax.tail();
  EXPECT_NE(efax.log.find("REMOTE 2"), std::string::npos) << "the remote's ID reaches efax\n" << efax.tail();

  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "OK");
  EXPECT_EQ(results[0].at("pages"), "1");
  EXPECT_EQ(results[0].at("rate"), "14400");
  EXPECT_EQ(results[0].at("resolution"), "fine");
  EXPECT_EQ(results[0].at("remote_id"), "+1 555 0199");
  const auto pages = readFaxPages(file("rx.tif"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(differingRows(pages[0], testPageImage(1, kRows), kEfaxHeaderRows, kEfaxHeaderOverlap), 0);
}

TEST_P(EfaxClass2, SendsTwoPagesAt9600) {
  ASSERT_TRUE(writeTestFax(file("page1.tif"), 1, false, kRows));
  ASSERT_TRUE(writeTestFax(file("page2.tif"), 1, false, kRows));
  VirtualModemRun modem(dir_.path(), modemOptions({"--receive-file", file("rx.tif"), "--remote-max-rate", "9600"}));
  const EfaxResult efax = send(modem, {file("page1.tif"), file("page2.tif")});
  EXPECT_EQ(efax.exitCode, 0) << efax.tail();
  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "OK");
  EXPECT_EQ(results[0].at("pages"), "2");
  EXPECT_EQ(results[0].at("rate"), "9600");
  EXPECT_EQ(results[0].at("resolution"), "standard");
  EXPECT_EQ(readFaxPages(file("rx.tif")).size(), 2u);
}

TEST_P(EfaxClass2, ReceivesTwoPagesInOrder) {
  ASSERT_TRUE(writeTestFax(file("send.tif"), 2, true, kRows / 2));
  VirtualModemRun modem(dir_.path(), modemOptions({"--far-end", "sender", "--send-file", file("send.tif"), "--remote-id",
                                                   "SENDER 9", "--ring-interval", "2"}));
  const EfaxResult efax = receive(modem);
  EXPECT_EQ(efax.exitCode, 0) << efax.tail();
  EXPECT_EQ(efax.log.find("reception errors"), std::string::npos) << efax.tail();
  EXPECT_NE(efax.log.find("SENDER 9"), std::string::npos) << efax.tail();
  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "OK");
  EXPECT_EQ(results[0].at("pages"), "2");
  for (int number = 1; number <= 2; ++number) {
    const auto pages = readFaxPages(file(number == 1 ? "recv.001" : "recv.002"));
    ASSERT_EQ(pages.size(), 1u) << "page " << number << "\n" << efax.tail();
    EXPECT_EQ(differingRows(pages[0], testPageImage(number, kRows / 2), 0), 0) << "page " << number;
  }
}

TEST_P(EfaxClass2, BusyNumberFailsTheSend) {
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, 100));
  VirtualModemRun modem(dir_.path(), modemOptions({"--fault", "busy"}));
  const EfaxResult efax = send(modem, {file("page.tif")});
  EXPECT_EQ(efax.exitCode, 1) << "efax returns 1 for a busy number\n" << efax.tail();
  const auto results = modem.waitForResults(1, 5s);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].at("result"), "BUSY");
}

TEST_P(EfaxClass2, CarrierLostInThePageIsReportedAsAFailedPage) {
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, kRows));
  VirtualModemRun modem(dir_.path(), modemOptions({"--receive-file", file("rx.tif"), "--fault", "carrier-lost=1"}));
  const EfaxResult efax = send(modem, {file("page.tif")});
  EXPECT_NE(efax.exitCode, 0) << efax.tail();
  // Page status 2 and the transmit phase D hang-up code, in each class's form.
  const bool class2 = std::string(GetParam().efaxOption) == "-o2";
  EXPECT_NE(efax.log.find(class2 ? "+FPTS:2" : "+FPS:2"), std::string::npos) << efax.tail();
  EXPECT_NE(efax.log.find(class2 ? "+FHNG:50" : "+FHS:50"), std::string::npos) << efax.tail();
  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "FAILED");
  EXPECT_EQ(results[0].at("pages"), "0");
}

TEST_P(EfaxClass2, RemoteAnswersRtnToADamagedPage) {
  // The damage is on the line between the modem's T.30 engine and the far
  // end, which counts the bad rows and refuses the page.
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, kRows));
  VirtualModemRun modem(dir_.path(), modemOptions({"--receive-file", file("rx.tif"), "--fault", "rtn=1"}));
  const EfaxResult efax = send(modem, {file("page.tif")});
  EXPECT_NE(efax.exitCode, 0) << efax.tail();
  const bool class2 = std::string(GetParam().efaxOption) == "-o2";
  EXPECT_NE(efax.log.find(class2 ? "+FPTS:2" : "+FPS:2"), std::string::npos) << "page status: retrain requested\n"
                                                                              << efax.tail();
  EXPECT_NE(efax.log.find(class2 ? "+FHNG:50" : "+FHS:50"), std::string::npos) << efax.tail();
  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "FAILED");
  EXPECT_EQ(results[0].at("pages"), "0");
}

TEST_P(EfaxClass2, LineThatFailsAbove9600MakesTheModemStepDown) {
  // The modem trains and steps down on its own; the program only sees the
  // page go through.
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, kRows));
  VirtualModemRun modem(dir_.path(), modemOptions({"--receive-file", file("rx.tif"), "--fault", "max-rate=9600"}));
  const EfaxResult efax = send(modem, {file("page.tif")});
  EXPECT_EQ(efax.exitCode, 0) << efax.tail();
  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "OK");
  EXPECT_EQ(results[0].at("rate"), "9600");
  EXPECT_EQ(readFaxPages(file("rx.tif")).size(), 1u);
}

TEST_P(EfaxClass2, ReceivingOnALineThatFailsAbove9600ReportsTheRateItSettledOn) {
  ASSERT_TRUE(writeTestFax(file("send.tif"), 1, false, kRows / 2));
  VirtualModemRun modem(dir_.path(), modemOptions({"--far-end", "sender", "--send-file", file("send.tif"),
                                                   "--ring-interval", "2", "--fault", "max-rate=9600"}));
  const EfaxResult efax = receive(modem);
  EXPECT_EQ(efax.exitCode, 0) << efax.tail();
  // +FDCS/+FCS comes once the training check has passed, so it names the
  // rate after the far end's step-down, not the first one it tried.
  EXPECT_NE(efax.log.find("9600bps"), std::string::npos) << efax.tail();
  EXPECT_EQ(efax.log.find("14.4kbps"), std::string::npos) << efax.tail();
  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "OK");
  EXPECT_EQ(results[0].at("rate"), "9600");
}

TEST_P(EfaxClass2, NoiseInReceivedPageDataReachesEfaxAsLineErrors) {
  ASSERT_TRUE(writeTestFax(file("send.tif"), 1, false, kRows / 2));
  VirtualModemRun modem(dir_.path(), modemOptions({"--far-end", "sender", "--send-file", file("send.tif"),
                                                   "--ring-interval", "2", "--fault", "noise=2e-4"}));
  const EfaxResult efax = receive(modem);
  const auto results = modem.waitForResults(1, 20s);
  ASSERT_EQ(results.size(), 1u) << modem.log() << efax.tail();
  // The far end's T.30 saw a clean page: the damage is between the modem
  // and the program, where efax counts the rows it could not decode.
  EXPECT_EQ(results[0].at("result"), "OK");
  EXPECT_NE(efax.log.find("reception errors"), std::string::npos) << efax.tail();
}

TEST_P(EfaxClass2, SendsToAClass1ProgramThroughTwoModems) {
  // The far end is a program with wall-clock timers behind a second modem,
  // so the collected transmission runs in line time: the receiver waits
  // for it as it would for a slow sender.
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, kRows));
  VirtualModemRun modem(dir_.path(), modemOptions({"--far-end", "modem", "--second-port", file("modem-b")}));
  ASSERT_TRUE(modem.started());
  const std::vector<std::string> receiveArgs = {"/usr/bin/efax", "-d", modem.secondPort(), "-v", "ewinchr", "-o1",
                                                "-iS0=1", "-w", "-l", "+1 555 0222", "-r", file("recv")};
  ChildProcess receiver(receiveArgs, file("receiver.log"), file("receiver.err"));
  std::this_thread::sleep_for(1s);  // the receiver sets its modem up first
  const EfaxResult sender = send(modem, {file("page.tif")});
  EXPECT_EQ(sender.exitCode, 0) << sender.tail();
  const auto receiverExit = receiver.waitFor(30s);
  ASSERT_TRUE(receiverExit.has_value());
  EXPECT_EQ(*receiverExit, 0) << readTextFile(file("receiver.err"));
  const auto pages = readFaxPages(file("recv.001"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(differingRows(pages[0], testPageImage(1, kRows), kEfaxHeaderRows, kEfaxHeaderOverlap), 0);
}

INSTANTIATE_TEST_SUITE_P(Classes, EfaxClass2,
                         ::testing::Values(ClassCase{"Class2", "-o2"}, ClassCase{"Class20", "-o0"}),
                         [](const ::testing::TestParamInfo<ClassCase>& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace telvane::test
