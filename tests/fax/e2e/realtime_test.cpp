// One call with the line and the engine both in real time, as on a real
// telephone line: the speed-up of the other tests stretches nothing here.
// About 30 s, so only with TELVANE_REALTIME_TESTS=1.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

#include "tests/fax/e2e/fax_e2e_test.h"

namespace telvane::test {
namespace {

bool RealtimeTestsWanted() {
  const char* wanted = std::getenv("TELVANE_REALTIME_TESTS");
  return wanted && std::string_view(wanted) == "1";
}

class RealTime : public FaxE2eTest {
protected:
  void SetUp() override {
    if (!RealtimeTestsWanted()) GTEST_SKIP() << "real-time calls run with TELVANE_REALTIME_TESTS=1";
  }
};

TEST_F(RealTime, SendsAFinePageAt14400) {
  const std::string doc = faxFile("doc.apf", {1}, true, 2200);
  VirtualModemRun modem(dir(), {"--receive-file", file("rx.tif")}, 1.0);
  ASSERT_TRUE(modem.started());
  auto tool = startSend(modem.port(), {}, {doc}, 1.0);
  EXPECT_EQ(finish(*tool, std::chrono::seconds(180)), 0) << tool->tail();
  const CallFields call = oneCall(modem);
  EXPECT_EQ(call.at("result"), "OK");
  EXPECT_EQ(call.at("rate"), "14400");
  const auto pages = readFaxPages(file("rx.tif"));
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(checkSentPage(pages[0], 1, 2200), "");
}

}  // namespace
}  // namespace telvane::test
