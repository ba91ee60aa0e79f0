// Sending through a line or a far end with faults in the call: a line
// that cannot carry the fast modems (FTT and step-down), a carrier lost in
// the page, a damaged page answered RTN, a far end that hangs up after its
// DIS, frames with a bad FCS, noise, a modem that goes quiet, and the user
// cancelling in the page. The tool never reports success for pages the far
// end did not confirm, and never hangs.

#include <gtest/gtest.h>

#include <thread>

#include "tests/fax/e2e/fax_e2e_test.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;

class SendFaults : public FaxE2eTest {
protected:
  // Runs a send of `pages` pages (standard, `rows` rows) against a far end
  // with `options`; leaves the tool in tool_ and its exit code in exitCode_.
  CallFields send(const std::vector<std::string>& options, int pages = 1, int rows = 600,
                  std::vector<std::string> toolOptions = {"--dial-attempts", "1"}) {
    std::vector<int> numbers;
    for (int n = 1; n <= pages; ++n) numbers.push_back(n);
    const std::string doc = faxFile("doc.apf", numbers, false, rows);
    std::vector<std::string> all = {"--receive-file", file("rx.tif")};
    all.insert(all.end(), options.begin(), options.end());
    VirtualModemRun modem(dir(), all);
    EXPECT_TRUE(modem.started());
    tool_ = startSend(modem.port(), toolOptions, {doc});
    exitCode_ = finish(*tool_);
    return oneCall(modem);
  }

  void expectFailedWith(int code, const std::string& text) {
    EXPECT_EQ(exitCode_, 1) << tool_->tail();
    EXPECT_TRUE(contains(tool_->err(), toolErrorLine(code, text))) << tool_->tail();
    EXPECT_FALSE(contains(tool_->err(), "Sent ")) << tool_->tail();
  }

  void expectFailed() {
    EXPECT_EQ(exitCode_, 1) << tool_->tail();
    EXPECT_TRUE(contains(tool_->err(), "telvane-fax: error -")) << tool_->tail();
    EXPECT_FALSE(contains(tool_->err(), "Sent ")) << tool_->tail();
  }

  void expectSent(const CallFields& call, int pages, int rows) {
    EXPECT_EQ(exitCode_, 0) << tool_->tail();
    EXPECT_EQ(call.at("result"), "OK") << tool_->tail();
    EXPECT_EQ(call.at("pages"), std::to_string(pages));
    const auto received = readFaxPages(file("rx.tif"));
    ASSERT_EQ(received.size(), static_cast<size_t>(pages));
    for (int n = 1; n <= pages; ++n) EXPECT_EQ(checkSentPage(received[static_cast<size_t>(n - 1)], n, rows), "");
  }

  std::unique_ptr<FaxTool> tool_;
  int exitCode_ = -1;
};

// Above 9600 the training fails and the far end answers FTT; the tool
// steps down until a rate passes and the page goes at that rate.
TEST_F(SendFaults, FttStepsDownToARateTheLineCarries) {
  const CallFields call = send({"--fault", "max-rate=9600"});
  expectSent(call, 1, 600);
  EXPECT_LE(std::stoi(call.at("rate")), 9600);
  EXPECT_TRUE(contains(tool_->err(), "Connect BPS: 14400")) << tool_->tail();
  EXPECT_TRUE(contains(tool_->err(), "frame FTT")) << tool_->tail();
}

TEST_F(SendFaults, CarrierLostInThePageFails) {
  const CallFields call = send({"--fault", "carrier-lost=1"}, 1, 1100);
  expectFailed();
  EXPECT_EQ(call.at("result"), "FAILED");
  EXPECT_EQ(call.at("pages"), "0");
}

// Lost in page 2: page 1 was confirmed, but the fax as a whole failed.
TEST_F(SendFaults, CarrierLostInTheSecondPageFailsTheFax) {
  const CallFields call = send({"--fault", "carrier-lost=2"}, 2, 1100);
  expectFailed();
  EXPECT_EQ(call.at("result"), "FAILED");
  EXPECT_EQ(call.at("pages"), "1");
}

// The far end answers RTN to the damaged page and then disconnects (see the
// fixture's README): the page was not delivered.
TEST_F(SendFaults, RtnFailsThePage) {
  const CallFields call = send({"--fault", "rtn=1"});
  expectFailedWith(-8069, "Fax failed in mid-session");
  EXPECT_TRUE(contains(tool_->err(), "frame RTN")) << tool_->tail();
  EXPECT_EQ(call.at("pages"), "0");
}

TEST_F(SendFaults, RemoteHangingUpAfterDisFails) {
  const CallFields call = send({"--fault", "hangup-after-dis"});
  expectFailed();
  EXPECT_EQ(call.at("result"), "FAILED");
  EXPECT_EQ(call.at("pages"), "0");
}

// Noise in the page data: the far end copes with a few bad rows and
// confirms the page; the page still arrives in step, its rows in order.
TEST_F(SendFaults, NoiseInThePageStillDeliversIt) {
  const CallFields call = send({"--fault", "noise=1e-4"}, 1, 1100);
  EXPECT_EQ(exitCode_, 0) << tool_->tail();
  EXPECT_EQ(call.at("result"), "OK");
  const auto received = readFaxPages(file("rx.tif"));
  ASSERT_EQ(received.size(), 1u);
  const PageRows expected = testPageImage(1, 1100);
  EXPECT_GE(rowsInOrder(received[0], expected), 1100 * 95 / 100);
}

// A frame the tool receives with a bad FCS (the modem answers ERROR) is
// asked for again, and the call goes on.
struct BadFcsCase {
  const char* frame;
};

void PrintTo(const BadFcsCase& c, std::ostream* out) { *out << c.frame; }

class SendBadFcs : public SendFaults, public ::testing::WithParamInterface<BadFcsCase> {};

TEST_P(SendBadFcs, FrameIsRecoveredAndThePageArrives) {
  const CallFields call = send({"--fault", std::string("bad-fcs=") + GetParam().frame});
  expectSent(call, 1, 600);
  EXPECT_TRUE(contains(tool_->err(), "<- ERROR")) << "the fault did not reach the tool\n" << tool_->tail();
}

INSTANTIATE_TEST_SUITE_P(Frames, SendBadFcs, ::testing::Values(BadFcsCase{"DIS"}, BadFcsCase{"CFR"}, BadFcsCase{"MCF"}),
                         [](const auto& param) { return std::string(param.param.frame); });

// The modem goes quiet when asked for the page carrier: the tool gives up
// on its own time-out.
TEST_F(SendFaults, ModemSilentAtThePageEndsInAnError) {
  send({"--fault", "silent-after=+FTM=146"});
  expectFailed();
}

// Ctrl-C while page data is going out: the tool stops, hangs up, exits
// with an error, and the far end has no page.
TEST_F(SendFaults, CancelDuringAPageHangsUp) {
  const std::string doc = faxFile("doc.apf", {1}, true, 2200);
  VirtualModemRun modem(dir(), {"--receive-file", file("rx.tif")});
  auto tool = startSend(modem.port(), {"--rate", "4800"}, {doc});
  ASSERT_TRUE(tool->waitForError("Page 1: ", 30s)) << tool->tail();
  std::this_thread::sleep_for(200ms);
  tool->interrupt();
  EXPECT_EQ(finish(*tool, 20s), 1) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), toolErrorLine(-6005, "Cancel requested"))) << tool->tail();
  const CallFields call = oneCall(modem);
  EXPECT_TRUE(call.count("result") && (call.at("result") == "FAILED" || call.at("result") == "ABORTED"));
  EXPECT_EQ(call.count("pages") ? call.at("pages") : "", "0");
}

}  // namespace
}  // namespace telvane::test
