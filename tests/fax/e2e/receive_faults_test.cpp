// Receiving through a line or from a far end with faults in the call: a
// carrier lost in a page, frames with a bad FCS, noise, a modem that goes
// quiet, and the user cancelling in a page. What the caller was told
// arrived (MCF) stays in the file; nothing else does, and a call with no
// confirmed page leaves no file.

#include <gtest/gtest.h>

#include "tests/fax/e2e/fax_e2e_test.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;

constexpr int kRows = 1100;

class ReceiveFaults : public FaxE2eTest {
protected:
  // A far end sending three standard pages, with `options`, to the tool
  // receiving into into_.
  CallFields receive(const std::vector<std::string>& options) {
    EXPECT_TRUE(writeTestFax(file("send.tif"), 3, false, kRows));
    into_ = receiveDir();
    std::vector<std::string> all = {"--far-end", "sender", "--send-file", file("send.tif"), "--ring-interval", "2"};
    all.insert(all.end(), options.begin(), options.end());
    VirtualModemRun modem(dir(), all);
    EXPECT_TRUE(modem.started());
    tool_ = startReceive(modem.port(), into_);
    exitCode_ = finish(*tool_);
    return oneCall(modem);
  }

  // FAX0001.APF holds exactly pages 1..count, row for row.
  void expectPagesKept(int count) {
    EXPECT_EQ(listFiles(into_), std::vector<std::string>{"FAX0001.APF"}) << tool_->tail();
    const FaxFilePages fax = readFaxFile(into_ + "FAX0001.APF");
    ASSERT_EQ(fax.status, 0);
    EXPECT_EQ(fax.headerPageCount, count);
    ASSERT_EQ(fax.pages.size(), static_cast<size_t>(count));
    for (int n = 1; n <= count; ++n) EXPECT_EQ(checkPage(fax.pages[static_cast<size_t>(n - 1)], n, kRows), "");
  }

  void expectFailed() {
    EXPECT_EQ(exitCode_, 1) << tool_->tail();
    EXPECT_TRUE(contains(tool_->err(), "telvane-fax: error -")) << tool_->tail();
    EXPECT_TRUE(contains(tool_->err(), "Call 1: ")) << tool_->tail();
    EXPECT_TRUE(contains(tool_->err(), ", failed\n")) << tool_->tail();
  }

  std::string into_;
  std::unique_ptr<FaxTool> tool_;
  int exitCode_ = -1;
};

// The line goes dead in page 2: page 1 was confirmed and stays; the part
// of page 2 that came does not.
TEST_F(ReceiveFaults, CarrierLostInPage2KeepsPage1Only) {
  const CallFields call = receive({"--fault", "carrier-lost=2"});
  expectFailed();
  EXPECT_EQ(call.at("pages"), "1");
  expectPagesKept(1);
}

TEST_F(ReceiveFaults, CarrierLostInPage1LeavesNoFile) {
  const CallFields call = receive({"--fault", "carrier-lost=1"});
  expectFailed();
  EXPECT_EQ(call.at("pages"), "0");
  EXPECT_TRUE(listFiles(into_).empty()) << tool_->tail();
}

// Noise in the page data: the pages are confirmed and kept; rows the line
// spoilt may be lost, the rest arrive in order.
TEST_F(ReceiveFaults, NoiseInThePagesKeepsTheirRowsInOrder) {
  const CallFields call = receive({"--fault", "noise=1e-4"});
  EXPECT_EQ(exitCode_, 0) << tool_->tail();
  EXPECT_EQ(call.at("result"), "OK");
  const FaxFilePages fax = readFaxFile(into_ + "FAX0001.APF");
  ASSERT_EQ(fax.status, 0);
  ASSERT_EQ(fax.pages.size(), 3u);
  for (int n = 1; n <= 3; ++n) {
    EXPECT_GE(rowsInOrder(fax.pages[static_cast<size_t>(n - 1)], testPageImage(n, kRows)), kRows * 95 / 100)
        << "page " << n;
  }
}

// A frame that arrives with a bad FCS (the modem answers ERROR): the
// caller hears no answer and repeats its command (T.30 5.3.2), which the
// tool must still be listening for; the call then goes on.
struct BadFcsCase {
  const char* frame;
};

void PrintTo(const BadFcsCase& c, std::ostream* out) { *out << c.frame; }

class ReceiveBadFcs : public ReceiveFaults, public ::testing::WithParamInterface<BadFcsCase> {};

TEST_P(ReceiveBadFcs, CommandIsHeardAgainAndAllPagesArrive) {
  const CallFields call = receive({"--fault", std::string("bad-fcs=") + GetParam().frame});
  EXPECT_EQ(exitCode_, 0) << tool_->tail();
  EXPECT_EQ(call.at("result"), "OK") << tool_->tail();
  EXPECT_TRUE(contains(tool_->err(), "<- ERROR")) << "the fault did not reach the tool\n" << tool_->tail();
  expectPagesKept(3);
}

INSTANTIATE_TEST_SUITE_P(Frames, ReceiveBadFcs,
                         ::testing::Values(BadFcsCase{"DCS"}, BadFcsCase{"MPS"}, BadFcsCase{"EOP"}),
                         [](const auto& param) { return std::string(param.param.frame); });

// The modem goes quiet when asked for the page carrier: the tool ends with
// an error on its own time-out and leaves no file.
TEST_F(ReceiveFaults, ModemSilentAtThePageEndsInAnError) {
  receive({"--fault", "silent-after=+FRM=146"});
  expectFailed();
  EXPECT_TRUE(listFiles(into_).empty()) << tool_->tail();
}

// Ctrl-C in page 2: the tool hangs up and keeps page 1, which it had
// confirmed.
TEST_F(ReceiveFaults, CancelInPage2KeepsPage1) {
  ASSERT_TRUE(writeTestFax(file("send.tif"), 3, false, kRows));
  into_ = receiveDir();
  VirtualModemRun modem(dir(), {"--far-end", "sender", "--send-file", file("send.tif"), "--ring-interval", "2"});
  tool_ = startReceive(modem.port(), into_);
  ASSERT_TRUE(tool_->waitForError("Page 2: ", 30s)) << tool_->tail();
  tool_->interrupt();
  EXPECT_EQ(finish(*tool_, 20s), 1) << tool_->tail();
  EXPECT_TRUE(contains(tool_->err(), toolErrorLine(-6005, "Cancel requested"))) << tool_->tail();
  const CallFields call = oneCall(modem);
  EXPECT_EQ(call.count("result") ? call.at("result") : "", "FAILED");
  expectPagesKept(1);
}

}  // namespace
}  // namespace telvane::test
