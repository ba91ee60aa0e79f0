// Class 1 calls through the virtual modem with efax as the program: efax
// sends to the fixture's receiving far end, and receives from its sending
// far end, and the pages arrive as they left.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/modem/fax_pages.h"
#include "tests/modem/virtual_modem_harness.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;

// Pages efax sends are at least this long: efax divides by the whole
// seconds a page took to send, and dies of SIGFPE (exit 5) when that is 0.
constexpr int kRows = 2200;  // an A4 page at fine resolution
// efax puts its own header of this many rows above each page it sends, and
// the header's lowest rows reach into the page's first rows.
constexpr size_t kEfaxHeaderRows = 20;
constexpr size_t kEfaxHeaderOverlap = 3;

int differingFromSent(const PageRows& received, int number) {
  return differingRows(received, testPageImage(number, kRows), kEfaxHeaderRows, kEfaxHeaderOverlap);
}

class EfaxClass1 : public ::testing::Test {
protected:
  std::string file(const char* name) const { return dir_.file(name); }

  EfaxResult sendWithEfax(VirtualModemRun& modem, const std::string& tiff) {
    return test::sendWithEfax(dir_.path(), modem, "-o1", {tiff});
  }
  EfaxResult receiveWithEfax(VirtualModemRun& modem) { return test::receiveWithEfax(dir_.path(), modem, "-o1", file("recv")); }

  TempDir dir_;
};

TEST_F(EfaxClass1, SendsAFinePageAt14400ThatArrivesIntact) {
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, kRows));
  VirtualModemRun modem(dir_.path(), {"--receive-file", file("rx.tif"), "--remote-id", "REMOTE 42"});
  ASSERT_TRUE(modem.started());

  const EfaxResult efax = sendWithEfax(modem, file("page.tif"));
  EXPECT_EQ(efax.exitCode, 0) << efax.tail();
  EXPECT_NE(efax.log.find("REMOTE 42"), std::string::npos) << "efax should see the far end's CSI";

  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  const CallFields& call = results[0];
  EXPECT_EQ(call.at("result"), "OK");
  EXPECT_EQ(call.at("role"), "receiver");
  EXPECT_EQ(call.at("pages"), "1");
  EXPECT_EQ(call.at("rate"), "14400");
  EXPECT_EQ(call.at("resolution"), "fine");
  EXPECT_EQ(call.at("ecm"), "off");
  EXPECT_EQ(call.at("remote_id"), "+1 555 0199");

  bool fine = false;
  const auto pages = readFaxPages(file("rx.tif"), &fine);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(fine);
  EXPECT_EQ(differingFromSent(pages[0], 1), 0);
}

TEST_F(EfaxClass1, SendsAt9600WhenTheFarEndGoesNoFaster) {
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, kRows));
  VirtualModemRun modem(dir_.path(), {"--receive-file", file("rx.tif"), "--remote-max-rate", "9600"});
  const EfaxResult efax = sendWithEfax(modem, file("page.tif"));
  EXPECT_EQ(efax.exitCode, 0) << efax.tail();
  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "OK");
  EXPECT_EQ(results[0].at("rate"), "9600");
  const auto pages = readFaxPages(file("rx.tif"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(differingFromSent(pages[0], 1), 0);
}

TEST_F(EfaxClass1, ReceivesTwoStandardPagesInOrder) {
  ASSERT_TRUE(writeTestFax(file("send.tif"), 2, false, kRows / 2));
  VirtualModemRun modem(dir_.path(), {"--far-end", "sender", "--send-file", file("send.tif"), "--remote-id",
                                      "SENDER 7", "--ring-interval", "2"});
  const EfaxResult efax = receiveWithEfax(modem);
  EXPECT_EQ(efax.exitCode, 0) << efax.tail();

  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "OK");
  EXPECT_EQ(results[0].at("role"), "sender");
  EXPECT_EQ(results[0].at("pages"), "2");
  EXPECT_EQ(results[0].at("resolution"), "standard");
  EXPECT_EQ(results[0].at("remote_id"), "+1 555 0199");

  for (int number = 1; number <= 2; ++number) {
    const auto pages = readFaxPages(file(number == 1 ? "recv.001" : "recv.002"));
    ASSERT_EQ(pages.size(), 1u) << "page " << number << "\n" << efax.tail();
    EXPECT_EQ(differingRows(pages[0], testPageImage(number, kRows / 2), 0), 0) << "page " << number;
  }
}

TEST_F(EfaxClass1, ReceivesTwoDocumentsWithEomBetweenThem) {
  // Document A is page 1, document B pages 2 and 3: the far end announces B
  // with EOM after A's last page, and the call goes back to phase B for it.
  ASSERT_TRUE(writeTestFax(file("a.tif"), 1, false, kRows / 4, 1));
  ASSERT_TRUE(writeTestFax(file("b.tif"), 2, false, kRows / 4, 2));
  VirtualModemRun modem(dir_.path(), {"--far-end", "sender", "--send-file", file("a.tif"), "--send-file",
                                      file("b.tif"), "--ring-interval", "2"});
  const EfaxResult efax = receiveWithEfax(modem);
  EXPECT_EQ(efax.exitCode, 0) << efax.tail();

  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "OK");
  EXPECT_EQ(results[0].at("pages"), "3");
  // efax logs each post-page message it receives: EOM after page 1 only.
  const size_t eom = efax.log.find("received EOM");
  EXPECT_NE(eom, std::string::npos) << efax.tail();
  EXPECT_EQ(eom, efax.log.rfind("received EOM")) << efax.tail();
  EXPECT_NE(efax.log.find("received MPS"), std::string::npos) << efax.tail();
  EXPECT_NE(efax.log.find("received EOP"), std::string::npos) << efax.tail();

  for (int number = 1; number <= 3; ++number) {
    const std::string name = "recv.00" + std::to_string(number);
    const auto pages = readFaxPages(file(name.c_str()));
    ASSERT_EQ(pages.size(), 1u) << name << "\n" << efax.tail();
    EXPECT_EQ(differingRows(pages[0], testPageImage(number, kRows / 4), 0), 0) << name;
  }
}

TEST_F(EfaxClass1, RemoteAnswersRtnToADamagedPage) {
  // The far end is spandsp 0.0.6's receiver: after its RTN it accepts a
  // repeated post-page message but not the retraining DCS that efax (like
  // most senders) answers with, and disconnects. The fault therefore shows
  // the RTN and the failure that follows it.
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, kRows));
  VirtualModemRun modem(dir_.path(), {"--receive-file", file("rx.tif"), "--fault", "rtn=1"});
  const EfaxResult efax = sendWithEfax(modem, file("page.tif"));
  EXPECT_NE(efax.log.find("received RTN"), std::string::npos) << efax.tail();
  EXPECT_NE(efax.exitCode, 0) << efax.tail();
  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "FAILED");
  EXPECT_EQ(results[0].at("pages"), "0");
}

TEST_F(EfaxClass1, LineThatFailsAbove9600MakesEfaxStepDown) {
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, kRows));
  // Three trainings and two FTTs: run at half the usual speed, so efax's
  // wall-clock waits stay well apart from the line's on a loaded machine.
  VirtualModemRun modem(dir_.path(), {"--receive-file", file("rx.tif"), "--fault", "max-rate=9600"}, testSpeed() / 2);
  const EfaxResult efax = sendWithEfax(modem, file("page.tif"));
  EXPECT_EQ(efax.exitCode, 0) << efax.tail();
  EXPECT_NE(efax.log.find("FTT"), std::string::npos) << efax.tail();
  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "OK");
  EXPECT_EQ(results[0].at("rate"), "9600");
}

TEST_F(EfaxClass1, CarrierLostInThePageFailsTheCall) {
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, kRows));
  VirtualModemRun modem(dir_.path(), {"--receive-file", file("rx.tif"), "--fault", "carrier-lost=1"});
  const EfaxResult efax = sendWithEfax(modem, file("page.tif"));
  EXPECT_NE(efax.exitCode, 0) << efax.tail();
  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "FAILED");
  EXPECT_EQ(results[0].at("pages"), "0");
}

TEST_F(EfaxClass1, RemoteHangingUpAfterDisFailsTheCall) {
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, kRows));
  VirtualModemRun modem(dir_.path(), {"--receive-file", file("rx.tif"), "--fault", "hangup-after-dis"});
  const EfaxResult efax = sendWithEfax(modem, file("page.tif"));
  EXPECT_NE(efax.exitCode, 0) << efax.tail();
  const auto results = modem.waitForResults(1, 10s);
  ASSERT_EQ(results.size(), 1u) << modem.log();
  EXPECT_EQ(results[0].at("result"), "FAILED");
  EXPECT_EQ(results[0].at("pages"), "0");
}

TEST_F(EfaxClass1, NoiseInReceivedPageDataReachesEfaxAsLineErrors) {
  ASSERT_TRUE(writeTestFax(file("send.tif"), 1, false, kRows / 2));
  VirtualModemRun modem(dir_.path(), {"--far-end", "sender", "--send-file", file("send.tif"), "--ring-interval", "2",
                                      "--fault", "noise=2e-4"});
  const EfaxResult efax = receiveWithEfax(modem);
  const auto results = modem.waitForResults(1, 20s);
  ASSERT_EQ(results.size(), 1u) << modem.log() << efax.tail();
  // efax counts the rows it could not decode; with noise there are some.
  EXPECT_EQ(efax.log.find(" 0 errors"), std::string::npos) << efax.tail();
  EXPECT_NE(efax.log.find("errors"), std::string::npos) << efax.tail();
}

TEST_F(EfaxClass1, TwoProgramsFaxEachOtherThroughTwoModems) {
  ASSERT_TRUE(writeTestFax(file("page.tif"), 1, true, kRows));
  VirtualModemRun modem(dir_.path(), {"--far-end", "modem", "--second-port", file("modem-b")});
  ASSERT_TRUE(modem.started());
  const std::vector<std::string> receiveArgs = {"/usr/bin/efax", "-d", modem.secondPort(), "-v", "ewinchr", "-o1",
                                                "-iS0=1", "-w", "-l", "+1 555 0222", "-r", file("recv")};
  ChildProcess receiver(receiveArgs, file("receiver.log"), file("receiver.err"));
  std::this_thread::sleep_for(1s);  // the receiver sets its modem up first
  const EfaxResult sender = sendWithEfax(modem, file("page.tif"));
  EXPECT_EQ(sender.exitCode, 0) << sender.log;
  const auto receiverExit = receiver.waitFor(30s);
  ASSERT_TRUE(receiverExit.has_value());
  EXPECT_EQ(*receiverExit, 0) << readTextFile(file("receiver.err"));
  EXPECT_NE(readTextFile(file("receiver.err")).find("+1 555 0199"), std::string::npos) << "receiver saw the TSI";
  const auto pages = readFaxPages(file("recv.001"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(differingFromSent(pages[0], 1), 0);
}

}  // namespace
}  // namespace telvane::test
