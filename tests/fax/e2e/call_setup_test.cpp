// Calls that never reach the far end's fax machine, and modems that
// misbehave before the call: busy with redials, no answer, no dial tone, a
// modem that says nothing or ERROR, and the user cancelling while the tool
// dials. Each ends with the right error, in bounded time, with the modem
// hung up.

#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "tests/fax/e2e/fax_e2e_test.h"

namespace telvane::test {
namespace {

using namespace std::chrono_literals;

class CallSetup : public FaxE2eTest {
protected:
  std::string doc() { return faxFile("doc.apf", {1}, false, 300); }
};

// The second dial comes the retry wait after the first BUSY, in line
// time: 5 s. Timed from the tool's own trace, written as it goes. Only the
// lower bound is tight; the upper one catches a wait kept on the wall clock.
TEST_F(CallSetup, BusyIsDialledAgainAfterTheRetryWaitThenFails) {
  VirtualModemRun modem(dir(), {"--fault", "busy"});
  ASSERT_TRUE(modem.started());
  auto tool = startSend(modem.port(), {"--dial-attempts", "2", "--retry-wait", "5"}, {doc()});

  auto count = [](const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  };
  std::optional<std::chrono::steady_clock::time_point> busyAt, redialAt;
  const auto end = std::chrono::steady_clock::now() + kCallTimeout;
  while (!redialAt && std::chrono::steady_clock::now() < end && !tool->waitFor(0ms)) {
    const std::string err = tool->err();
    if (!busyAt && count(err, "<- BUSY") >= 1) busyAt = std::chrono::steady_clock::now();
    if (busyAt && count(err, "-> ATDT") >= 2) redialAt = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(2ms);
  }
  EXPECT_EQ(finish(*tool), 1) << tool->tail();
  EXPECT_EQ(count(tool->err(), "-> ATDT"), 2u) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), "(attempt 1)")) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), toolErrorLine(-8064, "Called fax number was busy"))) << tool->tail();
  EXPECT_EQ(oneCall(modem).at("result"), "BUSY");

  ASSERT_TRUE(busyAt && redialAt) << tool->tail();
  const double waitedLine = std::chrono::duration<double>(*redialAt - *busyAt).count() * testSpeed();
  EXPECT_GT(waitedLine, 0.8 * 5) << "seconds of line time between BUSY and the next dial";
  EXPECT_LT(waitedLine, 3 * 5 + testSpeed()) << "seconds of line time between BUSY and the next dial";
}

TEST_F(CallSetup, NoAnswerFails) {
  VirtualModemRun modem(dir(), {"--fault", "no-answer", "--rings", "2"});
  auto tool = startSend(modem.port(), {"--dial-attempts", "1"}, {doc()});
  EXPECT_EQ(finish(*tool), 1) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), toolErrorLine(-8071, "Called fax number did not answer"))) << tool->tail();
  EXPECT_EQ(oneCall(modem).at("result"), "NO_ANSWER");
}

TEST_F(CallSetup, NoDialToneFails) {
  VirtualModemRun modem(dir(), {"--fault", "no-dial-tone"});
  auto tool = startSend(modem.port(), {"--dial-attempts", "1"}, {doc()});
  EXPECT_EQ(finish(*tool), 1) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), toolErrorLine(-8067, "No dial tone"))) << tool->tail();
  EXPECT_EQ(oneCall(modem).at("result"), "NO_DIALTONE");
}

// A modem that answers nothing at all: an error, not a hang.
TEST_F(CallSetup, SilentModemEndsInAnErrorNotAHang) {
  VirtualModemRun modem(dir(), {"--fault", "silent"});
  auto tool = startSend(modem.port(), {}, {doc()});
  EXPECT_EQ(finish(*tool), 1) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), "telvane-fax: error -")) << tool->tail();
  EXPECT_FALSE(contains(tool->err(), "Dialing")) << tool->tail();
  EXPECT_TRUE(modem.results().empty());
}

// A modem that goes quiet at the dial: the dial wait runs out.
TEST_F(CallSetup, ModemSilentAfterTheDialEndsInAnError) {
  VirtualModemRun modem(dir(), {"--fault", "silent-after=D"});
  auto tool = startSend(modem.port(), {"--dial-attempts", "1"}, {doc()});
  EXPECT_EQ(finish(*tool), 1) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), "telvane-fax: error -")) << tool->tail();
  EXPECT_FALSE(contains(tool->err(), "Sent ")) << tool->tail();
}

// The engine asks AT+FTM=? while setting up: ERROR there is a modem that
// cannot do Class 1, and the tool stops before it dials.
TEST_F(CallSetup, ErrorToTheModulationQueryStopsBeforeDialling) {
  VirtualModemRun modem(dir(), {"--fault", "error-on=+FTM="});
  auto tool = startSend(modem.port(), {}, {doc()});
  EXPECT_EQ(finish(*tool), 1) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), toolErrorLine(-8063, "Error while initializing modem"))) << tool->tail();
  EXPECT_FALSE(contains(tool->err(), "ATD")) << tool->tail();
  EXPECT_TRUE(modem.results().empty());
}

// ERROR to the page carrier's command in the call: the tool fails the
// call and hangs up; the far end sees the call drop.
TEST_F(CallSetup, ErrorToThePageCarrierFailsTheCallAndHangsUp) {
  VirtualModemRun modem(dir(), {"--fault", "error-on=+FTM=146"});
  auto tool = startSend(modem.port(), {"--dial-attempts", "1"}, {doc()});
  EXPECT_EQ(finish(*tool), 1) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), toolErrorLine(-8061, "Bad response from modem"))) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), "-> ATH")) << tool->tail();
  const CallFields call = oneCall(modem);
  EXPECT_EQ(call.at("result"), "FAILED");
  EXPECT_EQ(call.at("pages"), "0");
}

// Ctrl-C while the far end is still ringing: the tool hangs up and exits
// with an error, and the fixture reports the call abandoned before it
// connected.
TEST_F(CallSetup, CancelWhileDiallingHangsUp) {
  VirtualModemRun modem(dir(), {"--answer-after-rings", "10"});
  auto tool = startSend(modem.port(), {}, {doc()});
  ASSERT_TRUE(tool->waitForError("-> ATDT", 20s)) << tool->tail();
  std::this_thread::sleep_for(300ms);
  tool->interrupt();
  const int code = finish(*tool, 20s);
  EXPECT_EQ(code, 1) << tool->tail();
  EXPECT_TRUE(contains(tool->err(), toolErrorLine(-6005, "Cancel requested"))) << tool->tail();
  EXPECT_EQ(oneCall(modem).at("result"), "ABORTED") << modem.log();
}

TEST_F(CallSetup, ClassesListsWhatTheModemOffers) {
  VirtualModemRun modem(dir(), {"--classes", "0,1,2,2.0"});
  FaxTool tool(dir(), {"classes", "--device", modem.port()}, testSpeed());
  EXPECT_EQ(finish(tool), 0) << tool.tail();
  EXPECT_EQ(tool.out(), "1 2 2.0\n");
}

}  // namespace
}  // namespace telvane::test
